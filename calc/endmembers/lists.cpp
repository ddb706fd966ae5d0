#include "calc/endmembers/lists.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "calc/thermo/components.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

constexpr Real kNearWhole = 0.01L;  // amounts this close to a whole number print as one

// The row a token names, or 0.
int rowOf(const std::string& token, const OxideTable& oxides) {
  if (sstringkind(token) == kInteger) {
    // a number too large to read names no row, like any other out of range
    int row = 0;
    std::string message;
    if (!readInteger(token, row, message)) return 0;
    return row >= 1 && row <= kOxideCount ? row : 0;
  }
  for (int row = 1; row <= kOxideCount; ++row)
    if (oxides[row - 1].element == token) return row;
  for (int row = 1; row <= kOxideCount; ++row)
    if (oxides[row - 1].oxide == token) return row;
  return 0;
}

bool withinSystem(const ComponentAmounts& amounts, const ChosenRows& chosen) {
  for (int row = 1; row <= kOxideCount; ++row)
    if (!chosen[row] && holdsAmount(amounts[row])) return false;
  return true;
}

void writeHeader(Io& io, const OxideTable& oxides, const ChosenRows& chosen) {
  std::string line = blanks(kListNameWidth);
  for (int row = 1; row <= kListColumns; ++row)
    if (chosen[row]) addfield(line, oxides[row - 1].oxide, kListAmountWidth);
  io.putstr(1, line, 1, kToAll);
}

void listEntry(Io& io, const EndMember& em, const OxideTable& oxides, const ChosenRows& chosen,
               Listing& listing) {
  const ComponentAmounts amounts = componentAmounts(em, oxides);
  if (!withinSystem(amounts, chosen)) return;
  ++listing.counter;
  if (listing.counter % kListHeaderEvery == 0) writeHeader(io, oxides, chosen);
  std::string line;
  addfield(line, em.name, kListNameWidth);
  for (int row = 1; row <= kListColumns; ++row)
    if (chosen[row]) addfield(line, amountText(amounts[row]), kListAmountWidth);
  io.putstr(0, line, 1, kToAll);
}

}  // namespace

ChosenRows chooseSystem(const Tokens& answer, const OxideTable& oxides) {
  ChosenRows chosen{};
  bool any = false;
  for (int k = 1; k <= answer.count; ++k) {
    int row = rowOf(answer[k], oxides);
    if (row == 0) continue;
    chosen[row] = true;
    any = true;
  }
  if (!any) std::fill(chosen.begin() + 1, chosen.end(), true);
  return chosen;
}

std::string amountText(Real amount) {
  Real whole = std::round(amount);
  if (std::fabs(amount - whole) < kNearWhole) return realToText(whole, 0, Digits::fixed);
  return realToText(amount, 1, Digits::fixed);
}

void listSystem(Io& io, Dataset& ds, const OxideTable& oxides, const ChosenRows& chosen,
                Listing& listing) {
  for (int first = 1; first <= ds.entries; first += kListBatch) {
    int last = std::min(ds.entries, first + kListBatch - 1);
    std::vector<std::string> batch(ds.names.begin() + first, ds.names.begin() + last + 1);
    makep(ds, batch);
    readformulae(ds);
    for (int k = 1; k <= ds.endMembers; ++k) listEntry(io, ds.em[k], oxides, chosen, listing);
  }
}

void listEndMembers(Io& io, const OxideTable& oxides, const std::string& datasetPreference) {
  Dataset ds;
  setuptextread(io, ds, datasetPreference);
  std::string offered = "components:";
  for (int row = 1; row <= kComponentsOffered; ++row) offered += oxides[row - 1].oxide + " ";
  io.putstr(1, offered, 1, kToConsoleLog);
  Tokens answer;
  promptstrings(io, "which system?", answer);
  Listing listing;
  listSystem(io, ds, oxides, chooseSystem(answer, oxides), listing);
}

}  // namespace pf
