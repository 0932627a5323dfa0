#include "cursor_editing.h"

#include <iterator>
#include <limits>
#include <optional>
#include <string_view>

#include "../catalogue/key_routines.h"
#include "../catalogue/sql_type_mapping.h"
#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "ascii_case.h"
#include "editing_errors.h"
#include "execute.h"
#include "host_text.h"
#include "key_condition.h"
#include "failure_report.h"
#include "last_error.h"
#include "odbc_api.h"
#include "odbc_cursor.h"
#include "statement_handle.h"
#include "statement_table.h"
#include "temporary_connection.h"
#include "update_parameters.h"

namespace sqelto {
namespace {

constexpr const char* kTooManyFieldsText = "An update cannot change more than 65535 fields at once.";

// A result column's name as UTF-8 bytes ("" when it has none).
std::string ColumnNameOf(ODBCCursor& cursor, int32_t column) {
  TavroString name = cursor.ColumnName(column);
  if (name == nullptr) return {};
  const HostBytes bytes(name, true);
  return std::string(bytes.view());
}

void SetEditingError(ConnectionRecord* record, int32_t code) { SetLastError(record, code, EditingErrorText(code)); }

// The wide call, as for every answer with text: Windows' 8-bit one gives
// the ANSI code page.
bool IsBackslashEscapingDbms(SQLHDBC hdbc) {
  SQLWCHAR name[64] = {};
  SQLSMALLINT bytes = 0;
  if (!odbc::Succeeded(SQLGetInfoW(hdbc, SQL_DBMS_NAME, name, sizeof name - sizeof(SQLWCHAR), &bytes))) return false;
  const std::size_t units = odbc::Utf16Length(odbc::AsUnits(name), std::size(name) - 1);
  char utf8[3 * std::size(name)] = {};
  const std::string_view dbms(utf8, odbc::Utf16ToUtf8(odbc::AsUnits(name), units, utf8, sizeof utf8));
  return dbms == "MySQL" || dbms == "MariaDB";
}

// The SQL types that make a column a key when the table has no primary key.
bool IsKeyLikeType(int32_t sqlType) {
  return sqlType == SQL_INTEGER || sqlType == SQL_SMALLINT || sqlType == SQL_GUID || sqlType == SQL_TINYINT ||
         sqlType == SQL_BIGINT;
}

}  // namespace

void CursorEditing::DiscoverKeys(ConnectionRecord* record) {
  std::vector<odbc::Utf16Unit> table = odbc::Utf8ToUtf16(tableName_.data(), tableName_.size());
  const auto length = static_cast<SQLSMALLINT>(table.size() - 1);
  backslashEscapes_ = IsBackslashEscapingDbms(record->hdbc);
  constexpr int32_t kKeyColumnName = 2;
  if (std::unique_ptr<InMemoryCursor> keys = odbc_primary_keys(record, odbc::AsSqlWide(table.data()), length)) {
    while (keys->NextRecord())
      if (const CatalogueCell* cell = keys->CurrentCell(kKeyColumnName)) keyColumns_.push_back(cell->text);
  }
  primaryKeys_ = !keyColumns_.empty();
  if (primaryKeys_) return;
  ClearLastError(record);
  constexpr int32_t kColumnName = 1, kDataType = 2;
  if (std::unique_ptr<InMemoryCursor> columns = odbc_columns(record, odbc::AsSqlWide(table.data()), length)) {
    while (columns->NextRecord()) {
      const CatalogueCell* type = columns->CurrentCell(kDataType);
      const CatalogueCell* name = columns->CurrentCell(kColumnName);
      if (type != nullptr && name != nullptr && IsKeyLikeType(DecimalTextValue(type->text)))
        keyColumns_.push_back(name->text);
    }
  }
}

void CursorEditing::FindTableAndKeys(ODBCCursor& cursor) {
  ConnectionRecord* record = cursor.connection();
  tableName_ = TableNameFromStatement(cursor.sqlText());
  if (tableName_.empty()) return;
  SQELTO_TRACE(record, "BuildWhereClause: tableName: ", tableName_);
  if (!NeedsTemporaryConnection(record)) {
    DiscoverKeys(record);
    return;
  }
  // The cursor's open statement is the one statement this driver allows.
  TemporaryConnection temporary(record);
  if (temporary.connected()) DiscoverKeys(temporary.record());
}

bool CursorEditing::RefusedAsLaterResult(ConnectionRecord* record) const {
  if (!laterResult_) return false;
  SetEditingError(record, kNoTableCode);
  return true;
}

void CursorEditing::BuildWhereClause(ODBCCursor& cursor) {
  ConnectionRecord* record = cursor.connection();
  SQELTO_TRACE(record, "ENTER BuildWhereClause: ", cursor.statement());
  if (!cursor.rowValid()) return;
  whereClause_.clear();
  if (tableName_.empty()) FindTableAndKeys(cursor);

  std::string clause;
  const int32_t columns = cursor.ColumnCount();
  std::vector<std::string> names;
  for (int32_t i = 0; i < columns; ++i) names.push_back(ColumnNameOf(cursor, i));
  for (const std::string& key : keyColumns_) {
    int32_t match = -1;
    for (int32_t i = 0; i < columns && match < 0; ++i) {
      SQELTO_TRACE(record, "comparing column name: ", key, " and ", names[static_cast<std::size_t>(i)]);
      if (EqualIgnoringAsciiCase(key, names[static_cast<std::size_t>(i)])) match = i;
    }
    if (match < 0) {
      // Without every column of the primary key the clause could match
      // other rows too.
      if (primaryKeys_) return;
      continue;
    }
    void* value = nullptr;
    uint8_t type = 0;
    int32_t length = 0;
    cursor.ColumnValue(match, &value, &type, &length);
    KeyValue keyValue{type, static_cast<const unsigned char*>(value), length, {}};
    std::optional<HostBytes> text;
    if (type == TAVRO_COLUMN_HOST_STRING) {
      text.emplace(value != nullptr ? *static_cast<TavroString*>(value) : nullptr, TAVRO_ENCODING_UTF8);
      keyValue.text = text->view();
    }
    const std::optional<std::string> condition = KeyCondition(
        key, keyValue, backslashEscapes_ ? LiteralEscapes::QuotesAndBackslashes : LiteralEscapes::QuotesOnly);
    // A key value no literal can match exactly leaves the row without a
    // condition rather than with one that finds other rows.
    if (!condition) return;
    if (!clause.empty()) clause += " AND ";
    clause += *condition;
    SQELTO_TRACE(record, "column type: ", static_cast<int>(type), " value: ", clause);
  }
  whereClause_ = clause;
}

void CursorEditing::Edit(ODBCCursor& cursor) {
  ConnectionRecord* record = cursor.connection();
  SQELTO_TRACE(record, "ENTER EditRecord: ", cursor.statement());
  ClearLastError(record);
  if (RefusedAsLaterResult(record)) return;
  if (!cursor.rowValid()) {
    SetEditingError(record, kNoCurrentRecordCode);
    return;
  }
  BuildWhereClause(cursor);
  if (!whereClause_.empty()) return;
  SetEditingError(record, tableName_.empty() ? kNoTableCode : kNotEditableCode);
}

void CursorEditing::Delete(ODBCCursor& cursor) {
  ConnectionRecord* record = cursor.connection();
  SQELTO_TRACE(record, "ENTER DeleteRecord: ", cursor.statement());
  ClearLastError(record);
  if (RefusedAsLaterResult(record)) return;
  if (whereClause_.empty()) BuildWhereClause(cursor);
  if (whereClause_.empty()) {
    SetEditingError(record, kNotEditableCode);
    return;
  }
  const std::string statement = "DELETE FROM " + tableName_ + " WHERE " + whereClause_;
  if (!NeedsTemporaryConnection(record)) {
    odbc_execDirect(record, statement.c_str(), TAVRO_ENCODING_UTF8);
    return;
  }
  TemporaryConnection temporary(record);
  if (!temporary.connected()) {
    // Saying nothing would read as a deleted row.
    SetLastError(record, kTemporaryConnectionCode,
                 temporary.record() != nullptr ? temporary.record()->lastErrorText : nullptr);
    return;
  }
  odbc_execDirect(temporary.record(), statement.c_str(), TAVRO_ENCODING_UTF8);
  record->rowsAffected = temporary.record()->rowsAffected;
  temporary.CopyLastErrorTo(record);
}

int32_t CursorEditing::FieldCheck(ODBCCursor& cursor) {
  SQELTO_TRACE(cursor.connection(), "ENTER FieldKey: ", cursor.statement());
  return 0;
}

void CursorEditing::RunUpdate(ODBCCursor& cursor, ConnectionRecord* target, TavroUpdateField* fields) {
  StatementHandle statement;
  if (!odbc::Succeeded(statement.Allocate(target->hdbc))) {
    ReportConnectionFailure(target, "SQLAllocHandle");
    return;
  }
  // Fields whose column has no name are left out; the parameters are
  // numbered over the fields that remain.
  std::string text = "UPDATE " + tableName_ + " SET ";
  UpdateParameters parameters;
  SQLUSMALLINT number = 0;
  for (TavroUpdateField* field = fields; field != nullptr; field = field->next) {
    const std::string name = ColumnNameOf(cursor, field->column);
    if (name.empty()) continue;
    if (number == std::numeric_limits<SQLUSMALLINT>::max()) {
      SetLastError(target, kOwnFailureCode, kTooManyFieldsText);
      return;
    }
    if (number > 0) text += ", ";
    text += name + "=?";
    if (!odbc::Succeeded(parameters.Bind(statement.get(), ++number, cursor.ColumnType(field->column), field->value))) {
      ReportStatementFailure(target, statement.get(), "SQLBindParameter");
      return;
    }
  }
  ConnectionRecord* record = cursor.connection();
  if (number == 0) {
    record->rowsAffected = 0;  // nothing to change: no statement, no row touched
    return;
  }
  text += " WHERE " + whereClause_;
  std::vector<odbc::Utf16Unit> wide = odbc::Utf8ToUtf16(text.data(), text.size());
  SQLRETURN rc = SQLPrepareW(statement.get(), odbc::AsSqlWide(wide.data()), static_cast<SQLINTEGER>(wide.size() - 1));
  if (!odbc::Succeeded(rc)) {
    ReportStatementFailure(target, statement.get(), "SQLPrepare");
    return;
  }
  rc = SQLExecute(statement.get());
  if (!odbc::Succeeded(rc) && rc != SQL_NO_DATA) {
    ReportStatementFailure(target, statement.get(), "SQLExecute");
    return;
  }
  SQLLEN rows = 0;
  if (rc != SQL_NO_DATA) SQLRowCount(statement.get(), &rows);
  record->rowsAffected = static_cast<int32_t>(rows);
}

void CursorEditing::Update(ODBCCursor& cursor, TavroUpdateField* fields) {
  ConnectionRecord* record = cursor.connection();
  SQELTO_TRACE(record, "ENTER UpdateRecord: ", cursor.statement());
  ClearLastError(record);
  if (RefusedAsLaterResult(record)) return;
  if (whereClause_.empty()) BuildWhereClause(cursor);
  if (whereClause_.empty()) {
    SetEditingError(record, kNotEditableCode);
    return;
  }
  if (const int32_t check = FieldCheck(cursor); check != 0) {
    SetEditingError(record, check);
    return;
  }

  std::optional<TemporaryConnection> temporary;
  ConnectionRecord* target = record;
  if (NeedsTemporaryConnection(record)) {
    temporary.emplace(record);
    if (!temporary->connected()) {
      SetLastError(record, kTemporaryConnectionCode,
                   temporary->record() != nullptr ? temporary->record()->lastErrorText : nullptr);
      return;
    }
    target = temporary->record();
  }

  RunUpdate(cursor, target, fields);
  if (temporary) temporary->CopyLastErrorTo(record);
}

}  // namespace sqelto
