// The database objects the catalogue tests ask about, made for one test
// process (names end in its process id, so tests on a shared server never
// meet) and dropped again: a primary key, a compound primary key, a foreign
// key, a unique and a non-unique index, a view, a table and a column with
// non-ASCII names, and where the DBMS has them a grant and a procedure.
#pragma once

#include <string>
#include <vector>

#include <tavro_host/tavro_host.h>

namespace catalogue_test {

enum class Dbms { Sqlite, Postgres, MariaDb };

struct Target {
  Dbms dbms;
  std::string name;              // "SQLite", "PostgreSQL", "MariaDB"
  std::string connectionString;  // ASCII, reaching the test database
};

// The DBMS this test program was built for (SQELTO_CATALOGUE_DBMS).
Target TargetUnderTest();

class CatalogueSchema {
public:
  // Creates the objects through the plug-in's execute word; throws with the
  // plug-in's error when one cannot be made.
  CatalogueSchema(tavro::Database& db, Dbms dbms);
  ~CatalogueSchema();
  CatalogueSchema(const CatalogueSchema&) = delete;
  CatalogueSchema& operator=(const CatalogueSchema&) = delete;

  const std::string suffix;     // "_<pid>", the end of every name below
  const std::string parent;     // id INTEGER primary key, code unique, note with a non-unique index
  const std::string noteIndex;  // the non-unique index
  const std::string pair;       // compound primary key (a, b), qty
  const std::string child;      // parent_id references parent(id), and a column of every common type
  const std::string view;       // over parent
  const std::string nonAscii;   // "käse_<pid>" with column "größe", no primary key
  const std::string reader;     // the grantee (PostgreSQL, MariaDB)
  const std::string procedure;  // a function (PostgreSQL) or procedure (MariaDB)
  bool hasGrants() const { return dbms_ != Dbms::Sqlite; }
  bool hasProcedures() const { return dbms_ != Dbms::Sqlite; }

private:
  void Run(const std::vector<std::string>& statements);
  void Drop();

  tavro::Database& db_;
  Dbms dbms_;
};

}  // namespace catalogue_test
