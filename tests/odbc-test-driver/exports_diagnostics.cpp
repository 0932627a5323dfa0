// Reading diagnostics: a failure this driver injected is the one record of
// its handle; otherwise the real driver answers. TestFail=SQLGetDiagRec (or
// SQLGetDiagField, SQLError) makes reading fail, so a failed call then
// leaves no readable diagnostic at all.
#include <cstring>

#include "forwarding.hpp"
#include "text_output.hpp"

using namespace sqelto_test_driver;

namespace {

template <typename Value>
SQLRETURN writeValue(SQLPOINTER target, Value value) {
  if (target != nullptr) std::memcpy(target, &value, sizeof value);
  return SQL_SUCCESS;
}

const char* classOrigin(const Diagnostic& diagnostic) {
  return diagnostic.sqlState.rfind("IM", 0) == 0 ? "ODBC 3.0" : "ISO 9075";
}

SQLRETURN headerField(SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT size, SQLSMALLINT* length) {
  switch (field) {
    case SQL_DIAG_NUMBER:
      return writeValue<SQLINTEGER>(value, 1);
    case SQL_DIAG_RETURNCODE:
      return writeValue<SQLRETURN>(value, SQL_ERROR);
    case SQL_DIAG_ROW_COUNT:
    case SQL_DIAG_CURSOR_ROW_COUNT:
      return writeValue<SQLLEN>(value, 0);
    case SQL_DIAG_DYNAMIC_FUNCTION:
      return copyText("", value, size, length);
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
      return writeValue<SQLINTEGER>(value, SQL_DIAG_UNKNOWN_STATEMENT);
    default:
      return SQL_ERROR;
  }
}

SQLRETURN recordField(const Diagnostic& diagnostic, SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT size,
                      SQLSMALLINT* length) {
  switch (field) {
    case SQL_DIAG_SQLSTATE:
      return copyText(diagnostic.sqlState, value, size, length);
    case SQL_DIAG_NATIVE:
      return writeValue<SQLINTEGER>(value, diagnostic.nativeError);
    case SQL_DIAG_MESSAGE_TEXT:
      return copyText(diagnostic.message, value, size, length);
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
      return copyText(classOrigin(diagnostic), value, size, length);
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
      return copyText("", value, size, length);
    case SQL_DIAG_COLUMN_NUMBER:
      return writeValue<SQLINTEGER>(value, SQL_COLUMN_NUMBER_UNKNOWN);
    case SQL_DIAG_ROW_NUMBER:
      return writeValue<SQLLEN>(value, SQL_ROW_NUMBER_UNKNOWN);
    default:
      return SQL_ERROR;
  }
}

// Writes the record the way SQLGetDiagRec and SQLError do.
SQLRETURN writeRecord(const Diagnostic& diagnostic, SQLCHAR* sqlState, SQLINTEGER* nativeError, SQLCHAR* message,
                      SQLSMALLINT size, SQLSMALLINT* length) {
  if (sqlState != nullptr) copyText(diagnostic.sqlState, sqlState, 6, nullptr);
  if (nativeError != nullptr) *nativeError = diagnostic.nativeError;
  return copyText(diagnostic.message, message, size, length);
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recordNumber, SQLCHAR* sqlState,
                                SQLINTEGER* nativeError, SQLCHAR* message, SQLSMALLINT size, SQLSMALLINT* length) {
  return guarded([&]() -> SQLRETURN {
    if (registry().diagnosticReadFails("SQLGetDiagRec", handleType, handle)) return SQL_ERROR;
    auto diagnostic = registry().recorded(handle);
    if (!diagnostic)
      return SQELTO_REAL(SQLGetDiagRec)(handleType, handle, recordNumber, sqlState, nativeError, message, size, length);
    if (recordNumber < 1) return SQL_ERROR;
    if (recordNumber > 1) return SQL_NO_DATA;
    return writeRecord(*diagnostic, sqlState, nativeError, message, size, length);
  });
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recordNumber, SQLSMALLINT field,
                                  SQLPOINTER value, SQLSMALLINT size, SQLSMALLINT* length) {
  return guarded([&]() -> SQLRETURN {
    if (registry().diagnosticReadFails("SQLGetDiagField", handleType, handle)) return SQL_ERROR;
    auto diagnostic = registry().recorded(handle);
    if (!diagnostic) return SQELTO_REAL(SQLGetDiagField)(handleType, handle, recordNumber, field, value, size, length);
    if (recordNumber == 0) return headerField(field, value, size, length);
    if (recordNumber > 1) return SQL_NO_DATA;
    return recordNumber < 0 ? SQL_ERROR : recordField(*diagnostic, field, value, size, length);
  });
}

// The ODBC 2 form: returns the records one by one, each read removes it.
SQLRETURN SQL_API SQLError(SQLHENV environment, SQLHDBC connection, SQLHSTMT statement, SQLCHAR* sqlState,
                           SQLINTEGER* nativeError, SQLCHAR* message, SQLSMALLINT size, SQLSMALLINT* length) {
  return guarded([&]() -> SQLRETURN {
    SQLSMALLINT handleType = statement != SQL_NULL_HSTMT   ? SQL_HANDLE_STMT
                             : connection != SQL_NULL_HDBC ? SQL_HANDLE_DBC
                                                           : SQL_HANDLE_ENV;
    SQLHANDLE handle = statement != SQL_NULL_HSTMT ? statement : connection != SQL_NULL_HDBC ? connection : environment;
    if (registry().diagnosticReadFails("SQLError", handleType, handle)) return SQL_ERROR;
    auto diagnostic = registry().recorded(handle);
    if (!diagnostic)
      return SQELTO_REAL(SQLError)(environment, connection, statement, sqlState, nativeError, message, size, length);
    registry().forget(handle);
    return writeRecord(*diagnostic, sqlState, nativeError, message, size, length);
  });
}

}  // extern "C"
