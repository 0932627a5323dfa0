// With the trace switch file present, a catalogue question and an edit leave
// their lines in the log, in order and with the texts the log promises.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "test_environment.h"
#include "plugin_session.h"
#include "trace_switch_file.h"

namespace {

using sqelto_test::kTraceSwitchFile;

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Each prefix in turn, each found after the one before.
void ExpectInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes) {
  std::size_t at = 0;
  for (const std::string& prefix : prefixes) {
    while (at < lines.size() && lines[at].rfind(prefix, 0) != 0) ++at;
    ASSERT_LT(at, lines.size()) << "\"" << prefix << "\" missing or out of order";
    ++at;
  }
}

TEST(TraceCatalogue, AQuestionAndAnEditWriteTheirLines) {
  const std::string log =
      sqelto_test::RequiredEnvironment("SQELTO_ODBC_DIR") + "/" + sqelto_test::UniqueName("trace-catalogue") + ".log";
  const std::string file = sqelto_test::RequiredEnvironment("SQELTO_ODBC_DIR") + "/" +
                           sqelto_test::UniqueName("trace-catalogue") + ".sqlite3";
  std::remove(log.c_str());
  std::remove(file.c_str());
  sqelto_test::WriteTraceSwitchFile(log + "\n");
  {
    plugin_odbc_test::PluginSession session;
    tavro::Database db = session.Connected("Driver=SQLite3;Database=" + file + ";");
    std::remove(kTraceSwitchFile);  // the connection decided when it was made
    db.execute("CREATE TABLE traced (id INTEGER PRIMARY KEY, name VARCHAR(10))");
    db.execute("INSERT INTO traced VALUES (7, 'seven')");
    EXPECT_FALSE(db.fieldSchema("traced").isNull());
    tavro::RecordSet rows = db.select("SELECT id, name FROM traced");
    ASSERT_TRUE(rows.next());
    rows.edit();
    rows.update({{1, "sieben"}});
    EXPECT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  }
  const std::vector<std::string> lines = Lines(log);
  std::remove(log.c_str());
  std::remove(file.c_str());
  ExpectInOrder(lines,
                {"ENTER ODBCGetFieldSchema(", "ENTER odbc_primary_keys(", "ENTER ODBCCursor(", "ENTER ~ODBCCursor: ",
                 "ENTER EditRecord: ", "ENTER BuildWhereClause: ", "BuildWhereClause: tableName: traced",
                 "ENTER odbc_primary_keys(", "comparing column name: id and id", "column type: 3 value: id = 7",
                 "ENTER UpdateRecord: ", "ENTER FieldKey: "});
  for (const std::string& line : lines) {
    if (line.rfind("ENTER ODBCGetFieldSchema(", 0) == 0) {
      EXPECT_NE(line.find(", traced)"), std::string::npos) << line;
    }
  }
}

}  // namespace
