// The abstract cursor behind the host's cursor record. The record's functions
// reach a cursor through a handle and call these operations; the order of the
// virtual operations is the order the record's words refer to. A derived
// cursor replaces the operations it supports; the others answer as below.
#pragma once

#include <cstdint>

#include <tavro/plugin_sdk.h>

namespace sqelto {

class QxCursor {
public:
  virtual ~QxCursor() = default;
  virtual int32_t RecordCount() { return 0; }
  virtual int32_t ColumnCount() { return 0; }
  // A new host string owned by the caller, or null.
  virtual TavroString ColumnName(int32_t /*column*/) { return nullptr; }
  virtual int32_t ColumnType(int32_t /*column*/) { return 0; }
  virtual bool NextRecord() { return false; }
  virtual void PreviousRecord() {}
  virtual void FirstRecord() {}
  virtual void LastRecord() {}
  virtual void EditRecord() {}
  virtual void DeleteRecord() {}
  // Leaves the outs untouched unless a derived cursor fills them.
  virtual void ColumnValue(int32_t /*column*/, void** /*value*/, uint8_t* /*type*/, int32_t* /*length*/) {}
  virtual void UpdateRecord(TavroUpdateField* /*fields*/) {}
  virtual bool FieldKey(int32_t, int32_t, int32_t, int32_t, int32_t) { return false; }
  // Not an operation of the cursor record: where the cursor bridge reports
  // a failure inside one of the operations above (the connection's last
  // error for a cursor that has one).
  virtual void RecordFailure(const char* /*text*/) noexcept {}

protected:
  QxCursor() = default;
  QxCursor(const QxCursor&) = default;
  QxCursor& operator=(const QxCursor&) = default;
};

}  // namespace sqelto
