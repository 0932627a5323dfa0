#include "instruction_count.hpp"

#include "child_run.hpp"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

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
unsigned long long countInstructions(const std::string& path, const std::string& connectionString, long long rows,
                                     const std::string& collectOnly) {
  const std::string out = "/tmp/odbc-bench-callgrind." + std::to_string(getpid()) + "." + path;
  std::vector<std::string> arguments{"--tool=callgrind", "--callgrind-out-file=" + out};
  if (!collectOnly.empty()) arguments.push_back("--toggle-collect=" + collectOnly);
  for (const std::string& argument : {ownProgram(), std::string("--measure-path"), path, std::string("--connection"),
                                      connectionString, std::string("--rows"), std::to_string(rows)})
    arguments.push_back(argument);
  const ChildRun run = runProgram(kValgrind, arguments);
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
                          long long largerRows, const std::string& collectOnly) {
  const auto smaller = countInstructions(path, connectionString, smallerRows, collectOnly);
  const auto larger = countInstructions(path, connectionString, largerRows, collectOnly);
  return double(larger - smaller) / double(largerRows - smallerRows);
}

}  // namespace odbc_bench
