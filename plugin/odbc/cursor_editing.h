// Editing the current row of a result over one table, without positioned
// updates: the table comes from the statement's text, its key columns from
// the catalogue, and a WHERE clause written from the current row's key
// values finds the row again for an UPDATE or DELETE. Results are reported
// only through the connection's last error (9000-9005, or the driver's).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <tavro/plugin_sdk.h>

#include "connection_record.h"

namespace sqelto {

class ODBCCursor;

class CursorEditing {
public:
  // The cursor moved (or tried to): a clause written for the row it stood
  // on must never reach another row.
  void RowChanged() { whereClause_.clear(); }
  // The cursor moved to its statement's next result set. The statement's
  // text names the table of its first SELECT only; which statement of a
  // batch made a later result cannot be told, so from now on every edit,
  // update and delete is refused (9004) and nothing known of the first
  // result is kept.
  void ResultSetChanged() {
    *this = CursorEditing();
    laterResult_ = true;
  }

  void Edit(ODBCCursor& cursor);
  void Delete(ODBCCursor& cursor);
  void Update(ODBCCursor& cursor, TavroUpdateField* fields);
  // The field check of an update: passes (0) in this design.
  int32_t FieldCheck(ODBCCursor& cursor);

  const std::string& tableName() const { return tableName_; }
  const std::string& whereClause() const { return whereClause_; }

private:
  // True (and 9004 set) when the cursor shows a later result set.
  bool RefusedAsLaterResult(ConnectionRecord* record) const;
  void BuildWhereClause(ODBCCursor& cursor);
  void FindTableAndKeys(ODBCCursor& cursor);
  // Key columns from the catalogue on `record` (the cursor's connection or
  // a temporary one).
  void DiscoverKeys(ConnectionRecord* record);
  // The UPDATE itself, on `target` (the cursor's connection or a temporary
  // one); the row count goes to the cursor's connection.
  void RunUpdate(ODBCCursor& cursor, ConnectionRecord* target, TavroUpdateField* fields);

  std::string tableName_;
  std::vector<std::string> keyColumns_;
  // The keys are the table's primary key: every one of them must be in the
  // result, or the clause could match more rows than the current one.
  bool primaryKeys_ = false;
  // MySQL and MariaDB read a backslash in a literal as an escape.
  bool backslashEscapes_ = false;
  std::string whereClause_;
  bool laterResult_ = false;
};

}  // namespace sqelto
