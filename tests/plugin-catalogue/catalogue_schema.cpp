#include "catalogue_schema.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "test_environment.h"

namespace catalogue_test {
Target TargetUnderTest() {
#if SQELTO_CATALOGUE_DBMS == 0
  // A database file of this process only; a file left by an earlier run of
  // the same process id would hold its tables.
  const std::string file =
      sqelto_test::RequiredEnvironment("SQELTO_ODBC_DIR") + "/" + sqelto_test::UniqueName("catalogue") + ".sqlite3";
  std::remove(file.c_str());
  return {Dbms::Sqlite, "SQLite", "Driver=SQLite3;Database=" + file + ";"};
#elif SQELTO_CATALOGUE_DBMS == 1
  return {Dbms::Postgres, "PostgreSQL",
          "Driver={PostgreSQL Unicode};Servername=" + sqelto_test::RequiredEnvironment("SQELTO_PG_HOST") +
              ";Port=" + sqelto_test::RequiredEnvironment("SQELTO_PG_PORT") + ";Database=" +
              sqelto_test::RequiredEnvironment("SQELTO_PG_DATABASE") + ";Username=postgres;SSLmode=disable;"};
#else
  return {Dbms::MariaDb, "MariaDB",
          "Driver={MariaDB Unicode};Server=" + sqelto_test::RequiredEnvironment("SQELTO_MARIADB_HOST") +
              ";Port=" + sqelto_test::RequiredEnvironment("SQELTO_MARIADB_PORT") +
              ";Database=" + sqelto_test::RequiredEnvironment("SQELTO_MARIADB_DATABASE") +
              ";User=" + sqelto_test::RequiredEnvironment("SQELTO_MARIADB_USER") +
              ";Password=" + sqelto_test::RequiredEnvironment("SQELTO_MARIADB_PASSWORD") + ";Charset=utf8mb4;"};
#endif
}

CatalogueSchema::CatalogueSchema(tavro::Database& db, Dbms dbms)
    : suffix(sqelto_test::UniqueName("")),
      parent("cat_parent" + suffix),
      noteIndex("cat_note" + suffix),
      pair("cat_pair" + suffix),
      child("cat_child" + suffix),
      view("cat_view" + suffix),
      nonAscii("käse" + suffix),
      reader("cat_reader" + suffix),
      procedure("cat_proc" + suffix),
      db_(db),
      dbms_(dbms) {
  Drop();  // what an earlier run of the same process id may have left
  const bool pg = dbms == Dbms::Postgres, maria = dbms == Dbms::MariaDb;
  Run({
      "CREATE TABLE " + parent + " (id INTEGER PRIMARY KEY, code VARCHAR(20) NOT NULL UNIQUE, note VARCHAR(50))",
      "CREATE INDEX " + noteIndex + " ON " + parent + " (note)",
      "CREATE TABLE " + pair + " (a INTEGER NOT NULL, b VARCHAR(10) NOT NULL, qty INTEGER, PRIMARY KEY (a, b))",
      "CREATE TABLE " + child + " (id INTEGER PRIMARY KEY, parent_id INTEGER REFERENCES " + parent +
          " (id), amount DECIMAL(10,2), created DATE, stamp TIMESTAMP" + (maria ? " NULL" : "") +
          ", flag BOOLEAN, big BIGINT, small SMALLINT, data " + (pg ? "BYTEA" : "BLOB") + ", body TEXT, ratio " +
          (pg ? "DOUBLE PRECISION" : "DOUBLE") + ")",
      "CREATE VIEW " + view + " AS SELECT id, code FROM " + parent,
      "CREATE TABLE " + nonAscii + " (größe INTEGER, naïve VARCHAR(10))",
  });
  if (pg) {
    Run({"CREATE ROLE " + reader, "GRANT SELECT ON " + parent + " TO " + reader,
         "GRANT UPDATE (note) ON " + parent + " TO " + reader,
         "CREATE FUNCTION " + procedure + " (a integer, b text) RETURNS integer AS 'SELECT a' LANGUAGE sql"});
  } else if (maria) {
    Run({"CREATE USER '" + reader + "'@'localhost'", "GRANT SELECT ON " + parent + " TO '" + reader + "'@'localhost'",
         "GRANT UPDATE (note) ON " + parent + " TO '" + reader + "'@'localhost'",
         "CREATE PROCEDURE " + procedure + " (IN a INT, OUT b VARCHAR(20)) SELECT 'x' INTO b"});
  }
}

CatalogueSchema::~CatalogueSchema() { Drop(); }

void CatalogueSchema::Run(const std::vector<std::string>& statements) {
  for (const std::string& sql : statements) {
    db_.execute(sql);
    if (db_.lastErrorCode() != 0)
      throw std::runtime_error(sql + ": " + std::to_string(db_.lastErrorCode()) + " " + db_.lastErrorString());
  }
}

void CatalogueSchema::Drop() {
  // Errors are expected here (objects that do not exist): none is checked.
  db_.execute("DROP VIEW IF EXISTS " + view);
  for (const std::string& table : {child, pair, parent, nonAscii}) db_.execute("DROP TABLE IF EXISTS " + table);
  if (dbms_ == Dbms::Postgres) {
    db_.execute("DROP FUNCTION IF EXISTS " + procedure + " (integer, text)");
    db_.execute("DROP ROLE IF EXISTS " + reader);
  } else if (dbms_ == Dbms::MariaDb) {
    db_.execute("DROP PROCEDURE IF EXISTS " + procedure);
    db_.execute("DROP USER IF EXISTS '" + reader + "'@'localhost'");
  }
}

}  // namespace catalogue_test
