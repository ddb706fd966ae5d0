// The blocks for algebra programs in the drawing output file, each under its
// script switch: the reactions of an assemblage (`rmath`), their standard
// Gibbs energy change over the window's grid (`gmath`), the comment header
// with the reactions and the legend of names (`cmath`), and one record per
// accepted point (`txmath`, also `ptmath`).
#include <string>

#include "calc/phasediagram/loop.h"
#include "calc/reactions/finder.h"
#include "common/numbers.h"

namespace pf {

namespace {

const std::string kCommentRule = "(*" + std::string(57, '-') + "*)";

std::string fixed3(Real x) {
  return decimalText(x, 3);
}

std::string braced(const std::vector<std::string>& items) {
  std::string text = "{";
  for (std::size_t k = 0; k < items.size(); ++k) text += (k == 0 ? "" : ", ") + items[k];
  return text + "}";
}

// Reactions over the assemblage's end-members, as the finder gives them.
std::vector<std::vector<int>> reactionRows(const EquilibriumSystem& sys) {
  std::vector<std::vector<int>> rows;
  const int n = sys.assemblage().endMemberCount();
  for (int k = 0; k < sys.reactionCount(); ++k) {
    std::vector<int> row(static_cast<std::size_t>(n));
    for (int e = 0; e < n; ++e) row[static_cast<std::size_t>(e)] = sys.coefficient(k, e);
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

AlgebraSwitches algebraSwitches(const ScriptSettings& script) {
  AlgebraSwitches s;
  s.reactions = script.rmath == kUsePreset;
  s.grid = script.gmath == kUsePreset;
  s.comments = script.cmath == kUsePreset;
  s.points = script.txmath == kUsePreset;
  return s;
}

void algebraLegend(Io& io, const AlgebraSwitches& s) {
  if (!s.comments) return;
  io.putstr(0, kCommentRule, 1, kToOfile);
  io.putstr(0,
            "(*  names: u<k>   univariant line, i<k>   invariant point, d<k>   divariant, "
            "t<k>   trivariant, <name>   other *) ",
            1, kToOfile);
}

void algebraHeader(Io& io, const AlgebraSwitches& s, const EquilibriumSystem& sys,
                   const WindowState& w, const GibbsSettings& gibbs, int assemblage) {
  if (!s.any()) return;
  const Assemblage& a = sys.assemblage();
  const std::vector<std::vector<int>> rows = reactionRows(sys);
  if (s.comments) {
    io.putstr(0, kCommentRule, 1, kToOfile);
    for (int k = 0; k < sys.reactionCount(); ++k) {
      Reaction r(static_cast<std::size_t>(a.endMemberCount()) + 1, 0);
      for (int e = 0; e < a.endMemberCount(); ++e)
        r[static_cast<std::size_t>(e) + 1] =
            rows[static_cast<std::size_t>(k)][static_cast<std::size_t>(e)];
      io.putstr(0, "(*  " + equation(r, a.run.names) + " *) ", 1, kToOfile);
    }
    std::string prop = "prop\t" + std::to_string(assemblage);
    for (const AssemblagePhase& p : a.phases) prop += "\t" + p.name;
    io.putstr(0, prop, 1, kToOfile);
  }
  if (s.reactions) {
    std::vector<std::string> names;
    for (const AssemblageEndMember& e : a.endMembers) names.push_back("\"" + e.name + "\"");
    io.putstr(0, braced(names), 1, kToOfile);
    std::vector<std::string> coefficients;
    for (const std::vector<int>& row : rows) {
      std::vector<std::string> items;
      for (int nu : row) items.push_back(std::to_string(nu));
      coefficients.push_back(braced(items));
    }
    io.putstr(0, braced(coefficients), 1, kToOfile);
  }
  if (s.grid) {
    std::vector<std::string> Ps, Ts;
    for (Real P : w.Plist) Ps.push_back(fixed3(P));
    for (Real T : w.Tlist) Ts.push_back(fixed3(T - kCelsius));
    io.putstr(0, braced(Ps), 1, kToOfile);
    io.putstr(0, braced(Ts), 1, kToOfile);
    // the standard Gibbs energy change of each reaction, P by P and T by T
    for (const std::vector<int>& row : rows) {
      std::vector<std::string> byP;
      for (Real P : w.Plist) {
        std::vector<std::string> byT;
        for (Real T : w.Tlist) {
          Real dg = 0;
          for (int e = 0; e < a.endMemberCount(); ++e)
            if (row[static_cast<std::size_t>(e)] != 0)
              dg += row[static_cast<std::size_t>(e)] *
                    gem(io, a.run.em[static_cast<std::size_t>(e) + 1], P, T, gibbs);
          byT.push_back(decimalText(dg, 4));
        }
        byP.push_back(braced(byT));
      }
      io.putstr(0, braced(byP), 1, kToOfile);
    }
  }
}

void algebraPoint(Io& io, const AlgebraSwitches& s, const PointResult& r, int variance,
                  bool newLine, int assemblage) {
  if (!s.points) return;
  std::vector<std::string> values;
  for (std::size_t k = 2; k < r.values.size(); ++k) values.push_back(decimalText(r.values[k], 6));
  std::string line = newLine ? "0, " : "1, ";
  line += variance == 0 ? " 1, " : " 2, ";
  line += "{" + fixed3(r.values[kPQuantity]) + ", " + fixed3(r.values[kTQuantity] - kCelsius) +
          ", " + braced(values) + "},";
  io.putstr(0, line + "    (* " + std::to_string(assemblage) + "  *) ", 1, kToOfile);
}

}  // namespace pf
