// The linearised thermodynamics of the independent reactions among the
// chosen end-members: dG = a + bT + cP about one P-T point.
#include <span>
#include <string>
#include <vector>

#include "calc/endmembers/table_text.h"
#include "calc/endmembers/tables.h"
#include "calc/thermo/reaction.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

std::string pointText(Real p, Real t) {
  return tabletext::neededText(p) +
         " kbar and T = " + realToText(t - kCelsiusOffset, 0, Digits::fixed);
}

std::string coefficientText(int nu) {
  return nu == 0 ? std::string() : std::to_string(nu);
}

}  // namespace

LinearisedReaction linearise(Io& io, const RunEndMembers& run, const std::vector<int>& reaction,
                             Real p, Real t, const GibbsSettings& settings) {
  if (static_cast<int>(reaction.size()) != run.count() + 1)
    bomb("linearise", "reaction of wrong length", 1);
  // standard state: the pure end-members, no fluid composition
  std::vector<EndMember> em(run.em.begin(), run.em.end());
  for (EndMember& one : em) {
    one.slot[kXCO2] = 0;
    one.slot[kXH2O] = 0;
  }
  ReactionThermo thermo =
      calcdg0(io, std::span<const EndMember>(em), std::span<const int>(reaction), p, t, settings);
  LinearisedReaction line;
  line.b = thermo.dgdt;
  line.c = thermo.dgdp;
  line.a = thermo.dg - line.b * t - line.c * p;
  return line;
}

TablePoint askLinearisationPoint(Io& io) {
  std::string question = "P(kbar), T(" + std::string(1, kDegree) + "C) about which to linearise";
  for (;;) {
    int n = 2;
    std::vector<Real> values = promptreals(io, question, n);
    Real p = values[0] == 0 ? kLowestTablePressure : values[0];
    Real t = values[1] + kCelsiusOffset;
    if (p > 0 && t > 0) return TablePoint{p, t};
    io.putstr(0,
              "P must be above 0 kbar and T above -273" + std::string(1, kDegree) + "C : try again",
              1, kToConsoleLog);
  }
}

void reactionTable(Io& io, const RunEndMembers& run, const TableSettings& settings,
                   const ReactionRows& reactions, Real p, Real t) {
  std::vector<LinearisedReaction> lines;
  for (const auto& reaction : reactions)
    lines.push_back(linearise(io, run, reaction, p, t, settings.gibbs));

  io.putstr(2, "Thermodynamics of reactions (delta G^0 = a + bT + cP)", 1, kToAll);
  io.putstr(0, "(PT about which thermodynamics linearised", 1, kToAll);
  io.putstr(0, "(a, b and c includes fluid fugacities, at P = " + pointText(p, t), 1, kToAll);
  std::string heading;
  addfield(heading, "", 5);
  for (int e = 1; e <= run.count(); ++e) addfield(heading, cut5(run.names[e]), 5);
  for (const char* column : {"a", "b", "c"}) addfield(heading, column, 10);
  io.putstr(1, heading, 1, kToAll);
  for (std::size_t r = 0; r < reactions.size(); ++r) {
    std::string line;
    addfield(line, "", 5);
    for (int e = 1; e <= run.count(); ++e) addfield(line, coefficientText(reactions[r][e]), 5);
    addfield(line, lines[r].a, 4, Digits::significant, 10);
    addfield(line, lines[r].b, 5, Digits::fixed, 10);
    addfield(line, lines[r].c, 3, Digits::fixed, 10);
    io.putstr(0, line, 1, kToAll);
  }

  io.putstr(1, "(* reaction thermo linearised at P = " + pointText(p, t) + " *)", 1, kToSecondFile);
  for (std::size_t r = 0; r < reactions.size(); ++r) {
    std::string entry = r == 0 ? "{{{" : " {{";
    for (int e = 1; e <= run.count(); ++e)
      entry += (e > 1 ? ", " : "") + std::to_string(reactions[r][e]);
    entry += "}, " + realToText(lines[r].a, 6, Digits::fixed) + ", " +
             realToText(lines[r].b, 8, Digits::fixed) + ", " +
             realToText(lines[r].c, 6, Digits::fixed) + "}";
    entry += r + 1 == reactions.size() ? "};" : ",";
    io.putstr(0, entry, 1, kToSecondFile);
  }
}

void linearisedReactions(Io& io, const RunEndMembers& run, const TableSettings& settings,
                         const ReactionRows& reactions) {
  if (reactions.empty()) {
    io.putstr(1, "No reactions...", 1, kToAll);
    return;
  }
  TablePoint point = askLinearisationPoint(io);
  reactionTable(io, run, settings, reactions, point.p, point.t);
}

}  // namespace pf
