// Connecting (where the Test keywords are read and taken out of the string),
// disconnecting, and the SQLGetInfo answers the keywords change.
#include <cstring>
#include <string>

#include "fault_settings.hpp"
#include "forwarding.hpp"
#include "text_output.hpp"

using namespace sqelto_test_driver;

namespace {

void recordError(SQLHANDLE handle, const char* sqlState, std::string message) {
  registry().record(handle, Diagnostic{sqlState, 0, std::string(kMessagePrefix) + std::move(message)});
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC connection, SQLHWND window, SQLCHAR* in, SQLSMALLINT inLength, SQLCHAR* out,
                                   SQLSMALLINT outSize, SQLSMALLINT* outLength, SQLUSMALLINT completion) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLDriverConnect", SQL_HANDLE_DBC, connection)) return SQL_ERROR;
    if (in == nullptr || (inLength < 0 && inLength != SQL_NTS)) {
      recordError(connection, "HY090", "Invalid string or buffer length");
      return SQL_ERROR;
    }
    const char* text = reinterpret_cast<const char*>(in);
    ParsedConnectionString parsed;
    try {
      parsed = parseConnectionString(inLength == SQL_NTS ? std::string_view(text) : std::string_view(text, inLength));
    } catch (const InvalidKeyword& invalid) {
      recordError(connection, "HY000", std::string("Invalid connection string: ") + invalid.what());
      return SQL_ERROR;
    }
    SQLRETURN result =
        SQELTO_REAL(SQLDriverConnect)(connection, window, reinterpret_cast<SQLCHAR*>(parsed.forwarded.data()), SQL_NTS,
                                      out, outSize, outLength, completion);
    if (succeeded(result)) registry().configure(connection, std::move(parsed.settings));
    return result;
  });
}

SQLRETURN SQL_API SQLConnect(SQLHDBC connection, SQLCHAR* server, SQLSMALLINT serverLength, SQLCHAR* user,
                             SQLSMALLINT userLength, SQLCHAR* password, SQLSMALLINT passwordLength) {
  return SQELTO_FORWARD(SQLConnect, SQL_HANDLE_DBC, connection, connection, server, serverLength, user, userLength,
                        password, passwordLength);
}

SQLRETURN SQL_API SQLBrowseConnect(SQLHDBC connection, SQLCHAR* in, SQLSMALLINT inLength, SQLCHAR* out,
                                   SQLSMALLINT outSize, SQLSMALLINT* outLength) {
  return SQELTO_FORWARD(SQLBrowseConnect, SQL_HANDLE_DBC, connection, connection, in, inLength, out, outSize,
                        outLength);
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC connection) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLDisconnect", SQL_HANDLE_DBC, connection)) return SQL_ERROR;
    SQLRETURN result = SQELTO_REAL(SQLDisconnect)(connection);
    if (succeeded(result)) registry().disconnected(connection);
    return result;
  });
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC connection, SQLUSMALLINT infoType, SQLPOINTER value, SQLSMALLINT size,
                             SQLSMALLINT* length) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLGetInfo", SQL_HANDLE_DBC, connection)) return SQL_ERROR;
    FaultSettings settings = registry().settingsOf(connection);
    if (infoType == SQL_MAX_CONCURRENT_ACTIVITIES && settings.maxActivities) {
      if (value != nullptr) std::memcpy(value, &*settings.maxActivities, sizeof(SQLUSMALLINT));
      if (length != nullptr) *length = sizeof(SQLUSMALLINT);
      return SQL_SUCCESS;
    }
    if (infoType == SQL_NEED_LONG_DATA_LEN && settings.needLongDataLen) {
      SQLRETURN result = copyText(std::string_view(&*settings.needLongDataLen, 1), value, size, length);
      if (result == SQL_SUCCESS_WITH_INFO) recordError(connection, "01004", "String data, right truncated");
      return result;
    }
    SQLRETURN result = SQELTO_REAL(SQLGetInfo)(connection, infoType, value, size, length);
    if (infoType == SQL_GETDATA_EXTENSIONS && settings.noGetDataAnyColumn && succeeded(result) && value != nullptr) {
      SQLUINTEGER extensions = 0;
      std::memcpy(&extensions, value, sizeof extensions);
      extensions &= ~static_cast<SQLUINTEGER>(SQL_GD_ANY_COLUMN);
      std::memcpy(value, &extensions, sizeof extensions);
    }
    return result;
  });
}

}  // extern "C"
