// The script's keywords: each one's value form, limits and storage.
#include <array>
#include <cmath>
#include <string_view>

#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/tokens.h"

namespace pf {

namespace {

// The value tokens of a line: after the keyword, and after the word "yes",
// "no" or "ask" when one follows it. A line that says "no" has none: what
// follows the word is not read.
struct Values {
  const Tokens& line;
  int state = kUsePreset;
  int first = 2;        // position of the first value token
  bool worded = false;  // the line said "yes", "no" or "ask"

  int count() const {
    if (state == kDontUse) return 0;
    return line.count >= first ? line.count - first + 1 : 0;
  }
  const std::string& at(int k) const { return line[first + k]; }  // k from 0
};

Values valuesOf(const Tokens& line) {
  Values v{line};
  const std::string& word = line[2];
  if (word == "yes" || word == "no" || word == "ask") {
    v.state = word == "yes" ? kUsePreset : word == "no" ? kDontUse : kAsk;
    v.first = 3;
    v.worded = true;
  }
  return v;
}

bool isName(const std::string& token) {
  return !token.empty() && !isNumericKind(sstringkind(token));
}

bool tokenReal(const std::string& token, Real& value) {
  std::string message;
  switch (sstringkind(token)) {
    case kInteger:
    case kRealKind:
      return readReal(token, value, message);
    case kRational: {
      int top, bottom;
      if (!readRational(token, top, bottom, message)) return false;
      value = static_cast<Real>(top) / bottom;
      return true;
    }
    default:
      return false;
  }
}

// n reals from value token `from` on.
bool realsAt(const Values& v, int from, int n, std::vector<Real>& out) {
  if (n < 0 || from + n > v.count()) return false;
  out.assign(static_cast<std::size_t>(n), 0);
  for (int k = 0; k < n; ++k)
    if (!tokenReal(v.at(from + k), out[static_cast<std::size_t>(k)])) return false;
  return true;
}

// Every value token from `from` to the end as reals; at least `least`.
bool allReals(const Values& v, int from, int least, std::vector<Real>& out) {
  int n = v.count() - from;
  return n >= least && realsAt(v, from, n, out);
}

bool allNames(const Values& v, int from, std::vector<std::string>& out) {
  out.clear();
  for (int k = from; k < v.count(); ++k) {
    if (!isName(v.at(k))) return false;
    out.push_back(v.at(k));
  }
  return true;
}

[[noreturn]] void scriptFault(const std::string& message) {
  bomb("reading scripts", message);
}

using Handler = int (*)(Io&, const Tokens&, ScriptSettings&);

// ---- switches and single values ---------------------------------------

// A three-state keyword that takes no values.
int readSwitch(const Tokens& line, int& field) {
  Values v = valuesOf(line);
  if (v.count() != 0) return kLineBadInfo;
  field = v.state;
  return kLineAccepted;
}

// An on/off keyword: off only when followed by "off", "no" or "ask".
bool onOff(const Tokens& line) {
  return !(line[2] == "off" || line[2] == "no" || line[2] == "ask");
}

// An integer keyword: the integer alone after the keyword.
int readIntegerValue(const Tokens& line, int& field, int lowest, int highest) {
  if (line.count < 2) return kLineNoInfo;
  int value;
  std::string message;
  if (line.count > 2 || !readInteger(line[2], value, message)) return kLineBadInfo;
  if (value < lowest || value > highest) return kLineBadInfo;
  field = value;
  return kLineAccepted;
}

// A three-state keyword followed by exactly n reals.
int readFixedReals(const Tokens& line, int& state, int n, std::vector<Real>& out) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    state = kDontUse;
    return v.count() == 0 ? kLineAccepted : kLineBadInfo;
  }
  if (v.count() != n || !realsAt(v, 0, n, out)) return kLineBadInfo;
  state = v.state;
  return kLineAccepted;
}

int readWindow(const Tokens& line, ScriptWindow& window, Real offset) {
  std::vector<Real> pair;
  int state = window.state;
  int result = readFixedReals(line, state, 2, pair);
  if (result != kLineAccepted) return result;
  window.state = state;
  if (state != kDontUse) {
    window.low = pair[0] + offset;
    window.high = pair[1] + offset;
    window.given = true;
  }
  return kLineAccepted;
}

int readValue(const Tokens& line, ScriptValue& setting) {
  std::vector<Real> one;
  int state = setting.state;
  int result = readFixedReals(line, state, 1, one);
  if (result != kLineAccepted) return result;
  setting.state = state;
  if (state != kDontUse) setting.value = one[0];
  return kLineAccepted;
}

int readNameList(const Tokens& line, NameList& list, int most) {
  Values v = valuesOf(line);
  std::vector<std::string> names;
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
  } else if (!allNames(v, 0, names) || static_cast<int>(names.size()) > most) {
    return kLineBadInfo;
  }
  list.state = v.state;
  list.names = std::move(names);
  return kLineAccepted;
}

// ---- files, output and information --------------------------------------

int axfileLine(Io&, const Tokens& line, ScriptSettings& s) {
  const std::string& word = line[2];
  if (word == "no") return kLineAccepted;
  int at = word == "yes" ? 3 : 2;
  if (line.count > at) return kLineBadInfo;
  // alone (or with "ask") it clears the name, so that the a-x file is asked for
  s.axfile = word == "ask" ? std::string() : cut20(line[at]);
  return kLineAccepted;
}

int makepsLine(Io&, const Tokens& line, ScriptSettings& s) {
  s.makeps = onOff(line);
  return kLineAccepted;
}

int makeoLine(Io&, const Tokens& line, ScriptSettings& s) {
  s.makeo = onOff(line);
  return kLineAccepted;
}

int infolevelLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readIntegerValue(line, s.infolevel, -kMaxInteger, kMaxInteger);
}

int fdaccessLine(Io&, const Tokens& line, ScriptSettings& s) {
  // the solver knows three jacobian modes
  return readIntegerValue(line, s.fdaccess, 0, 2);
}

int calctypeLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readIntegerValue(line, s.calctype, -kMaxInteger, kMaxInteger);
}

int setrocknameLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state != kDontUse) {
    // sample names are often numbers, and may run over several tokens
    if (v.count() == 0) return kLineBadInfo;
    s.rockname = cut20(line.joined(v.first));
  } else if (v.count() != 0) {
    return kLineBadInfo;
  }
  s.setrocknameState = v.state;
  return kLineAccepted;
}

// ---- windows ---------------------------------------------------------------

int setTwindowLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readWindow(line, s.setTwindow, 273);
}
int setPwindowLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readWindow(line, s.setPwindow, 0);
}
int setdefTwindowLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readWindow(line, s.setdefTwindow, 273);
}
int setdefPwindowLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readWindow(line, s.setdefPwindow, 0);
}
int setTintervalLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readValue(line, s.setTinterval);
}
int setPintervalLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readValue(line, s.setPinterval);
}
int setlinearLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readValue(line, s.setlinear);
}

int negpLine(Io&, const Tokens& line, ScriptSettings& s) {
  if (line.count != 1) return kLineBadInfo;
  s.negp = true;
  return kLineAccepted;
}

// ---- phases --------------------------------------------------------------

int whichLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readNameList(line, s.which, kMaxWhich);
}
int ignoreLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readNameList(line, s.ignore, kMaxIgnore);
}
int setexcessLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readNameList(line, s.setexcess, kMaxExcess);
}
int setexcess0Line(Io&, const Tokens& line, ScriptSettings& s) {
  return readNameList(line, s.setexcess0, kMaxExcess);
}

int fluidpresentLine(Io&, const Tokens& line, ScriptSettings& s) {
  s.fluidpresentGiven = true;
  return readSwitch(line, s.fluidpresent);
}

int fluidexcessLine(Io&, const Tokens& line, ScriptSettings& s) {
  s.fluidexcessGiven = true;
  return readSwitch(line, s.fluidexcess);
}

int setvarLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.setvarState = kDontUse;
    return kLineAccepted;
  }
  if (v.count() == 0) return kLineNoInfo;
  if (v.count() > 1) return kLineBadInfo;
  const std::string& token = v.at(0);
  if (token == "auto") {
    s.varianceAuto = true;
    s.variance = 0;
  } else {
    s.variance = getinteger(sstringkind(token), token, "bad integer in setvar script");
    s.varianceAuto = false;
  }
  s.setvarState = v.state;
  return kLineAccepted;
}

int samecodingLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.samecodingState = kDontUse;
    s.samecoding.clear();
    return kLineAccepted;
  }
  std::vector<std::string> group;
  // a group is a phase and at least one phase coded like it
  if (!allNames(v, 0, group) || group.size() < 2) return kLineBadInfo;
  if (static_cast<int>(group.size()) > kMaxSamecodingNames)
    scriptFault("too many names in samecoding group");
  if (static_cast<int>(s.samecoding.size()) >= kMaxSamecodingGroups)
    scriptFault("too many samecoding groups");
  s.samecoding.push_back(std::move(group));
  s.samecodingState = v.state;
  return kLineAccepted;
}

// ---- compositions, activities and isopleths ----------------------------------

// Name [value] pairs; one token alone is the single end-member the script
// names. Values are echoed on the console as they will be used.
int readNamedValues(Io& io, const Tokens& line, NamedActivities& target, ActivityForm form,
                    const char* echoHead, bool takeLog) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    target = NamedActivities{};
    target.form = form;
    return kLineAccepted;
  }
  if (v.count() == 0) return kLineBadInfo;
  NamedActivities result;
  result.state = v.state;
  result.form = form;
  if (v.count() == 1) {
    if (!isName(v.at(0))) return kLineBadInfo;
    result.singleName = cut20(v.at(0));
    target = std::move(result);
    return kLineAccepted;
  }
  for (int k = 0; k < v.count();) {
    if (!isName(v.at(k))) return kLineBadInfo;
    NamedValue item{cut20(v.at(k)), kActivityToBeSet, false};
    ++k;
    if (k < v.count() && !isName(v.at(k))) {
      Real x;
      if (!tokenReal(v.at(k), x)) return kLineBadInfo;
      if (takeLog) {
        if (x <= 0) return kLineBadInfo;
        x = std::log(x);
      }
      item.value = x;
      item.hasValue = true;
      ++k;
    }
    result.items.push_back(std::move(item));
  }
  for (const NamedValue& item : result.items) {
    std::string echo = echoHead + item.name;
    echo += item.hasValue ? ") = " + decimalText(item.value, decimalsNeeded(item.value, 6))
                          : std::string(") - to be set ");
    io.putstr(0, echo, 1, kToConsole);
  }
  target = std::move(result);
  return kLineAccepted;
}

int setaLine(Io& io, const Tokens& line, ScriptSettings& s) {
  return readNamedValues(io, line, s.activities, ActivityForm::activity, "ln a(", true);
}
int setlnaLine(Io& io, const Tokens& line, ScriptSettings& s) {
  return readNamedValues(io, line, s.activities, ActivityForm::lna, "ln a(", false);
}
int setlogaLine(Io& io, const Tokens& line, ScriptSettings& s) {
  return readNamedValues(io, line, s.activities, ActivityForm::loga, "ln a(", false);
}
int setmuLine(Io& io, const Tokens& line, ScriptSettings& s) {
  return readNamedValues(io, line, s.mu, ActivityForm::lna, "mu(", false);
}

int readIsopleth(const Tokens& line, Isopleth& iso) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    iso.state = kDontUse;
    return kLineAccepted;
  }
  std::vector<Real> values;
  if (v.count() != 4 || !isName(v.at(0)) || !realsAt(v, 1, 3, values)) return kLineBadInfo;
  iso.state = v.state;
  iso.name = cut20(v.at(0));
  iso.values = std::move(values);
  return kLineAccepted;
}

int setisoLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readIsopleth(line, s.setiso);
}
int setmodeisoLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readIsopleth(line, s.setmodeiso);
}

int zeromodeisoLine(Io&, const Tokens& line, ScriptSettings& s) {
  NameList list;
  int result = readNameList(line, list, 2);
  if (result != kLineAccepted) return result;
  if (list.state != kDontUse && list.names.empty()) return kLineBadInfo;
  s.zeromodeiso = std::move(list);
  return kLineAccepted;
}

// The first line gives the first bulk; a second gives the second, with as
// many values; values are scaled to a total of 100.
int setbulkLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.setbulkState = kDontUse;
    s.bulks.clear();
    return kLineAccepted;
  }
  std::vector<Real> bulk;
  if (!allReals(v, 0, 1, bulk)) return kLineBadInfo;
  Real total = 0;
  for (Real x : bulk) total += x;
  if (!(total > 0) || !std::isfinite(total)) return kLineBadInfo;
  if (s.bulks.size() >= 2) return kLineBadInfo;
  if (s.bulks.size() == 1 && bulk.size() != s.bulks[0].size()) return kLineBadInfo;
  for (Real& x : bulk) x = x / total * 100;
  s.bulks.push_back(std::move(bulk));
  s.setbulkState = v.state;
  return kLineAccepted;
}

int splitbulkLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readSwitch(line, s.splitbulk);
}

// Apices: a name followed by its composition, as many as the line holds.
int setprojectLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.setprojectState = kDontUse;
    s.projectionPlane.clear();
    return kLineAccepted;
  }
  std::vector<Apex> plane;
  for (int k = 0; k < v.count();) {
    if (!isName(v.at(k))) return kLineBadInfo;
    Apex apex{cut20(v.at(k)), {}};
    ++k;
    for (; k < v.count() && !isName(v.at(k)); ++k) {
      Real x;
      if (!tokenReal(v.at(k), x)) return kLineBadInfo;
      apex.composition.push_back(x);
    }
    if (apex.composition.empty()) return kLineBadInfo;
    if (!plane.empty() && apex.composition.size() != plane[0].composition.size())
      return kLineBadInfo;
    plane.push_back(std::move(apex));
  }
  if (plane.empty()) return kLineBadInfo;
  s.setprojectState = v.state;
  s.projectionPlane = std::move(plane);
  return kLineAccepted;
}

// Rock bulk lines accumulate, one row of oxide amounts a line; the state is
// set by the first line or by a line that names it.
int readbulkinfoLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.readbulkinfo = kDontUse;
    s.rockBulkRows.clear();
    return kLineAccepted;
  }
  std::vector<Real> row;
  if (!allReals(v, 0, 1, row)) return kLineBadInfo;
  if (static_cast<int>(s.rockBulkRows.size()) >= kMaxRockBulkRows) return kLineBadInfo;
  if (s.rockBulkRows.empty() || v.worded) s.readbulkinfo = v.state;
  s.rockBulkRows.push_back(std::move(row));
  return kLineAccepted;
}

// One row of the conversion matrix a line, with an optional label first.
int convliqLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.convliqState = kDontUse;
    s.convliq.clear();
    s.convliqLabels.clear();
    return kLineAccepted;
  }
  int from = isName(v.at(0)) ? 1 : 0;
  std::vector<Real> row;
  if (!allReals(v, from, 1, row)) return kLineBadInfo;
  if (static_cast<int>(row.size()) > kMaxConvliqColumns)
    bomb("control", "too many columns in convliq matrix");
  if (static_cast<int>(s.convliq.size()) >= kMaxConvliqRows)
    bomb("control", "too many rows in convliq matrix");
  if (!s.convliq.empty() && row.size() != s.convliq[0].size()) return kLineBadInfo;
  s.convliqLabels.push_back(from == 1 ? cut20(v.at(0)) : std::string());
  s.convliq.push_back(std::move(row));
  s.convliqState = v.state;
  return kLineAccepted;
}

// ---- guesses ---------------------------------------------------------------

int ptguessLine(Io&, const Tokens& line, ScriptSettings& s) {
  std::vector<Real> pair;
  int state = s.ptguessState;
  int result = readFixedReals(line, state, 2, pair);
  if (result != kLineAccepted) return result;
  s.ptguessState = state;
  if (state != kDontUse) {
    s.ptguessP = pair[0];
    s.ptguessT = pair[1] + 273;
  }
  return kLineAccepted;
}

// name value [sd s] [range low high], from value token `from`.
bool readXyzGuess(const Values& v, int from, XyzGuess& guess) {
  if (v.count() - from < 2 || !isName(v.at(from)) || !tokenReal(v.at(from + 1), guess.value))
    return false;
  guess.name = cut20(v.at(from));
  bool sdSeen = false, rangeSeen = false;
  for (int k = from + 2; k < v.count();) {
    if (v.at(k) == "sd" && !sdSeen) {
      if (k + 1 >= v.count() || !tokenReal(v.at(k + 1), guess.sd) || guess.sd < 0) return false;
      sdSeen = true;
      k += 2;
    } else if (v.at(k) == "range" && !rangeSeen) {
      std::vector<Real> ends;
      if (!realsAt(v, k + 1, 2, ends) || ends[0] > ends[1]) return false;
      guess.low = ends[0];
      guess.high = ends[1];
      rangeSeen = true;
      k += 3;
    } else {
      return false;
    }
  }
  return true;
}

int xyzguessLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.xyzguessState = kDontUse;
    s.xyzguess.clear();
    return kLineAccepted;
  }
  XyzGuess guess;
  if (!readXyzGuess(v, 0, guess)) return kLineBadInfo;
  if (static_cast<int>(s.xyzguess.size()) >= kMaxXyzGuess) scriptFault("too many xyzguess");
  s.xyzguess.push_back(std::move(guess));
  s.xyzguessState = v.state;
  return kLineAccepted;
}

int modeguessLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.modeguessState = kDontUse;
    s.modeguess.clear();
    return kLineAccepted;
  }
  ModeGuess guess;
  if (v.count() != 2 || !isName(v.at(0)) || !tokenReal(v.at(1), guess.value)) return kLineBadInfo;
  guess.name = cut20(v.at(0));
  if (static_cast<int>(s.modeguess.size()) >= kMaxModeGuess) scriptFault("too many modeguess");
  s.modeguess.push_back(std::move(guess));
  s.modeguessState = v.state;
  return kLineAccepted;
}

// ---- what to calculate -------------------------------------------------------

int setisrLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  std::vector<int> numbers;
  if (v.state != kDontUse) {
    if (v.count() == 0) return kLineBadInfo;
    for (int k = 0; k < v.count(); ++k) {
      int n;
      std::string message;
      if (sstringkind(v.at(k)) != kInteger || !readInteger(v.at(k), n, message))
        return kLineBadInfo;
      numbers.push_back(n);
    }
  } else if (v.count() != 0) {
    return kLineBadInfo;
  }
  s.setisrState = v.state;
  s.setisr = std::move(numbers);
  return kLineAccepted;
}

int setfluidLine(Io&, const Tokens& line, ScriptSettings& s) {
  std::vector<Real> pair;
  int state = s.setfluidState;
  int result = readFixedReals(line, state, 2, pair);
  if (result != kLineAccepted) return result;
  s.setfluidState = state;
  if (state != kDontUse) {
    s.setfluidCO2 = pair[0];
    s.setfluidH2O = pair[1];
  }
  return kLineAccepted;
}

// ---- batch runs, Monte Carlo and fractionation ---------------------------------

// A batch: its variance, then the phases of its assemblage.
int batchLine(Io&, const Tokens& line, ScriptSettings& s) {
  BatchSettings& b = s.batch;
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    b.state = kDontUse;
    b.batches.clear();
    return kLineAccepted;
  }
  Batch batch;
  std::string message;
  if (v.count() == 0 || sstringkind(v.at(0)) != kInteger ||
      !readInteger(v.at(0), batch.variance, message) || !allNames(v, 1, batch.phases))
    return kLineBadInfo;
  if (batch.variance < 0) scriptFault("batch with negative variance?");
  if (static_cast<int>(b.batches.size()) >= kMaxBatches) scriptFault("too many batch");
  b.batches.push_back(std::move(batch));
  b.state = v.state;
  return kLineAccepted;
}

// A filter for the batch of the same number: its words as written.
int filterLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.batch.filters.clear();
    return kLineAccepted;
  }
  if (v.count() == 0 || static_cast<int>(s.batch.filters.size()) >= kMaxBatches)
    return kLineBadInfo;
  std::vector<std::string> words;
  for (int k = 0; k < v.count(); ++k) words.push_back(v.at(k));
  s.batch.filters.push_back(std::move(words));
  return kLineAccepted;
}

int batchreqLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readNameList(line, s.batch.batchreq, kMaxWhich);
}

// Guesses for batch runs: "startblock" opens the guesses of the next batch.
int batchxyzguessLine(Io&, const Tokens& line, ScriptSettings& s) {
  BatchSettings& b = s.batch;
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    b.xyzBlocks.clear();
    return kLineAccepted;
  }
  if (v.count() == 1 && v.at(0) == "startblock") {
    if (static_cast<int>(b.xyzBlocks.size()) >= kMaxBatches) scriptFault("too many batch");
    b.xyzBlocks.emplace_back();
    return kLineAccepted;
  }
  XyzGuess guess;
  if (!readXyzGuess(v, 0, guess)) return kLineBadInfo;
  if (b.xyzBlocks.empty()) b.xyzBlocks.emplace_back();
  if (static_cast<int>(b.xyzBlocks.back().size()) >= kMaxXyzGuess) scriptFault("too many xyzguess");
  b.xyzBlocks.back().push_back(std::move(guess));
  return kLineAccepted;
}

int batchswitchLine(Io&, const Tokens& line, ScriptSettings& s) {
  BatchSettings& b = s.batch;
  Values v = valuesOf(line);
  std::vector<std::string> names;
  bool all = v.count() == 1 && v.at(0) == "all";
  if (v.state == kDontUse ? v.count() != 0 : !all && !allNames(v, 0, names)) return kLineBadInfo;
  b.batchswitch = v.state;
  b.switchAll = all;
  b.switches = std::move(names);
  return kLineAccepted;
}

int readRealList(const Tokens& line, int& state, std::vector<Real>& values) {
  Values v = valuesOf(line);
  std::vector<Real> read;
  if (v.state == kDontUse ? v.count() != 0 : !allReals(v, 0, 1, read)) return kLineBadInfo;
  state = v.state;
  values = std::move(read);
  return kLineAccepted;
}

int batchbulkLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readRealList(line, s.batch.bulkState, s.batch.bulk);
}
int mcbulkLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readRealList(line, s.mc.bulkState, s.mc.bulk);
}
int mcrangeLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readRealList(line, s.mc.mcrangeState, s.mc.mcrange);
}
int mcfuncLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readNameList(line, s.mc.mcfunc, kMaxWhich);
}
int mcitLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readIntegerValue(line, s.mc.mcit, 0, kMaxInteger);
}

// phase, parameter, a/b/c, amount
bool readParameterChange(const Values& v, ParameterChange& change) {
  if (v.count() != 4 || !isName(v.at(0)) || !isName(v.at(1)) || !isName(v.at(2))) return false;
  change.phase = cut20(v.at(0));
  change.parameter = cut20(v.at(1));
  change.abc = v.at(2)[0];
  return tokenReal(v.at(3), change.amount);
}

int nudgeLine(Io&, const Tokens& line, ScriptSettings& s) {
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    s.nudgeState = kDontUse;
    s.nudge.clear();
    return kLineAccepted;
  }
  if (v.count() < 4) scriptFault("in nudge, not enough info");
  ParameterChange change;
  if (!readParameterChange(v, change)) return kLineBadInfo;
  if (static_cast<int>(s.nudge.size()) >= kMaxParameterChanges) scriptFault("too many nudge");
  s.nudge.push_back(std::move(change));
  s.nudgeState = v.state;
  return kLineAccepted;
}

// Monte Carlo on; each line may add a parameter and its uncertainty.
int mcLine(Io&, const Tokens& line, ScriptSettings& s) {
  MonteCarloSettings& mc = s.mc;
  Values v = valuesOf(line);
  if (v.state == kDontUse) {
    if (v.count() != 0) return kLineBadInfo;
    mc.state = kDontUse;
    mc.items.clear();
    return kLineAccepted;
  }
  if (v.count() != 0) {
    ParameterChange change;
    if (!readParameterChange(v, change) || change.amount < 0)
      scriptFault("mc attempted and failed");
    if (static_cast<int>(mc.items.size()) >= kMaxParameterChanges) scriptFault("too many mc");
    mc.items.push_back(std::move(change));
  }
  mc.state = v.state;
  return kLineAccepted;
}

int fractLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readNameList(line, s.fract, kMaxWhich);
}

// ---- the tables ---------------------------------------------------------------

struct SwitchKeyword {
  std::string_view keyword;
  int ScriptSettings::*field;
};

constexpr std::array kSwitches = {
    SwitchKeyword{"plotix", &ScriptSettings::plotix},
    SwitchKeyword{"printcov", &ScriptSettings::printcov},
    SwitchKeyword{"printcor", &ScriptSettings::printcor},
    SwitchKeyword{"like6", &ScriptSettings::like6},
    SwitchKeyword{"latex", &ScriptSettings::latex},
    SwitchKeyword{"noeinfo", &ScriptSettings::noeinfo},
    SwitchKeyword{"nlerehelp", &ScriptSettings::nlerehelp},
    SwitchKeyword{"exbuff", &ScriptSettings::exbuff},
    SwitchKeyword{"fifi", &ScriptSettings::fifi},
    SwitchKeyword{"progress", &ScriptSettings::progress},
    SwitchKeyword{"diagnostics", &ScriptSettings::diagnostics},
    SwitchKeyword{"makeinfo", &ScriptSettings::makeinfo},
    SwitchKeyword{"tables", &ScriptSettings::tables},
    SwitchKeyword{"dataok", &ScriptSettings::dataok},
    SwitchKeyword{"rmath", &ScriptSettings::rmath},
    SwitchKeyword{"gmath", &ScriptSettings::gmath},
    SwitchKeyword{"cmath", &ScriptSettings::cmath},
    SwitchKeyword{"txmath", &ScriptSettings::txmath},
    SwitchKeyword{"ptmath", &ScriptSettings::txmath},
    SwitchKeyword{"smath", &ScriptSettings::smath},
    SwitchKeyword{"xinsmath", &ScriptSettings::xinsmath},
    SwitchKeyword{"tabsmath", &ScriptSettings::tabsmath},
    SwitchKeyword{"calctatp", &ScriptSettings::calctatp},
    SwitchKeyword{"allphases", &ScriptSettings::allphases},
    SwitchKeyword{"autovar", &ScriptSettings::autovar},
    SwitchKeyword{"onebulk", &ScriptSettings::onebulk},
    SwitchKeyword{"project", &ScriptSettings::project},
    SwitchKeyword{"projcomp", &ScriptSettings::projcomp},
    SwitchKeyword{"pseudosection", &ScriptSettings::pseudosection},
    SwitchKeyword{"pseudo", &ScriptSettings::pseudosection},
    SwitchKeyword{"modebox", &ScriptSettings::modebox},
    SwitchKeyword{"printbulkinfo", &ScriptSettings::printbulkinfo},
    SwitchKeyword{"printxyz", &ScriptSettings::printxyz},
    SwitchKeyword{"printguessform", &ScriptSettings::printxyz},
    SwitchKeyword{"printmode", &ScriptSettings::printmode},
    SwitchKeyword{"printsf", &ScriptSettings::printsf},
    SwitchKeyword{"oldmethod", &ScriptSettings::oldmethod},
    SwitchKeyword{"calcsdnle", &ScriptSettings::calcsdnle},
    SwitchKeyword{"usecalcq", &ScriptSettings::usecalcq},
    SwitchKeyword{"incthermo", &ScriptSettings::incthermo},
    SwitchKeyword{"incax", &ScriptSettings::incax},
    SwitchKeyword{"incnler", &ScriptSettings::incnler},
    SwitchKeyword{"justrelu", &ScriptSettings::justrelu},
    SwitchKeyword{"dogmin", &ScriptSettings::dogmin},
    SwitchKeyword{"calcg", &ScriptSettings::calcg},
    SwitchKeyword{"calch", &ScriptSettings::calch},
    SwitchKeyword{"calcsv", &ScriptSettings::calcsv},
    SwitchKeyword{"calcah2o", &ScriptSettings::calcah2o},
    SwitchKeyword{"calcmu", &ScriptSettings::calcmu},
    SwitchKeyword{"calcmuo", &ScriptSettings::calcmuo},
    SwitchKeyword{"c8", &ScriptSettings::c8},
    SwitchKeyword{"calcprops", &ScriptSettings::calcprops},
    SwitchKeyword{"zarvo", &ScriptSettings::zarvo},
    SwitchKeyword{"lsqds", &ScriptSettings::lsqds},
    SwitchKeyword{"oisr", &ScriptSettings::oisr},
    SwitchKeyword{"doallr", &ScriptSettings::doallr},
    SwitchKeyword{"defsdaparams", &ScriptSettings::defsdaparams},
    SwitchKeyword{"usedefsda", &ScriptSettings::usedefsda},
};

// Switches held in the batch and Monte Carlo records.
int batchdebugLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readSwitch(line, s.batch.batchdebug);
}
int mcdebugLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readSwitch(line, s.mc.mcdebug);
}
int gaussmcLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readSwitch(line, s.mc.gaussmc);
}
int mcoutcurrentwayLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readSwitch(line, s.mc.mcoutcurrentway);
}
int mccorrLine(Io&, const Tokens& line, ScriptSettings& s) {
  return readSwitch(line, s.mc.mccorr);
}

struct ValueKeyword {
  std::string_view keyword;
  Handler read;
};

constexpr std::array kValueKeywords = {
    ValueKeyword{"axfile", axfileLine},
    ValueKeyword{"makeps", makepsLine},
    ValueKeyword{"makeo", makeoLine},
    ValueKeyword{"infolevel", infolevelLine},
    ValueKeyword{"fdaccess", fdaccessLine},
    ValueKeyword{"setrockname", setrocknameLine},
    ValueKeyword{"calctype", calctypeLine},
    ValueKeyword{"setTwindow", setTwindowLine},
    ValueKeyword{"setPwindow", setPwindowLine},
    ValueKeyword{"setTinterval", setTintervalLine},
    ValueKeyword{"setPinterval", setPintervalLine},
    ValueKeyword{"setdefTwindow", setdefTwindowLine},
    ValueKeyword{"setdefPwindow", setdefPwindowLine},
    ValueKeyword{"negp", negpLine},
    ValueKeyword{"negP", negpLine},
    ValueKeyword{"which", whichLine},
    ValueKeyword{"ignore", ignoreLine},
    ValueKeyword{"omit", ignoreLine},
    ValueKeyword{"setexcess", setexcessLine},
    ValueKeyword{"inexcess", setexcessLine},
    ValueKeyword{"setexcess0", setexcess0Line},
    ValueKeyword{"inexcess0", setexcess0Line},
    ValueKeyword{"fluidpresent", fluidpresentLine},
    ValueKeyword{"fluidexcess", fluidexcessLine},
    ValueKeyword{"setvar", setvarLine},
    ValueKeyword{"setvariance", setvarLine},
    ValueKeyword{"samecoding", samecodingLine},
    ValueKeyword{"seta", setaLine},
    ValueKeyword{"setlna", setlnaLine},
    ValueKeyword{"setloga", setlogaLine},
    ValueKeyword{"setmu", setmuLine},
    ValueKeyword{"setiso", setisoLine},
    ValueKeyword{"setmodeiso", setmodeisoLine},
    ValueKeyword{"zeromodeiso", zeromodeisoLine},
    ValueKeyword{"setbulk", setbulkLine},
    ValueKeyword{"splitbulk", splitbulkLine},
    ValueKeyword{"setproject", setprojectLine},
    ValueKeyword{"readbulkinfo", readbulkinfoLine},
    ValueKeyword{"rbi", readbulkinfoLine},
    ValueKeyword{"convliq", convliqLine},
    ValueKeyword{"ptguess", ptguessLine},
    ValueKeyword{"xyzguess", xyzguessLine},
    ValueKeyword{"readxyz", xyzguessLine},
    ValueKeyword{"modeguess", modeguessLine},
    ValueKeyword{"setisr", setisrLine},
    ValueKeyword{"setfluid", setfluidLine},
    ValueKeyword{"setlinear", setlinearLine},
    ValueKeyword{"batch", batchLine},
    ValueKeyword{"batches", batchLine},
    ValueKeyword{"filter", filterLine},
    ValueKeyword{"flitter", filterLine},
    ValueKeyword{"batchreq", batchreqLine},
    ValueKeyword{"batchxyzguess", batchxyzguessLine},
    ValueKeyword{"batchswitch", batchswitchLine},
    ValueKeyword{"batchbulk", batchbulkLine},
    ValueKeyword{"mcbulk", mcbulkLine},
    ValueKeyword{"batchdebug", batchdebugLine},
    ValueKeyword{"mcdebug", mcdebugLine},
    ValueKeyword{"mcit", mcitLine},
    ValueKeyword{"mcrange", mcrangeLine},
    ValueKeyword{"mcfunc", mcfuncLine},
    ValueKeyword{"nudge", nudgeLine},
    ValueKeyword{"mc", mcLine},
    ValueKeyword{"gaussmc", gaussmcLine},
    ValueKeyword{"mcoutcurrentway", mcoutcurrentwayLine},
    ValueKeyword{"mccorr", mccorrLine},
    ValueKeyword{"fract", fractLine},
    ValueKeyword{"fractionation", fractLine},
};

}  // namespace

ScriptSettings scriptDefaults() {
  return ScriptSettings{};
}

void resetScript(ScriptSettings& script) {
  std::string axfile = std::move(script.axfile);
  int calcprops = script.calcprops;
  script = scriptDefaults();
  script.axfile = std::move(axfile);
  script.calcprops = calcprops;
}

int readScriptLine(Io& io, const Tokens& line, ScriptSettings& script) {
  const std::string& keyword = line[1];
  for (const SwitchKeyword& entry : kSwitches)
    if (entry.keyword == keyword) return readSwitch(line, script.*entry.field);
  for (const ValueKeyword& entry : kValueKeywords)
    if (entry.keyword == keyword) return entry.read(io, line, script);
  return kLineUnknown;
}

}  // namespace pf
