// Questions and answers. Every routine here tests a one-token answer for
// the kill word, and ends the run cleanly at end of console input.
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "common/io.h"
#include "common/real.h"
#include "common/tokens.h"

namespace pf {

// Three-state settings: use the preset value, do not use it, or ask.
enum Control { kUsePreset = 0, kDontUse = 1, kAsk = 2 };

bool isKill(const Io& io, const Tokens& answer);

// Reads one console line (backspaces applied) and cuts it into tokens.
void prstrings(Io& io, Tokens& tokens);
// Asks a question (" : " after it) and reads the answer, echoed to the log.
void promptstrings(Io& io, std::string_view question, Tokens& tokens);

// One line of a text file cut into tokens; bombs at end of file.
void rstrings(Io& io, std::istream& file, Tokens& tokens);
// The same, dropping everything from the first token that starts with '%'.
void rstringsc(Io& io, std::istream& file, Tokens& tokens);
// Drops a trailing comment from a token list.
void dropComment(Tokens& tokens);

std::string promptstring(Io& io, std::string_view question, std::size_t maxLength = 255);
// The answer as typed, blanks trimmed at both ends and nothing cut at 20
// characters, for questions that must tell an overlong name from a short one.
std::string promptline(Io& io, std::string_view question);
Real promptreal(Io& io, std::string_view question);
int promptinteger(Io& io, std::string_view question);
// Asks for n reals (n of 0: as many as the first line holds; n is set).
std::vector<Real> promptreals(Io& io, std::string_view question, int& n);

bool query(Io& io, std::string_view question);
void promptcontrol(Io& io, std::string_view question, int& state);

}  // namespace pf
