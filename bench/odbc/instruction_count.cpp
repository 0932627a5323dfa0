#include "instruction_count.hpp"

#include "child_run.hpp"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace odbc_bench {
namespace {

constexpr const char* kValgrind = "/usr/bin/valgrind";

std::string ownProgram() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) throw std::runtime_error("cannot find this program's own path");
  return std::string(path, static_cast<std::size_t>(n));
}

// Total instructions of one measuring child run under callgrind.
unsigned long long countInstructions(const std::string& path, const std::string& connectionString, long long rows) {
  const std::string out = "/tmp/odbc-fetch-bench-callgrind." + std::to_string(getpid()) + "." + path;
  const ChildRun run = runProgram(kValgrind, {"--tool=callgrind", "--callgrind-out-file=" + out, ownProgram(),
                                              "--measure-path", path, "--connection", connectionString, "--rows",
                                              std::to_string(rows)});
  unsigned long long total = 0;
  {
    std::ifstream file(out);
    for (std::string line; std::getline(file, line);)
      if (line.rfind("summary: ", 0) == 0) total = std::stoull(line.substr(9));
  }
  std::remove(out.c_str());
  if (run.exitCode != 0 || total == 0)
    throw std::runtime_error("callgrind run of " + path + " failed (is valgrind installed?): " + run.output);
  return total;
}

}  // namespace

double instructionsPerRow(const std::string& path, const std::string& connectionString, long long smallerRows,
                          long long largerRows) {
  const auto smaller = countInstructions(path, connectionString, smallerRows);
  const auto larger = countInstructions(path, connectionString, largerRows);
  return double(larger - smaller) / double(largerRows - smallerRows);
}

}  // namespace odbc_bench
