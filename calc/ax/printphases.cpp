#include "calc/ax/printphases.h"

#include <string>
#include <vector>

#include "common/text.h"

namespace pf {

namespace {

constexpr int kColumn = 12;
constexpr int kColumnsPerLine = 6;
constexpr int kDigits = 6;
const std::string kRule(60, '-');

// "W(a,b)" shows as "a,b", "a(ab)" as "ab"; other names as written.
std::string bracketed(const std::string& name, char head) {
  if (name.size() > 3 && name[0] == head && name[1] == '(' && name.back() == ')')
    return name.substr(2, name.size() - 3);
  return name;
}

// A heading, then the names and values in rows of six columns.
void table(Io& io, const std::string& heading, const std::vector<std::string>& names,
           const std::vector<Real>& values, unsigned mask) {
  io.putstr(0, heading, 1, mask);
  for (std::size_t first = 0; first < names.size(); first += kColumnsPerLine) {
    std::string top, bottom;
    for (std::size_t k = first; k < names.size() && k < first + kColumnsPerLine; ++k) {
      addfield(top, names[k], kColumn);
      addfield(bottom, values[k], kDigits, Digits::significant, kColumn);
    }
    io.putstr(0, top, 1, mask);
    io.putstr(0, bottom, 1, mask);
  }
}

std::string abcText(Real a, Real b, Real c) {
  std::string text;
  addfield(text, a, kDigits, Digits::significant, 0);
  text += " + ";
  addfield(text, b, kDigits, Digits::significant, 0);
  text += "T + ";
  addfield(text, c, kDigits, Digits::significant, 0);
  text += "P";
  return text;
}

std::string makeText(const MakeList& make) {
  std::string text;
  for (const MakeTerm& term : make.terms) {
    text += " ";
    addfield(text, static_cast<Real>(term.numerator) / make.denominator, kDigits,
             Digits::significant, 0);
    text += " " + term.name;
  }
  return text;
}

void interactions(Io& io, const SolutionPhase& phase, const ActivityResult& r, unsigned mask,
                  bool wide) {
  io.putstr(0,
            phase.model == kSymmetricMixing ? "non-ideality by symmetric formalism"
                                            : "non-ideality by van laar",
            1, mask);
  if (wide) {
    std::string head = blanks(24);
    for (const char* column : {"W", "H", "S", "V"}) addfield(head, column, kColumn);
    io.putstr(0, head, 1, mask);
  }
  for (std::size_t k = 0; k < phase.interactions.size(); ++k) {
    const Interaction& w = phase.interactions[k];
    std::string line = "  W(" + bracketed(w.name, 'W') + ") =";
    if (wide) {
      line = "  ";
      addfield(line, w.name, -22);
      addfield(line, r.w[k], kDigits, Digits::significant, kColumn);
      addfield(line, w.a, kDigits, Digits::significant, kColumn);
      addfield(line, -w.b, kDigits, Digits::significant, kColumn);
      addfield(line, w.c, kDigits, Digits::significant, kColumn);
    } else {
      addfield(line, r.w[k], kDigits, Digits::significant, kColumn);
    }
    io.putstr(0, line, 1, mask);
  }
  if (phase.model != kAsymmetricMixing) return;
  for (std::size_t l = 0; l < phase.sizes.size(); ++l) {
    std::string line = "  v(" + bracketed(phase.sizes[l].name, 'a') + ") =";
    addfield(line, r.alpha[l], kDigits, Digits::significant, kColumn);
    io.putstr(0, line, 1, mask);
  }
}

}  // namespace

void printpure(Io& io, const PurePhase& phase, unsigned mask) {
  io.putstr(0, kRule, 1, mask);
  std::string line = "single end-member phase: " + phase.name;
  if (phase.endMember != phase.name) line += " (" + phase.endMember + ")";
  io.putstr(0, line, 1, mask);
  if (phase.activity != 1 || phase.sdActivity != 0) {
    std::string a = "  a = ";
    addfield(a, phase.activity, kDigits, Digits::significant, 0);
    a += ", sd(a) = ";
    addfield(a, phase.sdActivity, kDigits, Digits::significant, 0);
    io.putstr(0, a, 1, mask);
  }
  if (phase.make.made()) io.putstr(0, "  made from" + makeText(phase.make), 1, mask);
  if (phase.dqf.given)
    io.putstr(0, "  DQF increments: " + abcText(phase.dqf.a, phase.dqf.b, phase.dqf.c), 1, mask);
}

void printsolution(Io& io, const SolutionPhase& phase, Real p, Real t, unsigned mask, bool wide,
                   const ActivityContext& context) {
  io.putstr(0, kRule, 1, mask);
  io.putstr(0, phase.name, 1, mask);
  const std::vector<Real> x = phase.guesses();
  std::vector<std::string> names;
  for (const Variable& v : phase.variables) names.push_back(v.name);
  table(io, "starting guesses", names, x, mask);

  std::vector<Real> sf(static_cast<std::size_t>(phase.siteFractionCount()));
  siteFractions(phase, x, sf);
  names.clear();
  for (const NamedExpression& s : phase.siteFractions) names.push_back(s.name);
  table(io, "site fractions", names, sf, mask);

  std::vector<Real> p_;
  names.clear();
  for (const NamedExpression& pr : phase.proportions) {
    names.push_back(pr.name);
    p_.push_back(expressionValue(pr.value, x));
  }
  table(io, "proportions", names, p_, mask);

  if (!siteFractionsPositive(phase, x)) {
    io.putstr(0, "(no activities: a site fraction is not positive at the starting guesses)", 1,
              mask);
    return;
  }
  ActivityResult r;
  calca(phase, x, p, t, 0, context, r);
  names.clear();
  std::vector<Real> a, ideal;
  for (std::size_t l = 0; l < phase.endMembers.size(); ++l) {
    names.push_back(phase.endMembers[l].name);
    a.push_back(r.a[l]);
    ideal.push_back(r.ideal[l]);
  }
  table(io, "activities", names, a, mask);
  table(io, "ideal mixing activities", names, ideal, mask);
  if (phase.model != kIdealMixing) interactions(io, phase, r, mask, wide);

  bool anyMade = false;
  for (const AxEndMember& em : phase.endMembers) anyMade = anyMade || em.make.made();
  if (anyMade) {
    io.putstr(0, "dependent end-members", 1, mask);
    for (const AxEndMember& em : phase.endMembers)
      if (em.make.made()) io.putstr(0, "  " + em.name + " =" + makeText(em.make), 1, mask);
  }
  bool anyDqf = false;
  for (const AxEndMember& em : phase.endMembers) anyDqf = anyDqf || em.dqf.given;
  if (anyDqf) {
    io.putstr(0, "DQF increments", 1, mask);
    for (const AxEndMember& em : phase.endMembers)
      if (em.dqf.given)
        io.putstr(0, "  " + em.name + ": " + abcText(em.dqf.a, em.dqf.b, em.dqf.c), 1, mask);
  }
}

void printphases(Io& io, const PhaseTables& tables, Real p, Real t, unsigned mask, bool wide,
                 const ActivityContext& context) {
  for (const PhaseRef& ref : tables.fileOrder) {
    if (ref.solution)
      printsolution(io, tables.solutions[static_cast<std::size_t>(ref.index)], p, t, mask, wide,
                    context);
    else
      printpure(io, tables.pures[static_cast<std::size_t>(ref.index)], mask);
  }
  io.putstr(0, kRule, 1, mask);
}

}  // namespace pf
