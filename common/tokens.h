// Cutting a line into tokens and telling what kind of token it is.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pf {

enum TokenKind { kEmpty = 0, kInteger = 1, kRealKind = 2, kRational = 3, kTextKind = 4 };

inline constexpr int kCalculatorTokens = 200;
inline constexpr int kPlotterTokens = 50;

// A token list with 1-based positions. Positions past the last token (and
// any position out of range) read as the empty string.
struct Tokens {
  static constexpr int kMaxTokens = kCalculatorTokens;
  std::array<std::string, kMaxTokens + 1> items;  // items[0] unused
  int count = 0;

  const std::string& operator[](int position) const {
    static const std::string empty;
    return position >= 1 && position <= kMaxTokens ? items[position] : empty;
  }
  // The tokens from position `from` on, joined by single spaces.
  std::string joined(int from = 1) const;
};

// Cuts characters 1..n of text into tokens; bombs ("string2strings",
// "too many \"" + token + "\"") past `capacity` tokens.
void string2strings(std::string_view text, int n, Tokens& tokens, int capacity);

int sstringkind(std::string_view token);
inline bool isNumericKind(int kind) {
  return kind >= kInteger && kind <= kRational;
}

}  // namespace pf
