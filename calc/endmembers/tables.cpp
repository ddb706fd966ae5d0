#include "calc/endmembers/tables.h"

#include "common/prompts.h"

namespace pf {

TableSettings tableSettings(const Dataset& ds) {
  TableSettings settings;
  settings.gibbs = gibbsSettings(ds);
  settings.thirdExpansion = ds.thirdExpansion;
  return settings;
}

void runTables(Io& io, const RunEndMembers& run, const TableSettings& settings,
               const ReactionFinder& findReactions) {
  propertyTable(io, run, settings);
  if (io.isOpen(kSecondFile)) assignmentBlock(io, run, settings);
  if (query(io, "G tables")) gTables(io, run, settings, PTgrid(io));
  if (query(io, "linearised reaction thermo")) {
    ReactionRows reactions = findReactions ? findReactions(io, run) : ReactionRows{};
    linearisedReactions(io, run, settings, reactions);
  }
  if (query(io, "H2O and CO2 fugacity tables")) fugacityTables(io, settings, PTgrid(io));
  if (query(io, "H2O and CO2 volume tables")) volumeTables(io, settings, PTgrid(io));
}

}  // namespace pf
