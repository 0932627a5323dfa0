// One way of inserting the benchmark rows: prepared once, then for each row
// its five values bound and the statement executed, all in one transaction.
// Only that work is timed; making the values (in the program's own form) is
// not, so every path is measured from the same starting point. Each path
// does a row's timed work in a function named insertTimedRow, which is what
// the instruction counts (--instructions) collect.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace odbc_bench {

class InsertPath {
public:
  virtual ~InsertPath() = default;
  virtual std::string name() const = 0;
  // Inserts rows 1 .. rows into insert_rows and commits; returns the seconds
  // spent binding, executing and committing. Throws on any failure.
  virtual double insertAll(const std::string& connectionString, int rows) = 0;
};

// "raw-odbc": the same calls a hand-written ODBC program makes.
std::unique_ptr<InsertPath> rawOdbcInsertPath();
// "plugin": ODBCPreparedStatement of Sqelto in the substitute host.
std::unique_ptr<InsertPath> pluginInsertPath();

std::vector<std::unique_ptr<InsertPath>> allInsertPaths();

}  // namespace odbc_bench
