#include "measurement.hpp"

#include "bench_table.hpp"
#include "child_run.hpp"
#include "fetch_path.hpp"

#include <chrono>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace odbc_bench {

Measurement measureInChild(const std::string& path, const std::string& connectionString, long long rows) {
  const ChildRun run = runSelf({"--measure-path", path, "--connection", connectionString, "--rows", std::to_string(rows)});
  if (run.exitCode != 0)
    throw std::runtime_error("measuring child for " + path + " failed (exit " + std::to_string(run.exitCode) + ")");
  Measurement m;
  m.peakRssKilobytes = run.peakRssKilobytes;
  std::istringstream lines(run.output);
  std::string line;
  bool haveTotals = false, haveSeconds = false;
  while (std::getline(lines, line)) {
    if (line.rfind("TOTALS ", 0) == 0) {
      m.totals = FetchTotals::fromText(line.substr(7));
      haveTotals = true;
    } else if (line.rfind("SECONDS ", 0) == 0) {
      m.seconds = std::stod(line.substr(8));
      haveSeconds = true;
    }
  }
  if (!haveTotals || !haveSeconds || m.seconds <= 0)
    throw std::runtime_error("measuring child for " + path + " gave no report: " + run.output);
  return m;
}

int runMeasurement(const std::string& path, const std::string& connectionString, long long rows) {
  auto fetchPath = fetchPathNamed(path);
  // Connecting and executing are part of what a host program pays per query.
  const auto start = std::chrono::steady_clock::now();
  const FetchTotals totals = fetchPath->fetchAll(connectionString, benchQuery(rows));
  const double seconds = fetchPath->ownSeconds().value_or(
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  std::printf("TOTALS %s\nSECONDS %.6f\n", totals.toText().c_str(), seconds);
  return 0;
}

}  // namespace odbc_bench
