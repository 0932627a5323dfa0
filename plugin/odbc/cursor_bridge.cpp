#include "cursor_bridge.h"

#include <exception>
#include <new>

#include "../frame/host_api.h"
#include "../frame/hot_path.h"
#include "../frame/registration_records.h"
#include "failure_shield.h"

namespace sqelto {
namespace {

QxCursor* CursorOf(TavroCursorHandle* handle) {
  return handle != nullptr ? static_cast<QxCursor*>(handle->cursor) : nullptr;
}

// Runs one cursor operation for the host: with an empty handle it answers
// `empty` and calls nothing; whatever the operation throws is reported
// through the cursor and answered with `empty` as well.
template <class R, class F>
R ForCursor(TavroCursorHandle* handle, R empty, F&& operation) noexcept {
  QxCursor* cursor = CursorOf(handle);
  if (cursor == nullptr) return empty;
  try {
    return operation(*cursor);
  } catch (const std::bad_alloc&) {
    cursor->RecordFailure(kOutOfMemoryText);
  } catch (const std::exception& e) {
    cursor->RecordFailure(e.what());
  } catch (...) {
    cursor->RecordFailure(kUnexpectedFailureText);
  }
  return empty;
}

template <class F>
void ForCursor(TavroCursorHandle* handle, F&& operation) noexcept {
  ForCursor(handle, 0, [&](QxCursor& cursor) {
    operation(cursor);
    return 0;
  });
}

}  // namespace

void TAVRO_CALL CursorDestroy(TavroCursorHandle* handle) {
  if (handle == nullptr) return;
  delete CursorOf(handle);  // destructors do not throw
  delete handle;
}

int32_t TAVRO_CALL CursorColumnCount(TavroCursorHandle* handle) {
  return ForCursor(handle, int32_t{0}, [](QxCursor& c) { return c.ColumnCount(); });
}

TavroString TAVRO_CALL CursorColumnName(TavroCursorHandle* handle, int32_t column) {
  return ForCursor(handle, TavroString{nullptr}, [&](QxCursor& c) { return c.ColumnName(column); });
}

int32_t TAVRO_CALL CursorRecordCount(TavroCursorHandle* handle) {
  return ForCursor(handle, int32_t{0}, [](QxCursor& c) { return c.RecordCount(); });
}

SQELTO_HOT void TAVRO_CALL CursorColumnValue(TavroCursorHandle* handle, int32_t column, void** value,
                                             uint8_t* type, int32_t* length) {
  ForCursor(handle, [&](QxCursor& c) { c.ColumnValue(column, value, type, length); });
}

SQELTO_HOT bool TAVRO_CALL CursorNextRecord(TavroCursorHandle* handle) {
  return ForCursor(handle, false, [](QxCursor& c) { return c.NextRecord(); });
}

void TAVRO_CALL CursorDeleteRecord(TavroCursorHandle* handle) {
  ForCursor(handle, [](QxCursor& c) { c.DeleteRecord(); });
}

void TAVRO_CALL CursorUpdateRecord(TavroCursorHandle* handle, TavroUpdateField* fields) {
  ForCursor(handle, [&](QxCursor& c) { c.UpdateRecord(fields); });
}

void TAVRO_CALL CursorEditRecord(TavroCursorHandle* handle) {
  ForCursor(handle, [](QxCursor& c) { c.EditRecord(); });
}

void TAVRO_CALL CursorPreviousRecord(TavroCursorHandle* handle) {
  ForCursor(handle, [](QxCursor& c) { c.PreviousRecord(); });
}

void TAVRO_CALL CursorFirstRecord(TavroCursorHandle* handle) {
  ForCursor(handle, [](QxCursor& c) { c.FirstRecord(); });
}

void TAVRO_CALL CursorLastRecord(TavroCursorHandle* handle) {
  ForCursor(handle, [](QxCursor& c) { c.LastRecord(); });
}

int32_t TAVRO_CALL CursorColumnType(TavroCursorHandle* handle, int32_t column) {
  return ForCursor(handle, int32_t{0}, [&](QxCursor& c) { return c.ColumnType(column); });
}

TavroObject HandCursorToHost(QxCursor* cursor, HostCursorKind kind) {
  auto* handle = new (std::nothrow) TavroCursorHandle{cursor, 0};
  if (handle == nullptr) {
    delete cursor;
    throw std::bad_alloc();
  }
  TavroObject wrapped = kind == HostCursorKind::RowSet ? host::NewRowSetFromDBCursor(handle, &CursorRecord())
                                                       : host::CursorFromDBCursor(handle, &CursorRecord());
  if (wrapped == nullptr) CursorDestroy(handle);  // nobody else will ever destroy them
  return wrapped;
}

}  // namespace sqelto
