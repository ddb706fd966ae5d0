// Reading the phase blocks of the a-x file into the tables.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "calc/ax/axfile.h"
#include "calc/ax/axfile_internal.h"
#include "common/bomb.h"
#include "common/prompts.h"
#include "common/session.h"
#include "common/text.h"

namespace pf {

namespace axfile {
namespace {

constexpr int kPhaseNamesPerLine = 16;

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Rationals brought to their least common denominator.
void commonDenominator(const std::vector<Rational>& values, int& denominator,
                       std::vector<int>& numerators) {
  std::int64_t common = 1;
  for (const Rational& r : values) {
    std::int64_t d = r.denominator;
    common = common / std::gcd(common, d) * d;
    li2i(common);  // a denominator past 16 bits stops the run
  }
  denominator = static_cast<int>(common);
  numerators.clear();
  for (const Rational& r : values)
    numerators.push_back(li2i(static_cast<std::int64_t>(r.numerator) * (common / r.denominator)));
}

class Reader {
 public:
  Reader(Io& io, const AxSetup& setup, std::istream& file, PhaseTables& tables)
      : io_(io), setup_(setup), tokens_(io, file), tables_(tables) {}

  void readAll();

 private:
  // item contexts: the prompt, then the phase unless the prompt names it
  std::string in(const std::string& prompt) const {
    if (phase_.empty() || endsWith(prompt, phase_)) return prompt;
    return prompt + " in " + phase_;
  }
  [[noreturn]] void fault(const char* procedure, const std::string& message) const {
    bomb(procedure, message);
  }
  bool inDataset(const std::string& name) const;
  void logPhaseName(const std::string& name);
  void endNameLine();

  void readPhase();
  void readPure(const std::string& name);
  void readFixedActivity(PurePhase& pure);
  bool oneIsActivity(const std::string& name);
  void readPureOptions(PurePhase& pure);
  void readSolution(const std::string& name);
  void readDatasetFlag();
  void readVariable(SolutionPhase& phase, int k);
  AxExpression readExpression(const SolutionPhase& phase, const std::string& item);
  void readInteractions(SolutionPhase& phase);
  void readSizes(SolutionPhase& phase);
  void readSiteFractions(SolutionPhase& phase);
  void readEndMember(SolutionPhase& phase, AxEndMember& em);
  void readEndMemberOptions(SolutionPhase& phase, AxEndMember& em);
  bool aheadIsOption() const;
  int nextOption(const LazyText& context);
  void readDqf(Dqf& dqf, bool& landau, bool& makeordered, const std::string& name);
  void readMake(MakeList& make, const std::string& name, bool solution);
  void checkCharges(const std::string& name, const MakeList& make, Real& z1, Real& z2);

  Io& io_;
  const AxSetup& setup_;
  TokenReader tokens_;
  PhaseTables& tables_;
  std::string phase_;  // the phase being read
  int namesOnLine_ = 0;
  int dsmode() const { return setup_.dataset->dsmode; }
};

bool Reader::inDataset(const std::string& name) const {
  const std::vector<std::string>& names = setup_.dataset->names;
  return std::find(names.begin() + (names.empty() ? 0 : 1), names.end(), name) != names.end();
}

void Reader::logPhaseName(const std::string& name) {
  if (setup_.regression) {
    io_.putstr(0, std::to_string(tables_.phaseCount()) + " " + name, 1, kToLog);
    return;
  }
  io_.putstr(0, name + " ", 0, kToLog);
  if (++namesOnLine_ == kPhaseNamesPerLine) endNameLine();
}

void Reader::endNameLine() {
  if (namesOnLine_ > 0) io_.endLine(kToLog);
  namesOnLine_ = 0;
}

void Reader::readAll() {
  if (tokens_.atEnd()) fault(kSetupPhases, "not enough in file");
  while (!tokens_.atEnd()) readPhase();
  endNameLine();
}

void Reader::readPhase() {
  phase_.clear();
  std::string name = tokens_.name([&] { return "name for " + ordinal(tables_.phaseCount() + 1) + " phase"; });
  if (tables_.phaseCount() >= kMaxPhases) fault(kSetupPhases, "too many phases");
  phase_ = name;
  logPhaseName(name);
  bool solution =
      tokens_.ahead().present && tokens_.ahead().kind == kInteger && !tokens_.aheadInteger(1);
  if (solution) {
    readSolution(name);
  } else {
    if (setup_.regression) fault(kSetupPhases, "inappropriate ax info - " + name);
    readPure(name);
  }
}

// ---- pure phases ------------------------------------------------------------

void Reader::readPure(const std::string& name) {
  PurePhase pure;
  pure.name = name;
  pure.endMember = name;
  if (tokens_.aheadRealOrRational()) {
    readFixedActivity(pure);
  } else if (tokens_.aheadInteger(1)) {
    if (inDataset(name) && oneIsActivity(name)) {
      readFixedActivity(pure);
    } else {
      tokens_.integer([&] { return "no of end-members of " + name; });
      if (tokens_.atEnd()) fault(kRead, "unexpected end of input - name for end-member of " + name);
      // a code word here begins the options, it names no end-member
      if (tokens_.ahead().kind == kTextKind && optionCode(tokens_.ahead().text) == 0)
        pure.endMember = tokens_.name([&] { return "name for end-member of " + name; });
      if (tokens_.aheadRealOrRational() || tokens_.aheadIs("1")) readFixedActivity(pure);
    }
  }
  readPureOptions(pure);
  checkCharges(pure.endMember, pure.make, pure.z1, pure.z2);
  if (pure.make.count <= 0 && !inDataset(pure.endMember))
    fault(kReading, pure.endMember + " not a dataset end-member - name for end-member of " + name);
  tables_.fileOrder.push_back(PhaseRef{false, tables_.pureCount()});
  tables_.pures.push_back(std::move(pure));
}

bool Reader::oneIsActivity(const std::string& name) {
  endNameLine();
  io_.putstr(1, "datafile appears to be ambiguous: a 1 immediately follows " + name + ";", 1,
             kToConsoleLog);
  io_.putstr(0, "this means either an activity of 1, or it's a 1 end-member phase.", 1,
             kToConsoleLog);
  return query(io_, "the '1' its activity");
}

void Reader::readFixedActivity(PurePhase& pure) {
  Real a = tokens_.real([&] { return "fixed activity for " + pure.name; });
  if (!(a > 0 && a <= 1))
    fault(kSetupPhases, "activity for " + pure.name + " not 0 > a" + "\xB3" + " 1");
  pure.activity = a;
  if (tokens_.aheadRealOrRational() || tokens_.aheadIs("0"))
    pure.sdActivity = tokens_.real([&] { return "sd of fixed activity for " + pure.name; });
}

bool Reader::aheadIsOption() const {
  const Token& t = tokens_.ahead();
  if (!t.present) return false;
  if (t.kind == kInteger) return !tokens_.aheadInteger(0);
  return t.kind == kTextKind && optionCode(t.text) != 0;
}

// The code of the option that follows; 0 for an integer that is no code.
int Reader::nextOption(const LazyText& context) {
  const Token& t = tokens_.token(context);
  if (t.kind != kInteger) return optionCode(t.text);
  int code = getinteger(t.kind, t.text, context);
  return code >= 1 && code <= 7 ? code : 0;
}

void Reader::readPureOptions(PurePhase& pure) {
  while (aheadIsOption()) {
    int code = nextOption([&] { return "option for " + pure.name; });
    switch (code) {
      case 3:
        if (dsmode() >= 3 && pure.make.count == 0)
          fault(kReading, "need to \"make\" end-member befor DQF-ing it (for ds6)");
        readDqf(pure.dqf, pure.landau, pure.makeordered, pure.name);
        break;
      case 4:
        readMake(pure.make, pure.name, false);
        break;
      case 6:
        pure.make = MakeList{};
        pure.make.count = -1;
        break;
      default:
        fault(kReading, "wrong code for additional info for " + pure.name);
    }
  }
}

void Reader::readDqf(Dqf& dqf, bool& landau, bool& makeordered, const std::string& name) {
  while (tokens_.aheadIs("unlandau") || tokens_.aheadIs("makeordered")) {
    tokens_.advance();
    if (tokens_.current().text == "unlandau")
      landau = false;
    else
      makeordered = false;
  }
  dqf.a = tokens_.real([&] { return in("a in a+bT+cP in DQF term for " + name); });
  dqf.b = tokens_.real([&] { return in("b in a+bT+cP in DQF term for " + name); });
  dqf.c = tokens_.real([&] { return in("c in a+bT+cP in DQF term for " + name); });
  dqf.given = true;
}

void Reader::readMake(MakeList& make, const std::string& name, bool solution) {
  int count = tokens_.integer([&] { return in("no of end-members to construct " + name); });
  if (count < 1)
    fault(kReading,
          std::string(solution ? "too  few" : "too few") + " end-members to construct " + name);
  if (count > kMaxMakeTerms)
    fault(kReading,
          std::string(solution ? "too  many" : "too many") + " end-members to construct " + name);
  std::vector<std::string> names;
  std::vector<Rational> coefficients;
  for (int k = 0; k < count; ++k) {
    std::string constituent = tokens_.name([&] { return in("names of end-members to construct " + name); });
    if (!inDataset(constituent))
      fault(kReading, constituent + " not a dataset end-member - " +
                          in("names of end-members to construct " + name));
    names.push_back(constituent);
    coefficients.push_back(tokens_.rational([&] { return in("coeffs of end-members to construct " + name); }));
  }
  make = MakeList{};
  make.count = count;
  std::vector<int> numerators;
  commonDenominator(coefficients, make.denominator, numerators);
  for (int k = 0; k < count; ++k)
    make.terms.push_back(
        MakeTerm{names[static_cast<std::size_t>(k)], numerators[static_cast<std::size_t>(k)]});
}

void Reader::checkCharges(const std::string& name, const MakeList& make, Real& z1, Real& z2) {
  if (!make.made()) {
    if (isCharged(name))
      fault(kSetupPhases, "charged species not allowed as end-members - " + name);
    return;
  }
  bool anyCharged = std::any_of(make.terms.begin(), make.terms.end(),
                                [](const MakeTerm& t) { return isCharged(t.name); });
  if (!anyCharged) return;
  const std::string where = " - " + name;
  if (make.count != 2) fault(kSetupPhases, "must be just 2 charged species in a compound" + where);
  const MakeTerm& first = make.terms[0];
  const MakeTerm& second = make.terms[1];
  if (!isCharged(first.name) || !isCharged(second.name))
    fault(kSetupPhases, "all species in a compound must be charged" + where);
  if (first.numerator != second.numerator) fault(kSetupPhases, "compound not in mean form" + where);
  int charge1 = chargeOf(first.name);
  int charge2 = chargeOf(second.name);
  // two cations (or two anions) balance nothing, whatever their charges
  bool opposite = first.name.back() != second.name.back();
  if (charge1 * first.numerator != charge2 * second.numerator || !opposite)
    fault(kSetupPhases, "compound not charged-balanced" + where);
  z1 = charge1;
  z2 = charge2;
}

// ---- solutions ----------------------------------------------------------------

void Reader::readSolution(const std::string& name) {
  if (tables_.solutionCount() >= kMaxSolutions) fault(kSetupPhases, "too many ss phases");
  SolutionPhase phase;
  phase.name = name;
  int n = tokens_.integer([&] { return "no of end-members in " + name; });
  // the count sizes every later table of the phase, so it is checked at once
  if (n < 2) fault(kSetupPhases, "less than 2 end-members in " + name);
  if (n > kMaxPhaseEndMembers || n * (n - 1) / 2 >= 106)
    fault(kSetupPhases, "phase too big for auto gammas - " + name);
  if (!setup_.regression) readDatasetFlag();
  for (int k = 0; k < n - 1; ++k) readVariable(phase, k);
  phase.endMembers.resize(static_cast<std::size_t>(n));
  for (int l = 0; l < n; ++l) {
    NamedExpression p;
    p.name = tokens_.name([&] { return "name of " + ordinal(l + 1) + "p var" + " in " + name; });
    p.value = readExpression(phase, p.name);
    phase.proportions.push_back(std::move(p));
  }
  const Token& model = tokens_.token([&] { return in("mixing model"); });
  if (model.text == "ideal") {
    phase.model = kIdealMixing;
  } else if (model.text == "sf" || model.text == "regular") {
    phase.model = kSymmetricMixing;
  } else if (model.text == "asf" || model.text == "vanlaar") {
    phase.model = kAsymmetricMixing;
  } else {
    fault(kSetupPhases,
          "not recognised (should be ideal, sf or asf) - " + model.text + " in " + name);
  }
  if (phase.model != kIdealMixing) readInteractions(phase);
  if (phase.model == kAsymmetricMixing) readSizes(phase);
  readSiteFractions(phase);
  if (n < 2) fault(kSetupPhases, "less than 2 end-members in " + name);
  if (n > kMaxPhaseEndMembers) fault(kSetupPhases, "too many end-members in " + name);
  for (AxEndMember& em : phase.endMembers) readEndMember(phase, em);
  for (const Variable& v : phase.variables) phase.hasOrder = phase.hasOrder || v.order;
  tables_.fileOrder.push_back(PhaseRef{true, tables_.solutionCount()});
  tables_.solutions.push_back(std::move(phase));
}

void Reader::readDatasetFlag() {
  const Token& t = tokens_.ahead();
  if (dsmode() >= 4) {
    if (tokens_.aheadInteger(1)) {
      tokens_.advance();
      return;
    }
    endNameLine();
    io_.putstr(1, std::string(60, '-'), 1, kToConsoleLog);
    io_.putstr(0, "running ds6: no ds6 axe flag for " + phase_, 1, kToConsoleLog);
    io_.putstr(0, "<== ds55 axe codings are likely to give wrong results under ds6 ==>", 1,
               kToConsoleLog);
    fault(kSetupPhases, "no ds6 flag for " + phase_);
  }
  if (tokens_.aheadInteger(0)) {
    tokens_.advance();
  } else if (t.present && isNumericKind(t.kind)) {
    fault(kSetupPhases, "incorrect info after no of end-members for " + phase_);
  }
}

void Reader::readVariable(SolutionPhase& phase, int k) {
  Variable v;
  v.name = tokens_.name([&] { return in(ordinal(k + 1) + " variable name"); });
  v.guess = tokens_.real([&] { return in("guess for " + v.name); });
  if (setup_.batchRun && v.guess == 0)
    fault(kSetupPhases, "guess = 0 in axfile excluded in batch mode - " + v.name);
  if (tokens_.aheadIs("sd")) {
    tokens_.advance();
    v.sd = tokens_.real([&] { return in("sd of " + v.name); });
    if (v.sd < 0 || v.sd > 1) v.sd = 0;
  }
  if (tokens_.aheadIs("range")) {
    tokens_.advance();
    v.lower = tokens_.real([&] { return in("lower limit of " + v.name); });
    v.upper = tokens_.real([&] { return in("upper limit of " + v.name); });
    if (v.upper < v.lower)
      fault(kSetupPhases, "lower limit > upper limit (1) - " + v.name + " in " + phase_);
  }
  if (tokens_.aheadIs("isQ")) {
    tokens_.advance();
    v.order = true;
  }
  if (v.name[0] == 'Q' || v.name[0] == 'N') v.order = true;
  phase.variables.push_back(std::move(v));
}

AxExpression Reader::readExpression(const SolutionPhase& phase, const std::string& item) {
  const int nv = phase.variableCount();
  AxExpression expression;
  int sxCount = tokens_.integer([&] { return in("no of sxterms in " + item); });
  if (sxCount < 1) fault(kSetupPhases, "too few sxterms - " + item + " in " + phase_);
  if (sxCount > kMaxSxTerms) fault(kSetupPhases, "too many sxterms - " + item + " in " + phase_);
  for (int s = 0; s < sxCount; ++s) {
    SxTerm sx;
    int xCount = tokens_.integer([&] { return in("no of xterms in " + item); });
    if (xCount < 1) fault(kSetupPhases, "too few x terms - " + item + " in " + phase_);
    if (xCount > kMaxXTerms) fault(kSetupPhases, "too many x terms - " + item + " in " + phase_);
    for (int x = 0; x < xCount; ++x) {
      XTerm xterm;
      xterm.constant = tokens_.rational([&] { return in("constant in " + item); });
      xterm.c = rationalValue(xterm.constant);
      int terms = tokens_.integer([&] { return in("no of terms in " + item); });
      if (terms < 0) fault(kSetupPhases, "too few terms in x - " + item + " in " + phase_);
      if (terms > kMaxVariableTerms)
        fault(kSetupPhases, "too many terms in x - " + item + " in " + phase_);
      for (int k = 0; k < terms; ++k) {
        VariableTerm term;
        term.multiplier = tokens_.rational([&] { return in("mult in " + item); });
        term.m = rationalValue(term.multiplier);
        const auto context = [&] { return in("index/name in " + item); };
        const Token& t = tokens_.token(context);
        if (t.kind == kTextKind) {
          term.variable = phase.findVariable(t.text);
          if (term.variable < 0) fault(kReading, t.text + " not a variable name: " + context());
        } else if (t.kind == kInteger) {
          int index = getinteger(t.kind, t.text, context);
          if (index < 1 || index > nv) fault(kReading, "illegal " + context() + ": " + t.text);
          term.variable = index - 1;
        } else {
          fault(kReading, t.text + " not a " + context());
        }
        xterm.terms.push_back(term);
      }
      if (terms == 0 && xterm.constant.numerator == 0)
        fault(kSetupPhases, "zero term - " + item + " in " + phase_);
      sx.xterms.push_back(std::move(xterm));
    }
    expression.sxterms.push_back(std::move(sx));
  }
  return expression;
}

void Reader::readInteractions(SolutionPhase& phase) {
  const int n = phase.endMemberCount();
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      Interaction w;
      w.i = i;
      w.j = j;
      w.name = tokens_.name([&] { return in("name of " + ordinal(static_cast<int>(phase.interactions.size()) + 1) + " W"); });
      w.a = tokens_.real([&] { return in("a in w=a+bT+cP in " + w.name); });
      w.b = tokens_.real([&] { return in("b in w=a+bT+cP in " + w.name); });
      w.c = tokens_.real([&] { return in("c in w=a+bT+cP in " + w.name); });
      if (tokens_.aheadIs("sd")) {
        tokens_.advance();
        w.sd = tokens_.real([&] { return in("sd for " + w.name); });
        w.sdDefaulted = false;
      }
      phase.interactions.push_back(std::move(w));
    }
  }
}

void Reader::readSizes(SolutionPhase& phase) {
  for (int l = 0; l < phase.endMemberCount(); ++l) {
    SizeParameter size;
    size.name = tokens_.name([&] { return in("name of " + ordinal(l + 1) + " size parameter"); });
    size.a = tokens_.real([&] { return in("value of a, in a + bT + cP for " + size.name); });
    size.b = tokens_.real([&] { return in("value of b, in a + bT + cP for " + size.name); });
    size.c = tokens_.real([&] { return in("value of c, in a + bT + cP for " + size.name); });
    phase.sizes.push_back(std::move(size));
  }
}

void Reader::readSiteFractions(SolutionPhase& phase) {
  int s = tokens_.integer([&] { return "no of sf vars for " + phase_; });
  if (s < 2) fault(kSetupPhases, "less than 2 sf vars for " + phase_);
  if (s > kMaxPhaseSiteFractions) fault(kSetupPhases, "too many  sf vars for " + phase_);
  for (int k = 0; k < s; ++k) {
    NamedExpression sf;
    sf.name = tokens_.name([&] { return "name of " + ordinal(k + 1) + " sf var" + " in " + phase_; });
    sf.value = readExpression(phase, sf.name);
    phase.siteFractions.push_back(std::move(sf));
  }
}

void Reader::readEndMember(SolutionPhase& phase, AxEndMember& em) {
  em.name = tokens_.name([&] { return "end-member name in " + phase_; });
  const auto norm = [&] { return in("normalisation constant in tmf for " + em.name); };
  const Token& t = tokens_.token(norm);
  em.normalisationRational = t.kind == kRational;
  em.normalisation = getsingle(t.kind, t.text, norm);
  int f = tokens_.integer([&] { return in("no of sf terms in tmf for " + em.name); });
  if (f < 1) fault(kSetupPhases, "too few terms in tmf for " + em.name + " in " + phase_);
  if (f > kMaxTmfFactors)
    fault(kSetupPhases, "too many terms in tmf for " + em.name + " in " + phase_);
  Real largestPower = 0;
  for (int k = 0; k < f; ++k) {
    const auto which = [&] { return ordinal(k + 1) + " sf term in tmf for " + em.name; };
    const auto context = [&] { return in("name for " + which()); };
    const Token& sfName = tokens_.token(context);
    if (sfName.kind != kTextKind) fault(kReading, sfName.text + " not a " + context());
    int index = -1;
    for (int s = 0; s < phase.siteFractionCount(); ++s)
      if (phase.siteFractions[static_cast<std::size_t>(s)].name == sfName.text) index = s;
    if (index < 0) fault(kReading, sfName.text + " not a sf name: " + context());
    TmfFactor factor;
    factor.siteFraction = index;
    factor.power = tokens_.rational([&] { return in(" power for " + which()); });
    factor.powerValue = rationalValue(factor.power);
    largestPower = std::max(largestPower, factor.powerValue);
    em.tmf.push_back(factor);
  }
  em.multiplicity = std::max(1, static_cast<int>(std::lround(largestPower)));
  readEndMemberOptions(phase, em);
  checkCharges(em.name, em.make, em.z1, em.z2);
  if (!em.make.made() && !inDataset(em.name))
    fault(kReading, em.name + " not a dataset end-member - end-member name in " + phase_);
}

void Reader::readEndMemberOptions(SolutionPhase& phase, AxEndMember& em) {
  while (aheadIsOption()) {
    int code =
        nextOption([&] { return in("code for additional end-member info for " + em.name); });
    switch (code) {
      case 1:  // gamma
      case 2:  // bulk
      case 6:  // thermo
        break;
      case 3:
        if (dsmode() >= 3 && !em.make.made())
          fault(kReading, "need to \"make\" end-member before DQF-ing it (now) - " + em.name +
                              " in " + phase_);
        readDqf(em.dqf, em.landau, em.makeordered, em.name);
        break;
      case 4:
        readMake(em.make, em.name, true);
        break;
      case 5: {
        std::vector<Rational> values;
        for (int t = 0; t < phase.variableCount(); ++t)
          values.push_back(
              tokens_.rational([&] { return in("coeffs in x defining pure end-members for " + em.name); }));
        commonDenominator(values, em.checkDenominator, em.check);
        break;
      }
      case 7:
        em.excluded = true;
        break;
      default:
        fault(kReading, "wrong code in info for " + em.name);
    }
  }
}

}  // namespace

void readPhases(Io& io, const AxSetup& setup, std::istream& file, PhaseTables& tables) {
  Reader reader(io, setup, file, tables);
  reader.readAll();
}

}  // namespace axfile

int optionCode(const std::string& word) {
  static const char* const kWords[] = {"gamma", "bulk",   "DQF",    "make",
                                       "check", "thermo", "exclude"};
  for (int k = 0; k < 7; ++k)
    if (word == kWords[k]) return k + 1;
  return 0;
}

}  // namespace pf
