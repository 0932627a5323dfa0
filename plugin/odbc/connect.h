// Connecting a connection record to a data source, and closing it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "connection_record.h"
#include "odbc_api.h"

namespace sqelto {

// Connection strings and their copies live in buffers of this size, terminator
// included; longer ones are refused rather than cut.
inline constexpr std::size_t kConnectionStringBuffer = 4096;
inline constexpr const char* kConnectionStringTooLongText =
    "The connection string is too long (more than 4095 bytes).";

// The process-wide ODBC 3 environment, made on first use and never freed;
// null when it cannot be made.
SQLHENV OdbcEnvironment();

// "DSN=%s;UID=%s;PWD=%s;" for a data-source name, user name and password. A
// value holding `;` or starting with `{` is written in braces with `}`
// doubled, so that it stays one value; other values are written unchanged.
std::string DsnConnectionString(std::string_view name, std::string_view userName, std::string_view password);

// The connection string for a DataSource / Host / UserName / Password quadruple:
// a bare data-source name (in DataSource, else in Host) becomes
// DsnConnectionString; a DataSource holding "DSN=", "DRIVER=" or "LIBRARY="
// (any letter case), or one without a Host to fall back on, is used unchanged.
// No value when the result would not fit kConnectionStringBuffer.
std::optional<std::string> ComposeConnectionString(std::string_view dataSource, std::string_view host,
                                                   std::string_view userName, std::string_view password);

// Method "Connect() as Boolean" of ODBCDatabase.
bool TAVRO_CALL ODBCDatabaseConnect(TavroObject database);

// Connects the record with a NUL-terminated connection string.
bool ODBCConnect(ConnectionRecord* record, const char* connectionString);

// Engine word 2, and the last step of releasing a record.
void TAVRO_CALL ODBCCloseDatabase(TavroDatabase db);

}  // namespace sqelto
