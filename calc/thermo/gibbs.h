// Apparent Gibbs energy of one end-member at P (kbar) and T (K), in kJ:
// heat capacity, volume integral, Landau or Bragg-Williams ordering, and for
// fluids, aqueous species and cordierite the terms their names call for.
#pragma once

#include "calc/thermo/dataset.h"
#include "calc/thermo/endmember.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr Real kGasConstant = 0.0083144L;  // kJ/K/mol
inline constexpr Real kReferenceT = 298.15L;      // K
inline constexpr Real kReferenceP = 0.001L;       // kbar

// The run-wide switches the Gibbs energy reads.
struct GibbsSettings {
  int dsmode = 5;
  bool ds6 = false;
  bool fluidByMoleFractions = false;  // fixed-fluid type 6: H2O-CO2 mixing applies
  bool phaseDiagram = false;          // no cordierite channel fluid in phase diagrams
  bool regression = false;            // a dataset regression is running
  bool regressionChannelFluid = false;
  int printLevel = 0;  // the run's diagnostic print setting; 5 shows the Debye-Hueckel numbers
};

GibbsSettings gibbsSettings(const Dataset& ds);

// G of an end-member; io takes the diagnostic lines some faults write.
Real gem(Io& io, const EndMember& em, Real p, Real t, const GibbsSettings& settings);

// The parts of G, for the tables and for tests.
Real heatCapacityTerm(const EndMember& em, Real t);  // G_cp
Real volumeIntegral(Io& io, const EndMember& em, Real p, Real t, int dsmode);
Real landauTerm(Io& io, const EndMember& em, Real p, Real t, int dsmode);
Real braggWilliamsTerm(const EndMember& em, Real p, Real t);
// The Bragg-Williams order parameter and the residual the bisection drives to 0.
Real braggWilliamsQ(const EndMember& em, Real p, Real t);
Real braggWilliamsResidual(const EndMember& em, Real p, Real t, Real q);

}  // namespace pf
