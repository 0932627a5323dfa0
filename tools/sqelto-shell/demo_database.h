// The shell's embedded default: a SQLite database file with a small demo
// schema, reached through the SQLite3 ODBC driver registered privately for
// the shell (the machine's ODBC configuration is neither read nor changed).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sqelto_shell {

struct DemoDatabase {
  std::filesystem::path folder;        // holds odbcinst.ini and demo.sqlite3
  std::filesystem::path databaseFile;
  bool created = false;                // the file did not exist before
  std::string connectionString;
};

// The per-user folder: $SQELTO_SHELL_HOME, else $XDG_DATA_HOME/sqelto-shell,
// else ~/.local/share/sqelto-shell.
std::filesystem::path DefaultDataFolder();

// The SQLite3 ODBC driver library on this machine, if installed.
std::optional<std::filesystem::path> FindSqliteDriver();

// Writes the private driver registration into `folder` and points this
// process's driver manager at it (ODBCSYSINI / ODBCINSTINI). Throws
// std::runtime_error with a readable message when the driver is missing or
// the folder cannot be written.
DemoDatabase PrepareDemoDatabase(const std::filesystem::path& folder);

// Statements that create and fill the demo schema.
const std::vector<std::string>& DemoSchemaStatements();

}  // namespace sqelto_shell
