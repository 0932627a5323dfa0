#include "connect.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "connect_calls.h"
#include "connection_hold.h"
#include "failure_shield.h"
#include "host_text.h"
#include "failure_report.h"
#include "last_error.h"
#include "query_guard.h"
#include "statement_text.h"

namespace sqelto {
namespace {

bool ContainsIgnoringCase(std::string_view text, std::string_view upperNeedle) {
  if (upperNeedle.size() > text.size()) return false;
  for (std::size_t start = 0; start + upperNeedle.size() <= text.size(); ++start) {
    std::size_t k = 0;
    while (k < upperNeedle.size()) {
      char c = text[start + k];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != upperNeedle[k]) break;
      ++k;
    }
    if (k == upperNeedle.size()) return true;
  }
  return false;
}

bool NamesConnectionKeyword(std::string_view dataSource) {
  return ContainsIgnoringCase(dataSource, "DSN=") || ContainsIgnoringCase(dataSource, "DRIVER=") ||
         ContainsIgnoringCase(dataSource, "LIBRARY=");
}

std::optional<std::string> Fitting(std::string text) {
  if (text.size() >= kConnectionStringBuffer) return std::nullopt;
  return text;
}

std::string DsnString(std::string_view name, std::string_view userName, std::string_view password) {
  std::string out = "DSN=";
  out.append(name).append(";UID=").append(userName).append(";PWD=").append(password).append(";");
  return out;
}

// The record stores host strings the host reads as properties; a new value
// replaces the reference the old one held.
void ReplaceHostString(TavroString& slot, TavroString value) {
  if (slot != nullptr) host::UnlockString(slot);
  slot = value;
}

// A name the driver reports, as a UTF-8 host string: asked for in UTF-16 so
// that the name's characters arrive whatever the process's code page, and
// cut to the 127 characters its buffer holds.
// A driver that cannot tell gives an empty name, never the name the last
// driver of this record gave.
void ReplaceWithDriverName(SQLHDBC hdbc, SQLUSMALLINT info, TavroString& slot) {
  SQLWCHAR name[128] = {};
  SQLSMALLINT bytes = 0;
  if (!odbc::Succeeded(SQLGetInfoW(hdbc, info, name, sizeof name, &bytes))) bytes = 0;
  const auto* units = odbc::AsUnits(name);
  const std::size_t count = odbc::Utf16Length(units, bytes < 0 ? 0 : std::min<std::size_t>(bytes / 2, 127));
  char utf8[128 * 3];
  const std::size_t length = odbc::Utf16ToUtf8(units, count, utf8, sizeof utf8);
  TavroString text = host::BuildString(utf8, static_cast<int32_t>(length));
  if (text != nullptr) host::SetStringEncoding(text, TAVRO_ENCODING_UTF8);
  ReplaceHostString(slot, text);
}

void ReadDriverFacts(ConnectionRecord* record) {
  SQLHDBC hdbc = record->hdbc;
  // The record may have been connected to another driver before: what that
  // one could do says nothing about this one.
  record->allowsBinds = 0;
  record->needsLongData = 0;
  ReplaceWithDriverName(hdbc, SQL_DBMS_NAME, record->dbms);
  ReplaceWithDriverName(hdbc, SQL_DATABASE_NAME, record->databaseName);

  SQLUINTEGER loginTimeout = 0;
  if (odbc::Succeeded(SQLGetConnectAttr(hdbc, SQL_ATTR_LOGIN_TIMEOUT, &loginTimeout, SQL_IS_UINTEGER, nullptr)))
    record->timeout = static_cast<int32_t>(loginTimeout);

  SQLUSMALLINT maxActive = 0;
  if (odbc::Succeeded(SQLGetInfoW(hdbc, SQL_MAX_CONCURRENT_ACTIVITIES, &maxActive, sizeof maxActive, nullptr)))
    record->maxActiveStatements = maxActive;

  SQLUINTEGER getDataExtensions = 0;
  SQLGetInfoW(hdbc, SQL_GETDATA_EXTENSIONS, &getDataExtensions, sizeof getDataExtensions, nullptr);
  if ((getDataExtensions & SQL_GD_ANY_COLUMN) != 0) {
    record->allowsBinds = 1;
    SQELTO_TRACE(record, "data source allows binds");
  }

  SQLWCHAR needsLength[5] = {};
  SQLGetInfoW(hdbc, SQL_NEED_LONG_DATA_LEN, needsLength, 4 * sizeof(SQLWCHAR), nullptr);
  if (needsLength[0] == u'Y' && needsLength[1] == 0) {
    record->needsLongData = 1;
    SQELTO_TRACE(record, "needs long data for parameter binding");
  }
}

}  // namespace

SQLHENV OdbcEnvironment() {
  static SQLHENV environment = SQL_NULL_HENV;
  if (environment == SQL_NULL_HENV) {
    SQLHENV made = SQL_NULL_HENV;
    if (!odbc::Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &made))) return SQL_NULL_HENV;
    if (!odbc::Succeeded(SQLSetEnvAttr(made, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
      SQLFreeHandle(SQL_HANDLE_ENV, made);
      return SQL_NULL_HENV;
    }
    environment = made;
  }
  return environment;
}

std::optional<std::string> ComposeConnectionString(std::string_view dataSource, std::string_view host,
                                                   std::string_view userName, std::string_view password) {
  const bool keyword = NamesConnectionKeyword(dataSource);
  if (!dataSource.empty() && !keyword) return Fitting(DsnString(dataSource, userName, password));
  if (host.empty() || keyword) return Fitting(std::string(dataSource));
  return Fitting(DsnString(host, userName, password));
}

namespace {

// A statement running detached on the record (another host thread) uses its
// connection handle: closing or replacing it now would free it under that
// statement. Sets the query guard's error when that is so.
bool RefusedWhileBusy(ConnectionRecord* record) {
  if (!GuardBusy(record)) return false;
  SetLastError(record, kQueryInProgressCode, kQueryInProgressText);
  return true;
}

}  // namespace

bool TAVRO_CALL ODBCDatabaseConnect(TavroObject database) {
  auto* record = static_cast<ConnectionRecord*>(host::GetDBFromDatabase(database));
  if (record == nullptr) return false;
  return ShieldedCall(record, false, [&] {
    SQELTO_TRACE(record, "ENTER ODBCDatabaseConnect(", record, ")");
    ClearLastError(record);

    if (IsConnected(record)) {
      SQLUINTEGER dead = 1;
      if (odbc::Succeeded(SQLGetConnectAttr(record->hdbc, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr)) &&
          dead == SQL_CD_FALSE)
        return true;
      if (RefusedWhileBusy(record)) return false;
      ODBCCloseDatabase(record);
      // What closing a dead connection reported says nothing about the new one.
      ClearLastError(record);
    }

    // Read as UTF-8 whatever their encodings, so that the composed string is
    // one text (a Windows Latin-1 password in a UTF-8 DataSource, say).
    const HostBytes hostName(host::GetDBHost(database), TAVRO_ENCODING_UTF8, true);
    const HostBytes dataSource(record->dataSource, TAVRO_ENCODING_UTF8);
    const HostBytes userName(host::GetDBUserName(database), TAVRO_ENCODING_UTF8, true);
    const HostBytes password(host::GetDBPassword(database), TAVRO_ENCODING_UTF8, true);
    const std::optional<std::string> composed =
        ComposeConnectionString(dataSource.view(), hostName.view(), userName.view(), password.view());
    if (!composed) {
      SetLastError(record, kOwnFailureCode, kConnectionStringTooLongText);
      return false;
    }
    if (const auto nul = FirstNul(*composed)) {
      SetLastError(record, kOwnFailureCode, NulRefusalText("connection string", *nul).c_str());
      return false;
    }
    const bool connected = ODBCConnect(record, composed->c_str());
    if (connected) host::SetDBIsConnected(database, true);
    return connected;
  });
}

namespace {

void CloseDatabase(ConnectionRecord* record) {
  SQELTO_TRACE(record, "ENTER ODBCCloseDatabase(", record, ")");
  if (!IsConnected(record)) return;
  if (RefusedWhileBusy(record)) return;
  ClearLastError(record);
  // Statements made on the handle go first, while it is still valid.
  NotifyConnectionClosing(record);
  if (!odbc::Succeeded(SQLDisconnect(record->hdbc))) ReportConnectionFailure(record, "SQLDisconnect");
  SQLFreeHandle(SQL_HANDLE_DBC, record->hdbc);
  record->hdbc = SQL_NULL_HDBC;
}

}  // namespace

bool ODBCConnect(ConnectionRecord* record, const char* connectionString) {
  // A second connect on a connected record would leak the first handle.
  if (IsConnected(record)) {
    if (RefusedWhileBusy(record)) return false;
    ODBCCloseDatabase(record);
  }
  SQLHENV environment = OdbcEnvironment();
  if (environment == SQL_NULL_HENV) return false;
  SQLHDBC hdbc = SQL_NULL_HDBC;
  if (!odbc::Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, environment, &hdbc))) return false;
  record->hdbc = hdbc;
  if (connectionString == nullptr) connectionString = "";
  SQELTO_TRACE(record, "ENTER ODBCConnect(", record, ", ", connectionString, ")");

  auto refuse = [&](const std::string& text) {
    SetLastError(record, kOwnFailureCode, text.c_str());
    SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
    record->hdbc = SQL_NULL_HDBC;
    return false;
  };
  const std::size_t length = std::strlen(connectionString);
  if (length >= kConnectionStringBuffer) return refuse(kConnectionStringTooLongText);

  if (record->attribute != 0 && record->attributeString != nullptr) {
    const HostBytes value(record->attributeString, TAVRO_ENCODING_UTF8);
    if (const auto nul = FirstNul(value.view())) return refuse(NulRefusalText("connection attribute value", *nul));
    odbc::SetTextAttribute(hdbc, record->attribute, value.view());
  }
  if (record->timeout != 0) {
    SQLSetConnectAttr(hdbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(static_cast<uint32_t>(record->timeout))),
                      SQL_IS_UINTEGER);
  }

  const SQLRETURN rc = odbc::DriverConnect(hdbc, std::string_view(connectionString, length), record->connectionOut,
                                           sizeof record->connectionOut);
  if (!odbc::Succeeded(rc)) {
    ReportConnectionFailure(record, "SQLDriverConnect");
    SQLFreeHandle(SQL_HANDLE_DBC, hdbc);
    record->hdbc = SQL_NULL_HDBC;
    return false;
  }
  ReadDriverFacts(record);
  return IsConnected(record);
}

void TAVRO_CALL ODBCCloseDatabase(TavroDatabase db) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return;
  ShieldedCall(record, [&] { CloseDatabase(record); });
}

}  // namespace sqelto
