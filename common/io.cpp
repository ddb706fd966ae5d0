#include "common/io.h"

#include <cmath>

#include "common/bomb.h"
#include "common/text.h"
#include "common/tokens.h"

namespace pf {

namespace {
// Geometry of the calculator's PostScript copy: US letter, 9-point Courier.
constexpr int kPsLeft = 36;
constexpr int kPsTop = 756;
constexpr int kPsBottom = 36;
constexpr int kPsLeading = 11;

std::string lineEnds(int code) {
  return code == 0 ? "" : code == 1 ? "\n" : "\n\n";
}

}  // namespace

Io::Io(Program program, std::istream& consoleIn, std::ostream& consoleOut, FileSystem& files)
    : program_(program), in_(consoleIn), out_(consoleOut), files_(files) {
  outputcontrol.include(kConsole);
  if (program == Program::plotter) pageWidth = kPlotterPageWidth;
}

Io::~Io() {
  for (auto& stream : streams_)
    if (stream) stream->flush();
}

int Io::tokenCapacity() const {
  return program_ == Program::calculator ? kCalculatorTokens : kPlotterTokens;
}

void Io::putstr(int before, std::string_view text, int after, unsigned mask) {
  if (recorded_ != nullptr) {
    recorded_->push_back({before, std::string(text), after, mask});
    return;
  }
  BSet wanted = BSet::ofMask(mask).intersect(outputcontrol);
  if (wanted.contains(kEditor)) bomb("putstr", "TE not impemented yet");
  if (wanted.contains(kConsole)) {
    out_ << lineEnds(before);
    if (dontwrap && static_cast<int>(text.size()) > pageWidth - 2) {
      out_ << consoleText(text.substr(0, static_cast<std::size_t>(std::max(pageWidth - 2, 0))))
           << '#';
    } else {
      out_ << consoleText(text);
    }
    out_ << lineEnds(after);
  }
  for (int member : {kOutfile, kLogfile, kOfile, kSecondFile})
    if (wanted.contains(member)) writeToFile(member, before, text, after);
  if (wanted.contains(kPostScript)) writeToPostScript(before, text, after);
}

// A control character in a name or a token is shown, never sent to the
// terminal; the files keep every byte as it is.
std::string Io::consoleText(std::string_view text) const {
  std::string shown = visibleText(text);
  return utf8Console ? consoleUtf8(shown) : shown;
}

void Io::writeToFile(int member, int before, std::string_view text, int after) {
  std::ostream* stream = streams_[member].get();
  if (stream == nullptr) return;
  *stream << lineEnds(before) << text << lineEnds(after);
  // the results files are flushed at the end of each pass, the others at once
  if (member != kOutfile && member != kSecondFile) stream->flush();
}

void Io::writeToPostScript(int before, std::string_view text, int after) {
  std::ostream* stream = streams_[kPostScript].get();
  if (stream == nullptr) return;
  if (program_ == Program::plotter) {
    // the drawing program's texts are PostScript already
    *stream << lineEnds(before) << text << lineEnds(after);
    return;
  }
  for (int i = 0; i < (before == 0 ? 0 : before == 1 ? 1 : 2); ++i) postScriptLineEnd();
  psLine_ += text;
  for (int i = 0; i < (after == 0 ? 0 : after == 1 ? 1 : 2); ++i) postScriptLineEnd();
}

void Io::postScriptLineEnd() {
  std::ostream& ps = *streams_[kPostScript];
  if (psY_ < kPsBottom) {
    ps << "showpage\n/Courier findfont 9 scalefont setfont\n";
    psY_ = kPsTop;
  }
  if (!psLine_.empty())
    ps << kPsLeft << ' ' << psY_ << " moveto (" << psString(psLine_) << ") show\n";
  psLine_.clear();
  psY_ -= kPsLeading;
}

bool Io::readConsoleLine(std::string& line) {
  out_.flush();
  return readLine(in_, line);
}

bool Io::openOutput(int member, const std::string& name, bool append) {
  if (member < kOutfile || member > kLastMember) return false;
  closeOutput(member);
  auto stream = files_.openWrite(name, append);
  if (!stream) return false;
  streams_[member] = std::move(stream);
  names_[member] = name;
  outputcontrol.include(member);
  if (member == kPostScript && program_ == Program::calculator) {
    *streams_[member] << "%!PS-Adobe-3.0\n/Courier findfont 9 scalefont setfont\n";
    psY_ = kPsTop;
    psLine_.clear();
  }
  return true;
}

void Io::closeOutput(int member) {
  if (member < 0 || member > kLastMember) return;
  if (streams_[member]) {
    if (member == kPostScript && program_ == Program::calculator && !psLine_.empty())
      postScriptLineEnd();
    streams_[member]->flush();
    streams_[member].reset();
  }
  outputcontrol.exclude(member);
}

void Io::flushOutput(int member) {
  if (member >= 0 && member <= kLastMember && streams_[member]) streams_[member]->flush();
}

void Io::recordFor(const Io& target, std::vector<PutCall>* calls) {
  recordTarget_ = &target;
  recorded_ = calls;
  pageWidth = target.pageWidth;
  dontwrap = target.dontwrap;
  outputcontrol = target.outputcontrol;
}

void Io::replay(const std::vector<PutCall>& calls, std::size_t from, std::size_t to) {
  for (std::size_t k = from; k < to && k < calls.size(); ++k)
    putstr(calls[k].before, calls[k].text, calls[k].after, calls[k].mask);
}

bool Io::isOpen(int member) const {
  if (recordTarget_ != nullptr) return recordTarget_->isOpen(member);
  return member >= 0 && member <= kLastMember && streams_[member] != nullptr;
}

const std::string& Io::outputName(int member) const {
  static const std::string none;
  return member >= 0 && member <= kLastMember ? names_[member] : none;
}

void Io::writeRaw(int member, std::string_view bytes) {
  if (isOpen(member)) {
    *streams_[member] << bytes;
    streams_[member]->flush();
  }
}

namespace {
long roundedK(long bytes) {
  return std::lround(static_cast<double>(bytes) / 1024.0);
}
}  // namespace

void Io::reportAllocation(std::string_view name, long bytes) {
  heap_ += bytes;
  if (!monitorheap) return;
  putstr(0,
         "space allocated for " + cut20(name) + " is " + std::to_string(roundedK(bytes)) +
             "k; , heap now " + std::to_string(roundedK(heap_)) + "k",
         1, kToConsole);
}

void Io::reportRelease(std::string_view name, long bytes) {
  heap_ -= bytes;
  if (!monitorheap) return;
  putstr(0,
         "space disposed for " + cut20(name) + "; heap size now " +
             std::to_string(roundedK(heap_)) + "k",
         1, kToConsole);
}

void addfield(std::string& line, std::string_view text, int width) {
  if (!line.empty() && line.back() == kOverflowMark) return;
  std::size_t w = static_cast<std::size_t>(width < 0 ? -width : width);
  std::size_t added = std::max(w, text.size());
  if (line.size() + added > kMaxLine) {
    line += kOverflowMark;
    return;
  }
  std::string padding(w > text.size() ? w - text.size() : 0, ' ');
  if (width > 0)
    line += padding + std::string(text);
  else
    line += std::string(text) + padding;
}

void addfield(std::string& line, Real value, int digits, Digits mode, int width) {
  addfield(line, realToText(value, digits, mode), width);
}

void addfield(std::string& line, Real value, int width) {
  addfield(line, realToText(value), width);
}

std::string ordinal(int n) {
  std::string digits = std::to_string(n);
  const char* tail = n == 1 ? "st" : n == 2 ? "nd" : n == 3 ? "rd" : "th";
  return cut5(digits + tail);
}

}  // namespace pf
