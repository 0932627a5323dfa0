// The statements executing right now, one per connection at most (the query
// guard sees to that), so that another thread can cancel one: SQLCancel is
// the one ODBC call made for use from a second thread while the first waits
// in the driver. The host API has no word for it; tools that link the
// plug-in's code (the SQL shell's Ctrl-C) call CancelRunningStatement.
#pragma once

#include "connection_record.h"
#include "odbc_api.h"

namespace sqelto {

// Registers the statement as running on the record for the lifetime of the
// object (around SQLExecDirectW).
class RunningStatement {
public:
  RunningStatement(ConnectionRecord* record, SQLHSTMT statement);
  ~RunningStatement();
  RunningStatement(const RunningStatement&) = delete;
  RunningStatement& operator=(const RunningStatement&) = delete;

private:
  ConnectionRecord* record_;
};

// Prepared runs register only once a tool that can cancel (the SQL shell)
// asked for it: registering takes a lock twice a run, which a loop of
// prepared inserts would pay for every row with nobody ever cancelling.
void AllowStatementCancel();
bool StatementCancelAllowed();

// Asks the driver to cancel the statement running on the record; false when
// none runs. The statement cannot end meanwhile: its run waits for this call
// before it lets go of the statement.
bool CancelRunningStatement(ConnectionRecord* record);

}  // namespace sqelto
