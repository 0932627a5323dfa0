#include "raw_odbc_path.hpp"

#include "odbc_session.hpp"
#include "utf_conversion.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace odbc_bench {
namespace {

enum class Kind { Short, Integer, BigInt, Real, Double, Date, Time, Timestamp, Bit, Binary, Text };

// Sizes as the plug-in's cursor uses them: short values inline, wider ones in
// a heap buffer of at most 8192 characters.
constexpr std::size_t kInlineBytes = 2048;
constexpr std::size_t kInlineTextBytes = 1024;
constexpr SQLULEN kMaxHeapUnits = 8192;

struct Column {
  SQLUSMALLINT number = 0;
  SQLSMALLINT sqlType = 0;
  Kind kind = Kind::Text;
  SQLSMALLINT cType = SQL_C_WCHAR;
  SQLLEN indicator = 0;
  alignas(8) unsigned char inlineData[kInlineBytes] = {};
  std::unique_ptr<unsigned char[]> heap;      // fetched value when it does not fit inline
  std::unique_ptr<char[]> heapUtf8;           // UTF-8 form of a heap text value
  SQLLEN bufferLength = 0;
  std::size_t utf8Capacity = 0;

  unsigned char* buffer() { return heap ? heap.get() : inlineData; }
  char* utf8Buffer() { return heap ? heapUtf8.get() : reinterpret_cast<char*>(inlineData + kInlineTextBytes); }
};

Kind kindOf(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_TINYINT:
    case SQL_SMALLINT: return Kind::Short;
    case SQL_INTEGER: return Kind::Integer;
    case SQL_BIGINT: return Kind::BigInt;
    case SQL_REAL: return Kind::Real;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return Kind::Double;
    case SQL_DATETIME:
    case SQL_TYPE_DATE: return Kind::Date;
    case SQL_TIME:
    case SQL_TYPE_TIME: return Kind::Time;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP: return Kind::Timestamp;
    case SQL_BIT: return Kind::Bit;
    case SQL_BINARY:
    case SQL_VARBINARY: return Kind::Binary;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_LONGVARBINARY:
      throw OdbcError("long column types are read in chunks, which this loop does not measure");
    default: return Kind::Text;
  }
}

SQLSMALLINT cTypeOf(Kind kind) {
  switch (kind) {
    case Kind::Short: return SQL_C_SSHORT;
    case Kind::Integer: return SQL_C_SLONG;
    case Kind::BigInt: return SQL_C_SBIGINT;
    case Kind::Real: return SQL_C_FLOAT;
    case Kind::Double: return SQL_C_DOUBLE;
    case Kind::Date: return SQL_C_TYPE_DATE;
    case Kind::Time: return SQL_C_TYPE_TIME;
    case Kind::Timestamp: return SQL_C_TYPE_TIMESTAMP;
    case Kind::Bit: return SQL_C_BIT;
    case Kind::Binary: return SQL_C_BINARY;
    case Kind::Text: return SQL_C_WCHAR;
  }
  return SQL_C_WCHAR;
}

void prepareBuffer(Column& column, SQLULEN columnSize) {
  const bool fitsInline = columnSize >= 1 && columnSize <= 255;
  const SQLULEN units = columnSize == 0 ? kMaxHeapUnits : std::min(columnSize, kMaxHeapUnits);
  switch (column.kind) {
    case Kind::Text:
      if (fitsInline) {
        column.bufferLength = kInlineTextBytes;
        column.utf8Capacity = kInlineBytes - kInlineTextBytes;
      } else {
        column.bufferLength = SQLLEN(units * 4 + 4);
        column.heap = std::make_unique<unsigned char[]>(std::size_t(column.bufferLength));
        column.utf8Capacity = units * 3 + 4;  // a UTF-16 unit never needs more than 3 UTF-8 bytes
        column.heapUtf8 = std::make_unique<char[]>(column.utf8Capacity);
      }
      break;
    case Kind::Binary:
      if (fitsInline) {
        column.bufferLength = 256;
      } else {
        column.bufferLength = SQLLEN(units);
        column.heap = std::make_unique<unsigned char[]>(units + 1);
      }
      break;
    default: column.bufferLength = kInlineBytes; break;
  }
}

std::vector<std::unique_ptr<Column>> describeAndBind(Statement& stmt) {
  SQLSMALLINT count = 0;
  if (!succeeded(SQLNumResultCols(stmt.get(), &count))) stmt.fail("SQLNumResultCols");
  std::vector<std::unique_ptr<Column>> columns;
  for (SQLUSMALLINT number = 1; number <= count; ++number) {
    auto column = std::make_unique<Column>();
    SQLWCHAR name[256];
    SQLSMALLINT nameLength = 0, decimalDigits = 0, nullable = 0;
    SQLULEN columnSize = 0;
    if (!succeeded(SQLDescribeColW(stmt.get(), number, name, 256, &nameLength, &column->sqlType, &columnSize,
                                   &decimalDigits, &nullable)))
      stmt.fail("SQLDescribeColW");
    column->number = number;
    column->kind = kindOf(column->sqlType);
    column->cType = cTypeOf(column->kind);
    prepareBuffer(*column, columnSize);
    if (!succeeded(SQLBindCol(stmt.get(), number, column->cType, column->buffer(), column->bufferLength,
                              &column->indicator)))
      stmt.fail("SQLBindCol");
    columns.push_back(std::move(column));
  }
  return columns;
}

template <typename T>
T read(const unsigned char* buffer) {
  T value;
  std::memcpy(&value, buffer, sizeof value);
  return value;
}

void readValue(Column& column, FetchTotals& totals) {
  if (column.indicator == SQL_NULL_DATA) {
    ++totals.nulls;
    return;
  }
  const unsigned char* buffer = column.buffer();
  switch (column.kind) {
    case Kind::Short: totals.addInteger(read<SQLSMALLINT>(buffer)); break;
    case Kind::Integer: totals.addInteger(read<SQLINTEGER>(buffer)); break;
    case Kind::BigInt: totals.addInteger(read<SQLBIGINT>(buffer)); break;
    case Kind::Real: totals.addDouble(read<SQLREAL>(buffer)); break;
    case Kind::Double: totals.addDouble(read<SQLDOUBLE>(buffer)); break;
    case Kind::Bit: totals.addInteger(buffer[0]); break;
    case Kind::Date: {
      const auto d = read<SQL_DATE_STRUCT>(buffer);
      totals.addTimestamp(d.year, d.month, d.day, 0, 0, 0, 0);
      break;
    }
    case Kind::Time: {
      const auto t = read<SQL_TIME_STRUCT>(buffer);
      totals.addTimestamp(0, 0, 0, t.hour, t.minute, t.second, 0);
      break;
    }
    case Kind::Timestamp: {
      const auto t = read<SQL_TIMESTAMP_STRUCT>(buffer);
      totals.addTimestamp(t.year, t.month, t.day, t.hour, t.minute, t.second, t.fraction);
      break;
    }
    case Kind::Binary: {
      // A truncated value reports its full length; only what the buffer holds counts.
      const auto length = std::min<SQLLEN>(column.indicator, column.bufferLength);
      totals.addText(reinterpret_cast<const char*>(buffer), std::size_t(std::max<SQLLEN>(length, 0)));
      break;
    }
    case Kind::Text: {
      // The driver reports the whole length even when it cut the value; the
      // buffer holds at most bufferLength bytes including a terminator.
      const auto bytes = std::min<SQLLEN>(column.indicator, column.bufferLength - SQLLEN(sizeof(SQLWCHAR)));
      const auto units = std::size_t(std::max<SQLLEN>(bytes, 0)) / sizeof(SQLWCHAR);
      char* utf8 = column.utf8Buffer();
      const std::size_t length =
          utf16ToUtf8(reinterpret_cast<const char16_t*>(buffer), units, utf8, column.utf8Capacity);
      totals.addText(utf8, length);
      break;
    }
  }
}

}  // namespace

FetchTotals RawOdbcPath::fetchAll(const std::string& connectionString, const std::string& query) {
  Connection connection(connectionString);
  Statement stmt(connection.get());
  stmt.execute(query);
  auto columns = describeAndBind(stmt);

  FetchTotals totals;
  for (;;) {
    const SQLRETURN rc = SQLFetch(stmt.get());
    if (rc == SQL_NO_DATA) break;
    if (!succeeded(rc)) stmt.fail("SQLFetch after " + std::to_string(totals.rows) + " rows");
    ++totals.rows;
    for (auto& column : columns) readValue(*column, totals);
  }
  return totals;
}

}  // namespace odbc_bench
