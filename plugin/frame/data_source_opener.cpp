#include "data_source_opener.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "../odbc/connect.h"
#include "../odbc/connection_record.h"
#include "host_api.h"
#include "registration_records.h"
#include "trace.h"

namespace sqelto {
namespace {

// Records handed to the host. The host closes them through the engine's
// close word (when its database object goes, or when its program closes
// the database, perhaps both), and may still read their last error after
// that, so they are kept for the life of the process.
std::mutex& OpenedMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<ConnectionRecord*>& Opened() {
  static std::vector<ConnectionRecord*> records;
  return records;
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
  const StoredDataSource fields = SplitStoredDataSource(stored);
  ConnectionRecord* record = NewStandaloneRecord();
  if (record == nullptr) return nullptr;
  const std::string connectionString =
      "DSN=" + fields.name + ";UID=" + fields.user + ";PWD=" + fields.password + ";";
  // A string longer than the connection buffer is refused by the connect,
  // not cut: a cut string could reach another data source or drop the
  // password.
  TavroObject database = nullptr;
  if (ODBCConnect(record, connectionString.c_str())) database = host::DatabaseFromDBDatabase(record, &EngineRecord());
  if (database == nullptr) {
    if (record->lastErrorText != nullptr) Trace(record, "ODBC data source not opened: ", record->lastErrorText);
    Release(record);  // closes what is open, frees the error text and the trace
    DeleteStandaloneRecord(record);
    return nullptr;
  }
  std::lock_guard lock(OpenedMutex());
  Opened().push_back(record);
  return database;
}

}  // namespace sqelto
