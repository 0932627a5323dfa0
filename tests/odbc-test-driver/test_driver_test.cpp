// The test driver through the real driver manager, with raw ODBC calls as
// the plug-in makes them: each keyword does what it says, the rest of the
// string still reaches SQLite, and connections keep their own settings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "odbc_test_support.hpp"

namespace {

using odbc_env::Connection;
using odbc_env::Handle;
using odbc_env::requiredEnvironment;
using odbc_env::succeeded;

struct Record {
  SQLRETURN result = SQL_ERROR;
  std::string sqlState;
  SQLINTEGER nativeError = 0;
  std::string message;
};

// The first diagnostic record as the application reads it from the driver manager.
Record firstRecord(SQLSMALLINT handleType, SQLHANDLE handle) {
  SQLCHAR state[6] = {};
  SQLCHAR message[512] = {};
  Record record;
  SQLSMALLINT length = 0;
  record.result = SQLGetDiagRec(handleType, handle, 1, state, &record.nativeError, message, sizeof message, &length);
  record.sqlState = reinterpret_cast<char*>(state);
  record.message = reinterpret_cast<char*>(message);
  return record;
}

void expectInjected(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& what) {
  Record record = firstRecord(handleType, handle);
  ASSERT_EQ(record.result, SQL_SUCCESS);
  EXPECT_EQ(record.sqlState, "HY000");
  EXPECT_EQ(record.nativeError, 4711);
  EXPECT_NE(record.message.find("[Sqelto Test Driver]Injected failure of " + what), std::string::npos)
      << record.message;
}

SQLRETURN execDirect(SQLHSTMT statement, const std::string& sql) {
  return SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
}

SQLUINTEGER infoInteger(const Connection& connection, SQLUSMALLINT infoType) {
  SQLUINTEGER value = 0;
  EXPECT_TRUE(succeeded(SQLGetInfo(connection.get(), infoType, &value, sizeof value, nullptr)));
  return value;
}

SQLUSMALLINT infoSmallInteger(const Connection& connection, SQLUSMALLINT infoType) {
  SQLUSMALLINT value = 99;
  EXPECT_TRUE(succeeded(SQLGetInfo(connection.get(), infoType, &value, sizeof value, nullptr)));
  return value;
}

int fetchAll(SQLHSTMT statement) {
  int rows = 0;
  while (succeeded(SQLFetch(statement))) ++rows;
  return rows;
}

// Each test has its own SQLite file with table numbers(n, note): five rows,
// made through the SQLite3 driver itself.
class TestDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = requiredEnvironment("SQELTO_ODBC_DIR") + "/test-driver-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + std::to_string(getpid()) +
            ".sqlite3";
    unlink(file_.c_str());
    Connection sqlite("Driver=SQLite3;Database=" + file_ + ";");
    sqlite.execute(u"CREATE TABLE numbers (n INTEGER, note TEXT)");
    sqlite.execute(u"INSERT INTO numbers VALUES (1, 'one'), (2, 'two'), (3, 'three'), (4, 'four'), (5, 'five')");
  }
  void TearDown() override { unlink(file_.c_str()); }

  std::string connectionString(const std::string& keywords) const {
    return "Driver={" + requiredEnvironment("SQELTO_TEST_DRIVER") + "};Database=" + file_ + ";" + keywords;
  }

  std::string file_;
};

TEST_F(TestDriver, WithoutKeywordsItAnswersAsSqlite) {
  Connection connection(connectionString(""));
  EXPECT_EQ(connection.infoString(SQL_DBMS_NAME), "SQLite");
  EXPECT_EQ(infoSmallInteger(connection, SQL_MAX_CONCURRENT_ACTIVITIES), 0);
  EXPECT_EQ(infoInteger(connection, SQL_GETDATA_EXTENSIONS) & SQL_GD_ANY_COLUMN, SQLUINTEGER(SQL_GD_ANY_COLUMN));
  EXPECT_EQ(connection.infoString(SQL_NEED_LONG_DATA_LEN), "Y");

  // Wide calls are converted by the driver manager as for SQLite3 itself.
  connection.execute(u"INSERT INTO numbers VALUES (6, 'Grüße ✓')");
  Handle statement(SQL_HANDLE_STMT, connection.get());
  std::u16string query = u"SELECT note FROM numbers WHERE n = 6";
  ASSERT_TRUE(succeeded(SQLExecDirectW(statement.get(), odbc_env::wide(query), SQL_NTS))) << statement.diagnostic();
  ASSERT_TRUE(succeeded(SQLFetch(statement.get())));
  SQLWCHAR note[32] = {};
  SQLLEN indicator = 0;
  ASSERT_TRUE(succeeded(SQLGetData(statement.get(), 1, SQL_C_WCHAR, note, sizeof note, &indicator)));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(note)), u"Grüße ✓");
}

TEST_F(TestDriver, InfoKeywordsChangeTheAnswersAndLeaveSqliteWorking) {
  Connection connection(connectionString("TestMaxActivities=1;TestNoGetDataAnyColumn=1;TestNeedLongDataLen=N"));
  EXPECT_EQ(infoSmallInteger(connection, SQL_MAX_CONCURRENT_ACTIVITIES), 1);
  SQLUINTEGER extensions = infoInteger(connection, SQL_GETDATA_EXTENSIONS);
  EXPECT_EQ(extensions & SQL_GD_ANY_COLUMN, 0u);
  EXPECT_EQ(extensions & SQL_GD_ANY_ORDER, SQLUINTEGER(SQL_GD_ANY_ORDER)) << "only ANY_COLUMN is taken away";
  EXPECT_EQ(connection.infoString(SQL_NEED_LONG_DATA_LEN), "N");

  Handle statement(SQL_HANDLE_STMT, connection.get());
  ASSERT_TRUE(succeeded(execDirect(statement.get(), "SELECT n FROM numbers"))) << statement.diagnostic();
  EXPECT_EQ(fetchAll(statement.get()), 5);
}

TEST_F(TestDriver, AMisspeltKeywordFailsTheConnect) {
  try {
    Connection connection(connectionString("TestFetchFailAftr=3"));
    ADD_FAILURE() << "connected";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("unknown keyword TestFetchFailAftr"), std::string::npos) << error.what();
  }
}

TEST_F(TestDriver, FetchFailsAfterNRowsUntilTheNextResult) {
  Connection connection(connectionString("TestFetchFailAfter=3"));
  Handle statement(SQL_HANDLE_STMT, connection.get());
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    ASSERT_TRUE(succeeded(execDirect(statement.get(), "SELECT n FROM numbers ORDER BY n")));
    for (int row = 1; row <= 3; ++row) {
      // SQLFetchScroll counts as SQLFetch does.
      ASSERT_EQ(row == 2 ? SQLFetchScroll(statement.get(), SQL_FETCH_NEXT, 0) : SQLFetch(statement.get()), SQL_SUCCESS);
      SQLINTEGER n = 0;
      SQLGetData(statement.get(), 1, SQL_C_SLONG, &n, 0, nullptr);
      EXPECT_EQ(n, row);
    }
    EXPECT_EQ(SQLFetch(statement.get()), SQL_ERROR);
    expectInjected(SQL_HANDLE_STMT, statement.get(), "SQLFetch after 3 rows");
    EXPECT_EQ(SQLFetchScroll(statement.get(), SQL_FETCH_NEXT, 0), SQL_ERROR);
    expectInjected(SQL_HANDLE_STMT, statement.get(), "SQLFetchScroll after 3 rows");
    ASSERT_TRUE(succeeded(SQLCloseCursor(statement.get())));
  }
}

TEST_F(TestDriver, TheInjectedDiagnosticCanBeChosen) {
  Connection connection(connectionString("TestFail=SQLExecDirect;TestSqlState=08S01;TestNativeError=-77"));
  Handle statement(SQL_HANDLE_STMT, connection.get());
  EXPECT_EQ(execDirect(statement.get(), "SELECT 1"), SQL_ERROR);
  Record record = firstRecord(SQL_HANDLE_STMT, statement.get());
  EXPECT_EQ(record.sqlState, "08S01");
  EXPECT_EQ(record.nativeError, -77);
  EXPECT_EQ(record.message, "[Sqelto Test Driver]Injected failure of SQLExecDirect");
  // Only one record: the real driver's stale ones are not shown with it.
  SQLCHAR state[6];
  SQLINTEGER native = 0;
  EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, statement.get(), 2, state, &native, nullptr, 0, nullptr), SQL_NO_DATA);
}

// A long value read in pieces: the first SQLGetData returns part of it
// (01004), the retry for the rest fails.
TEST_F(TestDriver, GetDataFailsOnTheRetryOfAColumn) {
  {
    Connection sqlite("Driver=SQLite3;Database=" + file_ + ";");
    sqlite.execute(u"UPDATE numbers SET note = printf('%.3000c', 'x')");
  }
  Connection connection(connectionString("TestGetDataFailAfter=1"));
  Handle statement(SQL_HANDLE_STMT, connection.get());
  ASSERT_TRUE(succeeded(execDirect(statement.get(), "SELECT n, note FROM numbers ORDER BY n")));
  for (int row = 1; row <= 2; ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
    char piece[100];
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLGetData(statement.get(), 2, SQL_C_CHAR, piece, sizeof piece, &indicator), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(firstRecord(SQL_HANDLE_STMT, statement.get()).sqlState, "01004") << "SQLite's own warning";
    EXPECT_EQ(indicator, 3000);
    EXPECT_EQ(SQLGetData(statement.get(), 2, SQL_C_CHAR, piece, sizeof piece, &indicator), SQL_ERROR);
    expectInjected(SQL_HANDLE_STMT, statement.get(), "SQLGetData on column 2 after 1 calls");
    // Other columns of the row count on their own.
    SQLINTEGER n = 0;
    EXPECT_EQ(SQLGetData(statement.get(), 1, SQL_C_SLONG, &n, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(n, row);
  }
}

TEST_F(TestDriver, WithoutAnyColumnOnlyColumnsAfterTheLastBoundOneAreRead) {
  Connection connection(connectionString("TestNoGetDataAnyColumn=1"));
  Handle statement(SQL_HANDLE_STMT, connection.get());
  ASSERT_TRUE(succeeded(execDirect(statement.get(), "SELECT n, note, n * 10 FROM numbers ORDER BY n")));
  SQLINTEGER bound = 0;
  SQLLEN boundIndicator = 0;
  ASSERT_TRUE(succeeded(SQLBindCol(statement.get(), 2, SQL_C_SLONG, &bound, 0, &boundIndicator)));
  ASSERT_TRUE(succeeded(SQLFetch(statement.get())));
  SQLINTEGER value = 0;
  for (SQLUSMALLINT column : {1, 2}) {
    SCOPED_TRACE("column " + std::to_string(column));
    EXPECT_EQ(SQLGetData(statement.get(), column, SQL_C_SLONG, &value, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(firstRecord(SQL_HANDLE_STMT, statement.get()).sqlState, "07009");
  }
  ASSERT_EQ(SQLGetData(statement.get(), 3, SQL_C_SLONG, &value, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(value, 10);

  ASSERT_TRUE(succeeded(SQLFreeStmt(statement.get(), SQL_UNBIND)));
  ASSERT_TRUE(succeeded(SQLFetch(statement.get())));
  ASSERT_EQ(SQLGetData(statement.get(), 1, SQL_C_SLONG, &value, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(value, 2);
}

TEST_F(TestDriver, OneActivityRefusesASecondResultWhileTheFirstIsOpen) {
  Connection connection(connectionString("TestMaxActivities=1"));
  Handle first(SQL_HANDLE_STMT, connection.get());
  Handle second(SQL_HANDLE_STMT, connection.get());

  // A statement without a result holds nothing.
  ASSERT_TRUE(succeeded(execDirect(first.get(), "INSERT INTO numbers VALUES (6, 'six')")));
  ASSERT_TRUE(succeeded(execDirect(second.get(), "SELECT n FROM numbers")));
  EXPECT_EQ(execDirect(first.get(), "SELECT n FROM numbers"), SQL_ERROR);
  Record busy = firstRecord(SQL_HANDLE_STMT, first.get());
  EXPECT_EQ(busy.sqlState, "HY000");
  EXPECT_NE(busy.message.find("Connection is busy with results for another statement"), std::string::npos);

  // Read to the end, the result no longer holds the connection.
  EXPECT_EQ(fetchAll(second.get()), 6);
  ASSERT_TRUE(succeeded(execDirect(first.get(), "SELECT n FROM numbers"))) << first.diagnostic();
  EXPECT_EQ(execDirect(second.get(), "SELECT n FROM numbers"), SQL_ERROR);
  // Nor does a closed one.
  ASSERT_TRUE(succeeded(SQLCloseCursor(first.get())));
  ASSERT_TRUE(succeeded(execDirect(second.get(), "SELECT n FROM numbers"))) << second.diagnostic();
}

// Each named call fails with the injected diagnostic on the handle it was called on.
TEST_F(TestDriver, NamedCallsFail) {
  {
    Connection connection(connectionString("TestFail=SQLExecute,SQLPrepare:1,SQLBindParameter"));
    Handle statement(SQL_HANDLE_STMT, connection.get());
    SQLCHAR sql[] = "SELECT n FROM numbers WHERE n < ?";
    ASSERT_TRUE(succeeded(SQLPrepare(statement.get(), sql, SQL_NTS))) << "the first SQLPrepare succeeds";
    SQLINTEGER limit = 3;
    EXPECT_EQ(SQLBindParameter(statement.get(), 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &limit, 0, nullptr),
              SQL_ERROR);
    expectInjected(SQL_HANDLE_STMT, statement.get(), "SQLBindParameter");
    EXPECT_EQ(SQLExecute(statement.get()), SQL_ERROR);
    expectInjected(SQL_HANDLE_STMT, statement.get(), "SQLExecute");
    EXPECT_EQ(SQLPrepare(statement.get(), sql, SQL_NTS), SQL_ERROR);
    expectInjected(SQL_HANDLE_STMT, statement.get(), "SQLPrepare");
    EXPECT_TRUE(succeeded(execDirect(statement.get(), "SELECT 1"))) << "other calls are not touched";
  }
  {
    Connection connection(connectionString("TestFail=SQLExecute:2"));
    Handle statement(SQL_HANDLE_STMT, connection.get());
    SQLCHAR sql[] = "SELECT n FROM numbers";
    ASSERT_TRUE(succeeded(SQLPrepare(statement.get(), sql, SQL_NTS)));
    for (int run = 1; run <= 2; ++run) {
      ASSERT_TRUE(succeeded(SQLExecute(statement.get()))) << "run " << run;
      ASSERT_TRUE(succeeded(SQLCloseCursor(statement.get())));
    }
    EXPECT_EQ(SQLExecute(statement.get()), SQL_ERROR);
    expectInjected(SQL_HANDLE_STMT, statement.get(), "SQLExecute");
  }
  {
    Connection connection(connectionString("TestFailOnce=SQLExecute:1"));
    Handle statement(SQL_HANDLE_STMT, connection.get());
    SQLCHAR sql[] = "SELECT n FROM numbers";
    ASSERT_TRUE(succeeded(SQLPrepare(statement.get(), sql, SQL_NTS)));
    for (int run = 1; run <= 4; ++run) {
      if (run == 2) {
        EXPECT_EQ(SQLExecute(statement.get()), SQL_ERROR) << "only the second run fails";
        expectInjected(SQL_HANDLE_STMT, statement.get(), "SQLExecute");
        continue;
      }
      ASSERT_TRUE(succeeded(SQLExecute(statement.get()))) << "run " << run;
      ASSERT_TRUE(succeeded(SQLCloseCursor(statement.get())));
    }
  }
  {
    // The driver manager allocates statements of this driver with SQLAllocStmt.
    Connection connection(connectionString("TestFail=SQLAllocHandle,SQLEndTran"));
    SQLHSTMT statement = SQL_NULL_HSTMT;
    EXPECT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, connection.get(), &statement), SQL_ERROR);
    expectInjected(SQL_HANDLE_DBC, connection.get(), "SQLAllocStmt");
    ASSERT_TRUE(succeeded(
        SQLSetConnectAttr(connection.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)));
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, connection.get(), SQL_COMMIT), SQL_ERROR);
    expectInjected(SQL_HANDLE_DBC, connection.get(), "SQLEndTran");
  }
}

// The driver manager falls back to SQLError when SQLGetDiagRec fails; both fail.
TEST_F(TestDriver, AFailingDiagnosticReadLeavesTheFailureWithoutRecord) {
  Connection connection(connectionString("TestFail=SQLExecDirect,SQLGetDiagRec"));
  Handle statement(SQL_HANDLE_STMT, connection.get());
  EXPECT_EQ(execDirect(statement.get(), "SELECT 1"), SQL_ERROR);
  Record record = firstRecord(SQL_HANDLE_STMT, statement.get());
  EXPECT_EQ(record.result, SQL_NO_DATA) << record.sqlState << " " << record.message;
}

TEST_F(TestDriver, AReconnectedHandleForgetsTheOldSettings) {
  Handle handle(SQL_HANDLE_DBC, odbc_env::sharedEnvironment());
  for (const std::string keywords : {"TestFetchFailAfter=0;TestMaxActivities=1", ""}) {
    SCOPED_TRACE(keywords);
    std::string text = connectionString(keywords);
    ASSERT_TRUE(succeeded(SQLDriverConnect(handle.get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    SQLUSMALLINT activities = 99;
    ASSERT_TRUE(succeeded(SQLGetInfo(handle.get(), SQL_MAX_CONCURRENT_ACTIVITIES, &activities, 0, nullptr)));
    {
      Handle statement(SQL_HANDLE_STMT, handle.get());
      ASSERT_TRUE(succeeded(execDirect(statement.get(), "SELECT n FROM numbers")));
      EXPECT_EQ(fetchAll(statement.get()), keywords.empty() ? 5 : 0);
    }
    EXPECT_EQ(activities, keywords.empty() ? 0 : 1);
    ASSERT_TRUE(succeeded(SQLDisconnect(handle.get())));
  }
}

// Threads on their own connections, half of them with a fetch limit: every
// one sees exactly its own settings, every time.
TEST_F(TestDriver, ConnectionsOnManyThreadsKeepTheirOwnSettings) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, limited = t % 2 == 1] {
      try {
        Connection connection(connectionString(limited ? "TestFetchFailAfter=2;TestMaxActivities=3" : ""));
        if (infoSmallInteger(connection, SQL_MAX_CONCURRENT_ACTIVITIES) != (limited ? 3 : 0)) ++wrong;
        for (int run = 0; run < 40; ++run) {
          Handle statement(SQL_HANDLE_STMT, connection.get());
          if (!succeeded(execDirect(statement.get(), "SELECT n FROM numbers"))) ++wrong;
          if (fetchAll(statement.get()) != (limited ? 2 : 5)) ++wrong;
        }
      } catch (const std::exception& error) {
        ADD_FAILURE() << error.what();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
