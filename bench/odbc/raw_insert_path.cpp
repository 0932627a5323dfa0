// The baseline: prepare once, then per row convert the text to UTF-16, bind
// the five values (the same C and SQL types the plug-in binds) and execute.
#include <chrono>

#include "insert_path.hpp"
#include "insert_rows.hpp"
#include "odbc_session.hpp"
#include "utf_conversion.hpp"

namespace odbc_bench {
namespace {

class RawOdbcInsertPath final : public InsertPath {
public:
  std::string name() const override { return "raw-odbc"; }

  double insertAll(const std::string& connectionString, int rows) override {
    Connection connection(connectionString);
    if (!succeeded(SQLSetConnectAttr(connection.get(), SQL_ATTR_AUTOCOMMIT,
                                     reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER)))
      throwDiagnostic("autocommit off", SQL_HANDLE_DBC, connection.get());
    Statement insert(connection.get());
    std::u16string sql = utf8ToUtf16("INSERT INTO insert_rows VALUES (?, ?, ?, ?, ?)");
    if (!succeeded(SQLPrepareW(insert.get(), reinterpret_cast<SQLWCHAR*>(sql.data()), SQLINTEGER(sql.size()))))
      insert.fail("prepare");

    // Each row is made, then timed while it is bound and executed.
    std::chrono::steady_clock::duration spent{};
    for (int i = 1; i <= rows; ++i) {
      const InsertRow row = insertRow(i);
      const auto start = std::chrono::steady_clock::now();
      insertTimedRow(insert, row);
      spent += std::chrono::steady_clock::now() - start;
    }
    const auto start = std::chrono::steady_clock::now();
    if (!succeeded(SQLEndTran(SQL_HANDLE_DBC, connection.get(), SQL_COMMIT)))
      throwDiagnostic("commit", SQL_HANDLE_DBC, connection.get());
    spent += std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double>(spent).count();
  }

private:
  [[gnu::noinline]] void insertTimedRow(Statement& insert, const InsertRow& row) {
    SQLHSTMT stmt = insert.get();
    id_ = row.id;
    amount_ = row.amount;
    created_ = {static_cast<SQLSMALLINT>(row.year), static_cast<SQLUSMALLINT>(row.month),
                static_cast<SQLUSMALLINT>(row.day), static_cast<SQLUSMALLINT>(row.hour),
                static_cast<SQLUSMALLINT>(row.minute), static_cast<SQLUSMALLINT>(row.second), 0};
    name_ = utf8ToUtf16(row.name);
    note_ = utf8ToUtf16(row.note);
    indicators_[0] = indicators_[2] = indicators_[3] = 0;
    indicators_[1] = SQLLEN(name_.size() * 2);
    indicators_[4] = SQLLEN(note_.size() * 2);
    const bool bound =
        succeeded(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 4, 0, &id_, 0, &indicators_[0])) &&
        succeeded(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, name_.size(), 0, name_.data(),
                                   indicators_[1], &indicators_[1])) &&
        succeeded(SQLBindParameter(stmt, 3, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 8, 0, &amount_, 0,
                                   &indicators_[2])) &&
        succeeded(SQLBindParameter(stmt, 4, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19, 0, &created_,
                                   0, &indicators_[3])) &&
        succeeded(SQLBindParameter(stmt, 5, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, note_.size(), 0, note_.data(),
                                   indicators_[4], &indicators_[4]));
    if (!bound) insert.fail("bind");
    const SQLRETURN rc = SQLExecute(stmt);
    if (!succeeded(rc)) insert.fail("execute row " + std::to_string(row.id));
  }

  SQLINTEGER id_ = 0;
  double amount_ = 0;
  SQL_TIMESTAMP_STRUCT created_{};
  std::u16string name_, note_;
  SQLLEN indicators_[5] = {};
};

}  // namespace

std::unique_ptr<InsertPath> rawOdbcInsertPath() { return std::make_unique<RawOdbcInsertPath>(); }

}  // namespace odbc_bench
