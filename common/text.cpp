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

namespace {

// Unicode of the Mac OS Roman bytes 0x80 to 0xFF.
constexpr char16_t kMacRoman[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

void appendUtf8(std::string& out, char16_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Length of the well-formed UTF-8 sequence starting at text[i], 0 when none.
std::size_t utf8Length(std::string_view text, std::size_t i) {
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = at(i);
  std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || i + length > text.size()) return 0;
  // the second byte's range excludes overlong forms, surrogates and codes past U+10FFFF
  unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (at(i + 1) < low || at(i + 1) > high) return 0;
  for (std::size_t k = i + 2; k < i + length; ++k)
    if (at(k) < 0x80 || at(k) > 0xBF) return 0;
  return length;
}

bool namesUtf8(const char* locale) {
  std::string lower;
  for (const char* c = locale; *c != '\0'; ++c)
    lower += static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c);
  return lower.find("utf-8") != std::string::npos || lower.find("utf8") != std::string::npos;
}

}  // namespace

std::string consoleUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out += text[i++];
    } else if (std::size_t n = utf8Length(text, i); n > 0) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      appendUtf8(out, kMacRoman[byte - 0x80]);
      ++i;
    }
  }
  return out;
}

bool localeIsUtf8(const char* lcAll, const char* lcCtype, const char* lang) {
  for (const char* setting : {lcAll, lcCtype, lang})
    if (setting != nullptr && *setting != '\0') return namesUtf8(setting);
  return false;
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
