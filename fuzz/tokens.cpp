// The tokenizer, the number readers and the real-to-text routines on any
// line: every token is classified and read by each reader it could be meant
// for, and every real read is written back at several precisions.
#include "common/tokens.h"

#include <cstdint>
#include <string>
#include <vector>

#include "common/numbers.h"
#include "common/text.h"
#include "fuzz/support.h"

namespace {

void writeBack(pf::Real value) {
  for (int n : {1, 4, 7, 12, 19}) {
    (void)pf::realToText(value, n, pf::Digits::significant);
    (void)pf::realToText(value, n, pf::Digits::fixed);
  }
  (void)pf::realToText(value);
  (void)pf::decimalPlaces(value, pf::PlacesMode::afterPoint);
  (void)pf::decimalPlaces(value, pf::PlacesMode::leadingZeros, 3);
  // these stop the run (an ordinary fatal report) past the 32-bit range
  pf::fuzz::guarded([&] { (void)pf::realToRational(value); });
  pf::fuzz::guarded([&] { (void)pf::roundToInt(value); });
  pf::fuzz::guarded([&] { (void)pf::truncToInt(value); });
}

void readToken(const std::string& token) {
  std::string message;
  pf::Real real = 0;
  if (pf::readReal(token, real, message)) writeBack(real);
  int integer = 0;
  (void)pf::readInteger(token, integer, message);
  (void)pf::readShortint(token, integer, message);
  int numerator = 0;
  int denominator = 1;
  (void)pf::readRational(token, numerator, denominator, message);
  const int kind = pf::sstringkind(token);
  pf::fuzz::guarded([&] { (void)pf::getinteger(kind, token, "fuzz"); });
  pf::fuzz::guarded([&] { (void)pf::getrational(kind, token, "fuzz"); });
  pf::fuzz::guarded([&] { writeBack(pf::getsingle(kind, token, "fuzz")); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line = pf::fuzz::text(data, size);
  for (int capacity : {pf::kPlotterTokens, pf::kCalculatorTokens}) {
    pf::Tokens tokens;
    bool cut = true;
    pf::fuzz::guarded([&] {
      pf::string2strings(line, static_cast<int>(line.size()), tokens, capacity);
      cut = false;
    });
    if (cut) continue;
    (void)tokens.joined(2);
    for (int i = 1; i <= tokens.count; ++i) readToken(tokens[i]);
    std::vector<pf::Real> reals;
    std::vector<int> integers;
    for (int count : {-1, 0, 2}) {
      int wanted = count;
      (void)pf::readReals(tokens, 0, wanted, reals);
      wanted = count;
      (void)pf::readIntegers(tokens, 1, wanted, integers);
    }
  }
  (void)pf::visibleText(line);
  (void)pf::consoleUtf8(line);
  (void)pf::psString(line);
  (void)pf::cutText(line);
  return 0;
}
