#include "insert_rows.hpp"

#include <chrono>

#include "bench_table.hpp"
#include "odbc_session.hpp"

namespace odbc_bench {

InsertRow insertRow(int i) {
  // 2020-01-01 00:00:00 + i seconds, as bench_rows has it.
  using namespace std::chrono;
  const sys_days start = year{2020} / January / 1;
  const year_month_day date{start + days{i / 86400}};
  return {i,
          kBenchNamePrefix + std::to_string(i),
          i * 0.25,
          int(date.year()),
          int(unsigned(date.month())),
          int(unsigned(date.day())),
          (i / 3600) % 24,
          (i / 60) % 60,
          i % 60,
          kBenchNotePrefix + std::to_string(i) + kBenchNoteSuffix};
}

void recreateInsertTable(const std::string& connectionString) {
  Connection connection(connectionString);
  const bool postgres = connection.dbmsName() == "PostgreSQL";
  connection.execute("DROP TABLE IF EXISTS insert_rows");
  connection.execute(std::string("CREATE TABLE insert_rows (id INTEGER, name VARCHAR(40), amount ") +
                     (postgres ? "DOUBLE PRECISION" : "DOUBLE") + ", created TIMESTAMP, note VARCHAR(200))");
}

std::string insertTableSummary(const std::string& connectionString) {
  Connection connection(connectionString);
  const bool postgres = connection.dbmsName() == "PostgreSQL";
  const std::string seconds =
      postgres ? "CAST(EXTRACT(EPOCH FROM created) AS BIGINT)" : "CAST(strftime('%s', created) AS INTEGER)";
  auto number = [&](const std::string& expression) {
    return std::to_string(connection.queryInteger("SELECT " + expression + " FROM insert_rows"));
  };
  return number("COUNT(*)") + " rows, ids " + number("COALESCE(SUM(id), 0)") + ", amounts*4 " +
         number("CAST(COALESCE(SUM(amount) * 4, 0) AS BIGINT)") + ", seconds " + number("COALESCE(SUM(" + seconds +
                                                                                        "), 0)") +
         ", characters " + number("COALESCE(SUM(LENGTH(name) + LENGTH(note)), 0)");
}

}  // namespace odbc_bench
