// The equilibrium equations checked against the physics: affinities
// recomputed from the end-member Gibbs energies and the a-x models at the
// solved points, the jacobian against central differences, the same
// solution from different starts.
#include "calc/equilibrium/equations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "tests/calc/equilibrium/equilibrium_fixture.h"

namespace pf::testing {
namespace {

// mu of an end-member at the system's current P, T and compositions, from
// gem and calca directly (not through the equations).
Real chemicalPotential(DemoEquilibrium& d, const std::string& name) {
  EquilibriumSystem& sys = d.sys();
  const Real p = sys.value(kPQuantity), t = sys.value(kTQuantity);
  const PhaseTables& tables = d.ax.tables;
  const GibbsSettings gs = quietSettings(d.console.io).gibbs;
  for (int j = 0; j < d.assemblage().phaseCount(); ++j) {
    const AssemblagePhase& phase = d.assemblage().phases[static_cast<std::size_t>(j)];
    if (phase.kind == PhaseKind::pure) {
      const PurePhase& pure = tables.pures[static_cast<std::size_t>(phase.index)];
      if (pure.name == name)
        return gem(d.console.io, pure.record, p, t, gs) + kR * t * std::log(pure.activity);
      continue;
    }
    if (phase.kind != PhaseKind::solution) continue;
    const SolutionPhase& s = tables.solutions[static_cast<std::size_t>(phase.index)];
    int l = s.findEndMember(name);
    if (l < 0) continue;
    std::vector<Real> x;
    for (int v = 0; v < s.variableCount(); ++v) x.push_back(sys.value(sys.variableQuantity(j, v)));
    ActivityResult r;
    calca(s, x, p, t, 0, ActivityContext{&d.console.io, gs.ds6}, r);
    return gem(d.console.io, s.endMembers[static_cast<std::size_t>(l)].record, p, t, gs) +
           kR * t * std::log(r.a[static_cast<std::size_t>(l)]);
  }
  ADD_FAILURE() << name << " not found";
  return 0;
}

Real affinity(DemoEquilibrium& d, const std::map<std::string, int>& reaction) {
  Real sum = 0;
  for (const auto& [name, nu] : reaction) sum += nu * chemicalPotential(d, name);
  return sum;
}

// Every reaction the finder gave, recomputed end-member by end-member.
Real largestAffinity(DemoEquilibrium& d) {
  Real largest = 0;
  EquilibriumSystem& sys = d.sys();
  for (int k = 0; k < sys.reactionCount(); ++k) {
    std::map<std::string, int> reaction;
    for (int e = 0; e < d.assemblage().endMemberCount(); ++e)
      if (sys.coefficient(k, e) != 0)
        reaction[d.assemblage().endMembers[static_cast<std::size_t>(e)].name] =
            sys.coefficient(k, e);
    largest = std::max(largest, std::fabs(affinity(d, reaction)));
  }
  return largest;
}

TEST(Equations, DivariantOlivineOrthopyroxeneQuartzSolvesBothExchanges) {
  struct Case {
    Real p, t;
  };
  for (const Case& c : {Case{2.37L, 1049.6L}, Case{4.81L, 861.7L}, Case{1.13L, 1131.15L}}) {
    DemoEquilibrium d({"ol", "opx", "q"}, at(c.p, c.t));
    d.sys().setValue(d.variable("ol"), 0.9L);
    d.sys().setValue(d.variable("opx"), 0.8L);
    NleResult r = donle(d.sys(), d.console.io);
    ASSERT_EQ(r.code, kConverged) << c.p << " " << c.t << d.console.text();
    EXPECT_EQ(d.sys().reactionCount(), 2);
    // the two reactions written out, not taken from the finder
    EXPECT_LT(std::fabs(affinity(d, {{"fo", -1}, {"q", -1}, {"en", 1}})), 1e-7L);
    EXPECT_LT(std::fabs(affinity(d, {{"fa", -1}, {"q", -1}, {"fs", 1}})), 1e-7L);
    EXPECT_LT(largestAffinity(d), 1e-7L);
    Real xol = d.sys().value(d.variable("ol")), xopx = d.sys().value(d.variable("opx"));
    EXPECT_GT(xol, 0.8L);
    EXPECT_LT(xol, 1);
    EXPECT_GT(xopx, 0);
    EXPECT_LT(xopx, 1);
  }
}

}  // namespace
}  // namespace pf::testing

namespace pf::testing {
namespace {

// Largest |analytic - central difference| over the jacobian, each entry
// relative to the larger of itself and a millionth of its row's size.
Real jacobianMismatch(EquilibriumSystem& sys, std::string* report = nullptr) {
  const int m = sys.equationCount(), n = sys.unknownCount();
  std::vector<Real> y;
  for (const Quantity& q : sys.quantities())
    if (q.solved) y.push_back(q.scale * q.value + q.offset);
  std::vector<Real> r(static_cast<std::size_t>(m)), plus(r), minus(r),
      j(static_cast<std::size_t>(m * n));
  EXPECT_EQ(sys.evaluate(y, r, MatrixRef{j.data(), m, n}), Evaluation::ok);
  Real worst = 0;
  const Real h = 1e-7L;
  for (int q = 0; q < n; ++q) {
    std::vector<Real> yp = y, ym = y;
    yp[static_cast<std::size_t>(q)] += h;
    ym[static_cast<std::size_t>(q)] -= h;
    EXPECT_EQ(sys.evaluate(yp, plus, MatrixRef{}), Evaluation::ok);
    EXPECT_EQ(sys.evaluate(ym, minus, MatrixRef{}), Evaluation::ok);
    for (int i = 0; i < m; ++i) {
      Real rowSize = 0;
      for (int k = 0; k < n; ++k)
        rowSize = std::max(rowSize, std::fabs(j[static_cast<std::size_t>(i * n + k)]));
      Real fd = (plus[static_cast<std::size_t>(i)] - minus[static_cast<std::size_t>(i)]) / (2 * h);
      Real a = j[static_cast<std::size_t>(i * n + q)];
      Real rel = std::fabs(a - fd) / std::max(std::fabs(a), 1e-6L * rowSize);
      if (report != nullptr)
        *report += std::to_string(i) + "," + std::to_string(q) + ": " + realToText(a) + " fd " +
                   realToText(fd) + "\n";
      worst = std::max(worst, rel);
    }
  }
  return worst;
}

TEST(Equations, JacobianMatchesCentralDifferences) {
  DemoEquilibrium d({"ol", "opx", "q"}, at(10.37L, 1049.6L, true, true));
  d.sys().setValue(d.variable("ol"), 0.93L);
  d.sys().setValue(d.variable("opx"), 0.88L);
  std::string report;
  EXPECT_LT(jacobianMismatch(d.sys(), &report), 1e-6L) << report;
}

}  // namespace
}  // namespace pf::testing
