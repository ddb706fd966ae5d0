#include "common/prompts.h"

#include "common/bomb.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

bool consoleOn(const Io& io) {
  return io.outputcontrol.contains(kConsole);
}

[[noreturn]] void noEditor(const char* procedure) {
  bomb(procedure, "TE not impemented yet");
}

// Applies backspaces and cuts to the longest text the programs hold.
std::string editedLine(const std::string& raw) {
  std::string line;
  for (char c : raw) {
    if (c == '\b') {
      if (!line.empty()) line.pop_back();
    } else {
      line += c;
    }
  }
  return cutText(line);
}

std::string readAnswerLine(Io& io) {
  std::string raw;
  if (!io.readConsoleLine(raw)) bomb("read in prstrings", "problems reading");
  return editedLine(raw);
}

void checkKill(Io& io, const Tokens& answer) {
  if (!isKill(io, answer)) return;
  io.putstr(0, trim(answer[1]), 0, kToLog);
  killrun();
}

void logAnswer(Io& io, const Tokens& answer) {
  if (!io.outputcontrol.contains(kLogfile)) return;
  io.putstr(0, answer.count == 0 ? "(nothing input)" : answer.joined(), 1, kToLog);
}

}  // namespace

bool isKill(const Io& io, const Tokens& answer) {
  if (answer.count != 1) return false;
  std::string word = trim(answer[1]);
  if (word == "kill") return true;
  return io.program() == Program::plotter && (word == "stop" || word == "shit");
}

void prstrings(Io& io, Tokens& tokens) {
  std::string line = readAnswerLine(io);
  string2strings(line, static_cast<int>(line.size()), tokens, io.tokenCapacity());
}

void promptstrings(Io& io, std::string_view question, Tokens& tokens) {
  if (!consoleOn(io)) {
    if (io.outputcontrol.contains(kEditor)) noEditor("promptstrings");
    tokens.count = 0;
    return;
  }
  io.putstr(0, std::string(question) + " : ", 0, kToConsoleLog);
  prstrings(io, tokens);
  logAnswer(io, tokens);
  if (isKill(io, tokens)) killrun();
}

void rstrings(Io& io, std::istream& file, Tokens& tokens) {
  std::string line;
  if (!readLine(file, line)) {
    io.putstr(1, "\"" + line + "\"", 1, kToConsole);
    bomb("read in rstrings", "problems reading");
  }
  line = cutText(line);
  string2strings(line, static_cast<int>(line.size()), tokens, io.tokenCapacity());
}

void dropComment(Tokens& tokens) {
  for (int i = 1; i <= tokens.count; ++i) {
    if (!tokens[i].empty() && tokens[i][0] == '%') {
      for (int k = i; k <= tokens.count; ++k) tokens.items[k].clear();
      tokens.count = i - 1;
      return;
    }
  }
}

void rstringsc(Io& io, std::istream& file, Tokens& tokens) {
  rstrings(io, file, tokens);
  dropComment(tokens);
}

std::string promptstring(Io& io, std::string_view question, std::size_t maxLength) {
  Tokens answer;
  promptstrings(io, question, answer);
  return answer.count == 0 ? std::string() : answer[1].substr(0, maxLength);
}

std::string promptline(Io& io, std::string_view question) {
  if (!consoleOn(io)) {
    if (io.outputcontrol.contains(kEditor)) noEditor("promptstrings");
    return std::string();
  }
  io.putstr(0, std::string(question) + " : ", 0, kToConsoleLog);
  std::string line = readAnswerLine(io);
  Tokens tokens;
  string2strings(line, static_cast<int>(line.size()), tokens, io.tokenCapacity());
  logAnswer(io, tokens);
  if (isKill(io, tokens)) killrun();
  return trim(line);
}

Real promptreal(Io& io, std::string_view question) {
  std::string ask(question);
  for (;;) {
    Tokens answer;
    promptstrings(io, ask, answer);
    Real value;
    std::string message;
    if (readReal(answer[1], value, message)) return value;
    ask = answer.count == 0 ? " " : message;
  }
}

int promptinteger(Io& io, std::string_view question) {
  std::string ask(question);
  for (;;) {
    Tokens answer;
    promptstrings(io, ask, answer);
    int value;
    std::string message;
    if (readInteger(answer[1], value, message)) return value;
    ask = answer.count == 0 ? "nothing input" : message;
  }
}

std::vector<Real> promptreals(Io& io, std::string_view question, int& n) {
  Tokens line;
  promptstrings(io, question, line);
  std::vector<std::string> given(line.items.begin() + 1, line.items.begin() + 1 + line.count);
  if (n <= 0) n = line.count;
  auto checkEveryToken = [&io](const Tokens& t) {
    for (int i = 1; i <= t.count; ++i) {
      Tokens one;
      one.count = 1;
      one.items[1] = t[i];
      if (isKill(io, one)) killrun();
    }
  };
  checkEveryToken(line);
  while (static_cast<int>(given.size()) < n) {
    promptstrings(io, " ", line);
    checkEveryToken(line);
    given.insert(given.end(), line.items.begin() + 1, line.items.begin() + 1 + line.count);
  }
  std::vector<Real> values(static_cast<std::size_t>(n), 0);
  for (int k = 0; k < n; ++k) {
    std::string message;
    std::string token = given[static_cast<std::size_t>(k)];
    while (!readReal(token, values[k], message)) {
      Tokens again;
      promptstrings(io, message.empty() ? std::string(" ") : message, again);
      token = again[1];
    }
  }
  return values;
}

bool query(Io& io, std::string_view question) {
  if (!consoleOn(io)) {
    if (io.outputcontrol.contains(kEditor)) noEditor("query");
    return false;
  }
  Tokens answer;
  for (int round = 0; round < 2; ++round) {
    io.putstr(0, std::string(question) + " ? ", 0, kToConsoleLog);
    prstrings(io, answer);
    checkKill(io, answer);
    if (round == 0 && answer.count == 1 && trim(answer[1]) == "?") {
      io.putstr(0, "?", 0, kToLog);
      io.putstr(1, "you are on your own...", 1, kToConsoleLog);
      continue;
    }
    break;
  }
  std::string word = trim(answer.joined());
  bool yes = word.empty() || word == "yes" || word == "y" || word == "Y" || word == "1";
  io.putstr(0, yes ? "yes" : "no", 1, kToLog);
  return yes;
}

void promptcontrol(Io& io, std::string_view question, int& state) {
  if (state == kUsePreset || state == kDontUse) return;
  if (!consoleOn(io)) {
    if (io.outputcontrol.contains(kEditor)) noEditor("promptcontrol");
    state = kDontUse;
    return;
  }
  io.putstr(0, std::string(question) + " ? ", 0, kToConsoleLog);
  Tokens answer;
  prstrings(io, answer);
  checkKill(io, answer);
  std::string word = trim(answer.joined());
  bool yes = word.empty() || word == "yes" || word == "y" || word == "1" || word == "ok";
  state = yes ? kUsePreset : kDontUse;
  io.putstr(0, yes ? "yes" : "no", 1, kToLog);
}

}  // namespace pf
