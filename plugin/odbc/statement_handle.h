// A statement handle freed when it goes out of scope, unless it was handed
// on (to a cursor). Failures between allocating a statement and handing it
// on, thrown or returned, then never leave it behind.
#pragma once

#include "odbc_api.h"

namespace sqelto {

class StatementHandle {
public:
  StatementHandle() = default;
  ~StatementHandle() {
    if (handle_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle_);
  }
  StatementHandle(const StatementHandle&) = delete;
  StatementHandle& operator=(const StatementHandle&) = delete;

  // Allocates a statement on the connection; the ODBC result.
  SQLRETURN Allocate(SQLHDBC connection) { return SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle_); }
  SQLHSTMT get() const { return handle_; }
  // Hands the statement on; it is no longer freed here.
  SQLHSTMT release() {
    SQLHSTMT handle = handle_;
    handle_ = SQL_NULL_HSTMT;
    return handle;
  }

private:
  SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

}  // namespace sqelto
