// sqelto-shell: an SQL prompt, script runner and one-shot query tool over
// the Sqelto plug-in loaded into the substitute host.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "demo_database.h"
#include "shell_commands.h"
#include "shell_session.h"
#include "statement_splitter.h"

namespace {

using sqelto_shell::OutputFormat;
using sqelto_shell::ShellSession;

std::string PluginPath(const std::string& option) {
  if (!option.empty()) return option;
  if (const char* env = std::getenv("SQELTO_PLUGIN"); env != nullptr && *env != '\0') return env;
  return SQELTO_PLUGIN_BUILD_PATH;
}

// Runs statements in order; in batch mode the first failure ends the run.
bool RunAll(ShellSession& session, const std::vector<std::string>& statements, OutputFormat format) {
  for (const auto& sql : statements)
    if (!session.run(sql, format, std::cout, std::cerr)) return false;
  return true;
}

// A -c argument: a backslash command, or SQL statements.
bool RunCommandArgument(ShellSession& session, const std::string& command, OutputFormat format) {
  if (sqelto_shell::IsShellCommand(command))
    return sqelto_shell::RunShellCommand(session, command, format, std::cout, std::cerr);
  return RunAll(session, sqelto_shell::SplitStatements(command), format);
}

void Interactive(ShellSession& session, OutputFormat format) {
  std::cout << "sqelto-shell: end statements with ';', leave with .quit; \\help lists the commands\n";
  sqelto_shell::StatementSplitter splitter;
  std::string line;
  for (;;) {
    std::cout << (splitter.inStatement() ? "   ...> " : "sqelto> ") << std::flush;
    if (!std::getline(std::cin, line)) break;
    if (!splitter.inStatement() && (line == ".quit" || line == ".exit")) break;
    if (!splitter.inStatement() && sqelto_shell::IsShellCommand(line)) {
      sqelto_shell::RunShellCommand(session, line, format, std::cout, std::cerr);
      continue;
    }
    splitter.feed(line + "\n");
    for (const auto& sql : splitter.take()) session.run(sql, format, std::cout, std::cerr);
  }
  std::cout << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"SQL shell over the Sqelto ODBC plug-in. Without --dsn or --connect it opens an embedded "
               "SQLite demo database (created on first use)."};
  std::string dsn, connect, user, password, script, plugin, dataFolder;
  std::vector<std::string> commands;
  bool csv = false;
  app.add_option("--dsn", dsn, "ODBC data source name");
  app.add_option("--connect", connect, "full ODBC connection string");
  app.add_option("--user", user, "user name (with --dsn)");
  app.add_option("--password", password, "password (with --dsn)");
  app.add_option("-c,--command", commands, "SQL to run (repeatable; batch mode)");
  app.add_option("script", script, "file of SQL statements separated by ';' (batch mode)");
  app.add_flag("--csv", csv, "print results as CSV instead of aligned tables");
  app.add_option("--plugin", plugin, "path of the Sqelto plug-in library");
  app.add_option("--data-folder", dataFolder, "folder of the embedded demo database");
  CLI11_PARSE(app, argc, argv);
  if (!dsn.empty() && !connect.empty()) {
    std::cerr << "sqelto-shell: give either --dsn or --connect, not both\n";
    return 2;
  }
  const OutputFormat format = csv ? OutputFormat::Csv : OutputFormat::Table;

  try {
    sqelto_shell::ConnectRequest request{dsn.empty() ? connect : dsn, user, password};
    std::optional<sqelto_shell::DemoDatabase> demo;
    if (request.dataSource.empty()) {
      // The driver registration must be in place before the driver manager
      // first looks at it, that is before the plug-in connects.
      demo = sqelto_shell::PrepareDemoDatabase(dataFolder.empty() ? sqelto_shell::DefaultDataFolder()
                                                                  : std::filesystem::path(dataFolder));
      request.dataSource = demo->connectionString;
    }
    ShellSession session(PluginPath(plugin));
    if (!session.connect(request, std::cerr)) return 1;
    if (demo && demo->created) {
      std::ostringstream quiet;
      for (const auto& sql : sqelto_shell::DemoSchemaStatements())
        if (!session.run(sql, format, quiet, std::cerr)) return 1;
      std::cerr << "sqelto-shell: created the demo database " << demo->databaseFile.string() << '\n';
    }

    const bool batch = !commands.empty() || !script.empty();
    if (!batch) {
      Interactive(session, format);
      return 0;
    }
    for (const auto& command : commands)
      if (!RunCommandArgument(session, command, format)) return 1;
    if (!script.empty()) {
      std::ifstream in(script);
      if (!in) {
        std::cerr << "sqelto-shell: cannot read " << script << '\n';
        return 2;
      }
      std::stringstream text;
      text << in.rdbuf();
      if (!RunAll(session, sqelto_shell::SplitStatements(text.str()), format)) return 1;
    }
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "sqelto-shell: " << error.what() << '\n';
    return 1;
  }
}
