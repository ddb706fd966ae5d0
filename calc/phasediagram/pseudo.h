// Modes of an assemblage for a bulk composition: the composition matrix of
// its phases (`makecomp`), the mass balance (`makepseudo`), the Gibbs energy
// of the assemblage for the bulk, the chemical potentials of the components,
// and their output (the modes row, the "mu" and "bulk" lines, the rock bulk
// lines for the log, the drawing file's modes block).
#pragma once

#include <string>
#include <vector>

#include "calc/equilibrium/equations.h"
#include "calc/phasediagram/bulk.h"
#include "calc/settings/windows.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

// A mass balance is consistent when no component misses its bulk amount by
// more than kMassBalanceResidual (mol fraction), and no phase amount lies
// below kNegativeMode (zero modes come back as tiny negative numbers).
inline constexpr Real kMassBalanceResidual = 1e-8L;
inline constexpr Real kNegativeMode = -1e-9L;

// A linear system A x = b (rows by columns, A row-major) solved by
// elimination with complete pivoting: exact (to rounding) for a square
// consistent system; for an over-determined one the equations beyond the
// rank must be met by the solution; columns beyond the rank are set to 0.
// `determined[k]`: x[k] is fixed by the equations (not free, and not mixed
// with a free column).
struct LinearSolution {
  std::vector<Real> x;
  std::vector<bool> determined;
  int rank = 0;
  Real residual = 0;  // largest |A x - b|
};
LinearSolution solveLinear(int rows, int cols, const std::vector<Real>& a,
                           const std::vector<Real>& b);

// `makecomp`: composition matrix of the phases of the system at its last
// evaluation, [component][phase] row-major, per formula unit of the mode
// basis. Fatal ("makec") when the system's unknowns differ from `unknowns`.
std::vector<Real> makecomp(EquilibriumSystem& sys, int unknowns);

// The modes of the assemblage for one bulk (mol fractions).
struct PseudoResult {
  bool consistent = false;
  std::vector<Real> composition;        // `makecomp`'s matrix the amounts balance
  std::vector<Real> amounts;            // solution of bulk = composition matrix x amounts
  std::vector<Real> modes;              // amounts over their total
  std::vector<Real> modesWithoutFluid;  // over the total of the phases not in excess as fluid
  Real residual = 0;
  Real G = 0;  // of the assemblage for the bulk (kJ)
  bool hasG = false;
};

// `makepseudo` at one bulk: the phases' compositions and amounts,
// `fluidPhase[j]` marking the phases in excess as fluid.
PseudoResult makepseudo(EquilibriumSystem& sys, const std::vector<Real>& bulk, int unknowns,
                        const std::vector<bool>& fluidPhase);

// Gibbs energy of phase j per formula unit of the mode basis, at the
// system's last evaluation (kJ).
Real phaseG(const EquilibriumSystem& sys, int phase);

// Chemical potentials of the components from the end-members of the
// assemblage; `known[c]` false where the phases leave one undetermined.
struct ComponentPotentials {
  std::vector<Real> mu;
  std::vector<bool> known;
};
ComponentPotentials componentPotentials(const EquilibriumSystem& sys);

// ---- output ---------------------------------------------------------------

struct ModesRowOptions {
  std::string extraHead;   // "G", or empty
  bool uncertain = false;  // some proportion outside [0, 1] let through
  bool xco2Set = false;
  Real xco2 = 0;
};
// The modes row of a point: head and values of the phases not in excess as
// fluid, and the extra column.
void modesRow(Io& io, const std::vector<std::string>& phases, const std::vector<bool>& fluidPhase,
              const PseudoResult& r, const ModesRowOptions& o, unsigned mask);
// "mu" line, and "bulk" line when a bulk is known (`bulk` empty: none).
void muBulkLines(Io& io, const std::vector<std::string>& components, const ComponentPotentials& mu,
                 const std::vector<Real>& bulk, unsigned mask);
// The log's rock bulk lines: the modes and each phase's composition, ready
// to be pasted into a script.
void rockBulkLines(Io& io, const std::vector<std::string>& phases,
                   const std::vector<bool>& fluidPhase, const std::vector<std::string>& components,
                   const std::vector<Real>& composition, const PseudoResult& r, bool elementBasis);
// The drawing file's modes block of a point.
void modesBlock(Io& io, Real P, Real TCelsius, const std::vector<std::string>& phases,
                const PseudoResult& r);

// `calcwt`: a phase's component amounts as mol% of the oxides; fatal
// ("calcwt") when they sum to zero or one is negative.
std::vector<Real> calcwt(Io& io, const std::vector<Real>& amounts);
// The bulk information of a point (script switch printbulkinfo): each
// phase's composition as oxide mol% by `calcwt`, one row a phase ending
// in " ==>". `composition`: [component][phase] row-major.
void molPercentRows(Io& io, const std::vector<std::string>& phases,
                    const std::vector<std::string>& components,
                    const std::vector<Real>& composition, unsigned mask);

}  // namespace pf
