#include "trace_files.h"

#include <fstream>
#include <memory>
#include <utility>

#include "trace.h"

#ifndef _WIN32
#include <ext/stdio_filebuf.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sqelto {

#ifdef _WIN32

std::string ReadTraceSwitchLine() {
  std::ifstream switchFile(TraceSwitchFilePath());
  std::string line;
  if (switchFile.is_open()) std::getline(switchFile, line);
  return line;
}

std::ostream *OpenTraceLog(const std::string &path) {
  auto stream = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::app);
  return stream->is_open() ? stream.release() : nullptr;
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
