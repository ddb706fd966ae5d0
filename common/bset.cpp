#include "common/bset.h"

#include "common/bomb.h"

namespace pf {

void BSet::include(int member) {
  if (member < 0 || member > kMaxMember) bomb("BSet", "out of range");
  bits |= 1u << member;
}

void BSet::exclude(int member) {
  if (member >= 0 && member <= kMaxMember) bits &= ~(1u << member);
}

void BSet2::include(int member) {
  if (member < 0 || member > kMaxMember) bomb("BSet", "out of range");
  if (member <= BSet::kMaxMember)
    low.include(member);
  else
    high.include(member - 30);
}

bool BSet2::contains(int member) const {
  if (member < 0 || member > kMaxMember) return false;
  return member <= BSet::kMaxMember ? low.contains(member) : high.contains(member - 30);
}

bool subset(const BSet2& a, const BSet2& b) {
  if (a.empty() || a == b) return true;
  if (b.empty()) return false;
  return (a.low.bits & ~b.low.bits) == 0 && (a.high.bits & ~b.high.bits) == 0;
}

}  // namespace pf
