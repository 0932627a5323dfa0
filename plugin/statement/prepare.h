// Preparing statements (ODBCDatabase.Prepare and engine word 25) and running
// SQL with a parameter array (engine words 9 and 26).
#pragma once

#include <tavro/plugin_sdk.h>

#include "../odbc/connection_record.h"

namespace sqelto {

// A new host ODBCPreparedStatement for the SQL on the connection, or null
// when the host could not make one.
TavroObject CreatePreparedStatement(ConnectionRecord* record, TavroString sql);

// Method "Prepare(statement As String) as ODBCPreparedStatement".
TavroObject TAVRO_CALL ODBCPrepare(TavroObject database, TavroString sql);

// Engine word 25: the same without a trace line or error text; null when
// not connected.
TavroObject TAVRO_CALL ODBCPrepareStatement(TavroDatabase db, TavroString sql);

// Engine word 9: a select returning a RowSet. Without parameters (a null
// array or an empty one) it is the plain select; otherwise the statement is
// prepared, the array bound with types derived from its values, and run.
TavroObject TAVRO_CALL ODBCSelectWithParameters(TavroDatabase db, TavroString sql, TavroArray parameters);

// Engine word 26: the same for a statement without result.
void TAVRO_CALL ODBCExecuteWithParameters(TavroDatabase db, TavroString sql, TavroArray parameters);

}  // namespace sqelto
