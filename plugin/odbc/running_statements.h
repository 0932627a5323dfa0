// The statements executing right now, one per connection at most (the query
// guard sees to that), so that another thread can cancel one: SQLCancel is
// the one ODBC call made for use from a second thread while the first waits
// in the driver. The host API has no word for it; tools that link the
// plug-in's code (the SQL shell's Ctrl-C) call CancelRunningStatement.
#pragma once

#include <atomic>

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
  SQLHSTMT statement_;
};

// Prepared runs and fetches register only once a tool that can cancel (the
// SQL shell) asked for it: registering takes a lock twice a call, which a
// loop of prepared inserts or a long read would pay for every row with
// nobody ever cancelling. The check is one plain load, inline for the fetch.
namespace running_detail {
extern std::atomic<bool> cancelAllowed;
}
void AllowStatementCancel();
inline bool StatementCancelAllowed() { return running_detail::cancelAllowed.load(std::memory_order_relaxed); }

// SQLFetch / SQLFetchScroll registered as the record's running statement: a
// driver may do a query's work in a fetch (SQLite steps its statement there,
// so a COUNT over a large table runs in the first one).
SQLRETURN FetchRegistered(ConnectionRecord* record, SQLHSTMT statement);
SQLRETURN FetchScrollRegistered(ConnectionRecord* record, SQLHSTMT statement, SQLSMALLINT orientation);

// Asks the driver to cancel the statement running on the record; false when
// none runs. The statement cannot end meanwhile: its run waits for this call
// before it lets go of the statement.
bool CancelRunningStatement(ConnectionRecord* record);

}  // namespace sqelto
