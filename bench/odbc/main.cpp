// odbc-fetch-bench: how fast each fetch path reads the benchmark table through
// ODBC, from SQLite and PostgreSQL, and whether its memory stays flat as the
// row count grows. Every measurement runs in its own child process.
#include "bench_table.hpp"
#include "fetch_path.hpp"
#include "measurement.hpp"

#include <CLI/CLI.hpp>
#include <fmt/core.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace odbc_bench;

namespace {

std::string fromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

struct DatabaseTarget {
  std::string label;
  std::string connectionString;
};

struct Result {
  Measurement best;            // fastest run
  long maxRssKilobytes = 0;    // highest peak over all runs
};

std::string megabytes(long kilobytes) { return fmt::format("{:.1f} MB", kilobytes / 1024.0); }

// Returns false when a check failed (different totals between runs or paths).
// `fullTotals` receives what the baseline read at the largest row count.
bool benchmarkDatabase(const DatabaseTarget& target, const std::vector<long long>& rowCounts,
                       const std::vector<std::string>& paths, int repeat, FetchTotals& fullTotals) {
  const long long tableRows = *std::max_element(rowCounts.begin(), rowCounts.end());
  fmt::print("\n{} ({})\n", target.label, target.connectionString);
  const LoadOutcome load = ensureBenchTable(target.connectionString, tableRows);
  if (load.loaded)
    fmt::print("  loaded {} rows in {:.1f} s ({:.0f} rows/s)\n", tableRows, load.seconds, tableRows / load.seconds);
  else
    fmt::print("  table already holds {} rows\n", tableRows);

  bool ok = true;
  std::map<std::pair<std::string, long long>, Result> results;
  fmt::print("  {:<12} {:>9} {:>9} {:>12} {:>10}\n", "path", "rows", "best s", "rows/s", "peak RSS");
  for (long long rows : rowCounts) {
    std::optional<FetchTotals> reference;
    // Paths take turns within each repetition, so machine noise hits all of them alike.
    for (int run = 0; run < repeat; ++run) {
      for (const auto& path : paths) {
        const Measurement m = measureInChild(path, target.connectionString, rows);
        if (m.totals.rows != std::uint64_t(rows)) {
          fmt::print("  ERROR {} read {} rows, expected {}\n", path, m.totals.rows, rows);
          ok = false;
        }
        if (!reference) reference = m.totals;
        if (!(m.totals == *reference)) {
          fmt::print("  ERROR {} read different values ({}) than {} ({})\n", path, m.totals.toText(), paths.front(),
                     reference->toText());
          ok = false;
        }
        Result& r = results[{path, rows}];
        if (r.best.seconds == 0 || m.seconds < r.best.seconds) r.best = m;
        r.maxRssKilobytes = std::max(r.maxRssKilobytes, m.peakRssKilobytes);
      }
    }
    for (const auto& path : paths) {
      const Result& r = results[{path, rows}];
      fmt::print("  {:<12} {:>9} {:>9.3f} {:>12.0f} {:>10}\n", path, rows, r.best.seconds, rows / r.best.seconds,
                 megabytes(r.maxRssKilobytes));
    }
  }

  const long long smallest = *std::min_element(rowCounts.begin(), rowCounts.end());
  for (const auto& path : paths) {
    if (smallest == tableRows) break;
    const double growth =
        double(results[{path, tableRows}].maxRssKilobytes) / double(results[{path, smallest}].maxRssKilobytes) - 1;
    fmt::print("  memory {}: peak RSS at {} rows is {:+.1f}% of {} rows (limit +10%): {}\n", path, tableRows,
               growth * 100, smallest, growth <= 0.10 ? "ok" : "MISSED");
  }
  fullTotals = results[{paths.front(), tableRows}].best.totals;
  const double baselineRate = tableRows / results[{paths.front(), tableRows}].best.seconds;
  for (std::size_t i = 1; i < paths.size(); ++i) {
    const double ratio = tableRows / results[{paths[i], tableRows}].best.seconds / baselineRate;
    fmt::print("  ratio {}/{} at {} rows: {:.2f} (goal >= 0.90): {}\n", paths[i], paths.front(), tableRows, ratio,
               ratio >= 0.90 ? "ok" : "MISSED");
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  // unixODBC converts wide calls for the narrow-only SQLite3 driver with the
  // locale's character set; without a UTF-8 locale non-ASCII text is mangled.
  if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
    fmt::print(stderr, "odbc-fetch-bench: the C.UTF-8 locale is not available\n");
    return 1;
  }

  CLI::App app{"Fetch rate and peak memory of each ODBC fetch path, SQLite and PostgreSQL"};
  const std::string odbcDir = fromEnvironment("SQELTO_ODBC_DIR");
  const std::string pgDsn = fromEnvironment("SQELTO_PG_DSN");
  // Streaming options: without them both drivers hold the whole result in memory.
  std::string sqlite = odbcDir.empty() ? "" : "Driver=SQLite3;Database=" + odbcDir + "/bench.sqlite3;StepAPI=1;";
  std::string postgres = pgDsn.empty() ? "" : "DSN=" + pgDsn + ";UseDeclareFetch=1;Fetch=10000;";
  std::string database = "all";
  std::vector<long long> rowCounts{100'000, 1'000'000};
  int repeat = 3;
  std::vector<std::string> paths;
  for (const auto& p : allFetchPaths()) paths.push_back(p->name());

  app.add_option("--sqlite", sqlite, "SQLite connection string (default from SQELTO_ODBC_DIR)");
  app.add_option("--postgres", postgres, "PostgreSQL connection string (default from SQELTO_PG_DSN)");
  app.add_option("--database", database, "sqlite, postgres or all")->check(CLI::IsMember({"sqlite", "postgres", "all"}));
  app.add_option("--rows", rowCounts, "row counts to measure; the largest is the table size")
      ->check(CLI::Range(1LL, 100'000'000LL));
  app.add_option("--repeat", repeat, "runs per path and row count; the fastest counts")->check(CLI::Range(1, 100));
  app.add_option("--paths", paths, "fetch paths to measure; the first is the baseline");

  // Internal: one measurement (of the first --rows count), run by the parent in a child process.
  std::string measurePath, connection;
  auto* measure = app.add_option("--measure-path", measurePath)->group("");
  app.add_option("--connection", connection)->group("");
  CLI11_PARSE(app, argc, argv);

  try {
    if (*measure) return runMeasurement(measurePath, connection, rowCounts.front());
    for (const auto& p : paths) fetchPathNamed(p);  // unknown names fail before any work

    std::vector<DatabaseTarget> targets;
    if (database != "postgres") targets.push_back({"SQLite", sqlite});
    if (database != "sqlite") targets.push_back({"PostgreSQL", postgres});
    for (const auto& t : targets)
      if (t.connectionString.empty())
        throw std::invalid_argument("no " + t.label + " connection string: give --" +
                                    (t.label == "SQLite" ? std::string("sqlite") : std::string("postgres")) +
                                    " or source the env.sh of scripts/odbc/write-config");

    fmt::print("odbc-fetch-bench: rows of (id INTEGER, name VARCHAR(40), amount DOUBLE, created TIMESTAMP, "
               "note VARCHAR(200)), best of {} runs, each in its own process\n",
               repeat);
    bool ok = true;
    std::vector<FetchTotals> totals(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i)
      ok = benchmarkDatabase(targets[i], rowCounts, paths, repeat, totals[i]) && ok;
    if (targets.size() == 2) {
      // Both loaders promise the same rows; different totals mean a driver or
      // loader changed values on the way.
      const bool same = totals[0] == totals[1];
      fmt::print("\nsame values read from SQLite and PostgreSQL: {}\n", same ? "yes" : "NO");
      ok = same && ok;
    }
    return ok ? 0 : 1;
  } catch (const std::exception& e) {
    fmt::print(stderr, "odbc-fetch-bench: {}\n", e.what());
    return 1;
  }
}
