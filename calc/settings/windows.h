// The window every calculation happens in: T, P, x(CO2), ln a and mu ranges,
// the value lists along the stepped variable, the print precision, the solver
// scaling, the diagram type and the fixed fluid; and the questions that set them.
#pragma once

#include <string>
#include <vector>

#include "calc/settings/script.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

// Hard bounds of the windows. Temperatures are held in kelvin as the entered
// degrees plus exactly 273.
inline constexpr Real kCelsius = 273;
inline constexpr Real kTmin = 283;   // 10 degrees
inline constexpr Real kTmax = 3000;  // 2727 degrees
inline constexpr Real kPminDefault = 0.0009L;
inline constexpr Real kPmax = 1500;

inline constexpr int kMaxListValues = 201;  // values in a T, P, x(CO2) or row list
inline constexpr int kMaxValueRows = 200;   // named quantities with an activity, ln a or mu row
inline constexpr int kMaxPairPasses = 5;    // answers a low/high reader takes
inline constexpr int kMaxPTWindowQuestions = 4;
inline constexpr int kMaxXco2Lists = 2;

// `diagrammode`: the diagram type of the run.
inline constexpr int kDiagramPT = 0;
inline constexpr int kDiagramPX = 1;
inline constexpr int kDiagramTX = 2;
inline constexpr int kDiagramPlna = 3;
inline constexpr int kDiagramTlna = 4;
inline constexpr int kDiagramPmu = 5;
inline constexpr int kDiagramTmu = 6;

// `calcvariable` and `othervariable` codes.
inline constexpr int kVarP = 0;
inline constexpr int kVarT = 1;
inline constexpr int kVarX = 2;
inline constexpr int kVarLna = 3;
inline constexpr int kVarMu = 4;

// The range test's own numbering.
inline constexpr int kRangeT = 0;
inline constexpr int kRangeP = 1;
inline constexpr int kRangeX = 2;
inline constexpr int kRangeLna = 3;
inline constexpr int kRangeMu = 4;

// Fluid-type codes this part sets; the phase choice sets the others.
inline constexpr int kFluidActivities = 2;
inline constexpr int kFluidPureH2O = 3;  // set by the phase choice
inline constexpr int kFluidPureCO2 = 4;
inline constexpr int kFluidMoleFractions = 6;

struct FixedFluid {
  int fluidtype = kFluidActivities;
  Real co2 = 0;  // activity or mole fraction, by fluidtype
  Real h2o = 0;
};

// Which fluid and cordierite end-members the chosen system holds.
struct FluidPresence {
  bool h2o = false;
  bool co2 = false;
  bool cordierite = false;
};

// One named quantity's list of activities, ln a or mu values.
struct ValueRow {
  std::vector<Real> values;
  bool varied = false;
};

struct WindowState {
  Real Tlow = 300;
  Real Thigh = 1500;
  Real Plow = 0.1L;
  Real Phigh = 20;
  Real xlow = 0.001L;
  Real xhigh = 0.999L;
  Real lnalow = 0;
  Real lnahigh = 0;
  Real mulow = 0;
  Real muhigh = 0;
  Real Pmin = kPminDefault;

  // the windows kept by `enlargewindow` for `restorewindow`
  Real savedTlow = 300;
  Real savedThigh = 1500;
  Real savedPlow = 0.1L;
  Real savedPhigh = 20;

  Real Tmid = 900;
  Real Pmid = 10.05L;

  // names of the log-activity and mu axes, and the label of the first
  std::string lnaName;
  std::string lnaLabel;
  std::string muName;
  bool logsBase10 = false;

  std::vector<Real> Tlist;
  std::vector<Real> Plist;
  std::vector<Real> xco2;
  std::vector<Real> xh2o;
  std::vector<ValueRow> rows;

  int Tdec = 1;
  int Pdec = 2;
  int xdec = 2;
  int adec = 2;

  // scaled T = Tscale T + Toffset, scaled P = Pscale P + Poffset
  Real Tscale = 1 / (kTmax - kTmin);
  Real Toffset = -kTmin / (kTmax - kTmin);
  Real Pscale = 1 / (kPmax - kPminDefault);
  Real Poffset = -kPminDefault / (kPmax - kPminDefault);
  Real Tstep = 0.1L / (kTmax - kTmin);
  Real Pstep = 0.01L / (kPmax - kPminDefault);

  int diagrammode = kDiagramPT;
  int calcvariable = kVarT;
  int othervariable = kVarP;
  int calcCode = -1;  // the run's calculation (internal code)

  FixedFluid fluid;
};

// Decimals a number needs: 0 for a whole number, else at most `most`.
int decimalsNeeded(Real x, int most = 4);
// x with d decimals, in plain notation for any size a window holds.
std::string decimalText(Real x, int d);

// The script's settings that act on the window state: the lowest pressure
// (`negp`) and the pressure scaling that follows from it.
void applyScriptLimits(const ScriptSettings& script, WindowState& w);

// Low/high readers: test the pair in place and ask again until it is
// acceptable; strict demands low < high.
void Tlowhigh(Io& io, Real& low, Real& high, bool strict);
void Plowhigh(Io& io, Real Pmin, Real& low, Real& high, bool strict);
void xlowhigh(Io& io, Real& low, Real& high, bool strict);
void alowhigh(Io& io, Real& low, Real& high, bool strict);
void logalowhigh(Io& io, Real& low, Real& high, bool strict);
void mulowhigh(Io& io, Real& low, Real& high, bool strict);

// The T and P windows, from the script or asked; Pfirst asks P before T.
void specifyptwindow(Io& io, WindowState& w, const ScriptSettings& script,
                     const std::string& heading, const std::string& Pprompt,
                     const std::string& Tprompt, bool Pfirst);

// Calculation variable T (T at P) or P, then the pairs checked with the
// strictness the variance v gives.
void univariantsetup(Io& io, WindowState& w, bool TatP, int v);

// Mode 1: windows, scaling and lists for equilibria of variance v;
// `atMostDivariant` is the set-up's mark that v should be 2 or less.
void windowsetup(Io& io, WindowState& w, const ScriptSettings& script, int v, bool atMostDivariant);

// Mode 3: the window of the current `diagrammode` for reactions of variance
// v; `fluidEndMember` is the fluid settled by the end-member choice. With ask
// false only the centre and the fluid are derived again, without questions.
void diagramwindowsetup(Io& io, WindowState& w, const ScriptSettings& script, bool ask, int v,
                        const std::string& fluidEndMember, const FluidPresence& presence);

// Value lists.
void tinterval(Io& io, WindowState& w, const ScriptSettings& script);
void pinterval(Io& io, WindowState& w, const ScriptSettings& script);
void listxco2(Io& io, WindowState& w);
void listact(Io& io, WindowState& w, int row, Real low, Real high);
void listlna(Io& io, WindowState& w, int row, Real low, Real high);  // low, high as ln a
void listmu(Io& io, WindowState& w, int row, Real low, Real high);

// ---- phase-diagram windows on named activities and chemical potentials

inline constexpr int kMaxCalcPhases = 60;            // phases of a calculation, mu phases included
inline constexpr int kMaxCalcEndMembers = 200;       // their end-members
inline constexpr Real kVariedActivityMarker = 9.9L;  // an activity this large is to be varied

// An end-member or phase of the chosen system as these windows see it: its
// name and its amounts of the system's components.
struct NamedComposition {
  std::string name;
  std::vector<Real> composition;
};

// One activity, ln a or mu that the script sets on a chosen end-member.
struct SetQuantity {
  std::string name;
  int endMember = 0;    // 1-based among the chosen end-members
  bool varied = false;  // a window was asked: its values are row `row`
  int row = 0;          // 1-based in WindowState::rows
  Real value = 0;       // when fixed: ln a, or mu in kJ
  Real low = 0;         // when varied: the window, as ln a or mu
  Real high = 0;
};

// The script's activities (`seta`, `setlna`, `setloga`) on the chosen
// end-members: a preset value is a fixed activity, a name without one (or
// with an activity of 9.9 or more) gets a window, asked and listed in a row
// appended to the window state. A window on H2O or CO2 fixes that fluid's
// activity at 1 and leaves the fluid type 2 (activities) where it was 3 or
// 4 (pure H2O or pure CO2).
std::vector<SetQuantity> setactivitywindows(Io& io, WindowState& w, const ScriptSettings& script,
                                            const std::vector<std::string>& endMembers);

// The chemical potentials of the script's `setmu` list on the chosen
// end-members: each becomes a one-end-member phase of that end-member's
// composition (the caller adds it to its phases; `phaseCount` and
// `endMemberCount` count it here), with its mu fixed at the preset value or
// varied over a window that is asked and listed in a row appended to the
// window state. `pureCompositions` are the chosen phases of fixed
// composition: a mu phase may not repeat one of them.
std::vector<SetQuantity> setupmu(Io& io, WindowState& w, const ScriptSettings& script,
                                 const std::vector<NamedComposition>& endMembers,
                                 const std::vector<NamedComposition>& pureCompositions,
                                 int& phaseCount, int& endMemberCount);

// The fixed fluid composition.
void setfluid(Io& io, WindowState& w, const ScriptSettings& script, const FluidPresence& presence);
void fluidlabel(const WindowState& w, std::string& line);

bool inrange(const WindowState& w, int type, Real value);

void enlargewindow(WindowState& w, int code);
void restorewindow(WindowState& w, int code);

// The seven in-window tests of reactions, one per diagram type.
enum class WindowTest { PT, PX, TX, Plna, Tlna, Pmu, Tmu };
WindowTest windowTestFor(int diagrammode);

// Window-relative printers: "-" below the window, "+" above it, "*" for the
// "none" marker, otherwise the value with the run's decimals. T in degrees.
std::string windowT(const WindowState& w, Real TinCelsius);
std::string windowP(const WindowState& w, Real P);
std::string windowX(const WindowState& w, Real x);

}  // namespace pf
