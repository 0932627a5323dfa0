#include "odbc_cursor.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "../frame/host_api.h"
#include "../frame/hot_path.h"
#include "../frame/trace.h"
#include "failure_report.h"
#include "last_error.h"
#include "long_data.h"
#include "value_limit.h"

// The cursor's operations run once per row and value: test the record's
// trace byte here rather than through a call for every one of them.
#define CURSOR_TRACE(...)                                                 \
  do {                                                                    \
    if (record()->traceOn) SQELTO_TRACE(record(), __VA_ARGS__);           \
  } while (0)

namespace sqelto {
namespace {

// Character values reach the host through this one slot: each read releases
// the string it held, so a value stays valid until the next character value
// is read from any cursor. All cursor calls come from host threads holding
// the host's runtime lock, which the host keeps while it reads the value.
TavroString gValueSlot = nullptr;
// Live cursors; when the last one goes, no value can be read any more and the
// slot's string is released rather than kept until the process ends.
int gLiveCursors = 0;

// Dates, times and timestamps go to the host with every 16-bit field high
// byte first; the timestamp's 32-bit fraction stays as it is. The field
// count is known per column: a fixed count lets the compiler swap them all
// without a loop.
template <int kFields>
void SwapFields(unsigned char* data) {
  for (int i = 0; i < kFields; ++i) {
    uint16_t value = 0;
    std::memcpy(&value, data + 2 * i, 2);
    value = static_cast<uint16_t>((value >> 8) | (value << 8));
    std::memcpy(data + 2 * i, &value, 2);
  }
}

inline void StoreFieldsBigEndian(unsigned char* data, int fields) {
  if (fields == 6)
    SwapFields<6>(data);
  else
    SwapFields<3>(data);
}

uint16_t ReadBigEndian16(const unsigned char* data) {
  return static_cast<uint16_t>((data[0] << 8) | data[1]);
}

class StatementColumnSource final : public LongDataSource {
public:
  StatementColumnSource(ConnectionRecord* record, SQLHSTMT statement, SQLUSMALLINT column)
      : record_(record), statement_(statement), column_(column) {}

  SQLRETURN GetChunk(SQLSMALLINT cType, void* buffer, SQLLEN bufferLength, SQLLEN* indicator) override {
    return SQLGetData(statement_, column_, cType, buffer, bufferLength, indicator);
  }
  std::string FirstState() override {
    SQLWCHAR state[6] = {};
    SQLWCHAR message[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!odbc::Succeeded(SQLGetDiagRecW(SQL_HANDLE_STMT, statement_, 1, state, &native, message, 511, &length)))
      return {};
    return std::string(state, state + odbc::Utf16Length(odbc::AsUnits(state), 5));  // SQLSTATEs are ASCII
  }
  void TraceChunkLength(SQLLEN length) override { SQELTO_TRACE(record_, "chunkLength: ", length); }
  void ReportFailure() override {
    if (TraceOn(record_)) {
      SQLWCHAR state[6] = {};
      SQLWCHAR message[512] = {};
      SQLINTEGER native = 0;
      SQLSMALLINT length = 0;
      SQLGetDiagRecW(SQL_HANDLE_STMT, statement_, 1, state, &native, message, 511, &length);
      char text[512 * 3] = {};
      odbc::Utf16ToUtf8(odbc::AsUnits(message), odbc::Utf16Length(odbc::AsUnits(message), 511), text, sizeof text - 1);
      Trace(record_, "get data error for column: ", column_, "  msg: ", text);
    }
    // The value is incomplete: say so where the host looks for failures.
    ReadStatementDiagnostics(record_, statement_);
  }

private:
  ConnectionRecord* record_;
  SQLHSTMT statement_;
  SQLUSMALLINT column_;
};

}  // namespace

ODBCCursor::ODBCCursor(ConnectionRecord* connection, SQLHSTMT statement, std::string sqlText)
    : ConnectionHold(connection), hstmt_(statement), sqlText_(std::move(sqlText)) {
  CURSOR_TRACE("ENTER ODBCCursor(", record(), ", ", hstmt_, ")");
  try {
    CreateBindings();
  } catch (...) {
    // The statement is still the caller's, which frees it; the columns
    // bound to buffers that go now are let go first.
    SQLFreeStmt(hstmt_, SQL_UNBIND);
    throw;
  }
  ++gLiveCursors;
}

ODBCCursor::~ODBCCursor() {
  CURSOR_TRACE("ENTER ~ODBCCursor: ", hstmt_);
  // The statement goes first (unbound once, closed, freed), so the driver
  // can no longer write into the buffers the clean-up frees.
  FreeStatement();
  CleanupBindings();
  // The connection must not keep pointing at a cursor that is gone.
  if (record()->currentCursor == this) record()->currentCursor = nullptr;
  if (--gLiveCursors == 0 && gValueSlot != nullptr) {
    host::UnlockString(gValueSlot);
    gValueSlot = nullptr;
  }
  // The hold releases the connection (the last release closes it).
}

void ODBCCursor::FreeStatement() {
  if (!statementOpen_) return;
  statementOpen_ = false;
  rowValid_ = false;
  SQLFreeStmt(hstmt_, SQL_UNBIND);
  SQLFreeStmt(hstmt_, SQL_CLOSE);
  SQLFreeHandle(SQL_HANDLE_STMT, hstmt_);
}

// The connection is being closed: the statement goes now, while its
// connection handle is still valid; the handle's address may come back with
// the next connection and must never be used again.
void ODBCCursor::ConnectionClosing() { FreeStatement(); }

void ODBCCursor::RecordFailure(const char* text) noexcept {
  rowValid_ = false;
  SetLastError(record(), kOwnFailureCode, text);
}

bool ODBCCursor::NextResultSet() {
  if (!statementOpen_ || !odbc::Succeeded(SQLMoreResults(hstmt_))) return false;
  CleanupBindings();
  CreateBindings();
  editing_.ResultSetChanged();
  return true;
}

void ODBCCursor::CreateBindings() {
  CURSOR_TRACE("ENTER CreateBindings: ", hstmt_);
  rowValid_ = false;
  columnCount_ = 0;
  SQLSMALLINT count = 0;
  SQLNumResultCols(hstmt_, &count);
  columnCount_ = count < 0 ? 0 : count;
  for (SQLSMALLINT number = 1; number <= columnCount_; ++number) {
    auto column = std::make_unique<Column>();
    column->number = static_cast<uint16_t>(number);
    SQLDescribeColW(hstmt_, static_cast<SQLUSMALLINT>(number), column->name, 256, &column->nameLength,
                    &column->sqlType, &column->columnSize, &column->decimalDigits, &column->nullable);
    column->name[255] = 0;
    column->fetch = FetchFor(column->sqlType, column->columnSize);
    column->hostType = column->fetch.hostType;
    column->valueType = static_cast<uint8_t>(column->hostType);
    column->longType = IsLongType(column->sqlType);
    if (column->fetch.cType == SQL_C_TIMESTAMP)
      column->bigEndianFields = 6;
    else if (column->fetch.cType == SQL_C_DATE || column->fetch.cType == SQL_C_TIME)
      column->bigEndianFields = 3;
    if (column->fetch.buffer == BufferKind::LongText)
      column->read = Column::Read::LongText;
    else if (column->fetch.buffer == BufferKind::LongBinary)
      column->read = Column::Read::LongBinary;
    else if (column->isText())
      column->read = Column::Read::Text;
    else if (column->fetch.cType == SQL_C_BINARY)
      column->read = Column::Read::Binary;
    else if (column->hostType == TAVRO_COLUMN_INTEGER)
      column->read = Column::Read::Integer;
    else
      column->fixedSize = static_cast<int32_t>(column->fetch.bufferLength);
    if (column->fetch.buffer == BufferKind::Heap) {
      // Binary buffers keep one spare byte beyond the length passed.
      column->heapData = std::make_unique<unsigned char[]>(static_cast<std::size_t>(column->fetch.bufferLength) + 1);
    }
    if (record()->allowsBinds && !column->longType) {
      column->bound = odbc::Succeeded(SQLBindCol(hstmt_, column->number, column->fetch.cType, column->buffer(),
                                                 column->fetch.bufferLength, &column->indicator));
    }
    columns_.push_back(std::move(column));
  }
}

void ODBCCursor::CleanupBindings() {
  CURSOR_TRACE("ENTER CleanupBindings: ", hstmt_);
  // A binding stays in force from one result set to the next, and the driver
  // writes through it at every fetch: it goes before its buffer does.
  if (statementOpen_) SQLFreeStmt(hstmt_, SQL_UNBIND);
  while (!columns_.empty()) columns_.pop_back();
}

// Before every move: until the move succeeds there is no current row, and
// whatever the buffers hold is not a value (a move that finds no row leaves
// them as they were, with the lengths of the last row).
void ODBCCursor::CleanupRow() {
  CURSOR_TRACE("ENTER CleanupRow: ", hstmt_);
  editing_.RowChanged();
  rowValid_ = false;
}

SQELTO_HOT void ODBCCursor::SetTextValue(Column& column, const odbc::Utf16Unit* units, std::size_t count) {
  char* inlineText = reinterpret_cast<char*>(column.inlineData) + kInlineTextBytes;
  // Three UTF-8 bytes per UTF-16 unit at most: short text needs no measuring.
  std::size_t bytes = count * 3 <= kInlineTextBytes ? 0 : odbc::Utf8LengthOf(units, count);
  char* out = inlineText;
  std::size_t capacity = kInlineTextBytes;
  if (bytes > kInlineTextBytes) {
    CheckValueSize(column.number, bytes);
    if (column.utf8.size() < bytes) column.utf8.resize(bytes);
    out = column.utf8.data();
    capacity = column.utf8.size();
  }
  bytes = odbc::Utf16ToUtf8(units, count, out, capacity);
  column.value = {reinterpret_cast<const unsigned char*>(out), static_cast<int32_t>(bytes)};
}

void ODBCCursor::ReadTextWhole(Column& column, std::size_t firstUnits) {
  std::vector<odbc::Utf16Unit> text;
  const auto* buffered = reinterpret_cast<const odbc::Utf16Unit*>(column.buffer());
  text.assign(buffered, buffered + firstUnits);
  StatementColumnSource source(record(), hstmt_, column.number);
  GatherLongText(source, text, column.number);
  if (text.empty() && column.bound) {
    // The driver cannot read a bound value again: keep what its buffer holds.
    const std::size_t room = static_cast<std::size_t>(column.fetch.bufferLength) / 2 - 1;
    text.assign(buffered, buffered + odbc::Utf16Length(buffered, room));
  }
  SetTextValue(column, text.data(), text.size());
}

void ODBCCursor::ReadBytesWhole(Column& column, std::size_t firstBytes) {
  const unsigned char* buffered = column.buffer();
  column.bytes.assign(buffered, buffered + firstBytes);
  StatementColumnSource source(record(), hstmt_, column.number);
  GatherLongBinary(source, column.bytes, column.number);
  if (column.bytes.empty() && column.bound)  // cannot be read again: what the buffer holds
    column.bytes.assign(buffered, buffered + column.fetch.bufferLength);
  // An empty value still points at a buffer of the column.
  column.value = {column.bytes.empty() ? column.inlineData : column.bytes.data(),
                  static_cast<int32_t>(column.bytes.size())};
}

void ODBCCursor::ReadOnlyColumns(std::span<const int32_t> wanted) {
  for (auto& column : columns_) {
    const int32_t index = column->number - 1;
    column->skipped = std::find(wanted.begin(), wanted.end(), index) == wanted.end();
    if (column->skipped && column->bound && statementOpen_) {
      SQLBindCol(hstmt_, column->number, column->fetch.cType, nullptr, 0, nullptr);
      column->bound = false;
    }
  }
}

SQELTO_HOT void ODBCCursor::ReadValue(Column& column) {
  using Read = Column::Read;
  if (column.skipped) {
    column.value = {};
    return;
  }
  if (column.read == Read::LongText) return ReadLongText(column);
  if (column.read == Read::LongBinary) return ReadLongBinary(column);
  if (!column.bound)
    SQLGetData(hstmt_, column.number, column.fetch.cType, column.buffer(), column.fetch.bufferLength,
               &column.indicator);
  const SQLLEN indicator = column.indicator;
  if (indicator == SQL_NULL_DATA) {
    column.value = {};
    return;
  }
  switch (column.read) {
    case Read::Text: {
      // Text buffers keep room for a terminator.
      const SQLLEN room = column.fetch.bufferLength - 2;
      if (indicator == SQL_NO_TOTAL || indicator > room) {
        // Longer than its buffer (drivers such as SQLite's ignore declared
        // sizes): a bound value is read again from its start, an unbound one
        // goes on where the first piece ended.
        return ReadTextWhole(column, column.bound ? 0 : static_cast<std::size_t>(room) / 2);
      }
      const auto* units = reinterpret_cast<const odbc::Utf16Unit*>(column.buffer());
      return SetTextValue(column, units, static_cast<std::size_t>(indicator) / 2);
    }
    case Read::Binary: {
      const SQLLEN room = column.fetch.bufferLength;
      if (indicator == SQL_NO_TOTAL || indicator > room)
        return ReadBytesWhole(column, column.bound ? 0 : static_cast<std::size_t>(room));
      column.value = {column.buffer(), static_cast<int32_t>(indicator)};
      return;
    }
    case Read::Integer: {
      // Fetched as 64 bits; a value that fits goes over as the 32-bit
      // integer of the column's type, a wider one as a 64-bit integer.
      int64_t wide = 0;
      std::memcpy(&wide, column.inlineData, sizeof wide);
      if (wide >= INT32_MIN && wide <= INT32_MAX) [[likely]] {
        const auto narrow = static_cast<int32_t>(wide);
        std::memcpy(column.inlineData, &narrow, sizeof narrow);
        column.valueType = TAVRO_COLUMN_INTEGER;
        column.value = {column.inlineData, static_cast<int32_t>(sizeof narrow)};
      } else {
        column.valueType = TAVRO_COLUMN_INT64;
        column.value = {column.inlineData, static_cast<int32_t>(sizeof wide)};
      }
      return;
    }
    default:
      if (column.bigEndianFields != 0) StoreFieldsBigEndian(column.inlineData, column.bigEndianFields);
      column.value = {column.inlineData, column.fixedSize};
      return;
  }
}

SQELTO_HOT void ODBCCursor::GetRowValues() {
  CURSOR_TRACE("ENTER GetRowValues: ", hstmt_);
  // Each value is converted as it is read: the conversion reads nothing more
  // from the statement. The row counts as read only once every value is.
  for (auto& column : columns_) ReadValue(*column);
  rowValid_ = true;
}

SQELTO_HOT ODBCCursor::Column* ODBCCursor::ColumnAt(int32_t column) {
  if (column < 0 || column >= static_cast<int32_t>(columns_.size())) return nullptr;
  return columns_[static_cast<std::size_t>(column)].get();
}

int32_t ODBCCursor::RecordCount() {
  CURSOR_TRACE("ENTER RecordCount: ", hstmt_);
  return -1;  // ODBC does not tell the row count of a result before it is read
}

int32_t ODBCCursor::ColumnCount() {
  CURSOR_TRACE("ENTER ColumnCount: ", hstmt_);
  return columnCount_;
}

TavroString ODBCCursor::ColumnName(int32_t column) {
  CURSOR_TRACE("ENTER ColumnName(", column, "): ", hstmt_);
  Column* c = ColumnAt(column);
  if (c == nullptr) return nullptr;
  const auto* units = odbc::AsUnits(c->name);
  const std::size_t count = odbc::Utf16Length(units, 256);
  std::string utf8(count * 4 + 4, '\0');
  utf8.resize(odbc::Utf16ToUtf8(units, count, utf8.data(), utf8.size()));
  TavroString name = host::BuildString(utf8.data(), static_cast<int32_t>(utf8.size()));
  if (name != nullptr) host::SetStringEncoding(name, TAVRO_ENCODING_UTF8);
  return name;
}

int32_t ODBCCursor::ColumnType(int32_t column) {
  CURSOR_TRACE("ENTER ColumnType(", column, "): ", hstmt_);
  Column* c = ColumnAt(column);
  return c != nullptr ? c->hostType : TAVRO_COLUMN_UNKNOWN;
}

SQELTO_HOT bool ODBCCursor::NextRecord() {
  CURSOR_TRACE("ENTER NextRecord: ", hstmt_);
  CleanupRow();
  ClearLastError(record());
  if (!statementOpen_) {
    SetLastError(record(), kNotConnectedCode, kNotConnectedText);
    return false;
  }
  const SQLRETURN rc = SQLFetch(hstmt_);
  if (odbc::Succeeded(rc)) {
    GetRowValues();
    return true;
  }
  if (rc != SQL_NO_DATA) ReportStatementFailure(record(), hstmt_, "SQLFetch");
  return false;
}

void ODBCCursor::Scroll(SQLSMALLINT orientation) {
  CleanupRow();
  ClearLastError(record());
  if (!statementOpen_) {
    SetLastError(record(), kNotConnectedCode, kNotConnectedText);
    return;
  }
  const SQLRETURN rc = SQLFetchScroll(hstmt_, orientation, 0);
  if (odbc::Succeeded(rc))
    GetRowValues();
  else if (rc == SQL_NO_DATA)  // moved past an end: no failure, no diagnostic
    ReadStatementDiagnostics(record(), hstmt_);
  else
    ReportStatementFailure(record(), hstmt_, "SQLFetchScroll");
}

void ODBCCursor::PreviousRecord() {
  CURSOR_TRACE("ENTER PreviousRecord: ", hstmt_);
  Scroll(SQL_FETCH_PRIOR);
}

void ODBCCursor::FirstRecord() {
  CURSOR_TRACE("ENTER FirstRecord: ", hstmt_);
  Scroll(SQL_FETCH_FIRST);
}

void ODBCCursor::LastRecord() {
  CURSOR_TRACE("ENTER LastRecord: ", hstmt_);
  Scroll(SQL_FETCH_LAST);
}

SQELTO_HOT void ODBCCursor::ColumnValue(int32_t column, void** value, uint8_t* type, int32_t* length) {
  // The host reads every value of every row through here: the untraced
  // copy tests the trace switch once instead of before and after the value.
  if (record()->traceOn) [[unlikely]]
    HandValue<true>(column, value, type, length);
  else
    HandValue<false>(column, value, type, length);
}

template <bool kTraced>
SQELTO_HOT inline void ODBCCursor::HandValue(int32_t column, void** value, uint8_t* type, int32_t* length) {
  if constexpr (kTraced) SQELTO_TRACE(record(), "ENTER ColumnValue(", column, "): ", hstmt_);
  Column* c = ColumnAt(column);
  if (c == nullptr) {
    if (value != nullptr) *value = nullptr;
    if (type != nullptr) *type = 0;
    if (length != nullptr) *length = 0;
    if constexpr (kTraced) SQELTO_TRACE(record(), "column out of range: ", hstmt_);
    return;
  }
  const CurrentValue current = rowValid_ ? c->value : CurrentValue{};
  if (current.bytes == nullptr) {
    std::memset(c->inlineData, 0, 4);
    if (value != nullptr) *value = c->inlineData;
    if (type != nullptr) *type = 0;
    if (length != nullptr) *length = 0;
    if constexpr (kTraced) SQELTO_TRACE(record(), "value is NULL: ", hstmt_);
    return;
  }
  if (c->read == Column::Read::Text || c->read == Column::Read::LongText) {
    if (gValueSlot != nullptr) host::UnlockString(gValueSlot);
    gValueSlot = host::BuildString(current.bytes, current.length);
    if (gValueSlot != nullptr) host::SetStringEncoding(gValueSlot, TAVRO_ENCODING_UTF8);
    if (value != nullptr) *value = &gValueSlot;
    if (type != nullptr) *type = TAVRO_COLUMN_HOST_STRING;
    if (length != nullptr) *length = 4;
    if constexpr (kTraced) TraceTextValue(*c, reinterpret_cast<const char*>(current.bytes), current.length);
    return;
  }
  if (value != nullptr) *value = const_cast<unsigned char*>(current.bytes);
  if (type != nullptr) *type = c->valueType;
  if (length != nullptr) *length = current.length;
  if constexpr (kTraced) TraceValue(*c, current.length);
}

void ODBCCursor::TraceTextValue(const Column& column, const char* bytes, int32_t byteCount) const {
  SQELTO_TRACE(record(), "stmt: ", hstmt_, " sqlType: ", column.sqlType, " qxType: ", 18, " len: ", 4,
               " value: ", std::string(bytes, static_cast<std::size_t>(byteCount)));
}

void ODBCCursor::TraceValue(const Column& column, int32_t bytes) const {
  SQELTO_TRACE(record(), "stmt: ", hstmt_, " sqlType: ", column.sqlType, " qxType: ", 18, " len: ", bytes);
}

bool ODBCCursor::FieldKey(int32_t first, int32_t, int32_t, int32_t, int32_t) {
  CURSOR_TRACE("ENTER FieldKey(", first, "): ", hstmt_);
  return false;
}

char* ODBCCursor::ColumnValueAsString(int32_t column, int32_t* length, bool* owned) {
  CURSOR_TRACE("ENTER ColumnValueAsString(", column, "): ", hstmt_);
  void* value = nullptr;
  uint8_t type = 0;
  int32_t valueLength = 0;
  ColumnValue(column, &value, &type, &valueLength);
  if (length != nullptr) *length = 0;
  if (owned != nullptr) *owned = false;
  if (type == 0 || value == nullptr) return nullptr;
  const auto* bytes = static_cast<const unsigned char*>(value);
  auto rendered = [&](auto&&... args) {
    auto* text = new char[129];
    const int n = std::snprintf(text, 129, args...);
    if (length != nullptr) *length = std::clamp(n, 0, 128);
    if (owned != nullptr) *owned = true;
    return text;
  };
  switch (type) {
    // Tiny integers are fetched as 16-bit values too.
    case TAVRO_COLUMN_TINYINT:
    case TAVRO_COLUMN_SMALLINT: {
      int16_t v;
      std::memcpy(&v, value, 2);
      return rendered("%d", static_cast<int>(v));
    }
    case TAVRO_COLUMN_INTEGER: {
      int32_t v;
      std::memcpy(&v, value, 4);
      return rendered("%ld", static_cast<long>(v));
    }
    case TAVRO_COLUMN_INT64: {
      // Some drivers (MariaDB's) describe catalogue columns such as KEY_SEQ
      // as BIGINT; their raw bytes would be no text at all.
      int64_t v;
      std::memcpy(&v, value, 8);
      return rendered("%lld", static_cast<long long>(v));
    }
    case TAVRO_COLUMN_FLOAT: {
      float v;
      std::memcpy(&v, value, 4);
      return rendered("%f", static_cast<double>(v));
    }
    case TAVRO_COLUMN_DOUBLE: {
      double v;
      std::memcpy(&v, value, 8);
      return rendered("%f", v);
    }
    case TAVRO_COLUMN_DATE:
      return rendered("%04d-%02d-%02d", ReadBigEndian16(bytes), ReadBigEndian16(bytes + 2), ReadBigEndian16(bytes + 4));
    case TAVRO_COLUMN_TIME:
      return rendered("%02d:%02d:%02d", ReadBigEndian16(bytes), ReadBigEndian16(bytes + 2), ReadBigEndian16(bytes + 4));
    case TAVRO_COLUMN_TIMESTAMP:
      return rendered("%04d-%02d-%02d %02d:%02d:%02d", ReadBigEndian16(bytes), ReadBigEndian16(bytes + 2),
                      ReadBigEndian16(bytes + 4), ReadBigEndian16(bytes + 6), ReadBigEndian16(bytes + 8),
                      ReadBigEndian16(bytes + 10));
    case TAVRO_COLUMN_BOOLEAN:
      return rendered("%d", static_cast<int>(bytes[0]));
    case TAVRO_COLUMN_HOST_STRING: {
      const TavroString s = *static_cast<TavroString*>(value);
      const char* text = s != nullptr ? host::StringGetCString(s) : nullptr;
      const std::size_t n = text != nullptr ? std::strlen(text) : 0;
      auto* copy = new char[n + 1];
      if (n > 0) std::memcpy(copy, text, n);
      copy[n] = '\0';
      if (length != nullptr) *length = static_cast<int32_t>(n);
      if (owned != nullptr) *owned = true;
      return copy;
    }
    default:
      if (length != nullptr) *length = valueLength;
      return static_cast<char*>(value);
  }
}

}  // namespace sqelto
