#include "data_source_opener.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "../odbc/connect.h"
#include "../odbc/connection_hold.h"
#include "../odbc/connection_record.h"
#include "../odbc/failure_shield.h"
#include "host_api.h"
#include "registration_records.h"
#include "trace.h"

namespace sqelto {
namespace {

// Records the opener handed to the host, until the host gives them back.
std::mutex& OpenedMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<ConnectionRecord*>& Opened() {
  static std::vector<ConnectionRecord*> records;
  return records;
}

// Takes the record off the list; false when it was not on it. Looks at the
// pointer only: the record itself may be any connection record.
bool TakeOpened(ConnectionRecord* record) {
  std::lock_guard lock(OpenedMutex());
  auto& opened = Opened();
  const auto it = std::find(opened.begin(), opened.end(), record);
  if (it == opened.end()) return false;
  opened.erase(it);
  return true;
}

// The strings the connect stored in the record are the record's own here:
// no host instance holds them as properties.
void ReleaseRecordStrings(ConnectionRecord* record) {
  for (TavroString* slot : {&record->dbms, &record->databaseName}) {
    if (*slot != nullptr) host::UnlockString(*slot);
    *slot = nullptr;
  }
}

}  // namespace

StoredDataSource SplitStoredDataSource(const char* stored) {
  StoredDataSource fields;
  if (stored == nullptr) return fields;
  fields.name = stored;
  stored += fields.name.size() + 1;
  fields.user = stored;
  stored += fields.user.size() + 1;
  fields.password = stored;
  return fields;
}

TavroObject TAVRO_CALL ODBCOpenDataSource(const char* stored) {
  if (stored == nullptr) return nullptr;
  ConnectionRecord* record = NewStandaloneRecord();
  if (record == nullptr) return nullptr;
  TavroObject database = ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    const StoredDataSource fields = SplitStoredDataSource(stored);
    const std::string connectionString = DsnConnectionString(fields.name, fields.user, fields.password);
    // A string longer than the connection buffer (braces of quoted values
    // counted) is refused by the connect, not cut: a cut string could reach
    // another data source or drop the password.
    if (!ODBCConnect(record, connectionString.c_str())) return nullptr;
    return host::DatabaseFromDBDatabase(record, &EngineRecord());
  });
  if (database != nullptr) {
    // A failure here leaves the record to the process, never freed twice.
    ShieldedCall(nullptr, [&] {
      std::lock_guard lock(OpenedMutex());
      Opened().push_back(record);
      FreeAtLastRelease(record);
    });
    return database;
  }
  ShieldedCall(nullptr, [&] {
    if (record->lastErrorText != nullptr) Trace(record, "ODBC data source not opened: ", record->lastErrorText);
  });
  ReleaseRecordStrings(record);
  Release(record);  // closes what is open, frees the error text and the trace
  DeleteStandaloneRecord(record);
  return nullptr;
}

void TAVRO_CALL ODBCCloseForHost(TavroDatabase db) {
  auto* record = static_cast<ConnectionRecord*>(db);
  if (!TakeOpened(record)) {
    ODBCCloseDatabase(record);
    return;
  }
  ODBCCloseDatabase(record);
  ReleaseRecordStrings(record);
  // The host's reference; the last release (perhaps a cursor's) frees it.
  ShieldedCall(nullptr, [&] { Release(record); });
}

}  // namespace sqelto
