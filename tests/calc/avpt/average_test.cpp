// The averages checked against the physics: a two-reaction average P in
// closed form, a rock generated at a known P and T that must come back to
// it, the scatter of results from perturbed activities against the quoted
// sd, and adjusted activities that must put every reaction through the
// average.
#include "calc/avpt/average.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "calc/reactions/finder.h"
#include "tests/calc/avpt/rock_support.h"

namespace pf {
namespace {

using testing::DemoSystem;
using testing::indexOf;

double d(Real x) {
  return static_cast<double>(x);
}

constexpr Real kP0 = 8.37L;      // kbar: the point the gneiss is generated at
constexpr Real kT0 = 712 + 273;  // K

WindowState windowOf(Real tLow, Real tHigh, Real pLow, Real pHigh) {
  WindowState w;
  w.Tlow = tLow + kCelsius;
  w.Thigh = tHigh + kCelsius;
  w.Plow = pLow;
  w.Phigh = pHigh;
  w.Tmid = (w.Tlow + w.Thigh) / 2;
  w.Pmid = (w.Plow + w.Phigh) / 2;
  return w;
}

std::vector<Reaction> independentSetOf(const RunEndMembers& run) {
  Console console;
  FinderOptions options;
  options.caller = FinderCaller::averagePT;
  options.progress = false;
  return findreactions(console.io, run, options).reactions;
}

// A rock with its window, reactions and covariances, ready to average.
struct Rock {
  DemoSystem s;
  Console console;
  WindowState w;
  ReactionContext c;
  AvptProblem p;
  Rock(DemoSystem system, const WindowState& window, std::vector<Reaction> reactions = {},
       bool enthalpyCovariances = true)
      : s(std::move(system)),
        w(window),
        c(console.io, s.run, w, s.settings),
        p{c, reactions.empty() ? independentSetOf(s.run) : reactions, {}, {}} {
    if (!enthalpyCovariances) s.run.cov.assign(s.run.cov.size(), 0);
    refresh();
  }
  Rock(const Rock&) = delete;
  // after the activities change
  void refresh() {
    p.covh = enthalpyCovariance(s.run, p.reactions, true);
    p.varLnA = lnaVariances(s.run);
  }
  Real dgAt(const Reaction& r, Real P, Real T) {
    DiagramPoint at;
    at.P = P;
    at.T = T;
    return thermoAt(c, r, at).dg;
  }
};

// sum nu (G + RT ln a) straight from the Gibbs energies.
Real reactionDg(const DemoSystem& s, const Reaction& r, Real P, Real T) {
  Real sum = 0;
  for (int e = 1; e <= s.run.count(); ++e)
    if (r[e] != 0)
      sum += r[e] * (testing::gibbsOf(s, s.run.names[e], P, T) +
                     kGasConstant * T * std::log(s.run.activity[e]));
  return sum;
}

Real bisectP(const DemoSystem& s, const Reaction& r, Real T, Real lo, Real hi) {
  Real glo = reactionDg(s, r, lo, T);
  for (int k = 0; k < 200 && hi - lo > 1e-13L; ++k) {
    Real mid = (lo + hi) / 2, g = reactionDg(s, r, mid, T);
    if ((g < 0) == (glo < 0)) {
      lo = mid;
      glo = g;
    } else {
      hi = mid;
    }
  }
  return (lo + hi) / 2;
}

Real bisectT(const DemoSystem& s, const Reaction& r, Real P, Real lo, Real hi) {
  Real glo = reactionDg(s, r, P, lo);
  for (int k = 0; k < 200 && hi - lo > 1e-11L; ++k) {
    Real mid = (lo + hi) / 2, g = reactionDg(s, r, P, mid);
    if ((g < 0) == (glo < 0)) {
      lo = mid;
      glo = g;
    } else {
      hi = mid;
    }
  }
  return (lo + hi) / 2;
}

TEST(AverageLine, TwoReactionsWorkedInClosedForm) {
  // GASP and garnet-plagioclase-orthopyroxene-quartz, correlated through gr
  // and an (end-members without an order-disorder term, whose G steps)
  DemoSystem s = testing::demoSystem({"gr", "an", "ky", "q", "py", "en"});
  testing::setActivity(s.run, "gr", 0.0114L, 0.0052L);
  testing::setActivity(s.run, "an", 0.713L, 0.0391L);
  testing::setActivity(s.run, "py", 0.0081L, 0.0046L);
  testing::setActivity(s.run, "en", 0.0493L, 0.0216L);
  std::vector<Reaction> set = {{0, 1, -3, 2, 1, 0, 0}, {0, 1, -3, 0, 3, 2, -3}};
  Rock rock(s, windowOf(300, 1100, 2, 15), set);
  auto cov = [&](int j, int l) { return s.run.covariance(j, l); };
  auto var = [&](int j) {
    Real r = s.run.sdActivity[j] / s.run.activity[j];
    return r * r;
  };
  // average P at 687 degrees; average T at 10.6 kbar (below quartz's
  // transition), where each reaction's own temperature sets its RT ln K term
  struct Case {
    AverageKind kind;
    Real fixed;
  };
  for (const Case& k : {Case{AverageKind::P, 687 + kCelsius}, Case{AverageKind::T, 10.6L}}) {
    bool avP = k.kind == AverageKind::P;
    LineAverage line = lineAverage(rock.p, k.kind, k.fixed);
    ASSERT_TRUE(line.inRange);
    ASSERT_TRUE(line.avg.ok);
    Real x[2], sx[2], tx[2];
    for (int i = 0; i < 2; ++i) {
      x[i] = avP ? bisectP(s, set[i], k.fixed, 2, 15) : bisectT(s, set[i], k.fixed, 573, 1373);
      Real P = avP ? x[i] : k.fixed, T = avP ? k.fixed : x[i];
      Real h = avP ? 1e-3L : 1e-2L;
      Real slope =
          avP ? (reactionDg(s, set[i], P + h, T) - reactionDg(s, set[i], P - h, T)) / (2 * h)
              : (reactionDg(s, set[i], P, T + h) - reactionDg(s, set[i], P, T - h)) / (2 * h);
      sx[i] = -1 / slope;
      tx[i] = sx[i] * kGasConstant * T;
      EXPECT_NEAR(d(line.x[i]), d(x[i]), avP ? 1e-6 : 1e-4);
    }
    ASSERT_GT(std::fabs(x[0] - x[1]), avP ? 0.3L : 10) << "the two values should differ";
    Real V[2][2];
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) {
        Real covh = 0, covlnk = 0;
        for (int e = 1; e <= 6; ++e) {
          covlnk += set[i][e] * set[j][e] * var(e);
          for (int l = 1; l <= 6; ++l) covh += set[i][e] * set[j][l] * cov(e, l);
        }
        V[i][j] = sx[i] * sx[j] * covh + tx[i] * tx[j] * covlnk;
      }
    Real span = V[0][0] + V[1][1] - 2 * V[0][1];
    Real average = (x[0] * (V[1][1] - V[0][1]) + x[1] * (V[0][0] - V[0][1])) / span;
    Real sumW = span / (V[0][0] * V[1][1] - V[0][1] * V[0][1]);
    Real sigfit = std::fabs(x[0] - x[1]) / std::sqrt(span);
    Real sd = (sigfit > 1 ? sigfit : 1) / std::sqrt(sumW);
    EXPECT_NEAR(d(line.avg.value), d(average), avP ? 1e-6 : 1e-4);
    EXPECT_NEAR(d(line.avg.sigfit), d(sigfit), 1e-5);
    EXPECT_NEAR(d(line.avg.sd), d(sd), avP ? 1e-6 : 1e-4);
  }
}

TEST(GeneratedRock, AveragesComeBackToTheGeneratingPoint) {
  Rock rock(testing::generatedGneiss(kP0, kT0), windowOf(450, 950, 2, 15));
  ASSERT_EQ(rock.p.reactions.size(), 3u);

  PTAverage pt = averagePTFrom(rock.p, rock.w.Tmid, rock.w.Pmid, rock.p.varLnA);
  ASSERT_EQ(pt.outcome, PTOutcome::converged);
  EXPECT_GE(pt.iterations, kMinPTIterations);
  EXPECT_NEAR(d(pt.P), d(kP0), 0.01);
  EXPECT_NEAR(d(pt.T), d(kT0), 0.5);
  EXPECT_LT(d(pt.sigfit), 1e-4);

  // started on the answer, the first corrections are nothing, yet three
  // iterations are made
  PTAverage there = averagePTFrom(rock.p, kT0, kP0, rock.p.varLnA);
  EXPECT_EQ(there.outcome, PTOutcome::converged);
  EXPECT_EQ(there.iterations, kMinPTIterations);

  LineAverage avP = lineAverage(rock.p, AverageKind::P, kT0);
  LineAverage avT = lineAverage(rock.p, AverageKind::T, kP0);
  ASSERT_TRUE(avP.inRange && avT.inRange);
  EXPECT_NEAR(d(avP.avg.value), d(kP0), 1e-3);
  EXPECT_NEAR(d(avT.avg.value), d(kT0), 0.05);

  // exact activities leave nothing to explain; the hat matrix's diagonal,
  // end-members and the reactions' enthalpies together, sums to the
  // number of parameters
  struct Case {
    Diagnostics d;
    int parameters;
  };
  const Case cases[] = {{ptDiagnostics(rock.p, pt, rock.w.Tmid, rock.w.Pmid), 2},
                        {lineDiagnostics(rock.p, avP), 1},
                        {lineDiagnostics(rock.p, avT), 1}};
  for (const Case& k : cases) {
    Real trace = k.d.hatEnthalpy;
    for (const EndMemberDiagnostic& row : k.d.rows) {
      EXPECT_NEAR(d(row.estar), 0, 1e-3) << rock.s.run.names[row.em];
      EXPECT_NEAR(d(row.aCalc / row.aObs), 1, 1e-3);
      EXPECT_GE(d(row.hat), 0);
      EXPECT_LE(d(row.hat), 1);
      trace += row.hat;
    }
    EXPECT_NEAR(d(trace), k.parameters, 1e-12);
    EXPECT_EQ(k.d.rows.size(), 8u);
    EXPECT_NEAR(d(k.d.hatThreshold), 2.0 * k.parameters / 8, 1e-15);
  }
}

// Normal deviates from a generator whose sequence the standard fixes.
struct Gauss {
  std::mt19937 engine{20240611};
  Real next() {
    Real u1 = (engine() + 0.5L) / 4294967296.0L, u2 = (engine() + 0.5L) / 4294967296.0L;
    return std::sqrt(-2 * std::log(u1)) * std::cos(2 * 3.14159265358979323846L * u2);
  }
};

TEST(GeneratedRock, PerturbedActivitiesMoveAveragePTByAboutItsSd) {
  // activities only: every ln a uncertain by 4%, enthalpies exact
  DemoSystem s = testing::generatedGneiss(kP0, kT0);
  for (int e = 1; e <= s.run.count(); ++e)
    if (s.run.activity[e] != 1) s.run.sdActivity[e] = 0.04L * s.run.activity[e];
  Rock rock(s, windowOf(300, 1100, 1, 20), {}, false);
  PTAverage exact = averagePTFrom(rock.p, rock.w.Tmid, rock.w.Pmid, rock.p.varLnA);
  ASSERT_EQ(exact.outcome, PTOutcome::converged);
  Real sdP = std::sqrt(exact.Sbb / exact.det), sdT = std::sqrt(exact.S0 / exact.det);

  std::vector<Real> exactActivity = rock.s.run.activity;
  Gauss gauss;
  Real sumP = 0, sumT = 0, sumPT = 0;
  constexpr int kDraws = 400;
  for (int k = 0; k < kDraws; ++k) {
    for (int e = 1; e <= rock.s.run.count(); ++e)
      rock.s.run.activity[e] = exactActivity[e] * std::exp(0.04L * gauss.next());
    for (int e = 1; e <= rock.s.run.count(); ++e)
      if (exactActivity[e] == 1) rock.s.run.activity[e] = 1;
    PTAverage pt = averagePTFrom(rock.p, rock.w.Tmid, rock.w.Pmid, rock.p.varLnA);
    ASSERT_EQ(pt.outcome, PTOutcome::converged);
    sumP += (pt.P - kP0) * (pt.P - kP0);
    sumT += (pt.T - kT0) * (pt.T - kT0);
    sumPT += (pt.P - kP0) * (pt.T - kT0);
  }
  Real rmsP = std::sqrt(sumP / kDraws), rmsT = std::sqrt(sumT / kDraws);
  EXPECT_NEAR(d(rmsP / sdP), 1, 0.1) << d(rmsP) << " against " << d(sdP);
  EXPECT_NEAR(d(rmsT / sdT), 1, 0.1) << d(rmsT) << " against " << d(sdT);
  EXPECT_NEAR(d(sumPT / kDraws / (rmsP * rmsT)), d(exact.cor), 0.05);
}

TEST(Diagnostics, AdjustedActivitiesPutEveryReactionThroughTheAverage) {
  // without enthalpy uncertainty the activities carry every residual, so
  // the calculated activities must satisfy every reaction at the average
  DemoSystem s = testing::generatedGneiss(kP0, kT0);
  testing::setActivity(s.run, "gr", s.run.activity[indexOf(s.run, "gr")] * 1.5L,
                       s.run.sdActivity[indexOf(s.run, "gr")] * 1.5L);
  testing::setActivity(s.run, "en", s.run.activity[indexOf(s.run, "en")] * 0.93L,
                       s.run.sdActivity[indexOf(s.run, "en")] * 0.93L);
  for (int e = 1; e <= s.run.count(); ++e)
    if (s.run.activity[e] != 1) s.run.sdActivity[e] = 0.05L * s.run.activity[e];
  Rock rock(s, windowOf(450, 950, 2, 15), {}, false);

  LineAverage avP = lineAverage(rock.p, AverageKind::P, kT0);
  ASSERT_TRUE(avP.inRange && avP.avg.ok);
  ASSERT_GT(d(avP.avg.sigfit), 0.5);
  Diagnostics line = lineDiagnostics(rock.p, avP);
  PTAverage pt = averagePTFrom(rock.p, rock.w.Tmid, rock.w.Pmid, rock.p.varLnA);
  ASSERT_EQ(pt.outcome, PTOutcome::converged);
  Diagnostics both = ptDiagnostics(rock.p, pt, rock.w.Tmid, rock.w.Pmid);

  // the slope of the regression through the origin is the average
  Real xy = 0, xx = 0;
  for (const EndMemberDiagnostic& row : line.rows) {
    xy += row.x * row.y;
    xx += row.x * row.x;
  }
  EXPECT_NEAR(d(xy / xx), d(avP.avg.value), 1e-9);

  // average PT linearises at the result itself, so the check is exact
  // there; average P takes each reaction's slope at its own pressure, so it
  // holds to second order in the distance of that pressure from the average
  std::vector<Real> observed = rock.s.run.activity;
  struct Case {
    const Diagnostics& d;
    Real P, T;
    double tolerance;  // kJ
  };
  for (const Case& k : {Case{line, avP.avg.value, kT0, 0.05}, Case{both, pt.P, pt.T, 1e-6}}) {
    Real largest = 0;
    for (const EndMemberDiagnostic& row : k.d.rows) {
      rock.s.run.activity[row.em] = row.aCalc;
      largest = std::max(largest, std::fabs(row.estar));
    }
    EXPECT_GT(d(largest), 0.3);
    for (const Reaction& r : rock.p.reactions)
      EXPECT_NEAR(d(reactionDg(rock.s, r, k.P, k.T)), 0, k.tolerance)
          << equation(r, rock.s.run.names);
    rock.s.run.activity = observed;
  }

  // doubling the uncertainty of a wrong activity eases the fit; doubling
  // that of an activity of 1 changes nothing
  for (const EndMemberDiagnostic& row : both.rows) {
    ASSERT_TRUE(row.redone);
    const std::string& name = rock.s.run.names[row.em];
    if (name == "gr") {
      EXPECT_LT(d(row.fit), d(pt.sigfit));
    } else if (name == "q") {
      EXPECT_NEAR(d(row.P), d(pt.P), 1e-12);
      EXPECT_NEAR(d(row.fit), d(pt.sigfit), 1e-12);
    }
  }
}

TEST(AverageP, TwoPressuresInTheWindowKeepTheOneNearerTheMean) {
  auto inside = [](Real x) { return x >= 2 && x <= 12; };
  struct Case {
    std::vector<LineRoots> roots;
    std::vector<Real> kept;
  };
  const Case cases[] = {
      // mean of the first roots is 6: 8.5 is nearer than 3
      {{{3, 8.5L}, {6, kNoRoot}, {9, kNoRoot}}, {8.5L, 6, 9}},
      // 11.9 is further from the mean 5.5 than 3
      {{{3, 11.9L}, {8, kNoRoot}}, {3, 8}},
      // a second root outside the window is never taken
      {{{3, 12.5L}, {12, kNoRoot}}, {3, 12}},
  };
  for (const Case& k : cases) {
    std::vector<Real> kept = nearerRoots(k.roots, inside);
    ASSERT_EQ(kept.size(), k.kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i], k.kept[i]);
  }
}

TEST(AverageP, AReactionWithoutPressureInTheWindowStopsThatTemperature) {
  Rock rock(testing::generatedGneiss(kP0, kT0), windowOf(450, 950, 7.5L, 9));
  // at 712 degrees every reaction is near 8.37 kbar; at 500 GASP is below 7.5
  EXPECT_TRUE(lineAverage(rock.p, AverageKind::P, kT0).inRange);
  LineAverage cold = lineAverage(rock.p, AverageKind::P, 500 + kCelsius);
  EXPECT_FALSE(cold.inRange);
  EXPECT_FALSE(cold.avg.ok);
}

TEST(AveragePT, LeavingTheWindowOrNoSolutionIsSaidSo) {
  // the window lies well away from the rock's point
  Rock far(testing::generatedGneiss(kP0, kT0), windowOf(350, 450, 2, 15));
  PTAverage pt = averagePTFrom(far.p, far.w.Tmid, far.w.Pmid, far.p.varLnA);
  EXPECT_EQ(pt.outcome, PTOutcome::outsideWindow);

  // two reactions that are one and the same line, twice: no crossing
  DemoSystem s = testing::demoSystem({"gr", "an", "ky", "sill", "q"});
  Rock same(s, windowOf(450, 950, 2, 15),
            {{0, 1, -3, 2, 0, 1}, {0, 2, -6, 4, 0, 2}, {0, 0, 0, -1, 1, 0}});
  same.s.run.cov.assign(same.s.run.cov.size(), 0);
  same.p.covh = enthalpyCovariance(same.s.run, same.p.reactions, false);
  PTAverage none = averagePTFrom(same.p, same.w.Tmid, same.w.Pmid, same.p.varLnA);
  EXPECT_NE(none.outcome, PTOutcome::converged);
}

}  // namespace
}  // namespace pf
