// ODBCDatabase.NextRowSet: moves the latest select's cursor to the next
// result set of its statement (a batch of several SELECTs, a procedure
// returning several results).
#pragma once

#include <tavro/plugin_sdk.h>

namespace sqelto {

// Methods "NextRecordset() as Boolean" and "NextRowSet() as Boolean". True
// when the cursor now shows the next result's columns and rows.
bool TAVRO_CALL ODBCNextRecordset(TavroObject database);

}  // namespace sqelto
