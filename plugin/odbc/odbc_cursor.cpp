#include "odbc_cursor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "last_error.h"
#include "long_data.h"

// The cursor's operations run once per row and value: test the record's
// trace byte here rather than through a call for every one of them.
#define CURSOR_TRACE(...)                                             \
  do {                                                                \
    if (connection_->traceOn) SQELTO_TRACE(connection_, __VA_ARGS__); \
  } while (0)

namespace sqelto {
namespace {

// Character values reach the host through this one slot: each read releases
// the string it held, so a value stays valid until the next character value
// is read from any cursor.
TavroString gValueSlot = nullptr;
// Live cursors; when the last one goes, no value can be read any more and the
// slot's string is released rather than kept until the process ends.
int gLiveCursors = 0;

// Dates, times and timestamps go to the host with every 16-bit field high
// byte first; the timestamp's 32-bit fraction stays as it is.
void StoreFieldsBigEndian(unsigned char* data, int fields) {
  for (int i = 0; i < fields; ++i) {
    uint16_t value = 0;
    std::memcpy(&value, data + 2 * i, 2);
    data[2 * i] = static_cast<unsigned char>(value >> 8);
    data[2 * i + 1] = static_cast<unsigned char>(value & 0xFF);
  }
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
    SQLCHAR state[10] = {};
    SQLCHAR message[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!odbc::Succeeded(SQLGetDiagRecA(SQL_HANDLE_STMT, statement_, 1, state, &native, message, 511, &length)))
      return {};
    return reinterpret_cast<const char*>(state);
  }
  void TraceChunkLength(SQLLEN length) override { SQELTO_TRACE(record_, "chunkLength: ", length); }
  void ReportFailure() override {
    if (TraceOn(record_)) {
      SQLCHAR state[10] = {};
      SQLCHAR message[512] = {};
      SQLINTEGER native = 0;
      SQLSMALLINT length = 0;
      SQLGetDiagRecA(SQL_HANDLE_STMT, statement_, 1, state, &native, message, 511, &length);
      Trace(record_, "get data error for column: ", column_, "  msg: ", reinterpret_cast<const char*>(message));
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
    : hstmt_(statement), connection_(connection), hdbc_(connection->hdbc), sqlText_(std::move(sqlText)) {
  AddReference(connection_);
  ++gLiveCursors;
  CURSOR_TRACE("ENTER ODBCCursor(", connection_, ", ", hstmt_, ")");
  CreateBindings();
}

ODBCCursor::~ODBCCursor() {
  CURSOR_TRACE("ENTER ~ODBCCursor: ", hstmt_);
  CleanupBindings();
  if (StatementAlive()) {
    SQLFreeStmt(hstmt_, SQL_UNBIND);
    SQLFreeStmt(hstmt_, SQL_CLOSE);
    SQLFreeHandle(SQL_HANDLE_STMT, hstmt_);
  }
  // The connection must not keep pointing at a cursor that is gone.
  if (connection_->currentCursor == this) connection_->currentCursor = nullptr;
  if (--gLiveCursors == 0 && gValueSlot != nullptr) {
    host::UnlockString(gValueSlot);
    gValueSlot = nullptr;
  }
  Release(connection_);
}

void ODBCCursor::CreateBindings() {
  CURSOR_TRACE("ENTER CreateBindings: ", hstmt_);
  CleanupBindings();
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
    column->longType = IsLongType(column->sqlType);
    if (column->fetch.cType == SQL_C_TIMESTAMP)
      column->bigEndianFields = 6;
    else if (column->fetch.cType == SQL_C_DATE || column->fetch.cType == SQL_C_TIME)
      column->bigEndianFields = 3;
    if (column->fetch.buffer == BufferKind::Heap) {
      // Binary buffers keep one spare byte beyond the length passed.
      column->heapBytes = column->fetch.bufferLength;
      column->heapData = std::make_unique<unsigned char[]>(static_cast<std::size_t>(column->heapBytes) + 1);
    }
    if (connection_->allowsBinds && !column->longType) {
      void* buffer = column->heapData ? static_cast<void*>(column->heapData.get()) : column->inlineData;
      column->bound = odbc::Succeeded(SQLBindCol(hstmt_, column->number, column->fetch.cType, buffer,
                                                 column->fetch.bufferLength, &column->indicator));
    }
    columns_.push_back(std::move(column));
  }
}

void ODBCCursor::CleanupBindings() {
  CURSOR_TRACE("ENTER CleanupBindings: ", hstmt_);
  while (!columns_.empty()) columns_.pop_back();
}

void ODBCCursor::CleanupRow() {
  CURSOR_TRACE("ENTER CleanupRow: ", hstmt_);
  editing_.RowChanged();
  for (auto& column : columns_) {
    column->spilled = false;
    if (column->longType) {
      column->longBinary.clear();
      column->indicator = 0;
    } else if (!column->bound) {
      column->indicator = 0;
    }
  }
}

void ODBCCursor::FetchUnbound(Column& column) {
  void* buffer = column.heapData ? static_cast<void*>(column.heapData.get()) : column.inlineData;
  SQLGetData(hstmt_, column.number, column.fetch.cType, buffer, column.fetch.bufferLength, &column.indicator);
}

// A value longer than its buffer (drivers such as SQLite's do not enforce
// declared sizes) would otherwise be cut silently; it is read again whole.
void ODBCCursor::ReadWholeValue(Column& column) {
  StatementColumnSource source(connection_, hstmt_, column.number);
  if (column.isText()) {
    const std::vector<odbc::Utf16Unit> text = GatherLongText(source);
    if (text.empty()) return;  // the driver cannot read it again: keep what the buffer holds
    if (column.utf8.size() < text.size() * 3) column.utf8.resize(text.size() * 3);
    column.indicator =
        static_cast<SQLLEN>(odbc::Utf16ToUtf8(text.data(), text.size(), column.utf8.data(), column.utf8.size()));
  } else {
    std::vector<unsigned char> bytes = GatherLongBinary(source);
    if (bytes.empty()) return;
    column.longBinary = std::move(bytes);
    column.indicator = static_cast<SQLLEN>(column.longBinary.size());
  }
  column.spilled = true;
}

void ODBCCursor::ConvertValue(Column& column) {
  if (column.indicator == SQL_NULL_DATA || column.spilled) return;
  if (column.fetch.buffer == BufferKind::LongText || column.fetch.buffer == BufferKind::LongBinary) return;
  if (column.isText()) {
    const bool inlineValue = !column.heapData;
    const auto* units = reinterpret_cast<const odbc::Utf16Unit*>(inlineValue ? column.inlineData : column.heapData.get());
    const std::size_t bufferUnits = static_cast<std::size_t>(column.fetch.bufferLength) / 2;
    // A truncated value (or one of unknown length) is read up to its terminator.
    std::size_t count = column.indicator >= 0 && static_cast<std::size_t>(column.indicator) / 2 < bufferUnits
                            ? static_cast<std::size_t>(column.indicator) / 2
                            : odbc::Utf16Length(units, bufferUnits);
    if (inlineValue) {
      char* out = reinterpret_cast<char*>(column.inlineData) + kInlineTextBytes;
      column.indicator = static_cast<SQLLEN>(odbc::Utf16ToUtf8(units, count, out, kInlineTextBytes));
    } else {
      if (column.utf8.size() < count * 3) column.utf8.resize(count * 3);
      column.indicator = static_cast<SQLLEN>(odbc::Utf16ToUtf8(units, count, column.utf8.data(), column.utf8.size()));
    }
    return;
  }
  if (column.bigEndianFields != 0) StoreFieldsBigEndian(column.inlineData, column.bigEndianFields);
}

void ODBCCursor::GetRowValues() {
  CURSOR_TRACE("ENTER GetRowValues: ", hstmt_);
  rowValid_ = true;
  for (auto& columnPointer : columns_) {
    Column& column = *columnPointer;
    switch (column.fetch.buffer) {
      case BufferKind::LongText: {
        StatementColumnSource source(connection_, hstmt_, column.number);
        const std::vector<odbc::Utf16Unit> text = GatherLongText(source);
        if (column.utf8.size() < text.size() * 3) column.utf8.resize(text.size() * 3);
        column.indicator = static_cast<SQLLEN>(
            odbc::Utf16ToUtf8(text.data(), text.size(), column.utf8.data(), column.utf8.size()));
        break;
      }
      case BufferKind::LongBinary: {
        StatementColumnSource source(connection_, hstmt_, column.number);
        column.longBinary = GatherLongBinary(source);
        column.indicator = static_cast<SQLLEN>(column.longBinary.size());
        break;
      }
      default: {
        if (!column.bound) FetchUnbound(column);
        // Text buffers keep room for a terminator.
        const SQLLEN room = column.fetch.bufferLength - (column.isText() ? 2 : 0);
        // (An unbound column's next SQLGetData would only return the rest.)
        if (column.bound && (column.indicator == SQL_NO_TOTAL || column.indicator > room)) ReadWholeValue(column);
        // Converting now rather than in a second pass over the row: the
        // conversion reads nothing from the statement.
        ConvertValue(column);
        break;
      }
    }
  }
}

ODBCCursor::Column* ODBCCursor::ColumnAt(int32_t column) {
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

bool ODBCCursor::StatementAlive() const { return connection_->hdbc != nullptr && connection_->hdbc == hdbc_; }

bool ODBCCursor::NextRecord() {
  CURSOR_TRACE("ENTER NextRecord: ", hstmt_);
  CleanupRow();
  if (!StatementAlive()) {
    SetLastError(connection_, kNotConnectedCode, kNotConnectedText);
    return false;
  }
  const SQLRETURN rc = SQLFetch(hstmt_);
  if (odbc::Succeeded(rc)) {
    GetRowValues();
    return true;
  }
  if (rc != SQL_NO_DATA) ReadStatementDiagnostics(connection_, hstmt_);
  return false;
}

void ODBCCursor::Scroll(SQLSMALLINT orientation) {
  CleanupRow();
  if (!StatementAlive()) {
    SetLastError(connection_, kNotConnectedCode, kNotConnectedText);
    return;
  }
  if (odbc::Succeeded(SQLFetchScroll(hstmt_, orientation, 0)))
    GetRowValues();
  else
    ReadStatementDiagnostics(connection_, hstmt_);
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

void ODBCCursor::ColumnValue(int32_t column, void** value, uint8_t* type, int32_t* length) {
  CURSOR_TRACE("ENTER ColumnValue(", column, "): ", hstmt_);
  if (value != nullptr) *value = nullptr;
  if (type != nullptr) *type = 0;
  if (length != nullptr) *length = 0;
  Column* c = ColumnAt(column);
  if (c == nullptr) {
    CURSOR_TRACE("column out of range: ", hstmt_);
    return;
  }
  if (c->indicator == SQL_NULL_DATA) {
    std::memset(c->inlineData, 0, 4);
    if (value != nullptr) *value = c->inlineData;
    CURSOR_TRACE("value is NULL: ", hstmt_);
    return;
  }
  if (c->isText()) {
    const char* bytes = c->fetch.buffer == BufferKind::Inline && !c->spilled
                            ? reinterpret_cast<const char*>(c->inlineData) + kInlineTextBytes
                            : c->utf8.data();
    const auto byteCount = static_cast<int32_t>(c->indicator);
    if (gValueSlot != nullptr) host::UnlockString(gValueSlot);
    gValueSlot = host::BuildString(bytes, byteCount);
    if (gValueSlot != nullptr) host::SetStringEncoding(gValueSlot, TAVRO_ENCODING_UTF8);
    if (value != nullptr) *value = &gValueSlot;
    if (type != nullptr) *type = TAVRO_COLUMN_HOST_STRING;
    if (length != nullptr) *length = 4;
    if (connection_->traceOn) TraceTextValue(*c, bytes, byteCount);
    return;
  }
  void* data = c->inlineData;
  SQLLEN available = static_cast<SQLLEN>(c->fetch.bufferLength);
  if (c->fetch.buffer == BufferKind::LongBinary || c->spilled) {
    data = c->longBinary.data();
    available = static_cast<SQLLEN>(c->longBinary.size());
  } else if (c->heapData) {
    data = c->heapData.get();
  }
  // A value the driver cut to its buffer reports its full length; the host
  // must never read past what the buffer holds.
  const SQLLEN bytes = std::clamp<SQLLEN>(c->indicator, 0, available);
  if (value != nullptr) *value = data;
  if (type != nullptr) *type = static_cast<uint8_t>(c->hostType);
  if (length != nullptr) *length = static_cast<int32_t>(bytes);
  if (connection_->traceOn) TraceValue(*c, bytes);
}

void ODBCCursor::TraceTextValue(const Column& column, const char* bytes, int32_t byteCount) const {
  SQELTO_TRACE(connection_, "stmt: ", hstmt_, " sqlType: ", column.sqlType, " qxType: ", 18, " len: ", 4,
               " value: ", std::string(bytes, static_cast<std::size_t>(byteCount)));
}

void ODBCCursor::TraceValue(const Column& column, SQLLEN bytes) const {
  SQELTO_TRACE(connection_, "stmt: ", hstmt_, " sqlType: ", column.sqlType, " qxType: ", 18, " len: ", bytes);
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
