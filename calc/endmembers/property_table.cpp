// The property table of mode 0: one row per end-member, the columns of the
// dataset's layout, numbers as the reader left them.
#include <array>
#include <cmath>

#include "calc/endmembers/tables.h"
#include "common/numbers.h"

namespace pf {

namespace {

using Slots = std::array<Real, kSlotCount + 1>;
constexpr int kLandauBlank = 21;  // the three Landau columns

void text(std::string& line, const std::string& item, int width) {
  addfield(line, item, width);
}
void fixed(std::string& line, Real x, int decimals, int width) {
  addfield(line, x, decimals, Digits::fixed, width);
}
void floating(std::string& line, Real x, int digits, int width) {
  addfield(line, x, digits, Digits::significant, width);
}

std::string heading(const TableSettings& settings) {
  std::string line;
  text(line, "", 4);
  text(line, "H", 12);
  text(line, "sd(H)", 10);
  text(line, "S", 8);
  text(line, "V", 7);
  text(line, "a", 7);
  text(line, "b", 9);
  text(line, "c", 10);
  text(line, "d", 9);
  if (settings.layoutB()) {
    text(line, "a0", 7);
    text(line, "theta", 7);
    text(line, "K0", 7);
    text(line, "K0'", 7);
    text(line, "K0''", 9);
  } else {
    text(line, "a1", 7);
    if (settings.thirdExpansion) {
      text(line, "a2", 9);
      text(line, "a3", 9);
    } else {
      text(line, "a2", 7);
    }
    text(line, "K", 7);
    text(line, "K'", 7);
  }
  text(line, "dK/dT", 9);
  text(line, "Tc", 7);
  text(line, "Smax", 7);
  text(line, "Vmax", 7);
  text(line, "aq cp", 7);
  return line;
}

void layoutBColumns(std::string& line, const Slots& s) {
  bool liquid = s[kDkappa0dt] < 0;  // only liquids carry a dK/dT
  floating(line, s[kAlpha0] * 1e5L, 3, 7);
  if (liquid)
    text(line, "", 7);
  else
    fixed(line, s[kTheta], 0, 7);
  fixed(line, s[kKappa0], 0, 7);
  fixed(line, s[kKappa0p], 2, 7);
  fixed(line, s[kKappa0pp], 4, 9);
  if (liquid)
    fixed(line, s[kDkappa0dt], 4, 9);
  else
    text(line, "", 9);
}

void layoutAColumns(std::string& line, const Slots& s, bool thirdExpansion) {
  floating(line, s[kAlpha1] * 1e5L, 3, 7);
  if (thirdExpansion) {
    fixed(line, s[kAlpha2] * 1e8L, 4, 9);
    fixed(line, s[kAlpha3], 4, 9);
  } else {
    fixed(line, s[kAlpha2], 2, 7);
  }
  fixed(line, s[kKappa], 0, 7);
  fixed(line, s[kKappaprime], 2, 7);
  fixed(line, s[kDkappadT], 4, 9);
}

std::string row(const RunEndMembers& run, int i, const TableSettings& settings) {
  const Slots& s = run.em[i].slot;
  std::string line;
  text(line, run.names[i], -8);
  fixed(line, s[kEnthalpy], 2, 11);
  fixed(line, std::sqrt(run.covariance(i, i)), 2, 7);
  fixed(line, s[kEntropy] * 1000, 2, 8);
  fixed(line, s[kVolume], 3, 7);
  // a made end-member's remaining numbers are those of the end-members it is made of
  if (s[kMadeMark] != 0) return line;
  fixed(line, s[kCpa], 4, 7);
  fixed(line, s[kCpb] * 1e5L, 4, 9);
  fixed(line, s[kCpc], 1, 10);
  fixed(line, s[kCpd], 4, 9);
  if (settings.layoutB())
    layoutBColumns(line, s);
  else
    layoutAColumns(line, s, settings.thirdExpansion);
  if (s[kSmax] > 0) {
    fixed(line, s[kLandauT], 0, 7);
    fixed(line, s[kSmax] * 1000, 1, 7);
    fixed(line, s[kVmax], 4, 7);
  } else {
    text(line, "", kLandauBlank);
  }
  if (s[kAqueousCp] != 0) fixed(line, s[kAqueousCp], 2, 7);
  return line;
}

}  // namespace

void propertyTable(Io& io, const RunEndMembers& run, const TableSettings& settings) {
  io.putstr(2, "Thermodynamic properties (units : kJ, K, kbar)", 1, kToAll);
  if (settings.layoutB()) io.putstr(0, "(just the DQF given for \"make\" end-members)", 1, kToAll);
  io.putstr(0, heading(settings), 1, kToAll);
  for (int i = 1; i <= run.count(); ++i) io.putstr(0, row(run, i, settings), 1, kToAll);
}

}  // namespace pf
