// Committing and rolling back the connection's transaction (engine words 15
// and 16). The auto-commit mode is the driver's unless a host program turns
// it off with SetConnectionAttribute(SQL_AUTOCOMMIT, 0).
#pragma once

#include <tavro/plugin_sdk.h>

namespace sqelto {

void TAVRO_CALL ODBCCommit(TavroDatabase db);
void TAVRO_CALL ODBCRollback(TavroDatabase db);

}  // namespace sqelto
