#include "demo_database.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace sqelto_shell {
namespace fs = std::filesystem;

fs::path DefaultDataFolder() {
  if (const char* home = std::getenv("SQELTO_SHELL_HOME"); home != nullptr && *home != '\0') return home;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0')
    return fs::path(xdg) / "sqelto-shell";
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    return fs::path(home) / ".local" / "share" / "sqelto-shell";
  return fs::temp_directory_path() / "sqelto-shell";
}

std::optional<fs::path> FindSqliteDriver() {
  // Debian keeps drivers under /usr/lib/<multiarch>/odbc/; look rather than
  // assume one architecture.
  const char* file = "libsqlite3odbc.so";
  std::error_code error;
  for (const fs::path root : {"/usr/lib", "/usr/local/lib"}) {
    if (fs::exists(root / "odbc" / file, error)) return root / "odbc" / file;
    if (fs::exists(root / file, error)) return root / file;
    for (const auto& entry : fs::directory_iterator(root, error)) {
      if (!entry.is_directory(error)) continue;
      if (fs::exists(entry.path() / "odbc" / file, error)) return entry.path() / "odbc" / file;
    }
  }
  return std::nullopt;
}

DemoDatabase PrepareDemoDatabase(const fs::path& folder) {
  const std::optional<fs::path> driver = FindSqliteDriver();
  if (!driver)
    throw std::runtime_error("the SQLite3 ODBC driver (libsqlite3odbc.so) is not installed; on Debian: "
                             "apt-get install libsqliteodbc");
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw std::runtime_error("cannot create " + folder.string() + ": " + error.message());

  DemoDatabase demo;
  demo.folder = fs::absolute(folder);
  demo.databaseFile = demo.folder / "demo.sqlite3";
  demo.created = !fs::exists(demo.databaseFile, error);

  const fs::path ini = demo.folder / "odbcinst.ini";
  {
    std::ofstream out(ini, std::ios::trunc);
    out << "[SQLite3]\nDescription=SQLite3 ODBC driver (sqelto-shell)\nDriver=" << driver->string() << "\n";
    if (!out) throw std::runtime_error("cannot write " + ini.string());
  }
  // unixODBC takes the folder, and the file name relative to it.
  setenv("ODBCSYSINI", demo.folder.c_str(), 1);
  setenv("ODBCINSTINI", "odbcinst.ini", 1);
  // StepAPI streams rows instead of loading the whole result first.
  demo.connectionString = "Driver=SQLite3;Database=" + demo.databaseFile.string() + ";StepAPI=1;";
  return demo;
}

const std::vector<std::string>& DemoSchemaStatements() {
  static const std::vector<std::string> statements = {
      "CREATE TABLE customers (id INTEGER PRIMARY KEY, name VARCHAR(60) NOT NULL, city VARCHAR(40), "
      "since DATE)",
      "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL REFERENCES customers(id), "
      "placed TIMESTAMP, amount DOUBLE, note VARCHAR(200))",
      "INSERT INTO customers VALUES (1, 'Ada Lovelace', 'London', '2019-03-04'), "
      "(2, 'Jürgen Weiß', 'Köln', '2020-11-30'), (3, 'Sofía Núñez', 'Sevilla', '2021-06-15'), "
      "(4, 'Chidi Okafor', NULL, '2023-01-09')",
      "INSERT INTO orders VALUES (1, 1, '2024-01-05 10:15:00', 120.5, 'first order'), "
      "(2, 1, '2024-02-11 16:40:00', 75.0, NULL), (3, 2, '2024-02-12 09:05:30', 310.25, 'Lieferung nach Köln'), "
      "(4, 3, '2024-03-01 12:00:00', 42.0, 'regalo ✓'), (5, 4, '2024-03-02 18:30:00', 99.99, 'express')",
  };
  return statements;
}

}  // namespace sqelto_shell
