// Bad input that reaches the equations: no reactions, starting guesses out
// of range, points without a solution, the limits of a calculation, a
// system that is not square, fixed activities of 0; and the print-outs of
// the highest diagnostic level.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calc/equilibrium/equations.h"
#include "tests/calc/equilibrium/equilibrium_fixture.h"

namespace pf::testing {
namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(EquationFaults, AssemblageWithoutReactionsIsNotSolved) {
  for (const std::vector<std::string>& phases :
       {std::vector<std::string>{"ol", "ky"}, std::vector<std::string>{"opx"}}) {
    DemoEquilibrium d(phases, at(5, 900, true));
    EXPECT_EQ(d.sys().reactionCount(), 0);
    EXPECT_EQ(d.sys().equationCount(), 0);
    NleResult r = donle(d.sys(), d.console.io);
    EXPECT_EQ(r.code, kCouldNotStart);
    EXPECT_EQ(r.evaluations, 0);
  }
}

// Where ferrosilite and quartz are stable instead, the three phases have no
// composition in common: the solver gives up with finite values.
TEST(EquationFaults, PointWithoutSolutionEndsWithACode) {
  for (bool lineSearch : {true, false}) {
    DemoEquilibrium d({"ol", "opx", "q"}, at(10.37L, 900), {}, 2);
    d.sys().setValue(d.variable("ol"), 0.93L);
    d.sys().setValue(d.variable("opx"), 0.88L);
    NleOptions options = d.sys().settings().solver;
    options.lineSearch = lineSearch;
    NleResult r = donle(d.sys(), d.console.io, options);
    EXPECT_NE(r.code, kConverged);
    EXPECT_TRUE(contains(d.console.text(), "No solution (" + std::to_string(r.code) + "):"));
    for (const Quantity& q : d.sys().quantities()) EXPECT_TRUE(std::isfinite(q.value)) << q.name;
  }
}

TEST(EquationFaults, StartingGuessOutsideItsRange) {
  {  // quiet: the solver cannot start and says so by its code
    DemoEquilibrium d({"ol", "opx", "q"}, at(2.37L, 1049.6L), {}, 0);
    d.sys().setValue(d.variable("ol"), 1.3L);
    EXPECT_EQ(donle(d.sys(), d.console.io).code, kCouldNotStart);
  }
  {  // with diagnostics the run stops, showing where
    DemoEquilibrium d({"ol", "opx", "q"}, at(2.37L, 1049.6L), {}, 1);
    d.sys().setValue(d.variable("ol"), 1.3L);
    Bombed fault = faultOf([&] { donle(d.sys(), d.console.io); });
    EXPECT_EQ(fault.procedure, "nle");
    EXPECT_EQ(fault.message, "illegal start");
    EXPECT_TRUE(contains(d.console.text(), "FAILED in nlefunc, at which stage x was:\n"));
    EXPECT_TRUE(contains(d.console.text(), "       x(ol)"));
    EXPECT_TRUE(contains(d.console.text(), "solver could not start"));
  }
}

// A held composition whose site fractions are not all positive: fatal with
// diagnostics on, a failed evaluation otherwise and in minimisation.
TEST(EquationFaults, NonPositiveSiteFraction) {
  struct Case {
    int printLevel;
    bool minimising;
    bool fatal;
  };
  for (const Case& c : {Case{1, false, true}, Case{0, false, false}, Case{1, true, false}}) {
    DemoEquilibrium d({"ol", "opx", "q"}, at(2.37L, 1049.6L), {}, c.printLevel);
    d.sys().hold(d.variable("ol"), 1.2L);
    NleOptions options = d.sys().settings().solver;
    options.minimising = c.minimising;
    if (c.fatal) {
      Bombed fault = faultOf([&] { donle(d.sys(), d.console.io, options); });
      EXPECT_EQ(fault.procedure, "calca");
      EXPECT_EQ(fault.message, "negative sf term");
      EXPECT_TRUE(contains(d.console.text(), "sorry - try changing starting guesses!"));
      continue;
    }
    EXPECT_EQ(donle(d.sys(), d.console.io, options).code, kCouldNotStart);
    EXPECT_EQ(contains(d.console.text(), "*\n** NOT OK\n"), c.printLevel > 0);
  }
}

TEST(EquationFaults, FixedActivityOfZeroStops) {
  DemoEquilibrium d({"ol", "opx", "q"}, at(2.37L, 1049.6L));
  d.sys().setActivity(d.endMember("q"), 0);
  Bombed fault = faultOf([&] { d.sys().evaluateAtValues(false); });
  EXPECT_EQ(fault.procedure, "fdcheck2");
  EXPECT_EQ(fault.message, "ln<=0");
}

TEST(EquationFaults, BulkSystemMustBeSquare) {
  DemoEquilibrium d({"ol", "opx", "q"}, at(2.37L, 1049.6L, true, false, true));
  d.sys().setBulk(std::vector<Real>{0.45L, 0.35L, 0.2L}, projectionFor(d.assemblage()));
  Bombed fault = faultOf([&] { d.sys().evaluateAtValues(false); });
  EXPECT_EQ(fault.procedure, "nlefunc");
  EXPECT_EQ(fault.message, "non-square jacobian");
  EXPECT_TRUE(contains(d.console.text(), "row 5 (2, 3, 0)\ncol 6 (3, 3)\n"));
}

// In minimisation a bulk outside the reduced system fails the point only.
TEST(EquationFaults, BulkOutsideReducedSystemInMinimisation) {
  AssemblagePlan plan;
  DemoEquilibrium d({"ab", "jd", "q"}, at(15, 873.4L, true, false, true), plan, 1);
  d.sys().setBulk(std::vector<Real>{0.7L, 0.14L, 0.16L}, projectionFor(d.assemblage()));
  d.sys().hold(d.sys().modeQuantity(d.phase("q")), 0);
  NleOptions options = d.sys().settings().solver;
  options.minimising = true;
  EXPECT_EQ(donle(d.sys(), d.console.io, options).code, kCouldNotStart);
  EXPECT_TRUE(
      contains(d.console.text(), "residuals not in reduced system - shouldn't have happened?"));
}

// An a-x text with `copies` copies of one demo solution, named apart.
std::string copiesOf(const std::string& phase, int copies) {
  const std::string& text = demoAxText();
  std::size_t start = text.find("\n" + phase + "  ");
  std::size_t end = text.find("\n%", start + 1);
  std::string block = text.substr(start + 1, end - start - 1);
  std::string out;
  for (int k = 1; k <= copies; ++k) {
    std::string copy = block;
    std::string name = phase + std::to_string(k);
    copy.replace(0, phase.size(), name);
    for (std::size_t at = copy.find("(" + phase + ")"); at != std::string::npos;
         at = copy.find("(" + phase + ")", at + 1))
      copy.replace(at, phase.size() + 2, "(" + name + ")");
    out += copy + "\n";
  }
  return out + "*\n";
}

TEST(EquationFaults, LimitsOfACalculation) {
  struct Case {
    std::string phase;
    int copies;
    bool modes;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"g", 25, false, "too many variables"},                      // 2 + 75 quantities
      {"g", 23, true, "too many modes"},                           // 2 + 69 + 23
      {"g", 8, false, "too many varlims"},                         // 40 variable limits
      {"opx", 8, false, "no site fractions not handled too big"},  // 32 site fractions
      {"g", 51, false, "too many end-members"},                    // 204
  };
  for (const Case& c : cases) {
    AxRead read;
    read.read(copiesOf(c.phase, c.copies));
    read.attachRecords();
    ASSERT_EQ(read.tables.solutionCount(), c.copies);
    Console console;
    Bombed fault = faultOf([&] {
      AssemblagePlan plan;
      for (int s = 0; s < c.copies; ++s) plan.solutions.push_back(s);
      EquilibriumSystem system(console.io, read.tables, makeAssemblage(read.tables, plan), {},
                               quietSettings(console.io));
      system.makecrossrefs(at(5, 900, true, true, c.modes));
    });
    EXPECT_EQ(fault.procedure, "makecrossrefs") << c.message;
    EXPECT_EQ(fault.message, c.message);
  }
}

// infolevel 4: ln K, the activity derivatives against differences, the
// phase compositions, their derivatives and the projection.
TEST(EquationFaults, HighestDiagnosticLevelPrintsTheChecks) {
  DemoEquilibrium d({"ol", "opx", "q"}, at(2.37L, 1049.6L, false, false, true), {}, 4);
  d.sys().setBulk(std::vector<Real>{0.52L, 0.29L, 0.19L}, projectionFor(d.assemblage()));
  d.sys().setValue(d.variable("ol"), 0.85L);
  d.sys().setValue(d.variable("opx"), 0.7L);
  donle(d.sys(), d.console.io);
  const std::string text = d.console.text();
  for (const char* part :
       {"\nln k\n", "\ndifference with fd  ol\n", "\ndifference with fd  opx\n", "\ncompcalc\n",
        "\ndcompdx\n", "\ndifference with fd\n", "\nprojc  (rankdeficit = 0)\n"})
    EXPECT_TRUE(contains(text, part)) << part;
}

}  // namespace
}  // namespace pf::testing
