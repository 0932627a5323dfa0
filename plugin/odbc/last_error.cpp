#include "last_error.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "../frame/host_api.h"
#include "../frame/hot_path.h"
#include "../frame/trace.h"

namespace sqelto {
namespace {

// Diagnostics are read into 512-unit buffers, 511 characters of message.
constexpr SQLSMALLINT kMessageUnits = 512;

// A driver's native error 0 would read as "no error", so it becomes 1.
int32_t CodeFromNative(SQLINTEGER native) { return native == 0 ? 1 : static_cast<int32_t>(native); }

bool ReadDiagnostic(ConnectionRecord* record, SQLSMALLINT handleType, SQLHANDLE handle) {
  SQLWCHAR state[10] = {};
  SQLWCHAR message[kMessageUnits] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT textLength = 0;
  const SQLRETURN rc =
      SQLGetDiagRecW(handleType, handle, 1, state, &native, message, kMessageUnits - 1, &textLength);
  if (!odbc::Succeeded(rc)) return false;
  message[kMessageUnits - 1] = 0;
  SetLastErrorWide(record, CodeFromNative(native), message);
  return true;
}

}  // namespace

SQELTO_HOT void ClearLastError(ConnectionRecord* record) {
  record->lastErrorCode = 0;
  // Cleared before every fetch: most of the time there is nothing to free.
  if (record->lastErrorText == nullptr) return;
  std::free(record->lastErrorText);
  record->lastErrorText = nullptr;
}

void SetLastError(ConnectionRecord* record, int32_t code, const char* utf8Text) {
  ClearLastError(record);
  record->lastErrorCode = code;
  if (utf8Text == nullptr) return;
  const std::size_t length = std::strlen(utf8Text);
  auto* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) return;  // the code alone still tells the host something failed
  std::memcpy(copy, utf8Text, length + 1);
  record->lastErrorText = copy;
}

void SetLastErrorWide(ConnectionRecord* record, int32_t code, const SQLWCHAR* text) {
  if (text == nullptr) {
    SetLastError(record, code, nullptr);
    return;
  }
  // The whole message is kept: a UTF-8 form longer than two bytes per unit
  // (most non-Latin scripts) would otherwise lose its tail.
  const odbc::Utf16Unit* units = odbc::AsUnits(text);
  const std::size_t count = odbc::Utf16Length(units, SIZE_MAX);
  std::string utf8(odbc::Utf8LengthOf(units, count), '\0');
  utf8.resize(odbc::Utf16ToUtf8(units, count, utf8.data(), utf8.size()));
  SetLastError(record, code, utf8.c_str());
}

void ReadStatementDiagnostics(ConnectionRecord* record, SQLHSTMT statement) {
  if (!IsConnected(record)) {
    ClearLastError(record);
    return;
  }
  if (!ReadDiagnostic(record, SQL_HANDLE_STMT, statement)) ReadConnectionDiagnostics(record);
}

void ReadConnectionDiagnostics(ConnectionRecord* record) {
  if (!IsConnected(record)) {
    ClearLastError(record);
    return;
  }
  ReadDiagnostic(record, SQL_HANDLE_DBC, record->hdbc);
}

int32_t TAVRO_CALL ODBCLastErrorCode(TavroDatabase db) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return 0;
  SQELTO_TRACE(record, "ENTER ODBCLastErrorCode(", record, ")");
  return record->lastErrorCode;
}

TavroString TAVRO_CALL ODBCLastErrorString(TavroDatabase db) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return nullptr;
  SQELTO_TRACE(record, "ENTER ODBCLastErrorString(", record, ")");
  if (record->lastErrorText == nullptr) return nullptr;
  TavroString text = host::BuildString(record->lastErrorText, static_cast<int32_t>(std::strlen(record->lastErrorText)));
  if (text != nullptr) host::SetStringEncoding(text, TAVRO_ENCODING_UTF8);
  return text;
}

}  // namespace sqelto
