// The same fetch through the Sqelto plug-in, as a host program does it: the
// plug-in loaded into the substitute host, an ODBCDatabase connected through
// its Connect method, the select engine word, and every row and value read
// through the cursor record's words in the host's value format.
#pragma once

#include "fetch_path.hpp"

namespace odbc_bench {

class PluginFetchPath : public FetchPath {
public:
  std::string name() const override { return "plugin"; }
  FetchTotals fetchAll(const std::string& connectionString, const std::string& query) override;
  // From connect to the last row, as for the other paths: a host program
  // loads the plug-in once when it starts, as the raw loop's process loads
  // the driver manager, and neither belongs to a query's cost.
  std::optional<double> ownSeconds() const override { return seconds_; }

private:
  std::optional<double> seconds_;
};

}  // namespace odbc_bench
