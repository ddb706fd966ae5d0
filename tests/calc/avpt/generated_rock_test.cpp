// The shipped gneiss through the whole chain: the demo a-x file read with
// the run file's starting compositions, the rock's end-members chosen with
// their activities at 8.64 kbar and 672 degrees C, and the averages of that
// rock. The compositions were solved so that the rock's three reactions hold
// at that point, so the averages must come back to it; activities moved by
// their uncertainties move the average PT as the linearised least squares
// says.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "calc/avpt/avpt.h"
#include "calc/thermo/gibbs.h"
#include "tests/calc/endmembers/choice_support.h"

namespace pf {
namespace {

constexpr Real kP0 = 8.64L;      // kbar
constexpr Real kT0 = 672 + 273;  // K
const char* kChoiceAnswers = "8.64\n672\ny\n";

// The script of the shipped run file (its lines down to '*').
std::string gneissScript() {
  return testing::readWholeFile(std::string(PF_SOURCE_DIR) + "/examples/pf-gneiss.txt");
}

struct ChosenRock {
  testing::ChoiceRun r{kChoiceAnswers, testing::demoAxFile(), gneissScript()};
  RunEndMembers rock = chooseRockEndMembers(r.d.io, r.inputs());
  GibbsSettings settings = gibbsSettings(r.ds);
};

int indexOf(const RunEndMembers& run, const std::string& name) {
  for (int e = 1; e <= run.count(); ++e)
    if (run.names[e] == name) return e;
  ADD_FAILURE() << "no end-member " << name;
  return 0;
}

struct RockRun {
  testing::Dialogue d;
  WindowState w;
  std::vector<RockCalculation> result;
  RockRun(const ChosenRock& c, const RunEndMembers& rock, const std::string& answers) : d(answers) {
    result = avptmode(d.io, rock, w, c.r.script, c.settings, "gneiss");
  }
};

// average PT in 550-800 degrees and 4-13 kbar (every reaction of the rock,
// moved by its uncertainties, still crosses it), with the set printed
const std::string kPTAnswers = "3\ny\n550 800 4 13\nn\nn\n1\nn\ny\n";

TEST(ShippedGneiss, ChoiceGivesActivitiesThatBalanceEveryReactionAtTheGeneratingPoint) {
  ChosenRock c;
  // spessartine (no MnO) and albite (no Na2O) leave with their components
  EXPECT_EQ(testing::namesOf(c.rock),
            (std::vector<std::string>{"en", "fs", "py", "alm", "gr", "an", "ky", "q"}));
  const std::vector<std::vector<std::pair<std::string, int>>> reactions = {
      {{"gr", 1}, {"ky", 2}, {"q", 1}, {"an", -3}},
      {{"py", 2}, {"q", 2}, {"en", -3}, {"ky", -2}},
      {{"alm", 2}, {"q", 2}, {"fs", -3}, {"ky", -2}}};
  for (const auto& reaction : reactions) {
    Real dg = 0;
    for (const auto& [name, nu] : reaction) {
      int e = indexOf(c.rock, name);
      dg += nu * (gem(c.r.d.io, c.rock.em[e], kP0, kT0, c.settings) +
                  kGasConstant * kT0 * std::log(c.rock.activity[e]));
    }
    EXPECT_NEAR(static_cast<double>(dg), 0, 1e-6) << reaction.front().first;
  }
  // the default uncertainties: sd(a)/a = m sigma_x / x with sigma_x = 0.3 x (1 - x)^2
  // (en: x = sqrt(a) gives 0.3 x (1-x)^2 < 0.05 x, so 2 * 0.05)
  int en = indexOf(c.rock, "en"), gr = indexOf(c.rock, "gr");
  EXPECT_NEAR(static_cast<double>(c.rock.sdActivity[en] / c.rock.activity[en]), 0.1, 1e-6);
  Real x = std::cbrt(c.rock.activity[gr]);
  EXPECT_NEAR(static_cast<double>(c.rock.sdActivity[gr] / c.rock.activity[gr]),
              static_cast<double>(3 * 0.3L * (1 - x) * (1 - x)), 1e-6);
}

TEST(ShippedGneiss, AveragesComeBackToTheGeneratingPoint) {
  ChosenRock c;
  // average PT, average P over 572-772 degrees, average T over 6.64-10.64 kbar
  RockRun run(c, c.rock,
              kPTAnswers + "y\n1\nn\ny\nn\n4 13\n572 772\n50\nn\nn\n1\nn\nn\n" +
                  "y\n2\nn\ny\nn\n6.64 10.64\n500 850\n1\nn\nn\n1\nn\nn\nn\n");
  ASSERT_EQ(run.result.size(), 3u);
  const PTAverage& pt = run.result[0].pt;
  ASSERT_EQ(pt.outcome, PTOutcome::converged);
  EXPECT_NEAR(static_cast<double>(pt.P), static_cast<double>(kP0), 0.1);
  EXPECT_NEAR(static_cast<double>(pt.T), static_cast<double>(kT0), 5);
  EXPECT_LT(pt.sigfit, 1e-4L);

  // the middle of each list is the generating point itself
  const LineAverage& p = run.result[1].lines.at(2);
  EXPECT_NEAR(static_cast<double>(p.fixed), static_cast<double>(kT0), 1e-9);
  EXPECT_NEAR(static_cast<double>(p.avg.value), static_cast<double>(kP0), 0.005);
  const LineAverage& t = run.result[2].lines.at(2);
  EXPECT_NEAR(static_cast<double>(t.fixed), static_cast<double>(kP0), 1e-9);
  EXPECT_NEAR(static_cast<double>(t.avg.value), static_cast<double>(kT0), 0.5);

  // exact activities: nothing to adjust, and the hat matrix keeps its trace
  for (const RockCalculation& calc : run.result) {
    ASSERT_TRUE(calc.diagnosed);
    Real trace = calc.diagnostics.hatEnthalpy;
    for (const EndMemberDiagnostic& row : calc.diagnostics.rows) {
      EXPECT_NEAR(static_cast<double>(row.estar), 0, 1e-3) << c.rock.names[row.em];
      trace += row.hat;
    }
    EXPECT_NEAR(static_cast<double>(trace), calc.kind == AverageKind::PT ? 2 : 1, 1e-9);
  }

  // the printed activity table reads back as the rock's activities, each
  // column apart from its neighbours however small the activity
  std::string out = run.d.console();
  std::size_t at = out.find("\na    ");
  ASSERT_NE(at, std::string::npos);
  std::istringstream row(out.substr(at + 2, out.find('\n', at + 1) - at - 2));
  std::vector<double> printed;
  for (double v; row >> v;) printed.push_back(v);
  ASSERT_EQ(printed.size(), 7u);
  for (int e = 1; e <= 7; ++e)
    EXPECT_NEAR(printed[e - 1], static_cast<double>(c.rock.activity[e]),
                5e-4 * static_cast<double>(c.rock.activity[e]))
        << c.rock.names[e];
}

TEST(ShippedGneiss, ActivitiesMovedByTheirSdMoveTheAverageAsTheLeastSquaresSays) {
  ChosenRock c;
  RockRun exact(c, c.rock, kPTAnswers + "n\n");
  ASSERT_EQ(exact.result.size(), 1u);
  const RockCalculation& base = exact.result[0];
  ASSERT_EQ(base.pt.outcome, PTOutcome::converged);

  // each ln a moved by one sd(ln a), the signs mixed unevenly; sd(a)/a kept
  RunEndMembers moved = c.rock;
  const std::vector<std::pair<std::string, int>> signs = {{"en", 1},  {"fs", -1}, {"py", -1},
                                                          {"alm", 1}, {"gr", 1},  {"an", -1}};
  std::vector<Real> dlna(static_cast<std::size_t>(moved.count() + 1), 0);
  for (const auto& [name, sign] : signs) {
    int e = indexOf(moved, name);
    Real sigma = moved.sdActivity[e] / moved.activity[e];
    dlna[e] = sign * sigma;
    moved.activity[e] *= std::exp(dlna[e]);
    moved.sdActivity[e] = sigma * moved.activity[e];
  }
  RockRun shifted(c, moved, kPTAnswers + "n\n");
  ASSERT_EQ(shifted.result.size(), 1u);
  const RockCalculation& calc = shifted.result[0];
  // the finder may pick another basis of the same three reactions: the
  // least squares in dG terms does not depend on it
  ASSERT_EQ(calc.reactions.size(), base.reactions.size());
  ASSERT_EQ(calc.pt.outcome, PTOutcome::converged);

  // first order: each reaction line moves by t_i dlnK_i in P, and the
  // normal equations at the exact result turn that into (dT, dP)
  const PTAverage& b = base.pt;
  int n = static_cast<int>(base.reactions.size());
  std::vector<Real> da(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    Real dlnk = 0;
    for (int e = 1; e <= moved.count(); ++e) dlnk += base.reactions[i][e] * dlna[e];
    da[i] = b.t[i] * dlnk;
  }
  Real sumW = 0, sumPrime = 0;
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) {
      sumW += b.W[i][k] * da[k];
      sumPrime -= b.b[i] * b.W[i][k] * da[k];
    }
  Real dT = (b.S0 * sumPrime - b.Sb * sumW) / b.det;
  Real dP = (b.Sbb * sumW - b.Sb * sumPrime) / b.det;
  Real movedT = calc.pt.T - b.T, movedP = calc.pt.P - b.P;
  EXPECT_NEAR(static_cast<double>(movedT), static_cast<double>(dT), 0.1 * std::fabs(dT) + 2);
  // (here -68 K and 0.31 kbar predicted: the lines' curvature over 68 K
  // takes 0.07 kbar off)
  EXPECT_NEAR(static_cast<double>(movedP), static_cast<double>(dP), 0.15);
  // a move of one sd in every activity is a move of the order of the result's sd
  EXPECT_GT(std::fabs(movedT), 0.3L * b.sdT);
  EXPECT_LT(std::fabs(movedT), 3 * b.sdT);
  EXPECT_LT(std::fabs(movedP), 3 * b.sdP);
  EXPECT_GT(calc.pt.sigfit, 0.05L);
}

}  // namespace
}  // namespace pf
