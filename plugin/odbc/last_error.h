// The connection's last error: one code and one UTF-8 text, which the host
// reads through the engine's last-error words after any call.
#pragma once

#include <cstdint>

#include "connection_record.h"
#include "odbc_api.h"

namespace sqelto {

// Codes the plug-in sets itself (driver failures carry the native error).
inline constexpr int32_t kNotConnectedCode = 1;
inline constexpr int32_t kOwnFailureCode = -1;
inline constexpr int32_t kQueryInProgressCode = 48879;  // 0xBEEF
inline constexpr const char* kNotConnectedText = "Not connected.";
inline constexpr const char* kQueryInProgressText = "A query is already in progress";

void ClearLastError(ConnectionRecord* record);
void SetLastError(ConnectionRecord* record, int32_t code, const char* utf8Text);
// The wide text is NUL-terminated UTF-16, converted whole to UTF-8.
void SetLastErrorWide(ConnectionRecord* record, int32_t code, const SQLWCHAR* text);

// The first diagnostic record of a statement, falling back to the connection's
// when the statement has none.
void ReadStatementDiagnostics(ConnectionRecord* record, SQLHSTMT statement);
// The first diagnostic record of the connection; on failure the last error is
// left as it is.
void ReadConnectionDiagnostics(ConnectionRecord* record);

// Engine words 13 and 14.
int32_t TAVRO_CALL ODBCLastErrorCode(TavroDatabase db);
TavroString TAVRO_CALL ODBCLastErrorString(TavroDatabase db);

}  // namespace sqelto
