// The thermodynamic dataset file and its reader.
//
// The reader works in passes over the file: the set-up pass (`setuptextread`)
// recognises the format generation, collects the names, the covariance
// matrix and the description; the selection (`makep`) maps the end-members a
// run wants onto file entries; then either the full pass (`readthermo`,
// formula, properties and covariances) or the formula-only pass
// (`readformulae`). The set-up pass keeps the file's lines, so the later
// passes re-read them instead of the file.
#pragma once

#include <array>
#include <istream>
#include <string>
#include <vector>

#include "calc/thermo/endmember.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr int kMaxEntries = 300;     // entries in one file (maxntp)
inline constexpr int kMaxEndMembers = 200;  // distinct end-members in one run
inline constexpr int kMaxUsesPerEntry = 4;  // internal end-members fed by one entry
inline constexpr int kDatasetNumber = 6;    // the default dataset is "ds" + this number
inline constexpr const char* kDatasetPrefix = "pf-";
inline constexpr const char* kDatasetQuestion = "thermo dataset";

// Pass selectors of `readdataset`.
inline constexpr int kSetupPass = 1;
inline constexpr int kFormulaPass = 2;
inline constexpr int kFullPass = 3;

struct EntryUse {
  int count = 0;                                 // internal end-members fed by the entry
  std::array<int, kMaxUsesPerEntry> internal{};  // their internal numbers
};

struct Dataset {
  // settings of the set-up pass
  std::string fileName;  // e.g. "pf-ds6demo.txt"
  bool ds6 = false;      // sixth character of the file name is '6'
  int entries = 0;
  int dsmode = 3;
  int propertyValues = 11;
  bool infoLine = false;   // line 2 is blank
  bool extraLines = true;  // four lines per entry instead of two
  bool thirdExpansion = false;
  bool absoluteDkdt = false;
  std::string description;
  std::vector<std::string> names;  // names[1..entries]

  // the file as the set-up pass read it
  std::vector<std::string> lines;
  int firstEntryLine = 0;             // 0-based index of the first entry's first line
  std::vector<float> fileCovariance;  // upper triangle over the entries, row by row

  // selection and the full pass; internal numbers run from 1
  std::vector<EntryUse> uses;  // uses[1..entries]
  std::vector<int> entryOf;    // entryOf[1..endMembers]
  int endMembers = 0;
  std::vector<EndMember> em;  // em[1..endMembers]
  std::vector<Real> cov;      // (endMembers + 1)^2, row 0 and column 0 unused

  int linesPerEntry() const { return extraLines ? 4 : 2; }
  bool layoutB() const { return dsmode >= 3; }
  Real covariance(int p, int q) const { return cov[p * (endMembers + 1) + q]; }
};

// The dataset question: the `dataset` preference gives the suffix ("?" asks,
// empty takes "ds" + kDatasetNumber); then the file is opened and the set-up
// pass reads it.
void setuptextread(Io& io, Dataset& ds, const std::string& datasetPreference);
// The set-up pass itself, on an open file.
void setuptextread(Dataset& ds, std::istream& file, const std::string& fileName);

// Maps the wanted names, in order, onto file entries (internal numbers 1, 2 ...).
void makep(Dataset& ds, const std::vector<std::string>& wanted);
// The full pass: records and covariance matrix of the selected end-members.
void readthermo(Dataset& ds);
// The formula-only pass: name, code and formula of the selected end-members.
void readformulae(Dataset& ds);

// One entry point with a pass selector: kSetupPass asks for and reads the
// file; kFormulaPass selects and reads formulae; any other selects and reads
// everything.
void readdataset(Io& io, Dataset& ds, int pass, const std::vector<std::string>& wanted,
                 const std::string& datasetPreference);

}  // namespace pf
