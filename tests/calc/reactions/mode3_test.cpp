// Whole mode-3 conversations on the demo dataset, checked against the
// end-member Gibbs energies: every printed point of a reaction line, the
// printed invariant point, its uncertainty, and the orientation.
#include "calc/reactions/mode3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>

#include "calc/settings/calc_codes.h"
#include "plot/eps.h"
#include "tests/calc/reactions/demo_system.h"
#include "tests/calc/settings/dialogue.h"
#include "tests/plot/plot_fixture.h"

namespace pf {
namespace {

using testing::DemoSystem;
using testing::Dialogue;
using testing::scriptOf;

double d(Real x) {
  return static_cast<double>(x);
}

const std::vector<std::string> kGrid = {"ky", "sill", "and", "q", "coe", "ab", "jd", "cc", "arag"};

// One mode-3 pass: the window set up from the script and the answers, then
// the calculation.
struct Pass {
  DemoSystem s;
  Dialogue d;
  WindowState w;
  ScriptSettings script;
  ReactionsChoice choice;
  ReactionsResult result;

  Pass(const std::vector<std::string>& names, int diagrammode, const std::string& scriptText,
       const std::string& answers, const std::string& fluid = "", const std::string& axis = "",
       const std::vector<std::pair<Real, Real>>& activities = {})
      : s(testing::demoSystem(names)), d(answers), script(scriptOf(scriptText)) {
    for (std::size_t e = 0; e < activities.size(); ++e) {
      s.run.activity[e + 1] = activities[e].first;
      s.run.sdActivity[e + 1] = activities[e].second;
    }
    d.io.openOutput(kOutfile, "pf-grid-o.txt", false);
    d.io.openOutput(kOfile, "pf-grid-px.txt", false);
    w.calcCode = kCalcReactions;
    w.diagrammode = diagrammode;
    if (diagrammode == kDiagramPX || diagrammode == kDiagramTX)
      w.fluid.fluidtype = kFluidMoleFractions;
    FluidPresence presence;
    for (const std::string& n : names) {
      presence.h2o = presence.h2o || n == "H2O";
      presence.co2 = presence.co2 || n == "CO2";
    }
    w.lnaName = axis;
    for (int e = 1; e <= s.run.count(); ++e)
      if (s.run.names[e] == axis) choice.axisEndMember = e;
    diagramwindowsetup(d.io, w, script, true, 1, fluid, presence);
    result = reactionsmode(d.io, s.run, w, script, s.settings, choice);
  }
  std::string results() { return d.files.contents["pf-grid-o.txt"]; }
  std::string drawing() { return d.files.contents["pf-grid-px.txt"]; }
  int reactionNamed(const std::string& eqn) const {
    for (std::size_t k = 0; k < result.lines.size(); ++k)
      if (equation(result.lines[k].reaction, s.run.names) == eqn) return static_cast<int>(k);
    return -1;
  }
};

// dG of the reaction from the thermodynamics library alone, with the fluid
// and the activities given here.
ReactionThermo dgAt(const DemoSystem& s, const Reaction& r, Real P, Real T, Real xco2 = 0,
                    Real xh2o = 0, std::vector<Real> activity = {}, bool moleFractions = false) {
  Console console;
  std::vector<EndMember> em = s.run.em;
  if (activity.empty()) activity = s.run.activity;
  GibbsSettings settings = s.settings;
  settings.fluidByMoleFractions = moleFractions;
  return reactionAtPoint(console.io, em, r, activity, xco2, xh2o, P, T, settings);
}

struct PrintedRow {
  std::string eqn;
  Real stepped = 0;  // as printed
  Real root = 0;     // as printed
  int decimals = 0;  // of the root
};

// The rows "for <variable> = <value> ... <root>" under each "Temperatures
// for"/"Pressures for" line whose root is a number.
std::vector<PrintedRow> printedRows(const std::string& text) {
  std::vector<PrintedRow> rows;
  std::istringstream in(text);
  std::string line, eqn;
  std::regex heading("^(Temperatures|Pressures) for (.*) in the range .*$");
  std::regex row("^for .*= *(-?[0-9.]+)( kbar)? +(-?[0-9]+(\\.([0-9]+))?)( .*)?$");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, heading)) {
      eqn = m[2];
    } else if (!eqn.empty() && std::regex_match(line, m, row)) {
      rows.push_back({eqn, std::stold(m[1]), std::stold(m[3]), static_cast<int>(m[5].length())});
    } else if (line.rfind("for ", 0) != 0) {
      if (line.rfind("uncertainties", 0) == 0 || line.empty()) eqn.clear();
    }
  }
  return rows;
}

Real halfUnit(int decimals) {
  return 0.5L * std::pow(10.0L, -decimals) + 1e-9L;
}

const std::string kPTScript =
    "setTwindow 400 800\nsetPwindow 1 20\nsetPinterval 1\ncalctatp yes\ndoallr no\n";

TEST(ReactionsMode, PressureTemperatureGridMatchesTheGibbsEnergies) {
  Pass pass(kGrid, kDiagramPT, kPTScript, "");
  std::string out = pass.d.console();
  EXPECT_NE(out.find("pressure-temperature calculations\nUnit activities"), std::string::npos);
  EXPECT_NE(out.find("no of reactions =7, no of intersections =17"), std::string::npos);
  std::vector<PrintedRow> rows = printedRows(out);
  std::map<std::string, int> checked;
  for (const PrintedRow& row : rows) {
    int k = pass.reactionNamed(row.eqn);
    ASSERT_GE(k, 0) << row.eqn;
    Real T = row.root + kCelsius;
    ReactionThermo at = dgAt(pass.s, pass.result.lines[k].reaction, row.stepped, T);
    EXPECT_LE(std::fabs(at.dg), std::fabs(at.dgdt) * halfUnit(row.decimals))
        << row.eqn << " at " << d(row.stepped) << " kbar";
    ++checked[row.eqn];
  }
  // ky = sill, ky = and, and = sill, cc = arag and the jadeite reactions all show
  for (const char* eqn :
       {"ky = sill", "ky = and", "and = sill", "arag = cc", "q + jd = ab", "coe + jd = ab"})
    EXPECT_GE(checked[eqn], 5) << eqn;
  // results file and log carry the tables too
  EXPECT_NE(pass.results().find("Temperatures for ky = sill in the range 400.0 <-> 800.0"),
            std::string::npos);
  EXPECT_NE(pass.d.log().find("Temperatures for ky = sill"), std::string::npos);
  EXPECT_EQ(out.find("nan"), std::string::npos);
}

TEST(ReactionsMode, PressuresAtGivenTemperaturesMatchTheGibbsEnergies) {
  Pass pass({"ky", "sill", "and", "q", "coe"}, kDiagramPT,
            "setTwindow 300 900\nsetPwindow 0.5 40\nsetTinterval 50\ncalctatp no\ndoallr yes\n",
            "");
  std::string out = pass.d.console();
  EXPECT_NE(out.find("Prsessures"), std::string::npos);
  EXPECT_EQ(out.find("intersections for"), std::string::npos);  // all reactions: none sought
  EXPECT_EQ(out.find("Stability of reactions"), std::string::npos);
  int checked = 0;
  for (const PrintedRow& row : printedRows(out)) {
    int k = pass.reactionNamed(row.eqn);
    ASSERT_GE(k, 0) << row.eqn;
    ReactionThermo at =
        dgAt(pass.s, pass.result.lines[k].reaction, row.root, row.stepped + kCelsius);
    EXPECT_LE(std::fabs(at.dg), std::fabs(at.dgdp) * halfUnit(row.decimals)) << row.eqn;
    ++checked;
  }
  EXPECT_GT(checked, 20);
  // q = coe shows at high pressure here
  EXPECT_NE(out.find("Pressures for coe = q in the range 0.50 <-> 40.00 kbar;"), std::string::npos);
}

// sd(a) and sd(ln K) of a pair of reactions: the dataset's enthalpy
// covariance and the activities' var(ln a) = (sd(a)/a)^2, worked out here.
Real enthalpyCov(const DemoSystem& s, const Reaction& a, const Reaction& b) {
  Real sum = 0;
  for (int p = 1; p <= s.run.count(); ++p)
    for (int q = 1; q <= s.run.count(); ++q) sum += a[p] * b[q] * s.ds.covariance(p, q);
  return sum;
}
Real lnKCov(const DemoSystem& s, const Reaction& a, const Reaction& b) {
  Real sum = 0;
  for (int e = 1; e <= s.run.count(); ++e) {
    Real sdln = s.run.sdActivity[e] / s.run.activity[e];
    sum += a[e] * b[e] * sdln * sdln;
  }
  return sum;
}

TEST(ReactionsMode, TriplePointSatisfiesItsReactionsWithPropagatedUncertainty) {
  const std::vector<std::pair<Real, Real>> cases[] = {
      {},                                 // unit activities
      {{1, 0}, {0.97L, 0.071L}, {1, 0}},  // sillimanite diluted, with an uncertainty
  };
  for (const auto& activities : cases) {
    Pass pass({"ky", "sill", "and", "q", "coe"}, kDiagramPT, kPTScript, "", "", "", activities);
    std::string out = pass.d.console();
    std::smatch m;
    std::regex point(
        "i1 : ky sill and\n(?:.*\n){3}P = ([0-9.]+) kbar \\(sd = ([0-9.]+)\\),  T = ([0-9.]+) "
        "\\(sd = ([0-9.]+)\\),  \\(cor = (-?[0-9.]+)\\)");
    ASSERT_TRUE(std::regex_search(out, m, point)) << out;
    Real P = std::stold(m[1]), sdP = std::stold(m[2]), T = std::stold(m[3]) + kCelsius;
    Real sdT = std::stold(m[4]), cor = std::stold(m[5]);
    const DemoSystem& s = pass.s;
    int ky = pass.reactionNamed("ky = sill"), kya = pass.reactionNamed("ky = and");
    int as = pass.reactionNamed("and = sill");
    ASSERT_TRUE(ky >= 0 && kya >= 0 && as >= 0);
    for (int k : {ky, kya, as}) {
      ReactionThermo at = dgAt(s, pass.result.lines[k].reaction, P, T);
      EXPECT_LE(std::fabs(at.dg), std::fabs(at.dgdp) * 0.005L + std::fabs(at.dgdt) * 0.05L) << k;
    }
    // derivatives by central differences, Cov = J^-1 C J^-T
    const Reaction& r1 = pass.result.lines[ky].reaction;
    const Reaction& r2 = pass.result.lines[kya].reaction;
    auto dg = [&](const Reaction& r, Real p, Real t) { return dgAt(s, r, p, t).dg; };
    Real hT = 0.01L, hP = 0.0001L;
    Real a11 = (dg(r1, P, T + hT) - dg(r1, P, T - hT)) / (2 * hT);
    Real a12 = (dg(r1, P + hP, T) - dg(r1, P - hP, T)) / (2 * hP);
    Real a21 = (dg(r2, P, T + hT) - dg(r2, P, T - hT)) / (2 * hT);
    Real a22 = (dg(r2, P + hP, T) - dg(r2, P - hP, T)) / (2 * hP);
    Real rt2 = kGasConstant * T * kGasConstant * T;
    Real c11 = enthalpyCov(s, r1, r1) + rt2 * lnKCov(s, r1, r1);
    Real c12 = enthalpyCov(s, r1, r2) + rt2 * lnKCov(s, r1, r2);
    Real c22 = enthalpyCov(s, r2, r2) + rt2 * lnKCov(s, r2, r2);
    Real det = a11 * a22 - a12 * a21;
    Real i11 = a22 / det, i12 = -a12 / det, i21 = -a21 / det, i22 = a11 / det;
    Real vT = i11 * i11 * c11 + 2 * i11 * i12 * c12 + i12 * i12 * c22;
    Real vP = i21 * i21 * c11 + 2 * i21 * i22 * c12 + i22 * i22 * c22;
    Real vTP = i11 * i21 * c11 + (i11 * i22 + i12 * i21) * c12 + i12 * i22 * c22;
    EXPECT_NEAR(d(sdT), d(std::sqrt(vT)), 0.05 + 1e-6);
    EXPECT_NEAR(d(sdP), d(std::sqrt(vP)), 0.0005 + 1e-6);
    EXPECT_NEAR(d(cor), d(vTP / std::sqrt(vT * vP)), 0.0005 + 1e-6);
    EXPECT_GT(sdT, 1);  // a real uncertainty, not a zero from a missing covariance
  }
}

TEST(ReactionsMode, ActivitiesAndTheUncertaintyOfTheCalculatedVariable) {
  Pass pass({"ky", "sill", "and"}, kDiagramPT, kPTScript, "", "", "",
            {{1, 0}, {0.83L, 0.071L}, {1, 0}});
  std::string out = pass.d.console();
  EXPECT_NE(out.find("Unit activities except :\nname             a sd(ln a)\n"
                     "sill         0.830  0.08554\n"),
            std::string::npos)
      << out;
  // ky = sill near its middle point: sd(T) = sqrt(sd(a)^2 + (RT sd(ln K))^2) / |d(dG)/dT|
  int k = pass.reactionNamed("ky = sill");
  ASSERT_GE(k, 0);
  const ReactionLine& line = pass.result.lines[k];
  std::smatch m;
  std::regex near("uncertainties at or near ([0-9.]+) kbars : sd\\(T\\) = ([0-9.]+)");
  std::string block = out.substr(out.find("Temperatures for ky = sill"));
  ASSERT_TRUE(std::regex_search(block, m, near));
  Real P = std::stold(m[1]);
  EXPECT_EQ(P, line.at.P);
  Real T = line.at.T;
  Real h = 0.01L;
  Real slope = (dgAt(pass.s, line.reaction, P, T + h, 0, 0).dg -
                dgAt(pass.s, line.reaction, P, T - h, 0, 0).dg) /
               (2 * h);
  Real rt = kGasConstant * T;
  Real expected = std::sqrt(enthalpyCov(pass.s, line.reaction, line.reaction) +
                            rt * rt * lnKCov(pass.s, line.reaction, line.reaction)) /
                  std::fabs(slope);
  EXPECT_NEAR(d(std::stold(m[2])), d(expected), 0.05 + 1e-6);
  // ln K = ln a(sill) with sill a product
  EXPECT_NEAR(d(line.lnK), d(std::log(0.83L)), 1e-12);
  // four or more non-unit activities are printed across
  Pass across({"ky", "sill", "and", "q", "coe"}, kDiagramPT, kPTScript, "", "", "",
              {{0.9L, 0.01L}, {0.8L, 0.02L}, {0.7L, 0.03L}, {0.6L, 0.04L}, {1, 0}});
  EXPECT_NE(across.d.console().find("name            ky     sill      and        q\n"
                                    "a            0.900    0.800    0.700    0.600\n"
                                    "sd(ln a)   0.01111  0.02500  0.04286  0.06667\n"),
            std::string::npos)
      << across.d.console();
}

TEST(ReactionsMode, ReactionsAreOrientedWithProductsOnTheHighSide) {
  Pass pt(kGrid, kDiagramPT, kPTScript, "");
  Pass tx({"cc", "q", "wo", "CO2"}, kDiagramTX, "", "400 900 0.05 0.95\ny\n2\n0\n", "CO2");
  Pass px({"cc", "arag", "q", "coe"}, kDiagramPX, "", "1 30 0.1 0.9\ny\n600\n1\n", "CO2");
  for (Pass* pass : {&pt, &tx, &px}) {
    bool highP = pass->w.diagrammode == kDiagramPX;
    ASSERT_FALSE(pass->result.lines.empty());
    for (const ReactionLine& line : pass->result.lines) {
      DiagramPoint p = line.at;
      if (highP) {
        p.P += 0.2L;
      } else {
        p.T += 5;
      }
      bool fluidAxis = pass->w.diagrammode == kDiagramTX || pass->w.diagrammode == kDiagramPX;
      Real x = fluidAxis ? p.x : pass->w.fluid.co2;
      Real y = fluidAxis ? 1 - p.x : pass->w.fluid.h2o;
      ReactionThermo shifted = dgAt(pass->s, line.reaction, p.P, p.T, x, y, {}, fluidAxis);
      ReactionThermo on = dgAt(pass->s, line.reaction, line.at.P, line.at.T, x, y, {}, fluidAxis);
      EXPECT_LT(shifted.dg - on.dg, 0) << equation(line.reaction, pass->s.run.names);
    }
  }
  // the decarbonation gives off CO2 on heating
  EXPECT_NE(tx.d.console().find("1)  cc + q = wo + CO2"), std::string::npos);
}

TEST(ReactionsMode, FluidAndActivityDiagramsMatchTheGibbsEnergies) {
  // T-x(CO2) at 2 kbar: x(H2O) = 1 - x(CO2), the fluid mixing in G
  Pass tx({"cc", "q", "wo", "CO2"}, kDiagramTX, "", "400 900 0.05 0.95\ny\n2\n0\n", "CO2");
  const Reaction& decarbonation = tx.result.lines.at(0).reaction;
  int checked = 0;
  for (const PrintedRow& row : printedRows(tx.d.console())) {
    ReactionThermo at =
        dgAt(tx.s, decarbonation, 2, row.root + kCelsius, row.stepped, 1 - row.stepped, {}, true);
    EXPECT_LE(std::fabs(at.dg), std::fabs(at.dgdt) * halfUnit(row.decimals)) << d(row.stepped);
    ++checked;
  }
  EXPECT_EQ(checked, 8);
  EXPECT_NE(tx.d.console().find("temperature-x(CO2) calculations"), std::string::npos);

  // T-log a(CO2) at 2 kbar: the activity through ln K here, through the
  // axis end-member's entropy in the calculation
  Pass ta({"cc", "q", "wo", "CO2"}, kDiagramTlna, "", "y\n400 900 -3 0\n0.5\n2\n0\n", "", "CO2");
  checked = 0;
  for (const PrintedRow& row : printedRows(ta.d.console())) {
    std::vector<Real> activity = ta.s.run.activity;
    activity[4] = std::pow(10.0L, row.stepped);
    ReactionThermo at =
        dgAt(ta.s, ta.result.lines.at(0).reaction, 2, row.root + kCelsius, 1, 0, activity);
    EXPECT_LE(std::fabs(at.dg), std::fabs(at.dgdt) * halfUnit(row.decimals)) << d(row.stepped);
    ++checked;
  }
  EXPECT_GE(checked, 3);
  EXPECT_NE(ta.d.console().find("for log a(CO2) = -1.00"), std::string::npos);
}

// T-mu(H2O): brucite = periclase + H2O with the water as a "mu phase" whose
// G is the axis value.
TEST(ReactionsMode, ChemicalPotentialDiagramMatchesTheGibbsEnergies) {
  DemoSystem s = testing::demoSystem({"br", "per"});
  EndMember mu;
  mu.name = "H2O";
  s.run.names.push_back("H2O");
  s.run.em.push_back(mu);
  s.run.activity.push_back(1);
  s.run.sdActivity.push_back(0);
  s.run.cov.assign(16, 0);
  for (std::size_t c = 1; c < s.run.comp.size(); ++c)
    s.run.comp[c].push_back(s.run.componentNames[c] == "H2O" ? 2 : 0);
  Console console;
  auto gap = [&](Real T) {
    return gem(console.io, s.run.em[1], 1, T, s.settings) -
           gem(console.io, s.run.em[2], 1, T, s.settings);
  };
  // mu(H2O) along the line at 400 and 700 C sets the window
  Real high = std::round(d(gap(400 + kCelsius))), low = std::round(d(gap(700 + kCelsius)));
  std::string answers = "200 900 " + realToText(low, 0, Digits::fixed) + " " +
                        realToText(high, 0, Digits::fixed) + "\n10\n1\n1\n";
  Dialogue dialogue(answers);
  WindowState w;
  w.calcCode = kCalcReactions;
  w.diagrammode = kDiagramTmu;
  w.muName = "H2O";
  ScriptSettings script = scriptDefaults();
  diagramwindowsetup(dialogue.io, w, script, true, 1, "", FluidPresence{});
  ReactionsChoice choice;
  choice.axisEndMember = 3;
  ReactionsResult result = reactionsmode(dialogue.io, s.run, w, script, s.settings, choice);
  ASSERT_EQ(result.lines.size(), 1u);
  std::string out = dialogue.console();
  EXPECT_NE(out.find("temperature-\xB5(H2O)"), std::string::npos) << out;
  int checked = 0;
  for (const PrintedRow& row : printedRows(out)) {
    Real T = row.root + kCelsius;
    Real dg = gap(T) - row.stepped;  // br = per + H2O, either way round
    Real slope = (gap(T + 0.01L) - gap(T - 0.01L)) / 0.02L;
    EXPECT_LE(std::fabs(dg), std::fabs(slope) * halfUnit(row.decimals)) << d(row.stepped);
    ++checked;
  }
  EXPECT_GE(checked, 4) << out;
}

TEST(ReactionsMode, StabilityOfReactionsOutsideIntersections) {
  Pass pass(kGrid, kDiagramPT, kPTScript, "");
  std::string out = pass.d.console();
  // q = coe lies above 20 kbar here: never in the window
  EXPECT_NE(out.find("1)  coe = q                               *not known*"), std::string::npos);
  EXPECT_NE(out.find("arag = cc                             <= stable =>"), std::string::npos);
  // jadeite with coesite is metastable below the q = coe line
  EXPECT_NE(out.find("coe + jd = ab                         metastable"), std::string::npos);
  // the triple point's reactions are in an intersection: no stability line
  EXPECT_EQ(out.find("ky = sill                             "), std::string::npos);
}

TEST(ReactionsMode, EmptyWindowsAndDegenerateSystemsGiveMessagesNotNumbers) {
  // a window no reaction enters
  Pass empty(kGrid, kDiagramPT,
             "setTwindow 500 600\nsetPwindow 0.1 0.5\nsetPinterval 0.1\ncalctatp yes\ndoallr no\n",
             "");
  std::string out = empty.d.console();
  EXPECT_NE(out.find("sorry, none in the window"), std::string::npos);
  EXPECT_EQ(out.find("<= stable =>"), std::string::npos);
  EXPECT_EQ(out.find("nan"), std::string::npos);
  EXPECT_EQ(out.find("inf"), std::string::npos);
  // one end-member: no reactions, no tables
  Pass lone({"q"}, kDiagramPT, kPTScript, "");
  EXPECT_NE(lone.d.console().find("no reactions with less than 2 phases?!"), std::string::npos);
  EXPECT_NE(lone.d.console().find("** no reactions"), std::string::npos);
  EXPECT_EQ(lone.d.console().find("Temperatures"), std::string::npos);
}

TEST(ReactionsMode, ParallelLinesAreNotAnIntersection) {
  Pass pass(kGrid, kDiagramPT, kPTScript, "");
  ReactionContext c(pass.d.io, pass.s.run, pass.w, pass.s.settings);
  int ky = pass.reactionNamed("ky = sill");
  std::vector<ReactionLine> lines = {pass.result.lines[ky], pass.result.lines[ky]};
  std::vector<IntersectionPoint> points(1);
  points[0].members.phases = {1, 2};
  points[0].members.reactions = {0, 1};
  Dialogue d;
  intersections(d.io, c, ReactionsChoice{}, lines, points);
  EXPECT_FALSE(points[0].converged);
  EXPECT_NE(d.console().find("<== calculation not converged ==>"), std::string::npos);
  EXPECT_EQ(d.console().find("nan"), std::string::npos);
}

TEST(ReactionsMode, TooManyReactionsEndInAnIncompleteSet) {
  Pass pass({"fo",   "en",  "per", "q",  "coe", "br",   "H2O", "cc", "arag", "dol",
             "mag",  "di",  "tr",  "ta", "atg", "chum", "cor", "sp", "py",   "ky",
             "sill", "and", "an",  "gr", "wo",  "mu",   "phl", "ab", "jd",   "cats"},
            kDiagramPT, "setTwindow 400 800\nsetPwindow 2 10\nsetPinterval 4\ncalctatp yes\n",
            "1\n", "H2O");
  EXPECT_EQ(pass.result.lines.size(), 150u);
  EXPECT_NE(pass.d.console().find("*** INCOMPLETE set of reactions ***"), std::string::npos);
  EXPECT_EQ(pass.d.console().find("nan"), std::string::npos);
}

TEST(ReactionsMode, GridDrawsAsItIs) {
  for (const char* doallr : {"no", "yes"}) {
    Pass pass(kGrid, kDiagramPT,
              "setTwindow 400 800\nsetPwindow 1 20\nsetPinterval 1\ncalctatp yes\ndoallr " +
                  std::string(doallr) + "\n",
              "");
    std::string text = pass.drawing();
    plot::Console console("grid\n");
    console.files.contents["px-grid.txt"] = text;
    plot::Drawing drawing = plot::readText(console, text);
    EXPECT_EQ(drawing.settings.window.xmin, 400);
    EXPECT_EQ(drawing.settings.window.ymax, 20);
    bool dashed = false;
    for (const plot::UnivariantLine& line : drawing.lines) dashed = dashed || line.dashed;
    // metastable stretches: left out in the Schreinemakers analysis, dashed otherwise
    EXPECT_EQ(dashed, std::string(doallr) == "yes");
    if (std::string(doallr) == "no") {
      ASSERT_EQ(drawing.points.size(), 1u);
      EXPECT_EQ(drawing.points[0].name, "i1");
      EXPECT_EQ(drawing.points[0].phases, (std::vector<std::string>{"ky", "sill", "and"}));
      const IntersectionPoint& ip = pass.result.points[0];
      EXPECT_NEAR(d(drawing.points[0].at.x), d(ip.at.T - kCelsius), 0.005 + 1e-9);
      EXPECT_NEAR(d(drawing.points[0].at.y), d(ip.at.P), 0.0005 + 1e-9);
    }
    // and the drawing program makes a diagram of it
    Prefs prefs;
    prefs.makeps = true;
    drawing.suffix = "grid";
    plot::draw(console.io, prefs, drawing);
    console.io.closeOutput(kPostScript);
    std::string eps = console.file("px-grid.eps");
    EXPECT_NE(eps.find("lineto"), std::string::npos);
    EXPECT_EQ(plot::renderProblems(eps), "");
  }
}

}  // namespace
}  // namespace pf
