// Where files come from: the working directory, or memory in tests.
#pragma once

#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <string>

namespace pf {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // nullptr when the file cannot be opened; the caller reports it.
  virtual std::unique_ptr<std::istream> openRead(const std::string& name) = 0;
  // Creates or empties the file, or appends to it.
  virtual std::unique_ptr<std::ostream> openWrite(const std::string& name, bool append) = 0;
  virtual bool exists(const std::string& name) = 0;
};

class DiskFiles : public FileSystem {
 public:
  std::unique_ptr<std::istream> openRead(const std::string& name) override;
  std::unique_ptr<std::ostream> openWrite(const std::string& name, bool append) override;
  bool exists(const std::string& name) override;
};

// Files held in memory, for tests: what is written is visible at once.
class MemoryFiles : public FileSystem {
 public:
  std::unique_ptr<std::istream> openRead(const std::string& name) override;
  std::unique_ptr<std::ostream> openWrite(const std::string& name, bool append) override;
  bool exists(const std::string& name) override;

  std::map<std::string, std::string> contents;
};

// Reads one line ending in LF, CR LF or CR. False at end of file with
// nothing read, or on a stream fault.
bool readLine(std::istream& in, std::string& line);
// True when nothing but end of file is left.
bool atEnd(std::istream& in);

}  // namespace pf
