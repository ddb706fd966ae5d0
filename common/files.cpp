#include "common/files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/text.h"

namespace pf {

bool usableFileName(const std::string& name) {
  return !name.empty() && !holdsControl(name);
}

std::unique_ptr<std::istream> DiskFiles::openRead(const std::string& name) {
  if (!usableFileName(name) || isFolder(name)) return nullptr;
  auto in = std::make_unique<std::ifstream>(name, std::ios::binary);
  if (!in->is_open()) return nullptr;
  return in;
}

std::unique_ptr<std::ostream> DiskFiles::openWrite(const std::string& name, bool append) {
  if (!usableFileName(name) || isFolder(name)) return nullptr;
  auto mode = std::ios::binary | (append ? std::ios::app : std::ios::trunc);
  auto out = std::make_unique<std::ofstream>(name, mode);
  if (!out->is_open()) return nullptr;
  return out;
}

bool DiskFiles::exists(const std::string& name) {
  if (!usableFileName(name)) return false;
  struct stat info {};
  return ::stat(name.c_str(), &info) == 0;
}

bool DiskFiles::isFolder(const std::string& name) {
  if (!usableFileName(name)) return false;
  struct stat info {};
  return ::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DiskFiles::sameFile(const std::string& a, const std::string& b) {
  if (!usableFileName(a) || !usableFileName(b)) return false;
  struct stat first {
  }, second{};
  if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
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
  return contents.count(name) != 0 || folders.count(name) != 0;
}

bool MemoryFiles::isFolder(const std::string& name) {
  return folders.count(name) != 0;
}

bool MemoryFiles::sameFile(const std::string& a, const std::string& b) {
  return a == b && contents.count(a) != 0;
}

namespace {

// The get area of a stream buffer. Its members are protected; pointers to
// them taken through a derived class reach them without a cast.
struct GetArea : std::streambuf {
  static const char* next(std::streambuf& b) { return (b.*&GetArea::gptr)(); }
  static const char* end(std::streambuf& b) { return (b.*&GetArea::egptr)(); }
  static void skip(std::streambuf& b, int n) { (b.*&GetArea::gbump)(n); }
};

// The buffer is read directly, so a read fault arrives as an exception of
// the buffer rather than as a stream state. What the buffer holds is taken a
// stretch at a time, up to the next line end; a buffer that holds nothing
// after asking for more is read a character at a time.
bool readLineFromBuffer(std::istream& in, std::streambuf& buffer, std::string& line) {
  using traits = std::char_traits<char>;
  if (buffer.sgetc() == traits::eof()) {
    in.setstate(std::ios::eofbit);
    return false;
  }
  for (;;) {
    const char* from = GetArea::next(buffer);
    const char* to = GetArea::end(buffer);
    if (from == to) {
      int c = buffer.sbumpc();
      if (c == traits::eof()) {
        in.setstate(std::ios::eofbit);
        return true;
      }
      if (c == '\n') return true;
      if (c == '\r') {
        if (buffer.sgetc() == '\n') buffer.sbumpc();
        return true;
      }
      line.push_back(static_cast<char>(c));
      if (buffer.sgetc() == traits::eof()) {
        in.setstate(std::ios::eofbit);
        return true;
      }
      continue;
    }
    constexpr std::size_t kStretch = 1u << 20;  // a skip is an int
    std::size_t length = std::min(static_cast<std::size_t>(to - from), kStretch);
    const char* stop = from + length;
    if (const void* lf = std::memchr(from, '\n', length)) stop = static_cast<const char*>(lf);
    if (const void* cr = std::memchr(from, '\r', static_cast<std::size_t>(stop - from)))
      stop = static_cast<const char*>(cr);
    line.append(from, static_cast<std::size_t>(stop - from));
    GetArea::skip(buffer, static_cast<int>(stop - from));
    if (stop == from + length) {
      if (buffer.sgetc() == traits::eof()) {
        in.setstate(std::ios::eofbit);
        return true;
      }
      continue;
    }
    const int c = buffer.sbumpc();  // the line end
    if (c == '\r' && buffer.sgetc() == '\n') buffer.sbumpc();
    return true;
  }
}

void markBad(std::istream& in) {
  try {
    in.setstate(std::ios::badbit);
  } catch (...) {
    // a stream that throws on bad is still left bad
  }
}

}  // namespace

bool readLine(std::istream& in, std::string& line) {
  line.clear();
  if (!in.good()) return false;
  std::streambuf* buffer = in.rdbuf();
  if (buffer == nullptr) return false;
  try {
    return readLineFromBuffer(in, *buffer, line);
  } catch (...) {
    line.clear();
    markBad(in);
    return false;
  }
}

bool atEnd(std::istream& in) {
  if (!in.good() || in.rdbuf() == nullptr) return true;
  try {
    if (in.rdbuf()->sgetc() != std::char_traits<char>::eof()) return false;
    in.setstate(std::ios::eofbit);
  } catch (...) {
    markBad(in);
  }
  return true;
}

}  // namespace pf
