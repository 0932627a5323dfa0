// The calls that need nothing beyond TestFail: checked on their handle, then
// forwarded unchanged. Parameter names are those of unixODBC's headers.
#include "forwarding.hpp"

using namespace sqelto_test_driver;

extern "C" {

SQLRETURN SQL_API SQLBindParam(SQLHSTMT StatementHandle, SQLUSMALLINT ParameterNumber, SQLSMALLINT ValueType,
                               SQLSMALLINT ParameterType, SQLULEN LengthPrecision, SQLSMALLINT ParameterScale,
                               SQLPOINTER ParameterValue, SQLLEN* StrLen_or_Ind) {
  return SQELTO_FORWARD(SQLBindParam, SQL_HANDLE_STMT, StatementHandle, StatementHandle, ParameterNumber, ValueType,
                        ParameterType, LengthPrecision, ParameterScale, ParameterValue, StrLen_or_Ind);
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT hstmt, SQLUSMALLINT ipar, SQLSMALLINT fParamType, SQLSMALLINT fCType,
                                   SQLSMALLINT fSqlType, SQLULEN cbColDef, SQLSMALLINT ibScale, SQLPOINTER rgbValue,
                                   SQLLEN cbValueMax, SQLLEN* pcbValue) {
  return SQELTO_FORWARD(SQLBindParameter, SQL_HANDLE_STMT, hstmt, hstmt, ipar, fParamType, fCType, fSqlType, cbColDef,
                        ibScale, rgbValue, cbValueMax, pcbValue);
}

SQLRETURN SQL_API SQLBulkOperations(SQLHSTMT StatementHandle, SQLSMALLINT Operation) {
  return SQELTO_FORWARD(SQLBulkOperations, SQL_HANDLE_STMT, StatementHandle, StatementHandle, Operation);
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT StatementHandle) {
  return SQELTO_FORWARD(SQLCancel, SQL_HANDLE_STMT, StatementHandle, StatementHandle);
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLUSMALLINT FieldIdentifier,
                                  SQLPOINTER CharacterAttribute, SQLSMALLINT BufferLength, SQLSMALLINT* StringLength,
                                  SQLLEN* NumericAttribute) {
  return SQELTO_FORWARD(SQLColAttribute, SQL_HANDLE_STMT, StatementHandle, StatementHandle, ColumnNumber,
                        FieldIdentifier, CharacterAttribute, BufferLength, StringLength, NumericAttribute);
}

SQLRETURN SQL_API SQLColAttributes(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLUSMALLINT fDescType, SQLPOINTER rgbDesc,
                                   SQLSMALLINT cbDescMax, SQLSMALLINT* pcbDesc, SQLLEN* pfDesc) {
  return SQELTO_FORWARD(SQLColAttributes, SQL_HANDLE_STMT, hstmt, hstmt, icol, fDescType, rgbDesc, cbDescMax, pcbDesc,
                        pfDesc);
}

SQLRETURN SQL_API SQLCopyDesc(SQLHDESC SourceDescHandle, SQLHDESC TargetDescHandle) {
  return SQELTO_FORWARD(SQLCopyDesc, SQL_HANDLE_DESC, TargetDescHandle, SourceDescHandle, TargetDescHandle);
}

SQLRETURN SQL_API SQLDataSources(SQLHENV EnvironmentHandle, SQLUSMALLINT Direction, SQLCHAR* ServerName,
                                 SQLSMALLINT BufferLength1, SQLSMALLINT* NameLength1, SQLCHAR* Description,
                                 SQLSMALLINT BufferLength2, SQLSMALLINT* NameLength2) {
  return SQELTO_FORWARD(SQLDataSources, SQL_HANDLE_ENV, EnvironmentHandle, EnvironmentHandle, Direction, ServerName,
                        BufferLength1, NameLength1, Description, BufferLength2, NameLength2);
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLCHAR* ColumnName,
                                 SQLSMALLINT BufferLength, SQLSMALLINT* NameLength, SQLSMALLINT* DataType,
                                 SQLULEN* ColumnSize, SQLSMALLINT* DecimalDigits, SQLSMALLINT* Nullable) {
  return SQELTO_FORWARD(SQLDescribeCol, SQL_HANDLE_STMT, StatementHandle, StatementHandle, ColumnNumber, ColumnName,
                        BufferLength, NameLength, DataType, ColumnSize, DecimalDigits, Nullable);
}

SQLRETURN SQL_API SQLDescribeParam(SQLHSTMT hstmt, SQLUSMALLINT ipar, SQLSMALLINT* pfSqlType, SQLULEN* pcbParamDef,
                                   SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable) {
  return SQELTO_FORWARD(SQLDescribeParam, SQL_HANDLE_STMT, hstmt, hstmt, ipar, pfSqlType, pcbParamDef, pibScale,
                        pfNullable);
}

SQLRETURN SQL_API SQLDrivers(SQLHENV henv, SQLUSMALLINT fDirection, SQLCHAR* szDriverDesc, SQLSMALLINT cbDriverDescMax,
                             SQLSMALLINT* pcbDriverDesc, SQLCHAR* szDriverAttributes, SQLSMALLINT cbDrvrAttrMax,
                             SQLSMALLINT* pcbDrvrAttr) {
  return SQELTO_FORWARD(SQLDrivers, SQL_HANDLE_ENV, henv, henv, fDirection, szDriverDesc, cbDriverDescMax,
                        pcbDriverDesc, szDriverAttributes, cbDrvrAttrMax, pcbDrvrAttr);
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT CompletionType) {
  return SQELTO_FORWARD(SQLEndTran, HandleType, Handle, HandleType, Handle, CompletionType);
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                    SQLINTEGER BufferLength, SQLINTEGER* StringLength) {
  return SQELTO_FORWARD(SQLGetConnectAttr, SQL_HANDLE_DBC, ConnectionHandle, ConnectionHandle, Attribute, Value,
                        BufferLength, StringLength);
}

SQLRETURN SQL_API SQLGetConnectOption(SQLHDBC ConnectionHandle, SQLUSMALLINT Option, SQLPOINTER Value) {
  return SQELTO_FORWARD(SQLGetConnectOption, SQL_HANDLE_DBC, ConnectionHandle, ConnectionHandle, Option, Value);
}

SQLRETURN SQL_API SQLGetCursorName(SQLHSTMT StatementHandle, SQLCHAR* CursorName, SQLSMALLINT BufferLength,
                                   SQLSMALLINT* NameLength) {
  return SQELTO_FORWARD(SQLGetCursorName, SQL_HANDLE_STMT, StatementHandle, StatementHandle, CursorName, BufferLength,
                        NameLength);
}

SQLRETURN SQL_API SQLGetDescField(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber, SQLSMALLINT FieldIdentifier,
                                  SQLPOINTER Value, SQLINTEGER BufferLength, SQLINTEGER* StringLength) {
  return SQELTO_FORWARD(SQLGetDescField, SQL_HANDLE_DESC, DescriptorHandle, DescriptorHandle, RecNumber,
                        FieldIdentifier, Value, BufferLength, StringLength);
}

SQLRETURN SQL_API SQLGetDescRec(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber, SQLCHAR* Name,
                                SQLSMALLINT BufferLength, SQLSMALLINT* StringLength, SQLSMALLINT* Type,
                                SQLSMALLINT* SubType, SQLLEN* Length, SQLSMALLINT* Precision, SQLSMALLINT* Scale,
                                SQLSMALLINT* Nullable) {
  return SQELTO_FORWARD(SQLGetDescRec, SQL_HANDLE_DESC, DescriptorHandle, DescriptorHandle, RecNumber, Name,
                        BufferLength, StringLength, Type, SubType, Length, Precision, Scale, Nullable);
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                SQLINTEGER BufferLength, SQLINTEGER* StringLength) {
  return SQELTO_FORWARD(SQLGetEnvAttr, SQL_HANDLE_ENV, EnvironmentHandle, EnvironmentHandle, Attribute, Value,
                        BufferLength, StringLength);
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC ConnectionHandle, SQLUSMALLINT FunctionId, SQLUSMALLINT* Supported) {
  return SQELTO_FORWARD(SQLGetFunctions, SQL_HANDLE_DBC, ConnectionHandle, ConnectionHandle, FunctionId, Supported);
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                 SQLINTEGER BufferLength, SQLINTEGER* StringLength) {
  return SQELTO_FORWARD(SQLGetStmtAttr, SQL_HANDLE_STMT, StatementHandle, StatementHandle, Attribute, Value,
                        BufferLength, StringLength);
}

SQLRETURN SQL_API SQLGetStmtOption(SQLHSTMT StatementHandle, SQLUSMALLINT Option, SQLPOINTER Value) {
  return SQELTO_FORWARD(SQLGetStmtOption, SQL_HANDLE_STMT, StatementHandle, StatementHandle, Option, Value);
}

SQLRETURN SQL_API SQLNativeSql(SQLHDBC hdbc, SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn, SQLCHAR* szSqlStr,
                               SQLINTEGER cbSqlStrMax, SQLINTEGER* pcbSqlStr) {
  return SQELTO_FORWARD(SQLNativeSql, SQL_HANDLE_DBC, hdbc, hdbc, szSqlStrIn, cbSqlStrIn, szSqlStr, cbSqlStrMax,
                        pcbSqlStr);
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT hstmt, SQLSMALLINT* pcpar) {
  return SQELTO_FORWARD(SQLNumParams, SQL_HANDLE_STMT, hstmt, hstmt, pcpar);
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT StatementHandle, SQLSMALLINT* ColumnCount) {
  return SQELTO_FORWARD(SQLNumResultCols, SQL_HANDLE_STMT, StatementHandle, StatementHandle, ColumnCount);
}

SQLRETURN SQL_API SQLParamData(SQLHSTMT StatementHandle, SQLPOINTER* Value) {
  return SQELTO_FORWARD(SQLParamData, SQL_HANDLE_STMT, StatementHandle, StatementHandle, Value);
}

SQLRETURN SQL_API SQLParamOptions(SQLHSTMT hstmt, SQLULEN crow, SQLULEN* pirow) {
  return SQELTO_FORWARD(SQLParamOptions, SQL_HANDLE_STMT, hstmt, hstmt, crow, pirow);
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT StatementHandle, SQLCHAR* StatementText, SQLINTEGER TextLength) {
  return SQELTO_FORWARD(SQLPrepare, SQL_HANDLE_STMT, StatementHandle, StatementHandle, StatementText, TextLength);
}

SQLRETURN SQL_API SQLPutData(SQLHSTMT StatementHandle, SQLPOINTER Data, SQLLEN StrLen_or_Ind) {
  return SQELTO_FORWARD(SQLPutData, SQL_HANDLE_STMT, StatementHandle, StatementHandle, Data, StrLen_or_Ind);
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT StatementHandle, SQLLEN* RowCount) {
  return SQELTO_FORWARD(SQLRowCount, SQL_HANDLE_STMT, StatementHandle, StatementHandle, RowCount);
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                    SQLINTEGER StringLength) {
  return SQELTO_FORWARD(SQLSetConnectAttr, SQL_HANDLE_DBC, ConnectionHandle, ConnectionHandle, Attribute, Value,
                        StringLength);
}

SQLRETURN SQL_API SQLSetConnectOption(SQLHDBC ConnectionHandle, SQLUSMALLINT Option, SQLULEN Value) {
  return SQELTO_FORWARD(SQLSetConnectOption, SQL_HANDLE_DBC, ConnectionHandle, ConnectionHandle, Option, Value);
}

SQLRETURN SQL_API SQLSetCursorName(SQLHSTMT StatementHandle, SQLCHAR* CursorName, SQLSMALLINT NameLength) {
  return SQELTO_FORWARD(SQLSetCursorName, SQL_HANDLE_STMT, StatementHandle, StatementHandle, CursorName, NameLength);
}

SQLRETURN SQL_API SQLSetDescField(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber, SQLSMALLINT FieldIdentifier,
                                  SQLPOINTER Value, SQLINTEGER BufferLength) {
  return SQELTO_FORWARD(SQLSetDescField, SQL_HANDLE_DESC, DescriptorHandle, DescriptorHandle, RecNumber,
                        FieldIdentifier, Value, BufferLength);
}

SQLRETURN SQL_API SQLSetDescRec(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber, SQLSMALLINT Type, SQLSMALLINT SubType,
                                SQLLEN Length, SQLSMALLINT Precision, SQLSMALLINT Scale, SQLPOINTER Data,
                                SQLLEN* StringLength, SQLLEN* Indicator) {
  return SQELTO_FORWARD(SQLSetDescRec, SQL_HANDLE_DESC, DescriptorHandle, DescriptorHandle, RecNumber, Type, SubType,
                        Length, Precision, Scale, Data, StringLength, Indicator);
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                SQLINTEGER StringLength) {
  return SQELTO_FORWARD(SQLSetEnvAttr, SQL_HANDLE_ENV, EnvironmentHandle, EnvironmentHandle, Attribute, Value,
                        StringLength);
}

SQLRETURN SQL_API SQLSetParam(SQLHSTMT StatementHandle, SQLUSMALLINT ParameterNumber, SQLSMALLINT ValueType,
                              SQLSMALLINT ParameterType, SQLULEN LengthPrecision, SQLSMALLINT ParameterScale,
                              SQLPOINTER ParameterValue, SQLLEN* StrLen_or_Ind) {
  return SQELTO_FORWARD(SQLSetParam, SQL_HANDLE_STMT, StatementHandle, StatementHandle, ParameterNumber, ValueType,
                        ParameterType, LengthPrecision, ParameterScale, ParameterValue, StrLen_or_Ind);
}

SQLRETURN SQL_API SQLSetPos(SQLHSTMT hstmt, SQLSETPOSIROW irow, SQLUSMALLINT fOption, SQLUSMALLINT fLock) {
  return SQELTO_FORWARD(SQLSetPos, SQL_HANDLE_STMT, hstmt, hstmt, irow, fOption, fLock);
}

SQLRETURN SQL_API SQLSetScrollOptions(SQLHSTMT hstmt, SQLUSMALLINT fConcurrency, SQLLEN crowKeyset,
                                      SQLUSMALLINT crowRowset) {
  return SQELTO_FORWARD(SQLSetScrollOptions, SQL_HANDLE_STMT, hstmt, hstmt, fConcurrency, crowKeyset, crowRowset);
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
                                 SQLINTEGER StringLength) {
  return SQELTO_FORWARD(SQLSetStmtAttr, SQL_HANDLE_STMT, StatementHandle, StatementHandle, Attribute, Value,
                        StringLength);
}

SQLRETURN SQL_API SQLSetStmtOption(SQLHSTMT StatementHandle, SQLUSMALLINT Option, SQLULEN Value) {
  return SQELTO_FORWARD(SQLSetStmtOption, SQL_HANDLE_STMT, StatementHandle, StatementHandle, Option, Value);
}

SQLRETURN SQL_API SQLTransact(SQLHENV EnvironmentHandle, SQLHDBC ConnectionHandle, SQLUSMALLINT CompletionType) {
  return SQELTO_FORWARD(SQLTransact, ConnectionHandle != SQL_NULL_HDBC ? SQL_HANDLE_DBC : SQL_HANDLE_ENV,
                        ConnectionHandle != SQL_NULL_HDBC ? ConnectionHandle : EnvironmentHandle, EnvironmentHandle,
                        ConnectionHandle, CompletionType);
}

}  // extern "C"
