// odbc-fetch-bench: how fast each fetch path reads the benchmark table through
// ODBC, from SQLite and PostgreSQL, and whether its memory stays flat as the
// row count grows. Every measurement runs in its own child process; the paths
// take turns within each repetition, so the load of a shared machine falls on
// all of them alike, and each ratio is the median of the per-repetition ratios.
#include "bench_report.hpp"
#include "bench_table.hpp"
#include "cpu_pinning.hpp"
#include "fetch_path.hpp"
#include "instruction_count.hpp"
#include "measurement.hpp"
#ifdef SQELTO_PLUGIN_PATH
#include "plugin_soak.hpp"
#endif

#include <CLI/CLI.hpp>
#include <fmt/core.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace odbc_bench;

namespace {

struct DatabaseTarget {
  std::string label;
  std::string connectionString;
};

std::string megabytes(long kilobytes) { return fmt::format("{:.1f} MB", kilobytes / 1024.0); }

// The goals, against the path each is measured against.
struct RatioGoal {
  std::string path, against;
  double atLeast;
};
const std::vector<RatioGoal> kGoals = {{"plugin", "raw-odbc", 0.95}, {"plugin", "pyodbc", 1.30}};

// Returns false when a check failed (different values between runs or paths).
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
  fmt::print("  before: {}\n", loadAverage());

  std::map<std::string, bool> hashes;
  for (const auto& p : paths) hashes[p] = fetchPathNamed(p)->hashesText();

  bool ok = true;
  // Every run of every path, in run order.
  std::map<std::pair<std::string, long long>, std::vector<Measurement>> runs;
  fmt::print("  {:<10} {:>9} {:>9} {:>12} {:>12} {:>10}\n", "path", "rows", "median s", "median rows/s",
             "best rows/s", "peak RSS");
  for (long long rows : rowCounts) {
    std::optional<FetchTotals> reference;
    for (int run = 0; run < repeat; ++run) {
      for (const auto& path : paths) {
        const Measurement m = measureInChild(path, target.connectionString, rows);
        if (m.totals.rows != std::uint64_t(rows)) {
          fmt::print("  ERROR {} read {} rows, expected {}\n", path, m.totals.rows, rows);
          ok = false;
        }
        if (!reference) reference = m.totals;
        if (!m.totals.sameValues(*reference, hashes[path] && hashes[paths.front()])) {
          fmt::print("  ERROR {} read different values ({}) than {} ({})\n", path, m.totals.toText(), paths.front(),
                     reference->toText());
          ok = false;
        }
        runs[{path, rows}].push_back(m);
      }
    }
    for (const auto& path : paths) {
      const auto& all = runs[{path, rows}];
      std::vector<double> rates;
      long peak = 0;
      for (const Measurement& m : all) {
        rates.push_back(rows / m.seconds);
        peak = std::max(peak, m.peakRssKilobytes);
      }
      fmt::print("  {:<10} {:>9} {:>9.3f} {:>12.0f} {:>12.0f} {:>10}\n", path, rows, rows / median(rates), median(rates),
                 *std::max_element(rates.begin(), rates.end()), megabytes(peak));
    }
  }
  fmt::print("  after: {}\n", loadAverage());

  const long long smallest = *std::min_element(rowCounts.begin(), rowCounts.end());
  auto peakOf = [&](const std::string& path, long long rows) {
    long peak = 0;
    for (const Measurement& m : runs[{path, rows}]) peak = std::max(peak, m.peakRssKilobytes);
    return peak;
  };
  for (const auto& path : paths) {
    if (smallest == tableRows) break;
    const double growth = double(peakOf(path, tableRows)) / double(peakOf(path, smallest)) - 1;
    fmt::print("  memory {}: peak RSS at {} rows is {:+.1f}% of {} rows (limit +10%): {}\n", path, tableRows,
               growth * 100, smallest, growth <= 0.10 ? "ok" : "MISSED");
  }
  fullTotals = runs[{paths.front(), tableRows}].front().totals;

  // Run k of one path against run k of the other: they ran back to back.
  auto ratio = [&](const std::string& path, const std::string& against) {
    const auto& mine = runs[{path, tableRows}];
    const auto& theirs = runs[{against, tableRows}];
    std::vector<double> ratios;
    for (std::size_t k = 0; k < mine.size() && k < theirs.size(); ++k)
      ratios.push_back(theirs[k].seconds / mine[k].seconds);
    return ratios;
  };
  auto has = [&](const std::string& path) { return std::find(paths.begin(), paths.end(), path) != paths.end(); };
  for (std::size_t i = 1; i < paths.size(); ++i) {
    const auto ratios = ratio(paths[i], paths.front());
    std::string each;
    for (double r : ratios) each += fmt::format("{}{:.2f}", each.empty() ? "" : " ", r);
    fmt::print("  ratio {}/{} at {} rows: median {:.2f} of [{}]\n", paths[i], paths.front(), tableRows, median(ratios),
               each);
  }
  for (const RatioGoal& goal : kGoals) {
    if (!has(goal.path) || !has(goal.against)) continue;
    const double r = median(ratio(goal.path, goal.against));
    fmt::print("  goal {}/{} >= {:.2f}: {:.2f} {}\n", goal.path, goal.against, goal.atLeast, r,
               r >= goal.atLeast ? "ok" : "MISSED");
  }
  return ok;
}

void countInstructions(const DatabaseTarget& target, long long tableRows) {
  fmt::print("\n{}: instructions per row (callgrind, 40,000 rows minus 10,000 rows)\n", target.label);
  ensureBenchTable(target.connectionString, std::max<long long>(tableRows, 40'000));
  std::map<std::string, double> perRow;
  for (const std::string path : {"raw-odbc", "plugin"}) {
    perRow[path] = instructionsPerRow(path, target.connectionString, 10'000, 40'000);
    fmt::print("  {:<10} {:>10.0f}\n", path, perRow[path]);
  }
  fmt::print("  ratio raw-odbc/plugin: {:.3f}\n", perRow["raw-odbc"] / perRow["plugin"]);
}

#ifdef SQELTO_PLUGIN_PATH
bool soak(const std::string& connectionString, long long cycles) {
  fmt::print("\nsoak: {} select/fetch/destroy cycles through the plug-in ({})\n", cycles, connectionString);
  const SoakReport report = soakPlugin(connectionString, cycles);
  fmt::print("  values read: {}\n", report.valuesRead);
  fmt::print("  host strings alive: {} before, {} after\n", report.stringsBefore, report.stringsAfter);
  fmt::print("  host objects alive: {} before, {} after\n", report.objectsBefore, report.objectsAfter);
  for (const auto& [done, kilobytes] : report.residentKilobytes)
    fmt::print("  RSS after {:>8} cycles: {}\n", done, megabytes(kilobytes));
  const long first = report.residentKilobytes.front().second, last = report.residentKilobytes.back().second;
  const double growth = double(last) / double(first) - 1;
  const bool ok = report.stringsAfter == report.stringsBefore && report.objectsAfter == report.objectsBefore &&
                  growth <= 0.02;
  fmt::print("  RSS from the first to the last checkpoint: {:+.1f}% (limit +2%); counts back to the start: {}\n",
             growth * 100, ok ? "ok" : "MISSED");
  return ok;
}
#endif

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
  int repeat = 5;
  std::vector<std::string> paths;
  for (const auto& p : allFetchPaths()) paths.push_back(p->name());
  bool instructions = false;
  long long soakCycles = 0;
  int cpu = -1;
  bool unpinned = false;

  app.add_option("--sqlite", sqlite, "SQLite connection string (default from SQELTO_ODBC_DIR)");
  app.add_option("--postgres", postgres, "PostgreSQL connection string (default from SQELTO_PG_DSN)");
  app.add_option("--database", database, "sqlite, postgres or all")->check(CLI::IsMember({"sqlite", "postgres", "all"}));
  app.add_option("--rows", rowCounts, "row counts to measure; the largest is the table size")
      ->check(CLI::Range(1LL, 100'000'000LL));
  app.add_option("--repeat", repeat, "runs per path and row count (median reported)")->check(CLI::Range(1, 100));
  app.add_option("--paths", paths, "fetch paths to measure; the first is the baseline");
  app.add_flag("--instructions", instructions,
               "count instructions per row of raw-odbc and plugin with callgrind instead of timing");
  app.add_option("--soak", soakCycles, "run this many select/fetch/destroy cycles through the plug-in (SQLite)")
      ->check(CLI::Range(1LL, 100'000'000LL));
  app.add_option("--cpu", cpu, "run every measurement on this CPU (default: the last one)")->check(CLI::Range(0, 1023));
  app.add_flag("--unpinned", unpinned, "let the scheduler move the measurements between CPUs");

  // Internal: one measurement (of the first --rows count), run by the parent in a child process.
  std::string measurePath, connection;
  auto* measure = app.add_option("--measure-path", measurePath)->group("");
  app.add_option("--connection", connection)->group("");
  CLI11_PARSE(app, argc, argv);

  try {
    if (*measure) return runMeasurement(measurePath, connection, rowCounts.front());
    for (const auto& p : paths) fetchPathNamed(p);  // unknown names fail before any work

    if (soakCycles > 0) {
#ifdef SQELTO_PLUGIN_PATH
      if (sqlite.empty()) throw std::invalid_argument("no SQLite connection string for the soak");
      return soak(sqlite, soakCycles) ? 0 : 1;
#else
      throw std::invalid_argument("this build has no plug-in path");
#endif
    }

    std::vector<DatabaseTarget> targets;
    if (database != "postgres") targets.push_back({"SQLite", sqlite});
    if (database != "sqlite") targets.push_back({"PostgreSQL", postgres});
    for (const auto& t : targets)
      if (t.connectionString.empty())
        throw std::invalid_argument("no " + t.label + " connection string: give --" +
                                    (t.label == "SQLite" ? std::string("sqlite") : std::string("postgres")) +
                                    " or source the env.sh of scripts/odbc/write-config");

    const long long tableRows = *std::max_element(rowCounts.begin(), rowCounts.end());
    if (instructions) {
      for (const auto& t : targets) countInstructions(t, tableRows);
      return 0;
    }

    const std::string where = unpinned ? "any CPU" : pinToOneCpu(cpu);
    fmt::print("odbc-fetch-bench: rows of (id INTEGER, name VARCHAR(40), amount DOUBLE, created TIMESTAMP, "
               "note VARCHAR(200)), {} runs per path taking turns, each in its own process, on {}\n",
               repeat, where);
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
