// One way of reading a whole result set and doing the per-value work a host
// program does. The benchmark measures every registered path on the same data
// in the same run and reports each one's rate against the raw ODBC loop.
#pragma once

#include "fetch_totals.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace odbc_bench {

class FetchPath {
public:
  virtual ~FetchPath() = default;
  // Short name used on the command line and in the report ("raw-odbc").
  virtual std::string name() const = 0;
  // Connects with `connectionString`, runs `query` and reads every value of
  // every row. Throws on any failure.
  virtual FetchTotals fetchAll(const std::string& connectionString, const std::string& query) = 0;
  // Whether the totals carry the text hash (a path that cannot afford to hash
  // every byte, such as an interpreted one, leaves it 0).
  virtual bool hashesText() const { return true; }
  // The time from connect to the last row when the path measured it itself
  // (work done in another process); otherwise the caller times fetchAll.
  virtual std::optional<double> ownSeconds() const { return std::nullopt; }
};

// Every path the benchmark knows; the first one is the baseline.
std::vector<std::unique_ptr<FetchPath>> allFetchPaths();
std::unique_ptr<FetchPath> fetchPathNamed(const std::string& name);

}  // namespace odbc_bench
