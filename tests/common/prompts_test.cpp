#include "common/prompts.h"

#include <gtest/gtest.h>

#include "common/bomb.h"
#include "console_fixture.h"

namespace pf {

TEST(Prompts, BackspacesEditTheAnswer) {
  Console c("abc\b\b\b12\n\b\b\bx\n");
  c.openLog();
  EXPECT_EQ(promptinteger(c.io, "how many"), 12);
  EXPECT_EQ(promptstring(c.io, "name"), "x");
  EXPECT_EQ(c.out.str(), "how many : name : ");
  EXPECT_EQ(c.log(), "how many : 12\nname : x\n");
}

TEST(Prompts, AnswerEchoedToTheLog) {
  Console c("\n  a   b \n");
  c.openLog();
  Tokens t;
  promptstrings(c.io, "q1", t);
  EXPECT_EQ(t.count, 0);
  promptstrings(c.io, "q2", t);
  EXPECT_EQ(t.count, 2);
  EXPECT_EQ(c.log(), "q1 : (nothing input)\nq2 : a b\n");
}

TEST(Prompts, LongAnswersAreCutNotOverrun) {
  std::string answer(300, '7');
  Console c(answer + "\n" + std::string(5000, 'z') + "\n");
  Tokens t;
  promptstrings(c.io, "q", t);
  EXPECT_EQ(t[1], std::string(20, '7'));
  promptstrings(c.io, "q", t);
  EXPECT_EQ(t.count, 1);
}

TEST(Prompts, RealAndIntegerAskAgainWithTheReadersMessage) {
  Console c("abc\n\n2.5\n3.5\n\n99999\n7\n");
  c.openLog();
  EXPECT_EQ(promptreal(c.io, "x"), 2.5L);
  EXPECT_EQ(promptinteger(c.io, "n"), 7);
  EXPECT_EQ(c.out.str(),
            "x : abc not a real: replace with :   : "
            "n : 3.5 not an integer: replace with : nothing input : "
            "99999 too large: replace with : ");
}

TEST(Prompts, SeveralRealsOverSeveralLines) {
  Console c("1 2\n3 x\n4\n");
  int n = 4;
  std::vector<Real> v = promptreals(c.io, "four", n);
  EXPECT_EQ(v, (std::vector<Real>{1, 2, 3, 4}));
  EXPECT_EQ(c.out.str(), "four :   : x not a real: replace with : ");

  Console d("5 6 7\n");
  n = 0;
  v = promptreals(d.io, "any", n);
  EXPECT_EQ(n, 3);
}

TEST(Prompts, QueryYesNoAndHelp) {
  struct Case {
    const char* answer;
    bool yes;
  };
  for (Case k : {Case{"", true}, Case{"yes", true}, Case{"y", true}, Case{"Y", true},
                 Case{"1", true}, Case{"no", false}, Case{"ok", false}, Case{"yess", false}}) {
    Console c(std::string(k.answer) + "\n");
    c.openLog();
    EXPECT_EQ(query(c.io, "go on"), k.yes) << k.answer;
    EXPECT_EQ(c.log(), std::string("go on ? ") + (k.yes ? "yes" : "no") + "\n");
  }
  Console help("?\nn\n");
  EXPECT_FALSE(query(help.io, "sure"));
  EXPECT_EQ(help.out.str(), "sure ? \nyou are on your own...\nsure ? ");
}

TEST(Prompts, PromptcontrolResolvesAsk) {
  int state = kUsePreset;
  Console none("");
  promptcontrol(none.io, "use it", state);  // no question asked
  EXPECT_EQ(none.out.str(), "");
  for (auto [answer, expected] : std::vector<std::pair<std::string, int>>{
           {"", kUsePreset}, {"ok", kUsePreset}, {"1", kUsePreset}, {"n", kDontUse}}) {
    Console c(answer + "\n");
    state = kAsk;
    promptcontrol(c.io, "use it", state);
    EXPECT_EQ(state, expected) << answer;
  }
}

TEST(Prompts, KillWordEndsTheRun) {
  struct Case {
    const char* answer;
    Program program;
    bool kill;
  };
  const Case cases[] = {
      {"kill", Program::calculator, true},     {"  kill  ", Program::calculator, true},
      {"Kill", Program::calculator, false},    {"kil", Program::calculator, false},
      {"kill me", Program::calculator, false}, {"stop", Program::calculator, false},
      {"stop", Program::plotter, true},        {"shit", Program::plotter, true},
  };
  for (const Case& k : cases) {
    Console c(std::string(k.answer) + "\n", k.program);
    Tokens t;
    if (k.kill)
      EXPECT_THROW(promptstrings(c.io, "q", t), RunKilled) << k.answer;
    else
      EXPECT_NO_THROW(promptstrings(c.io, "q", t)) << k.answer;
  }
  Console q("kill\n");
  EXPECT_THROW(query(q.io, "q"), RunKilled);
  Console r("1 kill\n");
  int n = 2;
  EXPECT_THROW(promptreals(r.io, "q", n), RunKilled);
}

TEST(Prompts, EndOfInputStopsEveryQuestionOnce) {
  std::vector<std::function<void(Io&)>> questions = {
      [](Io& io) {
        Tokens t;
        promptstrings(io, "q", t);
      },
      [](Io& io) { promptreal(io, "q"); },
      [](Io& io) { promptinteger(io, "q"); },
      [](Io& io) {
        int n = 3;
        promptreals(io, "q", n);
      },
      [](Io& io) { query(io, "q"); },
      [](Io& io) {
        int s = kAsk;
        promptcontrol(io, "q", s);
      },
  };
  for (auto& ask : questions) {
    Console c("x\n");  // one unusable answer, then nothing
    try {
      ask(c.io);
      ask(c.io);
      FAIL() << "no stop at end of input";
    } catch (const Bombed& b) {
      EXPECT_EQ(b.procedure, "read in prstrings");
      EXPECT_EQ(b.message, "problems reading");
    }
  }
}

TEST(Prompts, FileLinesAndComments) {
  Console c("");
  std::istringstream file("a b %c d\nx%y z\n");
  Tokens t;
  rstringsc(c.io, file, t);
  EXPECT_EQ(t.count, 2);
  EXPECT_EQ(t[3], "");
  rstringsc(c.io, file, t);  // a '%' inside a token is ordinary
  EXPECT_EQ(t.count, 2);
  try {
    rstrings(c.io, file, t);
    FAIL();
  } catch (const Bombed& b) {
    EXPECT_EQ(b.procedure, "read in rstrings");
    EXPECT_EQ(b.message, "problems reading");
  }
}

}  // namespace pf
