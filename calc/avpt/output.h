// What a rock calculation writes: the activities and the independent set
// with their thermodynamics, the assignment blocks of the second results
// file, the diagnostics and the summaries.
#pragma once

#include <string>
#include <vector>

#include "calc/avpt/average.h"
#include "calc/avpt/dialogue.h"
#include "common/io.h"

namespace pf {

// "Activities and their uncertainties for" the rock: a and sd(a)/a of the
// end-members in use.
void writeActivities(Io& io, const RockTable& table, const std::vector<bool>& out,
                     const std::string& rock);
void writeReactions(Io& io, const std::vector<Reaction>& reactions,
                    const std::vector<std::string>& names);

// Each reaction on its own at (Tref, Pref): its P at Tref and T at Pref with
// their sd, ln K and sd(ln K); with `covariances` the matrices and their
// correlations.
void writeReactionCalculations(Io& io, AvptProblem& p, const Matrix& covlnk, Real Tref, Real Pref,
                               bool covariances);

// The assignment blocks of the second results file.
void writeAssignments(Io& io, AvptProblem& p, const Matrix& covlnk, const GibbsSettings& settings,
                      Real Tref, Real Pref);

// The lines that warn of an incomplete independent set.
void writeIncompleteWarning(Io& io, AverageKind kind);

// The diagnostics of an average P or T, then "corresponding average P" (or
// T) with its result; those of average PT.
void writeLineDiagnostics(Io& io, const Diagnostics& d, const LineAverage& line,
                          const std::vector<std::string>& names, int reactions);
void writePTDiagnostics(Io& io, const Diagnostics& d, const PTAverage& pt,
                        const std::vector<std::string>& names, int reactions);

// "For T = ..., ... kbar, sd = ..., sigfit = ..." (or the average T line).
std::string lineResult(const LineAverage& line);
void writeLineSummary(Io& io, AverageKind kind, const std::vector<LineAverage>& lines,
                      const std::string& rock, bool incomplete);
void writePTSummary(Io& io, const PTAverage& pt, const std::string& rock, bool incomplete);

}  // namespace pf
