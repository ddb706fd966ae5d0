// The per-assemblage calculation of the loop (`solve`) and the state that
// runs through it from one assemblage to the next.
#pragma once

#include <string>
#include <vector>

#include "calc/phasediagram/loop.h"

namespace pf {

struct LoopState {
  LoopState(Io& io, LoopContext& context, const Assemblage& system);

  Io& io;
  LoopContext& c;
  const Assemblage& system;
  std::vector<int> componentRows;  // the system's components, as oxide-table rows
  std::vector<PointPlan> points;
  DrawingState drawing;
  int assemblages = 0;  // assemblages calculated so far
  int pointsTried = 0;
  int pointsAccepted = 0;
  int marks = 0;  // failure marks on the current line
  bool markLineOpen = false;

  // A minimisation's bookkeeping of an accepted point. An assemblage
  // calculated on another thread holds its bookings back, each with the
  // count of output calls recorded before it, to be applied in order.
  struct Booking {
    std::size_t at = 0;
    int record = 0;
    Real G = 0;
    std::vector<bool> present;
    std::vector<Real> modes;
  };
  const std::vector<PutCall>* recorded = nullptr;  // set: hold bookings back
  std::vector<Booking> bookings;

  bool drawingWanted() const;
  unsigned resultsMask() const;  // console, results and log (log only in a quiet minimisation)
  unsigned marksMask() const;
  void endMarks();
  void mark(const std::string& text);
};

// One assemblage: the progress header, its reactions, every point, and the
// closing line when none was accepted. Returns the accepted points (at most
// kMaxStoredPoints of them).
std::vector<PointResult> solve(Io& io, LoopState& state, const Candidate& candidate);

// A booking on the grid (and the single-point list, whose overflow stops
// the run after its results so far).
void applyBooking(Io& io, LoopState& state, const LoopState::Booking& booking);

// `simplecalc`: the one unknown (T at the point's P, or P at its T) of an
// assemblage with a single reaction, by the reaction-line solver in the
// window. Returns the root, or a marker outside the window.
Real simplecalc(EquilibriumSystem& system, const WindowState& w, int fluidtype);

}  // namespace pf
