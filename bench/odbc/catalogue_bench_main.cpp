// odbc-catalogue-bench: what the plug-in's in-memory copy of a catalogue
// answer costs over the raw ODBC catalogue calls reading the same cells, for
// the field schema of a 300-column table and the table schema of a database
// of 2,000 tables, on SQLite and PostgreSQL. Both paths run in the same
// process, in turns, so load on the machine hits them alike.
#include <CLI/CLI.hpp>
#include <fmt/core.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_report.hpp"
#include "catalogue_bench_schema.hpp"
#include "catalogue_paths.hpp"

using namespace odbc_bench;

namespace {

using Question = std::function<CatalogueTotals(CataloguePath&)>;

// Times `calls` calls of the question on one path, in seconds per call.
double timePerCall(CataloguePath& path, const Question& question, int calls, CatalogueTotals& totals) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) totals = question(path);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / calls;
}

// Both paths in turns; prints the medians and the ratio. False when the
// paths read different answers or the goal is missed.
bool compare(const std::string& what, CataloguePath& raw, CataloguePath& plugin, const Question& question, int runs,
             double goal) {
  CatalogueTotals rawTotals, pluginTotals;
  // Enough calls per run for about 50 ms of the raw path.
  const double once = timePerCall(raw, question, 1, rawTotals);
  const int calls = std::clamp(static_cast<int>(0.05 / std::max(once, 1e-6)), 1, 1000);
  std::vector<double> rawTimes, pluginTimes;
  for (int run = 0; run < runs; ++run) {
    rawTimes.push_back(timePerCall(raw, question, calls, rawTotals));
    pluginTimes.push_back(timePerCall(plugin, question, calls, pluginTotals));
  }
  const double rawMedian = median(rawTimes), pluginMedian = median(pluginTimes);
  const double ratio = pluginMedian / rawMedian;
  const bool same = rawTotals == pluginTotals;
  fmt::print("  {:<34} {:>6} rows  raw {:>8.3f} ms  plug-in {:>8.3f} ms  ratio {:.2f} (goal <= {:.1f}): {}\n", what,
             rawTotals.rows, rawMedian * 1000, pluginMedian * 1000, ratio, goal, ratio <= goal ? "ok" : "MISSED");
  if (!same)
    fmt::print("  ERROR the paths read different answers ({} rows vs {} rows, or other names)\n", rawTotals.rows,
               pluginTotals.rows);
  return same && ratio <= goal;
}

bool benchmarkDatabase(const std::string& label, const std::string& connectionString, int runs, double goal) {
  fmt::print("\n{} ({})\n", label, connectionString);
  const double made = ensureCatalogueSchema(connectionString);
  if (made > 0) fmt::print("  made the 300-column table and 2,000 tables in {:.1f} s\n", made);
  auto raw = rawCataloguePath(connectionString);
  auto plugin = pluginCataloguePath(connectionString);
  bool ok = compare(
      fmt::format("field schema, {} columns", kWideColumns), *raw, *plugin,
      [](CataloguePath& p) { return p.fieldSchema(kWideTable); }, runs, goal);
  ok = compare(
           fmt::format("table schema, {} tables", kManyTables + 1), *raw, *plugin,
           [](CataloguePath& p) { return p.tableSchema(); }, runs, goal) &&
       ok;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
    fmt::print(stderr, "odbc-catalogue-bench: the C.UTF-8 locale is not available\n");
    return 1;
  }
  CLI::App app{"Cost of the plug-in's in-memory catalogue answers over the raw ODBC catalogue calls"};
  const std::string odbcDir = fromEnvironment("SQELTO_ODBC_DIR");
  const std::string pgDsn = fromEnvironment("SQELTO_PG_DSN");
  std::string sqlite = odbcDir.empty() ? "" : "Driver=SQLite3;Database=" + odbcDir + "/catalogue-bench.sqlite3;";
  std::string postgres = pgDsn.empty() ? "" : "DSN=" + pgDsn + ";";
  std::string database = "all";
  int runs = 9;
  double goal = 1.5;
  app.add_option("--sqlite", sqlite, "SQLite connection string (default from SQELTO_ODBC_DIR)");
  app.add_option("--postgres", postgres, "PostgreSQL connection string (default from SQELTO_PG_DSN)");
  app.add_option("--database", database, "sqlite, postgres or all")
      ->check(CLI::IsMember({"sqlite", "postgres", "all"}));
  app.add_option("--repeat", runs, "runs per path; the median counts")->check(CLI::Range(1, 1000));
  CLI11_PARSE(app, argc, argv);

  fmt::print("odbc-catalogue-bench: median of {} alternating runs per path; {}\n", runs, loadAverage());
  bool ok = true;
  try {
    if (database != "postgres") ok = benchmarkDatabase("SQLite", sqlite, runs, goal) && ok;
    if (database != "sqlite") ok = benchmarkDatabase("PostgreSQL", postgres, runs, goal) && ok;
  } catch (const std::exception& e) {
    fmt::print(stderr, "odbc-catalogue-bench: {}\n", e.what());
    return 1;
  }
  fmt::print("\nafter the runs: {}\n", loadAverage());
  return ok ? 0 : 1;
}
