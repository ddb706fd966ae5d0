// The drawing-file reader: header, invariant points, univariant lines,
// areas and drawing instructions, every limit checked as it is read.
#pragma once

#include <istream>
#include <string>
#include <string_view>

#include "common/io.h"
#include "common/tokens.h"
#include "plot/drawing.h"

namespace pf::plot {

// Tokens of a file one after another across lines, '%' comments dropped.
// Running out of file stops the run, naming the item that was expected.
class TokenStream {
 public:
  TokenStream(Io& io, std::istream& file) : io_(io), file_(file) {}

  // The next token, left in place; false at end of file.
  bool lookAhead(std::string& token);
  const std::string& peek(std::string_view what);
  std::string next(std::string_view what);
  // Forgets what is left of the current line.
  void dropRestOfLine();
  // The next whole line as tokens; false at end of file.
  bool nextLine(Tokens& line);

 private:
  bool fill();

  Io& io_;
  std::istream& file_;
  Tokens line_;
  int position_ = 1;
};

// Reads a whole drawing file into drawing (its suffix is left as it is).
void readDrawing(Io& io, std::istream& file, Drawing& drawing);

// Asks for the suffix (unless given), reads "px-" + suffix + ".txt" and
// writes the summary to the log.
void readdata(Io& io, std::string& suffix, Drawing& drawing);

// The log summary of what was read.
void logSummary(Io& io, const Drawing& drawing);

// Settings given as "ask" in the file are settled by asking.
void askUnsettled(Io& io, DrawSettings& settings);

// A number for the log and the labels: a whole number when within 1e-5 of
// one, otherwise with as many decimals as it needs.
std::string numberText(Real x);

}  // namespace pf::plot
