// The cursor over a prepared statement's result. Drivers may read the bound
// parameters while rows are fetched (SQLite's, when it streams rows), so
// the cursor keeps the run's parameter buffers for as long as it keeps the
// statement handle: they go when the cursor goes, whatever happened to the
// prepared statement meanwhile.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "../odbc/odbc_cursor.h"
#include "parameter_binding.h"

namespace sqelto {

struct ParameterBuffersOfCursor {
  std::vector<ParameterBuffer> buffers;
};

// The buffers are a base listed before the cursor, so they are destroyed
// after it has released the statement handle.
class PreparedCursor final : private ParameterBuffersOfCursor, public ODBCCursor {
public:
  PreparedCursor(ConnectionRecord* connection, SQLHSTMT statement, std::string sqlText,
                 std::vector<ParameterBuffer> parameterBuffers)
      : ParameterBuffersOfCursor{std::move(parameterBuffers)},
        ODBCCursor(connection, statement, std::move(sqlText)) {}
};

}  // namespace sqelto
