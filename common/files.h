// Where files come from: the working directory, or memory in tests.
#pragma once

#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <set>
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
  // True when the name is a folder, which is never read or written as a file.
  virtual bool isFolder(const std::string& name) = 0;
  // True when the two names reach one and the same existing file.
  virtual bool sameFile(const std::string& a, const std::string& b) = 0;
};

// A name the system can be given as it is: the system cuts a name at a NUL,
// so that "pf-de" NUL "mo.txt" and its "-o" name would both reach "pf-de".
bool usableFileName(const std::string& name);

// The working directory. Names that are not usable and folders are never
// opened.
class DiskFiles : public FileSystem {
 public:
  std::unique_ptr<std::istream> openRead(const std::string& name) override;
  std::unique_ptr<std::ostream> openWrite(const std::string& name, bool append) override;
  bool exists(const std::string& name) override;
  bool isFolder(const std::string& name) override;
  bool sameFile(const std::string& a, const std::string& b) override;
};

// Files held in memory, for tests: what is written is visible at once.
class MemoryFiles : public FileSystem {
 public:
  std::unique_ptr<std::istream> openRead(const std::string& name) override;
  std::unique_ptr<std::ostream> openWrite(const std::string& name, bool append) override;
  bool exists(const std::string& name) override;
  bool isFolder(const std::string& name) override;
  bool sameFile(const std::string& a, const std::string& b) override;

  std::map<std::string, std::string> contents;
  std::set<std::string> folders;
};

// Reads one line ending in LF, CR LF or CR. False at end of file with
// nothing read, or on a stream fault (the stream is then marked bad).
bool readLine(std::istream& in, std::string& line);
// True when nothing but end of file is left.
bool atEnd(std::istream& in);

}  // namespace pf
