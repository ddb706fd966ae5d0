// Speed of the nonlinear solver on a 10-unknown nonlinear system (the
// tridiagonal system (3 - 2 x_i) x_i - x_(i-1) - 2 x_(i+1) + 1 = 0) from the
// fixed start x_i = -1, by both step-control methods, against the cost of
// one evaluation of residuals and jacobian and one decomposition.
#include <benchmark/benchmark.h>

#include <sstream>

#include "calc/solve/nle.h"
#include "calc/solve/svd.h"
#include "common/files.h"
#include "common/io.h"

namespace {

using pf::Real;

constexpr int kUnknowns = 10;
constexpr Real kLow = -2;
constexpr Real kHigh = 2;

class Tridiagonal : public pf::NleSystem {
 public:
  Tridiagonal() {
    for (int i = 0; i < kUnknowns; ++i) {
      pf::Quantity q;
      q.name = "x" + std::to_string(i + 1);
      q.solved = true;
      q.scale = 1 / (kHigh - kLow);
      q.offset = -kLow / (kHigh - kLow);
      q.stepScale = 1e-4L;
      list_.push_back(q);
      // each x_i + 2 stands in for a site fraction to keep positive
      pf::SiteFraction sf;
      sf.name = "sf" + std::to_string(i + 1);
      pf::ProductTerm term;
      term.count = 1;
      term.factors[0].constant = 2;
      term.factors[0].count = 1;
      term.factors[0].multiplier[0] = 1;
      term.factors[0].quantity[0] = i;
      sf.terms.push_back(term);
      bounds_.siteFractions.push_back(sf);
    }
    reset();
  }
  void reset() {
    for (pf::Quantity& q : list_) q.value = -1;
  }

  int equationCount() const override { return kUnknowns; }
  std::vector<pf::Quantity>& quantities() override { return list_; }
  const pf::StepBounds& stepBounds() const override { return bounds_; }

  pf::Evaluation evaluate(std::span<const Real> y, std::span<Real> r, pf::MatrixRef j) override {
    const Real scale = list_[0].scale;
    const Real offset = list_[0].offset;
    std::array<Real, kUnknowns> x{};
    for (int i = 0; i < kUnknowns; ++i) {
      if (y[i] < 0 || y[i] > 1) return pf::Evaluation::failed;
      x[i] = (y[i] - offset) / scale;
    }
    for (int i = 0; i < kUnknowns; ++i) {
      const Real left = i > 0 ? x[i - 1] : 0;
      const Real right = i + 1 < kUnknowns ? x[i + 1] : 0;
      r[i] = (3 - 2 * x[i]) * x[i] - left - 2 * right + 1;
    }
    if (j.data == nullptr) return pf::Evaluation::ok;
    for (int i = 0; i < kUnknowns; ++i)
      for (int k = 0; k < kUnknowns; ++k) j(i, k) = 0;
    for (int i = 0; i < kUnknowns; ++i) {
      j(i, i) = (3 - 4 * x[i]) / scale;
      if (i > 0) j(i, i - 1) = -1 / scale;
      if (i + 1 < kUnknowns) j(i, i + 1) = -2 / scale;
    }
    return pf::Evaluation::ok;
  }

 private:
  std::vector<pf::Quantity> list_;
  pf::StepBounds bounds_;
};

struct Quiet {
  pf::MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  pf::Io io{pf::Program::calculator, in, out, files};
};

void solve(benchmark::State& state, bool lineSearch) {
  Tridiagonal system;
  Quiet quiet;
  pf::NleWorkspace workspace;
  pf::NleOptions options;
  options.printLevel = 0;
  options.lineSearch = lineSearch;
  long iterations = 0;
  long evaluations = 0;
  for (auto _ : state) {
    system.reset();
    pf::NleResult result = pf::nle(system, options, quiet.io, workspace);
    if (result.code != pf::kConverged) state.SkipWithError("did not converge");
    iterations += result.iterations;
    evaluations += result.evaluations;
    benchmark::DoNotOptimize(result);
  }
  const double solves = static_cast<double>(state.iterations());
  state.counters["nle_iterations"] = static_cast<double>(iterations) / solves;
  state.counters["evaluations"] = static_cast<double>(evaluations) / solves;
  state.counters["solves_per_s"] = benchmark::Counter(solves, benchmark::Counter::kIsRate);
}

void BM_SolveTenUnknownsSteplength(benchmark::State& state) {
  solve(state, true);
}
void BM_SolveTenUnknownsTrustRegion(benchmark::State& state) {
  solve(state, false);
}

// Baselines: one evaluation with jacobian, one 10 x 10 decomposition.
void BM_BaselineEvaluation(benchmark::State& state) {
  Tridiagonal system;
  std::vector<Real> y(kUnknowns, 0.25L), r(kUnknowns), j(kUnknowns * kUnknowns);
  for (auto _ : state) {
    system.evaluate(y, r, {j.data(), kUnknowns, kUnknowns});
    benchmark::DoNotOptimize(j.data());
  }
}

void BM_BaselineSvd(benchmark::State& state) {
  Tridiagonal system;
  std::vector<Real> y(kUnknowns, 0.25L), r(kUnknowns), j(kUnknowns * kUnknowns);
  system.evaluate(y, r, {j.data(), kUnknowns, kUnknowns});
  std::vector<Real> u(kUnknowns * kUnknowns), sigma(kUnknowns), v(kUnknowns * kUnknowns);
  for (auto _ : state) {
    pf::jacobiSvd({j.data(), kUnknowns, kUnknowns}, {u.data(), kUnknowns, kUnknowns}, sigma,
                  {v.data(), kUnknowns, kUnknowns});
    benchmark::DoNotOptimize(sigma.data());
  }
}

BENCHMARK(BM_BaselineEvaluation);
BENCHMARK(BM_BaselineSvd);
BENCHMARK(BM_SolveTenUnknownsSteplength);
BENCHMARK(BM_SolveTenUnknownsTrustRegion);

}  // namespace
