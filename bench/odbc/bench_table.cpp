#include "bench_table.hpp"

#include "odbc_session.hpp"

#include <chrono>
#include <stdexcept>

namespace odbc_bench {
namespace {

long long existingRows(Connection& connection) {
  try {
    return connection.queryInteger("SELECT COUNT(*) FROM bench_rows");
  } catch (const OdbcError&) {
    return -1;  // no such table yet
  }
}

std::string quoted(const char* text) { return std::string("'") + text + "'"; }

// Both databases build the rows from a number series in one statement, which
// is far faster than client-side inserts (server round trips dominate those).
void loadSqlite(Connection& connection, long long rows) {
  connection.execute("DROP TABLE IF EXISTS bench_rows");
  connection.execute(
      "CREATE TABLE bench_rows (id INTEGER, name VARCHAR(40), amount DOUBLE, created TIMESTAMP, note VARCHAR(200))");
  connection.execute("INSERT INTO bench_rows (id, name, amount, created, note) "
                     "WITH RECURSIVE series(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM series WHERE i < " +
                     std::to_string(rows) + ") SELECT i, " + quoted(kBenchNamePrefix) +
                     " || i, i * 0.25, datetime('2020-01-01 00:00:00', '+' || i || ' seconds'), " +
                     quoted(kBenchNotePrefix) + " || i || " + quoted(kBenchNoteSuffix) + " FROM series");
}

void loadPostgres(Connection& connection, long long rows) {
  connection.execute("DROP TABLE IF EXISTS bench_rows");
  connection.execute("CREATE TABLE bench_rows (id INTEGER, name VARCHAR(40), amount DOUBLE PRECISION, "
                     "created TIMESTAMP, note VARCHAR(200))");
  connection.execute("INSERT INTO bench_rows (id, name, amount, created, note) SELECT i, " +
                     quoted(kBenchNamePrefix) +
                     " || i, i * 0.25, TIMESTAMP '2020-01-01 00:00:00' + make_interval(secs => i), " +
                     quoted(kBenchNotePrefix) + " || i || " + quoted(kBenchNoteSuffix) +
                     " FROM generate_series(1, " + std::to_string(rows) + ") AS i");
  // Sets the hint bits now, so the first measured scan does not pay for them.
  connection.execute("VACUUM ANALYZE bench_rows");
}

}  // namespace

LoadOutcome ensureBenchTable(const std::string& connectionString, long long rows) {
  if (rows < 1 || rows > 100'000'000) throw std::invalid_argument("row count out of range: " + std::to_string(rows));
  Connection connection(connectionString);
  if (existingRows(connection) == rows) return {};

  const auto start = std::chrono::steady_clock::now();
  const std::string dbms = connection.dbmsName();
  if (dbms == "SQLite")
    loadSqlite(connection, rows);
  else if (dbms == "PostgreSQL")
    loadPostgres(connection, rows);
  else
    throw std::invalid_argument("no loader for the database \"" + dbms + "\" (SQLite and PostgreSQL only)");
  if (existingRows(connection) != rows) throw OdbcError("bench_rows does not hold the rows just loaded");
  return {true, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

std::string benchQuery(long long rows) {
  // Not LIMIT: without ORDER BY, PostgreSQL's synchronised sequential scans
  // start where the previous scan stopped, so LIMIT picks different rows in
  // each run. A range on id picks the same rows in any order.
  return "SELECT id, name, amount, created, note FROM bench_rows WHERE id <= " + std::to_string(rows);
}

}  // namespace odbc_bench
