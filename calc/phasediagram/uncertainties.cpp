// Uncertainties of a solved point: those of the end-member enthalpies (the
// dataset's covariance matrix) and of the fixed activities of pure phases,
// carried through the equations linearised at the point. With r(y, H) = 0,
// J dy = -D dH, so cov(y) = J^-1 D cov(H) D^T J^-T.
#include <cmath>

#include "calc/phasediagram/loop.h"
#include "calc/thermo/gibbs.h"

namespace pf {

namespace {

// Inverse of the n x n matrix a (row-major) by elimination with partial
// pivoting; false when it is singular.
bool invert(std::vector<Real> a, int n, std::vector<Real>& inverse) {
  inverse.assign(static_cast<std::size_t>(n * n), 0);
  for (int i = 0; i < n; ++i) inverse[static_cast<std::size_t>(i * n + i)] = 1;
  auto at = [n](std::vector<Real>& m, int i, int j) -> Real& {
    return m[static_cast<std::size_t>(i * n + j)];
  };
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int i = col + 1; i < n; ++i)
      if (std::fabs(at(a, i, col)) > std::fabs(at(a, pivot, col))) pivot = i;
    if (!(std::fabs(at(a, pivot, col)) > 1e-300L)) return false;
    for (int j = 0; j < n; ++j) {
      std::swap(at(a, col, j), at(a, pivot, j));
      std::swap(at(inverse, col, j), at(inverse, pivot, j));
    }
    const Real p = at(a, col, col);
    for (int j = 0; j < n; ++j) {
      at(a, col, j) /= p;
      at(inverse, col, j) /= p;
    }
    for (int i = 0; i < n; ++i) {
      if (i == col || at(a, i, col) == 0) continue;
      const Real f = at(a, i, col);
      for (int j = 0; j < n; ++j) {
        at(a, i, j) -= f * at(a, col, j);
        at(inverse, i, j) -= f * at(inverse, col, j);
      }
    }
  }
  return true;
}

}  // namespace

std::vector<std::pair<int, Real>> datasetConstituents(const Dataset& ds, const MakeList& make,
                                                      const std::string& name) {
  auto internal = [&](const std::string& n) {
    for (int i = 1; i <= ds.endMembers; ++i)
      if (ds.em[static_cast<std::size_t>(i)].name == n) return i;
    return 0;
  };
  std::vector<std::pair<int, Real>> list;
  if (make.made()) {
    for (int k = 0; k < make.count; ++k) {
      int i = internal(make.terms[static_cast<std::size_t>(k)].name);
      if (i > 0) list.push_back({i, make.coefficient(k)});
    }
  } else if (int i = internal(name); i > 0) {
    list.push_back({i, 1});
  }
  return list;
}

std::vector<Real> pointUncertainties(EquilibriumSystem& sys, const Dataset& ds,
                                     const PhaseTables& tables) {
  const int m = sys.equationCount();
  const int u = sys.unknownCount();
  if (m != u || u == 0 || sys.evaluateAtValues(true) != Evaluation::ok) return {};
  const Assemblage& a = sys.assemblage();
  const Real T = sys.value(kTQuantity);
  const int n = ds.endMembers;
  // D: d r_k / d H_i over the dataset's end-members; A: d r_k / d ln a_e
  std::vector<Real> D(static_cast<std::size_t>(m * (n + 1)), 0);
  std::vector<Real> variance(static_cast<std::size_t>(a.endMemberCount()), 0);
  std::vector<Real> A(static_cast<std::size_t>(m * a.endMemberCount()), 0);
  for (int e = 0; e < a.endMemberCount(); ++e) {
    const AssemblageEndMember& em = a.endMembers[static_cast<std::size_t>(e)];
    const AssemblagePhase& p = a.phases[static_cast<std::size_t>(em.phase)];
    std::vector<std::pair<int, Real>> parts;
    if (p.kind == PhaseKind::solution) {
      const AxEndMember& ax = tables.solutions[static_cast<std::size_t>(p.index)]
                                  .endMembers[static_cast<std::size_t>(em.member)];
      parts = datasetConstituents(ds, ax.make, ax.name);
    } else if (p.kind == PhaseKind::pure) {
      const PurePhase& pure = tables.pures[static_cast<std::size_t>(p.index)];
      parts = datasetConstituents(ds, pure.make, pure.endMember);
      if (pure.sdActivity > 0 && pure.activity > 0) {
        const Real sdln = pure.sdActivity / pure.activity;
        variance[static_cast<std::size_t>(e)] = sdln * sdln;
      }
    }
    for (int k = 0; k < m; ++k) {
      const Real slope = static_cast<Real>(sys.coefficient(k, e)) / sys.normaliser(k);
      if (slope == 0) continue;
      for (const auto& [i, amount] : parts)
        D[static_cast<std::size_t>(k * (n + 1) + i)] += slope * amount;
      A[static_cast<std::size_t>(k * a.endMemberCount() + e)] = slope * kGasConstant * T;
    }
  }
  // cov(r) = D cov(H) D^T + A diag(var ln a) A^T
  std::vector<Real> covR(static_cast<std::size_t>(m * m), 0);
  for (int k = 0; k < m; ++k)
    for (int l = 0; l < m; ++l) {
      Real sum = 0;
      for (int i = 1; i <= n; ++i) {
        const Real dki = D[static_cast<std::size_t>(k * (n + 1) + i)];
        if (dki == 0) continue;
        for (int j = 1; j <= n; ++j) {
          const Real dlj = D[static_cast<std::size_t>(l * (n + 1) + j)];
          if (dlj != 0) sum += dki * dlj * ds.covariance(i, j);
        }
      }
      for (int e = 0; e < a.endMemberCount(); ++e)
        sum += A[static_cast<std::size_t>(k * a.endMemberCount() + e)] *
               A[static_cast<std::size_t>(l * a.endMemberCount() + e)] *
               variance[static_cast<std::size_t>(e)];
      covR[static_cast<std::size_t>(k * m + l)] = sum;
    }
  MatrixRef J = sys.lastJacobian();
  std::vector<Real> jacobian(J.data, J.data + static_cast<std::size_t>(m * u));
  std::vector<Real> inverse;
  if (!invert(jacobian, u, inverse)) return {};
  std::vector<Real> sd(sys.quantities().size(), 0);
  int column = 0;
  for (std::size_t q = 0; q < sys.quantities().size(); ++q) {
    const Quantity& quantity = sys.quantities()[q];
    if (!quantity.solved) continue;
    Real var = 0;
    for (int k = 0; k < m; ++k)
      for (int l = 0; l < m; ++l)
        var += inverse[static_cast<std::size_t>(column * u + k)] *
               covR[static_cast<std::size_t>(k * m + l)] *
               inverse[static_cast<std::size_t>(column * u + l)];
    sd[q] = std::sqrt(std::max(var, Real(0))) / std::fabs(quantity.scale);
    ++column;
  }
  return sd;
}

}  // namespace pf
