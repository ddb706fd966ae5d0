// Small bit sets: BSet holds members 0..30 in one word, BSet2 members 0..60 in two.
#pragma once

#include <cstdint>

namespace pf {

struct BSet {
  static constexpr int kMaxMember = 30;
  std::uint32_t bits = 0;

  static BSet ofMask(std::uint32_t mask) { return BSet{mask & 0x7fffffffu}; }
  void include(int member);  // bombs ("BSet", "out of range") outside 0..30
  void exclude(int member);
  bool contains(int member) const {
    return member >= 0 && member <= kMaxMember && (bits >> member) & 1u;
  }
  bool empty() const { return bits == 0; }
  BSet intersect(BSet other) const { return BSet{bits & other.bits}; }
  BSet unite(BSet other) const { return BSet{bits | other.bits}; }
  bool operator==(const BSet&) const = default;
};

struct BSet2 {
  static constexpr int kMaxMember = 60;
  BSet low;   // members 0..30
  BSet high;  // members 31..60, stored as member - 30

  void clear() {
    low = BSet{};
    high = BSet{};
  }
  void include(int member);  // bombs ("BSet", "out of range") outside 0..60
  bool contains(int member) const;
  bool empty() const { return low.empty() && high.empty(); }
  bool operator==(const BSet2&) const = default;
};

// True when a is empty, equal to b, or every member of a is in b.
bool subset(const BSet2& a, const BSet2& b);

}  // namespace pf
