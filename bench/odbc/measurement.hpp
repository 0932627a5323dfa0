// One measured fetch in a child process, and the child's side of it.
#pragma once

#include "fetch_totals.hpp"

#include <string>

namespace odbc_bench {

struct Measurement {
  FetchTotals totals;
  double seconds = 0;
  long peakRssKilobytes = 0;
};

// Parent: starts this program with --measure-path and reads the child's report.
Measurement measureInChild(const std::string& path, const std::string& connectionString, long long rows);

// Child: runs the fetch once and prints the report measureInChild reads.
int runMeasurement(const std::string& path, const std::string& connectionString, long long rows);

}  // namespace odbc_bench
