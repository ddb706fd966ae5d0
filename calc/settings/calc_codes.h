// The calculation a run is for: the menu codes the user types and the
// internal codes the passes are dispatched on.
#pragma once

namespace pf {

// Menu codes the user types.
inline constexpr int kMenuTables = 0;
inline constexpr int kMenuPhaseDiagram = 1;
inline constexpr int kMenuAveragePT = 2;
inline constexpr int kMenuReactions = 3;
inline constexpr int kMenuLists = 4;
inline constexpr int kMenuRegression = 9;  // the word "lsqds"

// Internal codes the passes are dispatched on.
inline constexpr int kCalcTables = 0;
inline constexpr int kCalcAveragePT = 1;
inline constexpr int kCalcReactions = 2;
inline constexpr int kCalcPhaseDiagram = 3;
inline constexpr int kCalcLists = 5;
inline constexpr int kCalcRegression = 6;

}  // namespace pf
