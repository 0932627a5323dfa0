// What Sqelto.dll offers and asks for, read from its export and import
// tables (the Windows form of PluginSymbolTable, which reads an ELF library's
// dynamic symbols): the entry point and nothing else; only DLLs every Windows
// has in its system folder (no MinGW runtime to ship beside it); and only the
// wide form of every ODBC call that carries text.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pe_tables.h"

namespace {

sqelto_test::PeTables PluginTables() {
  std::string why;
  const auto tables = sqelto_test::ReadPeTables(SQELTO_PLUGIN_PATH, why);
  if (!tables) ADD_FAILURE() << SQELTO_PLUGIN_PATH << ": " << why;
  return tables.value_or(sqelto_test::PeTables{});
}

std::filesystem::path SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::filesystem::path(std::wstring(folder, length < MAX_PATH ? length : 0));
}

// ODBC calls with a text argument or result: each has an 8-bit form (the
// plain name, and the same name ending in A) that Windows' driver manager
// reads and writes in the ANSI code page, and a wide form ending in W.
const std::set<std::string> kTextCalls = {
    "SQLBrowseConnect",   "SQLColAttribute",     "SQLColAttributes",    "SQLColumnPrivileges", "SQLColumns",
    "SQLConnect",         "SQLDataSources",      "SQLDescribeCol",      "SQLDriverConnect",    "SQLDrivers",
    "SQLError",           "SQLExecDirect",       "SQLForeignKeys",      "SQLGetConnectAttr",   "SQLGetConnectOption",
    "SQLGetCursorName",   "SQLGetDescField",     "SQLGetDescRec",       "SQLGetDiagField",     "SQLGetDiagRec",
    "SQLGetInfo",         "SQLGetStmtAttr",      "SQLGetTypeInfo",      "SQLNativeSql",        "SQLPrepare",
    "SQLPrimaryKeys",     "SQLProcedureColumns", "SQLProcedures",       "SQLSetConnectAttr",   "SQLSetConnectOption",
    "SQLSetCursorName",   "SQLSetDescField",     "SQLSetStmtAttr",      "SQLSpecialColumns",   "SQLStatistics",
    "SQLTablePrivileges", "SQLTables"};

TEST(PluginDllTables, ExportsOnlyTheEntryPoint) {
  EXPECT_EQ(PluginTables().exports, std::set<std::string>{"VANTPluginMain"});
}

TEST(PluginDllTables, ImportsOnlyDllsOfTheWindowsSystemFolder) {
  const sqelto_test::PeTables tables = PluginTables();
  ASSERT_FALSE(tables.imports.empty());
  ASSERT_TRUE(tables.imports.contains("odbc32.dll"));
  const std::filesystem::path system = SystemFolder();
  ASSERT_FALSE(system.empty());
  for (const auto& [dll, functions] : tables.imports) {
    EXPECT_FALSE(dll.starts_with("libstdc++") || dll.starts_with("libgcc") || dll.starts_with("libwinpthread"))
        << "imports the MinGW runtime DLL " << dll;
    EXPECT_TRUE(std::filesystem::exists(system / dll)) << dll << " is not in " << system.string();
  }
}

TEST(PluginDllTables, OdbcCallsWithTextAreTheWideOnes) {
  const sqelto_test::PeTables tables = PluginTables();
  const auto odbc = tables.imports.find("odbc32.dll");
  ASSERT_NE(odbc, tables.imports.end());
  std::vector<std::string> eightBit;
  for (const std::string& name : odbc->second) {
    const std::string plain = name.ends_with('A') ? name.substr(0, name.size() - 1) : name;
    if (kTextCalls.contains(plain)) eightBit.push_back(name);
  }
  EXPECT_EQ(eightBit, std::vector<std::string>{}) << "8-bit ODBC calls read and write text in the ANSI code page";
  EXPECT_NE(std::find(odbc->second.begin(), odbc->second.end(), "SQLDriverConnectW"), odbc->second.end());
  EXPECT_NE(std::find(odbc->second.begin(), odbc->second.end(), "SQLExecDirectW"), odbc->second.end());
}

}  // namespace
