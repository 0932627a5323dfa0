#include "demo_database.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "shell_session.h"

#ifdef _WIN32
#include "odbc/odbc_api.h"
#endif

namespace sqelto_shell {
namespace fs = std::filesystem;

namespace {

// A folder named by an environment variable, if it is set and not empty.
std::optional<fs::path> FolderFromEnvironment(const char* name) {
#ifdef _WIN32
  // The wide form: a user name in the path may lie outside the ANSI code page.
  const std::wstring wideName(name, name + std::char_traits<char>::length(name));
  if (const wchar_t* value = _wgetenv(wideName.c_str()); value != nullptr && *value != L'\0') return fs::path(value);
#else
  if (const char* value = std::getenv(name); value != nullptr && *value != '\0') return fs::path(value);
#endif
  return std::nullopt;
}

}  // namespace

fs::path DefaultDataFolder() {
  if (auto home = FolderFromEnvironment("SQELTO_SHELL_HOME")) return *home;
#ifdef _WIN32
  if (auto local = FolderFromEnvironment("LOCALAPPDATA")) return *local / "sqelto-shell";
#else
  if (auto xdg = FolderFromEnvironment("XDG_DATA_HOME")) return *xdg / "sqelto-shell";
  if (auto home = FolderFromEnvironment("HOME")) return *home / ".local" / "share" / "sqelto-shell";
#endif
  return fs::temp_directory_path() / "sqelto-shell";
}

#ifdef _WIN32

namespace {

// The installed SQLite3 ODBC driver's registered name ("SQLite3 ODBC Driver";
// the Linux driver reached under Wine is registered as "SQLite3").
std::optional<std::string> InstalledSqliteDriver() {
  SQLHENV environment = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) return std::nullopt;
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  std::optional<std::string> found;
  SQLWCHAR name[256];
  SQLWCHAR attributes[1024];
  SQLSMALLINT nameLength = 0, attributesLength = 0;
  for (SQLUSMALLINT direction = SQL_FETCH_FIRST;
       SQL_SUCCEEDED(SQLDriversW(environment, direction, name, 256, &nameLength, attributes, 1024, &attributesLength));
       direction = SQL_FETCH_NEXT) {
    const auto* units = sqelto::odbc::AsUnits(name);
    char utf8[256 * 3];
    const std::size_t bytes =
        sqelto::odbc::Utf16ToUtf8(units, sqelto::odbc::Utf16Length(units, 256), utf8, sizeof utf8);
    const std::string driver(utf8, bytes);
    if (driver.rfind("SQLite3", 0) == 0) {
      found = driver;
      break;
    }
  }
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  return found;
}

// The database file as the driver names it. Under Wine the drivers are Linux
// libraries (Wine's odbc32 hands every call to the machine's unixODBC), which
// read a file name as a Linux path; Wine's kernel32 translates it.
std::string DriverFilePath(const fs::path& file) {
  using ToUnixName = char*(CDECL*)(const wchar_t*);
  const FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
  if (proc != nullptr) {
    auto toUnixName = reinterpret_cast<ToUnixName>(reinterpret_cast<void (*)()>(proc));
    if (char* unixName = toUnixName(file.c_str())) {
      std::string path(unixName);
      HeapFree(GetProcessHeap(), 0, unixName);
      return path;
    }
  }
  const std::u8string utf8 = file.u8string();
  return std::string(utf8.begin(), utf8.end());
}

}  // namespace

DemoDatabase PrepareDemoDatabase(const fs::path& folder) {
  const std::optional<std::string> driver = InstalledSqliteDriver();
  if (!driver) throw std::runtime_error("the SQLite3 ODBC driver is not installed (no driver named SQLite3...)");
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw std::runtime_error("cannot create " + folder.string() + ": " + error.message());

  DemoDatabase demo;
  demo.folder = fs::absolute(folder);
  demo.databaseFile = demo.folder / "demo.sqlite3";
  demo.created = !fs::exists(demo.databaseFile, error);
  // StepAPI streams rows instead of loading the whole result first.
  demo.connectionString = "Driver={" + *driver + "};Database=" + DriverFilePath(demo.databaseFile) + ";StepAPI=1;";
  return demo;
}

#else

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

#endif

namespace {

struct DemoTable {
  const char* name;
  const char* create;
  const char* fill;
};

// In the order they are made (orders refers to customers).
constexpr DemoTable kDemoTables[] = {
    {"customers",
     "CREATE TABLE customers (id INTEGER PRIMARY KEY, name VARCHAR(60) NOT NULL, city VARCHAR(40), since DATE)",
     "INSERT INTO customers VALUES (1, 'Ada Lovelace', 'London', '2019-03-04'), "
     "(2, 'Jürgen Weiß', 'Köln', '2020-11-30'), (3, 'Sofía Núñez', 'Sevilla', '2021-06-15'), "
     "(4, 'Chidi Okafor', NULL, '2023-01-09')"},
    {"orders",
     "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL REFERENCES customers(id), "
     "placed TIMESTAMP, amount DOUBLE, note VARCHAR(200))",
     "INSERT INTO orders VALUES (1, 1, '2024-01-05 10:15:00', 120.5, 'first order'), "
     "(2, 1, '2024-02-11 16:40:00', 75.0, NULL), (3, 2, '2024-02-12 09:05:30', 310.25, 'Lieferung nach Köln'), "
     "(4, 3, '2024-03-01 12:00:00', 42.0, 'regalo ✓'), (5, 4, '2024-03-02 18:30:00', 99.99, 'express')"},
};

[[noreturn]] void DemoFailed(const std::string& what, const std::string& why) {
  throw std::runtime_error("cannot make the demo database (" + what + "): " + why);
}

bool HasTable(ShellSession& session, const char* name) {
  tavro::RecordSet rows =
      session.engine().select(std::string("SELECT name FROM sqlite_master WHERE type = 'table' AND name = '") + name +
                              "'");
  if (rows.isNull() || session.engine().lastErrorCode() != 0) DemoFailed(name, session.engine().lastErrorString());
  return rows.next();
}

}  // namespace

std::size_t CompleteDemoSchema(ShellSession& session) {
  std::size_t made = 0;
  for (const DemoTable& table : kDemoTables) {
    if (HasTable(session, table.name)) continue;
    for (const char* sql : {table.create, table.fill}) {
      std::ostringstream quiet, why;
      if (!session.run(sql, OutputFormat::Table, quiet, why)) DemoFailed(table.name, why.str());
    }
    ++made;
  }
  return made;
}

}  // namespace sqelto_shell
