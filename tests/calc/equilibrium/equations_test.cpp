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
      // the activity the point was calculated with (the file's, or one set)
      Real a = d.assemblage().endMembers[static_cast<std::size_t>(phase.firstEndMember)].activity;
      if (pure.name == name) return gem(d.console.io, pure.record, p, t, gs) + kR * t * std::log(a);
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

// Largest |analytic - central difference| over the jacobian, each entry
// relative to the larger of itself and a millionth of its row's size.
Real jacobianMismatch(EquilibriumSystem& sys, std::string* report = nullptr) {
  const int m = sys.equationCount(), n = sys.unknownCount();
  std::vector<Real> y;
  for (const Quantity& q : sys.quantities())
    if (q.solved) y.push_back(q.scale * q.value + q.offset);
  std::vector<Real> r(static_cast<std::size_t>(m)), plus(r), minus(r);
  std::vector<Real> j(static_cast<std::size_t>(m * n));
  EXPECT_EQ(sys.evaluate(y, r, MatrixRef{j.data(), m, n}), Evaluation::ok);
  // P and T steps of 0.02 K and 0.002 kbar: finer ones would see the
  // resolution of the ordering solved inside some end-members' energies
  std::vector<Real> step;
  for (std::size_t q = 0; q < sys.quantities().size(); ++q) {
    const Quantity& quantity = sys.quantities()[q];
    if (!quantity.solved) continue;
    step.push_back(q == kPQuantity   ? 0.002L * quantity.scale
                   : q == kTQuantity ? 0.02L * quantity.scale
                                     : 1e-7L);
  }
  Real worst = 0;
  for (int q = 0; q < n; ++q) {
    const Real h = step[static_cast<std::size_t>(q)];
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
      if (report != nullptr && rel > 1e-7L)
        *report += "row " + std::to_string(i) + " col " + std::to_string(q) + ": " + realToText(a) +
                   " fd " + realToText(fd) + "\n";
      worst = std::max(worst, rel);
    }
  }
  return worst;
}

void setValues(DemoEquilibrium& d, const std::vector<std::pair<int, Real>>& values) {
  for (auto [q, v] : values) d.sys().setValue(q, v);
}

TEST(Equations, DivariantOlivineOrthopyroxeneQuartzSolvesBothExchanges) {
  struct Case {
    Real p, t;
  };
  for (const Case& c : {Case{2.37L, 1049.6L}, Case{4.81L, 861.7L}, Case{1.13L, 1131.15L}}) {
    DemoEquilibrium d({"ol", "opx", "q"}, at(c.p, c.t));
    setValues(d, {{d.variable("ol"), 0.9L}, {d.variable("opx"), 0.8L}});
    NleResult r = donle(d.sys(), d.console.io);
    ASSERT_EQ(r.code, kConverged) << c.p << " " << c.t << d.console.text();
    EXPECT_EQ(d.sys().reactionCount(), 2);
    // the two exchanges written out, not taken from the reaction finder
    EXPECT_LT(std::fabs(affinity(d, {{"fo", -1}, {"q", -1}, {"en", 1}})), 1e-9L);
    EXPECT_LT(std::fabs(affinity(d, {{"fa", -1}, {"q", -1}, {"fs", 1}})), 1e-9L);
    EXPECT_LT(largestAffinity(d), 1e-9L);
    // olivine is the Fe-rich side of the pair
    Real xol = d.sys().value(d.variable("ol")), xopx = d.sys().value(d.variable("opx"));
    EXPECT_GT(xol, xopx);
    EXPECT_GT(xol, 0.8L);
    EXPECT_LT(xol, 1);
  }
}

// Lines: the point's T held, P solved with one composition (isopleths
// hold the others).
TEST(Equations, UnivariantPointsSolveForPressure) {
  {  // x(ol) isopleths of ol + opx + q
    struct Case {
      Real t, xol;
    };
    for (const Case& c : {Case{973.4L, 0.853L}, Case{1071.9L, 0.912L}, Case{1187.2L, 0.947L}}) {
      DemoEquilibrium d({"ol", "opx", "q"}, at(3, c.t, true));
      d.sys().hold(d.variable("ol"), c.xol);
      d.sys().setValue(d.variable("opx"), 0.7L);
      NleResult r = donle(d.sys(), d.console.io);
      ASSERT_EQ(r.code, kConverged) << c.t << d.console.text();
      EXPECT_EQ(d.sys().value(d.variable("ol")), c.xol);
      EXPECT_LT(largestAffinity(d), 1e-9L);
      EXPECT_GT(d.sys().value(kPQuantity), 0.1L);
      EXPECT_LT(d.sys().value(kPQuantity), 10);
    }
  }
  {  // garnet + orthopyroxene + plagioclase + quartz: the barometer
    struct Case {
      Real t, ca;
    };
    for (const Case& c : {Case{981.3L, 0.317L}, Case{1093.4L, 0.562L}, Case{1166.8L, 0.689L}}) {
      DemoEquilibrium d({"g", "opx", "pl", "q"}, at(8, c.t, true));
      EXPECT_EQ(d.sys().reactionCount(), 2);
      d.sys().hold(d.variable("g", 0), 0.713L);
      d.sys().hold(d.variable("g", 1), 0.187L);
      d.sys().hold(d.variable("g", 2), 0.031L);
      d.sys().hold(d.variable("pl"), c.ca);
      d.sys().setValue(d.variable("opx"), 0.5L);
      NleResult r = donle(d.sys(), d.console.io);
      ASSERT_EQ(r.code, kConverged) << c.t << d.console.text();
      EXPECT_LT(std::fabs(affinity(d, {{"py", -2}, {"gr", -1}, {"q", -3}, {"en", 3}, {"an", 3}})),
                1e-9L);
      EXPECT_LT(std::fabs(affinity(d, {{"alm", -2}, {"gr", -1}, {"q", -3}, {"fs", 3}, {"an", 3}})),
                1e-9L);
      EXPECT_LT(largestAffinity(d), 1e-9L);
      EXPECT_GT(d.sys().value(kPQuantity), 5);
      EXPECT_LT(d.sys().value(kPQuantity), 15);
    }
  }
}

// A residual is its reaction's affinity over the normaliser at any point,
// not only at a solution.
TEST(Equations, ResidualIsAffinityOverNormaliser) {
  DemoEquilibrium d({"g", "opx", "pl", "q"}, at(6.37L, 1017.3L, true, true));
  setValues(d, {{d.variable("g", 0), 0.681L},
                {d.variable("g", 1), 0.143L},
                {d.variable("g", 2), 0.077L},
                {d.variable("opx"), 0.389L},
                {d.variable("pl"), 0.471L}});
  ASSERT_EQ(d.sys().evaluateAtValues(false), Evaluation::ok);
  for (int k = 0; k < d.sys().reactionCount(); ++k) {
    Real a = 0, sumAbs = 0;
    for (int e = 0; e < d.assemblage().endMemberCount(); ++e) {
      int nu = d.sys().coefficient(k, e);
      sumAbs += std::abs(nu);
      if (nu != 0)
        a += nu * chemicalPotential(d, d.assemblage().endMembers[static_cast<std::size_t>(e)].name);
    }
    EXPECT_EQ(d.sys().normaliser(k), std::max<int>(1, static_cast<int>(std::lround(sumAbs / 2))));
    EXPECT_NEAR(d.sys().residuals()[static_cast<std::size_t>(k)] * d.sys().normaliser(k), a,
                1e-9L * std::max<Real>(1, std::fabs(a)));
    EXPECT_GT(std::fabs(a), 1e-3L);  // far from equilibrium here
  }
}

TEST(Equations, JacobianMatchesCentralDifferences) {
  struct Case {
    std::vector<std::string> phases;
    Real p, t;
    std::vector<Real> x;  // the compositional variables, in quantity order
    bool modes;
  };
  const std::vector<Case> cases = {
      {{"ol", "opx", "q"}, 3.71L, 1011.3L, {0.87L, 0.73L}, false},
      {{"ol", "opx", "q"}, 1.04L, 1207.9L, {0.813L, 0.656L}, false},
      {{"ol", "opx", "q"}, 2.9L, 1021.7L, {0.88L, 0.752L}, true},
      {{"g", "opx", "pl", "q"}, 7.93L, 1093.4L, {0.63L, 0.17L, 0.043L, 0.41L, 0.58L}, false},
      {{"g", "opx", "pl", "q"}, 11.2L, 957.6L, {0.804L, 0.091L, 0.162L, 0.617L, 0.238L}, true},
      {{"g", "pl", "ky", "q"}, 9.44L, 1133.2L, {0.57L, 0.261L, 0.019L, 0.347L}, false},
      {{"bi", "g", "ky", "q"}, 5.18L, 904.6L, {0.39L, 0.77L, 0.12L, 0.06L}, false},
  };
  for (const Case& c : cases) {
    // a bulk calculation is square only with P and T held
    DemoEquilibrium d(c.phases, at(c.p, c.t, !c.modes, !c.modes, c.modes));
    for (std::size_t k = 0; k < c.x.size(); ++k) d.sys().setValue(static_cast<int>(k) + 2, c.x[k]);
    if (c.modes) {
      const int nc = d.assemblage().componentCount();
      std::vector<Real> bulk(static_cast<std::size_t>(nc));
      for (int i = 0; i < nc; ++i) bulk[static_cast<std::size_t>(i)] = 0.3L + 0.07L * i;
      d.sys().setBulk(bulk, projectionFor(d.assemblage()));
      for (int j = 0; j < d.assemblage().phaseCount(); ++j)
        d.sys().setValue(d.sys().modeQuantity(j), 0.17L + 0.11L * j);
    }
    std::string report;
    EXPECT_LT(jacobianMismatch(d.sys(), &report), 1e-6L) << c.phases[0] << " " << c.p << "\n"
                                                         << report;
  }
}

// A pure phase of fixed activity and a phase of fixed chemical potential
// bring their own T terms into the jacobian.
TEST(Equations, JacobianWithFixedActivitiesAndPotentials) {
  AssemblagePlan plan;
  MuPhasePlan mu;
  mu.name = "mu(SiO2)";
  mu.record = demoAx().tables.pures[static_cast<std::size_t>(demoAx().tables.findPure("q"))].record;
  mu.mu = -943.71L;
  mu.muPerKelvin = -0.0437L;
  plan.muPhases = {mu};
  DemoEquilibrium d({"ol", "opx"}, at(4.4L, 1088.2L, true, true), plan);
  setValues(d, {{d.variable("ol"), 0.84L}, {d.variable("opx"), 0.69L}});
  std::string report;
  EXPECT_LT(jacobianMismatch(d.sys(), &report), 1e-6L) << report;

  DemoEquilibrium q({"ol", "opx", "q"}, at(2.2L, 1130.6L, true, true));
  q.sys().setActivity(q.endMember("q"), 0.83L);
  setValues(q, {{q.variable("ol"), 0.79L}, {q.variable("opx"), 0.62L}});
  EXPECT_LT(jacobianMismatch(q.sys(), &report), 1e-6L) << report;
  ASSERT_EQ(donle(q.sys(), q.console.io).code, kConverged);
  EXPECT_LT(largestAffinity(q), 1e-9L);  // the affinity takes RT ln 0.83 for quartz
}

TEST(Equations, HeldQuantityHasNoColumn) {
  DemoEquilibrium d({"g", "opx", "pl", "q"}, at(7.93L, 1093.4L, true, true));
  setValues(d, {{d.variable("g", 0), 0.63L},
                {d.variable("g", 1), 0.17L},
                {d.variable("g", 2), 0.043L},
                {d.variable("opx"), 0.41L},
                {d.variable("pl"), 0.58L}});
  ASSERT_EQ(d.sys().evaluateAtValues(true), Evaluation::ok);
  const int m = d.sys().equationCount(), n = d.sys().unknownCount();
  ASSERT_EQ(n, 7);
  std::vector<Real> full(d.sys().lastJacobian().data, d.sys().lastJacobian().data + m * n);
  const int held = d.variable("g", 1);  // z(g), the third unknown
  d.sys().hold(held, 0.17L);
  ASSERT_EQ(d.sys().evaluateAtValues(true), Evaluation::ok);
  ASSERT_EQ(d.sys().unknownCount(), n - 1);
  MatrixRef j = d.sys().lastJacobian();
  ASSERT_EQ(j.cols, n - 1);
  for (int i = 0; i < m; ++i)
    for (int col = 0, k = 0; k < n; ++k) {
      if (k == held) continue;  // quantity k is column k of the full set (P, T, then variables)
      EXPECT_EQ(j(i, col), full[static_cast<std::size_t>(i * n + k)]) << i << " " << k;
      ++col;
    }
}

// The same point from three starting guesses.
TEST(Equations, ThreeStartsGiveOneSolution) {
  {
    std::vector<std::pair<Real, Real>> starts = {{0.82L, 0.6L}, {0.9L, 0.8L}, {0.95L, 0.71L}};
    std::vector<std::pair<Real, Real>> found;
    for (auto [xol, xopx] : starts) {
      DemoEquilibrium d({"ol", "opx", "q"}, at(3.2L, 987.3L));
      setValues(d, {{d.variable("ol"), xol}, {d.variable("opx"), xopx}});
      ASSERT_EQ(donle(d.sys(), d.console.io).code, kConverged) << xol;
      found.emplace_back(d.sys().value(d.variable("ol")), d.sys().value(d.variable("opx")));
    }
    for (auto [xol, xopx] : found) {
      EXPECT_NEAR(xol, found[0].first, 1e-8L);
      EXPECT_NEAR(xopx, found[0].second, 1e-8L);
    }
  }
  {
    struct Start {
      Real p, xopx;
    };
    std::vector<std::pair<Real, Real>> found;
    for (const Start& s : {Start{4, 0.2L}, Start{9.5L, 0.5L}, Start{14.5L, 0.81L}}) {
      DemoEquilibrium d({"g", "opx", "pl", "q"}, at(s.p, 1093.4L, true));
      d.sys().hold(d.variable("g", 0), 0.713L);
      d.sys().hold(d.variable("g", 1), 0.187L);
      d.sys().hold(d.variable("g", 2), 0.031L);
      d.sys().hold(d.variable("pl"), 0.562L);
      d.sys().setValue(d.variable("opx"), s.xopx);
      ASSERT_EQ(donle(d.sys(), d.console.io).code, kConverged) << s.p;
      found.emplace_back(d.sys().value(kPQuantity), d.sys().value(d.variable("opx")));
    }
    for (auto [p, xopx] : found) {
      EXPECT_NEAR(p, found[0].first, 1e-8L * found[0].first);
      EXPECT_NEAR(xopx, found[0].second, 1e-8L);
    }
  }
}

// A trial point exactly on the edge of a range: inside under the non-strict
// rule, outside under the strict one.
TEST(Equations, AdmissibilityAtTheEdgeFollowsTheBoundRule) {
  struct Case {
    Real yT;
    bool upper;
    int rule;
    bool admissible;
  };
  for (const Case& c : {Case{1, true, 0, true}, Case{1, true, kStrictBound, false},
                        Case{0, false, kStrictBound, false}, Case{0, false, 0, true}}) {
    DemoEquilibrium d({"ol", "opx", "q"}, at(2.4L, 1000, false, true));
    Quantity& t = d.sys().quantities()[kTQuantity];
    (c.upper ? t.upperRule : t.lowerRule) = c.rule;
    std::vector<Real> y = {c.yT, 0.87L, 0.74L};
    std::vector<Real> r(2);
    EXPECT_EQ(d.sys().evaluate(y, r, MatrixRef{}) == Evaluation::ok, c.admissible)
        << c.yT << " " << c.rule;
  }
}

// Mass balance with every component carrying rank: the rows are the
// components in order, and the solution gives back the modes the bulk was
// made from.
TEST(Equations, MassBalanceRecoversTheModes) {
  const Real p = 2.37L, t = 1049.6L;
  DemoEquilibrium divariant({"ol", "opx", "q"}, at(p, t));
  setValues(divariant, {{divariant.variable("ol"), 0.9L}, {divariant.variable("opx"), 0.8L}});
  ASSERT_EQ(donle(divariant.sys(), divariant.console.io).code, kConverged);
  const Real xol = divariant.sys().value(divariant.variable("ol"));
  const Real xopx = divariant.sys().value(divariant.variable("opx"));

  DemoEquilibrium d({"ol", "opx", "q"}, at(p, t, false, false, true));
  const Assemblage& a = d.assemblage();
  ASSERT_EQ(a.componentCount(), 3);
  EXPECT_EQ(a.componentName(0), "SiO2");
  EXPECT_EQ(a.componentName(1), "FeO");
  EXPECT_EQ(a.componentName(2), "MgO");
  // per oxide unit: ol (Mg,Fe)2SiO4 is 3 units, opx (Mg,Fe)2Si2O6 4, q 1
  auto olivine = [](Real x) { return std::vector<Real>{1 / 3.0L, 2 * x / 3, 2 * (1 - x) / 3}; };
  auto pyroxene = [](Real x) { return std::vector<Real>{0.5L, x / 2, (1 - x) / 2}; };
  const std::vector<Real> quartz = {1, 0, 0};
  const Real mol = 0.31L, mopx = 0.52L, mq = 0.17L;
  std::vector<Real> bulk(3);
  for (std::size_t c = 0; c < 3; ++c)
    bulk[c] = mol * olivine(xol)[c] + mopx * pyroxene(xopx)[c] + mq * quartz[c];
  Projection projection = projectionFor(a);
  EXPECT_EQ(projection.rankDeficit, 0);
  d.sys().setBulk(bulk, projection);
  EXPECT_EQ(d.sys().equationCount(), 5);

  // the rows at an arbitrary point, from the compositions written out
  const Real x1 = 0.83L, x2 = 0.66L, m1 = 0.2L, m2 = 0.45L, m3 = 0.29L;
  setValues(d, {{d.variable("ol"), x1},
                {d.variable("opx"), x2},
                {d.sys().modeQuantity(0), m1},
                {d.sys().modeQuantity(1), m2},
                {d.sys().modeQuantity(2), m3}});
  ASSERT_EQ(d.sys().evaluateAtValues(false), Evaluation::ok);
  const Real s = m1 + m2 + m3;
  for (std::size_t c = 0; c < 3; ++c) {
    Real expected = s * (m1 * olivine(x1)[c] + m2 * pyroxene(x2)[c] + m3 * quartz[c]) - bulk[c];
    EXPECT_NEAR(d.sys().residuals()[2 + c], expected, 1e-15L) << c;
  }

  d.sys().resetGuesses();
  setValues(d, {{d.variable("ol"), 0.85L}, {d.variable("opx"), 0.7L}});
  ASSERT_EQ(donle(d.sys(), d.console.io).code, kConverged) << d.console.text();
  EXPECT_NEAR(d.sys().value(d.sys().modeQuantity(0)), mol, 1e-12L);
  EXPECT_NEAR(d.sys().value(d.sys().modeQuantity(1)), mopx, 1e-12L);
  EXPECT_NEAR(d.sys().value(d.sys().modeQuantity(2)), mq, 1e-12L);
  EXPECT_NEAR(d.sys().value(d.variable("ol")), xol, 1e-12L);
  EXPECT_NEAR(d.sys().value(d.variable("opx")), xopx, 1e-12L);
}

// Albite, jadeite and quartz hold Na2O and Al2O3 one to one: the projection
// keeps two mass-balance rows and asks the bulk to hold them one to one too.
TEST(Equations, RankDeficientMassBalance) {
  const Real t = 873.4L;
  DemoEquilibrium d({"ab", "jd", "q"}, at(15, t, true, false, true));
  const Assemblage& a = d.assemblage();
  ASSERT_EQ(a.componentCount(), 3);  // SiO2, Al2O3, Na2O
  Projection projection = projectionFor(a);
  ASSERT_EQ(projection.rankDeficit, 1);
  // ab is 4 oxide units (3 SiO2, 1/2 Al2O3, 1/2 Na2O), jd 3
  const std::vector<Real> ab = {0.75L, 0.125L, 0.125L}, jd = {2 / 3.0L, 1 / 6.0L, 1 / 6.0L};
  const Real mab = 0.37L, mjd = 0.63L;
  std::vector<Real> bulk(3);
  for (std::size_t c = 0; c < 3; ++c) bulk[c] = mab * ab[c] + mjd * jd[c];
  d.sys().setBulk(bulk, projection);
  d.sys().hold(d.sys().modeQuantity(d.phase("q")), 0);  // on the ab-jd join
  EXPECT_EQ(d.sys().equationCount(), 3);
  EXPECT_EQ(d.sys().unknownCount(), 3);
  d.sys().setValue(d.sys().modeQuantity(d.phase("ab")), 0.5L);
  d.sys().setValue(d.sys().modeQuantity(d.phase("jd")), 0.5L);
  ASSERT_EQ(donle(d.sys(), d.console.io).code, kConverged) << d.console.text();
  EXPECT_LT(std::fabs(affinity(d, {{"jd", -1}, {"q", -1}, {"ab", 1}})), 1e-9L);
  EXPECT_NEAR(d.sys().value(d.sys().modeQuantity(d.phase("ab"))), mab, 1e-12L);
  EXPECT_NEAR(d.sys().value(d.sys().modeQuantity(d.phase("jd"))), mjd, 1e-12L);
  EXPECT_NEAR(d.sys().massBalance(2), 0, 1e-15L);  // the row no phase sees

  // a bulk off the Na2O = Al2O3 plane cannot be balanced
  std::vector<Real> off = bulk;
  off[2] += 0.002L;
  d.sys().setBulk(off, projection);
  Bombed fault = faultOf([&] { d.sys().evaluateAtValues(false); });
  EXPECT_EQ(fault.procedure, "nlefunc");
  EXPECT_EQ(fault.message, "residuals not in reduced system");
  EXPECT_NE(d.console.text().find("') should be zero in rank-deficient case"), std::string::npos);
}

}  // namespace
}  // namespace pf::testing
