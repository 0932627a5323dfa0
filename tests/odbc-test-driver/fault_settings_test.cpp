// The keyword parser alone: what it takes out of a connection string, what it
// leaves for SQLite, and what it refuses.
#include "fault_settings.hpp"

#include <gtest/gtest.h>

#include <string>

namespace sqelto_test_driver {
namespace {

TEST(ConnectionStringKeywords, TestKeywordsAreTakenOutAndTheRestIsKeptAsWritten) {
  ParsedConnectionString parsed = parseConnectionString(
      "Driver={Sqelto Test Driver (fault injection)};TestFetchFailAfter=3; Database={/tmp/a;b.sqlite3} ;"
      "testmaxactivities = 1;StepAPI=1;TestFail=SQLExecute");
  EXPECT_EQ(parsed.forwarded, "Driver={Sqelto Test Driver (fault injection)}; Database={/tmp/a;b.sqlite3} ;StepAPI=1;");
  EXPECT_EQ(parsed.settings.fetchFailAfter, 3u);
  EXPECT_EQ(parsed.settings.maxActivities, 1);

  ParsedConnectionString plain = parseConnectionString("Driver=SQLite3;Database=x.db");
  EXPECT_EQ(plain.forwarded, "Driver=SQLite3;Database=x.db;");
  EXPECT_FALSE(plain.settings.maxActivities);
  EXPECT_FALSE(plain.settings.noGetDataAnyColumn);
  EXPECT_FALSE(plain.settings.needLongDataLen);
  EXPECT_TRUE(plain.settings.failAfter.empty());
  EXPECT_FALSE(plain.settings.fetchFailAfter);
  EXPECT_FALSE(plain.settings.getDataFailAfter);
  EXPECT_EQ(plain.settings.sqlState, "HY000");
  EXPECT_EQ(plain.settings.nativeError, 4711);
}

TEST(ConnectionStringKeywords, EveryKeywordIsRead) {
  FaultSettings settings =
      parseConnectionString(
          "TestMaxActivities=65535;TestNoGetDataAnyColumn=1;TestNeedLongDataLen=N;"
          "TestFail=SQLGetDiagRec, SQLExecute:2 ,SQLEndTran;TestFetchFailAfter=0;TestGetDataFailAfter=4294967295;"
          "TestSqlState=08S01;TestNativeError=-2147483648;TestFail={SQLPrepare:7};TestFailOnce=SQLExecute:1,SQLFetch")
          .settings;
  EXPECT_EQ(settings.maxActivities, 65535);
  EXPECT_TRUE(settings.noGetDataAnyColumn);
  EXPECT_EQ(settings.needLongDataLen, 'N');
  EXPECT_EQ(settings.failAfter, (std::map<std::string, std::uint32_t, std::less<>>{
                                    {"SQLEndTran", 0}, {"SQLExecute", 2}, {"SQLGetDiagRec", 0}, {"SQLPrepare", 7}}));
  EXPECT_EQ(settings.failOnce,
            (std::map<std::string, std::uint32_t, std::less<>>{{"SQLExecute", 1}, {"SQLFetch", 0}}));
  EXPECT_EQ(settings.fetchFailAfter, 0u);
  EXPECT_EQ(settings.getDataFailAfter, 4294967295u);
  EXPECT_EQ(settings.sqlState, "08S01");
  EXPECT_EQ(settings.nativeError, -2147483648LL);
}

TEST(ConnectionStringKeywords, MistakesAreRefusedWithTheKeywordNamed) {
  const std::pair<const char*, const char*> cases[] = {
      {"TestFetchFailAftr=3", "unknown keyword TestFetchFailAftr"},
      {"TestFetchFailAfter=-1", "TestFetchFailAfter=-1"},
      {"TestFetchFailAfter=3x", "TestFetchFailAfter=3x"},
      {"TestFetchFailAfter=", "TestFetchFailAfter="},
      {"TestGetDataFailAfter=4294967296", "TestGetDataFailAfter=4294967296"},
      {"TestMaxActivities=65536", "TestMaxActivities=65536"},
      {"TestNoGetDataAnyColumn=2", "TestNoGetDataAnyColumn=2"},
      {"TestNeedLongDataLen=yes", "TestNeedLongDataLen"},
      {"TestSqlState=hy000", "TestSqlState"},
      {"TestSqlState=HY0000", "TestSqlState"},
      // No wide entry points: the driver manager never calls them on this driver.
      {"TestFail=SQLExecDirectW", "no function \"SQLExecDirectW\""},
      {"TestFail=SQLExecute:two", "TestFail=two"},
      {"Database={x.db;TestFail=SQLFetch", "'{' without '}'"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      parseConnectionString(text);
      ADD_FAILURE() << "accepted";
    } catch (const InvalidKeyword& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace sqelto_test_driver
