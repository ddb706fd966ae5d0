// Text helpers. Text is bytes; blanks are tab, space and 0xCA.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace pf {

inline constexpr std::size_t kMaxText = 255;  // longest text the programs hold
inline constexpr std::size_t kMaxToken = 20;  // longest token or name

inline constexpr char kDegree = '\xA1';
inline constexpr char kMicro = '\xB5';
inline constexpr char kBullet = '\xA5';
inline constexpr char kHardBlank = '\xCA';
inline constexpr char kOverflowMark = '\xA4';

inline bool isBlank(char c) {
  return c == '\t' || c == ' ' || c == kHardBlank;
}

// 1-based positions of the first and last non-blank character; both 0 when
// the text is empty or all blank.
struct BlankBounds {
  std::size_t first = 0;
  std::size_t last = 0;
};
BlankBounds blankBounds(std::string_view text);

// Text that a fault's message may need: plain text, or a maker called only
// when the text is asked for, so that reading a well-formed file builds no
// messages. A maker is held by reference: use it within the full expression
// that made it.
class LazyText {
 public:
  LazyText(const char* text) : text_(text) {}
  LazyText(std::string_view text) : text_(text) {}
  LazyText(const std::string& text) : text_(text) {}
  template <typename Maker,
            typename = std::enable_if_t<std::is_invocable_r_v<std::string, const Maker&> &&
                                        !std::is_convertible_v<const Maker&, std::string_view>>>
  LazyText(const Maker& maker)
      : maker_(&maker),
        make_([](const void* m) -> std::string { return (*static_cast<const Maker*>(m))(); }) {}

  std::string text() const { return make_ != nullptr ? make_(maker_) : std::string(text_); }

 private:
  std::string_view text_;
  const void* maker_ = nullptr;
  std::string (*make_)(const void*) = nullptr;
};

std::string trim(std::string_view text);
std::string cut20(std::string_view text);
std::string cut5(std::string_view text);
std::string cutText(std::string_view text);  // at most 255 characters
std::string blanks(int n);

// The text with its control characters written out (a NUL as \0, the others
// as \x and two hex digits), so that a message never hides or sends them.
// Tab is kept.
std::string visibleText(std::string_view text);
bool holdsControl(std::string_view text);

// The text for a terminal that reads UTF-8: the single bytes 0x80 to 0xFF of
// the system's own texts (Mac OS Roman: 0xA5 bullet, 0xA1 degree, 0xB5 micro,
// 0xCA no-break space, 0xB3 greater-or-equal, ...) become their UTF-8 forms;
// what already is a UTF-8 sequence (a name typed on such a terminal) is kept.
std::string consoleUtf8(std::string_view text);

// True when the locale that the environment names for characters is UTF-8:
// the first of LC_ALL, LC_CTYPE and LANG that is set and not empty decides.
bool localeIsUtf8(const char* lcAll, const char* lcCtype, const char* lang);

// The text between double quotes, as messages name files and tokens, with
// its control characters written out.
std::string quoted(std::string_view text);

// Text for a PostScript string literal: ( ) and \ escaped.
std::string psString(std::string_view text);

// Equal when both are blank, or their trimmed forms are identical.
bool equalApartFromBlanks(std::string_view a, std::string_view b);

// 1-based position of the first exact match of name (cut to 20) among the
// first count names; 0 when absent.
int findInList(std::string_view name, const std::vector<std::string>& names, int count);

}  // namespace pf
