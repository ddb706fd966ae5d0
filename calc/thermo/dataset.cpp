#include "calc/thermo/dataset.h"

#include <cfloat>
#include <cmath>
#include <string_view>

#include "common/bomb.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/session.h"
#include "common/text.h"
#include "common/tokens.h"

namespace pf {

namespace {

constexpr const char* kSetup = "setuptextread";
constexpr const char* kRead = "readthermo";
constexpr const char* kSelect = "makep";

constexpr Real kT0 = 298.15L;
constexpr Real kDkdtAbsoluteAbove = 0.0002L;  // a dK/dT this large is absolute, not relative

// Property items in file order, by number of property values.
constexpr std::array<const char*, 9> kItems9 = {"enthalpy", "entropy", "volume", "cpa",  "cpb",
                                                "cpc",      "cpd",     "alpha1", "kappa"};
constexpr std::array<const char*, 11> kItems11 = {"enthalpy", "entropy", "volume",  "cpa",
                                                  "cpb",      "cpc",     "cpd",     "alpha0",
                                                  "kappa0",   "kappa0p", "kappa0pp"};
constexpr std::array<const char*, 12> kItems12 = {"enthalpy", "entropy", "volume",     "cpa",
                                                  "cpb",      "cpc",     "cpd",        "alpha1",
                                                  "alpha2",   "kappa",   "kappaprime", "dkappadT"};
constexpr std::array<const char*, 13> kItems13 = {
    "enthalpy", "entropy", "volume", "cpa",   "cpb",        "cpc",     "cpd",
    "alpha1",   "alpha2",  "alpha3", "kappa", "kappaprime", "dkappadT"};
constexpr std::array<const char*, 3> kLandauItems = {"landaut", "smax", "vmax"};
constexpr std::array<const char*, 6> kBraggWilliamsItems = {"sfdh", "sfdhv", "sfw",
                                                            "sfwv", "sfn",   "sffac"};

const char* propertyItem(int values, int k) {
  switch (values) {
    case 9:
      return kItems9[k - 1];
    case 11:
      return kItems11[k - 1];
    case 12:
      return kItems12[k - 1];
    default:
      return kItems13[k - 1];
  }
}

// Reads a real as the file writes it; a '+' before the number or its
// exponent is accepted, since the calculator writes exponents as "e+".
bool fileReal(std::string_view token, Real& value) {
  std::string text(token);
  if (!text.empty() && text[0] == '+') text.erase(0, 1);
  for (std::size_t i = 1; i + 1 < text.size(); ++i)
    if ((text[i] == 'e' || text[i] == 'E') && text[i + 1] == '+') text.erase(i + 1, 1);
  std::string message;
  return readReal(text, value, message);
}

bool fileInteger(std::string_view token, int& value) {
  std::string message;
  return readInteger(token, value, message);
}

std::vector<std::string_view> blankSeparated(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && isBlank(line[at])) ++at;
    std::size_t start = at;
    while (at < line.size() && !isBlank(line[at])) ++at;
    if (at > start) tokens.push_back(line.substr(start, at - start));
  }
  return tokens;
}

// Blank-separated tokens of the file's lines, taken in order across line
// ends, never past a given last line.
class Cursor {
 public:
  Cursor(const std::vector<std::string>& lines, std::size_t line) : lines_(lines), line_(line) {}

  bool next(std::string_view& token, std::size_t lastLine) {
    while (line_ < lines_.size() && line_ <= lastLine) {
      std::string_view text = lines_[line_];
      while (column_ < text.size() && isBlank(text[column_])) ++column_;
      if (column_ < text.size()) {
        std::size_t start = column_;
        while (column_ < text.size() && !isBlank(text[column_])) ++column_;
        token = text.substr(start, column_ - start);
        return true;
      }
      ++line_;
      column_ = 0;
    }
    return false;
  }
  std::size_t line() const { return line_; }

 private:
  const std::vector<std::string>& lines_;
  std::size_t line_;
  std::size_t column_ = 0;
};

std::size_t entryFirstLine(const Dataset& ds, int entry) {
  return static_cast<std::size_t>(ds.firstEntryLine) +
         static_cast<std::size_t>(entry - 1) * static_cast<std::size_t>(ds.linesPerEntry());
}

// The values of one entry, which must all lie on the entry's own lines.
class EntryReader {
 public:
  EntryReader(const Dataset& ds, int entry)
      : cursor_(ds.lines, entryFirstLine(ds, entry)),
        lastLine_(entryFirstLine(ds, entry) + static_cast<std::size_t>(ds.linesPerEntry()) - 1),
        label_("entry " + std::to_string(entry) + " (" + ds.names[entry] + ")") {}

  std::string_view token(const std::string& item) {
    std::string_view text;
    if (!cursor_.next(text, lastLine_)) bomb(kRead, label_ + " ends before its " + item);
    return text;
  }
  Real real(const std::string& item) {
    std::string_view text = token(item);
    Real value;
    if (!fileReal(text, value))
      bomb(kRead, label_ + ": " + item + " " + quoted(text) + " is not a number");
    return value;
  }
  int integer(const std::string& item) {
    std::string_view text = token(item);
    int value;
    if (!fileInteger(text, value))
      bomb(kRead, label_ + ": " + item + " " + quoted(text) + " is not an integer");
    return value;
  }
  [[noreturn]] void fault(const std::string& what) { bomb(kRead, label_ + ": " + what); }

 private:
  Cursor cursor_;
  std::size_t lastLine_;
  std::string label_;
};

bool blankLine(std::string_view line) {
  return blankBounds(line).first == 0;
}

[[noreturn]] void fileEndsIn(const Dataset& ds, int entry) {
  bomb(kSetup, "file ends before the end of entry " + std::to_string(entry) + " of " +
                   std::to_string(ds.entries));
}

void readEntryCount(Dataset& ds) {
  if (ds.lines.empty() || blankLine(ds.lines[0]))
    bomb(kSetup, "no number of end-members on line 1");
  std::string_view first = blankSeparated(ds.lines[0]).front();
  int count;
  if (!fileInteger(first, count)) {
    // a whole number too large for the reader is still a count
    if (sstringkind(first) == kInteger && first[0] != '-') bomb(kSetup, "too many end-members");
    bomb(kSetup, "number of end-members on line 1 " + quoted(first) + " is not an integer");
  }
  if (count > kMaxEntries) bomb(kSetup, "too many end-members");
  if (count < 1) bomb(kSetup, "number of end-members on line 1 must be at least 1");
  ds.entries = count;
}

void recogniseFormat(Dataset& ds) {
  if (ds.lines.size() < 2) fileEndsIn(ds, 1);
  ds.infoLine = blankLine(ds.lines[1]);
  ds.extraLines = true;
  ds.thirdExpansion = false;
  ds.absoluteDkdt = false;
  ds.dsmode = 3;
  ds.propertyValues = 11;
  if (!ds.infoLine) {
    ds.dsmode = -2;
    ds.propertyValues = 9;
    ds.extraLines = false;
    ds.firstEntryLine = 1;
    return;
  }
  if (ds.lines.size() < 3) fileEndsIn(ds, 1);
  std::vector<std::string_view> tokens = blankSeparated(ds.lines[2]);
  if (tokens.empty()) bomb(kRead, "not expecting blank line");
  int kind = sstringkind(tokens[0]);
  if (kind == kTextKind) {
    ds.dsmode = -1;
    ds.propertyValues = 12;
    ds.extraLines = false;
    ds.firstEntryLine = 2;
    if (ds.lines.size() < 4) fileEndsIn(ds, 1);
    std::vector<std::string_view> second = blankSeparated(ds.lines[3]);
    if (second.size() < 10) bomb(kRead, "insufficient info on 2nd line");
    Real dkdt = getsingle(sstringkind(second[8]), second[8], "dk/dt");
    if (std::fabs(dkdt) > kDkdtAbsoluteAbove) ds.absoluteDkdt = true;
    return;
  }
  if (tokens.size() != 1 || kind != kInteger) bomb(kRead, "unrecognised start of info");
  ds.dsmode = getinteger(kind, tokens[0], "dsmode");
  ds.firstEntryLine = 3;
  if (ds.dsmode == 1) {
    ds.propertyValues = 12;
  } else if (ds.dsmode == 2) {
    ds.propertyValues = 13;
    ds.thirdExpansion = true;
    ds.absoluteDkdt = true;
  } else if (ds.dsmode < 1) {
    // 0 and below would read layout-B numbers as layout A
    bomb(kRead, "unrecognised dsmode " + std::to_string(ds.dsmode) + " on line 3");
  }
}

void collectNames(Dataset& ds) {
  ds.names.assign(static_cast<std::size_t>(ds.entries) + 1, "");
  for (int entry = 1; entry <= ds.entries; ++entry) {
    std::size_t first = entryFirstLine(ds, entry);
    if (first + static_cast<std::size_t>(ds.linesPerEntry()) > ds.lines.size())
      fileEndsIn(ds, entry);
    std::string label = "entry " + std::to_string(entry) + " of " + std::to_string(ds.entries);
    std::vector<std::string_view> tokens = blankSeparated(ds.lines[first]);
    if (tokens.empty()) bomb(kSetup, label + ": blank line where a name should be");
    std::string_view name = tokens[0];
    // a number here means the count on line 1 and the entries disagree
    if (isNumericKind(sstringkind(name)))
      bomb(kSetup, label + ": " + quoted(name) + " is not an end-member name");
    if (name.size() > static_cast<std::size_t>(kMaxNameLength))
      bomb(kSetup, label + ": name " + quoted(name) + " is longer than " +
                       std::to_string(kMaxNameLength) + " characters");
    ds.names[entry] = std::string(name);
  }
}

void readFileCovariance(Dataset& ds) {
  std::size_t afterEntries = entryFirstLine(ds, ds.entries + 1);
  Cursor cursor(ds.lines, afterEntries);
  const std::size_t anyLine = ds.lines.size();
  std::string_view token;
  if (ds.infoLine) {
    // one value stands before the matrix; nothing here uses it
    Real ignored;
    if (!cursor.next(token, anyLine)) bomb(kSetup, "file ends before the covariance matrix");
    if (!fileReal(token, ignored))
      bomb(kSetup, "value before the covariance matrix " + quoted(token) + " is not a number");
  }
  const auto n = static_cast<std::size_t>(ds.entries);
  ds.fileCovariance.assign(n * (n + 1) / 2, 0.0f);
  std::size_t index = 0;
  for (int row = 1; row <= ds.entries; ++row) {
    for (int column = row; column <= ds.entries; ++column) {
      auto where = [&] {
        return "row " + std::to_string(row) + " (" + ds.names[row] + "), column " +
               std::to_string(column) + " (" + ds.names[column] + ")";
      };
      if (!cursor.next(token, anyLine))
        bomb(kSetup, "file ends in the covariance matrix at " + where());
      Real value;
      if (!fileReal(token, value))
        bomb(kSetup, "covariance matrix, " + where() + ": " + quoted(token) + " is not a number");
      if (std::fabs(value) > FLT_MAX)
        bomb(kSetup, "covariance matrix, " + where() + ": " + quoted(token) +
                         " is beyond single precision");
      ds.fileCovariance[index++] = static_cast<float>(value);
    }
  }
  // the rest of the matrix's last line and one more line are passed over
  std::size_t descriptionLine = cursor.line() + 2;
  ds.description = descriptionLine < ds.lines.size() ? cutText(ds.lines[descriptionLine]) : "";
}

std::size_t triangleIndex(int entries, int row, int column) {
  // rows before `row` hold entries, entries - 1, ... values
  auto n = static_cast<std::size_t>(entries);
  auto r = static_cast<std::size_t>(row - 1);
  return r * n - r * (r - 1) / 2 + static_cast<std::size_t>(column - row);
}

Real theta(const Dataset& ds, const EndMember& e, bool liquid) {
  const auto& s = e.slot;
  Real value = 0;
  if (e.atoms != 0) {
    if (ds.dsmode == 3) {
      Real cv = s[kCpa] + kT0 * s[kCpb] + s[kCpc] / 88893.4225L + s[kCpd] / 17.267020588393354L -
                s[kAlpha0] * s[kAlpha0] * s[kKappa0] * s[kVolume] * kT0;
      value = 1586 - 55520 * cv / e.atoms;
    } else {
      value = 10636 / (1000 * s[kEntropy] / e.atoms + 6.44L);
    }
  }
  value = std::isfinite(value) ? std::round(value) : 0;
  if (liquid && ds.dsmode > 3) value = 10;
  return value < 10 ? 10 : value;
}

void readFormula(EntryReader& reader, EndMember& e) {
  for (;;) {  // ends at element 0; the reader stops at the end of the entry
    int element = reader.integer("element number");
    if (element == 0) break;
    if (element < 0) continue;
    if (element > kElementCount)
      reader.fault("element number " + std::to_string(element) + " in the formula is not 1 to " +
                   std::to_string(kElementCount));
    if (e.pairs == kMaxFormulaPairs)
      reader.fault("formula has more than " + std::to_string(kMaxFormulaPairs) + " element pairs");
    Real amount = reader.real("amount of " + std::string(kElementSymbols[element]));
    ++e.pairs;
    e.element[e.pairs] = element;
    e.amount[e.pairs] = amount;
    e.atoms += amount;
  }
}

void readModel(EntryReader& reader, EndMember& e) {
  auto& s = e.slot;
  s[kLandauT] = 0;
  s[kSmax] = -1;
  s[kVmax] = -1;
  s[kAqueousCp] = 0;
  for (int k = kSfdh; k <= kSfn; ++k) s[k] = 0;
  s[kSffac] = 1;
  int model = reader.integer("model code");
  if (model < 0) {
    Real cp = reader.real("aqueous heat capacity");
    if (cp != 0) s[kAqueousCp] = cp - kT0 * s[kCpb];
  } else if (model == 1) {
    for (int k = 0; k < 3; ++k) s[kLandauT + k] = reader.real(kLandauItems[k]);
  } else if (model == 2) {
    for (int k = 0; k < 6; ++k) s[kSfdh + k] = reader.real(kBraggWilliamsItems[k]);
  } else if (model != 0) {
    reader.fault("model code " + std::to_string(model) + " is not 0, 1, 2 or negative");
  }
}

void convertProperties(const Dataset& ds, EndMember& e, bool liquid) {
  auto& s = e.slot;
  switch (ds.propertyValues) {
    case 9:
      s[kKappa] = s[9];
      s[kAlpha2] = 10;
      s[kAlpha3] = 0;
      s[kKappaprime] = 4;
      s[kDkappadT] = -0.00015L * s[kKappa];
      break;
    case 12:
      s[13] = s[12];
      s[12] = s[11];
      s[11] = s[10];
      s[10] = 0;
      if (!ds.absoluteDkdt) s[kDkappadT] = s[kKappa] * s[kDkappadT];
      break;
    case 11:
      s[kTheta] = theta(ds, e, liquid);
      break;
    default:
      break;
  }
}

void readEntry(const Dataset& ds, int entry, EndMember& e, bool formulaOnly) {
  EntryReader reader(ds, entry);
  e = EndMember{};
  e.name = ds.names[entry];
  reader.token("name");
  e.code = reader.integer("code");
  readFormula(reader, e);
  if (formulaOnly) return;
  for (int k = 1; k <= ds.propertyValues; ++k)
    e.slot[k] = reader.real(propertyItem(ds.propertyValues, k));
  bool liquid = nameRules(e.name).liquid;
  if (ds.layoutB()) e.slot[kDkappa0dt] = liquid ? reader.real("dkappa0dt") : 0;
  readModel(reader, e);
  convertProperties(ds, e, liquid);
}

void readSelected(Dataset& ds, bool formulaOnly) {
  if (ds.uses.size() != static_cast<std::size_t>(ds.entries) + 1)
    bomb(kRead, "no end-members selected from the dataset", 1);
  ds.em.assign(static_cast<std::size_t>(ds.endMembers) + 1, EndMember{});
  for (int entry = 1; entry <= ds.entries; ++entry) {
    const EntryUse& use = ds.uses[entry];
    if (use.count == 0) continue;
    EndMember& first = ds.em[use.internal[0]];
    readEntry(ds, entry, first, formulaOnly);
    for (int k = 1; k < use.count; ++k) ds.em[use.internal[k]] = first;
  }
}

void mapCovariance(Dataset& ds) {
  const auto size = static_cast<std::size_t>(ds.endMembers) + 1;
  ds.cov.assign(size * size, 0);
  for (int row = 1; row <= ds.entries; ++row) {
    const EntryUse& rowUse = ds.uses[row];
    if (rowUse.count == 0) continue;
    for (int column = row; column <= ds.entries; ++column) {
      const EntryUse& columnUse = ds.uses[column];
      if (columnUse.count == 0) continue;
      Real value = ds.fileCovariance[triangleIndex(ds.entries, row, column)];
      for (int a = 0; a < rowUse.count; ++a) {
        for (int b = 0; b < columnUse.count; ++b) {
          auto p = static_cast<std::size_t>(rowUse.internal[a]);
          auto q = static_cast<std::size_t>(columnUse.internal[b]);
          ds.cov[p * size + q] = value;
          ds.cov[q * size + p] = value;
        }
      }
    }
  }
}

}  // namespace

void setuptextread(Dataset& ds, std::istream& file, const std::string& fileName) {
  ds = Dataset{};
  ds.fileName = fileName;
  ds.ds6 = fileName.size() >= 6 && fileName[5] == '6';
  std::string line;
  while (readLine(file, line)) ds.lines.push_back(line);
  readEntryCount(ds);
  recogniseFormat(ds);
  collectNames(ds);
  readFileCovariance(ds);
}

void setuptextread(Io& io, Dataset& ds, const std::string& datasetPreference) {
  std::string suffix = datasetPreference;
  if (suffix == "?")
    suffix.clear();  // promptdatafile asks for an empty suffix
  else if (suffix.empty())
    suffix = "ds" + std::to_string(kDatasetNumber);
  std::string fileName;
  auto file = promptdatafile(io, kDatasetPrefix, suffix, kDatasetQuestion, fileName);
  setuptextread(ds, *file, fileName);
}

void makep(Dataset& ds, const std::vector<std::string>& wanted) {
  if (wanted.size() > static_cast<std::size_t>(kMaxEndMembers))
    bomb(kSelect,
         "too many end-members: at most " + std::to_string(kMaxEndMembers) + " in one run");
  std::vector<int> entryOf(wanted.size() + 1, 0);
  for (std::size_t k = 0; k < wanted.size(); ++k) {
    std::string name = trim(cut20(wanted[k]));
    int entry = 0;
    for (int e = 1; e <= ds.entries && entry == 0; ++e)
      if (ds.names[e] == name) entry = e;
    if (entry == 0) bomb(kSelect, "stuff up : unrecognised name :" + wanted[k]);
    entryOf[k + 1] = entry;
  }
  ds.uses.assign(static_cast<std::size_t>(ds.entries) + 1, EntryUse{});
  for (std::size_t k = 1; k < entryOf.size(); ++k) {
    EntryUse& use = ds.uses[entryOf[k]];
    if (use.count == kMaxUsesPerEntry)
      bomb(kSelect, "more than " + std::to_string(kMaxUsesPerEntry) + " end-members use " +
                        ds.names[entryOf[k]]);
    use.internal[use.count++] = static_cast<int>(k);
  }
  ds.entryOf = std::move(entryOf);
  ds.endMembers = static_cast<int>(wanted.size());
}

void readthermo(Dataset& ds) {
  readSelected(ds, false);
  mapCovariance(ds);
}

void readformulae(Dataset& ds) {
  readSelected(ds, true);
}

void readdataset(Io& io, Dataset& ds, int pass, const std::vector<std::string>& wanted,
                 const std::string& datasetPreference) {
  if (pass == kSetupPass) {
    setuptextread(io, ds, datasetPreference);
    return;
  }
  makep(ds, wanted);
  if (pass == kFormulaPass)
    readformulae(ds);
  else
    readthermo(ds);
}

}  // namespace pf
