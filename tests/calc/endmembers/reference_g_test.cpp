// The recorded mode-0 session tables-reference-g against the Gibbs energies
// worked out independently (tests/calc/thermo/reference-G.tsv): every G the
// run printed at a grid point of the reference agrees to the printed
// precision, 0.01 kJ in the main output and 1e-5 kJ in the second file.
// The session test holds the program to these recordings.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/calc/thermo/test_support.h"

namespace pf {
namespace {

struct Reference {
  std::string name;
  double P, T, G;  // kbar, K, kJ
};

std::vector<Reference> references() {
  std::istringstream in(
      testing::readWholeFile(std::string(PF_SOURCE_DIR) + "/tests/calc/thermo/reference-G.tsv"));
  std::vector<Reference> out;
  std::string line;
  std::getline(in, line);  // heading
  while (std::getline(in, line)) {
    std::istringstream row(line);
    Reference r;
    if (row >> r.name >> r.P >> r.T >> r.G) out.push_back(r);
  }
  return out;
}

const std::string kCase =
    std::string(PF_SOURCE_DIR) + "/tests/sessions/phaseforge/tables-reference-g/";

std::vector<double> numbersIn(const std::string& text) {
  std::vector<double> values;
  std::regex number("-?[0-9]+(\\.[0-9]+)?");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), number);
       it != std::sregex_iterator(); ++it)
    values.push_back(std::stod(it->str()));
  return values;
}

// A G table: the pressures (kbar), temperatures (K) and G[p][t].
struct Table {
  std::vector<double> P, T;
  std::vector<std::vector<double>> G;
};

// The second file: "lp = {...}", "lt = {...}" (degrees C) and "G[name] ^= {{...}, ...}}".
std::map<std::string, Table> secondFileTables(const std::string& text) {
  std::map<std::string, Table> tables;
  std::istringstream in(text);
  std::string line;
  std::vector<double> P, T;
  while (std::getline(in, line)) {
    if (line.rfind("lp = {", 0) == 0) P = numbersIn(line.substr(4));
    if (line.rfind("lt = {", 0) == 0) {
      T = numbersIn(line.substr(4));
      for (double& t : T) t += 273;
    }
    if (line.rfind("G[", 0) != 0) continue;
    std::string name = line.substr(2, line.find(']') - 2);
    Table t{P, T, {}};
    for (std::size_t p = 0; p < P.size() && std::getline(in, line); ++p)
      t.G.push_back(numbersIn(line));
    tables[name] = t;
  }
  return tables;
}

// The main output: "G(name)", a heading of temperatures and rows of P and G.
std::map<std::string, Table> mainTables(const std::string& text, const std::vector<double>& P,
                                        const std::vector<double>& T) {
  std::map<std::string, Table> tables;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("G(", 0) != 0) continue;
    std::string name = line.substr(2, line.find(')') - 2);
    std::getline(in, line);  // heading
    Table t{P, T, {}};
    for (std::size_t p = 0; p < P.size() && std::getline(in, line); ++p) {
      std::vector<double> row = numbersIn(line);
      t.G.push_back(std::vector<double>(row.begin() + 1, row.end()));
    }
    tables[name] = t;
  }
  return tables;
}

int checked(const std::map<std::string, Table>& tables, double tolerance, double tTolerance) {
  int points = 0;
  for (const Reference& r : references()) {
    auto it = tables.find(r.name);
    EXPECT_NE(it, tables.end()) << r.name;
    if (it == tables.end()) continue;
    const Table& t = it->second;
    for (std::size_t p = 0; p < t.P.size(); ++p)
      for (std::size_t k = 0; k < t.T.size(); ++k) {
        if (std::fabs(t.P[p] - r.P) > 1e-9 || std::fabs(t.T[k] - r.T) > tTolerance) continue;
        EXPECT_NEAR(t.G[p][k], r.G, tolerance) << r.name << " " << r.P << " " << r.T;
        ++points;
      }
  }
  return points;
}

TEST(ReferenceG, RecordedTablesAgreeToThePrintedPrecision) {
  auto second = secondFileTables(testing::readWholeFile(kCase + "expected/pf-refg-a.txt"));
  ASSERT_EQ(second.size(), 8u);
  // lt carries one decimal: 25.15 degrees C is printed 25.1
  EXPECT_EQ(checked(second, 0.5e-5 + 1e-9, 0.051), 32);
  const Table& any = second.begin()->second;
  auto main = mainTables(testing::readWholeFile(kCase + "expected/pf-refg-o.txt"), any.P, any.T);
  ASSERT_EQ(main.size(), 8u);
  EXPECT_EQ(checked(main, 0.005 + 1e-9, 0.051), 32);
}

}  // namespace
}  // namespace pf
