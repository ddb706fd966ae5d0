#include "calc/ax/phases.h"

#include <cmath>
#include <cstdlib>

namespace pf {

Rational normalised(Rational r) {
  if (r.denominator < 0) {
    r.numerator = -r.numerator;
    r.denominator = -r.denominator;
  }
  return r;
}

Real xtermValue(const XTerm& xterm, std::span<const Real> x) {
  Real value = xterm.c;
  for (const VariableTerm& term : xterm.terms)
    value += term.m * x[static_cast<std::size_t>(term.variable)];
  return value;
}

Real expressionValue(const AxExpression& expression, std::span<const Real> x) {
  Real sum = 0;
  for (const SxTerm& sx : expression.sxterms) {
    if (sx.factor == 0) continue;
    Real product = sx.factor;
    for (const XTerm& xterm : sx.xterms) product *= xtermValue(xterm, x);
    sum += product;
  }
  return sum;
}

namespace {

XTerm constantXTerm(Real c) {
  XTerm xterm;
  xterm.c = c;
  xterm.constant = realToRational(c);
  return xterm;
}

}  // namespace

AxExpression differentiate(const AxExpression& expression, int variable) {
  AxExpression d;
  for (const SxTerm& sx : expression.sxterms) {
    if (sx.factor == 0) continue;
    for (std::size_t j = 0; j < sx.xterms.size(); ++j) {
      Real slope = 0;
      for (const VariableTerm& term : sx.xterms[j].terms)
        if (term.variable == variable) slope += term.m;
      if (slope == 0) continue;
      SxTerm term;
      term.factor = sx.factor * slope;
      for (std::size_t k = 0; k < sx.xterms.size(); ++k)
        if (k != j) term.xterms.push_back(sx.xterms[k]);
      // a product of no factors is the constant 1
      if (term.xterms.empty()) term.xterms.push_back(constantXTerm(1));
      d.sxterms.push_back(std::move(term));
    }
  }
  if (d.sxterms.empty()) {
    SxTerm zero;
    zero.factor = 0;
    zero.xterms.push_back(constantXTerm(0));
    d.sxterms.push_back(std::move(zero));
  }
  return d;
}

Real VariableLimit::value(std::span<const Real> x) const {
  Real v = constant;
  for (int k = 0; k < count; ++k)
    v += m[static_cast<std::size_t>(k)] *
         x[static_cast<std::size_t>(variable[static_cast<std::size_t>(k)])];
  return v;
}

void FlatExpressions::append(const AxExpression& expression) {
  ++count;
  auto number = [this](Real v) {
    numbers.push_back(v);
    auto d = static_cast<double>(v);
    exactNumbers.push_back(d);
    if (static_cast<Real>(d) != v) exact = false;
  };
  int live = 0;
  for (const SxTerm& sx : expression.sxterms)
    if (sx.factor != 0) ++live;
  shape.push_back(live);
  for (const SxTerm& sx : expression.sxterms) {
    if (sx.factor == 0) continue;
    shape.push_back(static_cast<int>(sx.xterms.size()));
    number(sx.factor);
    for (const XTerm& xterm : sx.xterms) {
      shape.push_back(static_cast<int>(xterm.terms.size()));
      number(xterm.c);
      for (const VariableTerm& term : xterm.terms) {
        shape.push_back(term.variable);
        number(term.m);
      }
    }
  }
}

namespace {

template <typename Number>
void evaluateFlat(int count, const int* s, const Number* r, const Real* x, Real* out, int perRow,
                  int stride) {
  int column = 0;
  Real* row = out;
  for (int e = 0; e < count; ++e) {
    Real sum = 0;
    for (int sxCount = *s++; sxCount > 0; --sxCount) {
      Real product = *r++;
      for (int xCount = *s++; xCount > 0; --xCount) {
        Real value = *r++;
        for (int terms = *s++; terms > 0; --terms) value += *r++ * x[*s++];
        product *= value;
      }
      sum += product;
    }
    row[column] = sum;
    if (++column == perRow) {
      column = 0;
      row += stride;
    }
  }
}

}  // namespace

void FlatExpressions::evaluate(const Real* x, Real* out, int perRow, int stride) const {
  if (exact)
    evaluateFlat(count, shape.data(), exactNumbers.data(), x, out, perRow, stride);
  else
    evaluateFlat(count, shape.data(), numbers.data(), x, out, perRow, stride);
}

void compilePhase(SolutionPhase& phase) {
  CompiledPhase c;
  for (const NamedExpression& sf : phase.siteFractions) c.siteFractions.append(sf.value);
  for (const NamedExpression& sf : phase.siteFractions)
    for (const AxExpression& d : sf.derivative) c.siteDerivatives.append(d);
  for (const NamedExpression& p : phase.proportions) c.proportions.append(p.value);
  for (const NamedExpression& p : phase.proportions)
    for (const AxExpression& d : p.derivative) c.proportionDerivatives.append(d);
  for (int l = 0; l < phase.endMemberCount(); ++l) {
    c.pairStart.push_back(static_cast<int>(c.pairIndex.size()));
    for (std::size_t k = 0; k < phase.interactions.size(); ++k) {
      const Interaction& w = phase.interactions[k];
      if (w.i != l && w.j != l) continue;
      c.pairIndex.push_back(static_cast<int>(k));
      c.pairOther.push_back(w.i == l ? w.j : w.i);
    }
  }
  c.pairStart.push_back(static_cast<int>(c.pairIndex.size()));
  phase.compiled = std::move(c);
}

std::vector<Real> SolutionPhase::guesses() const {
  std::vector<Real> x;
  x.reserve(variables.size());
  for (const Variable& v : variables) x.push_back(v.guess);
  return x;
}

int SolutionPhase::findEndMember(const std::string& endMemberName) const {
  for (std::size_t k = 0; k < endMembers.size(); ++k)
    if (endMembers[k].name == endMemberName) return static_cast<int>(k);
  return -1;
}

int SolutionPhase::findVariable(const std::string& variableName) const {
  for (std::size_t k = 0; k < variables.size(); ++k)
    if (variables[k].name == variableName) return static_cast<int>(k);
  return -1;
}

int PhaseTables::findSolution(const std::string& name) const {
  for (std::size_t k = 0; k < solutions.size(); ++k)
    if (solutions[k].name == name) return static_cast<int>(k);
  return -1;
}

int PhaseTables::findPure(const std::string& name) const {
  for (std::size_t k = 0; k < pures.size(); ++k)
    if (pures[k].name == name) return static_cast<int>(k);
  return -1;
}

bool isCharged(const std::string& name) {
  return !name.empty() && (name.back() == '+' || name.back() == '-');
}

int chargeOf(const std::string& name) {
  int z = 0;
  for (auto it = name.rbegin(); it != name.rend() && (*it == '+' || *it == '-'); ++it) ++z;
  return z;
}

Real WichmannHill::next() {
  s1 = (171 * s1) % 30269;
  s2 = (172 * s2) % 30307;
  s3 = (170 * s3) % 30323;
  Real sum =
      static_cast<Real>(s1) / 30269 + static_cast<Real>(s2) / 30307 + static_cast<Real>(s3) / 30323;
  return sum - std::floor(sum);
}

}  // namespace pf
