#include "calc/thermo/dataset.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/bomb.h"
#include "test_support.h"

namespace pf {
namespace {

using testing::Console;

// A generation-5 file: a solid, a liquid and a Landau solid, with a
// covariance matrix and a description.
const std::string kFo = "fo       2   1 1  5 2  10 4  0\n";
const std::string kFoHSV = "-2172.59  0.0951  4.366\n";
const std::string kFoModel =
    "0.2333  0.000001494  -603.8  -1.8697  0.0000285  1285  3.84  -0.003\n";
const std::string kQL =
    "qL       1   1 1  10 2  0\n"
    "-921.07  0.0163  2.73\n"
    "0.0825  0  0  0  0  220  9.46  -0.043  -0.035\n"
    "0\n";
const std::string kQ =
    "q        1   1 1  10 2  0\n"
    "-910.7  0.04146  2.269\n"
    "0.0929  -0.000000642  -714.9  -0.7161  0.000000065  730  6  -0.0082\n"
    "1  847  0.00495  0.1188\n";
const std::string kTail = "0\n0.1 0.2 0.3\n0.4 0.5\n0.6\n\nthree end-members for tests\n";

std::string generation(int dsmode) {
  return "3\n\n" + std::to_string(dsmode) + "\n" + kFo + kFoHSV + kFoModel + "0\n" + kQL + kQ +
         kTail;
}

Dataset setup(const std::string& text, const std::string& name = "pf-test.txt") {
  Dataset ds;
  std::istringstream file(text);
  setuptextread(ds, file, name);
  return ds;
}

Dataset readAll(const std::string& text, const std::vector<std::string>& wanted) {
  Dataset ds = setup(text);
  makep(ds, wanted);
  readthermo(ds);
  return ds;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

struct Fault {
  std::string procedure;
  std::string message;
};

template <typename F>
Fault faultOf(F&& action) {
  try {
    action();
  } catch (const Bombed& b) {
    return {b.procedure, b.message};
  }
  return {"", "(no fault)"};
}

TEST(DatasetFormat, RecognisesEveryGeneration) {
  const std::string layoutA9 =
      "1\n"
      "fo  2  1 1 5 2 10 4 0\n"
      "-2172.59 0.0951 4.366 0.2333 0.000001494 -603.8 -1.8697 0.0000285 1285 0\n"
      "0.25\n\ndescription\n";
  const std::string wordLed =
      "1\n\n"
      "fo  2  1 1 5 2 10 4 0\n"
      "-2172.59 0.0951 4.366 0.2333 0.000001494 -603.8 -1.8697 2.85e-5 0 1285 4 -0.0002 0\n"
      "0\n0.25\n\ndescription\n";
  const std::string one =
      "1\n\n1\nfo  2  1 1 5 2 10 4 0\n-2172.59 0.0951 4.366\n"
      "0.2333 0.000001494 -603.8 -1.8697 2.85e-5 1 1285 4 -0.0002\n0\n0\n0.25\n\nd\n";
  const std::string two =
      "1\n\n2\nfo  2  1 1 5 2 10 4 0\n-2172.59 0.0951 4.366\n"
      "0.2333 0.000001494 -603.8 -1.8697 2.85e-5 1 2 1285 4 -0.2\n0\n0\n0.25\n\nd\n";
  struct Case {
    std::string text;
    int dsmode, values;
    bool infoLine, extraLines, third, absolute;
  } cases[] = {
      {layoutA9, -2, 9, false, false, false, false},
      {wordLed, -1, 12, true, false, false, false},
      {one, 1, 12, true, true, false, false},
      {two, 2, 13, true, true, true, true},
      {generation(3), 3, 11, true, true, false, false},
      {generation(5), 5, 11, true, true, false, false},
  };
  for (const Case& c : cases) {
    Dataset ds = setup(c.text);
    SCOPED_TRACE(c.dsmode);
    EXPECT_EQ(ds.dsmode, c.dsmode);
    EXPECT_EQ(ds.propertyValues, c.values);
    EXPECT_EQ(ds.infoLine, c.infoLine);
    EXPECT_EQ(ds.extraLines, c.extraLines);
    EXPECT_EQ(ds.thirdExpansion, c.third);
    EXPECT_EQ(ds.absoluteDkdt, c.absolute);
    EXPECT_EQ(ds.names[1], "fo");
  }
}

TEST(DatasetFormat, ConvertsTheSlotsOfEachLayoutA) {
  // nine values: the bulk modulus moves to slot 11, with fixed alpha2, K' and dK/dT
  Dataset nine = readAll(
      "1\nfo 2 1 1 5 2 10 4 0\n"
      "-2172.59 0.0951 4.366 0.2333 0.000001494 -603.8 -1.8697 0.0000285 1285 0\n"
      "0.25\n\ndescription\n",
      {"fo"});
  const auto& s9 = nine.em[1].slot;
  EXPECT_EQ(s9[kAlpha1], 0.0000285L);
  EXPECT_EQ(s9[kAlpha2], 10);
  EXPECT_EQ(s9[kAlpha3], 0);
  EXPECT_EQ(s9[kKappa], 1285);
  EXPECT_EQ(s9[kKappaprime], 4);
  EXPECT_EQ(s9[kDkappadT], -0.00015L * 1285);
  EXPECT_EQ(nine.description, "description");

  // twelve values: dK/dT relative to the bulk modulus unless the header says absolute
  for (const char* ninth : {"0", "0.5"}) {
    Dataset twelve = readAll(std::string("1\n\nfo 2 1 1 5 2 10 4 0\n") +
                                 "-2172.59 0.0951 4.366 0.2333 0 0 0 2.85e-5 " + ninth +
                                 " 1000 4 -0.0002 0\n" + "0\n0.25\n\nd\n",
                             {"fo"});
    const auto& s = twelve.em[1].slot;
    bool absolute = std::string(ninth) != "0";
    EXPECT_EQ(twelve.absoluteDkdt, absolute);
    EXPECT_EQ(s[kAlpha3], 0);
    EXPECT_EQ(s[kKappa], 1000);
    EXPECT_EQ(s[kKappaprime], 4);
    EXPECT_EQ(s[kDkappadT], absolute ? -0.0002L : 1000 * -0.0002L);
  }

  // thirteen values go straight into slots 1 to 13
  Dataset thirteen = readAll(
      "1\n\n2\nfo 2 1 1 5 2 10 4 0\n-2172.59 0.0951 4.366\n"
      "0.2333 0 0 0 2.85e-5 1 2 1285 4 -0.2\n0\n0\n0.25\n\nd\n",
      {"fo"});
  const auto& s13 = thirteen.em[1].slot;
  EXPECT_EQ(s13[kAlpha2], 1);
  EXPECT_EQ(s13[kAlpha3], 2);
  EXPECT_EQ(s13[kKappa], 1285);
  EXPECT_EQ(s13[kDkappadT], -0.2L);
}

TEST(DatasetFormat, ReadsLayoutBWithThetaAndTheLiquidValue) {
  struct Case {
    int dsmode;
    Real thetaFo, thetaQL, thetaQ;
  } cases[] = {{3, 656, 59, 787}, {4, 531, 10, 525}, {5, 531, 10, 525}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dsmode);
    Dataset ds = readAll(generation(c.dsmode), {"fo", "qL", "q"});
    const EndMember& fo = ds.em[1];
    const EndMember& ql = ds.em[2];
    const EndMember& q = ds.em[3];
    EXPECT_EQ(fo.slot[kTheta], c.thetaFo);
    EXPECT_EQ(ql.slot[kTheta], c.thetaQL);
    EXPECT_EQ(q.slot[kTheta], c.thetaQ);
    // a solid carries no dK/dT; the liquid's twelfth value lands in slot 13
    EXPECT_EQ(fo.slot[kDkappa0dt], 0);
    EXPECT_EQ(ql.slot[kDkappa0dt], -0.035L);
    EXPECT_EQ(ql.slot[kKappa0pp], -0.043L);
    // model defaults and the Landau values
    EXPECT_EQ(fo.slot[kSmax], -1);
    EXPECT_EQ(fo.slot[kVmax], -1);
    EXPECT_EQ(fo.slot[kSffac], 1);
    EXPECT_EQ(q.slot[kLandauT], 847);
    EXPECT_EQ(q.slot[kSmax], 0.00495L);
    EXPECT_EQ(q.slot[kVmax], 0.1188L);
  }
}

TEST(DatasetFormat, ThetaNeverEndsBelowTen) {
  // a large heat capacity per atom drives the dsmode-3 rule negative
  std::string text = generation(3);
  text.replace(text.find(kFoModel), kFoModel.size(),
               "2.5  0  0  0  0.0000285  1285  3.84  -0.003\n");
  Dataset ds = readAll(text, {"fo"});
  EXPECT_EQ(ds.em[1].slot[kTheta], 10);
}

TEST(DatasetFormat, ReadsFormulaCodeAndAtoms) {
  // a negative element number is passed over without an amount
  Dataset ds = readAll(replaced(generation(5), kFo, "fo  2  1 1  -3  5 2  10 4  0\n"), {"fo"});
  const EndMember& fo = ds.em[1];
  EXPECT_EQ(fo.code, 2);
  ASSERT_EQ(fo.pairs, 3);
  EXPECT_EQ(fo.element[1], 1);
  EXPECT_EQ(fo.element[2], 5);
  EXPECT_EQ(fo.element[3], 10);
  EXPECT_EQ(fo.atoms, 7);
  auto amounts = elementAmounts(fo);
  EXPECT_EQ(amounts[1], 1);
  EXPECT_EQ(amounts[5], 2);
  EXPECT_EQ(amounts[10], 4);
  EXPECT_EQ(amounts[7], 0);
}

TEST(DatasetFormat, AqueousAndBraggWilliamsModels) {
  std::string text = generation(5);
  text.replace(text.find(kFoModel) + kFoModel.size(), 2, "-1  0.5\n");
  Dataset aqueous = readAll(text, {"fo"});
  EXPECT_EQ(aqueous.em[1].slot[kAqueousCp], 0.5L - 298.15L * 0.000001494L);

  text = generation(5);
  text.replace(text.find(kFoModel) + kFoModel.size(), 2, "2  14  0.042  13  0.042  3  0.9\n");
  Dataset bw = readAll(text, {"fo"});
  const auto& s = bw.em[1].slot;
  EXPECT_EQ(s[kSfdh], 14);
  EXPECT_EQ(s[kSfdhv], 0.042L);
  EXPECT_EQ(s[kSfw], 13);
  EXPECT_EQ(s[kSfwv], 0.042L);
  EXPECT_EQ(s[kSfn], 3);
  EXPECT_EQ(s[kSffac], 0.9L);
}

TEST(DatasetCovariance, KeepsSinglePrecisionAndFollowsDuplicates) {
  // q wanted twice: both internal copies get the same record and the same rows
  Dataset ds = readAll(generation(5), {"q", "fo", "q"});
  ASSERT_EQ(ds.endMembers, 3);
  EXPECT_EQ(ds.entryOf[1], 3);
  EXPECT_EQ(ds.entryOf[2], 1);
  EXPECT_EQ(ds.entryOf[3], 3);
  EXPECT_EQ(ds.em[1].name, "q");
  EXPECT_EQ(ds.em[3].slot, ds.em[1].slot);
  // upper triangle: (fo,fo) 0.1 (fo,qL) 0.2 (fo,q) 0.3 (qL,qL) 0.4 (qL,q) 0.5 (q,q) 0.6
  const Real single01 = static_cast<float>(0.1);
  EXPECT_EQ(ds.covariance(2, 2), single01);
  EXPECT_NE(ds.covariance(2, 2), 0.1L);
  EXPECT_EQ(ds.covariance(1, 1), static_cast<float>(0.6));
  EXPECT_EQ(ds.covariance(1, 3), static_cast<float>(0.6));
  EXPECT_EQ(ds.covariance(3, 3), static_cast<float>(0.6));
  EXPECT_EQ(ds.covariance(1, 2), static_cast<float>(0.3));
  EXPECT_EQ(ds.covariance(2, 1), static_cast<float>(0.3));
  EXPECT_EQ(ds.covariance(3, 2), static_cast<float>(0.3));
  EXPECT_EQ(ds.description, "three end-members for tests");
}

TEST(DatasetCovariance, FormulaOnlyPassLeavesPropertiesEmpty) {
  Dataset ds = setup(generation(5));
  makep(ds, {"qL"});
  readformulae(ds);
  EXPECT_EQ(ds.em[1].name, "qL");
  EXPECT_EQ(ds.em[1].atoms, 3);
  EXPECT_EQ(ds.em[1].slot[kEnthalpy], 0);
}

TEST(DemoDataset, IsASixthGenerationFileOf230EndMembers) {
  Dataset ds = testing::demoSetup();
  EXPECT_TRUE(ds.ds6);
  EXPECT_EQ(ds.entries, 230);
  EXPECT_EQ(ds.dsmode, 5);
  EXPECT_EQ(ds.names[1], "fo");
  EXPECT_EQ(ds.names[230], "lcL");
  EXPECT_EQ(ds.description, "demo dataset: 2011-generation end-member data, kJ K kbar");
  EXPECT_FALSE(setup(generation(5), "pf-ds5x.txt").ds6);
}

TEST(DatasetFaults, BadFilesStopWithAMessageNamingTheProblem) {
  const std::string good = generation(5);
  struct Case {
    const char* what;
    std::string text;
    std::string procedure, message;
  } cases[] = {
      {"more than 300 entries", replaced(good, "3\n", "301\n"), "setuptextread",
       "too many end-members"},
      {"a count beyond the integers", replaced(good, "3\n", "99999\n"), "setuptextread",
       "too many end-members"},
      {"no count", "\n" + good, "setuptextread", "no number of end-members on line 1"},
      {"count not a number", replaced(good, "3\n", "three\n"), "setuptextread",
       "number of end-members on line 1 \"three\" is not an integer"},
      {"count larger than the entries", replaced(good, "3\n", "4\n"), "setuptextread",
       "entry 4 of 4: \"0\" is not an end-member name"},
      {"count smaller than the entries", replaced(good, "3\n", "2\n"), "setuptextread",
       "value before the covariance matrix \"q\" is not a number"},
      {"end of file among the entries", good.substr(0, good.find("q        1")), "setuptextread",
       "file ends before the end of entry 3 of 3"},
      {"end of file in the matrix", good.substr(0, good.find("0.4 0.5")), "setuptextread",
       "file ends in the covariance matrix at row 2 (qL), column 2 (qL)"},
      {"non-number in the matrix", replaced(good, "0.4 0.5", "0.4 x0.5"), "setuptextread",
       "covariance matrix, row 2 (qL), column 3 (q): \"x0.5\" is not a number"},
      {"matrix value beyond single precision", replaced(good, "0.4 0.5", "0.4 1e50"),
       "setuptextread",
       "covariance matrix, row 2 (qL), column 3 (q): \"1e50\" is beyond single precision"},
      {"blank third line", replaced(good, "\n5\n", "\n\n"), "readthermo",
       "not expecting blank line"},
      {"third line neither word nor integer", replaced(good, "\n5\n", "\n5 6\n"), "readthermo",
       "unrecognised start of info"},
      {"third line a real", replaced(good, "\n5\n", "\n5.5\n"), "readthermo",
       "unrecognised start of info"},
      {"dsmode 0", replaced(good, "\n5\n", "\n0\n"), "readthermo",
       "unrecognised dsmode 0 on line 3"},
      {"short second line", "1\n\nfo 2 1 1 0\n1 2 3 4 5 6 7 8 9\n0\n0.1\n\nd\n", "readthermo",
       "insufficient info on 2nd line"},
      {"dk/dt not a number", "1\n\nfo 2 1 1 0\n1 2 3 4 5 6 7 8 x 10 11 12 0\n0\n0.1\n\nd\n",
       "reading", "expecting a single (1); got: x - dk/dt"},
      {"name too long", replaced(good, "fo       2", "forsterite 2"), "setuptextread",
       "entry 1 of 3: name \"forsterite\" is longer than 8 characters"},
      {"blank name line", replaced(good, kFo, "\n"), "setuptextread",
       "entry 1 of 3: blank line where a name should be"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fault f = faultOf([&] { setup(c.text); });
    EXPECT_EQ(f.procedure, c.procedure);
    EXPECT_EQ(f.message, c.message);
  }
}

TEST(DatasetFaults, BadEntriesStopTheFullPassNamingEntryAndItem) {
  const std::string good = generation(5);
  struct Case {
    const char* what;
    std::string text;
    std::string message;
  } cases[] = {
      {"truncated entry", replaced(good, kFoModel, "0.2333  0.000001494  -603.8\n"),
       "entry 1 (fo) ends before its alpha0"},
      {"missing model code", replaced(good, kFoModel + "0\n", kFoModel + "\n"),
       "entry 1 (fo) ends before its model code"},
      {"non-number", replaced(good, "4.366", "4.3x6"),
       "entry 1 (fo): volume \"4.3x6\" is not a number"},
      {"liquid without its dK/dT", replaced(good, "-0.043  -0.035", "-0.043"),
       "entry 2 (qL) ends before its model code"},
      {"code not an integer", replaced(good, "fo       2", "fo       2.5"),
       "entry 1 (fo): code \"2.5\" is not an integer"},
      {"more than 8 pairs", replaced(good, kFo, "fo 2  1 1 5 2 10 4 2 1 3 1 4 1 6 1 7 1 8 1 0\n"),
       "entry 1 (fo): formula has more than 8 element pairs"},
      {"element out of range", replaced(good, kFo, "fo 2  1 1 5 2 20 4 0\n"),
       "entry 1 (fo): element number 20 in the formula is not 1 to 19"},
      {"formula without its end", replaced(good, kFo, "fo 2  1 1 5 2 10 4\n"),
       "entry 1 (fo): element number \"-2172.59\" is not an integer"},
      {"unknown model code", replaced(good, kFoModel + "0\n", kFoModel + "3\n"),
       "entry 1 (fo): model code 3 is not 0, 1, 2 or negative"},
      {"Landau entry short of a value",
       replaced(good, "1  847  0.00495  0.1188", "1  847  0.00495"),
       "entry 3 (q) ends before its vmax"},
      {"non-number amount", replaced(good, kFo, "fo 2  1 one 5 2 10 4 0\n"),
       "entry 1 (fo): amount of Si \"one\" is not a number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fault f = faultOf([&] { readAll(c.text, {"fo", "qL", "q"}); });
    EXPECT_EQ(f.procedure, "readthermo");
    EXPECT_EQ(f.message, c.message);
  }
}

TEST(DatasetFaults, SelectionRefusesUnknownAndTooManyNames) {
  Dataset ds = setup(generation(5));
  Fault unknown = faultOf([&] { makep(ds, {"fo", "xyz"}); });
  EXPECT_EQ(unknown.procedure, "makep");
  EXPECT_EQ(unknown.message, "stuff up : unrecognised name :xyz");

  Fault tooMany = faultOf([&] { makep(ds, std::vector<std::string>(201, "fo")); });
  EXPECT_EQ(tooMany.message, "too many end-members: at most 200 in one run");

  Fault fiveUses = faultOf([&] { makep(ds, {"q", "q", "q", "q", "q"}); });
  EXPECT_EQ(fiveUses.message, "more than 4 end-members use q");

  Dataset fresh = setup(generation(5));
  Fault unselected = faultOf([&] { readthermo(fresh); });
  EXPECT_EQ(unselected.procedure, "readthermo");
}

TEST(DatasetQuestion, PreferenceNamesAsksOrDefaults) {
  {
    // "?" asks through the data-file question
    Console c;
    c.files.contents["pf-mine.txt"] = generation(5);
    c.in.str("mine\n");
    Dataset ds;
    setuptextread(c.io, ds, "?");
    EXPECT_EQ(c.out.str(), "suffix to name for thermo dataset datafile : ");
    EXPECT_EQ(ds.fileName, "pf-mine.txt");
    EXPECT_EQ(ds.entries, 3);
  }
  {
    // no preference: the default name, no question
    Console c;
    c.files.contents["pf-ds6.txt"] = generation(5);
    Dataset ds;
    setuptextread(c.io, ds, "");
    EXPECT_EQ(c.out.str(), "");
    EXPECT_EQ(ds.fileName, "pf-ds6.txt");
    EXPECT_TRUE(ds.ds6);
  }
  {
    Console c;
    c.files.contents["pf-ds6demo.txt"] = testing::demoText();
    Dataset ds;
    readdataset(c.io, ds, kSetupPass, {}, "ds6demo");
    readdataset(c.io, ds, kFormulaPass, {"H2O", "CO2"}, "ds6demo");
    EXPECT_EQ(ds.em[2].name, "CO2");
    readdataset(c.io, ds, kFullPass, {"ab"}, "ds6demo");
    EXPECT_EQ(ds.em[1].slot[kSfn], 3);
  }
  {
    Console c;
    Dataset ds;
    Fault missing = faultOf([&] { setuptextread(c.io, ds, "nothere"); });
    EXPECT_EQ(missing.procedure, "promptdatafile");
    EXPECT_EQ(missing.message, "datafile needed");
  }
}

}  // namespace
}  // namespace pf
