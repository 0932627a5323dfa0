// The data types a data source supports: the methods GetSQLTypeInfo
// (RecordSet) and DataTypeInfo (RowSet) of ODBCDatabase.
#include "catalogue_entry_points.h"

#include "catalogue_query.h"
#include "frame/trace.h"
#include "odbc/failure_shield.h"

namespace sqelto {
namespace {

// The SQLGetTypeInfo result, column for column.
constexpr CatalogueColumn kTypeInfoColumns[] = {
    {"TypeName", 0},        {"DataType", 1},          {"ColumnSize", 2},         {"LiteralPrefix", 3},
    {"LiteralSuffix", 4},   {"CreateParams", 5},      {"Nullable", 6},           {"CaseSensitive", 7},
    {"Searchable", 8},      {"UnsignedAttribute", 9}, {"FixedPrecScale", 10},    {"AutoUniqueValue", 11},
    {"LocalTypeName", 12},  {"MinimumScale", 13},     {"MaximumScale", 14},      {"SQLDataType", 15},
    {"SQLDateTimeSub", 16}, {"NumPrecRadix", 17},     {"IntervalPrecision", 18},
};

}  // namespace

TavroObject ODBCGetSQLTypeInfo(TavroObject database, int32_t dataType, bool rowSet) {
  ConnectionRecord* record = RecordOfDatabase(database);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCGetSQLTypeInfo(", record, ", ", dataType, ")");
    if (!BeginQuestion(record, {})) return nullptr;
    // The driver takes the low 16 bits; SQL_ALL_TYPES (0) lists every type.
    const auto type = static_cast<SQLSMALLINT>(static_cast<uint16_t>(static_cast<uint32_t>(dataType) & 0xFFFF));
    auto call = [&](SQLHSTMT statement) { return SQLGetTypeInfoW(statement, type); };
    return HandCatalogueToHost(record, RunCatalogueQuery(record, "SQLGetTypeInfo", call, kTypeInfoColumns),
                               rowSet ? HostCursorKind::RowSet : HostCursorKind::RecordSet);
  });
}

TavroObject TAVRO_CALL ODBCGetSQLTypeInfoRecordSet(TavroObject database, int32_t dataType) {
  return ODBCGetSQLTypeInfo(database, dataType, false);
}

TavroObject TAVRO_CALL ODBCDataTypeInfoRowSet(TavroObject database, int32_t dataType) {
  return ODBCGetSQLTypeInfo(database, dataType, true);
}

}  // namespace sqelto
