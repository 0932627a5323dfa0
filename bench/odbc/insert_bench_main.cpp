// odbc-insert-bench: prepared inserts of the benchmark row shape, one
// transaction per run, through ODBCPreparedStatement of the plug-in against
// a raw ODBC loop doing the same, on SQLite and PostgreSQL. The paths take
// turns in every repetition, so the load of a shared machine falls on both
// alike; each ratio is the median of the per-repetition ratios.
#include <CLI/CLI.hpp>
#include <fmt/core.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench_report.hpp"
#include "cpu_pinning.hpp"
#include "insert_path.hpp"
#include "insert_rows.hpp"
#include "instruction_count.hpp"

using namespace odbc_bench;

namespace {

constexpr double kSqliteGoal = 0.95;

std::unique_ptr<InsertPath> pathNamed(const std::string& name) {
  for (auto& path : allInsertPaths())
    if (path->name() == name) return std::move(path);
  throw std::invalid_argument("no insert path named " + name);
}

// Returns false when the paths left different tables.
bool benchmarkDatabase(const std::string& label, const std::string& connectionString, int rows, int repeat) {
  fmt::print("\n{} ({})\n  before: {}\n", label, connectionString, loadAverage());
  fmt::print("  {:<10} {:>9} {:>13} {:>9}\n", "path", "rows", "median rows/s", "best s");
  std::map<std::string, std::vector<double>> rates;
  std::vector<double> ratios;
  std::string summary;
  bool ok = true;
  std::vector<std::unique_ptr<InsertPath>> paths = allInsertPaths();
  for (int run = 0; run < repeat; ++run) {
    std::map<std::string, double> rate;
    for (auto& path : paths) {
      recreateInsertTable(connectionString);
      rate[path->name()] = rows / path->insertAll(connectionString, rows);
      rates[path->name()].push_back(rate[path->name()]);
      const std::string left = insertTableSummary(connectionString);
      if (summary.empty()) summary = left;
      if (left != summary) {
        fmt::print("  ERROR {} left {}, the first path left {}\n", path->name(), left, summary);
        ok = false;
      }
    }
    ratios.push_back(rate["plugin"] / rate["raw-odbc"]);
  }
  for (auto& path : paths) {
    const auto& r = rates[path->name()];
    fmt::print("  {:<10} {:>9} {:>13.0f} {:>9.3f}\n", path->name(), rows, median(r),
               rows / *std::max_element(r.begin(), r.end()));
  }
  fmt::print("  table after each run: {}\n  after: {}\n", summary, loadAverage());
  std::string each;
  for (double r : ratios) each += fmt::format("{}{:.2f}", each.empty() ? "" : ", ", r);
  fmt::print("  ratio plugin/raw-odbc: median {:.2f} of [{}]{}\n", median(ratios), each,
             label == "SQLite" ? fmt::format(" (goal >= {:.2f})", kSqliteGoal) : "");
  return ok;
}

void printInstructions(const std::string& connectionString) {
  constexpr int kSmaller = 2000, kLarger = 10000;
  fmt::print("\ninstructions per row in insertTimedRow (callgrind, {} vs {} rows, {}):\n", kSmaller, kLarger,
             connectionString);
  std::map<std::string, double> perRow;
  for (auto& path : allInsertPaths()) {
    perRow[path->name()] = instructionsPerRow(path->name(), connectionString, kSmaller, kLarger, "*insertTimedRow*");
    fmt::print("  {:<10} {:>10.0f}\n", path->name(), perRow[path->name()]);
  }
  fmt::print("  ratio raw-odbc/plugin: {:.3f}\n", perRow["raw-odbc"] / perRow["plugin"]);
}

}  // namespace

int main(int argc, char** argv) {
  if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
    fmt::print(stderr, "odbc-insert-bench: the C.UTF-8 locale is not available\n");
    return 1;
  }
  CLI::App app{"Prepared inserts through the plug-in against a raw ODBC loop, SQLite and PostgreSQL"};
  const std::string odbcDir = fromEnvironment("SQELTO_ODBC_DIR");
  const std::string pgDsn = fromEnvironment("SQELTO_PG_DSN");
  std::string sqlite = odbcDir.empty() ? "" : "Driver=SQLite3;Database=" + odbcDir + "/insert-bench.sqlite3;";
  std::string postgres = pgDsn.empty() ? "" : "DSN=" + pgDsn + ";";
  std::string database = "all";
  int rows = 100'000;
  int repeat = 5;
  bool instructions = false;
  int cpu = -1;
  bool unpinned = false;
  app.add_option("--sqlite", sqlite, "SQLite connection string (default from SQELTO_ODBC_DIR)");
  app.add_option("--postgres", postgres, "PostgreSQL connection string (default from SQELTO_PG_DSN)");
  app.add_option("--database", database, "sqlite, postgres or all")->check(CLI::IsMember({"sqlite", "postgres", "all"}));
  app.add_option("--rows", rows, "rows inserted per run")->check(CLI::Range(1, 10'000'000));
  app.add_option("--repeat", repeat, "alternating runs per path (medians reported)")->check(CLI::Range(1, 100));
  app.add_flag("--instructions", instructions, "also count callgrind instructions per row on SQLite");
  app.add_option("--cpu", cpu, "run on this CPU (default: the last one)")->check(CLI::Range(0, 1023));
  app.add_flag("--unpinned", unpinned, "let the scheduler move the runs between CPUs");
  // Internal: one run of one path, for the instruction counts.
  std::string measurePath, connection;
  app.add_option("--measure-path", measurePath)->group("");
  app.add_option("--connection", connection)->group("");
  CLI11_PARSE(app, argc, argv);

  try {
    if (!measurePath.empty()) {
      recreateInsertTable(connection);
      pathNamed(measurePath)->insertAll(connection, rows);
      return 0;
    }
    const std::string where = unpinned ? "any CPU" : pinToOneCpu(cpu);
    fmt::print("odbc-insert-bench: {} prepared inserts of (id INTEGER, name VARCHAR(40), amount DOUBLE, created "
               "TIMESTAMP, note VARCHAR(200)) in one transaction, {} alternating runs, on {}\n",
               rows, repeat, where);
    bool ok = true;
    if (database != "postgres") ok = benchmarkDatabase("SQLite", sqlite, rows, repeat) && ok;
    if (database != "sqlite") ok = benchmarkDatabase("PostgreSQL", postgres, rows, repeat) && ok;
    if (instructions) printInstructions(sqlite);
    return ok ? 0 : 1;
  } catch (const std::exception& e) {
    fmt::print(stderr, "odbc-insert-bench: {}\n", e.what());
    return 1;
  }
}
