#include "cursor_bridge.h"

#include "../frame/host_api.h"
#include "../frame/registration_records.h"

namespace sqelto {
namespace {

QxCursor* CursorOf(TavroCursorHandle* handle) {
  return handle != nullptr ? static_cast<QxCursor*>(handle->cursor) : nullptr;
}

}  // namespace

void TAVRO_CALL CursorDestroy(TavroCursorHandle* handle) {
  if (handle == nullptr) return;
  delete CursorOf(handle);
  delete handle;
}

int32_t TAVRO_CALL CursorColumnCount(TavroCursorHandle* handle) {
  QxCursor* cursor = CursorOf(handle);
  return cursor != nullptr ? cursor->ColumnCount() : 0;
}

TavroString TAVRO_CALL CursorColumnName(TavroCursorHandle* handle, int32_t column) {
  QxCursor* cursor = CursorOf(handle);
  return cursor != nullptr ? cursor->ColumnName(column) : nullptr;
}

int32_t TAVRO_CALL CursorRecordCount(TavroCursorHandle* handle) {
  QxCursor* cursor = CursorOf(handle);
  return cursor != nullptr ? cursor->RecordCount() : 0;
}

void TAVRO_CALL CursorColumnValue(TavroCursorHandle* handle, int32_t column, void** value, uint8_t* type,
                                  int32_t* length) {
  if (QxCursor* cursor = CursorOf(handle)) cursor->ColumnValue(column, value, type, length);
}

bool TAVRO_CALL CursorNextRecord(TavroCursorHandle* handle) {
  QxCursor* cursor = CursorOf(handle);
  return cursor != nullptr && cursor->NextRecord();
}

void TAVRO_CALL CursorDeleteRecord(TavroCursorHandle* handle) {
  if (QxCursor* cursor = CursorOf(handle)) cursor->DeleteRecord();
}

void TAVRO_CALL CursorUpdateRecord(TavroCursorHandle* handle, TavroUpdateField* fields) {
  if (QxCursor* cursor = CursorOf(handle)) cursor->UpdateRecord(fields);
}

void TAVRO_CALL CursorEditRecord(TavroCursorHandle* handle) {
  if (QxCursor* cursor = CursorOf(handle)) cursor->EditRecord();
}

void TAVRO_CALL CursorPreviousRecord(TavroCursorHandle* handle) {
  if (QxCursor* cursor = CursorOf(handle)) cursor->PreviousRecord();
}

void TAVRO_CALL CursorFirstRecord(TavroCursorHandle* handle) {
  if (QxCursor* cursor = CursorOf(handle)) cursor->FirstRecord();
}

void TAVRO_CALL CursorLastRecord(TavroCursorHandle* handle) {
  if (QxCursor* cursor = CursorOf(handle)) cursor->LastRecord();
}

int32_t TAVRO_CALL CursorColumnType(TavroCursorHandle* handle, int32_t column) {
  QxCursor* cursor = CursorOf(handle);
  return cursor != nullptr ? cursor->ColumnType(column) : 0;
}

TavroObject HandCursorToHost(QxCursor* cursor, HostCursorKind kind) {
  auto* handle = new TavroCursorHandle{cursor, 0};
  TavroObject wrapped = kind == HostCursorKind::RowSet ? host::NewRowSetFromDBCursor(handle, &CursorRecord())
                                                       : host::CursorFromDBCursor(handle, &CursorRecord());
  if (wrapped == nullptr) CursorDestroy(handle);  // nobody else will ever destroy them
  return wrapped;
}

}  // namespace sqelto
