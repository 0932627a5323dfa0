#include "connection_record.h"

#include <cstdlib>
#include <cstring>

#include "../frame/host_api.h"
#include "../frame/registration_records.h"
#include "../frame/trace.h"
#include "connection_hold.h"
#include "failure_shield.h"
#include "last_error.h"

namespace sqelto {

void InitConnectionRecord(ConnectionRecord *record) {
  record->timeout = 0;
  record->attribute = 0;
  record->scrollableCursor = 0;
  record->extendedSchema = 0;
  record->allowsBinds = 0;
  record->needsLongData = 0;
  OpenTrace(record);
}

void AddReference(ConnectionRecord *record) { ++record->refCount; }

void Release(ConnectionRecord *record) {
  if (--record->refCount > 0) return;
  // The engine's own close function, so that a connection closes the same
  // way whether the host asks for it or the last holder lets go.
  if (TavroCloseFn close = EngineRecord().close) close(record);
  std::free(record->lastErrorText);
  record->lastErrorText = nullptr;
  record->lastErrorCode = 0;
  // Nothing can write to this connection's trace any more.
  CloseTrace(record);
  FreeIfMoved(record);
}

ConnectionRecord *NewStandaloneRecord() {
  auto *record = static_cast<ConnectionRecord *>(std::calloc(1, sizeof(ConnectionRecord)));
  if (record == nullptr) return nullptr;
  record->refCount = 1;
  InitConnectionRecord(record);
  return record;
}

void DeleteStandaloneRecord(ConnectionRecord *record) { std::free(record); }

ConnectionRecord *RecordOfInstance(TavroObject instance) {
  // The host stored the offset of the instance data in the class record when
  // it registered the class.
  auto *base = reinterpret_cast<unsigned char *>(instance);
  return reinterpret_cast<ConnectionRecord *>(base + ODBCDatabaseClass().dataOffset);
}

void TAVRO_CALL ODBCDatabaseConstructor(TavroObject instance) {
  ConnectionRecord *record = RecordOfInstance(instance);
  ShieldedCall(record, [&] {
    AddReference(record);  // the host object's reference
    InitConnectionRecord(record);
    // The host's constructor call has no result to pass this on with: an
    // instance the host did not bind says so in its last error.
    if (host::ConstructDBDatabase(instance, record, &EngineRecord()) == 0)
      SetLastError(record, kOwnFailureCode, kNotBoundText);
  });
}

void TAVRO_CALL ODBCDatabaseDestructor(TavroObject instance) {
  // Cursors the host still has keep the connection: the record leaves the
  // instance, which the host frees after this call, before the host's
  // reference is dropped.
  ConnectionRecord *record = RecordOfInstance(instance);
  ShieldedCall(record, [&] { Release(OutliveHostInstance(record)); });
}

}  // namespace sqelto
