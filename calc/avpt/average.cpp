#include "calc/avpt/average.h"

#include <cmath>

#include "calc/thermo/gibbs.h"

namespace pf {

std::vector<Real> lnaVariances(const RunEndMembers& run) {
  std::vector<Real> var(run.activity.size(), 0);
  for (int e = 1; e <= run.count(); ++e) {
    Real a = run.activity[e], sd = run.sdActivity[e];
    if (a > 0 && a != 1 && std::isfinite(sd) && sd > 0) var[e] = (sd / a) * (sd / a);
  }
  return var;
}

// ---- average P at T, average T at P ----------------------------------------------------

std::vector<Real> nearerRoots(const std::vector<LineRoots>& roots,
                              const std::function<bool(Real)>& inWindow) {
  Real mean = 0;
  for (const LineRoots& root : roots) mean += root.first;
  if (!roots.empty()) mean /= static_cast<Real>(roots.size());
  std::vector<Real> kept;
  for (const LineRoots& root : roots) {
    bool second =
        inWindow(root.second) && std::fabs(root.second - mean) < std::fabs(root.first - mean);
    kept.push_back(second ? root.second : root.first);
  }
  return kept;
}

LineAverage lineAverage(AvptProblem& p, AverageKind kind, Real fixed) {
  LineAverage line;
  line.kind = kind;
  line.fixed = fixed;
  ReactionContext& c = p.c;
  int variable = kind == AverageKind::T ? kVarT : kVarP;
  int other = variable == kVarP ? kVarT : kVarP;
  DiagramPoint point = fixedPoint(c.window);
  coordinate(point, other) = fixed;
  int range = rangeCode(variable);

  std::vector<LineRoots> roots;
  for (const Reaction& r : p.reactions) {
    roots.push_back(solveLine(c, r, point, variable));
    if (!inrange(c.window, range, roots.back().first)) return line;
  }
  int n = static_cast<int>(p.reactions.size());
  line.x = nearerRoots(roots, [&c, range](Real x) { return inrange(c.window, range, x); });
  for (int i = 0; i < n; ++i) {
    DiagramPoint at = point;
    coordinate(at, variable) = line.x[i];
    ReactionThermo th = thermoAt(c, p.reactions[i], at);
    Real slope = variable == kVarP ? th.dgdp : th.dgdt;
    if (slope == 0 || !std::isfinite(slope)) return line;
    Real s = -1 / slope;
    line.s.push_back(s);
    line.t.push_back(s * kGasConstant * at.T);
  }
  line.inRange = true;
  line.avg = redoLineAverage(p, line, p.varLnA);
  return line;
}

Average redoLineAverage(const AvptProblem& p, const LineAverage& line,
                        const std::vector<Real>& varLnA) {
  Matrix covlnk = lnKCovariance(p.reactions, varLnA);
  return weightedAverage(line.x, lineCovariance(line.s, line.t, p.covh, covlnk));
}

// ---- average PT ------------------------------------------------------------------------

namespace {

// Every reaction linearised at (T, P), with W and the sums of the normal
// equations there; false when a reaction has no pressure slope.
bool linearise(AvptProblem& p, Real T, Real P, const Matrix& covlnk, PTAverage& out) {
  int n = static_cast<int>(p.reactions.size());
  out.a.assign(n, 0);
  out.b.assign(n, 0);
  out.s.assign(n, 0);
  out.t.assign(n, 0);
  out.r.assign(n, 0);
  DiagramPoint at = fixedPoint(p.c.window);
  at.T = T;
  at.P = P;
  for (int i = 0; i < n; ++i) {
    ReactionThermo th = thermoAt(p.c, p.reactions[i], at);
    if (th.dgdp == 0 || !std::isfinite(th.dgdp) || !std::isfinite(th.dgdt) || !std::isfinite(th.dg))
      return false;
    out.b[i] = -th.dgdt / th.dgdp;
    out.a[i] = -(th.dg - th.dgdp * P - th.dgdt * T) / th.dgdp;
    out.s[i] = -1 / th.dgdp;
    out.t[i] = out.s[i] * kGasConstant * T;
    out.r[i] = out.b[i] * T + out.a[i] - P;
  }
  out.W = posdefinvert(lineCovariance(out.s, out.t, p.covh, covlnk));
  std::vector<Real> ones(static_cast<std::size_t>(n), 1);
  std::vector<Real> wb = times(out.W, out.b);
  out.S0 = sumAll(out.W);
  out.Sb = -dot(ones, wb);
  out.Sbb = dot(out.b, wb);
  out.det = out.S0 * out.Sbb - out.Sb * out.Sb;
  return true;
}

}  // namespace

PTAverage averagePTFrom(AvptProblem& p, Real T0, Real P0, const std::vector<Real>& varLnA) {
  PTAverage out;
  Matrix covlnk = lnKCovariance(p.reactions, varLnA);
  const WindowState& w = p.c.window;
  Real T = T0, P = P0;
  out.outcome = PTOutcome::notConverged;
  for (int it = 1; it <= kMaxPTIterations; ++it) {
    out.iterations = it;
    if (!linearise(p, T, P, covlnk, out) || !(out.det > 0)) {
      out.outcome = PTOutcome::singular;
      return out;
    }
    std::vector<Real> wr = times(out.W, out.r);
    std::vector<Real> ones(out.r.size(), 1);
    Real sumWr = dot(ones, wr);
    Real sumPrime = -dot(out.b, wr);
    // the normal equations solved by their determinant: Sb may be 0
    Real dT = (out.S0 * sumPrime - out.Sb * sumWr) / out.det;
    Real dP = (out.Sbb * sumWr - out.Sb * sumPrime) / out.det;
    T += dT;
    P += dP;
    out.T = T;
    out.P = P;
    if (!std::isfinite(T) || !std::isfinite(P)) {
      out.outcome = PTOutcome::singular;
      return out;
    }
    if (!inrange(w, kRangeT, T) || !inrange(w, kRangeP, P)) {
      out.outcome = PTOutcome::outsideWindow;
      return out;
    }
    if (it >= kMinPTIterations && std::fabs(dT) < kPTStopT && std::fabs(dP) < kPTStopP) {
      out.outcome = PTOutcome::converged;
      break;
    }
  }
  if (out.outcome != PTOutcome::converged) return out;
  // the statistics at the result itself
  if (!linearise(p, T, P, covlnk, out) || !(out.det > 0) || !(out.S0 > 0) || !(out.Sbb > 0)) {
    out.outcome = PTOutcome::singular;
    return out;
  }
  int n = static_cast<int>(p.reactions.size());
  Real chi2 = dot(out.r, times(out.W, out.r));
  out.sigfit = n > 2 && chi2 > 0 ? std::sqrt(chi2 / (n - 2)) : 0;
  out.sdP = std::sqrt(out.Sbb / out.det);
  out.sdT = std::sqrt(out.S0 / out.det);
  out.cor = -out.Sb / std::sqrt(out.S0 * out.Sbb);
  if (out.sigfit > 1) {
    out.sdP *= out.sigfit;
    out.sdT *= out.sigfit;
  }
  return out;
}

// ---- diagnostics -----------------------------------------------------------------------

namespace {

// The whitened regression read by end-member: X holds the design columns
// over the reactions, nInverse the inverse of X'WX, r the residuals, y the
// observed values (average P or T only).
struct Regression {
  const std::vector<Real>& s;
  const std::vector<Real>& t;
  const Matrix& W;
  std::vector<std::vector<Real>> X;
  Matrix nInverse;
  const std::vector<Real>& r;
  const std::vector<Real>* y = nullptr;
};

std::vector<int> endMembersOf(const std::vector<Reaction>& reactions, int m) {
  std::vector<int> list;
  for (int j = 1; j <= m; ++j)
    for (const Reaction& r : reactions)
      if (r[j] != 0) {
        list.push_back(j);
        break;
      }
  return list;
}

// sigma_j sum_i nu_ij t_i v_i
Real throughEndMember(const AvptProblem& p, const std::vector<Real>& t, int j, Real sigma,
                      const std::vector<Real>& v) {
  Real s = 0;
  for (std::size_t i = 0; i < p.reactions.size(); ++i) s += p.reactions[i][j] * t[i] * v[i];
  return sigma * s;
}

Diagnostics regressionRows(const AvptProblem& p, const Regression& g) {
  Diagnostics d;
  int np = static_cast<int>(g.X.size());
  d.parameters = np;
  std::vector<std::vector<Real>> wx;
  for (const auto& column : g.X) wx.push_back(times(g.W, column));
  std::vector<Real> wr = times(g.W, g.r);
  std::vector<Real> wy;
  if (g.y) wy = times(g.W, *g.y);
  const RunEndMembers& run = p.c.run;
  for (int j : endMembersOf(p.reactions, run.count())) {
    EndMemberDiagnostic row;
    row.em = j;
    Real sigma = std::sqrt(p.varLnA[j]);
    std::vector<Real> x(static_cast<std::size_t>(np));
    for (int k = 0; k < np; ++k) x[k] = throughEndMember(p, g.t, j, sigma, wx[k]);
    for (int k = 0; k < np; ++k)
      for (int l = 0; l < np; ++l) row.hat += x[k] * g.nInverse[k][l] * x[l];
    row.estar = throughEndMember(p, g.t, j, sigma, wr);
    row.aObs = run.activity[j];
    row.aCalc = row.aObs * std::exp(-row.estar * sigma);
    row.x = x[0];
    if (g.y) row.y = throughEndMember(p, g.t, j, sigma, wy);
    d.rows.push_back(row);
  }
  // the enthalpies' rows: G = S W X, and their share is trace(N^-1 G' covh G)
  int n = static_cast<int>(p.reactions.size());
  for (int k = 0; k < np; ++k)
    for (int l = 0; l < np; ++l) {
      Real m = 0;
      for (int i = 0; i < n; ++i)
        for (int q = 0; q < n; ++q) m += g.s[i] * wx[k][i] * p.covh[i][q] * g.s[q] * wx[l][q];
      d.hatEnthalpy += g.nInverse[l][k] * m;
    }
  if (!d.rows.empty()) d.hatThreshold = 2.0L * np / static_cast<Real>(d.rows.size());
  return d;
}

}  // namespace

Diagnostics lineDiagnostics(const AvptProblem& p, const LineAverage& line) {
  int n = static_cast<int>(line.x.size());
  std::vector<Real> r(line.x), y(line.x);
  for (Real& v : r) v -= line.avg.value;
  // average T reads in degrees, as it is printed
  if (line.kind == AverageKind::T)
    for (Real& v : y) v -= kCelsius;
  Regression g{line.s, line.t, line.avg.W, {std::vector<Real>(n, 1)}, Matrix{{1 / line.avg.sumW}},
               r,      &y};
  Diagnostics d = regressionRows(p, g);
  for (EndMemberDiagnostic& row : d.rows) {
    std::vector<Real> var = p.varLnA;
    var[row.em] *= 4;
    Average doubled = redoLineAverage(p, line, var);
    row.redone = doubled.ok;
    row.value = doubled.value;
    row.sd = doubled.sd;
    row.fit = doubled.sigfit;
  }
  return d;
}

Diagnostics ptDiagnostics(AvptProblem& p, const PTAverage& result, Real T0, Real P0) {
  int n = static_cast<int>(result.r.size());
  std::vector<Real> minusOnes(static_cast<std::size_t>(n), -1);
  // parameters T then P: the design rows are (b_i, -1)
  Matrix nInverse{{result.S0 / result.det, -result.Sb / result.det},
                  {-result.Sb / result.det, result.Sbb / result.det}};
  Regression g{result.s, result.t, result.W, {result.b, minusOnes}, nInverse, result.r, nullptr};
  Diagnostics d = regressionRows(p, g);
  for (EndMemberDiagnostic& row : d.rows) {
    std::vector<Real> var = p.varLnA;
    var[row.em] *= 4;
    PTAverage doubled = averagePTFrom(p, T0, P0, var);
    row.redone = doubled.outcome == PTOutcome::converged;
    row.P = doubled.P;
    row.sdP = doubled.sdP;
    row.T = doubled.T;
    row.sdT = doubled.sdT;
    row.cor = doubled.cor;
    row.fit = doubled.sigfit;
  }
  return d;
}

}  // namespace pf
