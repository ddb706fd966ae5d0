#include "calc/solve/nle.h"

#include <algorithm>
#include <cmath>

#include "calc/solve/nle_steps.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr int kQuantitiesPerLine = 6;
constexpr int kQuantityField = 12;
constexpr int kJacobianField = 12;
constexpr int kUnderscores = 60;

std::span<Real> head(std::vector<Real>& v, int count) {
  return {v.data(), static_cast<std::size_t>(count)};
}

void checkLinearForm(const LinearForm& form, int quantityCount) {
  if (form.count < 0 || form.count > kMaxFactorTerms)
    bomb("nle", "linear form with a bad term count", 1);
  for (int k = 0; k < form.count; ++k)
    if (form.quantity[k] < 0 || form.quantity[k] >= quantityCount)
      bomb("nle", "limit refers to no quantity", 1);
}

// The caller's tables are checked once, so that nothing later can read past them.
void checkProblem(const std::vector<Quantity>& quantities, const StepBounds& bounds,
                  int equations) {
  if (equations < 0) bomb("nle", "negative number of equations", 1);
  for (const Quantity& q : quantities)
    if (q.solved && (!(q.stepScale > 0) || !(q.scale != 0) || !std::isfinite(q.scale)))
      bomb("nle", "bad scale for " + q.name, 1);
  if (static_cast<int>(bounds.siteFractions.size()) > kMaxTrackedSiteFractions)
    bomb("nle", "too many site fractions to track", 1);
  if (static_cast<int>(bounds.variableLimits.size()) > kMaxVariableLimits)
    bomb("nle", "too many variable limits", 1);
  const int count = static_cast<int>(quantities.size());
  for (const SiteFraction& sf : bounds.siteFractions) {
    if (static_cast<int>(sf.terms.size()) > kMaxSiteFractionTerms)
      bomb("nle", "too many terms in site fraction " + sf.name, 1);
    for (const ProductTerm& term : sf.terms) {
      if (term.count < 1 || term.count > kMaxLinearFactors)
        bomb("nle", "bad factor count in site fraction " + sf.name, 1);
      for (int f = 0; f < term.count; ++f) checkLinearForm(term.factors[f], count);
    }
  }
  for (const LinearForm& limit : bounds.variableLimits) checkLinearForm(limit, count);
}

void writeBack(NleCall& call) {
  for (int k = 0; k < call.n; ++k) {
    Quantity& q = call.quantities[call.ws.solved[k]];
    q.value = (call.ws.y[k] - q.offset) / q.scale;
  }
}

Evaluation evaluateAt(NleCall& call, std::span<const Real> y, std::span<Real> r, bool jacobian) {
  ++call.evaluations;
  call.stateAtY = y.data() == call.ws.y.data();
  MatrixRef j = jacobian ? call.jacobian() : MatrixRef{nullptr, call.m, call.n};
  Evaluation e = call.system.evaluate(y, r, j);
  if (e != Evaluation::ok) return e;
  bool infinite = false;
  for (Real value : r) {
    if (std::isnan(value)) bomb("startup", "residual NaN");
    if (std::isinf(value)) infinite = true;
  }
  return infinite ? Evaluation::failed : Evaluation::ok;
}

Real halfSumOfSquares(std::span<const Real> r) {
  Real sum = 0;
  for (Real value : r) sum += value * value;
  return sum / 2;
}

void divideByZeroStop(NleCall& call) {
  Io& io = call.io;
  const unsigned mask = call.options.mask;
  io.putstr(0, "Divide by zero occurred during calculation of jacobian??", 1, mask);
  io.putstr(0, "Check that initial guess substituted into a composition term doesn't give zero.", 1,
            mask);
  io.putstr(0, "If so, change starting guess or guesses:", 1, mask);
  writeBack(call);
  printQuantities(call);
  bomb("startup", "divide by zero in jacobian");
}

// Forward differences in the normalised unknowns; a column whose forward
// point is inadmissible (an unknown at its upper bound) is taken backward.
void fdjacobian(NleCall& call) {
  NleWorkspace& ws = call.ws;
  std::span<Real> trialY = head(ws.yTrial, call.n);
  std::span<Real> plus = head(ws.fdResiduals, call.m);
  MatrixRef fd{ws.fdJacobian.data(), call.m, call.n};
  for (int q = 0; q < call.n; ++q) {
    std::copy_n(ws.y.begin(), call.n, trialY.begin());
    trialY[q] = ws.y[q] + kFdStep;
    Real direction = 1;
    if (evaluateAt(call, trialY, plus, false) != Evaluation::ok) {
      trialY[q] = ws.y[q] - kFdStep;
      direction = -1;
      if (evaluateAt(call, trialY, plus, false) != Evaluation::ok)
        bomb("startup", "bad start to iteration");
    }
    for (int i = 0; i < call.m; ++i) fd(i, q) = direction * (plus[i] - ws.residuals[i]) / kFdStep;
  }
}

void printMatrix(NleCall& call, const char* title, MatrixRef a) {
  call.io.putstr(0, title, 1, call.options.mask);
  for (int i = 0; i < a.rows; ++i) {
    std::string line;
    for (int j = 0; j < a.cols; ++j)
      addfield(line, a(i, j), 5, Digits::significant, kJacobianField);
    call.io.putstr(0, line, 1, call.options.mask);
  }
}

void printJacobianCheck(NleCall& call) {
  MatrixRef analytic = call.jacobian();
  MatrixRef fd{call.ws.fdJacobian.data(), call.m, call.n};
  printMatrix(call, "analytical jacobian", analytic);
  printMatrix(call, "fd jacobian", fd);
  call.io.putstr(0, "% difference", 1, call.options.mask);
  for (int i = 0; i < call.m; ++i) {
    std::string line;
    for (int j = 0; j < call.n; ++j) {
      Real a = analytic(i, j);
      if (std::fabs(a) < kJacobianCheckFloor && std::fabs(fd(i, j)) < kJacobianCheckFloor)
        addfield(line, "", kJacobianField);
      else if (std::fabs(a) < kJacobianCheckFloor)
        addfield(line, "*", kJacobianField);
      else
        addfield(line, 100 * (fd(i, j) - a) / a, 3, Digits::significant, kJacobianField);
    }
    call.io.putstr(0, line, 1, call.options.mask);
  }
}

void decompose(NleCall& call) {
  NleWorkspace& ws = call.ws;
  MatrixRef u{ws.u.data(), call.m, call.n};
  MatrixRef v{ws.v.data(), call.n, call.n};
  jacobiSvd(call.jacobian(), u, head(ws.sigma, call.n), v);
  const Real cut = call.n > 0 ? kSingularCut * ws.sigma[0] : 0;
  call.kept = 0;
  while (call.kept < call.n && ws.sigma[call.kept] > cut) ++call.kept;
  call.rankDeficient = call.kept < call.n;
  for (int l = 0; l < call.kept; ++l) {
    Real sum = 0;
    for (int i = 0; i < call.m; ++i) sum += u(i, l) * ws.residuals[i];
    ws.projected[l] = sum;
  }
}

Real maxAbs(std::span<const Real> values) {
  Real largest = 0;
  for (Real value : values) largest = std::max(largest, std::fabs(value));
  return largest;
}

void printNames(NleCall& call, int first, int last) {
  std::string names;
  std::string values;
  for (int i = first; i < last; ++i) {
    bool extra = i >= static_cast<int>(call.quantities.size());
    int e = i - static_cast<int>(call.quantities.size());
    const Quantity* q = extra ? nullptr : &call.quantities[i];
    addfield(names, extra ? call.system.extraName(e) : q->name, kQuantityField);
    Real value = extra ? call.system.extraValue(e) : q->value - (q->shownInCelsius ? 273 : 0);
    addfield(values, value, kQuantityField);
  }
  call.io.putstr(0, names, 1, call.options.mask);
  call.io.putstr(0, values, 1, call.options.mask);
}

int finalCode(const NleCall& call, bool overit, int method) {
  const Trial& t = call.trial;
  if (t.esize || t.fsize || t.dxconverge) return kConverged;
  if (t.dxstop) return kStepTooSmall;
  if (overit) return kTooManyIterations;
  if (method >= kMethodSingular && method <= kMethodSlimSmall) return method + 2;
  return kShouldntGetHere;
}

void printOutcome(NleCall& call, int code) {
  Io& io = call.io;
  const unsigned mask = call.options.mask;
  std::string reason = "   " + nleReason(code, call.trial.esize, call.trial.fsize);
  if (code == kConverged) {
    io.putstr(0, reason, 1, mask);
    return;
  }
  io.putstr(0, "No solution (" + std::to_string(code) + "):", 1, mask);
  io.putstr(0, reason, 1, mask);
  io.putstr(0, "at which stage x was:", 1, mask);
  printQuantities(call);
  io.putstr(0, std::string(kUnderscores, '_'), 1, mask);
}

void printHeader(NleCall& call) {
  std::string line =
      call.options.lineSearch ? "nle, steplength algorithm: " : "nle, trust region: ";
  line += std::to_string(call.n) + " unknowns, " + std::to_string(call.m) + " equations";
  call.io.putstr(0, line, 1, call.options.mask);
  std::string columns;
  addfield(columns, "it", 4);
  addfield(columns, "f", 12);
  addfield(columns, "maxe", 12);
  if (call.options.lineSearch) {
    addfield(columns, "slim", 12);
    addfield(columns, "acc", 4);
    addfield(columns, "step", 12);
  } else {
    addfield(columns, "radius", 12);
    addfield(columns, "", 4);
    addfield(columns, "lambda", 12);
    addfield(columns, "rho", 12);
  }
  call.io.putstr(0, columns, 1, call.options.mask);
}

// One line per iteration of the line search.
void printIteration(NleCall& call, Real f, Real maxe, StepLimit limit, Real alpha) {
  if (call.options.printLevel < 3) return;
  std::string line;
  addfield(line, std::to_string(call.iteration), 4);
  addfield(line, f, 12);
  addfield(line, maxe, 12);
  addfield(line, limit.slim, 12);
  addfield(line, std::to_string(limit.access), 4);
  addfield(line, alpha, 12);
  if (call.rankDeficient) addfield(line, "  rank deficient", 0);
  call.io.putstr(0, line, 1, call.options.mask);
}

// The line search: one Gauss-Newton step per iteration, limited and damped.
int lineSearchIterations(NleCall& call, bool& overit) {
  for (int it = 1; it <= kLineSearchIterations; ++it) {
    call.iteration = it;
    startup(call);
    const Real f = call.f0;
    const Real maxe = maxAbs(head(call.ws.residuals, call.m));
    gaussNewtonStep(call);
    if (singularStep(call)) {
      if (call.options.printLevel >= 2)
        call.io.putstr(0, "singular jacobian - coplanar starting guesses or pathological case?", 1,
                       call.options.mask);
      if (call.options.printLevel >= 4) {
        writeBack(call);
        printQuantities(call);
      }
      return kMethodSingular;
    }
    StepLimit limit = findlimit(call);
    if (limit.slim < kSmallestSlim) {
      printIteration(call, f, maxe, limit, 0);
      return kMethodSlimSmall;
    }
    int method = steplength(call, limit);
    printIteration(call, f, maxe, limit, call.trial.alpha);
    if (method != kMethodOk) return method;
    if (call.trial.stops()) return kMethodOk;
  }
  overit = true;
  return kMethodOk;
}

}  // namespace

std::string nleReason(int code, bool esize, bool fsize) {
  switch (code) {
    case kConverged:
      return esize   ? "size of max residual (esize)"
             : fsize ? "size of sum of squares of residual (fsize)"
                     : "step too small near solution (dxconverge)";
    case kStepTooSmall:
      return "step too small distant from solution (dxstop)";
    case kTooManyIterations:
      return "too many iterations (overit)";
    case kJacobianSingular:
      return "jacobian singular in steplength";
    case kNoInterval:
      return "too many iterations in finding interval in steplength";
    case kNoValueInInterval:
      return "too many iterations in finding value in interval in steplength";
    case kNotReducedAtBoundary:
      return "sequence of not reduced (at accessible boundary) in steplength";
    case kSlimTooSmall:
      return "slim too small (on edge looking out?)";
    case kCouldNotStart:
      return "solver could not start";
    default:
      return "shouldn't get here";
  }
}

void NleWorkspace::prepare(int equations, int unknowns, int quantityCount, int siteFractions) {
  const auto m = static_cast<std::size_t>(equations);
  const auto n = static_cast<std::size_t>(unknowns);
  for (auto* vec : {&y, &yTrial, &weight, &step, &sigma, &projected}) vec->assign(n, 0);
  for (auto* vec : {&residuals, &trialResiduals, &fdResiduals, &jstep}) vec->assign(m, 0);
  for (auto* vec : {&jacobian, &fdJacobian, &u}) vec->assign(m * n, 0);
  v.assign(n * n, 0);
  x.assign(static_cast<std::size_t>(quantityCount), 0);
  xRate.assign(static_cast<std::size_t>(quantityCount), 0);
  poly.assign(4 * static_cast<std::size_t>(siteFractions), 0);
  solved.clear();
  solved.reserve(static_cast<std::size_t>(quantityCount));
}

void printQuantities(NleCall& call) {
  const int total = static_cast<int>(call.quantities.size()) + call.system.extraCount();
  for (int first = 0; first < total; first += kQuantitiesPerLine)
    printNames(call, first, std::min(total, first + kQuantitiesPerLine));
}

void startup(NleCall& call) {
  NleWorkspace& ws = call.ws;
  const bool analytic = call.system.hasJacobian();
  const bool useFd = !analytic || call.options.jacobianMode >= 2;
  const bool compare = analytic && call.options.jacobianMode >= 1;
  std::span<Real> r = head(ws.residuals, call.m);
  if (useFd || compare) {
    if (evaluateAt(call, call.y(), r, false) != Evaluation::ok)
      bomb("startup", "bad start to iteration");
    fdjacobian(call);
  }
  if (analytic) {
    Evaluation e = evaluateAt(call, call.y(), r, true);
    if (e == Evaluation::failed) bomb("startup", "bad start to iteration");
    if (e == Evaluation::divideByZero) divideByZeroStop(call);
  }
  if (compare) printJacobianCheck(call);
  if (useFd) std::copy_n(ws.fdJacobian.begin(), call.m * call.n, ws.jacobian.begin());
  const std::size_t entries = static_cast<std::size_t>(call.m) * static_cast<std::size_t>(call.n);
  for (std::size_t i = 0; i < entries; ++i)
    if (std::isnan(ws.jacobian[i])) bomb("startup", "jacobian NaN");
  for (std::size_t i = 0; i < entries; ++i)
    if (std::isinf(ws.jacobian[i])) divideByZeroStop(call);
  call.f0 = halfSumOfSquares(r);
  decompose(call);
}

void gaussNewtonStep(NleCall& call) {
  NleWorkspace& ws = call.ws;
  MatrixRef v{ws.v.data(), call.n, call.n};
  for (int k = 0; k < call.n; ++k) {
    Real sum = 0;
    for (int l = 0; l < call.kept; ++l) sum += v(k, l) * ws.projected[l] / ws.sigma[l];
    ws.step[k] = sum;
  }
}

// A jacobian with nothing kept while the residuals are not small, or a
// Gauss-Newton step hundreds of times the range of a normalised unknown.
bool singularStep(const NleCall& call) {
  const std::span<const Real> r{call.ws.residuals.data(), static_cast<std::size_t>(call.m)};
  if (call.kept == 0) return maxAbs(r) > kEsize;
  const std::span<const Real> step{call.ws.step.data(), static_cast<std::size_t>(call.n)};
  return maxAbs(step) > kSingularStep;
}

void jacobianTimesStep(NleCall& call) {
  MatrixRef j = call.jacobian();
  for (int i = 0; i < call.m; ++i) {
    Real sum = 0;
    for (int k = 0; k < call.n; ++k) sum += j(i, k) * call.ws.step[k];
    call.ws.jstep[i] = sum;
  }
}

void trialpoint(NleCall& call, Real alpha) {
  if (!(alpha > 0)) bomb("nle", "called with step <= 0");
  NleWorkspace& ws = call.ws;
  for (int k = 0; k < call.n; ++k) ws.yTrial[k] = ws.y[k] - alpha * ws.step[k];
  std::span<Real> r = head(ws.trialResiduals, call.m);
  Evaluation e = evaluateAt(call, head(ws.yTrial, call.n), r, false);
  Trial& t = call.trial;
  t = Trial{};
  t.alpha = alpha;
  if (e != Evaluation::ok) {
    t.failed = true;
    t.f = 1;
    t.slope = 0;
    t.maxe = 1;
    t.maxdx = 1;
    return;
  }
  t.f = halfSumOfSquares(r);
  Real slope = 0;
  for (int i = 0; i < call.m; ++i) slope -= ws.jstep[i] * r[i];
  t.slope = slope;
  t.maxe = maxAbs(r);
  for (int k = 0; k < call.n; ++k)
    t.maxdx = std::max(t.maxdx, std::fabs(alpha * ws.step[k] * ws.weight[k]));
  t.fsize = t.f < kFsize;
  t.esize = t.maxe <= kEsize;
  t.dxstop = t.maxdx < kDxstop;
  t.dxconverge = t.dxstop && t.maxe < kDxconverge;
}

void acceptTrial(NleCall& call) {
  NleWorkspace& ws = call.ws;
  std::copy_n(ws.yTrial.begin(), call.n, ws.y.begin());
  std::copy_n(ws.trialResiduals.begin(), call.m, ws.residuals.begin());
  call.f0 = call.trial.f;
  call.stateAtY = true;
}

bool mayRetryAfterFailure(NleCall& call, int& failures) {
  if (++failures < kMaxFailedTrials) return true;
  if (call.options.printLevel != 0) bomb("nle", "not ok (" + std::to_string(call.iteration) + ")");
  return false;
}

StepLimit findlimit(NleCall& call) {
  NleWorkspace& ws = call.ws;
  const std::span<const int> solved{ws.solved.data(), ws.solved.size()};
  fillAlongStep(call.quantities, solved, call.y(), call.step(), ws.x, ws.xRate);
  return findlimit(call.quantities, solved, call.y(), call.step(), call.bounds, ws.x, ws.xRate,
                   ws.poly, call.eps, call.io, call.options.mask);
}

NleResult nle(NleSystem& system, const NleOptions& options, Io& io, NleWorkspace& workspace) {
  std::vector<Quantity>& quantities = system.quantities();
  const StepBounds& bounds = system.stepBounds();
  const int m = system.equationCount();
  checkProblem(quantities, bounds, m);

  int n = 0;
  for (const Quantity& q : quantities) n += q.solved ? 1 : 0;
  workspace.prepare(m, n, static_cast<int>(quantities.size()),
                    static_cast<int>(bounds.siteFractions.size()));
  for (int i = 0; i < static_cast<int>(quantities.size()); ++i)
    if (quantities[i].solved) workspace.solved.push_back(i);

  NleCall call{system, quantities, bounds, options, io, workspace};
  call.m = m;
  call.n = n;
  call.eps = machineEpsilon();
  for (int k = 0; k < n; ++k) {
    const Quantity& q = quantities[workspace.solved[k]];
    workspace.y[k] = q.scale * q.value + q.offset;
    workspace.weight[k] = 1 / q.stepScale;
  }
  if (options.printLevel >= 3) printHeader(call);

  NleResult result;
  int code = kShouldntGetHere;
  if (evaluateAt(call, call.y(), head(workspace.residuals, m), false) != Evaluation::ok) {
    io.putstr(0, "solver could not start", 1, options.mask);
    if (!options.minimising && options.printLevel != 0) {
      printQuantities(call);
      bomb("nle", "illegal start");
    }
    code = kCouldNotStart;
  } else {
    call.f0 = halfSumOfSquares(head(workspace.residuals, m));
    bool overit = false;
    int method =
        options.lineSearch ? lineSearchIterations(call, overit) : trustregion(call, overit);
    code = finalCode(call, overit, method);
    // the caller's tables should describe the point handed back
    if (!call.stateAtY) evaluateAt(call, call.y(), head(workspace.residuals, m), false);
    result.sumOfSquares = halfSumOfSquares(head(workspace.residuals, m));
    result.maxResidual = maxAbs(head(workspace.residuals, m));
  }
  writeBack(call);
  if (options.printLevel >= 2) printOutcome(call, code);

  result.code = code;
  result.iterations = call.iteration;
  result.evaluations = call.evaluations;
  result.rankDeficient = call.rankDeficient;
  return result;
}

NleResult nle(NleSystem& system, const NleOptions& options, Io& io) {
  NleWorkspace workspace;
  return nle(system, options, io, workspace);
}

}  // namespace pf
