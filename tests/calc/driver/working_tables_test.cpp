#include "calc/driver/working_tables.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "tests/common/console_fixture.h"

namespace pf {
namespace {

// The tables come zeroed and writable to their last byte, the monitor's
// figure is the sum of their sizes, and releasing them returns it to zero.
TEST(WorkingTables, ZeroedWritableAndCountedByTheMonitor) {
  Console c;
  WorkingTables tables;
  allocateWorkingTables(c.io, tables);
  ASSERT_EQ(tables.tables.size(), 13u);
  long total = 0;
  for (WorkingTable& table : tables.tables) {
    ASSERT_GT(table.storage.size(), 0u) << table.name;
    unsigned char* bytes = table.storage.data();
    ASSERT_NE(bytes, nullptr) << table.name;
    std::size_t nonzero = 0;
    for (std::size_t k = 0; k < table.storage.size(); k += 509) nonzero += bytes[k] != 0;
    EXPECT_EQ(nonzero, 0u) << table.name;
    EXPECT_EQ(bytes[table.storage.size() - 1], 0) << table.name;
    bytes[0] = 0xA5;
    bytes[table.storage.size() - 1] = 0x5A;
    total += static_cast<long>(table.storage.size());
  }
  EXPECT_EQ(c.io.heapBytes(), total);
  EXPECT_EQ(total, 7273280L);  // c, cov, ..., compdx at their sized-for bounds
  EXPECT_EQ(tables.find("prec1")[0], 0xA5);
  EXPECT_EQ(tables.find("nothing"), nullptr);
  releaseWorkingTables(c.io, tables);
  EXPECT_EQ(c.io.heapBytes(), 0);
  EXPECT_TRUE(tables.tables.empty());
  allocateWorkingTables(c.io, tables);  // a second run gets fresh zeroes
  EXPECT_EQ(tables.find("prec1")[0], 0);
  releaseWorkingTables(c.io, tables);
}

TEST(WorkingTables, BlockMovesOwnership) {
  ZeroedBlock a(100000);
  unsigned char* bytes = a.data();
  bytes[99999] = 7;
  ZeroedBlock b(std::move(a));
  EXPECT_EQ(a.data(), nullptr);
  EXPECT_EQ(a.size(), 0u);
  EXPECT_EQ(b.data(), bytes);
  EXPECT_EQ(b.data()[99999], 7);
  b = ZeroedBlock(10);
  EXPECT_EQ(b.size(), 10u);
  EXPECT_EQ(b.data()[9], 0);
}

}  // namespace
}  // namespace pf
