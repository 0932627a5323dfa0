// Runs this program again as a child process and reports what it printed and
// its peak resident set size. Each measurement runs in a fresh process so
// that its peak memory is its own, not the maximum of everything before it.
#pragma once

#include <string>
#include <vector>

namespace odbc_bench {

struct ChildRun {
  std::string output;       // everything the child wrote to stdout
  long peakRssKilobytes = 0;
  int exitCode = -1;        // -1 when the child did not exit normally
};

ChildRun runSelf(const std::vector<std::string>& arguments);
// The same for another program (a path, not looked up on PATH).
ChildRun runProgram(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace odbc_bench
