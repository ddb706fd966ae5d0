// Activities of the demo models against values worked out from the models'
// defining sums, and the derivatives against differences.
#include "calc/ax/activity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "calc/ax/exp_real.h"
#include "calc/ax/fluid_species.h"
#include "calc/thermo/fluids.h"
#include "tests/calc/ax/ax_fixture.h"

namespace pf::testing {
namespace {

constexpr Real kT = 873;
constexpr Real kP = 5;

struct Pair {
  int i, j;
  Real w;
};

// RT ln gamma_l = - sum over pairs of q_i q_j W 2 alpha_l / (alpha_i + alpha_j),
// q_i = delta_il - phi_i: the van Laar sum as the model defines it (the
// symmetric model is the case of equal sizes).
Real vanLaar(const std::vector<Real>& p, const std::vector<Real>& alpha, const std::vector<Pair>& w,
             int l) {
  Real sum = 0;
  for (std::size_t k = 0; k < p.size(); ++k) sum += p[k] * alpha[k];
  auto q = [&](int i) {
    return (i == l ? 1 : 0) -
           p[static_cast<std::size_t>(i)] * alpha[static_cast<std::size_t>(i)] / sum;
  };
  Real g = 0;
  for (const Pair& pair : w)
    g -= q(pair.i) * q(pair.j) * pair.w * 2 * alpha[static_cast<std::size_t>(l)] /
         (alpha[static_cast<std::size_t>(pair.i)] + alpha[static_cast<std::size_t>(pair.j)]);
  return g;
}

struct Worked {
  std::string phase;
  std::vector<Real> x;
  std::vector<Real> ideal;      // from the site fractions, worked by hand
  std::vector<Real> rtlngamma;  // from the defining sums
  std::vector<Real> printed;    // the published worked activities (6 decimals)
};

std::vector<Worked> workedExamples() {
  const Real rt = kR * kT;
  std::vector<Worked> cases;
  {  // olivine, x = 0.1
    Real x = 0.1L, w = 10.6L - 0.0012L * kT;
    cases.push_back({"ol",
                     {x},
                     {(1 - x) * (1 - x), x * x},
                     {x * x * w, (1 - x) * (1 - x) * w},
                     {0.820730L, 0.029037L}});
  }
  cases.push_back({"opx", {0.2L}, {0.64L, 0.04L}, {0, 0}, {0.640000L, 0.040000L}});
  {  // garnet at x = 0.75, z = 0.15, m = 0.05
    Real x = 0.75L, z = 0.15L, m = 0.05L;
    std::vector<Real> p = {(1 - x) * (1 - z - m), x * (1 - z - m), z, m};
    auto w = [](Real a, Real b, Real c) { return a + b * kT + c * kP; };
    std::vector<Pair> pairs = {
        {0, 1, w(4.218L, 0, 0.105L)},          {0, 2, w(47.1915L, -0.01734L, 0.105L)},
        {0, 3, w(36.249L, -0.02301L, 0.105L)}, {1, 2, w(11.469L, -0.00507L, 0.045L)},
        {1, 3, w(1.617L, 0, 0.075L)},          {2, 3, w(1.617L, 0, 0.075L)}};
    std::vector<Real> ones(4, 1), g;
    for (int l = 0; l < 4; ++l) g.push_back(vanLaar(p, ones, pairs, l));
    std::vector<Real> ideal;
    for (Real v : p) ideal.push_back(v * v * v);
    cases.push_back({"g", {x, z, m}, ideal, g, {0.018602L, 0.207146L, 0.010937L, 0.000174L}});
  }
  {  // plagioclase, ca = 0.3
    Real ca = 0.3L;
    std::vector<Real> p = {1 - ca, ca};
    std::vector<Real> alpha = {28226.0L / 8471.0L, 1};
    std::vector<Pair> pairs = {{0, 1, 18.3485L}};
    cases.push_back({"pl",
                     {ca},
                     {4 * (1 - ca) * (1 + ca) / 2 * (1 - ca) / 2, ca * (1 + ca) / 2 * (1 + ca) / 2},
                     {vanLaar(p, alpha, pairs, 0), vanLaar(p, alpha, pairs, 1)},
                     {0.669997L, 0.316849L}});
  }
  cases.push_back({"bi", {0.4L}, {0.216L, 0.064L}, {0, 0}, {0.216000L, 0.064000L}});
  {  // H2O-CO2 fluid, x(CO2) = 0.3: the closed form 2 w x_j^2 V_j / D^2
    Console quiet;
    Real vw = pitzerSterner(quiet.io, Fluid::H2O, kP, kT).volume;
    Real vc = pitzerSterner(quiet.io, Fluid::CO2, kP, kT).volume;
    Real xc = 0.3L, xw = 1 - xc, d = xw * vw + xc * vc;
    cases.push_back({"fluid",
                     {xc},
                     {xw, xc},
                     {2 * 10.5L * xc * xc * vc / (d * d), 2 * 10.5L * xw * xw * vw / (d * d)},
                     {0.803705L, 0.440895L}});
  }
  (void)rt;
  return cases;
}

TEST(Activities, DemoModelsReproduceTheirWorkedValues) {
  AxRead& demo = demoAx();
  ActivityContext context{&demo.console.io, true};
  for (const Worked& c : workedExamples()) {
    SCOPED_TRACE(c.phase);
    ActivityResult r;
    calca(demo.solution(c.phase), c.x, kP, kT, kAllDerivatives, context, r);
    ASSERT_EQ(r.n, static_cast<int>(c.ideal.size()));
    for (std::size_t l = 0; l < c.ideal.size(); ++l) {
      Real expected = c.ideal[l] * std::exp(c.rtlngamma[l] / (kR * kT));
      EXPECT_NEAR(r.ideal[l], c.ideal[l], 1e-15L);
      EXPECT_NEAR(r.rtlngamma[l], c.rtlngamma[l], 1e-9L);
      EXPECT_NEAR(r.a[l], expected, 1e-9L);
      EXPECT_NEAR(r.a[l], c.printed[l], 5.01e-7L);
    }
  }
}

TEST(Activities, PublishedInteractionValuesAtTheWorkedState) {
  AxRead& demo = demoAx();
  ActivityContext context{&demo.console.io, true};
  struct Case {
    std::string phase;
    std::vector<Real> x;
    std::vector<Real> w;  // as printed, 6 decimals or fewer
    std::vector<Real> rtlngamma;
  };
  const std::vector<Case> cases = {
      {"ol", {0.1L}, {9.552400L}, {0.095524L, 7.737444L}},
      {"g",
       {0.75L, 0.15L, 0.05L},
       {4.743L, 32.57868L, 16.68627L, 7.26789L, 1.992L, 1.992L},
       {6.124722L, -0.303810L, 8.533877L, 2.389061L}},
      {"pl", {0.3L}, {18.3485L}, {0.366582L, 6.650269L}},
      {"fluid", {0.3L}, {7.131004L}, {1.002769L, 2.794684L}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phase);
    ActivityResult r;
    calca(demo.solution(c.phase), c.x, kP, kT, 0, context, r);
    for (std::size_t k = 0; k < c.w.size(); ++k) EXPECT_NEAR(r.w[k], c.w[k], 5.01e-7L);
    for (std::size_t l = 0; l < c.rtlngamma.size(); ++l)
      EXPECT_NEAR(r.rtlngamma[l], c.rtlngamma[l], 5.01e-7L);
  }
}

// A random composition inside every site fraction's range.
std::vector<Real> randomLegal(const SolutionPhase& phase, WichmannHill& random) {
  for (;;) {
    std::vector<Real> x;
    for (int t = 0; t < phase.variableCount(); ++t) x.push_back(0.03L + 0.9L * random.next());
    if (siteFractionsPositive(phase, x)) return x;
  }
}

Real rtlna(const ActivityResult& r, int l, Real t) {
  return kR * t * std::log(r.a[static_cast<std::size_t>(l)]);
}

TEST(Activities, DerivativesMatchCentralDifferences) {
  AxRead& demo = demoAx();
  ActivityContext context{&demo.console.io, true};
  WichmannHill random;
  for (const SolutionPhase& phase : demo.tables.solutions) {
    for (int trial = 0; trial < 4; ++trial) {
      std::vector<Real> x = randomLegal(phase, random);
      Real t = 650 + 600 * random.next();
      Real p = 1 + 19 * random.next();
      SCOPED_TRACE(phase.name + " trial " + std::to_string(trial));
      ActivityResult r, up, down;
      calca(phase, x, p, t, kAllDerivatives, context, r);
      auto close = [](Real analytic, Real difference) {
        EXPECT_NEAR(analytic, difference, 1e-6L * std::max<Real>(1, std::fabs(analytic)));
      };
      const Real h = 1e-6L;
      for (int v = 0; v < phase.variableCount(); ++v) {
        std::vector<Real> xu = x, xd = x;
        xu[static_cast<std::size_t>(v)] += h;
        xd[static_cast<std::size_t>(v)] -= h;
        calca(phase, xu, p, t, 0, context, up);
        calca(phase, xd, p, t, 0, context, down);
        for (int l = 0; l < r.n; ++l)
          close(r.dx[static_cast<std::size_t>(l)][static_cast<std::size_t>(v)],
                (rtlna(up, l, t) - rtlna(down, l, t)) / (2 * h));
      }
      const Real ht = 1e-3L, hp = 1e-4L;
      calca(phase, x, p, t + ht, 0, context, up);
      calca(phase, x, p, t - ht, 0, context, down);
      for (int l = 0; l < r.n; ++l)
        close(r.dT[static_cast<std::size_t>(l)],
              (rtlna(up, l, t + ht) - rtlna(down, l, t - ht)) / (2 * ht));
      calca(phase, x, p + hp, t, 0, context, up);
      calca(phase, x, p - hp, t, 0, context, down);
      for (int l = 0; l < r.n; ++l)
        close(r.dP[static_cast<std::size_t>(l)], (rtlna(up, l, t) - rtlna(down, l, t)) / (2 * hp));
    }
  }
}

// sum over l of p_l d(RT ln gamma_l) = 0 for any change of composition.
TEST(Activities, NonIdealPartsObeyGibbsDuhem) {
  AxRead& demo = demoAx();
  ActivityContext context{&demo.console.io, true};
  WichmannHill random;
  for (const SolutionPhase& phase : demo.tables.solutions) {
    if (phase.model == kIdealMixing) continue;
    std::vector<Real> x = randomLegal(phase, random);
    ActivityResult r;
    calca(phase, x, kP, kT, kAllDerivatives, context, r);
    for (int v = 0; v < phase.variableCount(); ++v) {
      Real sum = 0, scale = 0;
      for (int l = 0; l < r.n; ++l) {
        const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(l)];
        Real ideal = 0;
        for (const TmfFactor& f : em.tmf)
          ideal += kR * kT * f.powerValue *
                   r.dsf[static_cast<std::size_t>(f.siteFraction)][static_cast<std::size_t>(v)] /
                   r.sf[static_cast<std::size_t>(f.siteFraction)];
        Real dgamma = r.dx[static_cast<std::size_t>(l)][static_cast<std::size_t>(v)] - ideal;
        sum += r.p[static_cast<std::size_t>(l)] * dgamma;
        scale += std::fabs(r.p[static_cast<std::size_t>(l)] * dgamma);
      }
      EXPECT_NEAR(sum, 0, 1e-12L * std::max<Real>(1, scale)) << phase.name << " variable " << v;
    }
  }
}

TEST(Activities, IdealModelsGiveTheIdealMixingActivityExactly) {
  AxRead& demo = demoAx();
  ActivityContext context{&demo.console.io, true};
  for (const char* name : {"opx", "bi"}) {
    ActivityResult r;
    calca(demo.solution(name), std::vector<Real>{0.37L}, kP, kT, kAllDerivatives, context, r);
    for (int l = 0; l < r.n; ++l) {
      EXPECT_EQ(r.a[static_cast<std::size_t>(l)], r.ideal[static_cast<std::size_t>(l)]);
      EXPECT_EQ(r.rtlngamma[static_cast<std::size_t>(l)], 0);
      EXPECT_EQ(r.dP[static_cast<std::size_t>(l)], 0);
    }
  }
}

// With every size 1 the van Laar sums are the symmetric ones, derivatives included.
TEST(Activities, AsymmetricWithUnitSizesIsSymmetric) {
  AxRead& demo = demoAx();
  ActivityContext context{&demo.console.io, true};
  for (const char* name : {"g", "pl"}) {
    SolutionPhase symmetric = demo.solution(name);
    symmetric.model = kSymmetricMixing;
    SolutionPhase asymmetric = symmetric;
    asymmetric.model = kAsymmetricMixing;
    asymmetric.sizes.assign(asymmetric.endMembers.size(), SizeParameter{"", 1, 0, 0});
    std::vector<Real> x = symmetric.guesses();
    ActivityResult s, a;
    calca(symmetric, x, kP, kT, kAllDerivatives, context, s);
    calca(asymmetric, x, kP, kT, kAllDerivatives, context, a);
    for (int l = 0; l < s.n; ++l) {
      auto i = static_cast<std::size_t>(l);
      EXPECT_NEAR(a.rtlngamma[i], s.rtlngamma[i], 1e-14L) << name;
      EXPECT_NEAR(a.dT[i], s.dT[i], 1e-16L) << name;
      EXPECT_NEAR(a.dP[i], s.dP[i], 1e-16L) << name;
      for (int v = 0; v < s.nv; ++v)
        EXPECT_NEAR(a.dx[i][static_cast<std::size_t>(v)], s.dx[i][static_cast<std::size_t>(v)],
                    1e-13L)
            << name;
    }
  }
}

// At (very nearly) the composition of a pure end-member its activity is 1:
// a step of 1e-10 from it toward the starting guesses keeps every site
// fraction positive.
TEST(Activities, PureEndMemberCompositionsGiveActivityOne) {
  AxRead& demo = demoAx();
  ActivityContext context{&demo.console.io, true};
  const Real step = 1e-10L;
  for (const SolutionPhase& phase : demo.tables.solutions) {
    for (int l = 0; l < phase.endMemberCount(); ++l) {
      const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(l)];
      std::vector<Real> x;
      for (std::size_t t = 0; t < em.check.size(); ++t) {
        Real pure = static_cast<Real>(em.check[t]) / em.checkDenominator;
        x.push_back((1 - step) * pure + step * phase.variables[t].guess);
      }
      ActivityResult r;
      calca(phase, x, kP, kT, 0, context, r);
      EXPECT_NEAR(r.a[static_cast<std::size_t>(l)], 1, 1e-8L) << phase.name << " " << em.name;
    }
  }
}

TEST(Activities, PowersOfSiteFractions) {
  AxEndMember em;
  em.tmf = {TmfFactor{0, {1, 2}, 0.5L}};
  const std::vector<Real> sf = {0.3L, 0.7L};
  EXPECT_EQ(idealActivity(em, sf), std::sqrt(0.3L));
  em.tmf = {TmfFactor{0, {2, 1}, 2}, TmfFactor{1, {3, 1}, 3}};
  EXPECT_EQ(idealActivity(em, sf), (0.3L * 0.3L) * (0.7L * 0.7L * 0.7L));
  em.tmf = {TmfFactor{1, {2, 3}, 2.0L / 3}};
  em.normalisation = 4;
  EXPECT_EQ(idealActivity(em, sf), 4 * std::exp(2.0L / 3 * std::log(0.7L)));
}

TEST(Activities, ASiteFractionOfZeroIsFatalWhateverItsPower) {
  AxRead& demo = demoAx();
  ActivityContext context{&demo.console.io, true};
  ActivityResult r;
  // opx's factors have power 1; x = 0 empties the Fe sites
  Bombed fault =
      faultOf([&] { calca(demo.solution("opx"), std::vector<Real>{0}, kP, kT, 0, context, r); });
  EXPECT_EQ(fault.procedure, "calca");
  EXPECT_EQ(fault.message, "negative sf term");
  const std::string console = demo.console.text();
  EXPECT_NE(console.find("phase = opx, end-member = fs, tmf term no = 1, sf term no = 2, sf = 0"),
            std::string::npos);
  EXPECT_NE(console.find("sorry - try changing starting guesses!"), std::string::npos);
}

}  // namespace
}  // namespace pf::testing

namespace pf::testing {
namespace {

// The activities' own exponential against the library's, within four units
// in the last place, across the range the excess terms take and beyond.
TEST(Activities, OwnExponentialMatchesTheLibrary) {
  Real worst = 0;
  for (int k = -300000; k <= 300000; ++k) {
    Real x = k * 0.0037131L;
    worst = std::max(worst, std::fabs(expReal(x) - std::exp(x)) / std::exp(x));
  }
  EXPECT_LT(worst, 4 * 1.0842e-19L);
  EXPECT_EQ(expReal(0), 1);
  EXPECT_EQ(expReal(20000), std::exp(20000.0L));
  EXPECT_EQ(expReal(-20000), std::exp(-20000.0L));
  EXPECT_TRUE(std::isnan(expReal(std::nanl(""))));
}

}  // namespace
}  // namespace pf::testing
