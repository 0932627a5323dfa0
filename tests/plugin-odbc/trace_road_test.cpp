// With the trace switch file present, one query leaves its road in the log:
// every engine call, run object and cursor operation, in order; so does a
// move to the next result set of a batch.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_session.h"
#include "test_environment.h"
#include "trace_switch_file.h"

namespace {

using sqelto_test::kTraceSwitchFile;

#ifdef _WIN32
// On Windows the switch file sits at the root of drive C:, and its first line
// names a log by a path with a drive letter (in the user's temporary folder).
// The line ends in CR LF there, as a Windows editor writes it.
std::string LogPath(const std::string& stem) {
  return (std::filesystem::temp_directory_path() / (stem + "-" + sqelto_test::ProcessTag() + ".log")).string();
}
#else
std::string LogPath(const std::string& stem) {
  return std::string(std::getenv("SQELTO_ODBC_DIR")) + "/" + stem + "-" + sqelto_test::ProcessTag() + ".log";
}
#endif

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The index of the first line at or after `from` that starts with `prefix`.
std::size_t Find(const std::vector<std::string>& lines, const std::string& prefix, std::size_t from) {
  for (std::size_t i = from; i < lines.size(); ++i)
    if (lines[i].rfind(prefix, 0) == 0) return i;
  return lines.size();
}

// The lines starting at the first one that starts with `prefixes[0]`, each
// the very next line after the one before (nothing written between them).
void ExpectAdjacent(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes) {
  const std::size_t first = Find(lines, prefixes.front(), 0);
  ASSERT_LT(first, lines.size()) << "\"" << prefixes.front() << "\" missing";
  for (std::size_t i = 1; i < prefixes.size(); ++i) {
    ASSERT_LT(first + i, lines.size()) << "the log ends before \"" << prefixes[i] << "\"";
    EXPECT_EQ(lines[first + i].rfind(prefixes[i], 0), 0u)
        << "line " << first + i << " should start with \"" << prefixes[i] << "\": " << lines[first + i];
  }
}

// Turns tracing on for the connections made until the returned log is read.
std::string StartTracing(const std::string& stem) {
  const std::string log = LogPath(stem);
  std::remove(log.c_str());
  sqelto_test::WriteTraceSwitchFile(log + "\n");
  return log;
}

}  // namespace

TEST(TraceRoad, OneQueryWritesItsLinesInOrder) {
  const std::string log = StartTracing("trace-road");
#ifdef _WIN32
  ASSERT_EQ(log.substr(1, 2), ":\\") << log;
#endif
  plugin_odbc_test::PluginSession session;
  const auto under = plugin_odbc_test::SqliteUnderTest();
  {
    tavro::Database db = session.Connected(under.connectionString);
    std::remove(kTraceSwitchFile);  // the connection decided when it was made
    tavro::RecordSet rows = db.select("SELECT 'hello' AS greeting");
    ASSERT_FALSE(rows.isNull());
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.value(0).asText(), "hello");
  }
  const auto lines = Lines(log);
  std::remove(log.c_str());
  ASSERT_FALSE(lines.empty()) << "no trace written to " << log;

  const std::vector<std::string> road = {
      "ENTER ODBCDatabaseConnect(", "ENTER ODBCConnect(", "data source allows binds", "ENTER ODBCPerformSelect(",
      "ENTER ODBCSelectThread(", "ENTER ODBCSelectThread::Run", "ENTER ODBCCursor(", "ENTER CreateBindings: ",
      "ENTER ~ODBCSelectThread", "ENTER NextRecord: ", "ENTER CleanupRow: ", "ENTER GetRowValues: ",
      "ENTER ColumnValue(0): ", "stmt: ", "ENTER ~ODBCCursor: ", "ENTER CleanupBindings: "};
  std::size_t at = 0;
  for (const auto& prefix : road) {
    const std::size_t found = Find(lines, prefix, at);
    ASSERT_LT(found, lines.size()) << "\"" << prefix << "\" missing after line " << at;
    at = found + 1;
  }
  // Making the cursor describes and binds its columns; there is nothing to
  // clean up yet. Destroying it cleans up, and nothing more is traced.
  ExpectAdjacent(lines, {"ENTER ODBCCursor(", "ENTER CreateBindings: ", "ENTER ~ODBCSelectThread"});
  ExpectAdjacent(lines, {"ENTER ~ODBCCursor: ", "ENTER CleanupBindings: "});
  // The connect line carries the record address (upper-case hex, pointer wide) and the string.
  const std::string connect = lines[Find(lines, "ENTER ODBCConnect(", 0)];
  EXPECT_NE(connect.find(", " + under.connectionString + ")"), std::string::npos) << connect;
  const std::string address = connect.substr(18, sizeof(void*) * 2);
  EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos) << connect;
  // A character value is traced with its text.
  const std::string value = lines[Find(lines, "stmt: ", 0)];
  EXPECT_NE(value.find(" qxType: 18 len: 4 value: hello"), std::string::npos) << value;
}

// Moving to the next result set lets go of the old columns, then describes
// the new ones, all on the cursor's statement.
TEST(TraceRoad, TheNextResultSetCleansUpThenBinds) {
  const std::string log = StartTracing("trace-next-result");
  plugin_odbc_test::PluginSession session;
  {
    tavro::Database db = session.Connected(plugin_odbc_test::PostgresUnderTest().connectionString);
    std::remove(kTraceSwitchFile);
    tavro::RecordSet rows = db.select("SELECT 1 AS a; SELECT 'two' AS b, 3 AS c");
    ASSERT_FALSE(rows.isNull()) << db.lastErrorString();
    ASSERT_TRUE(session.host().call<bool>(db.object(), "NextRowSet"));
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.value(0).asText(), "two");
  }
  const auto lines = Lines(log);
  std::remove(log.c_str());
  ASSERT_FALSE(lines.empty()) << "no trace written to " << log;

  ExpectAdjacent(lines, {"ENTER ODBCCursor(", "ENTER CreateBindings: "});
  ExpectAdjacent(lines, {"ENTER ODBCNextRecordset(", "ENTER CleanupBindings: ", "ENTER CreateBindings: "});
  // Each of them names the cursor's statement handle, as its constructor wrote it.
  const std::string made = lines[Find(lines, "ENTER ODBCCursor(", 0)];
  const std::string handle = made.substr(made.rfind(", ") + 2, sizeof(void*) * 2);
  const std::size_t next = Find(lines, "ENTER ODBCNextRecordset(", 0);
  ASSERT_LT(next + 2, lines.size());
  EXPECT_EQ(lines[next + 1], "ENTER CleanupBindings: " + handle);
  EXPECT_EQ(lines[next + 2], "ENTER CreateBindings: " + handle);
  EXPECT_EQ(Find(lines, "ENTER CleanupBindings: ", 0), next + 1) << "no clean-up before the move";
}
