// Lists of end-members (calculation mode 4): the dataset's end-members whose
// formulae lie within a system of components that the user names, with the
// amount of each component. Only formulae are read: no properties, no script
// and no a-x file.
#pragma once

#include <array>
#include <string>

#include "calc/settings/oxides.h"
#include "calc/thermo/dataset.h"
#include "common/io.h"
#include "common/real.h"
#include "common/tokens.h"

namespace pf {

inline constexpr int kListBatch = 25;          // dataset entries read at a time
inline constexpr int kComponentsOffered = 17;  // rows named before the question
inline constexpr int kListColumns = 14;        // rows a listing can show as columns
inline constexpr int kListHeaderEvery = 31;    // listed lines per column header
inline constexpr int kListNameWidth = 8;
inline constexpr int kListAmountWidth = 7;

// The chosen oxide-table rows, [1..kOxideCount] (index 0 unused).
using ChosenRows = std::array<bool, kOxideCount + 1>;

// The rows an answer chooses: a row number 1 to 19, an element symbol or an
// oxide name each choose one row (exact match, symbols first); other tokens
// choose nothing. An answer that chooses nothing chooses every row.
ChosenRows chooseSystem(const Tokens& answer, const OxideTable& oxides);

// An amount as the listing prints it: a whole number when it lies within
// 0.01 of one, else one decimal.
std::string amountText(Real amount);

// The line counter runs across a whole listing, from -1.
struct Listing {
  int counter = -1;
};

// Writes the listing of every dataset entry within the chosen system, reading
// the formulae kListBatch entries at a time; the set-up pass must have run.
void listSystem(Io& io, Dataset& ds, const OxideTable& oxides, const ChosenRows& chosen,
                Listing& listing);

// One pass of mode 4: the dataset question and set-up pass, the components,
// "which system?", and the listing.
void listEndMembers(Io& io, const OxideTable& oxides, const std::string& datasetPreference);

}  // namespace pf
