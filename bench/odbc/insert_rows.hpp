// The rows of the insert benchmark: the shape of "bench_rows" (id INTEGER,
// name VARCHAR(40), amount DOUBLE, created TIMESTAMP, note VARCHAR(200) of
// about 50 characters), made by the program and inserted one by one into
// "insert_rows", whose content every path must leave the same.
#pragma once

#include <string>

namespace odbc_bench {

struct InsertRow {
  int id;
  std::string name;   // UTF-8
  double amount;
  int year, month, day, hour, minute, second;
  std::string note;   // UTF-8
};

// Row i (1-based), with the values of bench_rows' row i.
InsertRow insertRow(int i);

// Drops and creates "insert_rows" for the database behind the connection
// string (SQLite or PostgreSQL).
void recreateInsertTable(const std::string& connectionString);

// What the table holds, folded: row count, sums of id, amount and the
// seconds of created, and the total characters of name and note.
std::string insertTableSummary(const std::string& connectionString);

}  // namespace odbc_bench
