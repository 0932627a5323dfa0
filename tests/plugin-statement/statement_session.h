// A substitute host with Sqelto loaded, connected to the database a test
// binary runs against (SQLite, PostgreSQL or MariaDB, chosen when it is
// built), and the host values prepared-statement tests pass around.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include <tavro_host/tavro_host.h>

#include "checked_host.h"

namespace statement_test {

enum class Driver { SQLite, PostgreSQL, MariaDB };

struct Target {
  Driver driver;
  std::string name;              // "SQLite", "PostgreSQL", "MariaDB"
  std::string connectionString;  // reaches a database of this test process (SQLite) or the test server
  std::string dsn;               // a data-source name of the private configuration
  std::string user, password;    // what that name needs in UID= / PWD=
};

// The target this binary was built for, from the environment CTest sets.
Target TargetUnderTest();
// A SQLite file of this process under the test configuration folder.
std::string ScratchSqliteFile(const std::string& stem);
// A table name no other test process uses at the same time.
std::string UniqueName(const std::string& stem);

// Column types by driver.
struct Dialect {
  const char* tinyint;
  const char* doubleType;
  const char* timestamp;
  const char* binary;
  const char* longText;
};
Dialect DialectOf(Driver driver);

class StatementSession {
public:
  StatementSession();
  tavro::Host& host() { return host_; }
  const Target& target() const { return target_; }

  // A connected ODBCDatabase (the test fails when the connect does).
  tavro::Object Connect(const std::string& dataSource);
  tavro::Object Connect() { return Connect(target_.connectionString); }
  // The same object seen as the host's Database.
  tavro::Database Db(const tavro::Object& database) { return tavro::Database(host_, database); }

  // ODBCDatabase.Prepare.
  tavro::Object Prepare(const tavro::Object& database, const std::string& sql);

  // Host values as a host program makes them.
  tavro::Object Var(const tavro::Value& value) { return host_.makeVariant(value); }
  tavro::Object Vars(std::initializer_list<tavro::Value> values);
  tavro::Object Objects(const std::vector<tavro::Object>& elements) { return host_.makeVariantArray(elements); }
  tavro::Object Integers(const std::vector<int32_t>& elements) { return host_.makeIntegerArray(elements); }
  // An empty ParamArray: what the runtime passes for a call without arguments.
  tavro::Object NoParameters() { return host_.makeVariantArray({}); }

  // Every value of every row of a select through the engine, as text
  // (NULL as "NULL").
  std::vector<std::vector<std::string>> Rows(const tavro::Object& database, const std::string& sql);
  std::vector<std::vector<std::string>> Rows(tavro::RecordSet& rows);

private:
  sqelto_test::CheckedHost host_;
  Target target_;
};

// The last error of a database object: "code: text".
std::string LastError(tavro::Database db);

}  // namespace statement_test
