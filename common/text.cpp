#include "common/text.h"

#include <array>

namespace pf {

BlankBounds blankBounds(std::string_view text) {
  BlankBounds b;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!isBlank(text[i])) {
      if (b.first == 0) b.first = i + 1;
      b.last = i + 1;
    }
  }
  return b;
}

std::string trim(std::string_view text) {
  BlankBounds b = blankBounds(text);
  if (b.first == 0) return {};
  return std::string(text.substr(b.first - 1, b.last - b.first + 1));
}

std::string cut20(std::string_view text) {
  return std::string(text.substr(0, kMaxToken));
}
std::string cut5(std::string_view text) {
  return std::string(text.substr(0, 5));
}
std::string cutText(std::string_view text) {
  return std::string(text.substr(0, kMaxText));
}

std::string blanks(int n) {
  static const std::array<std::string, 15> table = [] {
    std::array<std::string, 15> t;
    for (int i = 0; i < 15; ++i) t[i] = std::string(i, ' ');
    return t;
  }();
  if (n <= 0) return {};
  if (n < 15) return table[n];
  return std::string(n, ' ');
}

namespace {
bool isControl(char c) {
  auto byte = static_cast<unsigned char>(c);
  return (byte < 0x20 && c != '\t') || byte == 0x7F;
}
}  // namespace

bool holdsControl(std::string_view text) {
  for (char c : text)
    if (isControl(c)) return true;
  return false;
}

std::string visibleText(std::string_view text) {
  if (!holdsControl(text)) return std::string(text);
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte == 0) {
      out += "\\0";
    } else if (isControl(c)) {
      out += "\\x";
      out += hex[byte >> 4];
      out += hex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string quoted(std::string_view text) {
  return "\"" + visibleText(text) + "\"";
}

std::string psString(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

bool equalApartFromBlanks(std::string_view a, std::string_view b) {
  return trim(a) == trim(b);
}

int findInList(std::string_view name, const std::vector<std::string>& names, int count) {
  std::string key = cut20(name);
  int n = std::min<int>(count, static_cast<int>(names.size()));
  for (int i = 0; i < n; ++i)
    if (names[i] == key) return i + 1;
  return 0;
}

}  // namespace pf
