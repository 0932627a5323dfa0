// With the trace switch file present, one query leaves its road in the log:
// every engine call, run object and cursor operation, in order.
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
std::string LogPath() {
  return (std::filesystem::temp_directory_path() / ("trace-road-" + sqelto_test::ProcessTag() + ".log")).string();
}
#else
std::string LogPath() {
  return std::string(std::getenv("SQELTO_ODBC_DIR")) + "/trace-road-" + sqelto_test::ProcessTag() + ".log";
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

}  // namespace

TEST(TraceRoad, OneQueryWritesItsLinesInOrder) {
  const std::string log = LogPath();
#ifdef _WIN32
  ASSERT_EQ(log.substr(1, 2), ":\\") << log;
#endif
  std::remove(log.c_str());
  {
    std::ofstream(kTraceSwitchFile) << log << "\n";
  }
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
  // The connect line carries the record address (upper-case hex, pointer wide) and the string.
  const std::string connect = lines[Find(lines, "ENTER ODBCConnect(", 0)];
  EXPECT_NE(connect.find(", " + under.connectionString + ")"), std::string::npos) << connect;
  const std::string address = connect.substr(18, sizeof(void*) * 2);
  EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos) << connect;
  // A character value is traced with its text.
  const std::string value = lines[Find(lines, "stmt: ", 0)];
  EXPECT_NE(value.find(" qxType: 18 len: 4 value: hello"), std::string::npos) << value;
}
