// Uncertainties of a solved point against brute force: every enthalpy of
// the assemblage moved in turn, the point solved again, and the variance of
// P and of ca(pl) formed from those slopes and the dataset's covariances.
#include <gtest/gtest.h>

#include <cmath>

#include "calc/phasediagram/loop.h"
#include "tests/calc/ax/ax_fixture.h"
#include "tests/calc/phasediagram/mode1_fixture.h"

namespace pf {
namespace {

using testing::Dialogue;

const std::vector<std::string> kNames = {"ab", "an", "ky", "q", "jd", "wo"};

struct Line {
  Dialogue d;
  PhaseTables tables;
  Dataset ds;
  Line() : tables(testing::demoAx().tables), ds(testing::demoDataset(kNames)) {}

  // The point at T: P and ca(pl) solved, with the enthalpy of one
  // end-member (an index into kNames, or -1) moved by h.
  std::vector<Real> solveAt(Real T, int moved, Real h, std::vector<Real>* sd = nullptr) {
    PhaseTables t = tables;
    const int pl = t.findSolution("pl");
    for (int k = 0; k < 2; ++k)
      if (moved == k) t.solutions[pl].endMembers[k].record.slot[kEnthalpy] += h;
    for (int k = 2; k < 6; ++k)
      if (moved == k) t.pures[t.findPure(kNames[k])].record.slot[kEnthalpy] += h;
    AssemblagePlan plan;
    plan.solutions = {pl};
    for (int k = 2; k < 6; ++k) plan.pures.push_back(t.findPure(kNames[k]));
    Assemblage a = makeAssemblage(t, plan);
    FinderOptions finder;
    finder.caller = FinderCaller::phaseDiagram;
    finder.progress = false;
    ReactionSet set = findreactions(d.io, a.run, finder);
    EquilibriumSettings settings;
    settings.gibbs = gibbsSettings(ds);
    settings.gibbs.phaseDiagram = true;
    settings.solver.printLevel = 0;
    EquilibriumSystem sys(d.io, t, a, set.reactions, settings);
    CrossRefRequest request;
    request.p = 27;
    request.t = T;
    request.solveP = true;
    request.ranges.pLow = 10;
    request.ranges.pHigh = 50;
    sys.makecrossrefs(request);
    sys.setValue(sys.variableQuantity(0, 0), 0.75L);
    EXPECT_EQ(donle(sys, d.io).code, kConverged);
    if (sd != nullptr) *sd = pointUncertainties(sys, ds, t);
    return {sys.value(kPQuantity), sys.value(sys.variableQuantity(0, 0))};
  }
};

TEST(Uncertainties, EnthalpyCovariancesCarriedThroughTheEquations) {
  Line line;
  for (Real T : {961.0L, 1117.0L}) {
    std::vector<Real> sd;
    std::vector<Real> at = line.solveAt(T, -1, 0, &sd);
    ASSERT_EQ(sd.size(), 3u);
    EXPECT_EQ(sd[kTQuantity], 0);  // held
    // slopes of P and ca(pl) by each enthalpy, by central differences
    const Real h = 0.01L;
    std::vector<std::vector<Real>> slope(6);
    for (int i = 0; i < 6; ++i) {
      std::vector<Real> up = line.solveAt(T, i, h), down = line.solveAt(T, i, -h);
      slope[i] = {(up[0] - down[0]) / (2 * h), (up[1] - down[1]) / (2 * h)};
    }
    for (int q = 0; q < 2; ++q) {
      Real var = 0;
      for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
          var += slope[i][q] * slope[j][q] * line.ds.covariance(i + 1, j + 1);
      const Real expected = std::sqrt(var);
      const Real got = sd[q == 0 ? kPQuantity : 2];
      EXPECT_GT(expected, 0);
      EXPECT_NEAR(got, expected, 1e-5L * expected) << static_cast<double>(T) << " " << q;
    }
    EXPECT_GT(at[0], 20);
  }
}

TEST(Uncertainties, AnSdRowBeneathTheValues) {
  testing::Mode1Run run(
      "which pl ky q jd wo\nsetexcess\nsetvar 1\ncalctatp no\nsetTwindow 640 730\n"
      "setPwindow 22 36\nsetTinterval 45\ncalcsdnle\n",
      "");
  run.run();
  const std::string results = run.results();
  EXPECT_NE(results.find("\nsd    "), std::string::npos) << results;
}

}  // namespace
}  // namespace pf
