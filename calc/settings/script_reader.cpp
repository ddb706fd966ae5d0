// Reading the script at the top of the run's data file, the problem report,
// the checks that follow, and the data file for later passes.
#include <algorithm>

#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "common/bomb.h"
#include "common/files.h"
#include "common/session.h"
#include "common/text.h"

namespace pf {

namespace {

const char* problemText(int state) {
  switch (state) {
    case kLineUnknown:
      return " unrecognised";
    case kLineNoInfo:
      return " not followed by any info (default used)";
    default:
      return " followed by incorrect info";
  }
}

// The problem report: a heading before the first problem, one line each.
// Each line is ended at once, since the echo of a later activity line may
// come between two of them.
struct ProblemReport {
  bool any = false;

  void add(Io& io, const std::string& keyword, int state) {
    if (!any) io.putstr(1, "Script problems", 1, kToAll);
    any = true;
    io.putstr(0, quoted(keyword) + problemText(state), 1, kToAll);
  }
};

// Reads the next line that holds tokens; false at the end of the script.
bool nextScriptLine(Io& io, std::istream& file, Tokens& line) {
  std::string text;
  while (readLine(file, text)) {
    text = cutText(text);
    string2strings(text, static_cast<int>(text.size()), line, io.tokenCapacity());
    dropComment(line);
    if (line.count == 0) continue;
    return line[1][0] != '*';  // the data begins after such a line
  }
  return false;
}

// Without a window of their own, the script's T and P windows are the
// default ones.
void settleWindows(ScriptSettings& s) {
  if (!s.setTwindow.given) {
    s.setTwindow.low = s.setdefTwindow.low;
    s.setTwindow.high = s.setdefTwindow.high;
  }
  if (!s.setPwindow.given) {
    s.setPwindow.low = s.setdefPwindow.low;
    s.setPwindow.high = s.setdefPwindow.high;
  }
}

// A starting guess outside the allowed ranges is not used.
void checkPTGuess(ScriptSettings& s) {
  if (s.ptguessState == kDontUse) return;
  Real Pmin = s.negp ? kNegativePmin : kPminDefault;
  bool inside =
      s.ptguessP >= Pmin && s.ptguessP <= kPmax && s.ptguessT >= kTmin && s.ptguessT <= kTmax;
  if (!inside) s.ptguessState = kDontUse;
}

void checkBatchAndMonteCarlo(Io& io, const ScriptSettings& s) {
  const BatchSettings& b = s.batch;
  bool batchRun = b.state != kDontUse && !b.batches.empty();
  if (batchRun && !b.filters.empty() && b.filters.size() != b.batches.size())
    bomb("read scripts", "flitters don't match batches");
  if (!b.filters.empty()) io.putstr(2, "flittering on", 2, kToConsole);
  bool excess = (s.setexcess.state != kDontUse && !s.setexcess.names.empty()) ||
                (s.setexcess0.state != kDontUse && !s.setexcess0.names.empty());
  if (s.mc.state != kDontUse && excess)
    bomb("read scripts", "sorry! in-excess phases not allowed with mcpf");
}

void addToWhich(std::vector<std::string>& which, const std::vector<std::string>& names,
                const char* overflow) {
  for (const std::string& name : names) {
    if (std::find(which.begin(), which.end(), name) != which.end()) continue;
    if (static_cast<int>(which.size()) >= kMaxWhich) bomb("readscripts", overflow);
    which.push_back(name);
  }
}

// The phases of `which` are joined by those coded alike and those in excess,
// which must take part whatever the choice.
void augmentWhich(ScriptSettings& s) {
  if (s.which.state == kDontUse) return;
  for (const std::vector<std::string>& group : s.samecoding)
    addToWhich(s.which.names, group, "too many in augmented which 1");
  for (const NameList* list : {&s.setexcess, &s.setexcess0})
    if (list->state != kDontUse)
      addToWhich(s.which.names, list->names, "too many in augmented which 2");
}

}  // namespace

void readscripts(Io& io, std::unique_ptr<std::istream>& data, ScriptSettings& script) {
  resetScript(script);
  if (!data) bomb("readscripts", "no script file open", 1);
  ProblemReport report;
  Tokens line;
  while (nextScriptLine(io, *data, line)) {
    int state = readScriptLine(io, line, script);
    if (state != kLineAccepted) report.add(io, line[1], state);
  }
  data.reset();
  settleWindows(script);
  checkPTGuess(script);
  checkBatchAndMonteCarlo(io, script);
  augmentWhich(script);
}

std::unique_ptr<std::istream> getscriptfile(Io& io, const Prefs& prefs, std::string& suffix,
                                            std::string& dataName) {
  if (!prefs.allInOne && prefs.datafile.empty()) {
    Tokens answer;
    promptstrings(io, "use same script file?", answer);
    std::string word = trim(answer.joined());
    // "yes" and "Y" mean yes here as at every other yes/no question
    bool same =
        word.empty() || word == "y" || word == "Y" || word == "yes" || word == "1" || word == "=";
    if (!same) suffix.clear();
  }
  if (suffix.empty())
    suffix = promptstring(io, "suffix to name for script info datafile", kMaxToken);
  if (suffix.empty()) bomb("getscriptfile", "no script file specified");
  return promptdatafile(io, "pf-", suffix, "script info", dataName);
}

}  // namespace pf
