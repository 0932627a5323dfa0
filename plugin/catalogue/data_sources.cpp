// The data sources the ODBC driver manager knows, user ones first: the
// methods DataSourceNames / DataSources and their older twins DriverNames /
// Drivers, which answer with the same list. No connection is needed.
#include "catalogue_entry_points.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue_query.h"
#include "frame/trace.h"
#include "odbc/failure_shield.h"
#include "odbc/connect.h"

namespace sqelto {
namespace {

constexpr SQLSMALLINT kNameUnits = 256;

struct DataSource {
  std::string name, description;
};

// One SQLDataSources call, its texts as UTF-8. Names longer than the buffers
// arrive cut (with a warning) and stay cut.
#ifdef _WIN32
// The wide call: Windows' 8-bit one gives the ANSI code page, which cannot
// spell every name.
std::optional<DataSource> NextDataSource(SQLHENV environment, SQLUSMALLINT direction) {
  SQLWCHAR name[kNameUnits] = {};
  SQLWCHAR description[kNameUnits] = {};
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT descriptionLength = 0;
  if (!odbc::Succeeded(SQLDataSourcesW(environment, direction, name, kNameUnits, &nameLength, description, kNameUnits,
                                       &descriptionLength)))
    return std::nullopt;
  const auto utf8 = [](const SQLWCHAR* units) {
    const std::size_t count = odbc::Utf16Length(odbc::AsUnits(units), kNameUnits - 1);
    std::string text(odbc::Utf8LengthOf(odbc::AsUnits(units), count), '\0');
    text.resize(odbc::Utf16ToUtf8(odbc::AsUnits(units), count, text.data(), text.size()));
    return text;
  };
  return DataSource{utf8(name), utf8(description)};
}
#else
// unixODBC's 8-bit call gives the configuration's bytes as they are (UTF-8).
std::optional<DataSource> NextDataSource(SQLHENV environment, SQLUSMALLINT direction) {
  SQLCHAR name[kNameUnits] = {};
  SQLCHAR description[kNameUnits] = {};
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT descriptionLength = 0;
  if (!odbc::Succeeded(SQLDataSourcesA(environment, direction, name, kNameUnits, &nameLength, description, kNameUnits,
                                       &descriptionLength)))
    return std::nullopt;
  name[kNameUnits - 1] = 0;
  description[kNameUnits - 1] = 0;
  return DataSource{reinterpret_cast<const char*>(name), reinterpret_cast<const char*>(description)};
}
#endif

// One phase of the listing: every data source of one kind, in the driver
// manager's order. Any answer but success (SQL_NO_DATA when there are none)
// ends the phase.
void AppendDataSources(SQLHENV environment, SQLUSMALLINT first, const char* type, InMemoryCursor& list) {
  SQLUSMALLINT direction = first;
  while (std::optional<DataSource> source = NextDataSource(environment, direction)) {
    list.AppendRow({{std::move(source->name)}, {std::move(source->description)}, {type}});
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
