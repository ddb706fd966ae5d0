#include "common/bset.h"

#include <gtest/gtest.h>

#include "common/bomb.h"

namespace pf {
namespace {

TEST(BSet, MembersZeroToThirty) {
  BSet s;
  s.include(0);
  s.include(30);
  s.include(30);  // already present: unchanged
  EXPECT_EQ(s.bits, (1u << 30) | 1u);
  EXPECT_TRUE(s.contains(30));
  EXPECT_FALSE(s.contains(31));
  EXPECT_FALSE(s.contains(-1));
  for (int bad : {31, -1, 1000}) {
    try {
      s.include(bad);
      ADD_FAILURE() << bad;
    } catch (const Bombed& b) {
      EXPECT_EQ(b.procedure, "BSet");
      EXPECT_EQ(b.message, "out of range");
    }
  }
  EXPECT_EQ(BSet::ofMask(9).intersect(BSet::ofMask(13)).bits, 9u);
  EXPECT_EQ(BSet::ofMask(8).unite(BSet::ofMask(4)).bits, 12u);
}

TEST(BSet2, TwoWordsAndSubsets) {
  BSet2 a, b;
  a.include(30);
  a.include(31);
  a.include(60);
  EXPECT_TRUE(a.low.contains(30));
  EXPECT_TRUE(a.high.contains(1));
  EXPECT_TRUE(a.high.contains(30));
  EXPECT_TRUE(a.contains(60));
  EXPECT_FALSE(a.contains(61));
  EXPECT_THROW(a.include(61), Bombed);

  EXPECT_TRUE(subset(BSet2{}, a));  // empty is in anything
  EXPECT_TRUE(subset(BSet2{}, b));
  EXPECT_FALSE(subset(a, b));  // b empty, a not
  b = a;
  EXPECT_TRUE(subset(a, b));
  b.include(5);
  EXPECT_TRUE(subset(a, b));
  EXPECT_FALSE(subset(b, a));
  b.clear();
  EXPECT_TRUE(b.empty());
}

}  // namespace
}  // namespace pf
