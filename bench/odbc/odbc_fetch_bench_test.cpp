// The benchmark's loader and raw loop on small tables: what they read must be
// exactly the rows the loader promises, computed here independently.
#include "bench_table.hpp"
#include "fetch_path.hpp"
#ifdef SQELTO_PLUGIN_PATH
#include "plugin_soak.hpp"
#endif
#include "odbc_session.hpp"
#include "raw_odbc_path.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>

namespace odbc_bench {
namespace {

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0')
    throw std::runtime_error(std::string(name) + " is not set: run this test through CTest");
  return value;
}

FetchTotals expectedTotals(long long rows) {
  FetchTotals t;
  for (long long i = 1; i <= rows; ++i) {
    ++t.rows;
    t.addInteger(i);
    const std::string name = kBenchNamePrefix + std::to_string(i);
    t.addText(name.data(), name.size());
    t.addDouble(double(i) * 0.25);
    const std::time_t when = 1577836800 + std::time_t(i);  // 2020-01-01 00:00:00 UTC
    std::tm fields{};
    gmtime_r(&when, &fields);
    t.addTimestamp(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min,
                   fields.tm_sec, 0);
    const std::string note = kBenchNotePrefix + std::to_string(i) + kBenchNoteSuffix;
    t.addText(note.data(), note.size());
  }
  return t;
}

// Each test process has its own SQLite file, removed when the test ends.
std::string sqliteFile() {
  return environmentValue("SQELTO_ODBC_DIR") + "/bench-test-" + std::to_string(getpid()) + ".sqlite3";
}

std::string sqliteConnection() { return "Driver=SQLite3;Database=" + sqliteFile() + ";StepAPI=1;"; }

class BenchSqlite : public ::testing::Test {
protected:
  void TearDown() override { unlink(sqliteFile().c_str()); }
};

void expectLoaderAndRawLoopAgree(const std::string& connection) {
  ASSERT_TRUE(ensureBenchTable(connection, 2500).loaded);
  EXPECT_FALSE(ensureBenchTable(connection, 2500).loaded) << "a table of the right size must be kept";

  RawOdbcPath raw;
  const FetchTotals all = raw.fetchAll(connection, benchQuery(2500));
  EXPECT_EQ(all.toText(), expectedTotals(2500).toText());
  EXPECT_EQ(raw.fetchAll(connection, benchQuery(700)).toText(), expectedTotals(700).toText());

  // Another size replaces the table rather than adding to it.
  ASSERT_TRUE(ensureBenchTable(connection, 300).loaded);
  EXPECT_EQ(raw.fetchAll(connection, benchQuery(1000)).toText(), expectedTotals(300).toText());
}

TEST_F(BenchSqlite, LoaderAndRawLoopAgree) { expectLoaderAndRawLoopAgree(sqliteConnection()); }

TEST(BenchPostgres, LoaderAndRawLoopAgree) {
  expectLoaderAndRawLoopAgree("DSN=" + environmentValue("SQELTO_PG_DSN") + ";UseDeclareFetch=1;Fetch=100;");
}

// Every path the benchmark measures (the plug-in path too, when it is built)
// reads exactly the values that were loaded, whatever form they travel in.
void expectEveryPathReadsTheLoadedValues(const std::string& connection) {
  ensureBenchTable(connection, 1200);
  for (const auto& path : allFetchPaths()) {
    const FetchTotals read = path->fetchAll(connection, benchQuery(1200));
    EXPECT_TRUE(read.sameValues(expectedTotals(1200), path->hashesText()))
        << path->name() << ": " << read.toText() << " instead of " << expectedTotals(1200).toText();
  }
}

TEST_F(BenchSqlite, EveryPathReadsTheLoadedValues) { expectEveryPathReadsTheLoadedValues(sqliteConnection()); }

TEST(BenchPostgres, EveryPathReadsTheLoadedValues) {
  expectEveryPathReadsTheLoadedValues("DSN=" + environmentValue("SQELTO_PG_DSN") + ";UseDeclareFetch=1;Fetch=100;");
}

TEST_F(BenchSqlite, LoaderRefusesRowCountsOutOfRange) {
  EXPECT_THROW(ensureBenchTable(sqliteConnection(), 0), std::invalid_argument);
  EXPECT_THROW(ensureBenchTable(sqliteConnection(), 100'000'001), std::invalid_argument);
}

TEST_F(BenchSqlite, RawLoopReadsNullsAndCutsOverlongTextToItsBuffer) {
  const std::string connection = sqliteConnection();
  {
    Connection c(connection);
    c.execute("DROP TABLE IF EXISTS odd_rows");
    c.execute("CREATE TABLE odd_rows (id INTEGER, amount DOUBLE, note VARCHAR(10))");
    // SQLite does not enforce VARCHAR(10): 600 characters come back, more than
    // the 1024-byte inline buffer holds. The driver reports the full length;
    // only the 511 characters in the buffer may be read.
    c.execute("INSERT INTO odd_rows VALUES (NULL, NULL, NULL), "
              "(7, 1.5, replace(hex(zeroblob(300)), '0', 'ä'))");
  }
  const FetchTotals t = RawOdbcPath().fetchAll(connection, "SELECT id, amount, note FROM odd_rows");
  EXPECT_EQ(t.rows, 2u);
  EXPECT_EQ(t.nulls, 3u);
  EXPECT_EQ(t.integerSum, 7);
  EXPECT_EQ(t.doubleSum, 1.5);
  EXPECT_EQ(t.textBytes, 511u * 2);
}

TEST_F(BenchSqlite, RawLoopReportsTheDriverDiagnosticOnFailure) {
  try {
    RawOdbcPath().fetchAll(sqliteConnection(), "SELECT * FROM no_such_table");
    FAIL() << "a failing query must throw";
  } catch (const OdbcError& e) {
    EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos) << e.what();
  }
}

TEST(FetchTotals, SurvivesItsTextFormAndRejectsGarbage) {
  FetchTotals t = expectedTotals(3);
  t.doubleSum = 0.1;  // not exact in decimal: the text form must still be exact
  EXPECT_EQ(FetchTotals::fromText(t.toText()), t);
  EXPECT_THROW(FetchTotals::fromText("1 2 3"), std::invalid_argument);
  EXPECT_THROW(FetchTotals::fromText(t.toText() + " extra"), std::invalid_argument);
}

}  // namespace
#ifdef SQELTO_PLUGIN_PATH
// The benchmark's soak runs 100,000 cycles in the optimised build; here a
// shorter one runs under the sanitizers, which see any leak or misuse.
TEST_F(BenchSqlite, SelectFetchDestroyCyclesLeaveNothingBehind) {
  const SoakReport report = soakPlugin(sqliteConnection(), 2000);
  EXPECT_EQ(report.cycles, 2000);
  EXPECT_EQ(report.valuesRead, 2000 * 20 * 4);
  EXPECT_EQ(report.stringsAfter, report.stringsBefore);
  EXPECT_EQ(report.objectsAfter, report.objectsBefore);
}
#endif

}  // namespace odbc_bench
