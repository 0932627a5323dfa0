// Running a statement that returns a result set (engine word 5).
#pragma once

#include "connection_record.h"
#include "cursor_bridge.h"
#include "host_text.h"

namespace sqelto {

inline constexpr const char* kHostRefusedCursorText = "The host could not take the result set.";

// One select call, packaged as the run object the trace log names.
class ODBCSelectThread {
public:
  ODBCSelectThread(ConnectionRecord* record, TavroString sql, HostCursorKind kind);
  ~ODBCSelectThread();
  ODBCSelectThread(const ODBCSelectThread&) = delete;
  ODBCSelectThread& operator=(const ODBCSelectThread&) = delete;
  void Run();
  TavroObject result() const { return result_; }

private:
  ConnectionRecord* record_;
  HostBytes text_;
  TavroObject result_ = nullptr;
  HostCursorKind kind_;
};

TavroObject TAVRO_CALL ODBCPerformSelect(TavroDatabase db, TavroString sql);

// The plain select handing its cursor over as a RowSet (the parameterless
// select with a parameter array).
TavroObject SelectAsRowSet(ConnectionRecord* record, TavroString sql);

}  // namespace sqelto
