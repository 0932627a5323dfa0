#include "connection_attributes.h"

#include <cstring>

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "connection_record.h"
#include "driver_information.h"
#include "failure_report.h"
#include "last_error.h"
#include "odbc_api.h"
#include "variant_answers.h"

namespace sqelto {
namespace {

// Text attributes (a trace file path, a translation library, the current
// catalogue) are read whole up to this many bytes.
constexpr std::size_t kAttributeTextBytes = 1024;

TavroObject NumericAttribute(ConnectionRecord* record, SQLINTEGER attribute) {
  // Some attributes are pointer-sized (SQL_ATTR_QUIET_MODE, a window): a
  // zeroed 64-bit word takes any answer, the host gets its low 32 bits.
  uint64_t word = 0;
  if (!odbc::Succeeded(SQLGetConnectAttr(record->hdbc, attribute, &word, SQL_IS_UINTEGER, nullptr))) {
    ReportConnectionFailure(record, "SQLGetConnectAttr");
    return nullptr;
  }
  uint32_t value = 0;
  std::memcpy(&value, &word, sizeof value);
  return host::IntegerToVariant(static_cast<int32_t>(value));
}

// Through the 8-bit entry point: psqlODBC answers the wide one with 8-bit
// text. Drivers report the length differently (characters, bytes, or not
// at all), so the text ends at the reported length or its NUL, whichever
// comes first, and reaches the host with that real length.
TavroObject TextAttribute(ConnectionRecord* record, SQLINTEGER attribute) {
  char buffer[kAttributeTextBytes + 1] = {};
  SQLINTEGER reported = -1;
  if (!odbc::Succeeded(SQLGetConnectAttrA(record->hdbc, attribute, buffer, kAttributeTextBytes, &reported))) {
    ReportConnectionFailure(record, "SQLGetConnectAttr");
    return nullptr;
  }
  std::size_t length = strnlen(buffer, kAttributeTextBytes);
  if (reported >= 0 && static_cast<std::size_t>(reported) < length) length = static_cast<std::size_t>(reported);
  return TextVariant(buffer, length);
}

}  // namespace

AttributeKind ClassifyConnectionAttribute(int32_t attribute) {
  switch (attribute) {
    case SQL_ATTR_ASYNC_ENABLE:        // 4
    case SQL_ATTR_ACCESS_MODE:         // 101
    case SQL_ATTR_AUTOCOMMIT:          // 102
    case SQL_ATTR_LOGIN_TIMEOUT:       // 103
    case SQL_ATTR_TRACE:               // 104
    case SQL_ATTR_TRANSLATE_OPTION:    // 107
    case SQL_ATTR_TXN_ISOLATION:       // 108
    case SQL_ATTR_ODBC_CURSORS:        // 110
    case SQL_ATTR_QUIET_MODE:          // 111
    case SQL_ATTR_PACKET_SIZE:         // 112
    case SQL_ATTR_CONNECTION_TIMEOUT:  // 113
    case SQL_ATTR_CONNECTION_DEAD:     // 1209
    case SQL_ATTR_AUTO_IPD:            // 10001
    case SQL_ATTR_METADATA_ID:         // 10014
      return AttributeKind::Numeric;
    case SQL_ATTR_TRACEFILE:           // 105
    case SQL_ATTR_TRANSLATE_LIB:       // 106
    case SQL_ATTR_CURRENT_CATALOG:     // 109
      return AttributeKind::Text;
    default: return AttributeKind::Unsupported;
  }
}

TavroObject TAVRO_CALL ODBCGetConnectionAttribute(TavroObject database, int32_t attribute) {
  auto* record = static_cast<ConnectionRecord*>(host::GetDBFromDatabase(database));
  if (record == nullptr) return nullptr;
  SQELTO_TRACE(record, "ENTER ODBCGetConnectionAttribute(", record, ", ", attribute, ")");
  if (!IsConnected(record)) {
    SetLastError(record, kNotConnectedCode, kNotConnectedText);
    return nullptr;
  }
  ClearLastError(record);
  switch (ClassifyConnectionAttribute(attribute)) {
    case AttributeKind::Numeric: return NumericAttribute(record, attribute);
    case AttributeKind::Text: return TextAttribute(record, attribute);
    case AttributeKind::Unsupported: break;
  }
  SetLastError(record, kOptionNotSupportedCode, kOptionNotSupportedText);
  return nullptr;
}

void TAVRO_CALL ODBCSetConnectionAttribute(TavroObject database, int32_t attribute, int32_t value) {
  auto* record = static_cast<ConnectionRecord*>(host::GetDBFromDatabase(database));
  if (record == nullptr) return;
  SQELTO_TRACE(record, "ENTER ODBCSetConnectionAttribute(", record, ", ", attribute, ")");
  if (!IsConnected(record)) {
    SetLastError(record, kNotConnectedCode, kNotConnectedText);
    return;
  }
  ClearLastError(record);
  if (ClassifyConnectionAttribute(attribute) != AttributeKind::Numeric) {
    // Text attributes are set before connecting, through Attribute and
    // AttributeString.
    SetLastError(record, kOptionNotSupportedCode, kOptionNotSupportedText);
    return;
  }
  const auto word = static_cast<SQLULEN>(static_cast<uint32_t>(value));
  if (!odbc::Succeeded(SQLSetConnectAttr(record->hdbc, attribute, reinterpret_cast<SQLPOINTER>(word),
                                         SQL_IS_UINTEGER)))
    ReportConnectionFailure(record, "SQLSetConnectAttr");
}

}  // namespace sqelto
