// The road every catalogue question takes: run the ODBC catalogue function
// on a statement of its own, read the driver's result to its end through an
// ODBCCursor, copy the wanted columns as text into an InMemoryCursor, drop
// the statement, and only then hand the copy to the host.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include <tavro/plugin_sdk.h>

#include "catalogue_argument.h"
#include "in_memory_cursor.h"
#include "odbc/connection_record.h"
#include "odbc/cursor_bridge.h"
#include "odbc/odbc_api.h"
#include "odbc/odbc_cursor.h"

namespace sqelto {

// An output column: its name and the 0-based column of the driver's result
// it is copied from.
struct CatalogueColumn {
  const char* name;
  int32_t driverColumn;
};

// The catalogue function, called with a fresh statement.
using CatalogueCall = std::function<SQLRETURN(SQLHSTMT)>;

// Allocates a statement and makes the call (named callName, for a failure
// the driver gives no reason for) on it. On success the statement belongs to
// the returned cursor; on failure the driver's diagnostic (or -1 naming the
// call, failure_report.h) is the last error, the statement is dropped and
// null is returned.
std::unique_ptr<ODBCCursor> RunCatalogueCall(ConnectionRecord* record, const char* callName, const CatalogueCall& call);

// The driver's current value of a column as cell text: its bytes up to a
// NUL, empty for an SQL NULL or a column the result lacks.
std::string DriverCellText(ODBCCursor& cursor, int32_t driverColumn);

// Copies every driver row, one row each, in the driver's order; the copy
// ends at the first fetch that brings no row (end of data, or a failure,
// which stays the last error). Every cell has code 18.
std::unique_ptr<InMemoryCursor> CopyCatalogueRows(ODBCCursor& source, std::span<const CatalogueColumn> columns);

// RunCatalogueCall, then CopyCatalogueRows and the statement's end.
std::unique_ptr<InMemoryCursor> RunCatalogueQuery(ConnectionRecord* record, const char* callName,
                                                  const CatalogueCall& call, std::span<const CatalogueColumn> columns);

// The column set a question answers with: the extended one when the
// connection asks for extended schemas, else the plain one, which is its
// first plainCount columns.
std::span<const CatalogueColumn> SchemaColumns(const ConnectionRecord* record,
                                               std::span<const CatalogueColumn> extended, std::size_t plainCount);

// Hands a finished copy to the host as a RecordSet or RowSet. When the host
// refuses it, the copy is gone and the last error says so.
TavroObject HandCatalogueToHost(ConnectionRecord* record, std::unique_ptr<InMemoryCursor> cursor, HostCursorKind kind);

// The connection record behind an ODBCDatabase host object (null when the
// host has none for it).
ConnectionRecord* RecordOfDatabase(TavroObject database);

// No connection: the last error 1 "Not connected." and false.
bool RequireConnection(ConnectionRecord* record);

// How every question begins, after its trace line: false with the last error
// 1 "Not connected." without a connection; false, the last error untouched,
// when a required name is absent; then the last error is cleared; false with
// -1 and the reason when a name cannot be handed to ODBC as it is
// (catalogue_argument.h).
bool BeginQuestion(ConnectionRecord* record, std::initializer_list<const CatalogueArgument*> required,
                   std::initializer_list<const CatalogueArgument*> optional = {});

}  // namespace sqelto
