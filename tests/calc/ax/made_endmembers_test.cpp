// The data end-members use inside their phases: made end-members, the
// Landau ordering frozen in at 298.15 K, DQF and the order switches.
#include "calc/ax/made_endmembers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calc/thermo/gibbs.h"
#include "tests/calc/ax/ax_fixture.h"

namespace pf::testing {
namespace {

const EndMember& demoRecord(const std::string& name) {
  static const Dataset ds = [] {
    Dataset d = demoSetup();
    makep(d, {"fo", "fa", "q", "sill", "ky", "H2O"});
    readthermo(d);
    return d;
  }();
  for (int k = 1; k <= ds.endMembers; ++k)
    if (ds.em[static_cast<std::size_t>(k)].name == name) return ds.em[static_cast<std::size_t>(k)];
  ADD_FAILURE() << name;
  return ds.em[1];
}

Real g(const EndMember& em, Real p, Real t) {
  Console quiet;
  GibbsSettings s;
  s.dsmode = 5;
  s.ds6 = true;
  return gem(quiet.io, em, p, t, s);
}

TEST(MadeEndMembers, SumsOfTheConstituents) {
  AxRead read;
  read.read("fm make 2 fo 1/2 fa 1/2\nkq make 3 ky 1 q -1 sill 1/3\n");
  read.attachRecords();
  const EndMember& fm = read.tables.pures[0].record;
  const EndMember& fo = demoRecord("fo");
  const EndMember& fa = demoRecord("fa");
  for (int slot = kEnthalpy; slot <= kCpd; ++slot)
    EXPECT_NEAR(
        fm.slot[static_cast<std::size_t>(slot)],
        (fo.slot[static_cast<std::size_t>(slot)] + fa.slot[static_cast<std::size_t>(slot)]) / 2,
        1e-15L)
        << slot;
  auto amounts = elementAmounts(fm);
  EXPECT_EQ(amounts[5], 1);   // Mg
  EXPECT_EQ(amounts[4], 1);   // Fe
  EXPECT_EQ(amounts[1], 1);   // Si
  EXPECT_EQ(amounts[10], 4);  // O
  // the bulk modulus of the made volume keeps its reference compressibility
  Real v = fm.slot[kVolume];
  Real compliance = (fo.slot[kVolume] / fo.slot[kKappa0] + fa.slot[kVolume] / fa.slot[kKappa0]) / 2;
  EXPECT_NEAR(fm.slot[kKappa0], v / compliance, 1e-12L);
  EXPECT_NEAR(fm.slot[kAlpha0],
              (fo.slot[kVolume] * fo.slot[kAlpha0] + fa.slot[kVolume] * fa.slot[kAlpha0]) / 2 / v,
              1e-20L);
  EXPECT_EQ(fm.slot[kLandauT], 0);
  EXPECT_EQ(fm.slot[kSmax], -1);

  // ky - q + sill/3: q brings its ordering at 298.15 K, the others none
  const EndMember& kq = read.tables.pures[1].record;
  const EndMember& q = demoRecord("q");
  Real tc = q.slot[kLandauT];
  Real order = std::sqrt(1 - 298.15L / tc);
  Real h = demoRecord("ky").slot[kEnthalpy] - q.slot[kEnthalpy] +
           demoRecord("sill").slot[kEnthalpy] / 3 -
           q.slot[kSmax] * tc * order * (1 - order * order / 3);
  EXPECT_NEAR(kq.slot[kEnthalpy], h, 1e-12L);
  EXPECT_NEAR(kq.slot[kEntropy],
              demoRecord("ky").slot[kEntropy] - q.slot[kEntropy] +
                  demoRecord("sill").slot[kEntropy] / 3 - q.slot[kSmax] * order,
              1e-15L);
  EXPECT_NEAR(kq.slot[kVolume],
              demoRecord("ky").slot[kVolume] - q.slot[kVolume] +
                  demoRecord("sill").slot[kVolume] / 3 - q.slot[kVmax] * order,
              1e-15L);
  // sill's Bragg-Williams ordering does not survive a combination
  EXPECT_EQ(kq.slot[kSfn], 0);
}

TEST(MadeEndMembers, ACopyOfOneEndMemberBehavesLikeIt) {
  AxRead read;
  read.read("fo1 make 1 fo 1\nsill1 make 1 sill 1\n");
  read.attachRecords();
  for (const char* name : {"fo", "sill"}) {
    const EndMember& copy = read.tables.pures[std::string(name) == "fo" ? 0 : 1].record;
    for (Real t : {500.0L, 873.0L, 1150.0L})
      for (Real p : {0.001L, 8.0L, 21.5L})
        EXPECT_NEAR(g(copy, p, t), g(demoRecord(name), p, t), 1e-9L) << name;
  }
}

// G gains a + bT + cP, exactly in a and b and to first order in the volume.
TEST(MadeEndMembers, DqfIncrements) {
  AxRead read;
  read.read("fa1 make 1 fa 1 DQF 2.5 -0.0031 0\nfa2 make 1 fa 1 DQF 2.5 -0.0031 0.02\n");
  read.attachRecords();
  const EndMember& fa = demoRecord("fa");
  for (Real t : {600.0L, 1021.0L}) {
    for (Real p : {0.001L, 3.7L, 18.2L}) {
      Real base = g(fa, p, t);
      EXPECT_NEAR(g(read.tables.pures[0].record, p, t) - base, 2.5L - 0.0031L * t, 1e-9L);
      Real volumeTerm = g(read.tables.pures[1].record, p, t) - base - (2.5L - 0.0031L * t);
      Real firstOrder = 0.02L * p;
      EXPECT_NEAR(volumeTerm, firstOrder, 0.05L * std::fabs(firstOrder) + 1e-12L) << p << " " << t;
    }
  }
}

TEST(MadeEndMembers, OrderSwitches) {
  AxRead read;
  read.read("q1 make 1 q 1 DQF unlandau 0 0 0\nsill1 make 1 sill 1 DQF makeordered 0 0 0\n");
  read.attachRecords();
  const EndMember& q = read.tables.pures[0].record;
  EXPECT_EQ(q.slot[kLandauT], 0);
  EXPECT_EQ(q.slot[kSmax], -1);
  EXPECT_EQ(q.slot[kVmax], -1);
  EXPECT_EQ(landauTerm(read.console.io, q, 5, 873, 5), 0);
  const EndMember& sill = read.tables.pures[1].record;
  for (int slot = kSfdh; slot <= kSffac; ++slot)
    EXPECT_EQ(sill.slot[static_cast<std::size_t>(slot)], 0);
  EXPECT_EQ(braggWilliamsTerm(sill, 5, 873), 0);
  EXPECT_NE(braggWilliamsTerm(demoRecord("sill"), 5, 873), 0);
}

TEST(MadeEndMembers, NamesTheDatasetMustProvide) {
  AxRead& demo = demoAx();
  PhaseSelection choice;
  choice.solutions.assign(demo.tables.solutions.size(), false);
  choice.pures.assign(demo.tables.pures.size(), false);
  choice.solutions[static_cast<std::size_t>(demo.tables.findSolution("ol"))] = true;
  choice.solutions[static_cast<std::size_t>(demo.tables.findSolution("fluid"))] = true;
  choice.pures[static_cast<std::size_t>(demo.tables.findPure("fodqf"))] = true;
  choice.pures[static_cast<std::size_t>(demo.tables.findPure("H2O"))] = true;
  EXPECT_EQ(makename(demo.tables, choice), (std::vector<std::string>{"fo", "fa", "H2O", "CO2"}));
}

TEST(MadeEndMembers, MadeEndMembersOfSolutionsAreMarked) {
  AxRead read;
  read.read(
      "od 3 1  x(od) 0.3  Q(od) 0.1  p(fo) 1 1 1 2 -1 x(od) -1/2 Q(od)  p(fa) 1 1 0 2 1 x(od) -1/2 "
      "Q(od)  "
      "p(fm) 1 1 0 1 1 Q(od)  ideal  4  xMgA 1 1 1 2 -1 x(od) -1/2 Q(od)  xFeA 1 1 0 2 1 x(od) 1/2 "
      "Q(od)  "
      "xMgB 1 1 1 2 -1 x(od) 1/2 Q(od)  xFeB 1 1 0 2 1 x(od) -1/2 Q(od)  "
      "fo 1 2 xMgA 1 xMgB 1  fa 1 2 xFeA 1 xFeB 1  fm 1 2 xFeA 1 xMgB 1 make 2 fo 1/2 fa 1/2\n");
  read.attachRecords();
  const SolutionPhase& od = read.solution("od");
  EXPECT_EQ(od.endMembers[2].record.slot[kMadePhase], 1);
  EXPECT_EQ(od.endMembers[2].record.slot[kMadeMark], 3);
  EXPECT_EQ(od.endMembers[0].record.slot[kMadeMark], 0);
  // fm is fo and fa half and half: its activity formed from theirs
  ASSERT_EQ(od.endMembers[2].dependsOn.size(), 2u);
  ActivityResult r;
  calca(od, od.guesses(), 5, 873, 0, ActivityContext{&read.console.io, true}, r);
  EXPECT_NEAR(dependentActivity(nullptr, od, 2, r, false), std::sqrt(r.a[0] * r.a[1]), 1e-18L);
}

}  // namespace
}  // namespace pf::testing
