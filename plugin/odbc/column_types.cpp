#include "column_types.h"

namespace sqelto {

namespace {
SQLULEN CappedUnits(SQLULEN columnSize) {
  return columnSize == 0 || columnSize > kMaxFetchUnits ? kMaxFetchUnits : columnSize;
}
}  // namespace

ColumnFetch FetchFor(SQLSMALLINT sqlType, SQLULEN columnSize) {
  switch (sqlType) {
    case SQL_TINYINT:
      return {TAVRO_COLUMN_TINYINT, SQL_C_SHORT, BufferKind::Inline, 2};
    case SQL_SMALLINT:
      return {TAVRO_COLUMN_SMALLINT, SQL_C_SHORT, BufferKind::Inline, 2};
    case SQL_INTEGER:
      // Read as 64 bits: SQLite describes columns and expressions as INTEGER
      // whose values need more, and a 32-bit read cuts them without an
      // error. A value that fits still reaches the host as 32 bits.
      return {TAVRO_COLUMN_INTEGER, SQL_C_SBIGINT, BufferKind::Inline, 8};
    case SQL_BIGINT:
      return {TAVRO_COLUMN_INT64, SQL_C_SBIGINT, BufferKind::Inline, 8};
    case SQL_REAL:
      return {TAVRO_COLUMN_FLOAT, SQL_C_FLOAT, BufferKind::Inline, 4};
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return {TAVRO_COLUMN_DOUBLE, SQL_C_DOUBLE, BufferKind::Inline, 8};
    case SQL_DATETIME:
    case SQL_TYPE_DATE:
      return {TAVRO_COLUMN_DATE, SQL_C_DATE, BufferKind::Inline, 6};
    case SQL_TIME:
    case SQL_TYPE_TIME:
      return {TAVRO_COLUMN_TIME, SQL_C_TIME, BufferKind::Inline, 6};
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
      return {TAVRO_COLUMN_TIMESTAMP, SQL_C_TIMESTAMP, BufferKind::Inline, 16};
    case SQL_BIT:
      return {TAVRO_COLUMN_BOOLEAN, SQL_C_BIT, BufferKind::Inline, 1};
    case SQL_BINARY:
    case SQL_VARBINARY:
      if (columnSize >= 1 && columnSize <= 255) return {TAVRO_COLUMN_BINARY, SQL_C_BINARY, BufferKind::Inline, 256};
      return {TAVRO_COLUMN_BINARY, SQL_C_BINARY, BufferKind::Heap, static_cast<SQLLEN>(CappedUnits(columnSize))};
    case SQL_LONGVARBINARY:
      return {TAVRO_COLUMN_LONG_BINARY, SQL_C_BINARY, BufferKind::LongBinary, 0};
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
      return {TAVRO_COLUMN_LONG_TEXT, SQL_C_WCHAR, BufferKind::LongText, 0};
    default:
      if (columnSize >= 1 && columnSize <= 255)
        return {TAVRO_COLUMN_TEXT, SQL_C_WCHAR, BufferKind::Inline, static_cast<SQLLEN>(kInlineTextBytes)};
      return {TAVRO_COLUMN_TEXT, SQL_C_WCHAR, BufferKind::Heap, static_cast<SQLLEN>(CappedUnits(columnSize) * 4 + 4)};
  }
}

bool IsCharacterType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_GUID:
    case SQL_WLONGVARCHAR:
    case SQL_WVARCHAR:
    case SQL_WCHAR:
    case SQL_LONGVARCHAR:
      return true;
    default:
      return false;
  }
}

bool IsLongType(SQLSMALLINT sqlType) {
  return sqlType == SQL_LONGVARCHAR || sqlType == SQL_WLONGVARCHAR || sqlType == SQL_LONGVARBINARY;
}

}  // namespace sqelto
