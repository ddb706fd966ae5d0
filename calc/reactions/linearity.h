// Average P-T's linearity test on a reaction: reactions must be reasonably
// straight in the window. The slopes dP/dT at the two ends of the window are
// compared on a plot in which 1 kbar is as long as 25 degrees.
#pragma once

#include "calc/reactions/diagram_thermo.h"
#include "calc/reactions/integer_algebra.h"

namespace pf {

inline constexpr Real kKbarAsDegrees = 25;  // 1 kbar drawn as long as 25 K
inline constexpr Real kRadiansPerDegree = 0.01745L;

// tan of the angle between two lines of slopes s1 and s2 (kbar/K) on that
// plot: |25 (s1 - s2) / (1 + 625 s1 s2)|; infinite for lines at right angles.
Real linearityTan(Real s1, Real s2);

// Which average: P (or PT) follows the reaction across the T window and
// measures the extent in kbar of the P window; T follows it across the P
// window and measures the T window in 25-degree units.
enum class AverageKind { P, T, PT };

// The verdict as a progress character: '0' when the line does not reach
// both ends of the window, ':' when it turns by more than `allowedAngle`
// (degrees per kbar, or per 25 degrees) times the extent, 'X' otherwise.
char linearityVerdict(ReactionContext& c, const Reaction& r, AverageKind kind, Real allowedAngle);

}  // namespace pf
