// What an execute-only run of a prepared statement leaves behind, so that
// the next run on the same handle starts clean: a statement whose runs
// leave nothing open needs no close between runs (the close costs a tenth
// of a short insert on SQLite), one with a result does.
#pragma once

#include <string_view>

#include "../odbc/odbc_api.h"

namespace sqelto {

// True when the text calls a procedure or runs a block: what such a
// statement gives back can change from run to run (a procedure may give a
// result only now and then), so its runs are always closed.
bool ResultsMayVary(std::string_view sql);

// Right after a successful execution: true when the run left nothing open,
// no result columns and no further result. Asking moves the statement past
// its last result; on false the caller closes it.
bool LeftNothingOpen(SQLHSTMT statement);

// After a failed execution: the driver refused because a result of an
// earlier run is still open (SQLSTATE 24000); nothing was executed.
bool RefusedForOpenResult(SQLHSTMT statement);

}  // namespace sqelto
