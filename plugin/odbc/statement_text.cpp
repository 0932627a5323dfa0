#include "statement_text.h"

#include "../frame/host_api.h"
#include "last_error.h"
#include "running_statements.h"

namespace sqelto {

std::vector<odbc::Utf16Unit> StatementToUtf16(const char* bytes, std::size_t length, uint32_t encoding) {
  if (bytes == nullptr) length = 0;
  return encoding == TAVRO_ENCODING_WINLATIN1 ? odbc::Cp1252ToUtf16(bytes, length) : odbc::Utf8ToUtf16(bytes, length);
}

SQLRETURN ExecuteDetached(ConnectionRecord* record, SQLHSTMT statement, std::vector<odbc::Utf16Unit>& text) {
  const auto units = static_cast<SQLINTEGER>(text.size() - 1);  // without the terminator
  RunningStatement running(record, statement);
  void* token = host::DetachCurrentThread();
  const SQLRETURN rc = SQLExecDirectW(statement, odbc::AsSqlWide(text.data()), units);
  host::AttachCurrentThread(token);
  ClearRefusalsWhileDetached(record);
  return rc;
}

void ClearRefusalsWhileDetached(ConnectionRecord* record) { ClearLastError(record); }

void ApplyQueryTimeout(const ConnectionRecord* record, SQLHSTMT statement) {
  if (record->timeout > 0)
    SQLSetStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(record->timeout)),
                   0);
}

std::optional<std::size_t> FirstNul(std::string_view text) {
  const std::size_t at = text.find('\0');
  if (at == std::string_view::npos) return std::nullopt;
  return at;
}

std::string NulRefusalText(const char* what, std::size_t offset) {
  return std::string("The ") + what + " contains a NUL character (U+0000) at byte " + std::to_string(offset) + ".";
}

int32_t RowsAffectedBy(SQLHSTMT statement, SQLRETURN executeResult) {
  if (executeResult == SQL_NO_DATA) return 0;
  SQLLEN rows = 0;
  SQLRowCount(statement, &rows);
  return static_cast<int32_t>(rows);
}

}  // namespace sqelto
