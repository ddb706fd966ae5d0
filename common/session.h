// Start and end of a run for both programs, and the two ways a run can stop
// early: the fatal report and the kill answer.
#pragma once

#include <ctime>
#include <string>

#include "common/bomb.h"
#include "common/io.h"
#include "common/prefs.h"

namespace pf {

inline constexpr const char* kCalculatorName = "PHASEFORGE 3.37";
inline constexpr const char* kPlotterName = "plotix 1.16";

// The shared start: rounding unit, banner, preferences, log, date stamp.
void startout(Io& io, Prefs& prefs, const std::string& programName);

// "9.05 on Mon 7 Dec,2026": hour, minutes, weekday, day, month, year.
std::string makeDateStamp(const std::tm& when);
// The local time, or SOURCE_DATE_EPOCH (read as UTC) when that is set.
std::tm stampTime();

std::string logFileName(Program program);
// prefix + suffix (cut to 20) + ".txt"
std::string dataFileName(const std::string& prefix, const std::string& suffix);

// Creates or empties prefix + suffix (cut to 20) + ".txt" as an output
// destination; false when it cannot be opened.
bool openOutputFile(Io& io, int member, const std::string& prefix, const std::string& suffix);

// Opens prefix + suffix + ".txt" for reading, asking for the suffix when it is
// empty; bombs when there is none, when the name holds a control character,
// when it is a folder or when the file cannot be found. The file is noted as
// an input of the run.
std::unique_ptr<std::istream> promptdatafile(Io& io, const std::string& prefix, std::string& suffix,
                                             const std::string& what, std::string& fullName);

// Stops the run (procedure, and a message naming both files) when the
// output file `name` is one of the files the run reads: making it would
// empty that file.
void refuseInputAsOutput(Io& io, const std::string& procedure, const std::string& name);

// Stops the run when a file to be read is a folder: "cannot open" and its name.
void refuseFolder(Io& io, const std::string& procedure, const std::string& name);

// Ends the line on every open destination and closes every file.
void closeall(Io& io);

// What main does with a fatal stop or a kill: the report on every open
// destination, the wait for Return where the program has one, every file closed.
void reportBombed(Io& io, const Bombed& fault);
void reportKilled(Io& io);

}  // namespace pf
