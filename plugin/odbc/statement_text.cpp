#include "statement_text.h"

#include "../frame/host_api.h"

namespace sqelto {

std::vector<odbc::Utf16Unit> StatementToUtf16(const char* bytes, std::size_t length, uint32_t encoding) {
  if (bytes == nullptr) length = 0;
  return encoding == TAVRO_ENCODING_WINLATIN1 ? odbc::Cp1252ToUtf16(bytes, length) : odbc::Utf8ToUtf16(bytes, length);
}

SQLRETURN ExecuteDetached(SQLHSTMT statement, std::vector<odbc::Utf16Unit>& text) {
  const auto units = static_cast<SQLINTEGER>(text.size() - 1);  // without the terminator
  void* token = host::DetachCurrentThread();
  const SQLRETURN rc = SQLExecDirectW(statement, odbc::AsSqlWide(text.data()), units);
  host::AttachCurrentThread(token);
  return rc;
}

int32_t RowsAffectedBy(SQLHSTMT statement, SQLRETURN executeResult) {
  if (executeResult == SQL_NO_DATA) return 0;
  SQLLEN rows = 0;
  SQLRowCount(statement, &rows);
  return static_cast<int32_t>(rows);
}

}  // namespace sqelto
