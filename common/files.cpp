#include "common/files.h"

#include <fstream>
#include <sstream>

namespace pf {

std::unique_ptr<std::istream> DiskFiles::openRead(const std::string& name) {
  auto in = std::make_unique<std::ifstream>(name, std::ios::binary);
  if (!in->is_open()) return nullptr;
  return in;
}

std::unique_ptr<std::ostream> DiskFiles::openWrite(const std::string& name, bool append) {
  auto mode = std::ios::binary | (append ? std::ios::app : std::ios::trunc);
  auto out = std::make_unique<std::ofstream>(name, mode);
  if (!out->is_open()) return nullptr;
  return out;
}

bool DiskFiles::exists(const std::string& name) {
  std::ifstream probe(name);
  return probe.is_open();
}

namespace {

// An output buffer that appends straight to a string held elsewhere.
class AppendBuffer : public std::streambuf {
 public:
  explicit AppendBuffer(std::string& target) : target_(target) {}

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) target_.push_back(static_cast<char>(c));
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    target_.append(s, static_cast<std::size_t>(n));
    return n;
  }

 private:
  std::string& target_;
};

class AppendStream : public std::ostream {
 public:
  explicit AppendStream(std::string& target) : std::ostream(nullptr), buffer_(target) {
    rdbuf(&buffer_);
  }

 private:
  AppendBuffer buffer_;
};

}  // namespace

std::unique_ptr<std::istream> MemoryFiles::openRead(const std::string& name) {
  auto it = contents.find(name);
  if (it == contents.end()) return nullptr;
  return std::make_unique<std::istringstream>(it->second);
}

std::unique_ptr<std::ostream> MemoryFiles::openWrite(const std::string& name, bool append) {
  std::string& target = contents[name];
  if (!append) target.clear();
  return std::make_unique<AppendStream>(target);
}

bool MemoryFiles::exists(const std::string& name) {
  return contents.count(name) != 0;
}

bool readLine(std::istream& in, std::string& line) {
  line.clear();
  if (!in.good()) return false;
  std::streambuf* buffer = in.rdbuf();
  if (buffer == nullptr) return false;
  using traits = std::char_traits<char>;
  int c = buffer->sbumpc();
  if (c == traits::eof()) {
    in.setstate(std::ios::eofbit);
    return false;
  }
  while (c != traits::eof() && c != '\n' && c != '\r') {
    line.push_back(static_cast<char>(c));
    c = buffer->sbumpc();
  }
  if (c == '\r' && buffer->sgetc() == '\n') buffer->sbumpc();
  if (c == traits::eof()) in.setstate(std::ios::eofbit);
  return true;
}

bool atEnd(std::istream& in) {
  if (!in.good() || in.rdbuf() == nullptr) return true;
  if (in.rdbuf()->sgetc() == std::char_traits<char>::eof()) {
    in.setstate(std::ios::eofbit);
    return true;
  }
  return false;
}

}  // namespace pf
