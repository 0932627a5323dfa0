// The same fetch through pyodbc (Debian's python3-pyodbc), the usual choice
// of people who script ODBC: a Python process connects with the same
// connection string and reads every value of every row.
#pragma once

#include "fetch_path.hpp"

namespace odbc_bench {

class PyodbcFetchPath : public FetchPath {
public:
  std::string name() const override { return "pyodbc"; }
  FetchTotals fetchAll(const std::string& connectionString, const std::string& query) override;
  bool hashesText() const override { return false; }
  std::optional<double> ownSeconds() const override { return seconds_; }

private:
  std::optional<double> seconds_;
};

}  // namespace odbc_bench
