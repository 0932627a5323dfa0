// The benchmark's table "bench_rows": id INTEGER, name VARCHAR(40), amount
// DOUBLE, created TIMESTAMP, note VARCHAR(200) of about 50 characters, with
// the same content in SQLite and PostgreSQL, generated inside the database.
#pragma once

#include <string>

namespace odbc_bench {

// Row i (1-based) holds:
//   id      i
//   name    "Müller " + i
//   amount  i * 0.25
//   created 2020-01-01 00:00:00 + i seconds
//   note    "Bestellung " + i + " – Grüße aus Köln, Lieferung geprüft ✓"
inline const char* const kBenchNamePrefix = "Müller ";
inline const char* const kBenchNotePrefix = "Bestellung ";
inline const char* const kBenchNoteSuffix = " – Grüße aus Köln, Lieferung geprüft ✓";

struct LoadOutcome {
  bool loaded = false;  // false when the table already held exactly `rows` rows
  double seconds = 0;
};

// Makes "bench_rows" hold exactly `rows` rows; reloads it when it does not.
// The database kind is asked from the driver (SQLite or PostgreSQL).
LoadOutcome ensureBenchTable(const std::string& connectionString, long long rows);

// The query every fetch path runs: the rows with id 1 to `rows`, all five
// columns, in whatever order the database returns them.
std::string benchQuery(long long rows);

}  // namespace odbc_bench
