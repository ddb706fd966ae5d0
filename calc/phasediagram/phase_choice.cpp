// The phase choice of a phase-diagram calculation: which phases take part,
// the fluid type they make, and which of them are in excess.
#include <algorithm>
#include <set>

#include "calc/phasediagram/setup.h"
#include "common/bomb.h"
#include "common/prompts.h"
#include "common/text.h"
#include "common/tokens.h"

namespace pf {

namespace {

int position(const std::vector<std::string>& names, const std::string& name) {
  auto it = std::find(names.begin(), names.end(), cut20(name));
  return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

// Writes words after a head, two blanks apart, folded to the page width.
void writeList(Io& io, const std::string& head, const std::vector<std::string>& words,
               const std::string& tail = "") {
  const std::size_t width = static_cast<std::size_t>(std::max(io.pageWidth - 2, 20));
  std::string line = head;
  for (const std::string& word : words) {
    if (line.size() > head.size() && line.size() + word.size() > width) {
      io.putstr(0, line, 1, kToConsoleLog);
      line = std::string(head.size(), ' ');
    }
    line += word + "  ";
  }
  if (!tail.empty() && line.size() + tail.size() > width) {
    io.putstr(0, line, 1, kToConsoleLog);
    line = std::string(head.size(), ' ');
  }
  io.putstr(0, line + tail, 1, kToConsoleLog);
}

struct Candidates {
  std::vector<PhaseRef> refs;  // solutions, then pure phases
  std::vector<std::string> names;
};

Candidates candidatesOf(Io& io, const PhaseTables& tables, const ScriptSettings& script) {
  std::set<std::string> ignored;
  if (script.ignore.state == kUsePreset)
    for (const std::string& name : script.ignore.names) ignored.insert(cut20(name));
  Candidates c;
  std::vector<std::string> dropped;
  auto consider = [&](PhaseRef ref) {
    const std::string& name = tables.phaseName(ref);
    if (ignored.count(name) > 0) {
      dropped.push_back(name);
      return;
    }
    c.refs.push_back(ref);
    c.names.push_back(name);
  };
  for (int s = 0; s < tables.solutionCount(); ++s) consider(PhaseRef{true, s});
  for (int p = 0; p < tables.pureCount(); ++p) consider(PhaseRef{false, p});
  if (!dropped.empty()) {
    std::string line = "phases ignored this run: ";
    for (const std::string& name : dropped) line += name + " ";
    io.putstr(0, line + "(from script)", 1, kToConsoleLog);
  }
  return c;
}

void defunctKeywords(Io& io, const ScriptSettings& script) {
  if (script.fluidpresentGiven)
    io.putstr(0, std::string(1, kBullet) + " fluidpresent script now defunct (in mode 1)", 1,
              kToConsoleLog);
  if (script.fluidexcessGiven) {
    io.putstr(0, std::string(1, kBullet) + " fluidexcess script now disabled (in mode 1),", 1,
              kToConsoleLog);
    io.putstr(0, "  instead add fluid/aq name(s) to setexcess script list", 1, kToConsoleLog);
    bomb("whichphases", "sorry: script change");
  }
}

// The phases the script's in-excess lists name: always taken.
std::vector<int> automaticallyIncluded(const Candidates& c, const ScriptSettings& script) {
  std::vector<int> found;
  for (const NameList* list : {&script.setexcess, &script.setexcess0}) {
    if (list->state != kUsePreset) continue;
    for (const std::string& name : list->names) {
      int k = position(c.names, name);
      if (k >= 0 && std::find(found.begin(), found.end(), k) == found.end()) found.push_back(k);
    }
  }
  return found;
}

int endMemberCount(const PhaseTables& tables, const Candidates& c, const std::vector<bool>& on) {
  int n = 0;
  for (std::size_t k = 0; k < on.size(); ++k) {
    if (!on[k]) continue;
    const PhaseRef& ref = c.refs[k];
    n += ref.solution ? tables.solutions[static_cast<std::size_t>(ref.index)].endMemberCount() : 1;
  }
  return n;
}

std::vector<bool> previousChoice(const Candidates& c, const PhaseDiagramMemory& memory) {
  std::vector<bool> on(c.names.size(), false);
  for (const std::string& name : memory.lastChoice) {
    int k = position(c.names, name);
    if (k >= 0) on[static_cast<std::size_t>(k)] = true;
  }
  return on;
}

// The names after a leading "+" or "-" (or from a further question when
// none follow), each checked.
void applyNames(Io& io, const Candidates& c, const Tokens& answer, int from,
                const std::string& question, bool value, std::vector<bool>& on) {
  Tokens names = answer;
  int first = from;
  if (answer.count < from) {
    promptstrings(io, question, names);
    first = 1;
  }
  for (int i = first; i <= names.count; ++i) {
    int k = checkname(io, names[i], c.names);
    if (k >= 0) on[static_cast<std::size_t>(k)] = value;
  }
}

// A first word such as "+g" is "+" followed by "g".
Tokens splitSign(const Tokens& answer) {
  const std::string& first = answer[1];
  if (answer.count == 0 || first.size() < 2 || (first[0] != '+' && first[0] != '-')) return answer;
  Tokens split;
  split.items[1] = first.substr(0, 1);
  split.items[2] = first.substr(1);
  split.count = 2;
  for (int i = 2; i <= answer.count && split.count < Tokens::kMaxTokens; ++i)
    split.items[++split.count] = answer[i];
  return split;
}

std::vector<bool> readChoice(Io& io, const Candidates& c, const PhaseDiagramMemory& memory,
                             const Tokens& given) {
  const std::size_t n = c.names.size();
  const bool hasPrevious = !memory.lastChoice.empty();
  const std::vector<bool> all(n, true);
  const std::vector<bool> previous = hasPrevious ? previousChoice(c, memory) : all;
  Tokens answer = splitSign(given);
  const std::string& word = answer[1];
  if (answer.count == 0 || word == "=") return previous;
  if (word == "all") return all;
  if (word == "omit" || word == "0mit") {
    std::vector<bool> on = all;
    applyNames(io, c, answer, 2, "omit", false, on);
    return on;
  }
  if (word == "+") {
    std::vector<bool> on = hasPrevious ? previous : std::vector<bool>(n, false);
    applyNames(io, c, answer, 2, "add to these", true, on);
    return on;
  }
  if (word == "-") {
    std::vector<bool> on = previous;
    applyNames(io, c, answer, 2, "of these, omit", false, on);
    return on;
  }
  std::vector<bool> on(n, false);
  for (int i = 1; i <= answer.count; ++i) {
    int k = checkname(io, answer[i], c.names);
    if (k >= 0) on[static_cast<std::size_t>(k)] = true;
  }
  return on;
}

std::vector<std::string> namesOf(const Candidates& c, const std::vector<int>& positions) {
  std::vector<std::string> names;
  for (int k : positions) names.push_back(c.names[static_cast<std::size_t>(k)]);
  return names;
}

std::vector<bool> askChoice(Io& io, const Candidates& c, const PhaseDiagramMemory& memory,
                            const std::vector<int>& automatic) {
  writeList(io, "choose from: ", c.names);
  if (!automatic.empty())
    writeList(io, "", namesOf(c, automatic), "- automatically included (from script)");
  if (!memory.lastChoice.empty()) {
    std::string tail;
    if (!automatic.empty()) {
      tail = "+  ";
      for (const std::string& name : namesOf(c, automatic)) tail += name + "  ";
    }
    writeList(io, "last time was: ", memory.lastChoice, tail);
  }
  Tokens answer;
  promptstrings(io, "which phases", answer);
  return readChoice(io, c, memory, answer);
}

bool isFluidEndMember(const PhaseTables& tables, const PhaseRef& ref, const char* name) {
  return !ref.solution && tables.pures[static_cast<std::size_t>(ref.index)].endMember == name;
}

// Fluid and aqueous phases take the place of pure H2O and CO2; pure H2O
// takes the place of pure CO2.
void fluidRules(const PhaseTables& tables, const Candidates& c, std::vector<bool>& on) {
  bool fluidPhase = false, pureH2O = false;
  for (std::size_t k = 0; k < on.size(); ++k) {
    if (!on[k]) continue;
    const PhaseRef& ref = c.refs[k];
    if (ref.solution) {
      const SolutionPhase& s = tables.solutions[static_cast<std::size_t>(ref.index)];
      fluidPhase = fluidPhase || s.fluid || s.aqueous;
    }
    pureH2O = pureH2O || isFluidEndMember(tables, ref, "H2O");
  }
  for (std::size_t k = 0; k < on.size(); ++k) {
    if (!on[k]) continue;
    bool h2o = isFluidEndMember(tables, c.refs[k], "H2O");
    bool co2 = isFluidEndMember(tables, c.refs[k], "CO2");
    if ((fluidPhase && (h2o || co2)) || (pureH2O && co2)) on[k] = false;
  }
}

void resolveSamecoding(const ScriptSettings& script, PhaseDiagramSetup& setup) {
  setup.samecoding.clear();
  if (script.samecodingState == kDontUse) return;
  std::vector<std::string> chosen;
  for (const ChosenPhase& p : setup.phases) chosen.push_back(p.name);
  for (const std::vector<std::string>& group : script.samecoding) {
    std::vector<int> members;
    for (const std::string& name : group) {
      int k = position(chosen, name);
      if (k >= 0) members.push_back(k);
    }
    if (!members.empty()) setup.samecoding.push_back(members);
  }
}

}  // namespace

namespace {

// The first word of an answer as typed: tokens are cut to 20 characters,
// and a longer replacement name is refused rather than cut.
std::string firstWordAsTyped(Io& io, const std::string& question) {
  if (!io.outputcontrol.contains(kConsole)) return {};
  io.putstr(0, question + " : ", 0, kToConsoleLog);
  std::string raw;
  if (!io.readConsoleLine(raw)) bomb("read in prstrings", "problems reading");
  raw = cutText(raw);
  Tokens answer;
  string2strings(raw, static_cast<int>(raw.size()), answer, io.tokenCapacity());
  io.putstr(0, answer.count == 0 ? "(nothing input)" : answer.joined(), 1, kToLog);
  if (isKill(io, answer)) killrun();
  std::string word;
  for (char ch : raw) {
    if (isBlank(ch)) {
      if (!word.empty()) break;
      continue;
    }
    word += ch;
  }
  return word;
}

}  // namespace

int checkname(Io& io, const std::string& name, const std::vector<std::string>& names) {
  int k = position(names, name);
  if (k >= 0) return k;
  const std::string word = firstWordAsTyped(io, "bad name : replace " + name + " with");
  if (word.empty()) return -1;
  if (word.size() > kMaxToken) {
    io.putstr(0, " name too long: name ignored", 1, kToConsoleLog);
    return -1;
  }
  k = position(names, word);
  if (k < 0) io.putstr(0, " still a bad name: name ignored", 1, kToConsoleLog);
  return k;
}

int fluidtypeOf(const PhaseTables& tables, const std::vector<ChosenPhase>& phases) {
  int fluids = 0, aqueous = 0, withBoth = 0, withH2OOnly = 0;
  int binaryFluids = 0;
  bool pureH2O = false, pureCO2 = false;
  for (const ChosenPhase& p : phases) {
    if (!p.ref.solution) {
      const std::string& em = tables.pures[static_cast<std::size_t>(p.ref.index)].endMember;
      pureH2O = pureH2O || em == "H2O";
      pureCO2 = pureCO2 || em == "CO2";
      continue;
    }
    const SolutionPhase& s = tables.solutions[static_cast<std::size_t>(p.ref.index)];
    if (s.fluid) {
      ++fluids;
      if (s.endMemberCount() == 2) ++binaryFluids;
    }
    if (s.aqueous) ++aqueous;
    if (s.h2o >= 0 && s.co2 >= 0) ++withBoth;
    if (s.h2o >= 0 && s.co2 < 0) ++withH2OOnly;
  }
  if (fluids > 1 || aqueous > 1 || (fluids > 0 && aqueous > 0)) return kFluidSeveral;
  if (fluids + aqueous == 1 && (pureH2O || pureCO2)) return kFluidNotSet;
  if (fluids == 1) return binaryFluids == 1 && withBoth == 1 ? kFluidBinary : kFluidOther;
  if (aqueous == 1) {
    if (withH2OOnly == 1 && withBoth == 0) return kFluidAqueousH2O;
    if (withBoth == 1) return kFluidAqueousMixed;
    return kFluidNotSet;
  }
  // in phase diagrams pure H2O and pure CO2 together cannot be handled
  if (pureH2O && pureCO2) return kFluidNotSet;
  if (pureH2O) return kFluidH2O;
  if (pureCO2) return kFluidCO2;
  return kFluidGiven;
}

void whichphases(Io& io, const PhaseTables& tables, const ScriptSettings& script,
                 PhaseDiagramMemory& memory, PhaseDiagramSetup& setup) {
  Candidates c = candidatesOf(io, tables, script);
  defunctKeywords(io, script);
  const std::vector<int> automatic = automaticallyIncluded(c, script);
  std::vector<bool> on;
  bool fromScript = false;
  if (script.allphases == kUsePreset) {
    io.putstr(0, "all phases will be used (from script)", 1, kToConsoleLog);
    on.assign(c.names.size(), true);
    fromScript = true;
  } else if (script.which.state == kUsePreset) {
    Tokens answer;
    for (const std::string& name : script.which.names)
      if (answer.count < Tokens::kMaxTokens) answer.items[++answer.count] = name;
    on = readChoice(io, c, PhaseDiagramMemory{}, answer);
    fromScript = true;
  }
  if (!fromScript || endMemberCount(tables, c, on) > kMaxChosenEndMembers)
    on = askChoice(io, c, memory, automatic);
  // a choice left empty by names that match nothing is asked again
  while (automatic.empty() && std::none_of(on.begin(), on.end(), [](bool b) { return b; })) {
    io.putstr(0, "no phases chosen: try again", 1, kToConsoleLog);
    on = askChoice(io, c, memory, automatic);
  }
  for (int k : automatic) on[static_cast<std::size_t>(k)] = true;
  fluidRules(tables, c, on);

  setup.phases.clear();
  setup.nss = setup.npure = 0;
  for (bool solutions : {true, false}) {
    for (std::size_t k = 0; k < on.size(); ++k) {
      if (!on[k] || c.refs[k].solution != solutions) continue;
      setup.phases.push_back(ChosenPhase{c.refs[k], c.names[k]});
      ++(solutions ? setup.nss : setup.npure);
    }
  }
  memory.lastChoice.clear();
  for (const ChosenPhase& p : setup.phases) memory.lastChoice.push_back(p.name);

  setup.fluidtype = fluidtypeOf(tables, setup.phases);
  if (setup.fluidtype == kFluidNotSet)
    bomb("whichphases", "facility not implemented yet (fluidtype not set)");
  if (setup.fluidtype == kFluidSeparate)
    bomb("whichphases", "separate H2O and CO2 not handled in mode 1");
  if (endMemberCount(tables, c, on) > kMaxChosenEndMembers)
    bomb("whichphases",
         "too many end-members (max = " + std::to_string(kMaxChosenEndMembers) + ") ");
  // the assemblages hold one flag per chosen phase, as do the excess flags
  if (static_cast<int>(setup.phases.size()) > kMaxExcessPhases)
    bomb("whichphases", "too many phases (max = " + std::to_string(kMaxExcessPhases) + ") ");
  resolveSamecoding(script, setup);
}

void setexcessphases(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup) {
  if (setup.phases.size() < 2) return;
  std::vector<std::string> chosen;
  for (const ChosenPhase& p : setup.phases) chosen.push_back(p.name);
  std::vector<std::string> first;
  int state = script.setexcess.state;
  promptcontrol(io, "use in excess phases specified in datafile", state);
  if (state == kUsePreset) {
    first = script.setexcess.names;
    bool secondEmpty = script.setexcess0.state != kUsePreset || script.setexcess0.names.empty();
    if (first.empty() && secondEmpty)
      io.putstr(0, "no phases in excess (from script)", 1, kToConsoleLog);
  } else {
    writeList(io, "", chosen);
    Tokens answer;
    promptstrings(io, "in excess: names", answer);
    for (int i = 1; i <= answer.count; ++i) first.push_back(answer[i]);
  }
  auto mark = [&](const std::string& name, bool fluid) {
    int k = checkname(io, name, chosen);
    if (k < 0) return;
    ChosenPhase& p = setup.phases[static_cast<std::size_t>(k)];
    p.excess = true;
    p.fluidExcess = p.fluidExcess || fluid;
  };
  for (const std::string& name : first) mark(name, false);
  if (script.setexcess0.state == kUsePreset)
    for (const std::string& name : script.setexcess0.names) mark(name, true);
  if (std::none_of(setup.phases.begin(), setup.phases.end(),
                   [](const ChosenPhase& p) { return p.fluidExcess; })) {
    for (ChosenPhase& p : setup.phases)
      if (p.excess && (p.name == "H2O" || p.name == "CO2")) {
        p.fluidExcess = true;
        break;
      }
  }
}

}  // namespace pf
