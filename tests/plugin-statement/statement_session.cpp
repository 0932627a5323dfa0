#include "statement_session.h"

#include <stdexcept>

#include "test_environment.h"

namespace statement_test {
namespace {

std::string Required(const char* name) { return sqelto_test::RequiredEnvironment(name); }

}  // namespace

std::string ScratchSqliteFile(const std::string& stem) {
  return Required("SQELTO_ODBC_DIR") + "/" + UniqueName(stem) + ".sqlite3";
}

std::string UniqueName(const std::string& stem) { return sqelto_test::UniqueName(stem); }

Target TargetUnderTest() {
#if SQELTO_TEST_TARGET == 1
  return {Driver::PostgreSQL, "PostgreSQL",
          "Driver={PostgreSQL Unicode};Servername=" + Required("SQELTO_PG_HOST") + ";Port=" +
              Required("SQELTO_PG_PORT") + ";Database=" + Required("SQELTO_PG_DATABASE") +
              ";Username=postgres;SSLmode=disable;",
          Required("SQELTO_PG_DSN"), "postgres", ""};
#elif SQELTO_TEST_TARGET == 2
  const std::string user = Required("SQELTO_MARIADB_USER");
  const std::string password = Required("SQELTO_MARIADB_PASSWORD");
  return {Driver::MariaDB, "MariaDB",
          "Driver={MariaDB Unicode};Server=" + Required("SQELTO_MARIADB_HOST") + ";Port=" +
              Required("SQELTO_MARIADB_PORT") + ";Database=" + Required("SQELTO_MARIADB_DATABASE") + ";User=" + user +
              ";Password=" + password + ";Charset=utf8mb4;",
          Required("SQELTO_MARIADB_DSN"), user, password};
#else
  return {Driver::SQLite, "SQLite", "Driver=SQLite3;Database=" + ScratchSqliteFile("statements") + ";",
          Required("SQELTO_SQLITE_DSN"), "", ""};
#endif
}

Dialect DialectOf(Driver driver) {
  switch (driver) {
    case Driver::PostgreSQL: return {"SMALLINT", "DOUBLE PRECISION", "TIMESTAMP", "BYTEA", "TEXT"};
    case Driver::MariaDB: return {"TINYINT", "DOUBLE", "DATETIME", "LONGBLOB", "LONGTEXT"};
    case Driver::SQLite: break;
  }
  return {"TINYINT", "DOUBLE", "TIMESTAMP", "BLOB", "TEXT"};
}

StatementSession::StatementSession() : target_(TargetUnderTest()) {
  if (!tavro::useUtf8Locale()) throw std::runtime_error("no UTF-8 locale available");
  host_.load(SQELTO_PLUGIN_PATH);
}

tavro::Object StatementSession::Connect(const std::string& dataSource) {
  tavro::Object database = host_.createInstance("ODBCDatabase");
  host_.setProperty(database, "DataSource", tavro::Value(dataSource));
  const bool connected = host_.call<bool>(database, "Connect");
  EXPECT_TRUE(connected) << "connect to " << dataSource << " failed: " << LastError(Db(database));
  return database;
}

tavro::Object StatementSession::Prepare(const tavro::Object& database, const std::string& sql) {
  return host_.call<tavro::Object>(database, "Prepare", sql);
}

tavro::Object StatementSession::Vars(std::initializer_list<tavro::Value> values) {
  std::vector<tavro::Object> elements;
  for (const tavro::Value& value : values) elements.push_back(value.isNil() ? tavro::Object() : Var(value));
  return host_.makeVariantArray(elements);
}

std::vector<std::vector<std::string>> StatementSession::Rows(const tavro::Object& database, const std::string& sql) {
  tavro::Database db = Db(database);
  tavro::RecordSet rows = db.select(sql);
  if (rows.isNull()) {
    ADD_FAILURE() << sql << ": " << LastError(db);
    return {};
  }
  return Rows(rows);
}

std::vector<std::vector<std::string>> StatementSession::Rows(tavro::RecordSet& rows) {
  std::vector<std::vector<std::string>> out;
  const int32_t columns = rows.columnCount();
  while (rows.next()) {
    std::vector<std::string> row;
    for (int32_t c = 0; c < columns; ++c) {
      const tavro::Value value = rows.value(c);
      row.push_back(value.isNil() ? "NULL" : value.toString());
    }
    out.push_back(std::move(row));
  }
  return out;
}

std::string LastError(tavro::Database db) {
  return std::to_string(db.lastErrorCode()) + ": " + db.lastErrorString();
}

}  // namespace statement_test
