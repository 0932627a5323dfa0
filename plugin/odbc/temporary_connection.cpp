#include "temporary_connection.h"

#include "../frame/host_api.h"
#include "connect.h"
#include "last_error.h"

namespace sqelto {

TemporaryConnection::TemporaryConnection(const ConnectionRecord* like) : record_(NewStandaloneRecord()) {
  if (record_ != nullptr) ODBCConnect(record_, like->connectionOut);
}

TemporaryConnection::~TemporaryConnection() {
  if (record_ == nullptr) return;
  Release(record_);  // the last reference: closes the connection
  // The names the driver reported at connect time: no host object holds
  // them as its properties here, so they are this record's to release.
  for (TavroString* name : {&record_->dbms, &record_->databaseName}) {
    if (*name != nullptr) host::UnlockString(*name);
    *name = nullptr;
  }
  DeleteStandaloneRecord(record_);
}

void TemporaryConnection::CopyLastErrorTo(ConnectionRecord* into) const {
  if (record_ == nullptr) return;
  SetLastError(into, record_->lastErrorCode, record_->lastErrorText);
}

}  // namespace sqelto
