// odbc-insert-bench: prepared inserts of the benchmark row shape, one
// transaction per run, through ODBCPreparedStatement of the plug-in against
// a raw ODBC loop doing the same, on SQLite and PostgreSQL.
#include <CLI/CLI.hpp>
#include <fmt/core.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "insert_path.hpp"
#include "insert_rows.hpp"

using namespace odbc_bench;

namespace {

std::string fromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::unique_ptr<InsertPath> pathNamed(const std::string& name) {
  for (auto& path : allInsertPaths())
    if (path->name() == name) return std::move(path);
  throw std::invalid_argument("no insert path named " + name);
}

// Returns false when the paths left different tables.
bool benchmarkDatabase(const std::string& label, const std::string& connectionString, int rows, int repeat) {
  fmt::print("\n{} ({})\n", label, connectionString);
  fmt::print("  {:<10} {:>9} {:>9} {:>12}\n", "path", "rows", "best s", "rows/s");
  std::map<std::string, double> best;
  std::map<std::string, std::string> summary;
  bool ok = true;
  std::vector<std::unique_ptr<InsertPath>> paths = allInsertPaths();
  // Paths take turns, so machine noise hits them alike.
  for (int run = 0; run < repeat; ++run) {
    for (auto& path : paths) {
      recreateInsertTable(connectionString);
      const double seconds = path->insertAll(connectionString, rows);
      const std::string left = insertTableSummary(connectionString);
      if (summary.count(path->name()) == 0) summary[path->name()] = left;
      if (left != summary.begin()->second) {
        fmt::print("  ERROR {} left {}, {} left {}\n", path->name(), left, summary.begin()->first,
                   summary.begin()->second);
        ok = false;
      }
      double& b = best[path->name()];
      if (b == 0 || seconds < b) b = seconds;
    }
  }
  for (auto& path : paths)
    fmt::print("  {:<10} {:>9} {:>9.3f} {:>12.0f}\n", path->name(), rows, best[path->name()],
               rows / best[path->name()]);
  fmt::print("  table after each run: {}\n", summary.begin()->second);
  const double ratio = best["raw-odbc"] / best["plugin"];
  fmt::print("  ratio plugin/raw-odbc: {:.3f} (goal on SQLite >= 0.95)\n", ratio);
  return ok;
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
  int repeat = 3;
  std::string measurePath;
  app.add_option("--sqlite", sqlite, "SQLite connection string (default from SQELTO_ODBC_DIR)");
  app.add_option("--postgres", postgres, "PostgreSQL connection string (default from SQELTO_PG_DSN)");
  app.add_option("--database", database, "sqlite, postgres or all")->check(CLI::IsMember({"sqlite", "postgres", "all"}));
  app.add_option("--rows", rows, "rows inserted per run")->check(CLI::Range(1, 10'000'000));
  app.add_option("--repeat", repeat, "runs per path; the fastest counts")->check(CLI::Range(1, 100));
  app.add_option("--measure-path", measurePath,
                 "run one path once on the --sqlite database and print its time (for instruction counts)");
  CLI11_PARSE(app, argc, argv);

  try {
    if (!measurePath.empty()) {
      recreateInsertTable(sqlite);
      const double seconds = pathNamed(measurePath)->insertAll(sqlite, rows);
      fmt::print("{} {} rows {:.3f} s; {}\n", measurePath, rows, seconds, insertTableSummary(sqlite));
      return 0;
    }
    fmt::print("odbc-insert-bench: {} prepared inserts of (id INTEGER, name VARCHAR(40), amount DOUBLE, created "
               "TIMESTAMP, note VARCHAR(200)) in one transaction, best of {} runs\n",
               rows, repeat);
    bool ok = true;
    if (database != "postgres") ok = benchmarkDatabase("SQLite", sqlite, rows, repeat) && ok;
    if (database != "sqlite") ok = benchmarkDatabase("PostgreSQL", postgres, rows, repeat) && ok;
    return ok ? 0 : 1;
  } catch (const std::exception& e) {
    fmt::print(stderr, "odbc-insert-bench: {}\n", e.what());
    return 1;
  }
}
