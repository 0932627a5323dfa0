// The host's "Database" superclass and its result sets: what host programs
// do with a connection, carried out through the engine and cursor records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <tavro/plugin_sdk.h>

#include "tavro_host/host.h"
#include "tavro_host/object.h"
#include "tavro_host/value.h"

namespace tavro {

// A RecordSet or RowSet object over a cursor handle and the cursor record it
// came with. Every operation calls the matching cursor-record word (HostError
// when that word is empty). Destroying the last reference to the object calls
// the record's destroy word exactly once.
class RecordSet {
 public:
  RecordSet() = default;
  RecordSet(Host& host, Object object);  // throws HostError unless object is a RecordSet/RowSet

  bool isNull() const noexcept { return !object_; }
  bool isRowSet() const;
  const Object& object() const noexcept { return object_; }
  TavroCursorHandle* handle() const;
  const TavroCursorRecord* cursorRecord() const;

  int32_t columnCount();
  std::string columnName(int32_t column);  // empty for a null name
  bool columnNameIsNull(int32_t column);
  int32_t columnType(int32_t column);
  int32_t recordCount();
  bool next();
  void previous();
  void first();
  void last();
  void edit();
  // Changed fields of the current row: (0-based column, new UTF-8 value).
  void update(const std::vector<std::pair<int32_t, std::string>>& fields);
  void remove();
  // The column's value in the host value format, decoded; the value's
  // columnType / columnLength carry what the cursor reported. Throws
  // HostError when the cursor's answer is malformed (null value pointer for
  // a typed value, length out of bounds, ...).
  Value value(int32_t column);
  // Releases the object (destroying the cursor when this was the last
  // reference).
  void reset() noexcept { object_ = Object(); }

 private:
  Host* host_ = nullptr;
  Object object_;
};

// An object of class "Database" (or a subclass such as a plug-in's) bound to
// a connection record and an engine record.
class Database {
 public:
  Database(Host& host, Object object);  // throws HostError when not bound

  const Object& object() const noexcept { return object_; }
  TavroDatabase record() const;
  const TavroEngineRecord* engine() const;
  bool isConnected() const;  // what VANTSetDBIsConnected said

  RecordSet select(std::string_view sql);                   // word 5
  void execute(std::string_view sql);                       // word 6
  void addRecord(std::string_view table, const std::vector<ColumnInput>& values);  // word 8
  RecordSet selectWithParams(std::string_view sql, const Object& params);          // word 9
  RecordSet tableSchema();                                  // word 3
  RecordSet fieldSchema(std::string_view table);            // word 4
  RecordSet indexSchema(std::string_view table);            // word 12
  int32_t lastErrorCode();                                  // word 13
  std::string lastErrorString();                            // word 14
  void commit();                                            // word 15
  void rollback();                                          // word 16
  ColumnTypes columnTypes();                                // word 18
  Object prepare(std::string_view sql);                     // word 25
  void executeWithParams(std::string_view sql, const Object& params);  // word 26
  // Word 2. A database made from a stand-alone record (the data-source
  // opener's) hands the record back with it: it is closed once, by this or
  // when its last reference goes, and refuses every later call.
  void close();

 private:
  Host& host_;
  Object object_;
};

}  // namespace tavro
