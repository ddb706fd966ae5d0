// The one channel for console and file text: the output destinations,
// `putstr`, the field builder, console lines and the heap monitor.
#pragma once

#include <array>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/bset.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/real.h"

namespace pf {

enum class Program { calculator, plotter };

// Members of `outputcontrol`.
inline constexpr int kConsole = 0;
inline constexpr int kEditor = 1;  // never available
inline constexpr int kOutfile = 2;
inline constexpr int kLogfile = 3;
inline constexpr int kPostScript = 4;
inline constexpr int kOfile = 5;
// The second results file: the assignment-syntax blocks that algebra
// programs read back (tables, average P-T).
inline constexpr int kSecondFile = 6;
inline constexpr int kLastMember = kSecondFile;

// The masks callers name destinations by.
inline constexpr unsigned kToConsole = 1;
inline constexpr unsigned kToConsoleLog = 9;
inline constexpr unsigned kToLog = 8;
inline constexpr unsigned kToResultsLog = 12;
inline constexpr unsigned kToAll = 13;
inline constexpr unsigned kToOfile = 32;
inline constexpr unsigned kToSecondFile = 64;

inline constexpr int kDefaultPageWidth = 80;
inline constexpr int kPlotterPageWidth = 150;
inline constexpr std::size_t kMaxLine = 240;  // a built line takes no fields past this

// One putstr call, as a recording Io keeps it.
struct PutCall {
  int before = 0;
  std::string text;
  int after = 0;
  unsigned mask = 0;
};

class Io {
 public:
  Io(Program program, std::istream& consoleIn, std::ostream& consoleOut, FileSystem& files);
  ~Io();
  Io(const Io&) = delete;
  Io& operator=(const Io&) = delete;

  Program program() const { return program_; }
  FileSystem& files() { return files_; }

  // Writes text to the destinations of mask that are open. before: 0 none,
  // 1 one line end, else two; after: 0 line stays open, 1 ends it, else ends
  // it and adds an empty line.
  void putstr(int before, std::string_view text, int after, unsigned mask);
  // Ends the current line on the destinations of mask.
  void endLine(unsigned mask) { putstr(0, "", 1, mask); }

  // Reads one console line; false at end of input or on a read fault.
  bool readConsoleLine(std::string& line);

  bool openOutput(int member, const std::string& name, bool append);
  void closeOutput(int member);
  void flushOutput(int member);
  bool isOpen(int member) const;
  const std::string& outputName(int member) const;
  // Writes raw bytes to one open file destination, bypassing putstr.
  void writeRaw(int member, std::string_view bytes);

  int tokenCapacity() const;

  // Recording: putstr keeps its calls in `calls` instead of writing them,
  // and isOpen answers as `target` does. Work done on another thread is
  // written later, by `replay` on the Io it was recorded for, in the order
  // one thread would have written it.
  void recordFor(const Io& target, std::vector<PutCall>* calls);
  void replay(const std::vector<PutCall>& calls, std::size_t from, std::size_t to);

  // The files the run reads, so that no output file is made over one of them.
  void noteInput(const std::string& name) { inputs_.push_back(name); }
  const std::vector<std::string>& inputs() const { return inputs_; }

  // Heap monitor: a running count of the large tables in use.
  void reportAllocation(std::string_view name, long bytes);
  void reportRelease(std::string_view name, long bytes);
  long heapBytes() const { return heap_; }

  BSet outputcontrol;
  int pageWidth = kDefaultPageWidth;
  bool dontwrap = true;
  // The console shows the system's single-byte characters as UTF-8 (the
  // programs set it from the locale; the preferences may turn it off).
  bool utf8Console = false;
  bool monitorheap = false;
  std::string programName;
  std::string dateStamp;
  Real roundingUnit = 0;

 private:
  std::string consoleText(std::string_view text) const;
  void writeToFile(int member, int before, std::string_view text, int after);
  void writeToPostScript(int before, std::string_view text, int after);
  void postScriptLineEnd();

  Program program_;
  std::istream& in_;
  std::ostream& out_;
  FileSystem& files_;
  std::array<std::unique_ptr<std::ostream>, kLastMember + 1> streams_;
  std::array<std::string, kLastMember + 1> names_;
  std::vector<std::string> inputs_;
  long heap_ = 0;
  const Io* recordTarget_ = nullptr;
  std::vector<PutCall>* recorded_ = nullptr;
  // the calculator's PostScript copy: the line being built and the page position
  std::string psLine_;
  int psY_ = 0;
};

// Appends a value's text right-aligned in width w (w > 0), left-aligned in
// -w (w < 0) or unpadded (w = 0). A line about to pass 240 characters gets
// the mark 0xA4 instead and takes no further fields.
void addfield(std::string& line, std::string_view text, int width);
void addfield(std::string& line, Real value, int digits, Digits mode, int width);
void addfield(std::string& line, Real value, int width);

std::string ordinal(int n);  // "1st", "2nd", "3rd", "4th" ... "200th"

}  // namespace pf
