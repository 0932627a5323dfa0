// The two ways the catalogue benchmark reads a catalogue answer: the raw
// ODBC catalogue calls, reading the cells the plug-in copies, and the
// plug-in's in-memory copy walked through the host's cursor record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace odbc_bench {

// What a path read, to check that both read the same answer.
struct CatalogueTotals {
  std::uint64_t rows = 0;
  std::uint64_t nameHash = 1469598103934665603ull;  // FNV-1a of every name read, in order
  void addName(const char* bytes, std::size_t length);
  bool operator==(const CatalogueTotals&) const = default;
};

class CataloguePath {
public:
  virtual ~CataloguePath() = default;
  // The fields of a table: its primary key and its columns (name, type,
  // nullability, size).
  virtual CatalogueTotals fieldSchema(const std::string& table) = 0;
  // The names of the tables of the database.
  virtual CatalogueTotals tableSchema() = 0;
};

// Connected on construction; throws with the reason when it cannot.
std::unique_ptr<CataloguePath> rawCataloguePath(const std::string& connectionString);
std::unique_ptr<CataloguePath> pluginCataloguePath(const std::string& connectionString);

}  // namespace odbc_bench
