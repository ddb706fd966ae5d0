// The script at the top of the run's data file: one plain struct holding the
// preset answers and options of one pass, its reader and the reopening of the
// data file for later passes.
#pragma once

#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "common/io.h"
#include "common/prefs.h"
#include "common/prompts.h"
#include "common/real.h"
#include "common/tokens.h"

namespace pf {

// Table limits of the script's lists.
inline constexpr int kMaxWhich = 200;  // phases of `which`, also after merging
inline constexpr int kMaxIgnore = 30;  // phases of `ignore`
inline constexpr int kMaxExcess = 8;   // each of the two in-excess lists
inline constexpr int kMaxSamecodingGroups = 8;
inline constexpr int kMaxSamecodingNames = 10;
inline constexpr int kMaxXyzGuess = 200;
inline constexpr int kMaxModeGuess = 72;
inline constexpr int kMaxConvliqColumns = 10;
inline constexpr int kMaxConvliqRows = 8;
inline constexpr int kMaxRockBulkRows = 61;  // a modes row and one row per phase
inline constexpr int kMaxBatches = 100;
inline constexpr int kMaxParameterChanges = 100;  // each of `mc` and `nudge`

// The lowest pressure allowed after `negp`, and the usual one (kbar).
inline constexpr Real kNegativePmin = -100;

// Ways the activities of `seta`, `setlna` and `setloga` were written.
enum class ActivityForm { activity, lna, loga };

// The value given with a named end-member; `hasValue` false: "to be set".
struct NamedValue {
  std::string name;
  Real value = 0;
  bool hasValue = false;

  bool operator==(const NamedValue&) const = default;
};

// A marker value for an activity whose window is to be asked.
inline constexpr Real kActivityToBeSet = 10;

struct ScriptWindow {
  int state = kDontUse;
  Real low = 0;
  Real high = 0;
  bool given = false;  // values were read

  bool operator==(const ScriptWindow&) const = default;
};

struct ScriptValue {
  int state = kDontUse;
  Real value = 0;

  bool operator==(const ScriptValue&) const = default;
};

struct NameList {
  int state = kDontUse;
  std::vector<std::string> names;

  bool operator==(const NameList&) const = default;
};

struct Isopleth {
  int state = kDontUse;
  std::string name;
  std::vector<Real> values;  // start, finish, interval

  bool operator==(const Isopleth&) const = default;
};

struct NamedActivities {
  int state = kDontUse;
  ActivityForm form = ActivityForm::activity;
  std::string singleName;         // the one end-member a line named alone
  std::vector<NamedValue> items;  // values held as ln a (`seta`), or as written

  bool operator==(const NamedActivities&) const = default;
};

struct XyzGuess {
  std::string name;
  Real value = 0;
  Real sd = 0;
  Real low = 0;
  Real high = 1;

  bool operator==(const XyzGuess&) const = default;
};

struct ModeGuess {
  std::string name;
  Real value = 0;

  bool operator==(const ModeGuess&) const = default;
};

struct Apex {
  std::string name;
  std::vector<Real> composition;

  bool operator==(const Apex&) const = default;
};

// One changed parameter of an a-x model: phase, parameter name, which of
// a, b or c, and the amount (nudge) or the uncertainty (Monte Carlo).
struct ParameterChange {
  std::string phase;
  std::string parameter;
  char abc = 'a';
  Real amount = 0;

  bool operator==(const ParameterChange&) const = default;
};

struct Batch {
  int variance = 0;
  std::vector<std::string> phases;

  bool operator==(const Batch&) const = default;
};

struct BatchSettings {
  int state = kDontUse;
  std::vector<Batch> batches;
  std::vector<std::vector<std::string>> filters;  // `filter`, one per batch
  NameList batchreq;
  std::vector<std::vector<XyzGuess>> xyzBlocks;  // `batchxyzguess`, split by "startblock"
  int batchswitch = kDontUse;
  bool switchAll = false;
  std::vector<std::string> switches;
  int bulkState = kDontUse;
  std::vector<Real> bulk;
  int batchdebug = kDontUse;

  bool operator==(const BatchSettings&) const = default;
};

struct MonteCarloSettings {
  int state = kDontUse;  // Monte Carlo error propagation, `mc`
  std::vector<ParameterChange> items;
  int gaussmc = kDontUse;
  int mcdebug = kDontUse;
  int mcoutcurrentway = kDontUse;
  int mccorr = kDontUse;
  int mcit = 0;
  int mcrangeState = kDontUse;
  std::vector<Real> mcrange;
  NameList mcfunc;
  int bulkState = kDontUse;
  std::vector<Real> bulk;

  bool operator==(const MonteCarloSettings&) const = default;
};

struct ScriptSettings {
  // files, output and information
  std::string axfile;  // kept from pass to pass
  bool makeps = false;
  bool makeo = true;
  int plotix = kUsePreset;
  int infolevel = 1;
  int fdaccess = 0;
  int printcov = kDontUse;
  int printcor = kDontUse;
  int like6 = kDontUse;
  int latex = kDontUse;
  int noeinfo = kUsePreset;
  int nlerehelp = kDontUse;
  int exbuff = kDontUse;
  int fifi = kDontUse;
  int progress = kDontUse;
  int diagnostics = kUsePreset;
  int makeinfo = kDontUse;
  int tables = kUsePreset;
  int dataok = kAsk;
  int rmath = kDontUse;
  int gmath = kDontUse;
  int cmath = kDontUse;
  int txmath = kDontUse;  // also `ptmath`
  int smath = kDontUse;
  int xinsmath = kDontUse;
  int tabsmath = kDontUse;
  int setrocknameState = kDontUse;
  std::string rockname;

  // calculation type and windows; temperatures in K
  int calctype = -1;
  int calctatp = kAsk;
  ScriptWindow setTwindow;
  ScriptWindow setPwindow;
  ScriptValue setTinterval;
  ScriptValue setPinterval;
  ScriptWindow setdefTwindow{kDontUse, 300, 1500};
  ScriptWindow setdefPwindow{kDontUse, 0.1L, 20};
  bool negp = false;

  // phases and their roles
  NameList which;
  int allphases = kAsk;
  NameList ignore;
  NameList setexcess;
  NameList setexcess0;
  int fluidpresent = kDontUse;
  int fluidexcess = kDontUse;
  bool fluidpresentGiven = false;  // the keywords are reported when used at all
  bool fluidexcessGiven = false;
  int setvarState = kDontUse;
  bool varianceAuto = false;
  int variance = 0;
  int autovar = kDontUse;
  int samecodingState = kDontUse;
  std::vector<std::vector<std::string>> samecoding;

  // compositions, activities and isopleths
  NamedActivities activities;  // `seta`, `setlna`, `setloga`
  NamedActivities mu;          // `setmu`, values as written
  Isopleth setiso;
  Isopleth setmodeiso{kAsk, {}, {}};
  NameList zeromodeiso{kAsk, {}};
  int setbulkState = kDontUse;
  std::vector<std::vector<Real>> bulks;  // one or two, each normalised to 100
  int splitbulk = kUsePreset;
  int onebulk = kDontUse;
  int project = kDontUse;
  int setprojectState = kDontUse;
  std::vector<Apex> projectionPlane;
  int projcomp = kAsk;
  int pseudosection = kDontUse;
  int modebox = kDontUse;
  int readbulkinfo = kDontUse;
  std::vector<std::vector<Real>> rockBulkRows;  // the `rbi` lines, in oxides
  int printbulkinfo = kDontUse;
  int convliqState = kDontUse;
  std::vector<std::string> convliqLabels;
  std::vector<std::vector<Real>> convliq;  // rows of the conversion matrix

  // guesses and solver; T in K
  int ptguessState = kDontUse;
  Real ptguessP = 0;
  Real ptguessT = 0;
  int xyzguessState = kDontUse;
  std::vector<XyzGuess> xyzguess;
  int modeguessState = kDontUse;
  std::vector<ModeGuess> modeguess;
  int printxyz = kDontUse;  // also `printguessform`
  int printmode = kDontUse;
  int printsf = kDontUse;
  int oldmethod = kUsePreset;
  int calcsdnle = kDontUse;
  int usecalcq = kDontUse;
  int incthermo = kDontUse;
  int incax = kUsePreset;
  int incnler = kDontUse;
  int justrelu = kDontUse;

  // what to calculate
  int dogmin = kDontUse;
  int calcg = kDontUse;
  int calch = kDontUse;
  int calcsv = kDontUse;
  int calcah2o = kDontUse;
  int calcmu = kDontUse;
  int calcmuo = kDontUse;
  int c8 = kDontUse;
  int calcprops = kDontUse;  // kept from pass to pass
  int zarvo = kDontUse;
  int lsqds = kDontUse;
  int setisrState = kDontUse;
  std::vector<int> setisr;
  int oisr = kDontUse;
  int setfluidState = kDontUse;
  Real setfluidCO2 = 0;
  Real setfluidH2O = 0;
  ScriptValue setlinear;
  int doallr = kAsk;
  int defsdaparams = kUsePreset;
  int usedefsda = kUsePreset;

  // batch runs, Monte Carlo and fractionation
  BatchSettings batch;
  MonteCarloSettings mc;
  int nudgeState = kDontUse;
  std::vector<ParameterChange> nudge;
  NameList fract;

  bool operator==(const ScriptSettings&) const = default;
};

// Every setting at its default.
ScriptSettings scriptDefaults();
// Back to the defaults, keeping the settings that live from pass to pass.
void resetScript(ScriptSettings& script);

// The states of a script line in the problem report.
enum ScriptLineState { kLineAccepted = 0, kLineUnknown = 1, kLineNoInfo = 2, kLineBadInfo = 3 };

// Resets the settings, reads the script from the open data file, reports
// problems, closes the file and makes the checks that follow the reading.
void readscripts(Io& io, std::unique_ptr<std::istream>& data, ScriptSettings& script);

// Reads one script line into the settings; returns its state. The bombs of
// table overflows and strict readers pass through.
int readScriptLine(Io& io, const Tokens& line, ScriptSettings& script);

// Opens the data file again for a pass after the first, asking whether to
// keep it unless the preferences named it. `suffix` and `dataName` are the
// run's and change when the user names another file.
std::unique_ptr<std::istream> getscriptfile(Io& io, const Prefs& prefs, std::string& suffix,
                                            std::string& dataName);

}  // namespace pf
