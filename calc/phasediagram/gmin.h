// Gibbs energy minimisation over a P-T grid: for a bulk composition every
// candidate assemblage is calculated at every grid point, and each point
// keeps the assemblage of lowest Gibbs energy and its margin over the next
// (`del`). With a single grid point every accepted assemblage is listed and
// ranked. `gminfo` writes the closing table.
#pragma once

#include <string>
#include <vector>

#include "calc/settings/windows.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr int kDefaultGridLimit = 400;  // grid points of a minimisation
inline constexpr long kGminBytes = 108800;     // the grid table, for the heap monitor
inline constexpr int kMaxSinglePointEquilibria = 300;
inline constexpr Real kNoMargin = 100;        // del before a second assemblage is found
inline constexpr Real kRankingSpread = 0.1L;  // kJ above the lowest G still ranked

struct GridRecord {
  Real P = 0;  // kbar
  Real T = 0;  // K
  Real G = 0;  // of the winner, 0 while none
  Real del = kNoMargin;
  std::vector<bool> winner;  // per chosen phase
  int count = 0;             // assemblages accepted here
};

struct SinglePointEntry {
  std::vector<bool> present;  // per chosen phase
  Real G = 0;
  std::vector<Real> modes;  // per chosen phase (0 when absent)
};

struct MinimisationGrid {
  std::vector<GridRecord> records;  // P-major: every T of the first P, then the next P
  std::vector<SinglePointEntry> list;
  int nT = 0;
  int nP = 0;
  bool single() const { return records.size() == 1; }
  // the record of a point of the P and T lists, or -1
  int find(Real P, Real T) const;
};

// The grid of the window's P and T lists. False (with a notice line) when it
// has more points than `limit`: minimisation is then off for the run.
bool gridsetup(Io& io, const WindowState& w, int limit, int phases, MinimisationGrid& grid);

// An accepted assemblage at a grid point, with its G for the bulk.
void gridbook(GridRecord& record, Real G, const std::vector<bool>& present);

// Appends to the single-point list; false when the list is full (the
// calculation must stop, its results so far written).
bool listEquilibrium(MinimisationGrid& grid, const SinglePointEntry& entry);

// The closing table, the release of the grid table, and the ranking of a
// single-point list. `phases`: names of the chosen phases, solutions first.
void gminfo(Io& io, const WindowState& w, const std::vector<std::string>& phases,
            MinimisationGrid& grid);

// A boundary between the fields of two winners, for drawing: a straight
// run of cell edges (midway between neighbouring grid points, out to the
// window at the ends of the grid) along which the same two records face
// each other. `first` and `second` are record indices (first below or to the
// left of the boundary).
struct WinnerBoundary {
  Real P1 = 0, T1 = 0, P2 = 0, T2 = 0;  // kbar, K
  int first = -1;
  int second = -1;
};

// The window a drawing shows (T in K): the calculation window, with a
// window of one value widened (T by 50 each way, P by 1 but not below 0) so
// that the drawing has an area.
struct DrawingWindow {
  Real Tlow = 0, Thigh = 0, Plow = 0, Phigh = 0;
};
DrawingWindow drawingWindow(const WindowState& w);

// True when two records have different winners (a point with none found
// differs from every point with one).
bool differentWinners(const GridRecord& a, const GridRecord& b);

// The boundaries of the winners' fields of a grid: the vertical runs (at
// T midway between neighbouring T) first, column by column, then the
// horizontal ones, row by row.
std::vector<WinnerBoundary> winnerBoundaries(const MinimisationGrid& grid, const WindowState& w);

// The stop for a full single-point list: the results so far, then the fatal
// report.
[[noreturn]] void tooManyEquilibria(Io& io, const WindowState& w,
                                    const std::vector<std::string>& phases, MinimisationGrid& grid);

}  // namespace pf
