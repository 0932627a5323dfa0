// The "Database" superclass through the engine record, RecordSets through the
// cursor record, the connection dialog and the data-source opener.
#include "fake_plugin_fixture.h"

using tavro::Object;
using tavro::Value;

TEST_F(FakePluginTest, RecordSetWalksRowsAndDecodesTheHostValueFormat) {
  tavro::Database db(host_, host_.createInstance("FakeDatabase"));
  tavro::RecordSet rs = db.select("SELECT * FROM t");
  ASSERT_FALSE(rs.isNull());
  EXPECT_FALSE(rs.isRowSet());
  EXPECT_EQ(rs.columnCount(), 7);
  EXPECT_EQ(rs.columnName(1), "name");
  EXPECT_TRUE(rs.columnNameIsNull(7));
  EXPECT_EQ(rs.columnType(2), TAVRO_COLUMN_DATE);
  EXPECT_EQ(rs.recordCount(), 3);

  ASSERT_TRUE(rs.next());
  EXPECT_EQ(rs.value(0).asInteger(), 100);
  EXPECT_EQ(rs.value(1).asText(), "Ann");
  EXPECT_EQ(rs.value(1).columnType, TAVRO_COLUMN_HOST_STRING);
  EXPECT_EQ(rs.value(2).asDateTime(), (tavro::DateTime{2021, 3, 4, 0, 0, 0, 0}));  // big-endian fields
  EXPECT_DOUBLE_EQ(rs.value(3).asDouble(), 0.0);
  EXPECT_EQ(rs.value(4).asBytes(), (tavro::Bytes{0xDE, 0xAD, 0x00}));
  EXPECT_EQ(rs.value(5).asDateTime(), (tavro::DateTime{2020, 12, 31, 23, 59, 58, 123456}));
  EXPECT_EQ(rs.value(5).toString(), "2020-12-31 23:59:58.000123456");
  EXPECT_TRUE(rs.value(6).isNil());
  EXPECT_EQ(rs.value(6).columnLength, 0);

  ASSERT_TRUE(rs.next());
  EXPECT_EQ(rs.value(1).asText(), "Zoë");
  EXPECT_EQ(rs.value(2).toString(), "2021-03-05");
  rs.last();
  EXPECT_EQ(rs.value(0).asInteger(), 102);
  rs.previous();
  EXPECT_EQ(rs.value(0).asInteger(), 101);
  rs.first();
  EXPECT_EQ(rs.value(0).asInteger(), 100);
  EXPECT_THROW(rs.edit(), tavro::HostError);  // empty cursor word 13
  EXPECT_THROW(rs.update({{0, "1"}}), tavro::HostError);

  // A copy shares the object; the destroy word runs once, with the last reference.
  Object probe = host_.createInstance("FakeCounter");
  const int32_t destroyed = host_.call<int32_t>(probe, "CursorDestroys");
  tavro::RecordSet copy = rs;
  rs.reset();
  EXPECT_EQ(host_.call<int32_t>(probe, "CursorDestroys"), destroyed);
  copy.reset();
  EXPECT_EQ(host_.call<int32_t>(probe, "CursorDestroys"), destroyed + 1);
}

TEST(ValueText, TimestampsShowTheirFractionWithoutTrailingZeros) {
  EXPECT_EQ(Value::timestamp({2024, 1, 5, 10, 15, 0, 0}).toString(), "2024-01-05 10:15:00");
  EXPECT_EQ(Value::timestamp({2024, 1, 5, 10, 15, 0, 123000000}).toString(), "2024-01-05 10:15:00.123");
  EXPECT_EQ(Value::timestamp({2024, 1, 5, 10, 15, 0, 1}).toString(), "2024-01-05 10:15:00.000000001");
  EXPECT_EQ(Value::timestamp({2024, 1, 5, 10, 15, 0, 999999999}).toString(), "2024-01-05 10:15:00.999999999");
}

TEST_F(FakePluginTest, EngineWordsReportErrorsAndEmptyWords) {
  Object instance = host_.createInstance("FakeDatabase");
  tavro::Database db(host_, instance);
  db.execute("fail");
  EXPECT_EQ(db.lastErrorCode(), 42);
  EXPECT_EQ(db.lastErrorString(), "fake error");
  db.execute("ok");
  EXPECT_EQ(db.lastErrorCode(), 0);
  EXPECT_EQ(host_.call<int32_t>(instance, "ExecutedCount"), 2);  // method of the subclass, record via the host

  EXPECT_TRUE(db.select("SELECT nothing").isNull());
  EXPECT_EQ(db.lastErrorCode(), 42);

  const tavro::ColumnTypes types = db.columnTypes();
  EXPECT_EQ(types.codes, (std::vector<int32_t>{3, 5, 7}));
  EXPECT_EQ(types.names, "integer,text,double");
  EXPECT_EQ(types.codeBytes, 12);

  try {
    db.commit();
    FAIL() << "an empty engine word was called";
  } catch (const tavro::HostError& e) {
    EXPECT_STREQ(e.what(), "engine record word 15 is empty");
  }
  EXPECT_THROW(tavro::Database(host_, host_.createInstance("FakeCounter")), tavro::HostError);
  EXPECT_THROW(host_.createInstance("RecordSet"), tavro::HostError);
  EXPECT_EQ(host_.violations(),
            std::vector<std::string>{"CreateInstance: instances of RecordSet are made by the host only"});
  host_.clearViolations();
}

TEST_F(FakePluginTest, RefusedCursorWrapLeavesTheHandleToThePlugin) {
  tavro::Database db(host_, host_.createInstance("FakeDatabase"));
  Object probe = host_.createInstance("FakeCounter");
  const int32_t destroyed = host_.call<int32_t>(probe, "CursorDestroys");
  host_.refuseCursorWrap(true);
  EXPECT_TRUE(db.select("SELECT * FROM t").isNull());
  EXPECT_EQ(host_.call<int32_t>(probe, "CursorDestroys"), destroyed + 1);  // the plug-in freed it itself
  host_.refuseCursorWrap(false);
  EXPECT_FALSE(db.select("SELECT * FROM t").isNull());
}

TEST_F(FakePluginTest, DatabasePropertiesOfTheHostSuperclass) {
  Object instance = host_.createInstance("FakeDatabase");
  host_.setProperty(instance, "Host", Value("db.example"));
  host_.setProperty(instance, "UserName", Value("ann"));
  EXPECT_EQ(host_.getProperty(instance, "host").asText(), "db.example");
  EXPECT_THROW(host_.setProperty(instance, "Host", Value(int32_t{1})), tavro::HostError);
  EXPECT_FALSE(tavro::Database(host_, instance).isConnected());
}

TEST_F(FakePluginTest, ConnectionDialogIsScriptedAndItsDataSourceRecorded) {
  host_.scriptConnectionDialog(std::string("dsn\0user\0pw\0", 12));
  host_.runDataSourceInterface("Fake dialog...");
  const auto dialogs = host_.dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].title, "Fake");
  ASSERT_EQ(dialogs[0].fields.size(), 1u);
  EXPECT_EQ(dialogs[0].fields[0].label, "Name:");
  EXPECT_EQ(dialogs[0].shown, 1);
  EXPECT_TRUE(dialogs[0].deleted);
  const auto sources = host_.designDataSources();
  ASSERT_EQ(sources.size(), 1u);
  EXPECT_EQ(sources[0].identifier, "FakeSource");
  EXPECT_EQ(sources[0].kind, "FAKE");
  EXPECT_EQ(sources[0].data, std::string("dsn\0user\0pw\0", 12));

  host_.runDataSourceInterface("Fake dialog...");  // nothing scripted: cancelled
  EXPECT_EQ(host_.designDataSources().size(), 1u);
  EXPECT_THROW(host_.runDataSourceInterface("Other"), tavro::HostError);
}

TEST_F(FakePluginTest, OpenerMakesAStandaloneDatabase) {
  Object opened = host_.openDataSource("FAKE", std::string("abc\0u\0p\0", 8));
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened.className(), "Database");
  tavro::Database db(host_, opened);
  EXPECT_TRUE(db.isConnected());
  EXPECT_EQ(db.lastErrorCode(), 0);
  EXPECT_THROW(host_.openDataSource("NONE", ""), tavro::HostError);
}

TEST_F(FakePluginTest, RowSetsAndMalformedValuesFromACursor) {
  tavro::Database db(host_, host_.createInstance("FakeDatabase"));
  tavro::RecordSet rows = db.selectWithParams("SELECT * FROM t", Object());
  ASSERT_FALSE(rows.isNull());
  EXPECT_TRUE(rows.isRowSet());
  EXPECT_EQ(rows.object().className(), "RowSet");
  ASSERT_TRUE(rows.next());
  ASSERT_EQ(rows.value(1).asText(), "Ann");  // the slot holds a string now
  const std::vector<std::pair<int32_t, std::string>> malformed = {
      {90, "value of type 3: null value pointer"},
      {91, "value of type 3: length 2 where the type has 4 bytes"},
      {92, "value of type 18: length 8 where a string slot has 4"},
      {93, "value of type 18: the slot holds a null string"},
      {94, "value of type 0: NULL whose value bytes are not zero"},
      {95, "value of type 5: null value pointer"},
      {96, "value of type 16: null value pointer"},
      {98, "value of type 77: not a host column type"},
      // Text is checked in the encoding it declares: a string in its own,
      // text bytes as UTF-8.
      {99, "value of type 18: the string is not valid text in its encoding 134217984"},
      {100, "value of type 18: the string is not valid text in its encoding 256"},
      {101, "value of type 5: the bytes are not valid UTF-8"},
  };
  for (const auto& [column, why] : malformed) {
    const std::string expected = "ColumnValue: column " + std::to_string(column) + " " + why;
    try {
      rows.value(column);
      ADD_FAILURE() << "accepted: " << expected;
    } catch (const tavro::HostError& e) {
      EXPECT_EQ(e.what(), expected);
    }
    ASSERT_FALSE(host_.violations().empty()) << expected;
    EXPECT_EQ(host_.violations().back(), expected);
  }
  EXPECT_EQ(host_.violations().size(), malformed.size());
  host_.clearViolations();

  // A string without an encoding is delivered (as UTF-8) but recorded.
  EXPECT_EQ(rows.value(97).asText(), "raw");
  EXPECT_EQ(host_.violations(), (std::vector<std::string>{
                                    "ColumnValue: host string has no encoding (VANTSetStringEncoding was never called)"}));
  host_.clearViolations();
  EXPECT_TRUE(rows.next());
  EXPECT_TRUE(rows.next());
  EXPECT_FALSE(rows.next());  // three rows
}
