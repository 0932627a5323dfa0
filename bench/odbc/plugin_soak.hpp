// Many short queries through the plug-in: select, read every value, drop the
// result, again and again on one connection, as a long-running host program
// does. What must not grow: the host strings and objects alive, and the
// process's resident memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace odbc_bench {

struct SoakReport {
  long long cycles = 0;
  int64_t stringsBefore = 0, stringsAfter = 0;  // host strings alive before the first and after the last cycle
  int64_t objectsBefore = 0, objectsAfter = 0;
  std::vector<std::pair<long long, long>> residentKilobytes;  // (cycles done, RSS) at checkpoints
  long long valuesRead = 0;
};

// Runs `cycles` select/fetch/destroy cycles over a small table of its own in
// the SQLite database of `connectionString`, through the plug-in in the
// substitute host. Throws on any failure (including a value read wrongly).
SoakReport soakPlugin(const std::string& connectionString, long long cycles);

}  // namespace odbc_bench
