// Pieces of the a-x file reading shared by its source files: the token
// reader with its current and look-ahead token, and the completion steps.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "calc/ax/axfile.h"
#include "calc/ax/phases.h"
#include "common/io.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/tokens.h"

namespace pf::axfile {

inline constexpr const char* kSetupPhases = "setup phases";
inline constexpr const char* kSetupphases = "setupphases";
inline constexpr const char* kReading = "reading";
inline constexpr const char* kRead = "read";

struct Token {
  std::string text;  // at most 20 characters
  std::string full;  // as written, kept only when longer than text
  int kind = kEmpty;
  bool present = false;
  bool cut() const { return !full.empty(); }
};

// The file as a stream of tokens: '%' starts a comment, a line whose first
// token begins with '*' ends the data, line ends carry no meaning.
class TokenReader {
 public:
  TokenReader(Io& io, std::istream& file);

  bool atEnd() const { return !ahead_.present; }
  const Token& ahead() const { return ahead_; }
  const Token& current() const { return current_; }
  bool aheadIs(const std::string& word) const { return ahead_.present && ahead_.text == word; }
  bool aheadInteger(int value) const;
  bool aheadNumeric() const { return ahead_.present && isNumericKind(ahead_.kind); }
  bool aheadRealOrRational() const {
    return ahead_.present && (ahead_.kind == kRealKind || ahead_.kind == kRational);
  }

  // Makes the look-ahead current and reads a new look-ahead.
  void advance();

  // The next item, read strictly; context is the item's prompt text, made
  // only for a fault.
  int integer(const LazyText& context);
  Real real(const LazyText& context);
  Rational rational(const LazyText& context);
  std::string name(const LazyText& context);
  // The next token whatever its kind (present and at most 20 characters).
  const Token& token(const LazyText& context);

 private:
  void fetch();
  bool readLine();

  Io& io_;
  std::istream& file_;
  std::vector<Token> line_;  // the tokens of the current line
  std::size_t next_ = 0;     // the first of line_ not yet taken
  std::string text_;         // the current line
  bool ended_ = false;
  Token current_;
  Token ahead_;
};

// The phase blocks of the file, read into tables.
void readPhases(Io& io, const AxSetup& setup, std::istream& file, PhaseTables& tables);

// Completion steps after the last phase, in the order they run.
void defaultInteractionSds(PhaseTables& tables);
void checkStrictSyntax(const PhaseTables& tables);
void applyParameterChanges(PhaseTables& tables, const ScriptSettings& script);
void makeSamecodingCopies(PhaseTables& tables, const ScriptSettings& script);
void applyXyzGuesses(PhaseTables& tables, const ScriptSettings& script);
void contract(Io& io, SolutionPhase& phase);
void setFluidPhases(PhaseTables& tables);
void checkStartingSiteFractions(Io& io, const PhaseTables& tables);
void checkPureEndMembers(Io& io, const PhaseTables& tables);
// Derivative expressions, variable limits, the compiled form and the
// dependent end-members of a solution.
void finishSolution(Io& io, SolutionPhase& phase);

// True when the expression is 0 whatever the variables.
bool identicallyZero(const AxExpression& expression, int variableCount);

}  // namespace pf::axfile
