// The a-x file: `setupphases` reads it, applies the script's adjustments,
// checks the coding of every solution and fills the phase tables (phases.h).
//
// Every fault in the file stops the run through `bomb` with the procedure
// "setup phases", "setupphases", "reading" or "read" and a message that names
// the item (through its prompt text) and the phase. The tables passed in are
// replaced only when the whole file has been read and checked, so a stop
// never leaves them half filled.
#pragma once

#include <istream>
#include <string>

#include "calc/ax/phases.h"
#include "calc/settings/script.h"
#include "calc/thermo/dataset.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr const char* kAxFilePrefix = "pf-";
inline constexpr const char* kAxFileQuestion = "a-x info";
// Default uncertainty of an interaction parameter per mixing site (kJ).
inline constexpr Real kDefaultWUncertainty = 1;

// What the set-up reads besides the file.
struct AxSetup {
  const Dataset* dataset = nullptr;        // its set-up pass: names and dsmode
  const ScriptSettings* script = nullptr;  // mc, nudge, samecoding, xyzguess, batch
  bool strictsyntax = true;                // the preference
  bool regression = false;                 // the dataset regression's reading
  bool batchRun = false;                   // a batch run: no guess may be exactly 0
  std::string scriptFileName;              // for the log; empty when no script is in use
};

// Chooses the a-x file (the script's `axfile`, else the preference, else the
// data-file question "a-x info"), opens it and reads it into tables.
void setupphases(Io& io, PhaseTables& tables, const AxSetup& setup,
                 const std::string& axfilePreference);
// The same on an open file.
void setupphases(Io& io, PhaseTables& tables, const AxSetup& setup, std::istream& file,
                 const std::string& fileName);

// The regression's reading: "reading a-x relationships", the set-up, a legal
// starting state of order for every solution with order parameters, and four
// placeholder phases named "blah" in front of the solutions.
void readax(Io& io, PhaseTables& tables, const AxSetup& setup, std::istream& file,
            const std::string& fileName);

// The code words of the options that may follow an end-member.
int optionCode(const std::string& word);  // 1..7, or 0 when it is no code word

}  // namespace pf
