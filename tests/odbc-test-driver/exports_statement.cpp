// Statement calls whose faults the keywords control: starting a result
// (TestMaxActivities), fetching (TestFetchFailAfter), reading and binding
// columns (TestGetDataFailAfter, TestNoGetDataAnyColumn), closing a result.
#include <string_view>

#include "forwarding.hpp"

using namespace sqelto_test_driver;

namespace {

// Whether a statement that just started a result holds one that blocks other
// statements. Only asked on connections that limit activities; after
// SQL_SUCCESS_WITH_INFO the real driver is not asked (that would clear the
// warning before the driver manager reads it) and a result is assumed.
bool holdsResult(SQLHSTMT statement, SQLRETURN result) {
  if (!succeeded(result)) return false;
  if (result != SQL_SUCCESS || !registry().limitsActivities(statement)) return true;
  SQLSMALLINT columns = 0;
  return succeeded(SQELTO_REAL(SQLNumResultCols)(statement, &columns)) && columns > 0;
}

template <typename Call>
SQLRETURN startResult(std::string_view function, SQLHSTMT statement, Call&& call) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall(function, SQL_HANDLE_STMT, statement)) return SQL_ERROR;
    if (!registry().mayStartResult(statement)) return SQL_ERROR;
    SQLRETURN result = call();
    registry().resultStarted(statement, holdsResult(statement, result));
    return result;
  });
}

template <typename Call>
SQLRETURN fetch(std::string_view function, SQLHSTMT statement, Call&& call) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall(function, SQL_HANDLE_STMT, statement)) return SQL_ERROR;
    if (!registry().mayFetch(statement, function)) return SQL_ERROR;
    SQLRETURN result = call();
    registry().fetched(statement, result);
    return result;
  });
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLExecute(SQLHSTMT statement) {
  return startResult("SQLExecute", statement, [&] { return SQELTO_REAL(SQLExecute)(statement); });
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT statement, SQLCHAR* text, SQLINTEGER length) {
  return startResult("SQLExecDirect", statement, [&] { return SQELTO_REAL(SQLExecDirect)(statement, text, length); });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT statement) {
  return startResult("SQLMoreResults", statement, [&] { return SQELTO_REAL(SQLMoreResults)(statement); });
}

SQLRETURN SQL_API SQLTables(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                            SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength, SQLCHAR* type,
                            SQLSMALLINT typeLength) {
  return startResult("SQLTables", statement, [&] {
    return SQELTO_REAL(SQLTables)(statement, catalog, catalogLength, schema, schemaLength, table, tableLength, type,
                                  typeLength);
  });
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                             SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength, SQLCHAR* column,
                             SQLSMALLINT columnLength) {
  return startResult("SQLColumns", statement, [&] {
    return SQELTO_REAL(SQLColumns)(statement, catalog, catalogLength, schema, schemaLength, table, tableLength, column,
                                   columnLength);
  });
}

SQLRETURN SQL_API SQLColumnPrivileges(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                                      SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength,
                                      SQLCHAR* column, SQLSMALLINT columnLength) {
  return startResult("SQLColumnPrivileges", statement, [&] {
    return SQELTO_REAL(SQLColumnPrivileges)(statement, catalog, catalogLength, schema, schemaLength, table, tableLength,
                                            column, columnLength);
  });
}

SQLRETURN SQL_API SQLStatistics(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                                SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength, SQLUSMALLINT unique,
                                SQLUSMALLINT reserved) {
  return startResult("SQLStatistics", statement, [&] {
    return SQELTO_REAL(SQLStatistics)(statement, catalog, catalogLength, schema, schemaLength, table, tableLength,
                                      unique, reserved);
  });
}

SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                                 SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength) {
  return startResult("SQLPrimaryKeys", statement, [&] {
    return SQELTO_REAL(SQLPrimaryKeys)(statement, catalog, catalogLength, schema, schemaLength, table, tableLength);
  });
}

SQLRETURN SQL_API SQLTablePrivileges(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                                     SQLSMALLINT schemaLength, SQLCHAR* table, SQLSMALLINT tableLength) {
  return startResult("SQLTablePrivileges", statement, [&] {
    return SQELTO_REAL(SQLTablePrivileges)(statement, catalog, catalogLength, schema, schemaLength, table, tableLength);
  });
}

SQLRETURN SQL_API SQLProcedures(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                                SQLSMALLINT schemaLength, SQLCHAR* procedure, SQLSMALLINT procedureLength) {
  return startResult("SQLProcedures", statement, [&] {
    return SQELTO_REAL(SQLProcedures)(statement, catalog, catalogLength, schema, schemaLength, procedure,
                                      procedureLength);
  });
}

SQLRETURN SQL_API SQLProcedureColumns(SQLHSTMT statement, SQLCHAR* catalog, SQLSMALLINT catalogLength, SQLCHAR* schema,
                                      SQLSMALLINT schemaLength, SQLCHAR* procedure, SQLSMALLINT procedureLength,
                                      SQLCHAR* column, SQLSMALLINT columnLength) {
  return startResult("SQLProcedureColumns", statement, [&] {
    return SQELTO_REAL(SQLProcedureColumns)(statement, catalog, catalogLength, schema, schemaLength, procedure,
                                            procedureLength, column, columnLength);
  });
}

SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT statement, SQLCHAR* pkCatalog, SQLSMALLINT pkCatalogLength, SQLCHAR* pkSchema,
                                 SQLSMALLINT pkSchemaLength, SQLCHAR* pkTable, SQLSMALLINT pkTableLength,
                                 SQLCHAR* fkCatalog, SQLSMALLINT fkCatalogLength, SQLCHAR* fkSchema,
                                 SQLSMALLINT fkSchemaLength, SQLCHAR* fkTable, SQLSMALLINT fkTableLength) {
  return startResult("SQLForeignKeys", statement, [&] {
    return SQELTO_REAL(SQLForeignKeys)(statement, pkCatalog, pkCatalogLength, pkSchema, pkSchemaLength, pkTable,
                                       pkTableLength, fkCatalog, fkCatalogLength, fkSchema, fkSchemaLength, fkTable,
                                       fkTableLength);
  });
}

SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT statement, SQLUSMALLINT identifierType, SQLCHAR* catalog,
                                    SQLSMALLINT catalogLength, SQLCHAR* schema, SQLSMALLINT schemaLength,
                                    SQLCHAR* table, SQLSMALLINT tableLength, SQLUSMALLINT scope,
                                    SQLUSMALLINT nullable) {
  return startResult("SQLSpecialColumns", statement, [&] {
    return SQELTO_REAL(SQLSpecialColumns)(statement, identifierType, catalog, catalogLength, schema, schemaLength,
                                          table, tableLength, scope, nullable);
  });
}

SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT statement, SQLSMALLINT dataType) {
  return startResult("SQLGetTypeInfo", statement, [&] { return SQELTO_REAL(SQLGetTypeInfo)(statement, dataType); });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT statement) {
  return fetch("SQLFetch", statement, [&] { return SQELTO_REAL(SQLFetch)(statement); });
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT statement, SQLSMALLINT orientation, SQLLEN offset) {
  return fetch("SQLFetchScroll", statement,
               [&] { return SQELTO_REAL(SQLFetchScroll)(statement, orientation, offset); });
}

SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT statement, SQLUSMALLINT orientation, SQLLEN offset, SQLULEN* rowCount,
                                   SQLUSMALLINT* rowStatus) {
  return fetch("SQLExtendedFetch", statement,
               [&] { return SQELTO_REAL(SQLExtendedFetch)(statement, orientation, offset, rowCount, rowStatus); });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT statement) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLCloseCursor", SQL_HANDLE_STMT, statement)) return SQL_ERROR;
    SQLRETURN result = SQELTO_REAL(SQLCloseCursor)(statement);
    if (succeeded(result)) registry().resultEnded(statement);
    return result;
  });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT targetType, SQLPOINTER target,
                             SQLLEN size, SQLLEN* indicator) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLGetData", SQL_HANDLE_STMT, statement)) return SQL_ERROR;
    if (!registry().mayGetData(statement, column)) return SQL_ERROR;
    return SQELTO_REAL(SQLGetData)(statement, column, targetType, target, size, indicator);
  });
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT targetType, SQLPOINTER target,
                             SQLLEN size, SQLLEN* indicator) {
  return guarded([&]() -> SQLRETURN {
    if (registry().failCall("SQLBindCol", SQL_HANDLE_STMT, statement)) return SQL_ERROR;
    SQLRETURN result = SQELTO_REAL(SQLBindCol)(statement, column, targetType, target, size, indicator);
    if (succeeded(result)) registry().columnBound(statement, column, target != nullptr);
    return result;
  });
}

}  // extern "C"
