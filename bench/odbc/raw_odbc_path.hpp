// The baseline: a plain ODBC loop that binds every column the way the
// plug-in's cursor does (by SQL type: integers, doubles, date/time structs,
// text as UTF-16 in an inline or heap buffer), fetches row by row, converts
// each text value to UTF-8 and reads each typed value.
#pragma once

#include "fetch_path.hpp"

namespace odbc_bench {

class RawOdbcPath : public FetchPath {
public:
  std::string name() const override { return "raw-odbc"; }
  FetchTotals fetchAll(const std::string& connectionString, const std::string& query) override;
};

}  // namespace odbc_bench
