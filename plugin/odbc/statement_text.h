// Statement text on its way to SQLExecDirectW, and the detached execution
// around it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "connection_record.h"
#include "odbc_api.h"

namespace sqelto {

// The statement bytes as UTF-16: code page 1252 when the host marked them as
// Windows Latin-1, UTF-8 otherwise. NUL-terminated.
std::vector<odbc::Utf16Unit> StatementToUtf16(const char* bytes, std::size_t length, uint32_t encoding);

// SQLExecDirectW with the calling thread detached from the host runtime, so
// other host threads can run while the driver works. Nothing else happens
// while detached. Meanwhile the statement is registered as the record's
// running statement, which another thread may cancel.
SQLRETURN ExecuteDetached(ConnectionRecord* record, SQLHSTMT statement, std::vector<odbc::Utf16Unit>& text);

// Called on re-attaching after a detached execution. Meanwhile another
// thread may have been refused by the query guard on this connection, which
// left 48879 in its last error for that caller: the statement that ran sets
// its own outcome from here on (nothing on success, its failure otherwise).
void ClearRefusalsWhileDetached(ConnectionRecord* record);

// The connection's Timeout (when set) as the statement's query timeout.
void ApplyQueryTimeout(const ConnectionRecord* record, SQLHSTMT statement);

// Whether an execution ran: SQL_NO_DATA is how ODBC 3 drivers report a
// statement that touched no rows (an UPDATE matching nothing, or for SQLite
// any statement after a leading comment), which is no failure.
inline bool Executed(SQLRETURN rc) { return odbc::Succeeded(rc) || rc == SQL_NO_DATA; }

// Text the plug-in hands to ODBC must not hold a NUL: drivers stop reading
// at it, so the rest would be dropped without a word (a DELETE would lose
// its WHERE clause). Values bound as parameters are data and may hold NULs.
// The byte offset of the first NUL, if any.
std::optional<std::size_t> FirstNul(std::string_view text);
// "The <what> contains a NUL character (U+0000) at byte <offset>."
std::string NulRefusalText(const char* what, std::size_t offset);

// The row count of an executed statement (0 when it touched none).
int32_t RowsAffectedBy(SQLHSTMT statement, SQLRETURN executeResult);

}  // namespace sqelto
