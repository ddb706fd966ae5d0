// Fugacity and volume tables of the fluids, from the same fluid models that
// the Gibbs energy of fluid end-members uses.
#include <string>
#include <vector>

#include "calc/endmembers/table_text.h"
#include "calc/endmembers/tables.h"
#include "calc/thermo/fluids.h"
#include "common/numbers.h"

namespace pf {

namespace {

struct FluidColumn {
  Fluid fluid;
  const char* title;    // main output
  const char* listKey;  // second results file
};

enum class Quantity { rtlnf, volume };

void fluidTable(Io& io, const FluidColumn& column, Quantity quantity, const TableSettings& settings,
                const TableAxes& axes) {
  std::vector<std::vector<Real>> rows;
  for (Real p : axes.p) {
    std::vector<Real>& row = rows.emplace_back();
    for (Real t : axes.t) {
      FluidState state = fluidModel(io, column.fluid, p, t, settings.gibbs.ds6);
      row.push_back(quantity == Quantity::rtlnf ? state.rtlnf : state.volume);
    }
  }
  io.putstr(1, column.title, 1, kToAll);
  std::string heading;
  addfield(heading, "kbar", 8);
  for (Real t : axes.t) addfield(heading, t - kCelsiusOffset, 0, Digits::fixed, 8);
  io.putstr(0, heading, 1, kToAll);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::string line;
    addfield(line, axes.p[i], 1, Digits::fixed, 8);
    for (Real value : rows[i]) addfield(line, value, 3, Digits::fixed, 8);
    io.putstr(0, line, 1, kToAll);
  }
  tabletext::writeGrid(io, std::string(column.listKey) + " = {", rows, 5, 11);
}

void fluidTables(Io& io, const std::vector<FluidColumn>& columns, Quantity quantity,
                 const char* pressureKey, const char* temperatureKey, const TableSettings& settings,
                 const TableAxes& axes) {
  tabletext::writeLines(io, tabletext::listLines(pressureKey, axes.p, 3, 8, "}"), kToSecondFile);
  tabletext::writeLines(io,
                        tabletext::listLines(temperatureKey, tabletext::celsius(axes.t), 1, 8, "}"),
                        kToSecondFile);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) io.putstr(1, "same PT grid", 0, kToAll);
    fluidTable(io, columns[i], quantity, settings, axes);
  }
}

}  // namespace

void fugacityTables(Io& io, const TableSettings& settings, const TableAxes& axes) {
  static const std::vector<FluidColumn> columns = {
      {Fluid::H2O, "RT ln f(H2O)", "rtlnfh2o"}, {Fluid::CO2, "RT ln f(CO2)", "rtlnfco2"},
      {Fluid::CH4, "RT ln f(CH4)", "rtlnfch4"}, {Fluid::H2, "RT ln f(H2)", "rtlnfh2"},
      {Fluid::H2S, "RT ln f(H2S)", "rtlnfh2s"}, {Fluid::S2, "RT ln f(S2)", "rtlnfs2"}};
  fluidTables(io, columns, Quantity::rtlnf, "flp = {", "flt = {", settings, axes);
}

void volumeTables(Io& io, const TableSettings& settings, const TableAxes& axes) {
  static const std::vector<FluidColumn> columns = {{Fluid::H2O, "V(H2O)", "vh2o"},
                                                   {Fluid::CO2, "V(CO2)", "vco2"}};
  fluidTables(io, columns, Quantity::volume, "vlp = {", "vlt = {", settings, axes);
}

}  // namespace pf
