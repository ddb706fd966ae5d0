// The grid of a Gibbs energy minimisation, its bookkeeping and its closing
// table.
#include "calc/phasediagram/gmin.h"

#include <algorithm>
#include <numeric>

#include "common/bomb.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

void put(Io& io, const std::string& text) {
  io.putstr(0, text, 1, kToAll);
}

void ranking(Io& io, const std::vector<std::string>& phases, const MinimisationGrid& grid) {
  std::vector<std::size_t> order(grid.list.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return grid.list[a].G < grid.list[b].G; });
  std::string head;
  for (const std::string& name : phases) addfield(head, name, 7);
  put(io, "");
  put(io, head);
  const Real lowest = grid.list[order.front()].G;
  Real previous = lowest;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const SinglePointEntry& e = grid.list[order[k]];
    std::string row;
    for (std::size_t j = 0; j < phases.size(); ++j)
      addfield(row, e.present[j] ? decimalText(e.modes[j], 3) : std::string("- "), 7);
    addfield(row, decimalText(e.G, 5), 13);
    if (k == 0) {
      addfield(row, "", 10);
      addfield(row, "", 10);
    } else {
      addfield(row, decimalText(e.G - lowest, 5), 10);
      addfield(row, decimalText(e.G - previous, 5), 10);
    }
    put(io, row);
    previous = e.G;
    if (e.G - lowest > kRankingSpread) break;
  }
}

}  // namespace

int MinimisationGrid::find(Real P, Real T) const {
  for (std::size_t k = 0; k < records.size(); ++k)
    if (records[k].P == P && records[k].T == T) return static_cast<int>(k);
  return -1;
}

bool gridsetup(Io& io, const WindowState& w, int limit, int phases, MinimisationGrid& grid) {
  grid = MinimisationGrid{};
  const long points = static_cast<long>(w.Tlist.size()) * static_cast<long>(w.Plist.size());
  if (points > limit) {
    // said, so that a run without a minimisation does not pass for one
    io.putstr(0,
              std::string(1, kBullet) + " PT grid too big (" + std::to_string(points) +
                  " points, max " + std::to_string(limit) + "): no minimisation",
              1, kToConsoleLog);
    return false;
  }
  io.reportAllocation("gmin", kGminBytes);
  grid.nT = static_cast<int>(w.Tlist.size());
  grid.nP = static_cast<int>(w.Plist.size());
  for (Real P : w.Plist)
    for (Real T : w.Tlist) {
      GridRecord r;
      r.P = P;
      r.T = T;
      r.winner.assign(static_cast<std::size_t>(phases), false);
      grid.records.push_back(std::move(r));
    }
  return true;
}

void gridbook(GridRecord& record, Real G, const std::vector<bool>& present) {
  ++record.count;
  if (record.count == 1 || G < record.G) {
    if (record.count >= 2) record.del = record.G - G;
    record.G = G;
    record.winner = present;
  } else if (G - record.G < record.del) {
    record.del = G - record.G;
  }
}

bool listEquilibrium(MinimisationGrid& grid, const SinglePointEntry& entry) {
  if (static_cast<int>(grid.list.size()) >= kMaxSinglePointEquilibria) return false;
  grid.list.push_back(entry);
  return true;
}

void gminfo(Io& io, const WindowState& w, const std::vector<std::string>& phases,
            MinimisationGrid& grid) {
  put(io, "");
  put(io, "Gibbs energy minimisation info");
  put(io, "");
  std::string head;
  addfield(head, "P(kbar)", 8);
  addfield(head, "T(" + std::string(1, kDegree) + "C)", 8);
  for (const std::string& name : phases) addfield(head, name, 5);
  addfield(head, "n", 5);
  addfield(head, "G", 13);
  addfield(head, "del", 11);
  put(io, head);
  for (const GridRecord& r : grid.records) {
    std::string row;
    addfield(row, windowP(w, r.P), 8);
    addfield(row, windowT(w, r.T - kCelsius), 8);
    if (r.count > 0) {
      for (bool in : r.winner) addfield(row, in ? std::string(1, kBullet) : std::string("-"), 5);
      addfield(row, std::to_string(r.count), 5);
      addfield(row, decimalText(r.G, 5), 13);
      addfield(row,
               r.del > 99  ? std::string("-")
               : r.del < 0 ? std::string("*wrong")
                           : decimalText(r.del, 5),
               11);
    }
    put(io, row);
  }
  put(io, "(Use these results at your own risk!)");
  io.reportRelease("gmin", kGminBytes);
  const std::size_t n = grid.list.size();
  if (n >= 1 && static_cast<int>(n) <= kMaxSinglePointEquilibria) ranking(io, phases, grid);
  grid.records.clear();
}

bool differentWinners(const GridRecord& a, const GridRecord& b) {
  if ((a.count > 0) != (b.count > 0)) return true;
  return a.count > 0 && a.winner != b.winner;
}

DrawingWindow drawingWindow(const WindowState& w) {
  DrawingWindow d{w.Tlow, w.Thigh, w.Plow, w.Phigh};
  if (!(d.Thigh > d.Tlow)) {
    d.Tlow -= 50;
    d.Thigh += 50;
  }
  if (!(d.Phigh > d.Plow)) {
    d.Plow = std::max(d.Plow - 1, Real(0));
    d.Phigh += 1;
  }
  return d;
}

namespace {

// The edges of the cells of one axis of the grid: midway between
// neighbouring values, the drawing window's edge beyond the first and the
// last.
std::vector<Real> cellEdges(const std::vector<Real>& values, Real low, Real high) {
  std::vector<Real> edges;
  if (values.empty()) return edges;
  edges.push_back(std::min(low, values.front()));
  for (std::size_t k = 1; k < values.size(); ++k) edges.push_back((values[k - 1] + values[k]) / 2);
  edges.push_back(std::max(high, values.back()));
  return edges;
}

}  // namespace

std::vector<WinnerBoundary> winnerBoundaries(const MinimisationGrid& grid, const WindowState& w) {
  std::vector<WinnerBoundary> out;
  const int nT = grid.nT, nP = grid.nP;
  if (nT < 1 || nP < 1 || static_cast<int>(grid.records.size()) != nT * nP) return out;
  auto at = [&](int iP, int iT) { return iP * nT + iT; };
  auto rec = [&](int k) -> const GridRecord& { return grid.records[static_cast<std::size_t>(k)]; };
  std::vector<Real> Ps, Ts;
  for (int iP = 0; iP < nP; ++iP) Ps.push_back(rec(at(iP, 0)).P);
  for (int iT = 0; iT < nT; ++iT) Ts.push_back(rec(at(0, iT)).T);
  const DrawingWindow window = drawingWindow(w);
  const std::vector<Real> Pedge = cellEdges(Ps, window.Plow, window.Phigh);
  const std::vector<Real> Tedge = cellEdges(Ts, window.Tlow, window.Thigh);
  // a run goes on while the same two winners face each other across it
  auto continues = [&](int a, int b, int previousA, int previousB) {
    return !differentWinners(rec(a), rec(previousA)) && !differentWinners(rec(b), rec(previousB));
  };
  for (int iT = 0; iT + 1 < nT; ++iT) {
    const Real T = (Ts[static_cast<std::size_t>(iT)] + Ts[static_cast<std::size_t>(iT) + 1]) / 2;
    bool open = false;
    for (int iP = 0; iP < nP; ++iP) {
      const int a = at(iP, iT), b = at(iP, iT + 1);
      if (!differentWinners(rec(a), rec(b))) {
        open = false;
        continue;
      }
      const Real top = Pedge[static_cast<std::size_t>(iP) + 1];
      if (open && continues(a, b, at(iP - 1, iT), at(iP - 1, iT + 1))) {
        out.back().P2 = top;
        continue;
      }
      out.push_back({Pedge[static_cast<std::size_t>(iP)], T, top, T, a, b});
      open = true;
    }
  }
  for (int iP = 0; iP + 1 < nP; ++iP) {
    const Real P = (Ps[static_cast<std::size_t>(iP)] + Ps[static_cast<std::size_t>(iP) + 1]) / 2;
    bool open = false;
    for (int iT = 0; iT < nT; ++iT) {
      const int a = at(iP, iT), b = at(iP + 1, iT);
      if (!differentWinners(rec(a), rec(b))) {
        open = false;
        continue;
      }
      const Real right = Tedge[static_cast<std::size_t>(iT) + 1];
      if (open && continues(a, b, at(iP, iT - 1), at(iP + 1, iT - 1))) {
        out.back().T2 = right;
        continue;
      }
      out.push_back({P, Tedge[static_cast<std::size_t>(iT)], P, right, a, b});
      open = true;
    }
  }
  return out;
}

void tooManyEquilibria(Io& io, const WindowState& w, const std::vector<std::string>& phases,
                       MinimisationGrid& grid) {
  io.putstr(0, std::string(4, kBullet) + std::string(1, kHardBlank) + "results SO FAR", 1,
            kToConsole);
  gminfo(io, w, phases, grid);
  bomb("dogmin", "too many equilibria; use less phases");
}

}  // namespace pf
