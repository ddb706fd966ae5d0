// Projection of phase and bulk compositions onto a compatibility diagram:
// the plane's apices (each an oxide or a composite, in terms of the
// system's components) and the phases projected from (those in excess).
// `setproject` sets the plane up (messages under "readprojplane"); at a
// point, a composition is written as apices + phases projected from, and its
// apex coordinates, scaled to a total of 1, are its projected composition.
#pragma once

#include <string>
#include <vector>

#include "calc/settings/script.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr int kMaxApices = 4;                 // beyond that a diagram is of no use
inline constexpr int kMaxProjectionComponents = 20;  // components a plane is given in
inline constexpr Real kProjectedZero = 0.0001L;      // shown as 0 and flagged
inline constexpr Real kProjectionResidual = 1e-9L;   // a composition off the plane

struct ProjectionPlane {
  std::vector<std::string> names;         // of the apices
  std::vector<std::vector<Real>> apices;  // [apex][component]
  std::vector<std::string> from;          // the phases projected from
  bool fromScript = false;
  bool empty() const { return apices.empty(); }
};

// What the set-up knows when the plane is asked for.
struct ProjectionInput {
  std::vector<std::string> components;
  std::vector<bool> heldByExcess;  // per component: in some phase projected from
  std::vector<std::string> from;   // names of the phases in excess
  int apexCount() const;           // components left for the plane
};

// `setproject`: the plane from the script or the questions, the log snippet
// and the display. Returns an empty plane when no projection will be made.
ProjectionPlane setproject(Io& io, const ScriptSettings& script, const ProjectionInput& input);

// A composition written as apices + phases projected from: its coordinates
// on the apices (total 1). Not made when the plane and the phases projected
// from cannot represent it, or its apex amounts do not sum to a positive
// total.
struct Projected {
  std::vector<Real> x;
  bool made = false;
  bool flagged = false;  // some coordinate below kProjectedZero
};
Projected projectComposition(const ProjectionPlane& plane,
                             const std::vector<std::vector<Real>>& fromCompositions,
                             const std::vector<Real>& composition);

// `projcomp`'s rows at a point: each phase's projected composition, then the
// bulk's when `bulk` is not empty. `matrix`: [component][phase] row-major,
// `projectedFrom[j]` marks the phases in excess.
struct ProjectionRows {
  std::vector<std::string> names;  // phases, then "bulk"
  std::vector<Projected> rows;
};
ProjectionRows projectPoint(const ProjectionPlane& plane, const std::vector<std::string>& phases,
                            const std::vector<bool>& projectedFrom, const std::vector<Real>& matrix,
                            const std::vector<Real>& bulk);
void projcomp(Io& io, const ProjectionPlane& plane, const ProjectionRows& rows, unsigned mask);
// The drawing file's block of the projected compositions of a point.
void projectionBlock(Io& io, Real P, Real TCelsius, const ProjectionPlane& plane,
                     const ProjectionRows& rows);

}  // namespace pf
