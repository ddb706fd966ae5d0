// Gibbs energy tables of the chosen end-members over the table axes.
#include <string>
#include <vector>

#include "calc/endmembers/table_text.h"
#include "calc/endmembers/tables.h"
#include "calc/thermo/gibbs.h"
#include "common/numbers.h"

namespace pf {

namespace {

std::string gHeading(const TableAxes& axes) {
  std::string line;
  addfield(line, "kbar", 7);
  addfield(line, "", 3);
  for (Real t : axes.t) addfield(line, t - kCelsiusOffset, 0, Digits::fixed, 10);
  return line;
}

void gTable(Io& io, const std::string& name, EndMember em, const TableSettings& settings,
            const TableAxes& axes) {
  // pure end-members: no fluid composition enters
  em.slot[kXCO2] = 0;
  em.slot[kXH2O] = 0;
  std::vector<std::vector<Real>> rows;
  for (Real p : axes.p) {
    std::vector<Real>& row = rows.emplace_back();
    for (Real t : axes.t) row.push_back(gem(io, em, p, t, settings.gibbs));
  }
  io.putstr(1, "G(" + name + ")", 1, kToAll);
  io.putstr(0, gHeading(axes), 1, kToAll);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::string line;
    addfield(line, axes.p[i], 1, Digits::fixed, 7);
    addfield(line, "", 3);
    for (Real g : rows[i]) addfield(line, g, 2, Digits::fixed, 10);
    io.putstr(0, line, 1, kToAll);
  }
  tabletext::writeGrid(io, "G[" + name + "] ^= {", rows, 5, 11);
}

}  // namespace

void gTables(Io& io, const RunEndMembers& run, const TableSettings& settings,
             const TableAxes& axes) {
  tabletext::writeLines(io, tabletext::listLines("lp = {", axes.p, 3, 8, "}"), kToSecondFile);
  tabletext::writeLines(io, tabletext::listLines("lt = {", tabletext::celsius(axes.t), 1, 8, "}"),
                        kToSecondFile);
  for (int e = 1; e <= run.count(); ++e) gTable(io, run.names[e], run.em[e], settings, axes);
}

}  // namespace pf
