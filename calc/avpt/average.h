// The averages of one rock calculation: average P at a temperature, average
// T at a pressure, average PT by iterated linearisation, and the single
// end-member diagnostics of each.
//
// Every average is a generalised least squares on the reactions of an
// independent set. Each reaction's value of the averaged variable (its P at
// the given T, say) is uncertain through the reaction's enthalpy and its
// ln K; s_i converts an enthalpy error (kJ) and t_i an ln K error into that
// variable, so the values have the covariance
//   V(i, k) = s_i s_k covh(i, k) + t_i t_k covlnk(i, k).
// The diagnostics read the same regression from the end-members' side: the
// ln a of end-member j, with sd(ln a) sigma_j, enters reaction i through
// t_i nu_ij, so after whitening it is one row of a regression on the fitted
// parameters whose design row is sigma_j sum_i nu_ij t_i (W X)_i (X the
// design of the reactions: a column of ones, or the columns b and -1 of
// average PT). Its residual is e*, the diagonal of that regression's hat
// matrix is hat, and, for one parameter, the row's x and y are the
// regression-through-origin values whose slope is the average.
#pragma once

#include <functional>
#include <vector>

#include "calc/avpt/statistics.h"
#include "calc/reactions/diagram_thermo.h"
#include "calc/reactions/linearity.h"
#include "calc/thermo/run_endmembers.h"

namespace pf {

inline constexpr int kMaxPTIterations = 10;
inline constexpr int kMinPTIterations = 3;
inline constexpr Real kPTStopT = 0.1L;   // K
inline constexpr Real kPTStopP = 0.01L;  // kbar

// What the averages of one calculation share. The context holds the rock's
// end-members with their activities as the calculation uses them, and the
// window.
struct AvptProblem {
  ReactionContext& c;
  std::vector<Reaction> reactions;
  Matrix covh;               // kJ^2
  std::vector<Real> varLnA;  // (sd(a)/a)^2, [1..n] like the end-members
};

// var(ln a) of every end-member: (sd(a)/a)^2, 0 for an activity of 1.
std::vector<Real> lnaVariances(const RunEndMembers& run);

// ---- average P at a temperature, average T at a pressure ----

struct LineAverage {
  AverageKind kind = AverageKind::P;
  Real fixed = 0;        // T (K) for average P, P (kbar) for average T
  bool inRange = false;  // every reaction has its value in the window
  std::vector<Real> x;   // each reaction's P (or T) there
  std::vector<Real> s;   // -1 / (d dG / d x) at x
  std::vector<Real> t;   // s R T, with the fixed T, or with the reaction's own T
  Average avg;
};

// The value each reaction keeps: its first root, or its second root in the
// window when that lies nearer the mean of all first roots. Every first
// root must lie in the window.
std::vector<Real> nearerRoots(const std::vector<LineRoots>& roots,
                              const std::function<bool(Real)>& inWindow);

// The reactions' values at the fixed T (or P) and their average. A reaction
// with two values in the window keeps the one nearer the mean of the first
// values.
LineAverage lineAverage(AvptProblem& p, AverageKind kind, Real fixed);
// The same average with other ln a variances (the values stay).
Average redoLineAverage(const AvptProblem& p, const LineAverage& line,
                        const std::vector<Real>& varLnA);

// ---- average PT ----

enum class PTOutcome { converged, outsideWindow, notConverged, singular };

struct PTAverage {
  PTOutcome outcome = PTOutcome::notConverged;
  int iterations = 0;
  Real T = 0, P = 0;  // K, kbar
  Real sdT = 0, sdP = 0, cor = 0, sigfit = 0;
  // the linearisation at the result: P = a_i + b_i T for reaction i
  std::vector<Real> a, b, s, t, r;  // t: the ln K coefficient s_i R T; r = a + bT - P
  Matrix W;
  Real S0 = 0, Sb = 0, Sbb = 0, det = 0;
};

// From (T0, P0): linearise every reaction, solve the normal equations for
// the corrections, and repeat, at least 3 and at most 10 times.
PTAverage averagePTFrom(AvptProblem& p, Real T0, Real P0, const std::vector<Real>& varLnA);

// ---- single end-member diagnostics ----

struct EndMemberDiagnostic {
  int em = 0;
  bool redone = false;              // the calculation with doubled sd(ln a) gave a result
  Real value = 0, sd = 0, fit = 0;  // average P or T: that result
  Real P = 0, sdP = 0, T = 0, sdT = 0, cor = 0;  // average PT: that result (T in K)
  Real estar = 0;
  Real hat = 0;
  Real aObs = 0, aCalc = 0;
  Real x = 0, y = 0;  // regression through the origin (average P or T)
};

struct Diagnostics {
  std::vector<EndMemberDiagnostic> rows;  // the end-members of the reactions
  int parameters = 1;
  Real hatThreshold = 0;  // 2 p / N, N the end-members listed
  // what the reactions' enthalpies take of the hat matrix's trace: with the
  // end-members' hat it sums to the number of parameters
  Real hatEnthalpy = 0;
};

Diagnostics lineDiagnostics(const AvptProblem& p, const LineAverage& line);
Diagnostics ptDiagnostics(AvptProblem& p, const PTAverage& result, Real T0, Real P0);

}  // namespace pf
