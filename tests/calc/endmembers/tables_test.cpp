#include "calc/endmembers/tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "calc/thermo/gibbs.h"
#include "common/bomb.h"
#include "tables_support.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::datasetOf;
using testing::demoDataset;
using testing::Dialogue;
using testing::linesOf;
using testing::runOf;

constexpr const char* kSecond = "pf-t-a.txt";
constexpr const char* kResults = "pf-t-o.txt";

// A console with the results, log and second results files open.
struct TableRun : Dialogue {
  explicit TableRun(const std::string& answers = "") : Dialogue(answers) {
    io.openOutput(kOutfile, kResults, false);
    io.openOutput(kSecondFile, kSecond, false);
  }
  std::string results() { return files.contents[kResults]; }
  std::string second() { return files.contents[kSecond]; }
};

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string layoutAText() {
  return testing::readWholeFile(std::string(PF_TEST_DIR) + "/pf-ds2old.txt");
}

// Numbers of a table in the assignment syntax: the rows after `opening`.
std::vector<std::vector<Real>> gridOf(const std::string& text, const std::string& opening) {
  std::vector<std::string> lines = linesOf(text);
  std::vector<std::vector<Real>> rows;
  std::size_t i = 0;
  while (i < lines.size() && lines[i] != opening) ++i;
  for (++i; i < lines.size(); ++i) {
    std::string line = lines[i];
    bool rowStart = line.rfind("    {", 0) == 0;
    if (rowStart) rows.emplace_back();
    for (char& ch : line)
      if (ch == '{' || ch == '}' || ch == ',' || ch == ';') ch = ' ';
    std::istringstream numbers(line);
    for (long double x; numbers >> x;) rows.back().push_back(x);
    if (lines[i].size() >= 3 && lines[i].substr(lines[i].size() - 3) == "}};") break;
  }
  return rows;
}

// The printed rows of a main-output table under `title`: pressure first.
std::vector<std::vector<std::string>> printedTable(const std::string& text,
                                                   const std::string& title) {
  std::vector<std::string> lines = linesOf(text);
  std::vector<std::vector<std::string>> rows;
  std::size_t i = 0;
  while (i < lines.size() && lines[i] != title) ++i;
  for (i += 2; i < lines.size() && !lines[i].empty(); ++i) {
    std::istringstream fields(lines[i]);
    std::vector<std::string>& row = rows.emplace_back();
    for (std::string field; fields >> field;) row.push_back(field);
  }
  return rows;
}

TEST(PropertyTable, LayoutBNumbersAsTheReaderLeftThem) {
  // a solid, a liquid, a Landau and a Bragg-Williams end-member, and one made
  Dataset ds = demoDataset({"fo", "diL", "lrn", "sill", "mu"});
  RunEndMembers run = runOf(ds);
  run.em[5].slot[kMadeMark] = 1;
  TableRun t;
  propertyTable(t.io, run, tableSettings(ds));
  const std::string blank21(21, ' ');
  EXPECT_EQ(t.results(),
            "\n\nThermodynamic properties (units : kJ, K, kbar)\n"
            "(just the DQF given for \"make\" end-members)\n"
            "               H     sd(H)       S      V      a        b         c        d"
            "     a0  theta     K0    K0'     K0''    dK/dT     Tc   Smax   Vmax  aq cp\n"
            "fo         -2172.59   0.53   95.10  4.366 0.2333   0.1494    -603.8  -1.8697"
            "   2.85    531   1285   3.84  -0.0030         " +
                blank21 +
                "\n"
                "diL        -3193.87   0.66   42.10  7.288 0.3340        0         0        0"
                "   8.51           249   8.04  -0.0323  -0.0373" +
                blank21 +
                "\n"
                "lrn        -2306.92   0.85  127.60  5.160 0.2475  -0.3206         0  -2.0519"
                "   2.90    431    985   4.07  -0.0041            1710   10.0 0.0500\n"
                "sill       -2585.79   0.64   95.40  4.986 0.2802  -0.6900   -1375.7  -2.3994"
                "   1.12    579   1640   5.06  -0.0031         " +
                blank21 +
                "\n"
                "mu         -5976.51   2.73  292.00 14.083\n");
}

TEST(PropertyTable, LayoutAWithAndWithoutTheThirdExpansionTerm) {
  Dataset ds = datasetOf(layoutAText(), "pf-ds2old.txt", {"fo", "q"});
  ASSERT_EQ(ds.dsmode, 2);
  TableRun t;
  propertyTable(t.io, runOf(ds), tableSettings(ds));
  EXPECT_EQ(t.results(),
            "\n\nThermodynamic properties (units : kJ, K, kbar)\n"
            "               H     sd(H)       S      V      a        b         c        d"
            "     a1       a2       a3      K     K'    dK/dT     Tc   Smax   Vmax  aq cp\n"
            "fo         -2172.20   0.63   95.10  4.366 0.2333   0.1494    -603.8  -1.8697"
            "   2.85   1.2300   0.3471   1285   4.00  -0.1900" +
                std::string(21, ' ') +
                "\n"
                "q           -910.83   0.30   41.50  2.269 0.1107  -0.5189         0  -1.1283"
                "  0.650        0        0    750   4.00  -0.1000    848    5.0 0.1188\n");

  // the nine-value generation: alpha2 of 10, K' of 4, dK/dT from the bulk modulus
  Dataset nine = datasetOf(
      "1\nfo 2 1 1 5 2 10 4 0\n"
      "-2172.59 0.0951 4.366 0.2333 0.000001494 -603.8 -1.8697 0.0000285 1285 0\n"
      "0.25\n\nd\n",
      "pf-ds1.txt", {"fo"});
  TableRun n;
  propertyTable(n.io, runOf(nine), tableSettings(nine));
  std::vector<std::string> lines = linesOf(n.results());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[3],
            "               H     sd(H)       S      V      a        b         c        d"
            "     a1     a2      K     K'    dK/dT     Tc   Smax   Vmax  aq cp");
  EXPECT_EQ(lines[4],
            "fo         -2172.59   0.50   95.10  4.366 0.2333   0.1494    -603.8  -1.8697"
            "   2.85  10.00   1285   4.00  -0.1928" +
                std::string(21, ' '));
}

TEST(AssignmentBlock, StatementsPerEndMember) {
  Dataset ds = demoDataset({"fo", "q", "sill", "mu"});
  TableRun t;
  assignmentBlock(t.io, runOf(ds), tableSettings(ds));
  std::string a = t.second();
  EXPECT_EQ(linesOf(a)[0], "endmembers = {fo, q, sill, mu};");
  // components SiO2, Al2O3, MgO, K2O, O, H2O: K2O and Al2O3 make halves
  EXPECT_TRUE(has(a, "name[mu] ^= \"mu\";\ncomp[mu] ^= {3, 3/2, 0, 1/2, 12, 1};\n"));
  EXPECT_TRUE(has(a, "comp[fo] ^= {1, 0, 2, 0, 4, 0};\n"));
  EXPECT_TRUE(has(a,
                  "enthalpy[q] ^= -910.72;\nentropy[q] ^= 0.04143;\nvolume[q] ^= 2.269;\n"
                  "cpa[q] ^= 0.0929;\ncpb[q] ^= -0.0642 10^-5;\ncpc[q] ^= -714.9;\n"
                  "cpd[q] ^= -0.7161;\nalpha0[q] ^= 0 10^-5;\ntheta[q] ^= 525;\n"
                  "kappa0[q] ^= 730;\nkappa0p[q] ^= 6;\nkappa0pp[q] ^= -0.0082;\n"
                  "dkappa0dt[q] ^= 0;\nlandaut[q] ^= 847;\nsmax[q] ^= 0.00495;\n"
                  "vmax[q] ^= 0.1188;\nsfdh[q] ^= 0;\n"));
  EXPECT_TRUE(has(a,
                  "landaut[sill] ^= 0;\nsmax[sill] ^= -0.001;\nvmax[sill] ^= 0;\n"
                  "sfdh[sill] ^= 4.75;\nsfdhv[sill] ^= 0.01;\nsfw[sill] ^= 4.75;\n"
                  "sfwv[sill] ^= 0.01;\nsfn[sill] ^= 1;\nsffac[sill] ^= 0.25;\n"));
  EXPECT_TRUE(has(a, "entropy[fo] ^= 0.09510;\n"));
  EXPECT_TRUE(has(a, "sfn[fo] ^= 0;\nsffac[fo] ^= 0;\nname[q]"));

  Dataset old = datasetOf(layoutAText(), "pf-ds2old.txt", {"fo"});
  TableRun la;
  assignmentBlock(la.io, runOf(old), tableSettings(old));
  EXPECT_TRUE(has(la.second(),
                  "alpha1[fo] ^= 2.85 10^-5;\nalpha2[fo] ^= 1.23 10^-8;\nalpha3[fo] ^= 0.3471;\n"
                  "kappa[fo] ^= 1285;\nkappaprime[fo] ^= 4;\ndkappadT[fo] ^= -0.19;\n"));
}

// The reference energies, by end-member, pressure and temperature.
// Keyed by bar and centi-kelvin, so that no rounding of the file's decimals matters.
struct Reference {
  std::map<std::string, std::map<std::pair<long, long>, Real>> g;
  Real at(const std::string& name, Real p, Real t) const {
    return g.at(name).at({std::lround(p * 1000), std::lround(t * 100)});
  }
};
Reference referenceG() {
  std::ifstream in(std::string(PF_SOURCE_DIR) + "/tests/calc/thermo/reference-G.tsv");
  Reference ref;
  std::string header;
  std::getline(in, header);
  std::string name;
  long double p, t, g;
  while (in >> name >> p >> t >> g) ref.g[name][{std::lround(p * 1000), std::lround(t * 100)}] = g;
  return ref;
}

TEST(GTables, AgreeWithTheReferenceEnergiesWherePointsCoincide) {
  Reference ref = referenceG();
  std::vector<std::string> names;
  for (const auto& entry : ref.g) names.push_back(entry.first);
  Dataset ds = demoDataset(names);
  RunEndMembers run = runOf(ds);
  // 25.15 C is the reference 298.15 K; 0 kbar is 1 bar. The axes are out of step
  // (and unequal), so that a table written across instead of down cannot pass.
  TableRun t("0 5 20 40 7\n500 25.15 1200 800 650 300\n");
  gTables(t.io, run, tableSettings(ds), PTgrid(t.io));
  struct Point {
    int row, column;
    Real p, t;
  } points[] = {{0, 1, 0.001L, 298.15L}, {1, 0, 5, 773}, {2, 3, 20, 1073}, {3, 2, 40, 1473}};
  int compared = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    auto printed = printedTable(t.results(), "G(" + name + ")");
    auto precise = gridOf(t.second(), "G[" + name + "] ^= {");
    ASSERT_EQ(printed.size(), 5u);
    ASSERT_EQ(precise.size(), 5u);
    for (const Point& x : points) {
      Real expected = ref.at(name, x.p, x.t);
      EXPECT_EQ(printed[x.row][x.column + 1], realToText(expected, 2, Digits::fixed)) << x.row;
      EXPECT_NEAR(precise[x.row][x.column], expected, 0.6e-5L) << x.row;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 8 * 4);
  EXPECT_TRUE(has(t.second(),
                  "lp = {   0.001,   5.000,  20.000,  40.000,   7.000}\n"
                  "lt = {   500.0,    25.1,  1200.0,   800.0,   650.0,   300.0}\n"));
}

TEST(GTables, LongAxesContinueEveryTwelveValues) {
  Dataset ds = demoDataset({"ky"});
  TableRun t("1 25 2\n300 950 50\n");
  gTables(t.io, runOf(ds), tableSettings(ds), PTgrid(t.io));
  std::vector<std::string> a = linesOf(t.second());
  EXPECT_EQ(a[0],
            "lp = {   1.000,   3.000,   5.000,   7.000,   9.000,  11.000,  13.000,  15.000,"
            "  17.000,  19.000,  21.000,  23.000,");
  EXPECT_EQ(a[1], "        25.000}");
  EXPECT_EQ(a[2],
            "lt = {   300.0,   350.0,   400.0,   450.0,   500.0,   550.0,   600.0,   650.0,"
            "   700.0,   750.0,   800.0,   850.0,");
  EXPECT_EQ(a[3], "         900.0,   950.0}");
  EXPECT_EQ(a[4], "G[ky] ^= {");
  EXPECT_EQ(a[5].substr(0, 5), "    {");
  EXPECT_EQ(a[5].back(), ',');
  EXPECT_EQ(a[6].substr(0, 6), "      ");
  EXPECT_EQ(a[6].substr(a[6].size() - 2), "},");
  auto grid = gridOf(t.second(), "G[ky] ^= {");
  ASSERT_EQ(grid.size(), 13u);
  for (const auto& row : grid) EXPECT_EQ(row.size(), 14u);
  EXPECT_EQ(a.back().substr(a.back().size() - 3), "}};");
}

TEST(FluidTables, PitzerSternerWorkedValuesWithTheSixthGeneration) {
  Dataset ds = demoDataset({"fo"});
  ASSERT_TRUE(ds.ds6);
  TableRun t("1 5 10 20\n600 800 1000\n1 5 10 20\n600 800 1000\n");
  TableSettings settings = tableSettings(ds);
  fugacityTables(t.io, settings, PTgrid(t.io));
  volumeTables(t.io, settings, PTgrid(t.io));
  struct Point {
    int p, t;  // row and column of the grid
    Real h2oV, h2oRtlnf, co2V, co2Rtlnf;
  } points[] = {
      {1, 0, 2.226175229L, 58.08831052L, 4.348916838L, 74.89651514L},
      {3, 2, 1.798013199L, 124.1931646L, 3.113651466L, 161.7523558L},
      {0, 0, 4.762876618L, 46.9022286L, 9.694729941L, 51.85224344L},
      {2, 1, 2.052552781L, 86.59173066L, 3.697040852L, 110.8551292L},
  };
  auto rtlnfH2O = gridOf(t.second(), "rtlnfh2o = {");
  auto rtlnfCO2 = gridOf(t.second(), "rtlnfco2 = {");
  auto vH2O = gridOf(t.second(), "vh2o = {");
  auto vCO2 = gridOf(t.second(), "vco2 = {");
  auto printedH2O = printedTable(t.results(), "RT ln f(H2O)");
  auto printedVCO2 = printedTable(t.results(), "V(CO2)");
  for (const Point& x : points) {
    SCOPED_TRACE(std::to_string(x.p) + " " + std::to_string(x.t));
    EXPECT_NEAR(rtlnfH2O[x.p][x.t], x.h2oRtlnf, 1e-5L);
    EXPECT_NEAR(rtlnfCO2[x.p][x.t], x.co2Rtlnf, 1e-5L);
    EXPECT_NEAR(vH2O[x.p][x.t], x.h2oV, 1e-5L);
    EXPECT_NEAR(vCO2[x.p][x.t], x.co2V, 1e-5L);
    EXPECT_EQ(printedH2O[x.p][x.t + 1], realToText(x.h2oRtlnf, 3, Digits::fixed));
    EXPECT_EQ(printedVCO2[x.p][x.t + 1], realToText(x.co2V, 3, Digits::fixed));
  }
  for (const char* title :
       {"RT ln f(CO2)", "RT ln f(CH4)", "RT ln f(H2)", "RT ln f(H2S)", "RT ln f(S2)", "V(CO2)"})
    EXPECT_TRUE(has(t.results(), std::string("same PT grid\n") + title + "\n")) << title;
  EXPECT_TRUE(has(t.results(), "RT ln f(H2O)\n    kbar     600     800    1000\n     1.0  46.902"));
}

TEST(FluidTables, CorkForOlderGenerationsAndVolumesAsPressureSlopes) {
  Dataset old = datasetOf(layoutAText(), "pf-ds2old.txt", {"fo"});
  ASSERT_FALSE(old.ds6);
  TableRun t("5 20\n600 1000\n5 20\n600 1000\n");
  TableSettings settings = tableSettings(old);
  fugacityTables(t.io, settings, PTgrid(t.io));
  volumeTables(t.io, settings, PTgrid(t.io));
  auto rtlnf = gridOf(t.second(), "rtlnfco2 = {");
  auto v = gridOf(t.second(), "vco2 = {");
  EXPECT_NEAR(rtlnf[0][0], 75.047L, 1e-3L);
  EXPECT_NEAR(v[0][0], 4.4096L, 1e-4L);
  EXPECT_NEAR(rtlnf[1][1], 161.268L, 1e-3L);
  EXPECT_NEAR(v[1][1], 3.0713L, 1e-4L);

  // the other fluids have no volume table: their fugacity's pressure slope is the volume
  TableRun s("4.99 5.01\n600\n");
  fugacityTables(s.io, settings, PTgrid(s.io));
  struct Fluid {
    const char* key;
    Real volume;  // at 600 C and 5 kbar
  } fluids[] = {{"rtlnfch4 = {", 4.390216L},
                {"rtlnfh2 = {", 3.258070L},
                {"rtlnfh2s = {", 4.329754L},
                {"rtlnfs2 = {", 3.762102L}};
  for (const Fluid& f : fluids) {
    auto g = gridOf(s.second(), f.key);
    EXPECT_NEAR((g[1][0] - g[0][0]) / 0.02L, f.volume, 1e-3L) << f.key;
  }
}

// dG of a reaction from the end-members' own energies.
Real reactionG(Io& io, const RunEndMembers& run, const std::vector<int>& nu, Real p, Real t,
               const GibbsSettings& settings) {
  Real dg = 0;
  for (int e = 1; e <= run.count(); ++e)
    if (nu[e] != 0) dg += nu[e] * gem(io, run.em[e], p, t, settings);
  return dg;
}

TEST(LinearisedReactions, ReproduceDeltaGAndItsSlopes) {
  Dataset ds = demoDataset({"mu", "q", "san", "sill", "H2O", "ab", "jd", "ky"});
  RunEndMembers run = runOf(ds);
  TableSettings settings = tableSettings(ds);
  const std::vector<std::vector<int>> reactions = {
      {0, -1, -1, 1, 1, 1, 0, 0, 0},  // mu + q = san + sill + H2O
      {0, 0, 1, 0, 0, 0, -1, 1, 0},   // ab = jd + q
      {0, 0, 0, 0, 1, 0, 0, 0, -1},   // ky = sill
  };
  const Real p = 6.3L, t = 637.4L + 273;
  Dialogue d;
  for (const auto& nu : reactions) {
    LinearisedReaction line = linearise(d.io, run, nu, p, t, settings.gibbs);
    Real dg = reactionG(d.io, run, nu, p, t, settings.gibbs);
    EXPECT_NEAR(line.a + line.b * t + line.c * p, dg, 1e-9L);
    const Real ht = 0.01L, hp = 0.0001L;
    Real dgdt = (reactionG(d.io, run, nu, p, t + ht, settings.gibbs) -
                 reactionG(d.io, run, nu, p, t - ht, settings.gibbs)) /
                (2 * ht);
    Real dgdp = (reactionG(d.io, run, nu, p + hp, t, settings.gibbs) -
                 reactionG(d.io, run, nu, p - hp, t, settings.gibbs)) /
                (2 * hp);
    EXPECT_NEAR(line.b, dgdt, 1e-6L);
    EXPECT_NEAR(line.c, dgdp, 1e-5L);
  }
}

TEST(LinearisedReactions, TableAndSecondFileLayout) {
  Dataset ds = demoDataset({"ky", "sill", "and"});
  RunEndMembers run = runOf(ds);
  TableRun t;
  reactionTable(t.io, run, tableSettings(ds), {{0, -1, 1, 0}, {0, -1, 0, 1}}, 5, 873);
  std::vector<std::string> lines = linesOf(t.results());
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[2], "Thermodynamics of reactions (delta G^0 = a + bT + cP)");
  EXPECT_EQ(lines[3], "(PT about which thermodynamics linearised");
  EXPECT_EQ(lines[4], "(a, b and c includes fluid fugacities, at P = 5 kbar and T = 600");
  EXPECT_EQ(lines[6], "        ky sill  and         a         b         c");
  // a to four significant figures, b and c to fixed decimals
  EXPECT_EQ(lines[7], "        -1    1          6.828  -0.01135     0.547");
  EXPECT_EQ(lines[8].substr(0, 25), "        -1         1     ");
  std::vector<std::string> a = linesOf(t.second());
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[1], "(* reaction thermo linearised at P = 5 kbar and T = 600 *)");
  EXPECT_EQ(a[2].substr(0, 17), "{{{-1, 1, 0}, 6.8");
  EXPECT_EQ(a[3].substr(0, 14), " {{-1, 0, 1}, ");
  EXPECT_EQ(a[3].substr(a[3].size() - 3), "}};");

  // no reactions: nothing to linearise, so nothing is asked
  TableRun none;
  linearisedReactions(none.io, run, tableSettings(ds), {});
  EXPECT_EQ(none.console(), "\nNo reactions...\n");
}

TEST(LinearisedReactions, PointAtOrBelowZeroIsAskedAgain) {
  Dialogue d("-1 600\n5 -300\n0\n500\n");
  TablePoint point = askLinearisationPoint(d.io);
  EXPECT_EQ(point.p, 0.001L);
  EXPECT_EQ(point.t, 773);
  std::string console = d.console();
  std::size_t first = console.find("P must be above 0 kbar and T above -273");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(console.find("P must be above 0 kbar", first + 1), std::string::npos);
}

TEST(TablesMode, QuestionsInOrderAndTablesOnYes) {
  Dataset ds = demoDataset({"ky", "sill"});
  RunEndMembers run = runOf(ds);
  int finderCalls = 0;
  ReactionFinder finder = [&](Io&, const RunEndMembers& r) {
    ++finderCalls;
    EXPECT_EQ(r.count(), 2);
    return ReactionRows{{0, -1, 1}};
  };
  // no to everything: the property table and the assignment block only
  TableRun quiet("n\nn\nn\nn\n");
  runTables(quiet.io, run, tableSettings(ds), finder);
  EXPECT_EQ(finderCalls, 0);
  EXPECT_TRUE(has(quiet.console(),
                  "G tables ? linearised reaction thermo ? H2O and CO2 fugacity tables ? "
                  "H2O and CO2 volume tables ? "));
  EXPECT_TRUE(has(quiet.log(), "G tables ? no\nlinearised reaction thermo ? no\n"));
  EXPECT_TRUE(has(quiet.second(), "endmembers = {ky, sill};\n"));
  EXPECT_FALSE(has(quiet.results(), "G(ky)"));

  // yes to everything, answered as a petrologist would
  TableRun all("y\n2 4\n500\ny\n4 550\ny\n2\n600\ny\n\n\n");
  runTables(all.io, run, tableSettings(ds), finder);
  EXPECT_EQ(finderCalls, 1);
  std::string out = all.results();
  for (const char* part :
       {"G(ky)\n", "G(sill)\n", "Thermodynamics of reactions", "RT ln f(S2)\n", "V(CO2)\n"})
    EXPECT_TRUE(has(out, part)) << part;
  EXPECT_TRUE(has(all.second(), "(* reaction thermo linearised at P = 4 kbar and T = 550 *)"));
  EXPECT_TRUE(has(all.second(), "vlp = {   5.000}\nvlt = {     5.0}\n"));

  // without a second results file no assignments are written anywhere
  Dialogue plain("n\nn\nn\nn\n");
  runTables(plain.io, run, tableSettings(ds), finder);
  EXPECT_FALSE(has(plain.log(), "^="));
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

TEST(TablesRobustness, ExtremeAxesGiveATableOrAClearStop) {
  Dataset ds = demoDataset({"fo", "q", "ab", "diL", "H2O"});
  RunEndMembers run = runOf(ds);
  TableSettings settings = tableSettings(ds);
  const char* axes[] = {"1e30\n500\n", "5\n1e30\n", "1e-30\n500\n", "5\n-272.9999\n",
                        "1e4000\n1e4000\n"};
  for (const char* answer : axes) {
    for (int kind = 0; kind < 3; ++kind) {
      SCOPED_TRACE(std::string(answer) + " " + std::to_string(kind));
      TableRun t(answer);
      try {
        TableAxes grid = PTgrid(t.io);
        if (kind == 0) gTables(t.io, run, settings, grid);
        if (kind == 1) fugacityTables(t.io, settings, grid);
        if (kind == 2) volumeTables(t.io, settings, grid);
      } catch (const Bombed& fault) {
        EXPECT_FALSE(fault.message.empty());
      }
    }
  }
}

}  // namespace
}  // namespace pf
