// Everything the plug-in registers with the host, as static records.
//
// Slots whose functions are not written yet stay 0; each is commented with the
// function that will fill it. Records are static and mutable: the host writes
// the instance data offset into word 4 of each class record, and the plug-in
// ORs flag 4 into word 20 just before registering a class.
#include "registration_records.h"

#include <cstddef>
#include <cstdint>

#include "../catalogue/catalogue_entry_points.h"
#include "../odbc/connect.h"
#include "../odbc/connection_attributes.h"
#include "../odbc/connection_record.h"
#include "../odbc/cursor_bridge.h"
#include "../odbc/driver_information.h"
#include "../odbc/execute.h"
#include "../odbc/last_error.h"
#include "../odbc/next_result_set.h"
#include "../odbc/record_insertion.h"
#include "../odbc/select.h"
#include "../odbc/transactions.h"
#include "../statement/prepare.h"
#include "../statement/prepared_statement_class.h"
#include "data_source_opener.h"
#include "engine_column_types.h"
#include "odbc_constant_table.h"

namespace sqelto {
namespace {

template <typename Fn>
void *FunctionWord(Fn fn) {
  return reinterpret_cast<void *>(fn);
}

// ---------------------------------------------------------------------------
// Cursor record: every operation forwards a cursor handle to the cursor
// object's virtual operation (the cursor bridge).
TavroCursorRecord g_cursorRecord = {
    .version = TAVRO_DB_RECORD_VERSION,
    .reserved1 = 0,
    .destroy = CursorDestroy,                // delete the cursor object, free the handle
    .columnCount = CursorColumnCount,        // ColumnCount
    .columnName = CursorColumnName,          // ColumnName
    .recordCount = CursorRecordCount,        // RecordCount
    .columnValue = CursorColumnValue,        // ColumnValue
    .reserved7 = 0,
    .nextRecord = CursorNextRecord,          // NextRecord
    .deleteRecord = CursorDeleteRecord,      // DeleteRecord
    .reserved10 = {0, 0},
    .updateRecord = CursorUpdateRecord,      // UpdateRecord
    .editRecord = CursorEditRecord,          // EditRecord
    .previousRecord = CursorPreviousRecord,  // PreviousRecord
    .firstRecord = CursorFirstRecord,        // FirstRecord
    .lastRecord = CursorLastRecord,          // LastRecord
    .columnType = CursorColumnType,          // ColumnType
    .reserved18 = {0, 0, 0},
};

// ---------------------------------------------------------------------------
// Engine record: the database operations the host's "Database" class calls
// with the connection record.
TavroEngineRecord g_engineRecord = {
    .version = TAVRO_DB_RECORD_VERSION,
    .flags = TAVRO_ENGINE_FLAGS,
    .close = ODBCCloseForHost,     // 2: ODBCCloseDatabase, and the end of an opened data source
    .tableSchema = ODBCGetTableSchema,  // 3
    .fieldSchema = ODBCGetFieldSchema,  // 4
    .select = ODBCPerformSelect,   // 5
    .execute = ODBCExecute,        // 6
    .reserved7 = 0,
    .addRecord = ODBCAddTableRecord,               // 8
    .selectWithParams = ODBCSelectWithParameters,  // 9
    .reserved10 = {0, 0},
    .indexSchema = ODBCGetIndexSchema,  // 12
    .lastErrorCode = ODBCLastErrorCode,      // 13
    .lastErrorString = ODBCLastErrorString,  // 14
    .commit = ODBCCommit,          // 15
    .rollback = ODBCRollback,      // 16
    .reserved17 = 0,
    .columnTypes = ODBCColumnTypes,  // 18
    .reserved19 = {0, 0, 0, 0, 0, 0},
    .prepare = ODBCPrepareStatement,                 // 25
    .executeWithParams = ODBCExecuteWithParameters,  // 26
    .reserved27 = 0,
};

// ---------------------------------------------------------------------------
// ODBCDatabase: a "Database" whose instance data is the connection record.

// A method or property that got a newer name stays registered under the old
// one, marked with the new name.
constexpr TavroAttribute kDeprecatedByDataSources[] = {{"Deprecated", "\"DataSources\""}};
constexpr TavroAttribute kDeprecatedByDrivers[] = {{"Deprecated", "\"Drivers\""}};
constexpr TavroAttribute kDeprecatedByConnectionInfo[] = {{"Deprecated", "\"ConnectionInfo\""}};
constexpr TavroAttribute kDeprecatedByConnectionAttribute[] = {{"Deprecated", "\"ConnectionAttribute\""}};
constexpr TavroAttribute kDeprecatedByNextRowSet[] = {{"Deprecated", "\"NextRowSet\""}};
constexpr TavroAttribute kDeprecatedByDataTypeInfo[] = {{"Deprecated", "\"DataTypeInfo\""}};
constexpr TavroAttribute kDeprecatedByIsExtendedSchema[] = {{"Deprecated", "\"IsExtendedSchema\""}};
constexpr TavroAttribute kDeprecatedByIsScrollableCursor[] = {{"Deprecated", "\"IsScrollableCursor\""}};

constexpr uintptr_t kNoAttributes = 0;
constexpr uintptr_t kOneAttribute = 1;

TavroMethodEntry g_databaseMethods[] = {
    {FunctionWord(&ODBCDatabaseConnect), 0, "Connect() as Boolean", TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    // The "driver" methods answer with the data-source list, as they always have.
    {FunctionWord(&ODBCDataSourceNamesRecordSet), 0, "DataSourceNames() as RecordSet", TAVRO_FLAG_ENTRY,
     kOneAttribute, kDeprecatedByDataSources},
    {FunctionWord(&ODBCDataSourcesRowSet), 0, "DataSources() as RowSet", TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&ODBCDataSourceNamesRecordSet), 0, "DriverNames() as RecordSet", TAVRO_FLAG_ENTRY, kOneAttribute,
     kDeprecatedByDrivers},
    {FunctionWord(&ODBCDataSourcesRowSet), 0, "Drivers() as RowSet", TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&ODBCGetInfo), 0, "GetInfo(infoType as integer) as Variant", TAVRO_FLAG_ENTRY, kOneAttribute,
     kDeprecatedByConnectionInfo},
    {FunctionWord(&ODBCGetConnectionAttribute), 0, "GetConnectionAttribute(infoType as Integer) as Variant", TAVRO_FLAG_ENTRY, kOneAttribute,
     kDeprecatedByConnectionAttribute},
    {FunctionWord(&ODBCSetConnectionAttribute), 0, "SetConnectionAttribute(infoType as Integer, value as Integer)", TAVRO_FLAG_ENTRY, kOneAttribute,
     kDeprecatedByConnectionAttribute},
    {FunctionWord(&ODBCGetConnectionAttribute), 0, "ConnectionAttribute(attributeID as Integer) as Variant",
     TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&ODBCSetConnectionAttribute), 0,
     "ConnectionAttribute(attributeID as Integer, Assigns value as Integer)", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    {FunctionWord(&ODBCPrimaryKeys), 0, "PrimaryKeys(table as String) as RecordSet", TAVRO_FLAG_ENTRY, kNoAttributes,
     nullptr},
    {FunctionWord(&ODBCForeignKeys), 0, "ForeignKeys(primaryTable as String, foreignTable as String) as RecordSet",
     TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&ODBCSpecialColumns), 0,
     "SpecialColumns(identifierType as Integer, table as String, scope as Integer, nullable as Integer) as RecordSet",
     TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&ODBCTablePrivileges), 0, "TablePrivileges(table as String) as RecordSet", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    {FunctionWord(&ODBCColumnPrivileges), 0, "ColumnPrivileges(table as String, column as String) as RecordSet",
     TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&ODBCProcedures), 0, "Procedures() as RecordSet", TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&ODBCProcedureColumns), 0, "ProcedureColumns(procedure as String) as RecordSet", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    {FunctionWord(&ODBCNextRecordset), 0, "NextRecordset() as Boolean", TAVRO_FLAG_ENTRY, kOneAttribute,
     kDeprecatedByNextRowSet},
    {FunctionWord(&ODBCNextRecordset), 0, "NextRowSet() as Boolean", TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&ODBCGetSQLTypeInfoRecordSet), 0, "GetSQLTypeInfo(dataType as Integer) as RecordSet",
     TAVRO_FLAG_ENTRY, kOneAttribute, kDeprecatedByDataTypeInfo},
    {FunctionWord(&ODBCDataTypeInfoRowSet), 0, "DataTypeInfo(value as Integer) as RowSet", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    {FunctionWord(&ODBCPrepare), 0, "Prepare(statement As String) as ODBCPreparedStatement", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
};
static_assert(std::size(g_databaseMethods) == 22);

// Read and written by the host directly in the connection record.
#define DIRECT_PROPERTY(name, type, field, attributeCount, attributes)                                           \
  TavroPropertyEntry {                                                                                           \
    0, name, type, TAVRO_FLAG_ENTRY, TAVRO_DIRECT_ACCESS, TAVRO_DIRECT_ACCESS, offsetof(ConnectionRecord, field), \
        0, 0, 0, attributeCount, attributes                                                                      \
  }

TavroPropertyEntry g_databaseProperties[] = {
    DIRECT_PROPERTY("Timeout", "Integer", timeout, kNoAttributes, nullptr),
    DIRECT_PROPERTY("ExtendedSchema", "Boolean", extendedSchema, kOneAttribute, kDeprecatedByIsExtendedSchema),
    DIRECT_PROPERTY("IsExtendedSchema", "Boolean", extendedSchema, kNoAttributes, nullptr),
    DIRECT_PROPERTY("Attribute", "Integer", attribute, kNoAttributes, nullptr),
    DIRECT_PROPERTY("AttributeString", "String", attributeString, kNoAttributes, nullptr),
    DIRECT_PROPERTY("DatabaseName", "String", databaseName, kNoAttributes, nullptr),
    DIRECT_PROPERTY("DataSource", "String", dataSource, kNoAttributes, nullptr),
    // Reported by the driver at connect time; host code cannot assign it.
    TavroPropertyEntry{0, "DBMS", "String", TAVRO_FLAG_ENTRY, TAVRO_DIRECT_ACCESS, nullptr,
                       offsetof(ConnectionRecord, dbms), 0, 0, 0, kNoAttributes, nullptr},
    DIRECT_PROPERTY("ScrollableCursor", "Boolean", scrollableCursor, kOneAttribute, kDeprecatedByIsScrollableCursor),
    DIRECT_PROPERTY("IsScrollableCursor", "Boolean", scrollableCursor, kNoAttributes, nullptr),
};
static_assert(std::size(g_databaseProperties) == 10);
#undef DIRECT_PROPERTY

TavroClassRecord g_databaseClass = {
    .version = TAVRO_HOST_VERSION,
    .name = "ODBCDatabase",
    .superclass = "Database",
    .dataSize = sizeof(ConnectionRecord),
    .dataOffset = 0,
    .constructor = FunctionWord(&ODBCDatabaseConstructor),
    .destructor = FunctionWord(&ODBCDatabaseDestructor),
    .properties = g_databaseProperties,
    .propertyCount = std::size(g_databaseProperties),
    .methods = g_databaseMethods,
    .methodCount = std::size(g_databaseMethods),
    .reserved11 = {0, 0, 0, 0},
    .interfaces = nullptr,
    .reserved16 = {0, 0},
    .constants = nullptr,
    .constantCount = 0,
    .flags = 0,
    .reserved21 = {0, 0, 0, 0, 0, 0, 0, 0},
};

// ---------------------------------------------------------------------------
// ODBCPreparedStatement: instance data is one pointer to the statement object.
// Every method locates the statement object and calls its operation.
TavroMethodEntry g_statementMethods[] = {
    {FunctionWord(&PreparedBindValue), 0, "Bind(zeroBasedIndex As Integer, param As Variant)", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    {FunctionWord(&PreparedBindValues), 0, "Bind(values() As Variant)", TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&PreparedBindValueWithType), 0, "Bind(zeroBasedIndex As Integer, param As Variant, type As Integer)",
     TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&PreparedBindType), 0, "BindType(zeroBasedIndex As Integer, type As Integer)", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    {FunctionWord(&PreparedBindTypes), 0, "BindType(types() As Integer)", TAVRO_FLAG_ENTRY, kNoAttributes, nullptr},
    {FunctionWord(&PreparedSQLSelect), 0, "SQLSelect(ParamArray params As Variant) As RecordSet", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    {FunctionWord(&PreparedSelectSQL), 0, "SelectSQL(ParamArray params As Variant) As RowSet", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    {FunctionWord(&PreparedSQLExecute), 0, "SQLExecute(ParamArray params As Variant)", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    {FunctionWord(&PreparedExecuteSQL), 0, "ExecuteSQL(ParamArray params As Variant)", TAVRO_FLAG_ENTRY,
     kNoAttributes, nullptr},
    // Declares the class constructible by host code; it has no function.
    {nullptr, 0, "Constructor", TAVRO_FLAG_CONSTRUCTOR, kNoAttributes, nullptr},
};
static_assert(std::size(g_statementMethods) == 10);

TavroConstantEntry g_statementConstants[] = {
    {"ODBC_TYPE_NULL = 0", 0, TAVRO_FLAG_ENTRY, 0, 0},        {"ODBC_TYPE_TINYINT = -6", 0, TAVRO_FLAG_ENTRY, 0, 0},
    {"ODBC_TYPE_SMALLINT = 5", 0, TAVRO_FLAG_ENTRY, 0, 0},    {"ODBC_TYPE_INTEGER = 4", 0, TAVRO_FLAG_ENTRY, 0, 0},
    {"ODBC_TYPE_BIGINT = -5", 0, TAVRO_FLAG_ENTRY, 0, 0},     {"ODBC_TYPE_FLOAT = 6", 0, TAVRO_FLAG_ENTRY, 0, 0},
    {"ODBC_TYPE_DOUBLE = 8", 0, TAVRO_FLAG_ENTRY, 0, 0},      {"ODBC_TYPE_DATE = 91", 0, TAVRO_FLAG_ENTRY, 0, 0},
    {"ODBC_TYPE_TIME = 92", 0, TAVRO_FLAG_ENTRY, 0, 0},       {"ODBC_TYPE_TIMESTAMP = 93", 0, TAVRO_FLAG_ENTRY, 0, 0},
    {"ODBC_TYPE_BINARY = -2", 0, TAVRO_FLAG_ENTRY, 0, 0},     {"ODBC_TYPE_STRING = 1", 0, TAVRO_FLAG_ENTRY, 0, 0},
    {"ODBC_TYPE_LONGSTRING = -1", 0, TAVRO_FLAG_ENTRY, 0, 0},
};
static_assert(std::size(g_statementConstants) == 13);

TavroClassRecord g_statementClass = {
    .version = TAVRO_HOST_VERSION,
    .name = "ODBCPreparedStatement",
    .superclass = nullptr,
    .dataSize = sizeof(void *),
    .dataOffset = 0,
    .constructor = nullptr,
    .destructor = FunctionWord(&ODBCPreparedStatementDestructor),
    .properties = nullptr,
    .propertyCount = 0,
    .methods = g_statementMethods,
    .methodCount = std::size(g_statementMethods),
    .reserved11 = {0, 0, 0, 0},
    .interfaces = "PreparedSQLStatement",
    .reserved16 = {0, 0},
    .constants = g_statementConstants,
    .constantCount = std::size(g_statementConstants),
    .flags = 0,
    .reserved21 = {0, 0, 0, 0, 0, 0, 0, 0},
};

}  // namespace

TavroCursorRecord &CursorRecord() { return g_cursorRecord; }
TavroEngineRecord &EngineRecord() { return g_engineRecord; }
TavroClassRecord &ODBCDatabaseClass() { return g_databaseClass; }
TavroClassRecord &ODBCPreparedStatementClass() { return g_statementClass; }

TavroModuleRecord &ODBCConstantModule() {
  static TavroModuleRecord module = [] {
    TavroModuleRecord record{};
    record.version = TAVRO_HOST_VERSION;
    record.name = "ODBCConstant";
    record.constants = OdbcConstantEntries().data();
    record.constantCount = OdbcConstantEntries().size();
    return record;
  }();
  return module;
}

}  // namespace sqelto
