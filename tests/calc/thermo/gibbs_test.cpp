#include "calc/thermo/gibbs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace pf {
namespace {

using testing::Console;
using testing::demoDataset;

int indexOf(const Dataset& ds, const std::string& name) {
  for (int k = 1; k <= ds.endMembers; ++k)
    if (ds.em[k].name == name) return k;
  return 0;
}

TEST(GibbsEnergy, ReproducesTheIndependentReferenceValues) {
  Dataset ds = demoDataset({"q", "fo", "py", "ab", "diL", "mu", "ru", "CH4"});
  GibbsSettings settings = gibbsSettings(ds);
  Console console;
  std::ifstream table(std::string(PF_TEST_DIR) + "/reference-G.tsv");
  std::string line;
  std::getline(table, line);  // heading
  int rows = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string name;
    long double p, t, g;
    fields >> name >> p >> t >> g;
    int k = indexOf(ds, name);
    ASSERT_NE(k, 0) << name;
    Real value = gem(console.io, ds.em[k], p, t, settings);
    EXPECT_NEAR(static_cast<double>(value), static_cast<double>(g), 1e-5)
        << name << " at " << static_cast<double>(p) << " kbar, " << static_cast<double>(t) << " K";
    ++rows;
  }
  EXPECT_EQ(rows, 32);
}

}  // namespace
}  // namespace pf
