// The physics a printed phase-diagram point must satisfy: at the printed
// P, T and compositions, each reaction of a basis of the reactions among the
// end-members of the printed assemblage has zero affinity, within what the
// printed digits allow. The affinities are formed from the end-member Gibbs
// energies and the a-x activities alone; the reactions are a null-space
// basis of the element matrix, not the calculator's own set.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "calc/ax/activity.h"
#include "calc/thermo/gibbs.h"
#include "tests/calc/ax/ax_fixture.h"

namespace pf::testing {

// A printed number and half a unit of its last digit.
struct Printed {
  Real value = 0;
  Real half = 0;
};

inline Printed printed(const std::string& token) {
  Printed p;
  p.value = std::stold(token);
  std::size_t dot = token.find('.');
  int decimals = dot == std::string::npos ? 0 : static_cast<int>(token.size() - dot - 1);
  p.half = 0.5L * std::pow(10.0L, -decimals);
  return p;
}

inline std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

inline bool isNumber(const std::string& w) {
  return !w.empty() && (std::isdigit(static_cast<unsigned char>(w[0])) || w[0] == '-') &&
         w.find_first_not_of("0123456789.-") == std::string::npos;
}

// One printed point: the assemblage and the printed values by name.
struct PointRow {
  std::vector<std::string> phases;
  Printed P, T;  // kbar, degrees
  std::map<std::string, Printed> variables;
};

// An end-member of the assemblage with what its chemical potential needs.
struct Member {
  const EndMember* record = nullptr;
  int solution = -1;  // index in the tables, or -1 for a pure phase
  int position = 0;   // among its solution's end-members
  Real activity = 1;  // of a pure phase
};

inline std::vector<Member> membersOf(const PhaseTables& t, const std::vector<std::string>& phases) {
  std::vector<Member> members;
  for (const std::string& name : phases) {
    int s = t.findSolution(name);
    if (s >= 0) {
      const SolutionPhase& phase = t.solutions[static_cast<std::size_t>(s)];
      for (int l = 0; l < phase.endMemberCount(); ++l)
        members.push_back({&phase.endMembers[static_cast<std::size_t>(l)].record, s, l, 1});
      continue;
    }
    int p = t.findPure(name);
    EXPECT_GE(p, 0) << name;
    const PurePhase& pure = t.pures[static_cast<std::size_t>(p)];
    members.push_back({&pure.record, -1, 0, pure.activity});
  }
  return members;
}

// A basis of the null space of the element matrix (elements by end-members).
inline std::vector<std::vector<Real>> reactionBasis(const std::vector<Member>& members) {
  const int n = static_cast<int>(members.size());
  std::vector<std::vector<Real>> m;
  for (int row = 1; row <= kElementCount; ++row) {
    std::vector<Real> r(static_cast<std::size_t>(n));
    bool any = false;
    for (int e = 0; e < n; ++e) {
      r[static_cast<std::size_t>(e)] =
          elementAmounts(*members[static_cast<std::size_t>(e)].record)[row];
      any = any || r[static_cast<std::size_t>(e)] != 0;
    }
    if (any) m.push_back(r);
  }
  // reduced row echelon form
  std::vector<int> pivotColumn;
  std::size_t rank = 0;
  for (int col = 0; col < n && rank < m.size(); ++col) {
    std::size_t best = rank;
    for (std::size_t i = rank; i < m.size(); ++i)
      if (std::fabs(m[i][col]) > std::fabs(m[best][col])) best = i;
    if (std::fabs(m[best][col]) < 1e-12L) continue;
    std::swap(m[best], m[rank]);
    Real pivot = m[rank][col];
    for (Real& v : m[rank]) v /= pivot;
    for (std::size_t i = 0; i < m.size(); ++i) {
      if (i == rank || m[i][col] == 0) continue;
      Real f = m[i][col];
      for (int k = 0; k < n; ++k) m[i][k] -= f * m[rank][k];
    }
    pivotColumn.push_back(col);
    ++rank;
  }
  std::vector<std::vector<Real>> basis;
  for (int free = 0; free < n; ++free) {
    if (std::find(pivotColumn.begin(), pivotColumn.end(), free) != pivotColumn.end()) continue;
    std::vector<Real> nu(static_cast<std::size_t>(n), 0);
    nu[static_cast<std::size_t>(free)] = 1;
    for (std::size_t i = 0; i < pivotColumn.size(); ++i)
      nu[static_cast<std::size_t>(pivotColumn[i])] = -m[i][free];
    basis.push_back(nu);
  }
  return basis;
}

// Chemical potentials of the members at P (kbar), T (K) and the variables.
inline std::vector<Real> potentials(const PhaseTables& t, const std::vector<Member>& members,
                                    Real P, Real T, const std::map<std::string, Real>& x) {
  Console quiet;
  GibbsSettings settings;
  settings.dsmode = 5;
  settings.ds6 = true;
  settings.phaseDiagram = true;
  std::vector<Real> mu;
  std::map<int, ActivityResult> activities;
  for (const Member& m : members) {
    Real lna = std::log(m.activity);
    if (m.solution >= 0) {
      const SolutionPhase& phase = t.solutions[static_cast<std::size_t>(m.solution)];
      if (activities.count(m.solution) == 0) {
        std::vector<Real> values;
        for (const Variable& v : phase.variables) values.push_back(x.at(v.name));
        ActivityContext context;
        context.io = &quiet.io;
        context.ds6 = true;
        calca(phase, values, P, T, 0, context, activities[m.solution]);
      }
      lna = std::log(activities[m.solution].a[static_cast<std::size_t>(m.position)]);
    }
    mu.push_back(gem(quiet.io, *m.record, P, T, settings) + kR * T * lna);
  }
  return mu;
}

inline Real affinity(const std::vector<Real>& nu, const std::vector<Real>& mu) {
  Real a = 0;
  for (std::size_t e = 0; e < nu.size(); ++e) a += nu[e] * mu[e];
  return a;
}

// Checks one point; returns the number of reactions checked.
inline int checkPoint(const PointRow& row, const std::string& where) {
  const PhaseTables& t = demoAx().tables;
  std::vector<Member> members = membersOf(t, row.phases);
  std::vector<std::vector<Real>> basis = reactionBasis(members);
  std::map<std::string, Real> x;
  for (const auto& [name, value] : row.variables) x[name] = value.value;
  const Real P = row.P.value, T = row.T.value + 273;
  std::vector<Real> mu = potentials(t, members, P, T, x);
  // the slopes of each affinity along the printed quantities, by central
  // differences, give what the rounding of each can account for
  auto shifted = [&](const std::string& which, Real h) {
    std::map<std::string, Real> y = x;
    Real p = P, temperature = T;
    if (which == "P")
      p += h;
    else if (which == "T")
      temperature += h;
    else
      y[which] += h;
    return potentials(t, members, p, temperature, y);
  };
  std::vector<std::pair<std::string, Real>> quantities{{"P", row.P.half}, {"T", row.T.half}};
  for (const auto& [name, value] : row.variables) quantities.push_back({name, value.half});
  std::vector<Real> allowed(basis.size(), 0);
  for (const auto& [name, half] : quantities) {
    const Real h = 1e-6L;
    std::vector<Real> up = shifted(name, h), down = shifted(name, -h);
    for (std::size_t k = 0; k < basis.size(); ++k)
      allowed[k] += std::fabs((affinity(basis[k], up) - affinity(basis[k], down)) / (2 * h)) * half;
  }
  for (std::size_t k = 0; k < basis.size(); ++k) {
    Real a = affinity(basis[k], mu);
    EXPECT_LE(std::fabs(a), allowed[k] * 1.001L + 1e-9L)
        << where << ": reaction " << k << " affinity " << static_cast<double>(a) << " kJ, allowed "
        << static_cast<double>(allowed[k]);
  }
  return static_cast<int>(basis.size());
}

// The results tables: "phases :" names the assemblage, a heads row names
// the columns, and each row of numbers is a point.
inline std::vector<PointRow> resultsRows(const std::string& text) {
  std::vector<PointRow> rows;
  std::vector<std::string> phases, heads;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> w = words(line);
    if (w.empty()) continue;
    if (w[0] == "phases" && w.size() > 2 && w[1] == ":") {
      phases.clear();
      for (std::size_t k = 2; k < w.size() && w[k] != "-"; ++k) phases.push_back(w[k]);
      heads.clear();
    } else if (w[0] == "P(kbar)") {
      heads = w;
    } else if (!heads.empty() && w.size() == heads.size() && isNumber(w[0])) {
      PointRow r;
      r.phases = phases;
      r.P = printed(w[0]);
      r.T = printed(w[1]);
      for (std::size_t k = 2; k < w.size(); ++k) r.variables[heads[k]] = printed(w[k]);
      rows.push_back(r);
    }
  }
  return rows;
}

// The drawing blocks: a name line with the phases, a comment with the
// variable names, then data lines of P, T and the variables.
inline std::vector<PointRow> drawingRows(const std::string& text) {
  std::vector<PointRow> rows;
  std::vector<std::string> phases, names;
  bool expectNames = false;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> w = words(line);
    if (w.empty() || (w[0] == "%" && !expectNames)) continue;
    if (expectNames) {
      names.assign(w.begin() + 1, w.end());
      expectNames = false;
      continue;
    }
    if (w[0][0] == 'u' || w[0][0] == 'i' || w[0] == "<name>") {
      phases.clear();
      for (std::size_t k = 1; k < w.size(); ++k) {
        if (w[k] == "-" || w[k] == "univariant" || w[k] == "invariant") break;
        phases.push_back(w[k]);
      }
      expectNames = true;
    } else if (!phases.empty() && isNumber(w[0]) && w.size() >= 2 + names.size()) {
      PointRow r;
      r.phases = phases;
      r.P = printed(w[0]);
      r.T = printed(w[1]);
      for (std::size_t k = 0; k < names.size(); ++k) r.variables[names[k]] = printed(w[2 + k]);
      rows.push_back(r);
    }
  }
  return rows;
}

}  // namespace pf::testing
