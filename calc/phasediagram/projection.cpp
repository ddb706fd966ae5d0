// `setproject` and `projcomp`: the compatibility diagram's plane and the
// projected compositions of a point.
#include "calc/phasediagram/projection.h"

#include <algorithm>
#include <cmath>

#include "calc/phasediagram/bulk.h"
#include "calc/phasediagram/dialogue_text.h"
#include "calc/phasediagram/pseudo.h"
#include "calc/settings/windows.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

constexpr const char* kProcedure = "readprojplane";

// No amount negative or not a number, and a positive total.
bool usableApex(std::vector<Real> v) {
  return normalised(v);
}

// Code 0: the apices are components, given by their numbers. Empty when
// the answers give no plane.
bool apicesByOxide(Io& io, const ProjectionInput& in, int n, ProjectionPlane& plane) {
  const int nc = static_cast<int>(in.components.size());
  for (int attempt = 0; attempt < 2; ++attempt) {
    Tokens answer;
    promptstrings(io, "oxide list (" + std::to_string(n) + " indices)", answer);
    std::vector<int> picked;
    for (int k = 1; k <= answer.count; ++k) {
      int c = 0;
      std::string message;
      if (!readInteger(answer[k], c, message)) {
        consoleLogLine(io, "not all integers: no projection will be undertaken");
        return false;
      }
      picked.push_back(c);
    }
    bool fits = static_cast<int>(picked.size()) == n;
    for (std::size_t k = 0; k < picked.size(); ++k) {
      if (picked[k] < 1 || picked[k] > nc) fits = false;
      if (std::find(picked.begin(), picked.begin() + static_cast<long>(k), picked[k]) !=
          picked.begin() + static_cast<long>(k))
        fits = false;
    }
    if (!fits) {
      consoleLogLine(io, attempt == 0 ? std::to_string(n) + " needed: try again"
                                      : "still not correct: no projection will be undertaken");
      continue;
    }
    for (int c : picked) {
      std::vector<Real> apex(static_cast<std::size_t>(nc), 0);
      apex[static_cast<std::size_t>(c - 1)] = 1;
      plane.names.push_back(in.components[static_cast<std::size_t>(c - 1)]);
      plane.apices.push_back(std::move(apex));
    }
    return true;
  }
  return false;
}

// Code 1: each apex named and given as amounts of the components.
void apicesOneByOne(Io& io, const ProjectionInput& in, int n, ProjectionPlane& plane) {
  const int nc = static_cast<int>(in.components.size());
  for (int k = 1; k <= n; ++k) {
    plane.names.push_back(cut20(promptstring(io, std::to_string(k) + " apex name")));
    for (;;) {
      int count = nc;
      std::vector<Real> apex = promptreals(io, "apex composition", count);
      if (usableApex(apex)) {
        plane.apices.push_back(std::move(apex));
        break;
      }
      consoleLogLine(io, "amounts must be zero or positive, and not all zero - try again");
    }
  }
}

std::string snippetValue(Real x) {
  if (x < kProjectedZero) return "0";
  return decimalText(x, decimalsNeeded(x, 6));
}

void planeSnippet(Io& io, const ProjectionPlane& plane, bool asked) {
  std::string text = std::string("setproject ") + (asked ? "ask " : "");
  for (std::size_t k = 0; k < plane.apices.size(); ++k) {
    text += (k == 0 ? "" : "  ") + plane.names[k];
    for (Real x : plane.apices[k]) text += " " + snippetValue(x);
  }
  scriptSnippet(io, "projection plane", {text});
}

void showPlane(Io& io, const ProjectionPlane& plane, const std::vector<std::string>& components) {
  consoleLogLine(
      io, std::string("projection plane ") + (plane.fromScript ? "(from script) " : "") + "from" +
              (plane.from.empty() ? std::string(" (nothing)") : spacedNames(plane.from)));
  std::string head;
  addfield(head, "", 8);
  for (const std::string& c : components) addfield(head, c, 9);
  consoleLogLine(io, head);
  for (std::size_t k = 0; k < plane.apices.size(); ++k) {
    std::string row;
    addfield(row, plane.names[k], -8);
    for (Real x : plane.apices[k]) addfield(row, decimalText(x, 4), 9);
    consoleLogLine(io, row);
  }
}

std::string coordinate(Real x) {
  return x < kProjectedZero ? std::string("0") : decimalText(x, 4);
}

}  // namespace

int ProjectionInput::apexCount() const {
  return static_cast<int>(std::count(heldByExcess.begin(), heldByExcess.end(), false));
}

ProjectionPlane setproject(Io& io, const ScriptSettings& script, const ProjectionInput& in) {
  const int nc = static_cast<int>(in.components.size());
  if (nc > kMaxProjectionComponents) bomb(kProcedure, "system too big");
  const int n = in.apexCount();
  if (n > kMaxApices) bomb(kProcedure, "too big");
  ProjectionPlane plane;
  plane.from = in.from;
  bool asked = true;

  if (script.setprojectState != kDontUse) {
    int state = script.setprojectState;
    promptcontrol(io, "use projection plane specified in datafile", state);
    if (state == kUsePreset) {
      const std::vector<Apex>& given = script.projectionPlane;
      if (given.empty()) bomb(kProcedure, "no projection plane");
      if (static_cast<int>(given.size()) > n) bomb(kProcedure, "too big");
      bool fits = static_cast<int>(given.size()) == n;
      for (const Apex& a : given)
        fits = fits && static_cast<int>(a.composition.size()) == nc && usableApex(a.composition);
      if (fits) {
        for (const Apex& a : given) {
          plane.names.push_back(a.name);
          plane.apices.push_back(a.composition);
        }
        plane.fromScript = true;
        asked = script.setprojectState == kAsk;
      } else {
        // a plane of another system: asked for rather than used wrongly
        consoleLogLine(io, "projection plane in script does not fit this system (" +
                               std::to_string(n) + " apices of " + std::to_string(nc) +
                               " components needed)");
      }
    }
  }

  if (plane.empty()) {
    std::vector<std::string> left;
    for (int c = 0; c < nc; ++c)
      if (in.heldByExcess[static_cast<std::size_t>(c)])
        left.push_back(in.components[static_cast<std::size_t>(c)]);
    consoleLogLine(io, "projection plane has " + std::to_string(n) + " apices" + ", leaving" +
                           spacedNames(left));
    consoleLogLine(io, "to be represented by" + spacedNames(in.from));
    consoleLogLine(io, "and the projection plane");
    consoleLogLine(io, "compositions of the " + std::to_string(n) +
                           " apices are needed in terms of: " + spacedNames(in.components));
    consoleLogLine(io, "specify apices:");
    consoleLogLine(io, "    0: by oxide list (when each apex just an oxide)");
    consoleLogLine(io, "    1: apex by apex (when some apices are composite)");
    int code = promptinteger(io, "code");
    while (code != 0 && code != 1) {
      consoleLogLine(io, "code 0 or 1 - try again");
      code = promptinteger(io, "code");
    }
    if (code == 0) {
      if (!apicesByOxide(io, in, n, plane)) return ProjectionPlane{};
    } else {
      apicesOneByOne(io, in, n, plane);
    }
  }

  if (static_cast<int>(plane.apices.size()) != n) bomb(kProcedure, "short-cutting A");
  for (const std::vector<Real>& a : plane.apices)
    if (static_cast<int>(a.size()) != nc) bomb(kProcedure, "short-cutting B");
  planeSnippet(io, plane, asked);
  showPlane(io, plane, in.components);
  return plane;
}

Projected projectComposition(const ProjectionPlane& plane,
                             const std::vector<std::vector<Real>>& fromCompositions,
                             const std::vector<Real>& composition) {
  const int n = static_cast<int>(plane.apices.size());
  const int m = static_cast<int>(fromCompositions.size());
  const int nc = static_cast<int>(composition.size());
  const int cols = n + m;
  std::vector<Real> a(static_cast<std::size_t>(nc * cols));
  Real scale = 0;
  for (int c = 0; c < nc; ++c) {
    for (int k = 0; k < n; ++k)
      a[static_cast<std::size_t>(c * cols + k)] =
          plane.apices[static_cast<std::size_t>(k)][static_cast<std::size_t>(c)];
    for (int k = 0; k < m; ++k)
      a[static_cast<std::size_t>(c * cols + n + k)] =
          fromCompositions[static_cast<std::size_t>(k)][static_cast<std::size_t>(c)];
    scale = std::max(scale, std::fabs(composition[static_cast<std::size_t>(c)]));
  }
  Projected p;
  p.x.assign(static_cast<std::size_t>(n), 0);
  if (n == 0 || !(scale > 0)) return p;
  LinearSolution s = solveLinear(nc, cols, a, composition);
  if (!(s.residual <= kProjectionResidual * scale)) return p;
  Real total = 0;
  for (int k = 0; k < n; ++k) {
    if (!s.determined[static_cast<std::size_t>(k)]) return p;
    total += s.x[static_cast<std::size_t>(k)];
  }
  if (!(total > kProjectionResidual * scale)) return p;
  p.made = true;
  for (int k = 0; k < n; ++k) {
    p.x[static_cast<std::size_t>(k)] = s.x[static_cast<std::size_t>(k)] / total;
    if (p.x[static_cast<std::size_t>(k)] < kProjectedZero) p.flagged = true;
  }
  return p;
}

ProjectionRows projectPoint(const ProjectionPlane& plane, const std::vector<std::string>& phases,
                            const std::vector<bool>& projectedFrom, const std::vector<Real>& matrix,
                            const std::vector<Real>& bulk) {
  const std::size_t np = phases.size();
  const std::size_t nc = np == 0 ? 0 : matrix.size() / np;
  auto column = [&](std::size_t j) {
    std::vector<Real> v(nc);
    for (std::size_t c = 0; c < nc; ++c) v[c] = matrix[c * np + j];
    return v;
  };
  std::vector<std::vector<Real>> from;
  for (std::size_t j = 0; j < np; ++j)
    if (projectedFrom[j]) from.push_back(column(j));
  ProjectionRows rows;
  for (std::size_t j = 0; j < np; ++j) {
    if (projectedFrom[j]) continue;
    rows.names.push_back(phases[j]);
    rows.rows.push_back(projectComposition(plane, from, column(j)));
  }
  if (!bulk.empty()) {
    rows.names.push_back("bulk");
    rows.rows.push_back(projectComposition(plane, from, bulk));
  }
  return rows;
}

void projcomp(Io& io, const ProjectionPlane& plane, const ProjectionRows& rows, unsigned mask) {
  std::string head = "  proj  ";
  addfield(head, "phase", -6);
  for (const std::string& n : plane.names) addfield(head, n, 9);
  io.putstr(0, head, 1, mask);
  for (std::size_t r = 0; r < rows.rows.size(); ++r) {
    std::string row(8, ' ');
    addfield(row, rows.names[r], -6);
    const Projected& p = rows.rows[r];
    for (Real x : p.x) addfield(row, p.made ? coordinate(x) : std::string("?"), 9);
    if (p.made && p.flagged) row += "  #";
    io.putstr(0, row, 1, mask);
  }
}

void projectionBlock(Io& io, Real P, Real TCelsius, const ProjectionPlane& plane,
                     const ProjectionRows& rows) {
  std::string text = "{{" + decimalText(P, 4) + ", " + decimalText(TCelsius, 2) + "}, " + "  (*" +
                     spacedNames(plane.names) + " *)" + " {";
  for (std::size_t r = 0; r < rows.names.size(); ++r)
    text += (r == 0 ? "\"" : ", \"") + rows.names[r] + "\"";
  text += "}, {";
  for (std::size_t r = 0; r < rows.rows.size(); ++r) {
    text += r == 0 ? "{" : ", {";
    const Projected& p = rows.rows[r];
    for (std::size_t k = 0; k < p.x.size(); ++k)
      text += (k == 0 ? "" : ", ") +
              (p.made && p.x[k] >= kProjectedZero ? decimalText(p.x[k], 6) : std::string("0"));
    text += "}";
  }
  io.putstr(0, text + "} },", 1, kToOfile);
}

}  // namespace pf
