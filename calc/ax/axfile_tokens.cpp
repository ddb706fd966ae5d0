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
  std::string text;
  if (ended_ || !pf::readLine(file_, text)) return false;
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && isBlank(text[at])) ++at;
    std::size_t start = at;
    while (at < text.size() && !isBlank(text[at])) ++at;
    if (at > start) {
      if (static_cast<int>(words.size()) >= io_.tokenCapacity())
        bomb("string2strings", "too many \"" + cut20(text.substr(start, at - start)) + "\"");
      words.push_back(text.substr(start, at - start));
    }
  }
  for (std::size_t k = 0; k < words.size(); ++k) {
    if (words[k][0] == '%') break;
    if (k == 0 && words[k][0] == '*') {
      ended_ = true;
      return false;
    }
    Token token;
    token.full = words[k];
    token.text = cut20(words[k]);
    token.kind = sstringkind(token.text);
    token.present = true;
    line_.push_back(std::move(token));
  }
  return true;
}

void TokenReader::fetch() {
  while (line_.empty()) {
    if (!readLine()) {
      ahead_ = Token{};
      return;
    }
  }
  ahead_ = std::move(line_.front());
  line_.pop_front();
}

void TokenReader::advance() {
  current_ = std::move(ahead_);
  fetch();
}

const Token& TokenReader::token(const std::string& context) {
  advance();
  if (!current_.present) bomb(kRead, "unexpected end of input - " + context);
  if (current_.cut())
    bomb(kReading, quoted(current_.full) + " is longer than 20 characters - " + context);
  return current_;
}

int TokenReader::integer(const std::string& context) {
  const Token& t = token(context);
  return getinteger(t.kind, t.text, context);
}

Real TokenReader::real(const std::string& context) {
  const Token& t = token(context);
  return getsingle(t.kind, t.text, context);
}

Rational TokenReader::rational(const std::string& context) {
  const Token& t = token(context);
  return normalised(getrational(t.kind, t.text, context));
}

std::string TokenReader::name(const std::string& context) {
  const Token& t = token(context);
  if (t.kind != kTextKind) bomb(kReading, "expecting a name; got: " + t.text + " - " + context);
  return t.text;
}

}  // namespace pf::axfile
