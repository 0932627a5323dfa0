#include "trace_files.h"

#include <climits>
#include <memory>
#include <utility>

#include "trace.h"

#ifdef _WIN32
#include <windows.h>

#include <streambuf>
#include <string_view>
#else
#include <ext/stdio_filebuf.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sqelto {

#ifdef _WIN32

namespace {

// The longest path Windows takes, in UTF-16 units.
constexpr std::size_t kLongestPathUnits = 32767;
// Enough of the switch file for a first line of that length in any of the
// forms below (three bytes a unit in UTF-8) and its byte-order mark.
constexpr std::size_t kSwitchFileBytesRead = kLongestPathUnits * 3 + 3;

std::wstring Widen(UINT codePage, DWORD flags, std::string_view bytes) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), units);
  return wide;
}

std::string Utf8Of(std::wstring_view wide) {
  if (wide.empty() || wide.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int size = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), bytes, nullptr, nullptr);
  return text;
}

// The first line, whichever way Windows tools save a text file: UTF-16 with
// its byte-order mark (PowerShell's redirection, Notepad's "Unicode"), UTF-8
// with or without one (Notepad), else the ANSI code page, the code page of
// narrow file names (cmd's echo writes ASCII paths alike in all). Taken
// as ANSI bytes alone, a byte-order mark became part of the path, a UTF-8
// name outside ASCII named another file, and a path outside the ANSI code
// page could not be named at all.
std::wstring FirstLineOf(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) {
    std::wstring line;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8);
      if (unit == L'\n') break;
      line += unit;
    }
    return line;
  }
  const bool markedUtf8 = bytes.starts_with("\xEF\xBB\xBF");
  if (markedUtf8) bytes.remove_prefix(3);
  bytes = bytes.substr(0, bytes.find('\n'));
  if (markedUtf8) return Widen(CP_UTF8, 0, bytes);
  // Text that reads as UTF-8 is taken as such: ANSI text outside ASCII
  // (such as "J\xFCrgen" in code page 1252) practically never does.
  std::wstring line = Widen(CP_UTF8, MB_ERR_INVALID_CHARS, bytes);
  return line.empty() ? Widen(CP_ACP, 0, bytes) : line;
}

}  // namespace

// Returned as UTF-8, the form OpenTraceLog takes.
std::string ReadTraceSwitchLine() {
  HANDLE file = CreateFileA(TraceSwitchFilePath(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (bytes.size() < kSwitchFileBytesRead && ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
    bytes.append(chunk, got);
  CloseHandle(file);
  if (bytes.size() > kSwitchFileBytesRead) bytes.resize(kSwitchFileBytesRead);
  const std::wstring line = FirstLineOf(bytes);
  // One longer than any path (or cut above) leaves tracing off.
  return line.size() <= kLongestPathUnits ? Utf8Of(line) : std::string();
}

namespace {

// Appends a whole line at a time at the end of the log. Every connection has
// a stream of its own on the log, and so may other programs; a C runtime
// stream opened for appending moves to the end and then writes, so a line
// that another stream appended in between is written over and lost. Here
// each line is appended while holding a lock that every trace stream takes,
// on one byte far past any end the log will reach (a lock on Windows keeps
// others only from the bytes it covers, so readers of the log are never
// held up). Line ends are CR LF, as in any Windows text file.
class LockedAppendBuffer final : public std::streambuf {
public:
  explicit LockedAppendBuffer(HANDLE file) : file_(file) {}
  ~LockedAppendBuffer() override {
    sync();
    CloseHandle(file_);
  }
  LockedAppendBuffer(const LockedAppendBuffer &) = delete;
  LockedAppendBuffer &operator=(const LockedAppendBuffer &) = delete;

protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    put(traits_type::to_char_type(ch));
    return ch;
  }

  std::streamsize xsputn(const char *text, std::streamsize count) override {
    for (std::streamsize i = 0; i < count; ++i) put(text[i]);
    return count;
  }

  // What was written up to a flush (one trace line) goes out in one write.
  int sync() override {
    if (pending_.empty()) return 0;
    const std::string out = std::exchange(pending_, std::string());
    if (out.size() > MAXDWORD) return -1;
    OVERLAPPED lockPlace{};
    lockPlace.OffsetHigh = kLockOffsetHigh;
    // Without the lock (a file system that has none) the line is still written.
    const bool locked = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockPlace) != 0;
    DWORD written = 0;
    const bool whole = SetFilePointerEx(file_, LARGE_INTEGER{}, nullptr, FILE_END) &&
                       WriteFile(file_, out.data(), static_cast<DWORD>(out.size()), &written, nullptr) &&
                       written == out.size();
    if (locked) UnlockFileEx(file_, 0, 1, 0, &lockPlace);
    return whole ? 0 : -1;
  }

private:
  static constexpr DWORD kLockOffsetHigh = 0x40000000;  // the byte at 2^62

  void put(char c) {
    if (c == '\n') pending_ += '\r';
    pending_ += c;
  }

  HANDLE file_;
  std::string pending_;
};

class TraceLogFile final : public std::ostream {
public:
  explicit TraceLogFile(HANDLE file) : std::ostream(nullptr), buffer_(file) { rdbuf(&buffer_); }

private:
  LockedAppendBuffer buffer_;
};

}  // namespace

std::ostream *OpenTraceLog(const std::string &path) {
  const std::wstring wide = Widen(CP_UTF8, 0, path);
  if (wide.empty()) return nullptr;
  // Shared for reading and writing by other connections and programs.
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  try {
    return new TraceLogFile(file);
  } catch (...) {
    CloseHandle(file);
    throw;
  }
}

#else

namespace {

// Closes the descriptor unless it was handed on.
class Descriptor {
public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

private:
  int fd_;
};

// A log stream over a descriptor opened for appending; closes it when it goes.
class TraceLogFile final : public std::ostream {
public:
  explicit TraceLogFile(int fd) : std::ostream(nullptr), buffer_(fd, std::ios::out | std::ios::app) { rdbuf(&buffer_); }

private:
  __gnu_cxx::stdio_filebuf<char> buffer_;
};

bool IsRegularFile(int fd, struct stat &status) { return fstat(fd, &status) == 0 && S_ISREG(status.st_mode); }

}  // namespace

std::string ReadTraceSwitchLine() {
  // No symbolic link is followed, and a FIFO put in its place does not block.
  Descriptor file(open(TraceSwitchFilePath(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return {};
  struct stat status {};
  if (!IsRegularFile(file.get(), status)) return {};
  if (status.st_uid != geteuid() && status.st_uid != 0) return {};
  if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) return {};

  // The first line; one longer than any path leaves tracing off.
  std::string line;
  char chunk[512];
  while (line.size() <= PATH_MAX) {
    const ssize_t got = read(file.get(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const auto count = static_cast<std::size_t>(got);
    if (const void *end = std::memchr(chunk, '\n', count)) {
      line.append(chunk, static_cast<std::size_t>(static_cast<const char *>(end) - chunk));
      return line.size() <= PATH_MAX ? line : std::string();
    }
    line.append(chunk, count);
  }
  return line.size() <= PATH_MAX ? line : std::string();
}

std::ostream *OpenTraceLog(const std::string &path) {
  Descriptor log(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  if (log.get() < 0) return nullptr;
  struct stat status {};
  if (!IsRegularFile(log.get(), status) || status.st_uid != geteuid()) return nullptr;
  auto stream = std::make_unique<TraceLogFile>(log.get());
  log.release();  // the stream's buffer closes it now
  return stream.release();
}

#endif

}  // namespace sqelto
