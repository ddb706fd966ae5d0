// Fluid end-members (CORK, corresponding-states CORK, Pitzer-Sterner), the
// H2O-CO2 mixing term, the cordierite channel fluid and aqueous species.
// P in kbar, T in K, volumes in kJ/kbar, energies in kJ.
#pragma once

#include "calc/thermo/endmember.h"
#include "calc/thermo/gibbs.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

struct FluidState {
  Real volume = 0;  // kJ/kbar
  Real rtlnf = 0;   // R T ln f, f relative to 1 bar (kJ)
};

// The model a fluid's name selects: Pitzer-Sterner for H2O and CO2 with a
// sixth-generation dataset, CORK otherwise.
FluidState fluidModel(Io& io, Fluid fluid, Real p, Real t, bool ds6);

FluidState corkH2O(Real p, Real t);
FluidState corkCO2(Real p, Real t);
FluidState correspondingStatesCork(Real tcrit, Real pcrit, Real p, Real t);
FluidState pitzerSterner(Io& io, Fluid fluid, Real p, Real t);  // H2O or CO2

// Saturation pressure of the H2O CORK below 695 K (at least 0.001 kbar).
Real h2oSaturationPressure(Real t);

// Modified Redlich-Kwong volume by Newton iteration from vStart; a step
// below b restarts from 1.001 b when p > restartP, else from RT/P.
Real findVs(Real a, Real b, Real p, Real t, Real vStart, Real restartP);
// ln of the fugacity coefficient of the MRK core at volume v.
Real mrkLnPhi(Real a, Real b, Real p, Real t, Real v);

// The terms of G that the fluid composition in slots 27 and 28 brings.
Real h2oCo2MixingTerm(Io& io, Fluid fluid, Real xco2, Real xh2o, Real p, Real t, bool ds6);
Real channelFluidTerm(Io& io, const EndMember& em, Real p, Real t, const GibbsSettings& settings);
Real aqueousTerm(Io& io, const EndMember& em, Real p, Real t, const GibbsSettings& settings);

// Dielectric constant of water from its density (g/cm3) and T (K).
Real waterDielectricConstant(Real density, Real t);
// Debye-Hueckel A (log10 gamma, kg^1/2 mol^-1/2) and B (1/m kg^1/2 mol^-1/2)
// of the H2O-CO2 solvent; the mole fractions are normalised here.
struct DebyeHuckel {
  Real a = 0;
  Real b = 0;
};
DebyeHuckel debyeHuckelParameters(Io& io, Real xh2o, Real xco2, Real p, Real t, bool ds6);

}  // namespace pf
