// Engine word 3: the tables of the data source.
#include "catalogue_entry_points.h"

#include <iterator>
#include <vector>

#include "catalogue_query.h"
#include "frame/trace.h"
#include "odbc/failure_shield.h"

namespace sqelto {
namespace {

// What the "ExtendedSchema" flag lists besides plain tables.
constexpr char16_t kPlainTableTypes[] = u"'TABLE'";
constexpr char16_t kExtendedTableTypes[] =
    u"'TABLE','VIEW','SYSTEM TABLE','GLOBAL TEMPORARY','LOCAL TEMPORARY','ALIAS','SYNONYM'";

constexpr CatalogueColumn kTableColumns[] = {
    {"TableName", 2}, {"TableType", 3}, {"Remarks", 4}, {"TableCatalog", 0}, {"TableSchema", 1},
};
constexpr std::size_t kPlainTableColumns = 1;

static_assert(std::size(kPlainTableTypes) - 1 == 7 && std::size(kExtendedTableTypes) - 1 == 84);

// The list as the UTF-16 units ODBC takes, with its length (no terminator).
template <std::size_t N>
std::vector<odbc::Utf16Unit> Units(const char16_t (&text)[N]) {
  return std::vector<odbc::Utf16Unit>(text, text + N);
}

}  // namespace

TavroObject TAVRO_CALL ODBCGetTableSchema(TavroDatabase db) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCGetTableSchema(", record, ")");
    if (!BeginQuestion(record, {})) return nullptr;
    const bool extended = record->extendedSchema != 0;
    std::vector<odbc::Utf16Unit> types = extended ? Units(kExtendedTableTypes) : Units(kPlainTableTypes);
    const auto typesLength = static_cast<SQLSMALLINT>(types.size() - 1);
    auto call = [&](SQLHSTMT statement) {
      return SQLTablesW(statement, nullptr, 0, nullptr, 0, nullptr, 0, odbc::AsSqlWide(types.data()), typesLength);
    };
    return HandCatalogueToHost(
        record, RunCatalogueQuery(record, "SQLTables", call, SchemaColumns(record, kTableColumns, kPlainTableColumns)),
        HostCursorKind::RecordSet);
  });
}

}  // namespace sqelto
