#include "next_result_set.h"

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "connection_record.h"
#include "failure_shield.h"
#include "last_error.h"
#include "odbc_cursor.h"

namespace sqelto {

bool TAVRO_CALL ODBCNextRecordset(TavroObject database) {
  auto* record = static_cast<ConnectionRecord*>(host::GetDBFromDatabase(database));
  if (record == nullptr) return false;
  return ShieldedCall(record, false, [&] {
    SQELTO_TRACE(record, "ENTER ODBCNextRecordset(", record, ")");
    if (!IsConnected(record)) {
      SetLastError(record, kNotConnectedCode, kNotConnectedText);
      return false;
    }
    ClearLastError(record);
    // A destroyed cursor takes itself out of the record, so this one is
    // alive; its statement is gone when its connection was closed since.
    ODBCCursor* cursor = record->currentCursor;
    return cursor != nullptr && cursor->NextResultSet();
  });
}

}  // namespace sqelto
