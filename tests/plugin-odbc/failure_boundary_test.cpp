// Nothing the plug-in throws reaches the host: a failure inside a call the
// host made becomes the connection's last error. The plug-in code is linked
// into this test, so a test can lower the largest value it hands over.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "odbc/connection_record.h"
#include "odbc/execute.h"
#include "odbc/failure_shield.h"
#include "odbc/query_guard.h"
#include "odbc/value_limit.h"
#include "plugin_session.h"

extern "C" int32_t TAVRO_CALL VANTPluginMain(TavroResolver resolver);

using plugin_odbc_test::PluginSession;
using plugin_odbc_test::Repeat;

namespace {

// Lowers the value limit for one test.
class ValueLimit {
public:
  explicit ValueLimit(std::size_t bytes) : saved_(sqelto::MaxValueBytes()) { sqelto::SetMaxValueBytesForTesting(bytes); }
  ~ValueLimit() { sqelto::SetMaxValueBytesForTesting(saved_); }

private:
  std::size_t saved_;
};

class FailureBoundary : public ::testing::Test {
protected:
  PluginSession session_{&VANTPluginMain};
  plugin_odbc_test::DataSourceUnderTest under_ = plugin_odbc_test::SqliteUnderTest();
};

}  // namespace

TEST_F(FailureBoundary, AValueAboveTheLimitFailsItsRowWithAClearError) {
  ValueLimit limit(4096);
  tavro::Database db = session_.Connected(under_.connectionString);
  db.execute("CREATE TABLE big (id INTEGER, body TEXT, data LONGVARBINARY)");
  db.execute("INSERT INTO big VALUES (1, '" + Repeat("a", 5000) + "', X'00'), (2, 'small', X'" +
             Repeat("ab", 5000) + "'), (3, 'last', X'01')");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();

  tavro::RecordSet rows = db.select("SELECT body, data FROM big ORDER BY id");
  ASSERT_FALSE(rows.isNull());
  EXPECT_FALSE(rows.next());
  EXPECT_EQ(db.lastErrorCode(), -1);
  EXPECT_EQ(db.lastErrorString(), "The value of column 1 is larger than the 4096 bytes the plug-in can hand to the host.");
  EXPECT_FALSE(rows.next());
  EXPECT_EQ(db.lastErrorString(), "The value of column 2 is larger than the 4096 bytes the plug-in can hand to the host.");
  // The rows after them read as usual.
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.value(0).asText(), "last");
  EXPECT_EQ(db.lastErrorCode(), 0);
  rows.reset();
  db.execute("DROP TABLE big");
}

TEST(FailureShield, EveryKindOfExceptionBecomesTheLastError) {
  sqelto::ConnectionRecord* record = sqelto::NewStandaloneRecord();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(sqelto::ShieldedCall(record, 7, []() -> int { throw std::bad_alloc(); }), 7);
  EXPECT_EQ(record->lastErrorCode, -1);
  EXPECT_STREQ(record->lastErrorText, "Out of memory: the plug-in could not allocate what the call needed.");
  EXPECT_EQ(sqelto::ShieldedCall(record, 0, []() -> int { throw std::runtime_error("a reason"); }), 0);
  EXPECT_STREQ(record->lastErrorText, "a reason");
  sqelto::ShieldedCall(record, []() { throw 42; });
  EXPECT_STREQ(record->lastErrorText, "An unexpected failure inside the plug-in.");
  // Without a record to report to, the failure is still contained.
  EXPECT_EQ(sqelto::ShieldedCall(nullptr, 3, []() -> int { throw std::bad_alloc(); }), 3);
  sqelto::Release(record);
  sqelto::DeleteStandaloneRecord(record);
}

TEST_F(FailureBoundary, AStatementTheQueryGuardRefusesIsNoSuccess) {
  tavro::Database db = session_.Connected(under_.connectionString);
  auto* record = PluginSession::Record(db);
  ASSERT_TRUE(sqelto::GuardEnter(record));  // as a statement running on another thread would
  const int32_t rc = sqelto::odbc_execDirect(record, "SELECT 1", TAVRO_ENCODING_UTF8);
  sqelto::GuardLeave(record);
  EXPECT_EQ(rc, SQL_ERROR) << "callers test the result for success";
  EXPECT_EQ(record->lastErrorCode, 48879);
}
