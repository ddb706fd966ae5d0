// Phase-diagram windows on the activities and chemical potentials that the
// script names: fixed values, or windows asked and listed row by row.
#include <algorithm>
#include <cmath>
#include <string>

#include "calc/settings/windows.h"
#include "common/bomb.h"
#include "common/prompts.h"

namespace pf {

namespace {

int findName(const std::vector<std::string>& names, const std::string& name) {
  auto it = std::find(names.begin(), names.end(), name);
  return it == names.end() ? 0 : static_cast<int>(it - names.begin()) + 1;
}

int findName(const std::vector<NamedComposition>& list, const std::string& name) {
  for (std::size_t k = 0; k < list.size(); ++k)
    if (list[k].name == name) return static_cast<int>(k) + 1;
  return 0;
}

// The script's list, when its state says to use it.
bool useList(Io& io, const std::string& question, int state) {
  promptcontrol(io, question, state);
  return state == kUsePreset;
}

// Two numbers, low and high; one number is a single value.
void askPair(Io& io, const std::string& question, Real& low, Real& high) {
  int n = 0;
  std::vector<Real> v = promptreals(io, question, n);
  low = n > 0 ? v[0] : 0;
  high = n > 1 ? v[1] : low;
}

// The activity as the script wrote it: a itself with `seta`, else the log.
Real writtenValue(const NamedActivities& list, const NamedValue& item) {
  return list.form == ActivityForm::activity ? std::exp(item.value) : item.value;
}

Real naturalLog(const NamedActivities& list, Real value) {
  return list.form == ActivityForm::loga ? value * std::log(10.0L) : value;
}

int nextRow(const WindowState& w) {
  return static_cast<int>(w.rows.size()) + 1;
}

// A window on a fluid end-member fixes that fluid's activity at 1, and a
// pure-fluid type becomes the type of given activities.
void fluidAxis(WindowState& w, const std::string& name) {
  if (name == "H2O") {
    w.fluid.h2o = 1;
    if (w.fluid.fluidtype == kFluidPureH2O) w.fluid.fluidtype = kFluidActivities;
  } else if (name == "CO2") {
    w.fluid.co2 = 1;
    if (w.fluid.fluidtype == kFluidPureCO2) w.fluid.fluidtype = kFluidActivities;
  }
}

void activityWindow(Io& io, WindowState& w, const NamedActivities& list, SetQuantity& q) {
  q.varied = true;
  q.row = nextRow(w);
  Real low = 0, high = 0;
  if (list.form == ActivityForm::activity) {
    askPair(io, "activity(" + q.name + "): low, high", low, high);
    alowhigh(io, low, high, false);
    listact(io, w, q.row, low, high);
    q.low = std::log(low);
    q.high = std::log(high);
  } else {
    bool base10 = list.form == ActivityForm::loga;
    askPair(io, std::string(base10 ? "log a(" : "ln a(") + q.name + "): low, high", low, high);
    logalowhigh(io, low, high, false);
    w.logsBase10 = base10;
    q.low = naturalLog(list, low);
    q.high = naturalLog(list, high);
    listlna(io, w, q.row, q.low, q.high);
  }
  fluidAxis(w, q.name);
}

bool sameComposition(const std::vector<Real>& a, const std::vector<Real>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (std::fabs(a[k] - b[k]) > 1e-9L * std::max(Real(1), std::fabs(a[k]))) return false;
  return true;
}

}  // namespace

std::vector<SetQuantity> setactivitywindows(Io& io, WindowState& w, const ScriptSettings& script,
                                            const std::vector<std::string>& endMembers) {
  const NamedActivities& list = script.activities;
  std::vector<SetQuantity> set;
  if (list.items.empty() || !useList(io, "use activities specified in datafile", list.state))
    return set;
  bool noticeGiven = false;
  for (const NamedValue& item : list.items) {
    int index = findName(endMembers, item.name);
    if (index == 0) continue;
    SetQuantity q;
    q.name = item.name;
    q.endMember = index;
    if (item.hasValue && writtenValue(list, item) < kVariedActivityMarker) {
      q.value = naturalLog(list, item.value);
    } else {
      if (list.form != ActivityForm::activity && !noticeGiven) {
        io.putstr(0,
                  list.form == ActivityForm::loga ? "all logs are to the base 10"
                                                  : "all logs are to the base e (ie natural logs)",
                  1, kToConsoleLog);
        noticeGiven = true;
      }
      activityWindow(io, w, list, q);
    }
    set.push_back(q);
  }
  return set;
}

std::vector<SetQuantity> setupmu(Io& io, WindowState& w, const ScriptSettings& script,
                                 const std::vector<NamedComposition>& endMembers,
                                 const std::vector<NamedComposition>& pureCompositions,
                                 int& phaseCount, int& endMemberCount) {
  const NamedActivities& list = script.mu;
  std::vector<SetQuantity> set;
  if (list.items.empty() ||
      !useList(io, "use chemical potentials specified in datafile", list.state))
    return set;
  const int phasesBefore = phaseCount;
  std::vector<NamedComposition> fixed = pureCompositions;  // a second mu phase meets the first
  for (const NamedValue& item : list.items) {
    int index = findName(endMembers, item.name);
    if (index == 0) continue;
    if (phaseCount + 1 > kMaxCalcPhases || endMemberCount + 1 > kMaxCalcEndMembers)
      bomb("setupmu", "with mu 'phase', max no of phases exceeded");
    const std::vector<Real>& composition =
        endMembers[static_cast<std::size_t>(index - 1)].composition;
    for (std::size_t j = 0; j < fixed.size(); ++j) {
      if (!sameComposition(fixed[j].composition, composition)) continue;
      io.putstr(1,
                "i = " + std::to_string(phaseCount + 1) + ", j = " + std::to_string(j + 1) +
                    ", k = " + std::to_string(composition.size()) +
                    ", ii = " + std::to_string(index),
                1, kToConsoleLog);
      io.putstr(
          0, "np00 = " + std::to_string(phasesBefore) + ", nuv = " + std::to_string(set.size() + 1),
          1, kToConsoleLog);
      bomb("setupmu", item.name + " is same as " + fixed[j].name);
    }
    ++phaseCount;
    ++endMemberCount;
    fixed.push_back({item.name, composition});
    SetQuantity q;
    q.name = item.name;
    q.endMember = index;
    if (item.hasValue) {
      q.value = item.value;
    } else {
      q.varied = true;
      q.row = nextRow(w);
      askPair(io, "mu(" + q.name + "): low, high", q.low, q.high);
      mulowhigh(io, q.low, q.high, false);
      listmu(io, w, q.row, q.low, q.high);
    }
    set.push_back(q);
  }
  return set;
}

}  // namespace pf
