// The per-connection record: the instance data of every ODBCDatabase host
// object, and the stand-alone record behind connections made from the host's
// data-source dialog.
//
// The host reads and writes the property-backed fields directly at their byte
// offsets (the property entries take them from offsetof), so the field order
// never changes. On a 32-bit target the layout is the historical one, 1088
// bytes with fixed offsets, checked below; on 64-bit the same order with
// natural alignment.
#ifndef SQELTO_ODBC_CONNECTION_RECORD_H
#define SQELTO_ODBC_CONNECTION_RECORD_H

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>

#include <tavro/plugin_sdk.h>

namespace sqelto {

class ODBCCursor;  // the cursor made by the latest select (plugin/odbc)

struct ConnectionRecord {
  int32_t refCount;              // references held: host object, cursors, prepared statements
  SQLHDBC hdbc;                  // ODBC connection handle; null when not connected
  int32_t timeout;               // "Timeout": login timeout before connect, query timeout after; 0 = driver default
  TavroString dataSource;        // "DataSource" (not owned)
  char connectionOut[1024];      // completed connection string from the driver manager, NUL-terminated
  TavroString attributeString;   // "AttributeString": value of the pre-connect attribute (not owned)
  int32_t attribute;             // "Attribute": connection attribute set before connecting; 0 = none
  TavroString dbms;              // "DBMS", read-only to the host (not owned)
  TavroString databaseName;      // "DatabaseName" (not owned)
  // Four flag bytes, one 32-bit word on the 32-bit layout; reset together.
  uint8_t scrollableCursor;      // "ScrollableCursor" / "IsScrollableCursor"
  uint8_t extendedSchema;        // "ExtendedSchema" / "IsExtendedSchema"
  uint8_t allowsBinds;           // driver can fetch any column with SQLGetData
  uint8_t needsLongData;         // driver needs long data lengths before execution
  uint32_t maxActiveStatements;  // driver's maximum of concurrent statements (16-bit value)
  int32_t rowsAffected;          // row count of the last executed statement
  int32_t lastErrorCode;         // 0 = none
  char *lastErrorText;           // owned, NUL-terminated UTF-8, allocated with std::malloc; or null
  ODBCCursor *currentCursor;     // cursor of the latest select; not owned
  uint8_t traceOn;               // 1 when this connection traces
  std::ostream *traceStream;     // owned trace log stream, or null
};

// ODBCDatabase's instance data size (class record word 3).
inline constexpr std::size_t kConnectionRecordSize = sizeof(ConnectionRecord);

// Sets Timeout, Attribute and the four flag bytes to 0 and opens the trace.
// Everything else is left as found (the host hands over zero-filled data).
void InitConnectionRecord(ConnectionRecord *record);

// Adds one reference.
void AddReference(ConnectionRecord *record);

// Drops one reference. At 0 or below the connection is closed through the
// engine's close function and the record's owned memory (last error text,
// trace stream) is released. The record itself is freed only when it was
// moved out of its host instance (connection_hold.h); otherwise it belongs
// to the host instance or to whoever allocated it.
void Release(ConnectionRecord *record);

// One reference for as long as it lives. A statement runs with the host's
// runtime released, and meanwhile another host thread may close a database
// the data-source opener made, dropping the host's reference: the call that
// runs the statement keeps the record (and its connection) until it ends;
// its release then closes and frees what nobody holds any more.
class RecordReference {
public:
  explicit RecordReference(ConnectionRecord *record) : record_(record) { AddReference(record_); }
  ~RecordReference() { Release(record_); }
  RecordReference(const RecordReference &) = delete;
  RecordReference &operator=(const RecordReference &) = delete;

private:
  ConnectionRecord *record_;
};

// A zero-filled heap record with one reference, initialised (for connections
// that have no host instance). Free it with DeleteStandaloneRecord once its
// last reference is gone.
ConnectionRecord *NewStandaloneRecord();
void DeleteStandaloneRecord(ConnectionRecord *record);

// "Connected" test used by every engine function.
inline bool IsConnected(const ConnectionRecord *record) { return record->hdbc != nullptr; }

inline constexpr const char *kNotBoundText = "The host did not bind the ODBCDatabase object to the ODBC engine.";

// ODBCDatabase's constructor and destructor (class record words 5 and 6). They
// receive the host instance and find the record at the offset the host wrote
// into the class record's word 4.
void TAVRO_CALL ODBCDatabaseConstructor(TavroObject instance);
void TAVRO_CALL ODBCDatabaseDestructor(TavroObject instance);

// The record inside an ODBCDatabase host instance.
ConnectionRecord *RecordOfInstance(TavroObject instance);

// The historical 32-bit layout, which a 32-bit host relies on byte for byte.
#if UINTPTR_MAX == 0xFFFFFFFF
static_assert(sizeof(ConnectionRecord) == 1088, "connection record is 1088 bytes");
static_assert(offsetof(ConnectionRecord, refCount) == 0);
static_assert(offsetof(ConnectionRecord, hdbc) == 4);
static_assert(offsetof(ConnectionRecord, timeout) == 8);
static_assert(offsetof(ConnectionRecord, dataSource) == 12);
static_assert(offsetof(ConnectionRecord, connectionOut) == 16);
static_assert(offsetof(ConnectionRecord, attributeString) == 1040);
static_assert(offsetof(ConnectionRecord, attribute) == 1044);
static_assert(offsetof(ConnectionRecord, dbms) == 1048);
static_assert(offsetof(ConnectionRecord, databaseName) == 1052);
static_assert(offsetof(ConnectionRecord, scrollableCursor) == 1056);
static_assert(offsetof(ConnectionRecord, extendedSchema) == 1057);
static_assert(offsetof(ConnectionRecord, allowsBinds) == 1058);
static_assert(offsetof(ConnectionRecord, needsLongData) == 1059);
static_assert(offsetof(ConnectionRecord, maxActiveStatements) == 1060);
static_assert(offsetof(ConnectionRecord, rowsAffected) == 1064);
static_assert(offsetof(ConnectionRecord, lastErrorCode) == 1068);
static_assert(offsetof(ConnectionRecord, lastErrorText) == 1072);
static_assert(offsetof(ConnectionRecord, currentCursor) == 1076);
static_assert(offsetof(ConnectionRecord, traceOn) == 1080);
static_assert(offsetof(ConnectionRecord, traceStream) == 1084);
#endif

}  // namespace sqelto

#endif  // SQELTO_ODBC_CONNECTION_RECORD_H
