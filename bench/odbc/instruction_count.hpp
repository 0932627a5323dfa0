// Instructions per row, counted by valgrind's callgrind: unlike wall-clock
// time on a shared machine, the count does not depend on the load. One
// measurement runs this program under callgrind for two row counts; the
// difference divided by the difference in rows is the cost of one row,
// without connecting and loading.
#pragma once

#include <string>

namespace odbc_bench {

// Instructions per row of `path` reading from `connectionString` (the bench
// table must hold at least `largerRows` rows). With `collectOnly` (a
// callgrind function pattern) only what runs inside those functions counts.
double instructionsPerRow(const std::string& path, const std::string& connectionString, long long smallerRows,
                          long long largerRows, const std::string& collectOnly = "");

}  // namespace odbc_bench
