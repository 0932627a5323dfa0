// Every catalogue question, asked the way a host program asks it (engine
// words and ODBCDatabase methods on the substitute host with the built
// plug-in loaded), held against the same ODBC catalogue call made straight
// on the driver. What the plug-in decides is asserted exactly: column names
// and order, cell codes, one row per driver row, the type mapping and the
// key and not-null marks. Built once per DBMS.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "catalogue_answers.h"
#include "catalogue_schema.h"
#include "plugin_session.h"

using catalogue_test::Answer;
using catalogue_test::CallDriver;
using catalogue_test::ColumnOf;
using catalogue_test::DriverAnswer;
using catalogue_test::ExpectRowsOf;
using catalogue_test::OnlyRowsEndingWith;
using catalogue_test::ReadAnswer;
using catalogue_test::Utf16;
using Strings = std::vector<std::string>;

namespace {

// The host column type of each ODBC SQL type, as the field schema must
// report it.
int32_t ExpectedHostType(int sqlType) {
  switch (sqlType) {
    case -6: return 1;
    case 5: return 2;
    case 4: return 3;
    case 7: return 6;
    case 6:
    case 8:
    case 2:
    case 3: return 7;
    case 9:
    case 91: return 8;
    case 10:
    case 92: return 9;
    case 11:
    case 93: return 10;
    case -7: return 12;
    case -2:
    case -3: return 14;
    case -1:
    case -10: return 15;
    case -4: return 16;
    case -5: return 19;
    default: return 5;
  }
}

bool Contains(const Strings& cells, const std::string& text) {
  return std::find(cells.begin(), cells.end(), text) != cells.end();
}

void ExpectEveryCode(const Answer& answer, int32_t code) {
  for (std::size_t r = 0; r < answer.codes.size(); ++r)
    for (std::size_t i = 0; i < answer.codes[r].size(); ++i)
      EXPECT_EQ(answer.codes[r][i], code) << "row " << r << " column " << answer.columns[i];
}

class Catalogue : public ::testing::Test {
protected:
  Catalogue()
      : target_(catalogue_test::TargetUnderTest()),
        db_(session_.Connected(target_.connectionString)),
        schema_(db_, target_.dbms) {}

  tavro::Host& Host() { return session_.host(); }

  // A catalogue method of ODBCDatabase; a nil answer reads as std::nullopt.
  template <class... A>
  std::optional<Answer> Ask(const char* method, A&&... args) {
    tavro::Object result = Host().call<tavro::Object>(db_.object(), method, std::forward<A>(args)...);
    if (!result) return std::nullopt;
    return ReadAnswer(tavro::RecordSet(Host(), result));
  }

  void Extended(bool on) { Host().setProperty(db_.object(), "ExtendedSchema", tavro::Value(on)); }

  DriverAnswer Driver(const std::function<SQLRETURN(SQLHSTMT)>& call) {
    return CallDriver(target_.connectionString, call);
  }

  static SQLWCHAR* W(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }
  static SQLSMALLINT Length(const std::u16string& text) { return static_cast<SQLSMALLINT>(text.size()); }

  plugin_odbc_test::PluginSession session_;
  catalogue_test::Target target_;
  tavro::Database db_;
  catalogue_test::CatalogueSchema schema_;
};

TEST_F(Catalogue, TableSchemaListsTablesOrWithExtendedSchemaEveryKindWithFiveColumns) {
  Answer plain = ReadAnswer(db_.tableSchema());
  EXPECT_EQ(plain.columns, Strings{"TableName"});
  EXPECT_EQ(plain.recordCount, static_cast<int32_t>(plain.rows.size()));
  EXPECT_FALSE(plain.rowSet);
  ExpectEveryCode(plain, TAVRO_COLUMN_HOST_STRING);
  // Other test processes make and drop tables on a shared server meanwhile:
  // only this process's tables are compared.
  const Answer mine = OnlyRowsEndingWith(plain, 0, schema_.suffix);
  std::u16string tables = u"'TABLE'";
  auto driver = Driver([&](SQLHSTMT s) { return SQLTablesW(s, nullptr, 0, nullptr, 0, nullptr, 0, W(tables), 7); });
  ExpectRowsOf(mine, OnlyRowsEndingWith(driver.rows, 2, schema_.suffix), {2});
  const Strings names = ColumnOf(mine, "TableName");
  for (const std::string& table : {schema_.parent, schema_.pair, schema_.child, schema_.nonAscii})
    EXPECT_TRUE(Contains(names, table)) << table;
  EXPECT_FALSE(Contains(names, schema_.view));

  Extended(true);
  Answer extended = OnlyRowsEndingWith(ReadAnswer(db_.tableSchema()), 0, schema_.suffix);
  EXPECT_EQ(extended.columns, (Strings{"TableName", "TableType", "Remarks", "TableCatalog", "TableSchema"}));
  ExpectEveryCode(extended, TAVRO_COLUMN_HOST_STRING);
  std::u16string kinds = u"'TABLE','VIEW','SYSTEM TABLE','GLOBAL TEMPORARY','LOCAL TEMPORARY','ALIAS','SYNONYM'";
  driver = Driver([&](SQLHSTMT s) { return SQLTablesW(s, nullptr, 0, nullptr, 0, nullptr, 0, W(kinds), 84); });
  ExpectRowsOf(extended, OnlyRowsEndingWith(driver.rows, 2, schema_.suffix), {2, 3, 4, 0, 1});
  const Strings extendedNames = ColumnOf(extended, "TableName");
  const auto view = std::find(extendedNames.begin(), extendedNames.end(), schema_.view);
  ASSERT_NE(view, extendedNames.end());
  EXPECT_EQ(ColumnOf(extended, "TableType")[static_cast<std::size_t>(view - extendedNames.begin())], "VIEW");
}

TEST_F(Catalogue, FieldSchemaMapsTypesAndMarksKeyAndNotNullColumns) {
  for (const std::string& table : {schema_.child, schema_.pair}) {
    SCOPED_TRACE(table);
    Answer fields = ReadAnswer(db_.fieldSchema(table));
    EXPECT_EQ(fields.columns, (Strings{"ColumnName", "FieldType", "IsPrimary", "NotNull", "Length"}));
    std::u16string name = Utf16(table);
    auto driver =
        Driver([&](SQLHSTMT s) { return SQLColumnsW(s, nullptr, 0, nullptr, 0, W(name), Length(name), nullptr, 0); });
    ASSERT_EQ(fields.rows.size(), driver.rows.size());
    auto keys = Driver([&](SQLHSTMT s) { return SQLPrimaryKeysW(s, nullptr, 0, nullptr, 0, W(name), Length(name)); });
    for (std::size_t r = 0; r < driver.rows.size(); ++r) {
      const auto& d = driver.rows[r];
      const std::string column = d[3].value_or("");
      SCOPED_TRACE(column);
      EXPECT_EQ(fields.rows[r][0], column);
      EXPECT_EQ(fields.rows[r][1], std::to_string(ExpectedHostType(std::stoi(d[4].value_or("0")))));
      bool key = false;
      for (const auto& k : keys.rows) key = key || k[3] == column;
      EXPECT_EQ(fields.rows[r][2], key ? "true" : "false");
      EXPECT_EQ(fields.rows[r][3], d[10].value_or("") == "0" ? "true" : "false");
      EXPECT_EQ(fields.rows[r][4], d[6].value_or(""));
      // Codes: the driver column's own for COLUMN_NAME and COLUMN_SIZE.
      EXPECT_EQ(fields.codes[r],
                (std::vector<int32_t>{ExpectedHostType(driver.types[3]), TAVRO_COLUMN_SMALLINT, TAVRO_COLUMN_BOOLEAN,
                                      TAVRO_COLUMN_BOOLEAN, ExpectedHostType(driver.types[6])}));
    }
  }
  // The marks, stated for the schema's own tables.
  Answer pair = ReadAnswer(db_.fieldSchema(schema_.pair));
  EXPECT_EQ(ColumnOf(pair, "ColumnName"), (Strings{"a", "b", "qty"}));
  EXPECT_EQ(ColumnOf(pair, "IsPrimary"), (Strings{"true", "true", "false"}));
  EXPECT_EQ(ColumnOf(pair, "NotNull"), (Strings{"true", "true", "false"}));
  Answer child = ReadAnswer(db_.fieldSchema(schema_.child));
  const Strings childNames = ColumnOf(child, "ColumnName");
  const Strings types = ColumnOf(child, "FieldType");
  auto typeOf = [&](const std::string& column) {
    return types[static_cast<std::size_t>(std::find(childNames.begin(), childNames.end(), column) -
                                          childNames.begin())];
  };
  EXPECT_EQ(typeOf("id"), "3");
  EXPECT_EQ(typeOf("small"), "2");
  EXPECT_EQ(typeOf("big"), "19");
  EXPECT_EQ(typeOf("created"), "8");
  EXPECT_EQ(typeOf("stamp"), "10");
  EXPECT_EQ(typeOf("ratio"), "7");

  Extended(true);
  Answer extended = ReadAnswer(db_.fieldSchema(schema_.child));
  EXPECT_EQ(extended.columns, (Strings{"ColumnName", "FieldType", "IsPrimary", "NotNull", "Length", "DataType",
                                       "TypeName", "TableCatalog", "TableSchema", "TableName", "ColumnSize",
                                       "BufferLength", "DecimalDigits", "NumPrecRadix", "Nullable", "Remarks"}));
  std::u16string name = Utf16(schema_.child);
  auto driver =
      Driver([&](SQLHSTMT s) { return SQLColumnsW(s, nullptr, 0, nullptr, 0, W(name), Length(name), nullptr, 0); });
  // Columns 5 on are the driver's cells as they are.
  Answer tail = extended;
  for (auto& row : tail.rows) row.erase(row.begin(), row.begin() + 5);
  tail.columns.erase(tail.columns.begin(), tail.columns.begin() + 5);
  ExpectRowsOf(tail, driver.rows, {4, 5, 0, 1, 2, 6, 7, 8, 9, 10, 11});
  for (std::size_t r = 0; r < extended.codes.size(); ++r)
    for (std::size_t i = 5; i < 16; ++i)
      EXPECT_EQ(
          extended.codes[r][i],
          ExpectedHostType(
              driver.types[static_cast<std::size_t>(std::vector<int>{4, 5, 0, 1, 2, 6, 7, 8, 9, 10, 11}[i - 5])]));
}

TEST_F(Catalogue, NonAsciiTableAndColumnNamesComeBackWhole) {
  EXPECT_TRUE(Contains(ColumnOf(ReadAnswer(db_.tableSchema()), "TableName"), schema_.nonAscii));
  Answer fields = ReadAnswer(db_.fieldSchema(schema_.nonAscii));
  EXPECT_EQ(ColumnOf(fields, "ColumnName"), (Strings{"größe", "naïve"}));
  EXPECT_EQ(ColumnOf(fields, "IsPrimary"), (Strings{"false", "false"}));
  std::optional<Answer> keys = Ask("PrimaryKeys", schema_.nonAscii);
  ASSERT_TRUE(keys);
  EXPECT_EQ(keys->columns.size(), 6u);
  EXPECT_TRUE(keys->rows.empty());
}

TEST_F(Catalogue, IndexSchemaListsUniqueIndexesOnly) {
  Answer plain = ReadAnswer(db_.indexSchema(schema_.parent));
  EXPECT_EQ(plain.columns, Strings{"IndexName"});
  ExpectEveryCode(plain, TAVRO_COLUMN_HOST_STRING);
  std::u16string name = Utf16(schema_.parent);
  auto driver = Driver([&](SQLHSTMT s) {
    return SQLStatisticsW(s, nullptr, 0, nullptr, 0, W(name), Length(name), SQL_INDEX_UNIQUE, SQL_QUICK);
  });
  ExpectRowsOf(plain, driver.rows, {5});
  EXPECT_FALSE(Contains(ColumnOf(plain, "IndexName"), schema_.noteIndex));

  Extended(true);
  Answer extended = ReadAnswer(db_.indexSchema(schema_.parent));
  EXPECT_EQ(extended.columns,
            (Strings{"IndexName", "TableName", "NonUnique", "IndexQualifier", "Type", "OrdinalPosition", "ColumnName",
                     "TableCatalog", "TableSchema", "AscOrDesc", "Cardinality", "Pages", "FilterCondition"}));
  ExpectEveryCode(extended, TAVRO_COLUMN_HOST_STRING);
  ExpectRowsOf(extended, driver.rows, {5, 2, 3, 4, 6, 7, 8, 0, 1, 9, 10, 11, 12});
  // The primary key (id) and the unique code column, one row per indexed column.
  const Strings columns = ColumnOf(extended, "ColumnName");
  EXPECT_TRUE(Contains(columns, "id"));
  EXPECT_TRUE(Contains(columns, "code"));
  EXPECT_FALSE(Contains(columns, "note"));
}

TEST_F(Catalogue, PrimaryKeysOfACompoundKeyInKeyOrder) {
  std::optional<Answer> keys = Ask("PrimaryKeys", schema_.pair);
  ASSERT_TRUE(keys);
  EXPECT_EQ(keys->columns, (Strings{"KeyName", "TableName", "ColumnName", "KeySeq", "TableCatalog", "TableSchema"}));
  ExpectEveryCode(*keys, TAVRO_COLUMN_HOST_STRING);
  std::u16string name = Utf16(schema_.pair);
  auto driver = Driver([&](SQLHSTMT s) { return SQLPrimaryKeysW(s, nullptr, 0, nullptr, 0, W(name), Length(name)); });
  ExpectRowsOf(*keys, driver.rows, {5, 2, 3, 4, 0, 1});
  EXPECT_EQ(ColumnOf(*keys, "ColumnName"), (Strings{"a", "b"}));
  EXPECT_EQ(ColumnOf(*keys, "KeySeq"), (Strings{"1", "2"}));
  EXPECT_EQ(ColumnOf(*keys, "TableName"), (Strings{schema_.pair, schema_.pair}));
}

TEST_F(Catalogue, ForeignKeysFromEitherSideOrBoth) {
  const Strings columns{"PrimaryKeyTableName",
                        "PrimaryKeyColumnName",
                        "PrimaryKeyName",
                        "ForeignKeyTableName",
                        "ForeignKeyColumnName",
                        "ForeignKeyName",
                        "KeySeq",
                        "PrimaryKeyTableCatalog",
                        "PrimaryKeyTableSchema",
                        "ForeignKeyTableCatalog",
                        "ForeignKeyTableSchema",
                        "UpdateRule",
                        "DeleteRule"};
  const std::vector<int> map{2, 3, 12, 6, 7, 11, 8, 0, 1, 4, 5, 9, 10};
  std::u16string parent = Utf16(schema_.parent), child = Utf16(schema_.child);
  auto driver = Driver([&](SQLHSTMT s) {
    return SQLForeignKeysW(s, nullptr, 0, nullptr, 0, W(parent), Length(parent), nullptr, 0, nullptr, 0, W(child),
                           Length(child));
  });
  ASSERT_EQ(driver.rows.size(), 1u);
  // Both tables, the referenced table only, the referencing table only.
  for (const auto& [primary, foreign] :
       {std::pair{schema_.parent, schema_.child}, std::pair{schema_.parent, std::string()},
        std::pair{std::string(), schema_.child}}) {
    SCOPED_TRACE(primary + " / " + foreign);
    std::optional<Answer> keys = Ask("ForeignKeys", primary, foreign);
    ASSERT_TRUE(keys) << db_.lastErrorString();
    EXPECT_EQ(keys->columns, columns);
    ExpectEveryCode(*keys, TAVRO_COLUMN_HOST_STRING);
    ExpectRowsOf(*keys, driver.rows, map);
    EXPECT_EQ(ColumnOf(*keys, "ForeignKeyColumnName"), Strings{"parent_id"});
    EXPECT_EQ(ColumnOf(*keys, "PrimaryKeyColumnName"), Strings{"id"});
    EXPECT_EQ(ColumnOf(*keys, "KeySeq"), Strings{"1"});
  }
}

TEST_F(Catalogue, SpecialColumnsPassTheirIntegersToTheDriver) {
  std::optional<Answer> best = Ask("SpecialColumns", SQL_BEST_ROWID, schema_.parent, SQL_SCOPE_CURROW, SQL_NULLABLE);
  ASSERT_TRUE(best) << db_.lastErrorString();
  EXPECT_EQ(best->columns, (Strings{"Scope", "ColumnName", "DataType", "TypeName", "ColumnSize", "BufferLength",
                                    "DecimalDigits", "PseudoColumn"}));
  ExpectEveryCode(*best, TAVRO_COLUMN_HOST_STRING);
  std::u16string name = Utf16(schema_.parent);
  auto driver = Driver([&](SQLHSTMT s) {
    return SQLSpecialColumnsW(s, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, W(name), Length(name), SQL_SCOPE_CURROW,
                              SQL_NULLABLE);
  });
  ExpectRowsOf(*best, driver.rows, {0, 1, 2, 3, 4, 5, 6, 7});

  // No identifier type 99 exists: the refusal is the last error.
  EXPECT_FALSE(Ask("SpecialColumns", 99, schema_.parent, SQL_SCOPE_CURROW, SQL_NULLABLE));
  EXPECT_NE(db_.lastErrorCode(), 0);
  EXPECT_FALSE(db_.lastErrorString().empty());
}

TEST_F(Catalogue, TableAndColumnPrivilegesOneRowPerDriverRow) {
  std::optional<Answer> tables = Ask("TablePrivileges", schema_.parent);
  ASSERT_TRUE(tables) << db_.lastErrorString();
  EXPECT_EQ(tables->columns,
            (Strings{"TableName", "Grantor", "Grantee", "Privilege", "IsGrantable", "TableCatalog", "TableSchema"}));
  ExpectEveryCode(*tables, TAVRO_COLUMN_HOST_STRING);
  std::u16string table = Utf16(schema_.parent), column = u"note";
  auto driver =
      Driver([&](SQLHSTMT s) { return SQLTablePrivilegesW(s, nullptr, 0, nullptr, 0, W(table), Length(table)); });
  ExpectRowsOf(*tables, driver.rows, {2, 3, 4, 5, 6, 0, 1});
  if (target_.dbms == catalogue_test::Dbms::MariaDb) {  // the grant itself; other drivers list owner rights only
    EXPECT_TRUE(Contains(ColumnOf(*tables, "Grantee"), "'" + schema_.reader + "'@'localhost'"));
  }

  std::optional<Answer> columns = Ask("ColumnPrivileges", schema_.parent, std::string("note"));
  std::optional<DriverAnswer> driverColumns;
  try {
    driverColumns = Driver([&](SQLHSTMT s) {
      return SQLColumnPrivilegesW(s, nullptr, 0, nullptr, 0, W(table), Length(table), W(column), 4);
    });
  } catch (const std::runtime_error&) {
    // The driver has no column privileges (SQLite): neither does the plug-in.
  }
  if (!driverColumns) {
    EXPECT_FALSE(columns);
    EXPECT_NE(db_.lastErrorCode(), 0);
    EXPECT_NE(db_.lastErrorString().find("not support"), std::string::npos) << db_.lastErrorString();
  } else {
    ASSERT_TRUE(columns) << db_.lastErrorString();
    EXPECT_EQ(columns->columns, (Strings{"ColumnName", "Grantor", "Grantee", "Privilege", "IsGrantable", "TableName",
                                         "TableCatalog", "TableSchema"}));
    ExpectEveryCode(*columns, TAVRO_COLUMN_HOST_STRING);
    ExpectRowsOf(*columns, driverColumns->rows, {3, 4, 5, 6, 7, 2, 0, 1});
  }

  // An absent table is no question: nil, and the last error is left as it was.
  EXPECT_FALSE(Ask("SpecialColumns", 99, schema_.parent, SQL_SCOPE_CURROW, SQL_NULLABLE));
  const int32_t code = db_.lastErrorCode();
  ASSERT_NE(code, 0);
  EXPECT_FALSE(Ask("ColumnPrivileges", static_cast<TavroString>(nullptr), std::string("note")));
  EXPECT_FALSE(Ask("TablePrivileges", static_cast<TavroString>(nullptr)));
  EXPECT_EQ(db_.lastErrorCode(), code);
}

TEST_F(Catalogue, ProceduresAndTheirParameters) {
  std::optional<Answer> all = Ask("Procedures");
  ASSERT_TRUE(all) << db_.lastErrorString();
  EXPECT_EQ(all->columns, (Strings{"ProcedureName", "ProcedureType", "NumInputParams", "NumOutputParams",
                                   "NumResultSets", "Remarks", "ProcedureCatalog", "ProcedureSchema"}));
  ExpectEveryCode(*all, TAVRO_COLUMN_HOST_STRING);
  std::u16string every = u"%";
  auto driver = Driver([&](SQLHSTMT s) { return SQLProceduresW(s, nullptr, 0, nullptr, 0, W(every), 1); });
  // Other test processes add procedures of their own meanwhile.
  const Answer mine = OnlyRowsEndingWith(*all, 0, schema_.suffix);
  ExpectRowsOf(mine, OnlyRowsEndingWith(driver.rows, 2, schema_.suffix), {2, 7, 3, 4, 5, 6, 0, 1});
  EXPECT_EQ(mine.rows.size(), schema_.hasProcedures() ? 1u : 0u);

  std::optional<Answer> parameters = Ask("ProcedureColumns", schema_.procedure);
  ASSERT_TRUE(parameters) << db_.lastErrorString();
  EXPECT_EQ(parameters->columns, (Strings{"ColumnName", "ColumnType", "DataType", "TypeName", "ColumnSize",
                                          "ProcedureCatalog", "ProcedureSchema", "ProcedureName", "BufferLength",
                                          "DecimalDigits", "NumPrecRadix", "Nullable", "Remarks"}));
  ExpectEveryCode(*parameters, TAVRO_COLUMN_HOST_STRING);
  // A null column pattern is the ODBC way of "every column", like "%".
  std::u16string name = Utf16(schema_.procedure);
  auto driverParameters = Driver(
      [&](SQLHSTMT s) { return SQLProcedureColumnsW(s, nullptr, 0, nullptr, 0, W(name), Length(name), nullptr, 0); });
  ExpectRowsOf(*parameters, driverParameters.rows, {3, 4, 5, 6, 7, 0, 1, 2, 8, 9, 10, 11, 12});
  if (schema_.hasProcedures()) {
    const Strings names = ColumnOf(*parameters, "ColumnName");
    EXPECT_TRUE(Contains(names, "a"));
    EXPECT_TRUE(Contains(names, "b"));
    EXPECT_EQ(ColumnOf(*parameters, "ProcedureName"), Strings(names.size(), schema_.procedure));
  }
}

TEST_F(Catalogue, TypeInformationAsRecordSetAndRowSet) {
  const Strings columns{"TypeName",       "DataType",        "ColumnSize",    "LiteralPrefix",    "LiteralSuffix",
                        "CreateParams",   "Nullable",        "CaseSensitive", "Searchable",       "UnsignedAttribute",
                        "FixedPrecScale", "AutoUniqueValue", "LocalTypeName", "MinimumScale",     "MaximumScale",
                        "SQLDataType",    "SQLDateTimeSub",  "NumPrecRadix",  "IntervalPrecision"};
  const std::vector<int> identity{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  for (SQLSMALLINT type : {SQLSMALLINT{SQL_ALL_TYPES}, SQLSMALLINT{SQL_INTEGER}}) {
    SCOPED_TRACE(type);
    auto driver = Driver([&](SQLHSTMT s) { return SQLGetTypeInfoW(s, type); });
    std::optional<Answer> records = Ask("GetSQLTypeInfo", int32_t{type});
    ASSERT_TRUE(records) << db_.lastErrorString();
    EXPECT_FALSE(records->rowSet);
    EXPECT_EQ(records->columns, columns);
    ExpectEveryCode(*records, TAVRO_COLUMN_HOST_STRING);
    ExpectRowsOf(*records, driver.rows, identity);
    std::optional<Answer> rows = Ask("DataTypeInfo", int32_t{type});
    ASSERT_TRUE(rows);
    EXPECT_TRUE(rows->rowSet);
    EXPECT_EQ(rows->rows, records->rows);
  }
  EXPECT_GT(
      ReadAnswer(tavro::RecordSet(Host(), Host().call<tavro::Object>(db_.object(), "GetSQLTypeInfo", 0))).rows.size(),
      5u);
}

TEST_F(Catalogue, ANameWithANulCharacterIsRefusedNotCut) {
  // Cut at the NUL, the name would ask about the table "cat_parent_<pid>".
  const std::string name = schema_.parent + std::string(1, '\0') + "x";
  EXPECT_TRUE(db_.fieldSchema(name).isNull());
  EXPECT_EQ(db_.lastErrorCode(), -1);
  EXPECT_EQ(db_.lastErrorString(),
            "The name contains a NUL character (U+0000) at byte " + std::to_string(schema_.parent.size()) + ".");
  EXPECT_FALSE(Ask("PrimaryKeys", name));
  EXPECT_EQ(db_.lastErrorCode(), -1);
}

TEST_F(Catalogue, EveryQuestionWithoutAConnectionIsNotConnected) {
  tavro::Object object = session_.NewDatabase();
  tavro::Database unconnected(Host(), object);
  auto expectNotConnected = [&](bool answered, const char* what) {
    EXPECT_FALSE(answered) << what;
    EXPECT_EQ(unconnected.lastErrorCode(), 1) << what;
    EXPECT_EQ(unconnected.lastErrorString(), "Not connected.") << what;
  };
  auto method = [&](const char* name, auto... args) {
    return static_cast<bool>(Host().call<tavro::Object>(object, name, args...));
  };
  expectNotConnected(!unconnected.tableSchema().isNull(), "table schema");
  expectNotConnected(!unconnected.fieldSchema("t").isNull(), "field schema");
  expectNotConnected(!unconnected.indexSchema("t").isNull(), "index schema");
  expectNotConnected(method("PrimaryKeys", "t"), "PrimaryKeys");
  expectNotConnected(method("ForeignKeys", "t", "u"), "ForeignKeys");
  expectNotConnected(method("SpecialColumns", 1, "t", 0, 1), "SpecialColumns");
  expectNotConnected(method("TablePrivileges", "t"), "TablePrivileges");
  expectNotConnected(method("ColumnPrivileges", "t", "c"), "ColumnPrivileges");
  expectNotConnected(method("Procedures"), "Procedures");
  expectNotConnected(method("ProcedureColumns", "p"), "ProcedureColumns");
  expectNotConnected(method("GetSQLTypeInfo", 0), "GetSQLTypeInfo");
  expectNotConnected(method("DataTypeInfo", 0), "DataTypeInfo");
}

}  // namespace
