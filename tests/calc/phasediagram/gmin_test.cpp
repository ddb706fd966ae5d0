// Gibbs energy minimisation: the bookkeeping of winner and margin, the grid
// limit, the closing table and the single-point ranking, and the demo run's
// winners against every assemblage its log shows.
#include "calc/phasediagram/gmin.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "common/text.h"
#include "tests/calc/phasediagram/affinity_check.h"
#include "tests/calc/phasediagram/mode1_fixture.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::Dialogue;
using testing::holds;
using testing::Mode1Run;

TEST(Minimisation, WinnerAndMarginWhateverTheOrder) {
  const std::vector<bool> a = {true, false}, b = {false, true};
  struct Case {
    std::vector<Real> G;
    Real winner;
    Real del;
    bool second;  // the winner is the second phase set
  };
  const Case cases[] = {
      {{-100.0L, -100.3L}, -100.3L, 0.3L, true},
      {{-100.3L, -100.0L}, -100.3L, 0.3L, false},
      {{-100.0L}, -100.0L, kNoMargin, false},
      // the margin is to the closest loser, found before or after the winner
      {{-99.0L, -100.3L, -100.1L}, -100.3L, 0.2L, true},
      {{-100.1L, -99.0L, -100.3L}, -100.3L, 0.2L, false},
  };
  for (const Case& c : cases) {
    GridRecord r;
    r.winner = {false, false};
    for (std::size_t k = 0; k < c.G.size(); ++k) gridbook(r, c.G[k], k % 2 == 0 ? a : b);
    EXPECT_EQ(r.count, static_cast<int>(c.G.size()));
    EXPECT_EQ(r.G, c.winner);
    EXPECT_NEAR(r.del, c.del, 1e-15L);
    EXPECT_EQ(r.winner, c.second ? b : a);
  }
}

TEST(Minimisation, GridLimitSwitchesOffWithANotice) {
  for (int nT : {20, 21}) {
    Dialogue d;
    WindowState w;
    w.Plist.assign(20, 5);
    w.Tlist.assign(static_cast<std::size_t>(nT), 900);
    MinimisationGrid grid;
    const bool on = gridsetup(d.io, w, kDefaultGridLimit, 3, grid);
    EXPECT_EQ(on, nT == 20);
    EXPECT_EQ(grid.records.size(), on ? 400u : 0u);
    EXPECT_EQ(holds(d.console(), "no minimisation"), !on) << d.console();
  }
  // a raised limit takes the larger grid
  Dialogue d;
  WindowState w;
  w.Plist = {1, 2, 3};
  w.Tlist = {700, 800};
  MinimisationGrid grid;
  ASSERT_TRUE(gridsetup(d.io, w, 6, 2, grid));
  // P-major order
  EXPECT_EQ(grid.records[1].P, 1);
  EXPECT_EQ(grid.records[1].T, 800);
  EXPECT_EQ(grid.find(3, 700), 4);
  EXPECT_FALSE(gridsetup(d.io, w, 5, 2, grid));
}

// A window with one grid point, 5 kbar and 873 K.
WindowState singlePointWindow() {
  WindowState w;
  w.Plow = 1;
  w.Phigh = 9;
  w.Tlow = 673;
  w.Thigh = 1173;
  w.Plist = {5};
  w.Tlist = {873};
  return w;
}

TEST(Minimisation, ClosingTableAndRanking) {
  Dialogue d;
  const WindowState w = singlePointWindow();
  MinimisationGrid grid;
  ASSERT_TRUE(gridsetup(d.io, w, kDefaultGridLimit, 3, grid));
  // G within 0.1 of the lowest are all listed; the listing stops after the
  // first beyond
  const Real Gs[] = {-500.05L, -500.2L, -500.13L, -499.9L, -499.0L};
  const std::vector<std::vector<bool>> sets = {{true, true, false},
                                               {true, false, true},
                                               {false, true, true},
                                               {true, false, false},
                                               {false, true, false}};
  for (int k = 0; k < 5; ++k) {
    gridbook(grid.records[0], Gs[k], sets[k]);
    std::vector<Real> modes = {0.25, 0.5, 0.25};
    ASSERT_TRUE(listEquilibrium(grid, {sets[k], Gs[k], modes}));
  }
  gminfo(d.io, w, {"ol", "opx", "q"}, grid);
  const std::string out = d.console();
  EXPECT_TRUE(holds(out, "Gibbs energy minimisation info")) << out;
  EXPECT_TRUE(holds(out, "(Use these results at your own risk!)")) << out;
  // the winner -500.2 (ol and q), five found, del to -500.13
  std::string bullet(1, kBullet);
  EXPECT_TRUE(
      holds(out, "    " + bullet + "    -    " + bullet + "    5   -500.20000    0.07000\n"))
      << out;
  EXPECT_TRUE(holds(out, "  -500.13000   0.07000   0.07000\n")) << out;
  EXPECT_TRUE(holds(out, "  -500.05000   0.15000   0.08000\n")) << out;
  EXPECT_FALSE(holds(out, "-499.90000")) << out;
  EXPECT_TRUE(grid.records.empty());
}

TEST(Minimisation, OneAssemblageShowsNoMarginAndAFullListStops) {
  Dialogue d;
  const WindowState w = singlePointWindow();
  MinimisationGrid grid;
  ASSERT_TRUE(gridsetup(d.io, w, kDefaultGridLimit, 1, grid));
  for (int k = 0; k < kMaxSinglePointEquilibria; ++k)
    ASSERT_TRUE(listEquilibrium(grid, {{true}, -10.0L - k * 1e-3L, {1}}));
  gridbook(grid.records[0], -10, {true});
  EXPECT_FALSE(listEquilibrium(grid, {{true}, -1, {1}}));
  Bombed stop = bombOf([&] { tooManyEquilibria(d.io, w, {"ol"}, grid); });
  EXPECT_EQ(stop.procedure, "dogmin");
  EXPECT_EQ(stop.message, "too many equilibria; use less phases");
  const std::string out = d.console();
  EXPECT_TRUE(holds(out, "results SO FAR")) << out;
  // one assemblage at the point: del is "-"; a list of exactly 300 is ranked
  EXPECT_TRUE(holds(out, "    1    -10.00000          -\n")) << out;
  EXPECT_TRUE(holds(out, "   -10.29900")) << out;
}

// The demo minimisation: at every grid point the winner of the closing table
// has the lowest G of all the assemblages the log shows accepted there, and
// del is the margin to the next.
TEST(Minimisation, DemoWinnersAreTheLowest) {
  std::istringstream log(testing::readWholeFile(
      std::string(PF_SOURCE_DIR) + "/tests/sessions/phaseforge/mode1-gmin/expected/pf-log.txt"));
  std::map<std::pair<std::string, std::string>, std::vector<Real>> found;
  std::string line, P, T, previous;
  bool table = false;
  int rows = 0;
  auto numeric = [](const std::string& t) {
    return !t.empty() && (std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '-');
  };
  while (std::getline(log, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string x; words >> x;) w.push_back(x);
    if (line.find("Gibbs energy minimisation info") != std::string::npos) table = true;
    const std::string head = w.empty() ? "" : w[0];
    const std::string before = previous;
    previous = head;
    if (w.empty()) continue;
    if (!table) {
      if (!numeric(head) || w.size() < 2) continue;
      if (before == "mode") {
        found[{P, T}].push_back(std::stold(w.back()));  // the modes row ends in G
      } else if (before != "mu" && before != "bulk") {
        P = w[0];  // a results row
        T = w[1];
      }
      continue;
    }
    if (w.size() < 8 || !std::isdigit(static_cast<unsigned char>(w[0][0]))) continue;
    const std::vector<Real>& Gs = found[{w[0], w[1]}];
    ASSERT_FALSE(Gs.empty()) << line;
    const Real G = std::stold(w[w.size() - 2]);
    std::vector<Real> sorted = Gs;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_NEAR(G, sorted[0], 0.6e-5L) << line;
    EXPECT_EQ(std::stoi(w[w.size() - 3]), static_cast<int>(Gs.size())) << line;
    if (sorted.size() > 1)
      EXPECT_NEAR(std::stold(w.back()), sorted[1] - sorted[0], 1.1e-5L) << line;
    else
      EXPECT_EQ(w.back(), "-") << line;
    ++rows;
  }
  EXPECT_EQ(rows, 25);
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

// Assemblages calculated side by side are written in the order one thread
// writes them: console, results, drawing file and log, byte for byte, with
// the demo grid, a lopsided grid of the same rock with three variances, a
// single point with its ranking, and the winners drawn.
TEST(Minimisation, ThreadsWriteWhatOneThreadWrites) {
  const std::string rock =
      "which ol opx q\nsetexcess\ndogmin yes\nsetbulk yes 51.5 39.2 9.3\ninfolevel 0\n";
  struct Case {
    std::string script;
    bool drawnames;
  };
  const Case cases[] = {
      {testing::readWholeFile(std::string(PF_SOURCE_DIR) + "/examples/pf-gmin.txt"), false},
      {rock + "setvar 4\nsetTwindow 530 870\nsetPwindow 1.7 13\nsetTinterval 85\n"
              "setPinterval 3.3\n",
       true},
      {rock + "infolevel 1\nsetvar 3\nsetTwindow 640 640\nsetPwindow 2.9 2.9\n", false},
  };
  for (const Case& c : cases) {
    std::map<int, std::vector<std::string>> out;
    for (int threads : {1, 2, 5}) {
      Mode1Run run(c.script.substr(0, c.script.find("\n*")) + "\n", "", c.drawnames);
      run.threads = threads;
      run.d.io.openOutput(kLogfile, "pf-log.txt", false);
      run.run();
      out[threads] = {run.d.console(), run.results(), run.drawing(),
                      run.d.files.contents["pf-log.txt"]};
    }
    // winners were found
    EXPECT_TRUE(holds(out[1][1], "    " + std::string(1, kBullet) + "    ")) << out[1][1];
    for (int threads : {2, 5})
      for (std::size_t k = 0; k < out[1].size(); ++k)
        EXPECT_EQ(out[threads][k], out[1][k]) << threads << " threads, output " << k;
  }
}

}  // namespace
}  // namespace pf
