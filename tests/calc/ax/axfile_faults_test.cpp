// Every fault of the a-x file, each reached by a small text: the procedure
// and message of the fatal report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/calc/ax/ax_fixture.h"

namespace pf::testing {
namespace {

// A small valid binary; the cases below change one piece of it.
const std::string kBinary =
    "ol 2 1  x(ol) 0.1  p(fo) 1 1 1 1 -1 x(ol)  p(fa) 1 1 0 1 1 x(ol)  sf  W(fo,fa) 10 0 0  "
    "2  xMg 1 1 1 1 -1 x(ol)  xFe 1 1 0 1 1 x(ol)  fo 1 1 xMg 2 check 0  fa 1 1 xFe 2 check 1\n";

std::string with(std::string text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::string withAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string repeated(const std::string& line, int times) {
  std::string text;
  for (int k = 0; k < times; ++k) text += line;
  return text;
}

// n solutions named s1, s2 ... coded as kBinary.
std::string solutions(int n) {
  std::string text;
  for (int k = 1; k <= n; ++k) text += with(kBinary, "ol 2 1", "s" + std::to_string(k) + " 2 1");
  return text;
}

Dataset withDsmode(int dsmode) {
  Dataset ds = demoDatasetSetup();
  ds.dsmode = dsmode;
  return ds;
}

Dataset ionDataset() {
  Dataset ds = demoDatasetSetup();
  for (const char* name : {"H+", "Cl-", "Ca++", "Na+", "HCl"}) ds.names.push_back(name);
  ds.entries = static_cast<int>(ds.names.size()) - 1;
  return ds;
}

struct Case {
  std::string label;
  std::string text;
  std::string procedure;
  std::string message;
  const Dataset* ds = nullptr;
  const ScriptSettings* script = nullptr;
  bool batch = false;
};

void expectFaults(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    AxRead read("n\n");
    Bombed fault = faultOf([&] { read.read(c.text, c.script, true, c.ds, c.batch); });
    EXPECT_EQ(fault.procedure, c.procedure);
    EXPECT_EQ(fault.message, c.message);
  }
}

TEST(AxFileFaults, TheFileAndItsPhases) {
  static const Dataset old = withDsmode(2);
  expectFaults({
      {"empty", "% nothing here\n\n", "setup phases", "not enough in file"},
      {"ended at once", "* end\nq\n", "setup phases", "not enough in file"},
      {"201 phases", repeated("q\n", 201), "setup phases", "too many phases"},
      {"61 solutions", solutions(61), "setup phases", "too many ss phases"},
      {"activity above 1", "q 1.5\n", "setup phases", "activity for q not 0 > a\xB3 1"},
      {"activity 0", "q 0.0\n", "setup phases", "activity for q not 0 > a\xB3 1"},
      {"activity 0/1", "q 0/1\n", "reading",
       "expecting a single (3); got: 0/1 - fixed activity for q"},
      {"one end-member, then nothing", "qz 1\n", "read",
       "unexpected end of input - name for end-member of qz"},
      {"no ds6 flag", with(kBinary, "ol 2 1", "ol 2"), "setup phases", "no ds6 flag for ol"},
      {"older dataset, other number", with(kBinary, "ol 2 1", "ol 2 5"), "setup phases",
       "incorrect info after no of end-members for ol", &old},
      {"16 end-members", "big 16 1\n", "setup phases", "phase too big for auto gammas - big"},
      {"1 end-member", "one -1 1\n", "setup phases", "less than 2 end-members in one"},
      {"no such model", with(kBinary, "sf  W(fo,fa) 10 0 0", "mixed"), "setup phases",
       "not recognised (should be ideal, sf or asf) - mixed in ol"},
      {"1 site fraction", with(kBinary, "  2  xMg", "  1  xMg"), "setup phases",
       "less than 2 sf vars for ol"},
      {"19 site fractions", with(kBinary, "  2  xMg", "  19  xMg"), "setup phases",
       "too many  sf vars for ol"},
  });
}

TEST(AxFileFaults, Variables) {
  AxRead batch;
  Bombed fault = faultOf(
      [&] { batch.read(with(kBinary, "x(ol) 0.1", "x(ol) 0"), nullptr, true, nullptr, true); });
  EXPECT_EQ(fault.message, "guess = 0 in axfile excluded in batch mode - x(ol)");
  expectFaults({
      {"range upside down", with(kBinary, "x(ol) 0.1", "x(ol) 0.1 range 1 0"), "setup phases",
       "lower limit > upper limit (1) - x(ol) in ol"},
      {"guess not a number", with(kBinary, "x(ol) 0.1", "x(ol) abc"), "reading",
       "expecting a single (1); got: abc - guess for x(ol) in ol"},
      {"NaN", with(kBinary, "x(ol) 0.1", "x(ol) NaN"), "reading",
       "expecting a single (1); got: NaN - guess for x(ol) in ol"},
      {"infinite", with(kBinary, "x(ol) 0.1", "x(ol) 1e99999"), "reading",
       "expecting a single (2); got: 1e99999 - guess for x(ol) in ol"},
      {"number for a name", with(kBinary, "x(ol) 0.1", "7 0.1"), "reading",
       "expecting a name; got: 7 - 1st variable name in ol"},
      {"long name", with(kBinary, "ol 2 1", "olivine-of-the-upper-mantle 2 1"), "reading",
       "\"olivine-of-the-upper-mantle\" is longer than 20 characters - name for 1st phase"},
  });
}

TEST(AxFileFaults, Expressions) {
  const std::string p = "p(fo) 1 1 1 1 -1 x(ol)";
  expectFaults({
      {"0 sxterms", with(kBinary, p, "p(fo) 0"), "setup phases", "too few sxterms - p(fo) in ol"},
      {"25 sxterms", with(kBinary, p, "p(fo) 25"), "setup phases",
       "too many sxterms - p(fo) in ol"},
      {"0 xterms", with(kBinary, p, "p(fo) 1 0"), "setup phases", "too few x terms - p(fo) in ol"},
      {"4 xterms", with(kBinary, p, "p(fo) 1 4"), "setup phases", "too many x terms - p(fo) in ol"},
      {"-1 terms", with(kBinary, p, "p(fo) 1 1 1 -1"), "setup phases",
       "too few terms in x - p(fo) in ol"},
      {"10 terms", with(kBinary, p, "p(fo) 1 1 1 10"), "setup phases",
       "too many terms in x - p(fo) in ol"},
      {"unknown variable", with(kBinary, p, "p(fo) 1 1 1 1 -1 y(ol)"), "reading",
       "y(ol) not a variable name: index/name in p(fo) in ol"},
      {"real for a variable", with(kBinary, p, "p(fo) 1 1 1 1 -1 1.5"), "reading",
       "1.5 not a index/name in p(fo) in ol"},
      {"index out of range", with(kBinary, p, "p(fo) 1 1 1 1 -1 2"), "reading",
       "illegal index/name in p(fo) in ol: 2"},
      {"zero term", with(kBinary, p, "p(fo) 1 1 0 0"), "setup phases", "zero term - p(fo) in ol"},
      {"huge count", with(kBinary, p, "p(fo) 99999"), "getinteger",
       "expecting an integer (2); got: 99999 - no of sxterms in p(fo) in ol"},
      {"bad rational", with(kBinary, p, "p(fo) 1 1 1/0 1 -1 x(ol)"), "reading",
       "expecting a rational (3); got: 1/0 - constant in p(fo) in ol"},
  });
}

TEST(AxFileFaults, EndMembers) {
  const std::string fo = "fo 1 1 xMg 2 check 0";
  expectFaults({
      {"no factors", with(kBinary, fo, "fo 1 0"), "setup phases",
       "too few terms in tmf for fo in ol"},
      {"9 factors", with(kBinary, fo, "fo 1 9"), "setup phases",
       "too many terms in tmf for fo in ol"},
      {"number for a site fraction", with(kBinary, fo, "fo 1 1 3 2"), "reading",
       "3 not a name for 1st sf term in tmf for fo in ol"},
      {"unknown site fraction", with(kBinary, fo, "fo 1 1 xCa 2"), "reading",
       "xCa not a sf name: name for 1st sf term in tmf for fo in ol"},
      {"word for a power", with(kBinary, fo, "fo 1 1 xMg two"), "reading",
       "expecting a rational (4); got: two -  power for 1st sf term in tmf for fo in ol"},
      {"word for the normalisation", with(kBinary, fo, "fo one 1 xMg 2"), "reading",
       "expecting a single (1); got: one - normalisation constant in tmf for fo in ol"},
      {"code 8", with(kBinary, fo, "fo 1 1 xMg 2 8"), "reading", "wrong code in info for fo"},
      {"unknown end-member", with(kBinary, fo, "foo 1 1 xMg 2 check 0"), "reading",
       "foo not a dataset end-member - end-member name in ol"},
      {"DQF before make", with(kBinary, fo, fo + " DQF 1 0 0"), "reading",
       "need to \"make\" end-member before DQF-ing it (now) - fo in ol"},
      {"make of none", with(kBinary, fo, fo + " make 0"), "reading",
       "too  few end-members to construct fo"},
      {"make of 7", with(kBinary, fo, fo + " make 7"), "reading",
       "too  many end-members to construct fo"},
      {"make of an unknown", with(kBinary, fo, fo + " make 1 foo 1"), "reading",
       "foo not a dataset end-member - names of end-members to construct fo in ol"},
      {"check of a real", with(kBinary, fo, "fo 1 1 xMg 2 check x"), "reading",
       "expecting a rational (4); got: x - coeffs in x defining pure end-members for fo in ol"},
      {"end of file in the options", with(kBinary, "check 1\n", "make"), "read",
       "unexpected end of input - no of end-members to construct fa in ol"},
  });
}

TEST(AxFileFaults, PurePhases) {
  expectFaults({
      {"gamma on a pure phase", "q gamma\n", "reading", "wrong code for additional info for q"},
      {"exclude on a pure phase", "q 1 q 7\n", "reading", "wrong code for additional info for q"},
      {"DQF before make", "q DQF 1 0 0\n", "reading",
       "need to \"make\" end-member befor DQF-ing it (for ds6)"},
      {"make of none", "qm make 0\n", "reading", "too few end-members to construct qm"},
      {"make of 7", "qm make 7\n", "reading", "too many end-members to construct qm"},
      {"unknown end-member", "quartz\n", "reading",
       "quartz not a dataset end-member - name for end-member of quartz"},
  });
}

TEST(AxFileFaults, ChargedSpecies) {
  static const Dataset ions = ionDataset();
  expectFaults({
      {"charged end-member", "H+\n", "setup phases",
       "charged species not allowed as end-members - H+", &ions},
      {"three species", "x make 3 H+ 1 Cl- 1 q 1\n", "setup phases",
       "must be just 2 charged species in a compound - x", &ions},
      {"one uncharged", "x make 2 H+ 1 q 1\n", "setup phases",
       "all species in a compound must be charged - x", &ions},
      {"not mean form", "x make 2 H+ 1 Cl- 2\n", "setup phases", "compound not in mean form - x",
       &ions},
      {"not balanced", "x make 2 Ca++ 1 Cl- 1\n", "setup phases",
       "compound not charged-balanced - x", &ions},
      {"two cations", "x make 2 H+ 1 Na+ 1\n", "setup phases", "compound not charged-balanced - x",
       &ions},
  });
  AxRead ok;
  ok.read("hcl make 2 H+ 1/2 Cl- 1/2\n", nullptr, true, &ions);
  EXPECT_EQ(ok.tables.pures[0].z1, 1);
  EXPECT_EQ(ok.tables.pures[0].z2, 1);
  EXPECT_EQ(ok.tables.pures[0].make.denominator, 2);
}

TEST(AxFileFaults, StrictSyntax) {
  const std::string asym =
      "pl 2 1  ca(pl) 0.3  p(ab) 1 1 1 1 -1 ca(pl)  p(an) 1 1 0 1 1 ca(pl)  asf  W(ab,an) 18 0 0  "
      "a(ab) 3 0 0  a(an) 1 0 0  2  xNa 1 1 1 1 -1 ca(pl)  xCa 1 1 0 1 1 ca(pl)  "
      "ab 1 1 xNa 1 check 0  an 1 1 xCa 1 check 1\n";
  expectFaults({
      {"variable", withAll(kBinary, "x(ol)", "xol"), "setupphases",
       "name in varname not of form xyz(min) - xol in ol"},
      {"variable with a square bracket", withAll(kBinary, "x(ol)", "x[ol]"), "setupphases",
       "name in varname not of form xyz(min) - x[ol] in ol"},
      {"proportion", with(kBinary, "p(fo) 1", "p(fa) 1"), "setupphases",
       "name in propname, \"p(fa)\" does not match fo in ol"},
      {"size", with(asym, "a(ab) 3", "a(an) 3"), "setupphases",
       "name in alphaname, \"a(an)\" does not match \"ab\" in pl"},
      {"interaction without a comma", with(kBinary, "W(fo,fa)", "W(fofa)"), "setupphases",
       "W not strictsyntax? - W(fofa) in ol"},
      {"interaction", with(kBinary, "W(fo,fa)", "W(fo,q)"), "setupphases",
       "names in  W name, \"W(fo,q)\" do not match \"fo\" and \"fa\" in ol"},
  });
  AxRead relaxed;
  relaxed.read(with(kBinary, "W(fo,fa)", "Wfofa"), nullptr, false);
  EXPECT_EQ(relaxed.tables.solutionCount(), 1);
}

ScriptSettings changes(const std::string& keyword, const ParameterChange& change) {
  ScriptSettings s;
  (keyword == "mc" ? s.mc.items : s.nudge).push_back(change);
  return s;
}

TEST(AxFileFaults, ScriptAdjustments) {
  const std::string text = kBinary + "fodqf make 1 fo 1 DQF 1 0 0\n";
  static const std::vector<ScriptSettings> scripts = [] {
    std::vector<ScriptSettings> s;
    for (const char* kind : {"mc", "nudge"}) {
      s.push_back(changes(kind, {"gt", "W(fo,fa)", 'a', 1}));
      s.push_back(changes(kind, {"ol", "W(fo,q)", 'a', 1}));
      s.push_back(changes(kind, {"ol", "DQF(q)", 'a', 1}));
      s.push_back(changes(kind, {"fodqf", "W(fo,fa)", 'a', 1}));
      s.push_back(changes(kind, {"ol", "W(fo,fa)", 'd', 1}));
      s.push_back(changes(kind, {"ol", "DQF(fo)", 'd', 1}));
      s.push_back(changes(kind, {"fodqf", "DQF(fodqf)", 'x', 1}));
    }
    return s;
  }();
  const char* suffixes[] = {" (1)",
                            " (2a)",
                            " (2b)",
                            " (3)",
                            ": bad abc code (1)",
                            ": bad abc code (2)",
                            ": bad abc code (3)"};
  std::vector<Case> cases;
  for (std::size_t k = 0; k < scripts.size(); ++k) {
    const char* kind = k < 7 ? "mc" : "nudge";
    const ParameterChange& change = k < 7 ? scripts[k].mc.items[0] : scripts[k].nudge[0];
    cases.push_back({std::string(kind) + suffixes[k % 7], text, "setupphases",
                     std::string("finding kp in ") + kind + suffixes[k % 7] + " - " + change.phase +
                         " " + change.parameter,
                     nullptr, &scripts[k]});
  }
  static const ScriptSettings tooMany = [] {
    ScriptSettings s;
    std::vector<std::string> group = {"s1"};
    for (int k = 0; k < 9; ++k) group.push_back("c" + std::to_string(k));
    s.samecoding = {group};
    return s;
  }();
  cases.push_back({"samecoding past 60", solutions(52), "setupphases",
                   "too many ss phases (making samecoding phases)", nullptr, &tooMany});
  auto guesses = [](std::vector<XyzGuess> items) {
    ScriptSettings s;
    s.xyzguess = std::move(items);
    return s;
  };
  static const ScriptSettings unknown = guesses({{"x(opx)", 0.2L}});
  static const ScriptSettings small = guesses({{"x(ol)", -0.5L}});
  static const ScriptSettings large = guesses({{"x(ol)", 1.5L}});
  static const ScriptSettings partial = guesses({{"x(g)", 0.5L}});
  const std::string ranged = with(kBinary, "x(ol) 0.1", "x(ol) 0.1 range 0 1");
  const std::string ternary =
      "g 3 1  x(g) 0.2  z(g) 0.3  p(py) 1 1 1 2 -1 x(g) -1 z(g)  p(alm) 1 1 0 1 1 x(g)  "
      "p(gr) 1 1 0 1 1 z(g)  ideal  3  xMg 1 1 1 2 -1 x(g) -1 z(g)  xFe 1 1 0 1 1 x(g)  "
      "xCa 1 1 0 1 1 z(g)  py 1 1 xMg 3  alm 1 1 xFe 3  gr 1 1 xCa 3\n";
  cases.push_back({"xyzguess unknown", ranged, "setupphases",
                   "xyzguess names don't match: \"x(opx)\" is no variable of the a-x file", nullptr,
                   &unknown});
  cases.push_back({"xyzguess small", ranged, "setupphases", "guess too small for x(ol) in ol",
                   nullptr, &small});
  cases.push_back({"xyzguess large", ranged, "setupphases", "guess too large for x(ol) in ol",
                   nullptr, &large});
  cases.push_back({"xyzguess partial", ternary, "setupphases",
                   "xyzguess: wrong no of vars - 1 of 2 in g", nullptr, &partial});
  expectFaults(cases);
}

TEST(AxFileFaults, CompletionChecks) {
  // x starts at 0: no proportion vanishes, so three end-members are left with one variable
  const std::string wrongSize =
      "g 3 1  x(g) 0  z(g) 0.3  p(py) 1 1 1 1 -1 x(g)  p(alm) 1 1 0 2 1 x(g) -1 z(g)  "
      "p(gr) 1 1 0 1 1 z(g)  ideal  3  xMg 1 1 1 1 -1 x(g)  xFe 1 1 0 1 1 x(g)  "
      "xCa 1 1 0 1 1 z(g)  py 1 1 xMg 3  alm 1 1 xFe 3  gr 1 1 xCa 3\n";
  const std::string fluid =
      "fluid 2 1  x(fluid) 0.3  p(H2O) 1 1 1 1 -1 x(fluid)  p(CO2) 1 1 0 1 1 x(fluid)  ideal  2  "
      "xw 1 1 1 1 -1 x(fluid)  xc 1 1 0 1 1 x(fluid)  H2O 1 1 xw 1  CO2 1 1 xc 1\n";
  const std::string aq =
      "aq 2 1  x(aq) 0.3  p(H2O) 1 1 1 1 -1 x(aq)  p(CO2) 1 1 0 1 1 x(aq)  sf  W(H2O,CO2) 0 0 0  2 "
      " "
      "xw 1 1 1 1 -1 x(aq)  xc 1 1 0 1 1 x(aq)  H2O 1 1 xw 1  CO2 1 1 xc 1\n";
  const std::string aqSwap =
      with(with(with(aq, "H2O 1 1 xw 1  CO2 1 1 xc 1", "CO2 1 1 xw 1  H2O 1 1 xc 1"), "p(H2O) 1",
                "p(CO2) 1"),
           "p(CO2) 1 1 0", "p(H2O) 1 1 0");
  expectFaults({
      {"contraction", wrongSize, "setupphases", "contraction wrong size"},
      {"fluid species", with(with(fluid, "CO2 1 1 xc 1", "q 1 1 xc 1"), "p(CO2)", "p(q)"),
       "setupphases", "end-member name in fluid not recognised - q in fluid"},
      {"O2 fluid", with(with(fluid, "CO2 1 1 xc 1", "O2 1 1 xc 1"), "p(CO2)", "p(O2)"),
       "setupphases", "O2 not implemented in fluid coding - fluid"},
      {"methane in aq", withAll(aq, "CO2", "CH4"), "setupphases",
       "fluid name in aq not just H2O and CO2 - CH4 in aq"},
      {"aq without water first", aqSwap, "setupphases",
       "1st H2O-CO2 aq end-member must be \"H2O\" - aq"},
      {"W(H2O,CO2) given", with(aq, "W(H2O,CO2) 0 0 0", "W(H2O,CO2) 1 0 0"), "setupphases",
       "set W(H2O-CO2) = 0 (its value is then hard-wired) - aq"},
      {"water in a mineral", withAll(kBinary, "fa", "H2O"), "setupphases",
       "H2O not in fluid/aq - ol"},
      {"negative starting site fraction", with(kBinary, "x(ol) 0.1", "x(ol) 1.5"), "setupphases",
       "inconsistent initial guesses - ol"},
      {"ideal term 0 at a check", with(kBinary, "check 1", "check 0"), "setupphases",
       "ideal mixing term = 0 for fa in ol (check coding wrong?)"},
      {"ideal term not 1", with(kBinary, "fo 1 1 xMg 2", "fo 2 1 xMg 2"), "setupphases",
       " ideal mixing terms not equal to 1 for pure end-members (also check coding OK?)"},
      {"proportion not 1", with(kBinary, "p(fa) 1 1 0 1 1 x(ol)", "p(fa) 1 1 0 1 1/2 x(ol)"),
       "setupphases", "proportions not equal to 1 for pure end-members (also check coding OK?)"},
  });
}

TEST(AxFileFaults, TheCO2OfAnAqueousPhaseComesSecond) {
  const std::string aq3 =
      "aq 3 1  x(aq) 0.3  y(aq) 0.2  p(H2O) 1 1 1 2 -1 x(aq) -1 y(aq)  p(q) 1 1 0 1 1 x(aq)  "
      "p(CO2) 1 1 0 1 1 y(aq)  ideal  3  xw 1 1 1 2 -1 x(aq) -1 y(aq)  xq 1 1 0 1 1 x(aq)  "
      "xc 1 1 0 1 1 y(aq)  H2O 1 1 xw 1  q 1 1 xq 1  CO2 1 1 xc 1\n";
  expectFaults(
      {{"CO2 third", aq3, "setupphases", "2nd H2O-CO2 aq end-member must be \"CO2\" - aq"}});
}

}  // namespace
}  // namespace pf::testing
