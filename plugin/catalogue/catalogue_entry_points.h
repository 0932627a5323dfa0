// The catalogue functions the host calls: engine words 3, 4 and 12 and the
// catalogue methods of ODBCDatabase. Each answers with an in-memory result
// set (a RecordSet or RowSet), or null with the connection's last error.
#pragma once

#include <cstdint>

#include <tavro/plugin_sdk.h>

namespace sqelto {

// Engine words.
TavroObject TAVRO_CALL ODBCGetTableSchema(TavroDatabase db);                     // 3
TavroObject TAVRO_CALL ODBCGetFieldSchema(TavroDatabase db, TavroString table);  // 4
TavroObject TAVRO_CALL ODBCGetIndexSchema(TavroDatabase db, TavroString table);  // 12

// ODBCDatabase methods; the first argument is the host database object.
TavroObject TAVRO_CALL ODBCPrimaryKeys(TavroObject database, TavroString table);
TavroObject TAVRO_CALL ODBCForeignKeys(TavroObject database, TavroString primaryTable, TavroString foreignTable);
TavroObject TAVRO_CALL ODBCSpecialColumns(TavroObject database, int32_t identifierType, TavroString table,
                                          int32_t scope, int32_t nullable);
TavroObject TAVRO_CALL ODBCTablePrivileges(TavroObject database, TavroString table);
TavroObject TAVRO_CALL ODBCColumnPrivileges(TavroObject database, TavroString table, TavroString column);
TavroObject TAVRO_CALL ODBCProcedures(TavroObject database);
TavroObject TAVRO_CALL ODBCProcedureColumns(TavroObject database, TavroString procedure);

// SQL type information: "GetSQLTypeInfo" hands a RecordSet, "DataTypeInfo" a RowSet.
TavroObject ODBCGetSQLTypeInfo(TavroObject database, int32_t dataType, bool rowSet);
TavroObject TAVRO_CALL ODBCGetSQLTypeInfoRecordSet(TavroObject database, int32_t dataType);
TavroObject TAVRO_CALL ODBCDataTypeInfoRowSet(TavroObject database, int32_t dataType);

// The data sources: "DataSourceNames" and "DriverNames" hand a RecordSet,
// "DataSources" and "Drivers" a RowSet of the same rows.
TavroObject ODBCDataSourceNames(TavroObject database, bool rowSet);
TavroObject TAVRO_CALL ODBCDataSourceNamesRecordSet(TavroObject database);
TavroObject TAVRO_CALL ODBCDataSourcesRowSet(TavroObject database);

}  // namespace sqelto
