// The phase print-out: for every phase, its starting state and the terms of
// its model, evaluated at one P and T.
#pragma once

#include "calc/ax/activity.h"
#include "calc/ax/phases.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

// Writes every phase of tables (or, with only >= 0, that solution alone) at
// P and T to the destinations of mask. wide: each interaction also with its
// W, H, S and V columns.
void printphases(Io& io, const PhaseTables& tables, Real p, Real t, unsigned mask, bool wide,
                 const ActivityContext& context);
void printsolution(Io& io, const SolutionPhase& phase, Real p, Real t, unsigned mask, bool wide,
                   const ActivityContext& context);
void printpure(Io& io, const PurePhase& phase, unsigned mask);

}  // namespace pf
