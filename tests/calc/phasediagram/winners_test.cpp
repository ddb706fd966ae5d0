// The drawing of a minimisation: the boundaries between the winners' fields,
// on a lopsided grid, and on the demo run read back with the drawing
// program's reader against the closing table of the same run.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <tuple>

#include "calc/phasediagram/gmin.h"
#include "plot/reader.h"
#include "tests/calc/thermo/test_support.h"
#include "tests/plot/plot_fixture.h"

namespace pf {
namespace {

// A grid whose winners are given by letters, a row of T per P ('.' none).
MinimisationGrid letterGrid(const std::vector<Real>& Ps, const std::vector<Real>& Ts,
                            const std::vector<std::string>& rows) {
  MinimisationGrid grid;
  grid.nP = static_cast<int>(Ps.size());
  grid.nT = static_cast<int>(Ts.size());
  for (std::size_t j = 0; j < Ps.size(); ++j)
    for (std::size_t i = 0; i < Ts.size(); ++i) {
      GridRecord r;
      r.P = Ps[j];
      r.T = Ts[i];
      r.winner.assign(3, false);
      const char c = rows[j][i];
      if (c != '.') {
        r.count = 2;
        r.winner[static_cast<std::size_t>(c - 'A')] = true;
      }
      grid.records.push_back(r);
    }
  return grid;
}

TEST(WinnerDrawing, BoundariesRunMidwayAndBreakWhereTheNeighboursChange) {
  WindowState w;
  w.Plow = 1;
  w.Phigh = 10;
  w.Tlow = 480;
  w.Thigh = 660;
  // uneven steps, so that a boundary not midway cannot pass
  const MinimisationGrid grid =
      letterGrid({1.3L, 4.7L, 5.2L, 9}, {500, 610, 645}, {"AAB", "AAB", "A.B", "CCB"});
  struct Expected {
    Real P1, T1, P2, T2;
  };
  const Expected expected[] = {
      // vertical runs, column by column
      {4.95L, 555, 7.1L, 555},        // A | none
      {1, 627.5L, 4.95L, 627.5L},     // A | B over two rows, to the window's foot
      {4.95L, 627.5L, 7.1L, 627.5L},  // none | B
      {7.1L, 627.5L, 10, 627.5L},     // C | B, to the window's top
      // horizontal runs, row by row
      {4.95L, 555, 4.95L, 627.5L},  // A over none
      {7.1L, 480, 7.1L, 555},       // A under C, from the window's side
      {7.1L, 555, 7.1L, 627.5L},    // none under C
  };
  const std::vector<WinnerBoundary> got = winnerBoundaries(grid, w);
  ASSERT_EQ(got.size(), std::size(expected));
  for (std::size_t k = 0; k < got.size(); ++k) {
    EXPECT_NEAR(got[k].P1, expected[k].P1, 1e-15L) << k;
    EXPECT_NEAR(got[k].T1, expected[k].T1, 1e-12L) << k;
    EXPECT_NEAR(got[k].P2, expected[k].P2, 1e-15L) << k;
    EXPECT_NEAR(got[k].T2, expected[k].T2, 1e-12L) << k;
    EXPECT_TRUE(differentWinners(grid.records[static_cast<std::size_t>(got[k].first)],
                                 grid.records[static_cast<std::size_t>(got[k].second)]));
  }

  // one field, one point, or a grid with nothing found anywhere: no lines
  EXPECT_TRUE(winnerBoundaries(letterGrid({2, 3}, {600, 700}, {"AA", "AA"}), w).empty());
  EXPECT_TRUE(winnerBoundaries(letterGrid({2}, {600}, {"B"}), w).empty());
  EXPECT_TRUE(winnerBoundaries(letterGrid({2, 3}, {600, 700}, {"..", ".."}), w).empty());
}

// The demo minimisation drawn: every line the drawing program reads lies
// midway between two neighbouring grid points whose winners in the closing
// table differ, and every such pair is parted by exactly one line.
TEST(WinnerDrawing, DemoBoundariesPartDifferentWinners) {
  const std::string folder =
      std::string(PF_SOURCE_DIR) + "/tests/sessions/phaseforge/mode1-gmin-drawn/expected/";
  std::istringstream results(testing::readWholeFile(folder + "pf-gmin-o.txt"));
  std::vector<Real> Ps, Ts;
  std::map<std::pair<Real, Real>, std::string> winner;  // (P, T) -> bullets and dashes
  bool table = false;
  for (std::string line; std::getline(results, line);) {
    if (line.find("minimisation info") != std::string::npos) table = true;
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string x; words >> x;) w.push_back(x);
    if (!table || w.size() < 8 || !std::isdigit(static_cast<unsigned char>(w[0][0]))) continue;
    const Real P = std::stold(w[0]), T = std::stold(w[1]);
    if (Ps.empty() || Ps.back() != P) Ps.push_back(P);
    if (std::find(Ts.begin(), Ts.end(), T) == Ts.end()) Ts.push_back(T);
    winner[{P, T}] = w[2] + w[3] + w[4];
  }
  ASSERT_EQ(Ps.size() * Ts.size(), 25u);

  auto at = [&](Real P, Real T) { return winner[std::make_pair(P, T)]; };
  plot::Console console;
  const plot::Drawing drawing =
      plot::readText(console, testing::readWholeFile(folder + "pf-gmin-px.txt"));
  ASSERT_FALSE(drawing.lines.empty());
  // a neighbouring pair by its lower-left point and direction (0: along T)
  std::map<std::tuple<std::size_t, std::size_t, int>, int> parted;
  auto between = [](const std::vector<Real>& v, Real x) -> std::size_t {
    for (std::size_t k = 0; k + 1 < v.size(); ++k)
      if (std::abs((v[k] + v[k + 1]) / 2 - x) < 1e-9L) return k;
    return v.size();
  };
  for (const plot::UnivariantLine& line : drawing.lines) {
    ASSERT_EQ(line.data.size(), 2u) << line.name;
    const plot::XY a = line.data[0], b = line.data[1];
    const bool vertical = a.x == b.x;
    ASSERT_TRUE(vertical || a.y == b.y) << line.name;
    const std::vector<Real>& across = vertical ? Ts : Ps;
    const std::vector<Real>& along = vertical ? Ps : Ts;
    const std::size_t k = between(across, vertical ? a.x : a.y);
    ASSERT_LT(k, across.size()) << line.name << " is not midway between grid points";
    const Real lo = std::min(vertical ? a.y : a.x, vertical ? b.y : b.x);
    const Real hi = std::max(vertical ? a.y : a.x, vertical ? b.y : b.x);
    int rows = 0;
    for (std::size_t j = 0; j < along.size(); ++j) {
      if (along[j] < lo || along[j] > hi) continue;  // runs end midway, or at the window
      ++rows;
      const Real P1 = vertical ? along[j] : across[k], T1 = vertical ? across[k] : along[j];
      const Real P2 = vertical ? along[j] : across[k + 1], T2 = vertical ? across[k + 1] : along[j];
      EXPECT_NE(at(P1, T1), at(P2, T2)) << line.name;
      ++parted[std::make_tuple(vertical ? j : k, vertical ? k : j, vertical ? 0 : 1)];
    }
    EXPECT_GT(rows, 0) << line.name;
  }
  for (std::size_t j = 0; j < Ps.size(); ++j)
    for (std::size_t i = 0; i < Ts.size(); ++i) {
      if (i + 1 < Ts.size()) {
        EXPECT_EQ(parted[std::make_tuple(j, i, 0)], at(Ps[j], Ts[i]) != at(Ps[j], Ts[i + 1]))
            << Ps[j] << " " << Ts[i];
      }
      if (j + 1 < Ps.size()) {
        EXPECT_EQ(parted[std::make_tuple(j, i, 1)], at(Ps[j], Ts[i]) != at(Ps[j + 1], Ts[i]))
            << Ps[j] << " " << Ts[i];
      }
    }
}

}  // namespace
}  // namespace pf
