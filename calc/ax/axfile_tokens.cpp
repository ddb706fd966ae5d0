#include <string>

#include "calc/ax/axfile_internal.h"
#include "common/bomb.h"
#include "common/files.h"
#include "common/text.h"

namespace pf::axfile {

TokenReader::TokenReader(Io& io, std::istream& file) : io_(io), file_(file) {
  fetch();
}

bool TokenReader::aheadInteger(int value) const {
  if (!ahead_.present || ahead_.kind != kInteger) return false;
  int read;
  std::string message;
  return readInteger(ahead_.text, read, message) && read == value;
}

// Cuts one line into tokens; the whole line is read, so nothing past the
// 255th character is lost. A comment ends the line's tokens.
bool TokenReader::readLine() {
  line_.clear();
  next_ = 0;
  if (ended_ || !pf::readLine(file_, text_)) return false;
  const std::string_view text(text_);
  int words = 0;
  bool comment = false;
  bool ended = false;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && isBlank(text[at])) ++at;
    std::size_t start = at;
    while (at < text.size() && !isBlank(text[at])) ++at;
    if (at == start) continue;
    const std::string_view word = text.substr(start, at - start);
    if (words >= io_.tokenCapacity()) bomb("string2strings", "too many \"" + cut20(word) + "\"");
    if (words++ == 0 && word[0] == '*') ended = true;
    if (word[0] == '%') comment = true;
    if (comment || ended) continue;  // counted against the capacity, never kept
    Token& token = line_.emplace_back();
    token.text = cut20(word);
    if (word.size() > token.text.size()) token.full = word;
    token.kind = sstringkind(token.text);
    token.present = true;
  }
  if (ended) {
    ended_ = true;
    line_.clear();
    return false;
  }
  return true;
}

void TokenReader::fetch() {
  while (next_ == line_.size()) {
    if (!readLine()) {
      ahead_ = Token{};
      return;
    }
  }
  ahead_ = std::move(line_[next_++]);
}

void TokenReader::advance() {
  current_ = std::move(ahead_);
  fetch();
}

const Token& TokenReader::token(const LazyText& context) {
  advance();
  if (!current_.present) bomb(kRead, "unexpected end of input - " + context.text());
  if (current_.cut())
    bomb(kReading, quoted(current_.full) + " is longer than 20 characters - " + context.text());
  return current_;
}

int TokenReader::integer(const LazyText& context) {
  const Token& t = token(context);
  return getinteger(t.kind, t.text, context);
}

Real TokenReader::real(const LazyText& context) {
  const Token& t = token(context);
  return getsingle(t.kind, t.text, context);
}

Rational TokenReader::rational(const LazyText& context) {
  const Token& t = token(context);
  return normalised(getrational(t.kind, t.text, context));
}

std::string TokenReader::name(const LazyText& context) {
  const Token& t = token(context);
  if (t.kind != kTextKind) bomb(kReading, "expecting a name; got: " + t.text + " - " + context.text());
  return t.text;
}

}  // namespace pf::axfile
