#include "calc/avpt/output.h"

#include <cmath>
#include <functional>

#include "calc/endmembers/tables.h"
#include "calc/reactions/finder.h"
#include "calc/thermo/gibbs.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

// Console lines are cut at 78 characters: tables are made to fit.
constexpr int kPerBlock = 7;       // end-members per block of the activity table
constexpr int kMatrixColumns = 7;  // covariances per line
constexpr int kCorrelationColumns = 10;

std::string fixed(Real x, int d) {
  return realToText(x, d, Digits::fixed);
}
std::string significant(Real x, int d) {
  return realToText(x, d, Digits::significant);
}
std::string degrees() {
  return std::string(1, kDegree) + "C";
}
// A temperature held in K, in degrees with the decimals it needs.
std::string celsiusText(Real T) {
  Real t = T - kCelsius;
  return decimalText(t, decimalsNeeded(t, 2));
}
std::string pressureText(Real P) {
  return decimalText(P, decimalsNeeded(P, 3));
}
// A right-aligned column that keeps a blank before its text: a small
// activity (0.0009632) or a long name fills the whole width and would
// otherwise run into its neighbour.
void addcolumn(std::string& line, const std::string& text, int width) {
  if (static_cast<int>(text.size()) >= width)
    addfield(line, " " + text, width);
  else
    addfield(line, text, width);
}

}  // namespace

void writeActivities(Io& io, const RockTable& table, const std::vector<bool>& out,
                     const std::string& rock) {
  const RunEndMembers& run = table.run;
  std::vector<int> used;
  for (int e = 1; e <= run.count(); ++e)
    if (!out[e]) used.push_back(e);
  io.putstr(1, "Activities and their uncertainties for " + rock, 1, kToAll);
  for (std::size_t k = 0; k < used.size(); k += kPerBlock) {
    std::string names, a, sd;
    addfield(names, "", -8);
    addfield(a, "a", -8);
    addfield(sd, "sd(a)/a", -8);
    for (std::size_t j = k; j < used.size() && j < k + kPerBlock; ++j) {
      int e = used[j];
      addcolumn(names, run.names[e], 9);
      addcolumn(a, significant(run.activity[e], 4), 9);
      addcolumn(sd, fixed(run.sdActivity[e] / run.activity[e], 4), 9);
    }
    io.putstr(1, names, 1, kToAll);
    io.putstr(0, a, 1, kToAll);
    io.putstr(0, sd, 1, kToAll);
  }
}

void writeReactions(Io& io, const std::vector<Reaction>& reactions,
                    const std::vector<std::string>& names) {
  io.putstr(1, "Independent set of reactions", 1, kToAll);
  for (std::size_t i = 0; i < reactions.size(); ++i) {
    std::string line;
    addfield(line, std::to_string(i + 1) + ")", 5);
    line += "  " + equation(reactions[i], names);
    io.putstr(0, line, 1, kToAll);
  }
}

namespace {

// One reaction alone at the reference point.
struct SingleReaction {
  Real P = kNoRoot, sdP = 0;
  bool hasP = false;
  Real T = kNoRoot, sdT = 0;
  bool hasT = false;
};

SingleReaction single(AvptProblem& p, int i, const Matrix& covlnk, Real Tref, Real Pref) {
  SingleReaction out;
  ReactionContext& c = p.c;
  const Reaction& r = p.reactions[static_cast<std::size_t>(i)];
  DiagramPoint at = fixedPoint(c.window);
  at.T = Tref;
  at.P = Pref;
  out.P = solveLine(c, r, at, kVarP).first;
  if (inrange(c.window, kRangeP, out.P)) {
    DiagramPoint on = at;
    on.P = out.P;
    ReactionThermo th = thermoAt(c, r, on);
    Real s = -1 / th.dgdp, t = s * kGasConstant * Tref;
    Real var = s * s * p.covh[i][i] + t * t * covlnk[i][i];
    out.hasP = std::isfinite(var) && var >= 0;
    out.sdP = out.hasP ? std::sqrt(var) : 0;
  }
  out.T = solveLine(c, r, at, kVarT).first;
  if (inrange(c.window, kRangeT, out.T)) {
    DiagramPoint on = at;
    on.T = out.T;
    ReactionThermo th = thermoAt(c, r, on);
    Real s = -1 / th.dgdt, t = s * kGasConstant * out.T;
    Real var = s * s * p.covh[i][i] + t * t * covlnk[i][i];
    out.hasT = std::isfinite(var) && var >= 0;
    out.sdT = out.hasT ? std::sqrt(var) : 0;
  }
  return out;
}

Real lnKOf(const AvptProblem& p, const Reaction& r) {
  Real lnk = 0;
  for (int e = 1; e <= p.c.run.count(); ++e)
    if (r[e] != 0) lnk += r[e] * std::log(p.c.run.activity[e]);
  return lnk;
}

// The lower triangle, row by row, `perLine` values to a line and the rest
// on continuation lines.
void writeTriangle(Io& io, const std::string& title, const Matrix& m, std::size_t perLine,
                   int width, const std::function<std::string(std::size_t, std::size_t)>& value) {
  io.putstr(1, title, 1, kToAll);
  for (std::size_t i = 0; i < m.size(); ++i) {
    std::string line;
    addfield(line, std::to_string(i + 1), 4);
    for (std::size_t k = 0; k <= i; ++k) {
      if (k > 0 && k % perLine == 0) {
        io.putstr(0, line, 1, kToAll);
        line = "    ";
      }
      addfield(line, value(i, k), width);
    }
    io.putstr(0, line, 1, kToAll);
  }
}

void writeMatrix(Io& io, const std::string& title, const Matrix& m) {
  writeTriangle(io, title, m, kMatrixColumns, 10,
                [&m](std::size_t i, std::size_t k) { return significant(m[i][k], 4); });
}

void writeCorrelations(Io& io, const std::string& title, const Matrix& m) {
  writeTriangle(io, title, m, kCorrelationColumns, 7, [&m](std::size_t i, std::size_t k) {
    Real d = m[i][i] * m[k][k];
    return d > 0 ? fixed(m[i][k] / std::sqrt(d), 3) : std::string("-");
  });
}

}  // namespace

void writeReactionCalculations(Io& io, AvptProblem& p, const Matrix& covlnk, Real Tref, Real Pref,
                               bool covariances) {
  const WindowState& w = p.c.window;
  io.putstr(1,
            "Calculations for the independent set of reactions at T = " + celsiusText(Tref) +
                degrees() + " at P = " + pressureText(Pref) + " kbar",
            1, kToAll);
  std::string heading;
  addfield(heading, "", 4);
  for (const char* column : {"P(T)", "sd(P)", "T(P)", "sd(T)"}) addfield(heading, column, 8);
  addfield(heading, "ln_K", 10);
  addfield(heading, "sd(ln_K)", 10);
  io.putstr(0, heading, 1, kToAll);
  int n = static_cast<int>(p.reactions.size());
  std::vector<Real> s(static_cast<std::size_t>(n)), t(s.size());
  bool allP = true;
  for (int i = 0; i < n; ++i) {
    SingleReaction one = single(p, i, covlnk, Tref, Pref);
    std::string line;
    addfield(line, std::to_string(i + 1), 4);
    addfield(line, one.hasP ? fixed(one.P, 2) : windowP(w, one.P), 8);
    addfield(line, one.hasP ? fixed(one.sdP, 2) : "", 8);
    addfield(line, one.hasT ? fixed(one.T - kCelsius, 0) : windowT(w, one.T - kCelsius), 8);
    addfield(line, one.hasT ? fixed(one.sdT, 0) : "", 8);
    addfield(line, fixed(lnKOf(p, p.reactions[i]), 3), 10);
    addfield(line, fixed(std::sqrt(std::max(covlnk[i][i], Real{0})), 3), 10);
    io.putstr(0, line, 1, kToAll);
    if (one.hasP) {
      DiagramPoint on = fixedPoint(w);
      on.T = Tref;
      on.P = one.P;
      s[i] = -1 / thermoAt(p.c, p.reactions[i], on).dgdp;
      t[i] = s[i] * kGasConstant * Tref;
    }
    allP = allP && one.hasP;
  }
  if (!covariances) return;
  writeMatrix(io, "covh(i,k)", p.covh);
  writeMatrix(io, "covlnk(i,k)", covlnk);
  if (allP)
    writeCorrelations(io, "Correlation matrix:  calculated pressures",
                      lineCovariance(s, t, p.covh, covlnk));
  writeCorrelations(io, "Correlation matrix: enthalpy of reaction", p.covh);
  writeCorrelations(io, "Correlation matrix: ln K", covlnk);
}

namespace {

std::string assignmentNumber(Real x) {
  return significant(x, 8);
}

// open, one "    {...}" row per line separated by commas, close.
void writeRows(Io& io, const std::string& open, const std::vector<std::string>& rows,
               const std::string& close) {
  io.putstr(0, open, 1, kToSecondFile);
  for (std::size_t i = 0; i < rows.size(); ++i)
    io.putstr(0, "    {" + rows[i] + (i + 1 < rows.size() ? "}," : "}"), 1, kToSecondFile);
  io.putstr(0, close, 1, kToSecondFile);
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t k = 0; k < items.size(); ++k) text += (k ? ", " : "") + items[k];
  return text;
}

}  // namespace

void writeAssignments(Io& io, AvptProblem& p, const Matrix& covlnk, const GibbsSettings& settings,
                      Real Tref, Real Pref) {
  if (!io.isOpen(kSecondFile)) return;
  const RunEndMembers& run = p.c.run;
  std::vector<std::string> rows;
  std::vector<bool> used(run.names.size(), false);
  for (const Reaction& r : p.reactions)
    for (int e = 1; e <= run.count(); ++e) used[e] = used[e] || r[e] != 0;
  for (int e = 1; e <= run.count(); ++e) {
    if (!used[e]) continue;
    rows.push_back(joined({"\"" + run.names[e] + "\"", assignmentNumber(std::log(run.activity[e])),
                           assignmentNumber(std::sqrt(p.varLnA[e]))}));
  }
  writeRows(io, "{name,lna,sdlna}=Transpose[{", rows, "}];");
  rows.clear();
  for (const Reaction& r : p.reactions) {
    std::vector<std::string> items;
    for (int e = 1; e <= run.count(); ++e)
      if (used[e]) items.push_back(std::to_string(r[e]));
    rows.push_back(joined(items));
  }
  writeRows(io, "r = {", rows, "};");
  rows.clear();
  for (std::size_t i = 0; i < p.reactions.size(); ++i) {
    LinearisedReaction line = linearise(io, run, p.reactions[i], Pref, Tref, settings);
    rows.push_back(joined({assignmentNumber(line.a), assignmentNumber(line.b),
                           assignmentNumber(line.c), assignmentNumber(lnKOf(p, p.reactions[i])),
                           assignmentNumber(std::sqrt(std::max(covlnk[i][i], Real{0})))}));
  }
  io.putstr(0,
            "(* reaction thermo linearised at P = " + pressureText(Pref) +
                " kbar and T = " + celsiusText(Tref) + " *)",
            1, kToSecondFile);
  writeRows(io, "{a,b,c,lnK,sdlnK}=Transpose[{", rows, "}];");
  rows.clear();
  for (const auto& row : p.covh) {
    std::vector<std::string> items;
    for (Real x : row) items.push_back(assignmentNumber(x));
    rows.push_back(joined(items));
  }
  writeRows(io, "cova = {", rows, "};");
}

void writeIncompleteWarning(Io& io, AverageKind kind) {
  io.putstr(1, "(Because an incomplete set of independent reactions has", 1, kToAll);
  io.putstr(0,
            kind == AverageKind::T ? "been used, the following results are unlikely to be useful."
                                   : "been used, the following results are UNLIKELY to be useful.",
            1, kToAll);
  io.putstr(0, "Vary the run conditions to try and get a complete set...)", 1, kToAll);
}

std::string lineResult(const LineAverage& line) {
  bool avP = line.kind == AverageKind::P;
  std::string text = avP ? "For T = " + celsiusText(line.fixed) + ","
                         : "For P = " + pressureText(line.fixed) + " kbar,";
  if (!line.inRange) return text + " cannot be calculated - not all in range .. .";
  if (!line.avg.ok) return text + " cannot be calculated";
  if (avP) {
    text += " " + fixed(line.avg.value, 2) + " kbar, sd = " + fixed(line.avg.sd, 2);
  } else {
    text += " av T = " + fixed(line.avg.value - kCelsius, 0) + ", sd = " + fixed(line.avg.sd, 0);
  }
  return text + ", sigfit = " + fixed(line.avg.sigfit, 2);
}

void writeLineSummary(Io& io, AverageKind kind, const std::vector<LineAverage>& lines,
                      const std::string& rock, bool incomplete) {
  if (incomplete) writeIncompleteWarning(io, kind);
  bool avP = kind == AverageKind::P;
  std::string heading = (avP ? "Average pressures for " : "Average temperatures for ") + rock;
  if (lines.size() == 1)
    heading += avP ? " at T = " + celsiusText(lines[0].fixed)
                   : " at P = " + pressureText(lines[0].fixed) + " kbar";
  io.putstr(1, heading, 1, kToAll);
  for (const LineAverage& line : lines) io.putstr(0, lineResult(line), 1, kToAll);
}

void writePTSummary(Io& io, const PTAverage& pt, const std::string& rock, bool incomplete) {
  if (incomplete) writeIncompleteWarning(io, AverageKind::PT);
  io.putstr(1, "Average PT for " + rock, 1, kToAll);
  switch (pt.outcome) {
    case PTOutcome::outsideWindow:
      io.putstr(0, "Average PT outside window - use average P and/or T", 1, kToAll);
      return;
    case PTOutcome::notConverged:
      io.putstr(0, "Average PT not converged in 10 iterations - use average P and/or T", 1, kToAll);
      return;
    case PTOutcome::singular:
      io.putstr(0, "Average PT cannot be calculated - the reactions do not fix P and T together", 1,
                kToAll);
      return;
    case PTOutcome::converged:
      break;
  }
  io.putstr(0, "T = " + fixed(pt.T - kCelsius, 0) + degrees() + ", sd = " + fixed(pt.sdT, 0) + ",",
            1, kToAll);
  io.putstr(0,
            "P = " + fixed(pt.P, 2) + " kbars, sd = " + fixed(pt.sdP, 2) +
                ", cor = " + fixed(pt.cor, 3) + ", sigfit = " + fixed(pt.sigfit, 2),
            1, kToAll);
}

// ---- diagnostics -----------------------------------------------------------------------

namespace {

void heading(Io& io, const std::vector<std::pair<const char*, int>>& columns) {
  std::string line;
  addfield(line, "", -8);
  for (auto [name, width] : columns) addfield(line, name, width);
  io.putstr(1, line, 1, kToAll);
}

void addEndMemberColumns(std::string& row, const EndMemberDiagnostic& d) {
  addfield(row, fixed(d.estar, 2), 7);
  addfield(row, fixed(d.hat, 2), 6);
  addcolumn(row, significant(d.aObs, 4), 9);
  addcolumn(row, significant(d.aCalc, 4), 9);
}

}  // namespace

void writeLineDiagnostics(Io& io, const Diagnostics& d, const LineAverage& line,
                          const std::vector<std::string>& names, int reactions) {
  bool avP = line.kind == AverageKind::P;
  std::string threshold = fixed(fitThreshold(reactions - 1), 2);
  io.putstr(1, avP ? "diagnostics on this average P" : "diagnostics on this average T", 1, kToAll);
  for (const std::string& text :
       {"for 95% confidence, fit (= sd(fit) = sqrt(MSWD)) < " + threshold +
            " (but larger may be OK)",
        std::string("column:"), std::string("1-3: result of doubling the uncertainty on ln a."),
        std::string("4: e* = ln a residuals normalised to sd(ln a) : |e*| >2.5 suspect?"),
        std::string("5: hat = diagonal elements of the hat matrix :"),
        "hat > " + fixed(d.hatThreshold, 2) + " influential.",
        std::string("6-7: observed and calculated activities of endmembers."),
        std::string("8-9: regression-through-origin x,y values")})
    io.putstr(0, text, 1, kToAll);
  heading(io, {{avP ? "P" : "T", 7},
               {"sd", 6},
               {"fit", 6},
               {"e*", 7},
               {"hat", 6},
               {"a(obs)", 9},
               {"a(calc)", 9},
               {"x", 9},
               {"y", 9}});
  for (const EndMemberDiagnostic& row : d.rows) {
    std::string text;
    addfield(text, names[row.em], -8);
    if (!row.redone) {
      addfield(text, "*", 7);
      addfield(text, "", 12);
    } else if (avP) {
      addfield(text, fixed(row.value, 2), 7);
      addfield(text, fixed(row.sd, 2), 6);
      addfield(text, fixed(row.fit, 2), 6);
    } else {
      addfield(text, fixed(row.value - kCelsius, 0), 7);
      addfield(text, fixed(row.sd, 0), 6);
      addfield(text, fixed(row.fit, 2), 6);
    }
    addEndMemberColumns(text, row);
    addcolumn(text, significant(row.x, 3), 9);
    addcolumn(text, significant(row.y, 3), 9);
    io.putstr(0, text, 1, kToAll);
  }
  io.putstr(1, avP ? "corresponding average P" : "corresponding average T", 1, kToAll);
  io.putstr(0, lineResult(line), 1, kToAll);
}

void writePTDiagnostics(Io& io, const Diagnostics& d, const PTAverage& pt,
                        const std::vector<std::string>& names, int reactions) {
  for (const std::string& text :
       {std::string("Single end-member diagnostic information"),
        std::string("avP, avT, sd's, cor, fit are result of doubling the uncertainty on ln a :"),
        std::string("a ln a suspect if any are v different from lsq values."),
        std::string("e* are ln a residuals normalised to ln a uncertainties :"),
        std::string("large absolute values, say >2.5, point to suspect info."),
        std::string("hat are the diagonal elements of the hat matrix :"),
        "large values, say > " + fixed(d.hatThreshold, 2) + ", point to influential data.",
        "For 95% confidence, fit (= sd(fit)) < " + fixed(fitThreshold(reactions - 2), 2),
        std::string("however a larger value may be OK - look at the diagnostics!")})
    io.putstr(text.rfind("Single", 0) == 0 ? 1 : 0, text, 1, kToAll);
  heading(io, {{"P", 7},
               {"sd", 6},
               {"T", 6},
               {"sd", 5},
               {"cor", 7},
               {"fit", 6},
               {"e*", 7},
               {"hat", 6},
               {"a(obs)", 9},
               {"a(calc)", 9}});
  auto result = [](std::string& text, Real P, Real sdP, Real T, Real sdT, Real cor, Real fit) {
    addfield(text, fixed(P, 2), 7);
    addfield(text, fixed(sdP, 2), 6);
    addfield(text, fixed(T - kCelsius, 0), 6);
    addfield(text, fixed(sdT, 0), 5);
    addfield(text, fixed(cor, 3), 7);
    addfield(text, fixed(fit, 2), 6);
  };
  std::string lsq;
  addfield(lsq, "lsq", -8);
  result(lsq, pt.P, pt.sdP, pt.T, pt.sdT, pt.cor, pt.sigfit);
  io.putstr(0, lsq, 1, kToAll);
  for (const EndMemberDiagnostic& row : d.rows) {
    std::string text;
    addfield(text, names[row.em], -8);
    if (row.redone) {
      result(text, row.P, row.sdP, row.T, row.sdT, row.cor, row.fit);
    } else {
      addfield(text, "*", 7);
      addfield(text, "", 30);
    }
    addEndMemberColumns(text, row);
    io.putstr(0, text, 1, kToAll);
  }
}

}  // namespace pf
