#include "record_insertion.h"

#include <cstring>
#include <deque>
#include <iterator>
#include <vector>

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "connection_record.h"
#include "host_text.h"
#include "failure_report.h"
#include "failure_shield.h"
#include "last_error.h"
#include "odbc_api.h"
#include "statement_handle.h"
#include "statement_text.h"

namespace sqelto {
namespace {

// How a value of each host column type is sent: as text the driver
// converts to the SQL type, or as bytes.
struct ValueBinding {
  SQLSMALLINT cType;
  SQLSMALLINT sqlType;
  enum class Length { TextTerminated, TextLenB, Bytes } length;
};

bool BindingFor(int32_t hostType, ValueBinding& out) {
  using L = ValueBinding::Length;
  switch (hostType) {
    case 1: case 2: case 3: case 12: out = {SQL_C_CHAR, SQL_INTEGER, L::TextTerminated}; return true;
    case 4: case 5: case 15: case 18: out = {SQL_C_CHAR, SQL_VARCHAR, L::TextLenB}; return true;
    case 6: case 7: case 11: case 13: out = {SQL_C_CHAR, SQL_DOUBLE, L::TextTerminated}; return true;
    case 8: case 9: case 10: out = {SQL_C_CHAR, SQL_CHAR, L::TextTerminated}; return true;
    case 14: case 16: case 17: out = {SQL_C_BINARY, SQL_LONGVARBINARY, L::Bytes}; return true;
    case 19: out = {SQL_C_CHAR, SQL_BIGINT, L::TextTerminated}; return true;
    default: return false;  // not bound: the driver reports the missing parameter
  }
}

// The driver's identifier quote; empty when it has none or cannot say.
SQLRETURN IdentifierQuote(SQLHDBC hdbc, std::string& quote) {
  SQLWCHAR buffer[10] = {};
  SQLSMALLINT length = 0;
  const SQLRETURN rc = SQLGetInfoW(hdbc, SQL_IDENTIFIER_QUOTE_CHAR, buffer, sizeof buffer, &length);
  if (odbc::Succeeded(rc) && length > 0) {
    const auto* units = odbc::AsUnits(buffer);
    char utf8[sizeof buffer * 3 / 2];
    quote.assign(utf8, odbc::Utf16ToUtf8(units, odbc::Utf16Length(units, std::size(buffer) - 1), utf8, sizeof utf8));
  }
  return rc;
}

// What the insert keeps until it has executed: the copied names and values
// and one length or indicator per node.
struct InsertParts {
  std::deque<HostBytes> texts;
  std::vector<SQLLEN> indicators;
};

SQLRETURN BindNode(SQLHSTMT statement, SQLUSMALLINT number, const TavroColumnValue& node, InsertParts& parts,
                   SQLLEN& indicator) {
  ValueBinding binding{};
  if (!BindingFor(node.type, binding)) return SQL_SUCCESS;  // the status stays a success
  const HostBytes& value = parts.texts.emplace_back(node.value, false);
  const auto length = static_cast<SQLLEN>(value.size());
  SQLULEN columnSize = static_cast<SQLULEN>(length) + 1;
  void* data = const_cast<char*>(value.data());
  SQLLEN bufferLength = 0;
  switch (binding.length) {
    case ValueBinding::Length::TextTerminated: indicator = SQL_NTS; break;
    case ValueBinding::Length::TextLenB:
      columnSize = static_cast<SQLULEN>(length);
      indicator = host::LenB(node.value);
      break;
    case ValueBinding::Length::Bytes:
      columnSize = 2147483647;
      bufferLength = length;
      indicator = length;
      break;
  }
  return SQLBindParameter(statement, number, SQL_PARAM_INPUT, binding.cType, binding.sqlType, columnSize, 0, data,
                          bufferLength, &indicator);
}

void Insert(ConnectionRecord* record, SQLHSTMT statement, TavroString table, TavroColumnValue* values) {
  std::string quote;
  SQLRETURN status = IdentifierQuote(record->hdbc, quote);
  const char* failedCall = odbc::Succeeded(status) ? "SQLBindParameter" : "SQLGetInfo";

  std::size_t count = 0;
  for (const TavroColumnValue* node = values; node != nullptr; node = node->next) ++count;
  InsertParts parts;
  parts.indicators.assign(count, 0);
  std::string columns;
  std::string placeholders;
  std::size_t position = 0;
  for (const TavroColumnValue* node = values; node != nullptr && odbc::Succeeded(status); node = node->next) {
    columns += parts.texts.emplace_back(node->name, TAVRO_ENCODING_UTF8).view();
    placeholders += "?";
    status = BindNode(statement, static_cast<SQLUSMALLINT>(position + 1), *node, parts, parts.indicators[position]);
    ++position;
    if (node->next != nullptr) {
      columns += ",";
      placeholders += ",";
    }
  }
  if (!odbc::Succeeded(status)) {
    ReportStatementFailure(record, statement, failedCall);
    return;
  }
  const HostBytes tableName(table, TAVRO_ENCODING_UTF8);
  const std::string text = InsertStatementText(quote, std::string(tableName.view()), columns, placeholders);
  // Drivers stop reading at a NUL: a name holding one would cut the statement.
  if (const auto nul = FirstNul(text)) {
    SetLastError(record, kOwnFailureCode, NulRefusalText("statement", *nul).c_str());
    return;
  }
  // UTF-16 like every statement text: names in any host encoding arrive whole.
  std::vector<odbc::Utf16Unit> wide = odbc::Utf8ToUtf16(text.data(), text.size());
  const SQLRETURN prepared =
      SQLPrepareW(statement, odbc::AsSqlWide(wide.data()), static_cast<SQLINTEGER>(wide.size() - 1));
  if (!odbc::Succeeded(prepared)) {
    ReportStatementFailure(record, statement, "SQLPrepare");
    return;
  }
  const SQLRETURN rc = SQLExecute(statement);
  if (!Executed(rc)) {
    ReportStatementFailure(record, statement, "SQLExecute");
    return;
  }
  record->rowsAffected = RowsAffectedBy(statement, rc);
}

}  // namespace

std::string InsertStatementText(const std::string& quote, const std::string& table, const std::string& columns,
                                const std::string& placeholders) {
  return "INSERT INTO " + quote + table + quote + "(" + columns + ") values (" + placeholders + ")";
}

void TAVRO_CALL ODBCAddTableRecord(TavroDatabase db, TavroString table, TavroColumnValue* values) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return;
  ShieldedCall(record, [&] {
    SQELTO_TRACE(record, "ENTER ODBCAddTableRecord(", record, ")");
    if (!IsConnected(record)) {
      SetLastError(record, kNotConnectedCode, kNotConnectedText);
      return;
    }
    ClearLastError(record);
    StatementHandle statement;  // freed on every way out
    if (!odbc::Succeeded(statement.Allocate(record->hdbc))) {
      ReportConnectionFailure(record, "SQLAllocHandle");
      return;
    }
    Insert(record, statement.get(), table, values);
  });
}

}  // namespace sqelto
