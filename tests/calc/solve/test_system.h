// A small system of equations for driving the solver in tests: residuals
// and jacobian written in the quantities' own units, evaluation that fails
// outside the bounds or at a non-positive site fraction (as the equilibrium
// equations do), and a record of every point evaluated.
#pragma once

#include <cmath>
#include <functional>
#include <sstream>
#include <vector>

#include "calc/solve/nle.h"
#include "common/files.h"
#include "common/io.h"
#include "tests/common/console_fixture.h"

namespace pf::test {

using Values = std::vector<Real>;
using Residuals = std::function<bool(const Values& x, Values& r)>;
// d r_i / d x_q for every quantity q (held ones included), row-major m x q
using Jacobian = std::function<void(const Values& x, Values& j)>;

class TestSystem : public NleSystem {
 public:
  std::vector<Quantity> list;
  StepBounds limits;
  int equations = 0;
  Residuals residuals;
  Jacobian derivatives;         // empty: no analytical jacobian
  std::vector<Values> visited;  // x at every evaluation
  std::vector<bool> withJacobian;
  int extras = 0;

  int equationCount() const override { return equations; }
  std::vector<Quantity>& quantities() override { return list; }
  const StepBounds& stepBounds() const override { return limits; }
  bool hasJacobian() const override { return static_cast<bool>(derivatives); }
  int extraCount() const override { return extras; }
  std::string extraName(int i) const override { return "mode" + std::to_string(i + 1); }
  Real extraValue(int i) const override { return Real{0.25L} * (i + 1); }

  Values unscaled(std::span<const Real> y) const {
    Values x;
    int k = 0;
    for (const Quantity& q : list) x.push_back(q.solved ? (y[k++] - q.offset) / q.scale : q.value);
    return x;
  }

  Evaluation evaluate(std::span<const Real> y, std::span<Real> r, MatrixRef j) override {
    Values x = unscaled(y);
    visited.push_back(x);
    withJacobian.push_back(j.data != nullptr);
    int k = 0;
    for (const Quantity& q : list) {
      if (!q.solved) continue;
      Real v = y[k++];
      bool low = q.lowerRule == kStrictBound ? v <= 0 : v < 0;
      bool high = q.upperRule == kStrictBound ? v >= 1 : v > 1;
      if (low || high) return Evaluation::failed;
    }
    for (const SiteFraction& sf : limits.siteFractions)
      if (!(siteFraction(sf, x) > 0)) return Evaluation::failed;
    Values out(static_cast<std::size_t>(equations), 0);
    if (!residuals(x, out)) return Evaluation::failed;
    for (int i = 0; i < equations; ++i) r[i] = out[i];
    if (j.data != nullptr) {
      const int count = static_cast<int>(list.size());
      Values full(static_cast<std::size_t>(equations * count), 0);
      derivatives(x, full);
      for (int i = 0; i < equations; ++i) {
        int col = 0;
        for (int q = 0; q < count; ++q)
          if (list[q].solved) j(i, col++) = full[i * count + q] / list[q].scale;
      }
    }
    return Evaluation::ok;
  }

  static Real linear(const LinearForm& form, const Values& x) {
    Real v = form.constant;
    for (int k = 0; k < form.count; ++k) v += form.multiplier[k] * x[form.quantity[k]];
    return v;
  }
  static Real siteFraction(const SiteFraction& sf, const Values& x) {
    Real sum = 0;
    for (const ProductTerm& t : sf.terms) {
      Real product = t.factor;
      for (int f = 0; f < t.count; ++f) product *= linear(t.factors[f], x);
      sum += product;
    }
    return sum;
  }
};

// A quantity whose range [low, high] maps onto [0, 1].
inline Quantity ranged(const std::string& name, Real value, Real low, Real high,
                       Real stepScale = 1e-4L, bool solved = true) {
  Quantity q;
  q.name = name;
  q.value = value;
  q.solved = solved;
  q.scale = 1 / (high - low);
  q.offset = -low / (high - low);
  q.stepScale = stepScale;
  return q;
}

inline LinearForm form(Real constant, std::vector<std::pair<Real, int>> terms) {
  LinearForm f;
  f.constant = constant;
  f.count = static_cast<int>(terms.size());
  for (std::size_t k = 0; k < terms.size(); ++k) {
    f.multiplier[k] = terms[k].first;
    f.quantity[k] = terms[k].second;
  }
  return f;
}

inline ProductTerm product(Real factor, std::vector<LinearForm> factors) {
  ProductTerm t;
  t.factor = factor;
  t.count = static_cast<int>(factors.size());
  for (std::size_t k = 0; k < factors.size(); ++k) t.factors[k] = factors[k];
  return t;
}

using pf::Console;  // an Io writing to a string, with no files open

}  // namespace pf::test
