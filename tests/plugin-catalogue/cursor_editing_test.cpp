// Editing, updating and deleting the current row of a RecordSet, as a host
// program does it, against a real driver (built once per DBMS). Each case
// checks the rows of the table afterwards: the row meant, and no other.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "catalogue_schema.h"
#include "plugin_session.h"
#include "test_environment.h"

using catalogue_test::Dbms;
using Rows = std::vector<std::vector<std::string>>;

namespace {

constexpr int32_t kNotEditable = 9000;
constexpr int32_t kNoCurrentRecord = 9003;
constexpr int32_t kNoTable = 9004;

class CursorEditing : public ::testing::Test {
protected:
  CursorEditing()
      : target_(catalogue_test::TargetUnderTest()),
        db_(session_.Connected(target_.connectionString)),
        suffix_(sqelto_test::UniqueName("")) {}
  ~CursorEditing() override {
    for (const std::string& table : tables_) db_.execute("DROP TABLE IF EXISTS " + table);
  }

  // A table of this test with its rows; returns its name.
  std::string Table(const std::string& stem, const std::string& columns, const std::vector<std::string>& rows) {
    const std::string name = stem + suffix_;
    db_.execute("DROP TABLE IF EXISTS " + name);
    tables_.push_back(name);
    Run("CREATE TABLE " + name + " (" + columns + ")");
    for (const std::string& row : rows) Run("INSERT INTO " + name + " VALUES (" + row + ")");
    return name;
  }
  void Run(const std::string& sql) {
    db_.execute(sql);
    ASSERT_EQ(db_.lastErrorCode(), 0) << sql << ": " << db_.lastErrorString();
  }
  // Every row of a query, each value as text ("NULL" for NULL).
  Rows Query(const std::string& sql) {
    tavro::RecordSet rows = db_.select(sql);
    EXPECT_FALSE(rows.isNull()) << sql << ": " << db_.lastErrorString();
    Rows out;
    if (rows.isNull()) return out;
    while (rows.next()) {
      std::vector<std::string> row;
      for (int32_t i = 0; i < rows.columnCount(); ++i) {
        const tavro::Value value = rows.value(i);
        row.push_back(value.isNil() ? "NULL" : value.toString());
      }
      out.push_back(row);
    }
    return out;
  }
  // A RecordSet standing on the row whose first column reads `first`.
  tavro::RecordSet On(const std::string& sql, const std::string& first) {
    tavro::RecordSet rows = db_.select(sql);
    EXPECT_FALSE(rows.isNull()) << sql << ": " << db_.lastErrorString();
    while (!rows.isNull() && rows.next()) {
      const tavro::Value value = rows.value(0);
      if ((value.isNil() ? "NULL" : value.toString()) == first) return rows;
    }
    ADD_FAILURE() << "no row " << first << " in " << sql;
    return rows;
  }
  int32_t RowsAffected() { return plugin_odbc_test::PluginSession::Record(db_)->rowsAffected; }
  // ODBCDatabase.NextRowSet: moves the latest select's cursor on.
  bool NextRowSet() { return session_.host().call<bool>(db_.object(), "NextRowSet"); }
  void ExpectNoError() { EXPECT_EQ(db_.lastErrorCode(), 0) << db_.lastErrorString(); }
  void ExpectError(int32_t code) { EXPECT_EQ(db_.lastErrorCode(), code) << db_.lastErrorString(); }

  std::string DoubleType() const { return target_.dbms == Dbms::Postgres ? "DOUBLE PRECISION" : "DOUBLE"; }
  std::string TimestampType() const { return target_.dbms == Dbms::MariaDb ? "DATETIME(6)" : "TIMESTAMP"; }

  plugin_odbc_test::PluginSession session_;
  catalogue_test::Target target_;
  tavro::Database db_;
  std::string suffix_;
  std::vector<std::string> tables_;
};

TEST_F(CursorEditing, DeleteAndUpdateTheCurrentRowByItsPrimaryKey) {
  const std::string orders = Table("orders", "OrderID INTEGER PRIMARY KEY, note VARCHAR(40)",
                                   {"5, 'five'", "6, 'six'", "7, 'seven'", "8, 'eight'"});
  {
    tavro::RecordSet rows = On("SELECT * FROM " + orders, "7");
    rows.remove();
    ExpectNoError();
    EXPECT_EQ(RowsAffected(), 1);
  }
  EXPECT_EQ(Query("SELECT OrderID FROM " + orders + " ORDER BY OrderID"), (Rows{{"5"}, {"6"}, {"8"}}));

  // Edit, then update with the clause the edit built.
  {
    tavro::RecordSet rows = On("SELECT OrderID, note FROM " + orders, "6");
    rows.edit();
    ExpectNoError();
    rows.update({{1, "Grüße ✓"}});
    ExpectNoError();
    EXPECT_EQ(RowsAffected(), 1);
  }
  EXPECT_EQ(Query("SELECT OrderID, note FROM " + orders + " ORDER BY OrderID"),
            (Rows{{"5", "five"}, {"6", "Grüße ✓"}, {"8", "eight"}}));
}

// SQLite keeps any whole number in an INTEGER key: its condition must use
// the whole value, not the 32 bits a narrower read would leave (which here
// name another row).
TEST_F(CursorEditing, AKeyBeyond32BitsFindsItsRowAndNoOther) {
  if (target_.dbms != Dbms::Sqlite) GTEST_SKIP() << "only SQLite keeps values beyond 32 bits in an INTEGER column";
  const std::string wide =
      Table("wide", "id INTEGER PRIMARY KEY, note VARCHAR(10)", {"3000000000, 'wide'", "-1294967296, 'cut'"});
  {
    tavro::RecordSet rows = On("SELECT id, note FROM " + wide, "3000000000");
    rows.remove();
    ExpectNoError();
    EXPECT_EQ(RowsAffected(), 1);
  }
  EXPECT_EQ(Query("SELECT id, note FROM " + wide), (Rows{{"-1294967296", "cut"}}));
}

TEST_F(CursorEditing, AClauseIsNeverUsedForAnotherRow) {
  const std::string items = Table("items", "id INTEGER PRIMARY KEY, note VARCHAR(20)", {"1, 'a'", "2, 'b'", "3, 'c'"});
  {
    tavro::RecordSet rows = On("SELECT id, note FROM " + items + " ORDER BY id", "1");
    rows.edit();
    ExpectNoError();
    ASSERT_TRUE(rows.next());  // now on id 2
    rows.update({{1, "changed"}});
    ExpectNoError();
    ASSERT_TRUE(rows.next());  // now on id 3
    rows.remove();
    ExpectNoError();
    // Past the last row there is no row to write a clause for.
    EXPECT_FALSE(rows.next());
    rows.update({{1, "nowhere"}});
    ExpectError(kNotEditable);
    rows.edit();
    ExpectError(kNoCurrentRecord);
  }
  EXPECT_EQ(Query("SELECT id, note FROM " + items + " ORDER BY id"), (Rows{{"1", "a"}, {"2", "changed"}}));
}

TEST_F(CursorEditing, QuotesInTextKeysMatchTheirRowAndNothingElse) {
  const std::vector<std::string> names = {"O'Brien", "x' OR '1'='1", "a\\' OR 1=1 -- ", "plain", "back\\slash"};
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string literal;
    for (char c : names[i]) {
      if (c == '\'') literal += '\'';
      if (c == '\\' && target_.dbms == Dbms::MariaDb) literal += '\\';
      literal += c;
    }
    rows.push_back("'" + literal + "', " + std::to_string(i));
  }
  const std::string people = Table("people", "name VARCHAR(40) PRIMARY KEY, n INTEGER", rows);
  ASSERT_EQ(Query("SELECT name FROM " + people + " ORDER BY n").size(), names.size());

  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    {
      tavro::RecordSet row = On("SELECT name, n FROM " + people, names[i]);
      row.update({{1, std::to_string(100 + i)}});
      ExpectNoError();
      EXPECT_EQ(RowsAffected(), 1);
    }
    // This row changed; the others kept their numbers.
    for (std::size_t k = 0; k < names.size(); ++k) {
      const std::string expected = std::to_string(k <= i ? 100 + k : k);
      bool found = false;
      for (const auto& r : Query("SELECT name, n FROM " + people))
        if (r[0] == names[k]) found = (r[1] == expected);
      EXPECT_TRUE(found) << names[k] << " should read " << expected;
    }
  }
  {
    tavro::RecordSet row = On("SELECT name FROM " + people, "x' OR '1'='1");
    row.remove();
    ExpectNoError();
    EXPECT_EQ(RowsAffected(), 1);
  }
  EXPECT_EQ(Query("SELECT name FROM " + people).size(), names.size() - 1);
}

TEST_F(CursorEditing, ANullKeyValueFindsItsRow) {
  // No primary key: the integer columns identify a row.
  const std::string counts =
      Table("counts", "id INTEGER, qty INTEGER, name VARCHAR(10)", {"NULL, 1, 'first'", "2, 1, 'second'"});
  {
    tavro::RecordSet row = On("SELECT id, qty, name FROM " + counts, "NULL");
    row.update({{2, "found"}});
    ExpectNoError();
    EXPECT_EQ(RowsAffected(), 1);
  }
  EXPECT_EQ(Query("SELECT name FROM " + counts + " ORDER BY qty, name"), (Rows{{"found"}, {"second"}}));
}

TEST_F(CursorEditing, WithoutAPrimaryKeyTheIntegerColumnsInTheResultAreTheKey) {
  const std::string stock = Table("stock", "Qty INTEGER, Name VARCHAR(10)", {"1, 'bolt'", "2, 'bolt'", "3, 'nut'"});
  {
    tavro::RecordSet row = On("SELECT Qty, Name FROM " + stock, "2");
    row.update({{1, "screw"}});
    ExpectNoError();
  }
  EXPECT_EQ(Query("SELECT Qty, Name FROM " + stock + " ORDER BY Qty"),
            (Rows{{"1", "bolt"}, {"2", "screw"}, {"3", "nut"}}));
}

TEST_F(CursorEditing, FloatingPointKeysKeepEveryDigit) {
  // Six significant digits would write 1.23456789 as 1.23457 and hit the
  // row of that key instead. (The SQLite driver reads doubles back with 15
  // digits, so the keys differ within those.)
  const std::string measures =
      Table("measures", "x " + DoubleType() + " PRIMARY KEY, note VARCHAR(10)",
            {"1.23456789, 'long'", "1.23457, 'short'", "0.333333333, 'third'", "0.333333, 'near'"});
  for (const std::string note : {"long", "third"}) {
    SCOPED_TRACE(note);
    tavro::RecordSet rows = db_.select("SELECT x, note FROM " + measures);
    while (rows.next())
      if (rows.value(1).asText() == note) break;
    rows.update({{1, std::string(note) + "!"}});
    ExpectNoError();
    EXPECT_EQ(RowsAffected(), 1);
  }
  EXPECT_EQ(Query("SELECT note FROM " + measures + " ORDER BY x"), (Rows{{"near"}, {"third!"}, {"long!"}, {"short"}}));
}

TEST_F(CursorEditing, DateAndTimeKeysMatchWhatTheDriverStored) {
  const bool fractions = target_.dbms != Dbms::Sqlite;
  const std::string events =
      Table("events", "day DATE, at " + TimestampType() + ", note VARCHAR(10), PRIMARY KEY (day, at)",
            {"'2021-03-04', '2021-03-04 10:05:06', 'first'", "'2021-03-04', '2021-03-04 10:05:07', 'second'",
             std::string("'2021-12-31', '") + (fractions ? "2021-12-31 23:59:59.123456" : "2021-12-31 23:59:59") +
                 "', 'third'"});
  for (const std::string note : {"first", "third"}) {
    SCOPED_TRACE(note);
    tavro::RecordSet rows = db_.select("SELECT day, at, note FROM " + events);
    while (rows.next())
      if (rows.value(2).asText() == note) break;
    rows.remove();
    ExpectNoError();
    EXPECT_EQ(RowsAffected(), 1);
  }
  EXPECT_EQ(Query("SELECT note FROM " + events), (Rows{{"second"}}));
}

TEST_F(CursorEditing, ResultsThatCannotBeEditedSaySo) {
  const std::string pair = Table("pairs", "a INTEGER NOT NULL, b VARCHAR(10) NOT NULL, qty INTEGER, PRIMARY KEY (a, b)",
                                 {"1, 'x', 10", "1, 'y', 20"});
  // Part of the primary key only: "a = 1" would reach both rows.
  {
    tavro::RecordSet row = On("SELECT a, qty FROM " + pair, "1");
    row.edit();
    ExpectError(kNotEditable);
    EXPECT_EQ(db_.lastErrorString(),
              "The RecordSet cannot be edited because the uniqueness of its rows cannot be verified.");
    row.update({{1, "99"}});
    ExpectError(kNotEditable);
    row.remove();
    ExpectError(kNotEditable);
  }
  EXPECT_EQ(Query("SELECT qty FROM " + pair + " ORDER BY qty"), (Rows{{"10"}, {"20"}}));

  // No FROM in the statement: no table.
  {
    tavro::RecordSet row = db_.select("SELECT 1");
    ASSERT_TRUE(row.next());
    row.edit();
    ExpectError(kNoTable);
    EXPECT_EQ(db_.lastErrorString(), "The fields cannot be updated because the table can't be determined.");
    row.remove();
    ExpectError(kNotEditable);
    row.update({{0, "2"}});
    ExpectError(kNotEditable);
  }
  // Two tables: only the first FROM counts, and "t1," names no table.
  {
    tavro::RecordSet row = db_.select("SELECT * FROM " + pair + ", " + pair + " p2");
    ASSERT_TRUE(row.next());
    row.edit();
    ExpectError(kNotEditable);
  }
  // Before the first row.
  {
    tavro::RecordSet row = db_.select("SELECT a FROM " + pair);
    row.edit();
    ExpectError(kNoCurrentRecord);
    EXPECT_EQ(db_.lastErrorString(),
              "The operation could not be performed because there is no current record on which to perform it.");
  }
}

// The statement text of a batch names the first statement's table only: the
// first result stays editable, and once the cursor shows the next result
// nothing it knew about the first may reach a row.
TEST_F(CursorEditing, ABatchIsEditableOnlyInItsFirstResult) {
  const std::string ta = Table("ta", "id INTEGER PRIMARY KEY, name VARCHAR(10)", {"1, 'one'", "2, 'two'", "3, 'three'"});
  const std::string tb = Table("tb", "id INTEGER PRIMARY KEY, note TEXT", {"1, 'first note'", "2, 'second note'"});
  const Rows taEdited = {{"1", "one"}, {"2", "changed"}, {"3", "three"}};
  const Rows tbBefore = {{"1", "first note"}, {"2", "second note"}};
  if (target_.dbms != Dbms::Postgres) {
    // One SELECT at a time: there is no next result, and the cursor stays
    // as editable as it was.
    tavro::RecordSet rows = On("SELECT id, name FROM " + ta + " ORDER BY id", "2");
    EXPECT_FALSE(NextRowSet());
    rows.update({{1, "changed"}});
    ExpectNoError();
    EXPECT_EQ(RowsAffected(), 1);
    EXPECT_EQ(Query("SELECT id, name FROM " + ta + " ORDER BY id"), taEdited);
    return;
  }
  // An edit of the first result, then a delete or update after the move
  // that does not move to a row.
  {
    tavro::RecordSet rows =
        On("SELECT id, name FROM " + ta + " ORDER BY id; SELECT id, note FROM " + tb + " ORDER BY id", "2");
    rows.edit();
    ExpectNoError();
    rows.update({{1, "changed"}});
    ExpectNoError();
    EXPECT_EQ(RowsAffected(), 1);
    rows.edit();
    ExpectNoError();
    ASSERT_TRUE(NextRowSet());
    rows.remove();
    ExpectError(kNoTable);
    EXPECT_EQ(db_.lastErrorString(), "The fields cannot be updated because the table can't be determined.");
    rows.update({{1, "nowhere"}});
    ExpectError(kNoTable);
  }
  // A row of the second result: its key column has the name of the first
  // table's key, and its value matches a row there.
  {
    tavro::RecordSet rows = db_.select("SELECT id, name FROM " + ta + " ORDER BY id; SELECT id, substr(note, 1, 5)::" +
                                       "varchar(10) AS n FROM " + tb + " ORDER BY id");
    ASSERT_FALSE(rows.isNull()) << db_.lastErrorString();
    ASSERT_TRUE(NextRowSet());
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.value(1).asText(), "first");
    rows.edit();
    ExpectError(kNoTable);
    rows.remove();
    ExpectError(kNoTable);
    rows.update({{1, "other"}});
    ExpectError(kNoTable);
    ASSERT_TRUE(rows.next());
    rows.edit();
    ExpectError(kNoTable);
    rows.remove();
    ExpectError(kNoTable);
  }
  EXPECT_EQ(Query("SELECT id, name FROM " + ta + " ORDER BY id"), taEdited);
  EXPECT_EQ(Query("SELECT id, note FROM " + tb + " ORDER BY id"), tbBefore);
}

TEST_F(CursorEditing, TheDriversRefusalIsTheLastError) {
  const std::string unique =
      Table("uniq", "id INTEGER PRIMARY KEY, code VARCHAR(10) NOT NULL UNIQUE", {"1, 'one'", "2, 'two'"});
  {
    tavro::RecordSet row = On("SELECT id, code FROM " + unique, "2");
    row.update({{1, "one"}});
    EXPECT_NE(db_.lastErrorCode(), 0);
    EXPECT_FALSE(db_.lastErrorString().empty());
  }
  EXPECT_EQ(Query("SELECT code FROM " + unique + " ORDER BY id"), (Rows{{"one"}, {"two"}}));
}

}  // namespace
