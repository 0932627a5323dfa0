// Host strings in Windows Latin-1 (code page 1252), as the runtime on Windows
// hands over text in the system code page: what reaches the database is the
// same characters, and what comes back is UTF-8. Built once per driver.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "plugin_session.h"
#include "test_environment.h"
#include "under_wine.h"

using plugin_odbc_test::PluginSession;
using tavro::Encoding;
using tavro::Value;

namespace {

// "Jürgen Weiß" in both encodings: 11 characters, 11 and 13 bytes.
constexpr const char* kLatin1Name = "J\xFCrgen Wei\xDF";
constexpr const char* kUtf8Name = "J\xC3\xBCrgen Wei\xC3\x9F";

class Latin1Text : public plugin_odbc_test::DriverTest {
protected:
  tavro::String Latin1(const std::string& bytes) { return session_.host().makeString(bytes, Encoding::WinLatin1); }
};

}  // namespace

TEST_F(Latin1Text, StatementTextArrivesAsItsCharactersAndValuesComeBackAsUtf8) {
  Run({"CREATE TABLE " + table_ + " (id INTEGER, name VARCHAR(40))"});
  Db().execute(Latin1("INSERT INTO " + table_ + " VALUES (1, '" + kLatin1Name + "')"));
  ASSERT_EQ(Db().lastErrorCode(), 0) << Db().lastErrorString();

  // The database holds the eleven characters: found by UTF-8 text, counted.
  EXPECT_EQ(plugin_odbc_test::SingleInteger(
                Db(), "SELECT LENGTH(name) FROM " + table_ + " WHERE name = '" + kUtf8Name + "'"),
            11);

  // Selected by Latin-1 text; the value is a UTF-8 host string.
  tavro::RecordSet rows = Db().select(Latin1("SELECT name FROM " + table_ + " WHERE name = '" + kLatin1Name + "'"));
  ASSERT_FALSE(rows.isNull()) << Db().lastErrorString();
  ASSERT_TRUE(rows.next());
  const Value name = rows.value(0);
  EXPECT_EQ(name.asText(), kUtf8Name);
  EXPECT_EQ(name.hostString().encoding(), Encoding::Utf8);
  EXPECT_EQ(name.hostString().bytes(), kUtf8Name);
  EXPECT_FALSE(rows.next());
}

#if !SQELTO_TEST_POSTGRES
TEST_F(Latin1Text, ALatin1ConnectionStringNamesTheSameFile) {
  if (sqelto_test::RunningUnderWine())
    GTEST_SKIP() << "Wine connects through unixODBC, whose wide connect keeps only the low byte of each character "
                    "for a driver without wide entry points (the SQLite3 driver here)";
  // The database file's name is spelled in Latin-1 in DataSource; the driver
  // must create it under the same characters (a UTF-8 name on this system).
  const std::string folder = std::string(std::getenv("SQELTO_ODBC_DIR"));
  const std::string stem = "/latin1-" + sqelto_test::ProcessTag() + "-";
  const std::filesystem::path expected(std::u8string(reinterpret_cast<const char8_t*>(folder.data()), folder.size()) +
                                       reinterpret_cast<const char8_t*>(stem.c_str()) +
                                       reinterpret_cast<const char8_t*>(kUtf8Name) + u8".sqlite3");
  std::filesystem::remove(expected);

  tavro::Host& host = session_.host();
  tavro::Object object = session_.NewDatabase();
  host.setProperty(object, "DataSource",
                   Value(Latin1("Driver=SQLite3;Database=" + folder + stem + kLatin1Name + ".sqlite3;")));
  tavro::Database db(host, object);
  ASSERT_TRUE(session_.Connect(object)) << db.lastErrorCode() << " " << db.lastErrorString();
  db.execute("CREATE TABLE t (x INTEGER)");
  ASSERT_EQ(db.lastErrorCode(), 0) << db.lastErrorString();
  db.close();
  EXPECT_TRUE(std::filesystem::exists(expected)) << "no file named " << folder << stem << kUtf8Name << ".sqlite3";
  std::filesystem::remove(expected);
}
#endif
