#include "connection_attributes.h"

#include <cstring>
#include <string>

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "connection_record.h"
#include "driver_information.h"
#include "failure_report.h"
#include "failure_shield.h"
#include "last_error.h"
#include "odbc_api.h"
#include "variant_answers.h"

namespace sqelto {
namespace {

// Text attributes (a trace file path, a translation library, the current
// catalogue) are read whole up to this many bytes of UTF-16.
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

// Drivers report the length differently (bytes, or not at all), so the text
// ends at the reported length or its NUL, whichever comes first, and reaches
// the host with that real length. The wide call: psqlODBC answers the 8-bit
// one with UTF-16 once a connection used a wide call, as the plug-in's does.
TavroObject TextAttribute(ConnectionRecord* record, SQLINTEGER attribute) {
  constexpr std::size_t kUnits = kAttributeTextBytes / sizeof(SQLWCHAR);
  SQLWCHAR wide[kUnits + 1] = {};
  SQLINTEGER reported = -1;
  if (!odbc::Succeeded(SQLGetConnectAttrW(record->hdbc, attribute, wide, kUnits * sizeof(SQLWCHAR), &reported))) {
    ReportConnectionFailure(record, "SQLGetConnectAttr");
    return nullptr;
  }
  std::size_t units = kUnits;
  if (reported >= 0 && static_cast<std::size_t>(reported) / sizeof(SQLWCHAR) < units)
    units = static_cast<std::size_t>(reported) / sizeof(SQLWCHAR);
  units = odbc::Utf16Length(odbc::AsUnits(wide), units);
  std::string utf8(odbc::Utf8LengthOf(odbc::AsUnits(wide), units), '\0');
  utf8.resize(odbc::Utf16ToUtf8(odbc::AsUnits(wide), units, utf8.data(), utf8.size()));
  return TextVariant(utf8.data(), utf8.size());
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
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
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
  });
}

void TAVRO_CALL ODBCSetConnectionAttribute(TavroObject database, int32_t attribute, int32_t value) {
  auto* record = static_cast<ConnectionRecord*>(host::GetDBFromDatabase(database));
  if (record == nullptr) return;
  ShieldedCall(record, [&] {
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
  });
}

}  // namespace sqelto
