#include "common/tokens.h"

#include <algorithm>

#include "common/bomb.h"
#include "common/text.h"

namespace pf {

std::string Tokens::joined(int from) const {
  std::string out;
  for (int i = std::max(from, 1); i <= count; ++i) {
    if (!out.empty()) out += ' ';
    out += (*this)[i];
  }
  return out;
}

void string2strings(std::string_view text, int n, Tokens& tokens, int capacity) {
  capacity = std::clamp(capacity, 0, Tokens::kMaxTokens);
  std::size_t scan = std::min<std::size_t>(n < 0 ? 0 : static_cast<std::size_t>(n), text.size());
  tokens.count = 0;
  std::string current;
  bool inToken = false;
  auto finish = [&] {
    if (tokens.count >= capacity) bomb("string2strings", "too many \"" + current + "\"");
    tokens.items[++tokens.count] = current;
    current.clear();
    inToken = false;
  };
  for (std::size_t i = 0; i < scan; ++i) {
    char c = text[i];
    if (isBlank(c)) {
      if (inToken) finish();
      continue;
    }
    inToken = true;
    if (current.size() < kMaxToken) current += c;
  }
  if (inToken) finish();
  for (int i = tokens.count + 1; i <= Tokens::kMaxTokens; ++i) tokens.items[i].clear();
}

namespace {
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

int sstringkind(std::string_view raw) {
  std::string token = trim(raw);
  if (token.empty()) return kEmpty;
  if (token.size() == 1) return isDigit(token[0]) ? kInteger : kTextKind;
  std::size_t start = token[0] == '-' ? 1 : 0;
  bool point = false, exponent = false, slash = false;
  std::size_t pointAt = 0, exponentAt = 0, slashAt = 0;
  std::size_t length = token.size() - start;
  if (length == 0) return kTextKind;
  for (std::size_t pos = 1; pos <= length; ++pos) {
    char c = token[start + pos - 1];
    if (isDigit(c)) continue;
    if (c == '.') {
      if (pos == 1 || point || exponent || slash) return kTextKind;
      point = true;
      pointAt = pos;
    } else if (c == 'E' || c == 'e') {
      if (pos == 1 || (point && pointAt == pos - 1) || exponent || slash) return kTextKind;
      exponent = true;
      exponentAt = pos;
    } else if (c == '-' || c == '+') {
      if (!exponent || exponentAt != pos - 1) return kTextKind;
    } else if (c == '/') {
      if (pos == 1 || point || exponent || slash) return kTextKind;
      slash = true;
      slashAt = pos;
    } else {
      return kTextKind;
    }
  }
  // a number may not end on its point, its bare exponent, or its slash
  if (point && pointAt == length) return kTextKind;
  if (exponent) {
    bool digitAfter = false;
    for (std::size_t pos = exponentAt + 1; pos <= length; ++pos)
      if (isDigit(token[start + pos - 1])) digitAfter = true;
    if (!digitAfter) return kTextKind;
  }
  if (slash && slashAt == length) return kTextKind;
  if (slash) return kRational;
  if (point || exponent) return kRealKind;
  return kInteger;
}

}  // namespace pf
