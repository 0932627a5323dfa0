#include "catalogue_bench_schema.hpp"

#include <chrono>

#include <fmt/core.h>

#include "odbc_session.hpp"

namespace odbc_bench {
namespace {

std::string wideTableDefinition(bool postgres) {
  // The common column types in turn, so the field schema maps every kind.
  const char* types[] = {"INTEGER", "VARCHAR(40)", postgres ? "DOUBLE PRECISION" : "DOUBLE",
                         "DATE",    "TIMESTAMP",   "BIGINT"};
  std::string sql = fmt::format("CREATE TABLE {} (c000 INTEGER PRIMARY KEY", kWideTable);
  for (int i = 1; i < kWideColumns; ++i) sql += fmt::format(", c{:03} {}", i, types[i % 6]);
  return sql + ")";
}

}  // namespace

double ensureCatalogueSchema(const std::string& connectionString) {
  Connection connection(connectionString);
  const bool postgres = connection.dbmsName() == "PostgreSQL";
  const std::string countTables =
      postgres ? "SELECT COUNT(*) FROM pg_tables WHERE tablename LIKE 'catalogue_t%'"
               : "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 'catalogue_t%'";
  const std::string countWide =
      postgres ? fmt::format("SELECT COUNT(*) FROM pg_tables WHERE tablename = '{}'", kWideTable)
               : fmt::format("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = '{}'", kWideTable);
  if (connection.queryInteger(countTables) == kManyTables && connection.queryInteger(countWide) == 1) return 0;

  const auto start = std::chrono::steady_clock::now();
  connection.execute(fmt::format("DROP TABLE IF EXISTS {}", kWideTable));
  connection.execute(wideTableDefinition(postgres));
  if (postgres) {
    connection.execute(
        fmt::format("DO $$ BEGIN FOR i IN 0..{} LOOP EXECUTE format('CREATE TABLE IF NOT EXISTS catalogue_t%s "
                    "(id INTEGER PRIMARY KEY, name VARCHAR(20))', lpad(i::text, 4, '0')); END LOOP; END $$",
                    kManyTables - 1));
  } else {
    connection.execute("BEGIN");
    for (int i = 0; i < kManyTables; ++i)
      connection.execute(
          fmt::format("CREATE TABLE IF NOT EXISTS catalogue_t{:04} (id INTEGER PRIMARY KEY, name VARCHAR(20))", i));
    connection.execute("COMMIT");
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace odbc_bench
