// The data sources the ODBC driver manager knows, user ones first: the
// methods DataSourceNames / DataSources and their older twins DriverNames /
// Drivers, which answer with the same list. No connection is needed.
#include "catalogue_entry_points.h"

#include <cstring>
#include <string>
#include <vector>

#include "catalogue_query.h"
#include "frame/trace.h"
#include "odbc/failure_shield.h"
#include "odbc/connect.h"

namespace sqelto {
namespace {

constexpr SQLSMALLINT kNameBytes = 256;

// One phase of the listing: every data source of one kind, in the driver
// manager's order. Any answer but success (SQL_NO_DATA when there are none)
// ends the phase.
void AppendDataSources(SQLHENV environment, SQLUSMALLINT first, const char* type, InMemoryCursor& list) {
  SQLCHAR name[kNameBytes] = {};
  SQLCHAR description[kNameBytes] = {};
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT descriptionLength = 0;
  SQLUSMALLINT direction = first;
  // Names longer than the buffers arrive cut (with a warning) and stay cut.
  while (odbc::Succeeded(SQLDataSourcesA(environment, direction, name, kNameBytes, &nameLength, description, kNameBytes,
                                         &descriptionLength))) {
    name[kNameBytes - 1] = 0;
    description[kNameBytes - 1] = 0;
    list.AppendRow({{reinterpret_cast<const char*>(name)}, {reinterpret_cast<const char*>(description)}, {type}});
    direction = SQL_FETCH_NEXT;
  }
}

}  // namespace

TavroObject ODBCDataSourceNames(TavroObject database, bool rowSet) {
  auto* record = database != nullptr ? RecordOfDatabase(database) : nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    // The process-wide environment, made here as a connect makes it, when
    // this is the first ODBC call of the process.
    SQLHENV environment = OdbcEnvironment();
    if (environment == SQL_NULL_HENV) return nullptr;
    SQELTO_TRACE(record, "ENTER ODBCDataSourceNames(", record, ")");
    auto list = std::make_unique<InMemoryCursor>(std::vector<std::string>{"Name", "Description", "Type"});
    AppendDataSources(environment, SQL_FETCH_FIRST_USER, "User", *list);
    AppendDataSources(environment, SQL_FETCH_FIRST_SYSTEM, "System", *list);
    // The listing touches no last error, not even when the host refuses it.
    return HandCursorToHost(list.release(), rowSet ? HostCursorKind::RowSet : HostCursorKind::RecordSet);
  });
}

TavroObject TAVRO_CALL ODBCDataSourceNamesRecordSet(TavroObject database) {
  return ODBCDataSourceNames(database, false);
}

TavroObject TAVRO_CALL ODBCDataSourcesRowSet(TavroObject database) { return ODBCDataSourceNames(database, true); }

}  // namespace sqelto
