// ODBCPreparedStatement as the host sees it: its instance data is one
// pointer to the statement object, and every method finds the statement
// there and calls its operation.
#pragma once

#include <cstdint>

#include <tavro/plugin_sdk.h>

namespace sqelto {

class ODBCStatement;

// Wraps the statement in a new host ODBCPreparedStatement, which owns it
// from then on. When the host cannot make the instance, the statement is
// deleted and null returned.
TavroObject NewPreparedStatementObject(ODBCStatement* statement);

// The statement of an instance (null for one not made by Prepare).
ODBCStatement* StatementOfInstance(TavroObject instance);

// Methods, in the order of the class record.
void TAVRO_CALL PreparedBindValue(TavroObject self, int32_t position, TavroObject value);
void TAVRO_CALL PreparedBindValues(TavroObject self, TavroArray values);
void TAVRO_CALL PreparedBindValueWithType(TavroObject self, int32_t position, TavroObject value, int32_t type);
void TAVRO_CALL PreparedBindType(TavroObject self, int32_t position, int32_t type);
void TAVRO_CALL PreparedBindTypes(TavroObject self, TavroArray types);
TavroObject TAVRO_CALL PreparedSQLSelect(TavroObject self, TavroArray parameters);
TavroObject TAVRO_CALL PreparedSelectSQL(TavroObject self, TavroArray parameters);
void TAVRO_CALL PreparedSQLExecute(TavroObject self, TavroArray parameters);
void TAVRO_CALL PreparedExecuteSQL(TavroObject self, TavroArray parameters);

// The class's destructor: deletes the statement.
void TAVRO_CALL ODBCPreparedStatementDestructor(TavroObject self);

}  // namespace sqelto
