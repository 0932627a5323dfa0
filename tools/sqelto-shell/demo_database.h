// The shell's embedded default: a SQLite database file with a small demo
// schema, reached through the SQLite3 ODBC driver, on POSIX systems
// registered privately for the shell (the machine's ODBC configuration is
// neither read nor changed), on Windows as installed.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sqelto_shell {

struct DemoDatabase {
  std::filesystem::path folder;        // holds demo.sqlite3 (and on POSIX systems odbcinst.ini)
  std::filesystem::path databaseFile;
  bool created = false;                // the file did not exist before
  std::string connectionString;
};

// The per-user folder: $SQELTO_SHELL_HOME, else $XDG_DATA_HOME/sqelto-shell,
// else ~/.local/share/sqelto-shell (on Windows %LOCALAPPDATA%\sqelto-shell).
std::filesystem::path DefaultDataFolder();

#ifndef _WIN32
// The SQLite3 ODBC driver library on this machine, if installed.
std::optional<std::filesystem::path> FindSqliteDriver();
#endif

// POSIX systems: writes the private driver registration into `folder` and
// points this process's driver manager at it (ODBCSYSINI / ODBCINSTINI).
// Windows: uses the installed driver whose name starts with "SQLite3".
// Throws std::runtime_error with a readable message when the driver is
// missing or the folder cannot be written.
DemoDatabase PrepareDemoDatabase(const std::filesystem::path& folder);

class ShellSession;

// Creates and fills each demo table the connected database lacks; answers
// how many it made. Throws std::runtime_error when a statement fails.
std::size_t CompleteDemoSchema(ShellSession& session);

}  // namespace sqelto_shell
