// sqelto-shell: an SQL prompt, script runner and one-shot query tool over
// the Sqelto plug-in in the substitute host.
#include <CLI/CLI.hpp>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <tavro_host/command_line.h>

#include "demo_database.h"
#include "interrupt_watcher.h"
#include "shell_inputs.h"
#include "shell_session.h"
#include "statement_splitter.h"
#include "utf8_check.h"

namespace {

using sqelto_shell::OutputFormat;
using sqelto_shell::ShellInput;
using sqelto_shell::ShellSession;

// Exit statuses: 0 all ran, 1 a statement or the connect failed, 2 the
// command line or an input was refused before connecting.
constexpr int kFailed = 1;
constexpr int kRefused = 2;

// The linked plug-in unless --plugin or $SQELTO_PLUGIN name a library.
std::string PluginPath(const std::string& option) {
  if (!option.empty()) return option;
  if (const char* env = std::getenv("SQELTO_PLUGIN"); env != nullptr && *env != '\0') return env;
  return {};
}

// Runs statements in order; in batch mode the first failure ends the run.
bool RunAll(ShellSession& session, const std::vector<std::string>& statements, OutputFormat format) {
  for (const auto& sql : statements)
    if (!session.run(sql, format, std::cout, std::cerr)) return false;
  return true;
}

bool InputIsATerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stdin)) != 0;
#else
  return isatty(STDIN_FILENO) != 0;
#endif
}

// Output is UTF-8 bytes, exactly: on Windows standard output is switched
// from text mode (which would turn the CSV's CR LF into CR CR LF) to binary,
// and a console is told to show UTF-8.
void PrepareOutput() {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
#endif
}

// Statements from standard input. At a terminal: a prompt, a failing
// statement does not end the session, and the end of the input (Ctrl-D)
// drops an unfinished statement rather than run what may be half typed. From
// a pipe or file: no prompt, the first failure ends the run with a non-zero
// status, and the last statement needs no ';'. A byte order mark at the start
// and a CR before each line end (text from Windows) are not part of the text.
int FromStandardInput(ShellSession& session, OutputFormat format) {
  const bool terminal = InputIsATerminal();
  if (terminal) std::cout << "sqelto-shell: end statements with ';', leave with .quit; \\? lists the commands\n";
  sqelto_shell::StatementSplitter splitter;
  std::size_t offset = 0;  // of the line's first byte in the input
  std::string line;
  for (;;) {
    if (terminal) std::cout << (splitter.inStatement() ? "   ...> " : "sqelto> ") << std::flush;
    if (!std::getline(std::cin, line)) break;
    std::size_t lineOffset = offset;
    offset += line.size() + 1;
    if (lineOffset == 0 && sqelto_shell::StripByteOrderMark(line)) lineOffset = sqelto_shell::kByteOrderMarkSize;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (const auto bad = sqelto_shell::FirstInvalidUtf8(line)) {
      std::cerr << "sqelto-shell: standard input: invalid UTF-8 at byte " << lineOffset + *bad
                << "; the line is not run\n";
      if (!terminal) return kFailed;
      continue;
    }
    if (!splitter.inStatement() && (line == ".quit" || line == ".exit")) break;
    splitter.feed(line + "\n");
    for (const auto& sql : splitter.take())
      if (!session.run(sql, format, std::cout, std::cerr) && !terminal) return kFailed;
  }
  if (terminal) {
    std::cout << '\n';
    if (splitter.inStatement()) std::cerr << "sqelto-shell: the unfinished statement was not run\n";
    return 0;
  }
  if (const std::string last = splitter.finalStatement(); !last.empty())
    if (!session.run(last, format, std::cout, std::cerr)) return kFailed;
  return 0;
}

// The -c commands and scripts in command-line order, read and checked.
std::vector<ShellInput> BatchInputs(const CLI::App& app, const CLI::Option* commandOption,
                                    const std::vector<std::string>& commands, const CLI::Option* scriptOption,
                                    const std::vector<std::string>& scripts) {
  std::vector<ShellInput> inputs;
  std::size_t nextCommand = 0, nextScript = 0;
  for (const CLI::Option* option : app.parse_order()) {
    if (option == commandOption && nextCommand < commands.size()) {
      ++nextCommand;
      inputs.push_back({"-c " + std::to_string(nextCommand), commands[nextCommand - 1]});
    } else if (option == scriptOption && nextScript < scripts.size()) {
      const std::string& path = scripts[nextScript++];
      inputs.push_back({path, sqelto_shell::ReadScript(path)});
    }
  }
  for (ShellInput& input : inputs) {
    sqelto_shell::CheckUtf8(input);
    sqelto_shell::StripByteOrderMark(input.text);
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread starts: Ctrl-C is waited for by a thread of its own.
  sqelto_shell::InterruptWatcher::BlockInterruptsInThisProcess();
  PrepareOutput();
  tavro::Utf8Arguments arguments(argc, argv);

  CLI::App app{"SQL shell over the Sqelto ODBC plug-in. Without --dsn or --connect it opens an embedded "
               "SQLite demo database (created on first use)."};
  // Options start with - everywhere; on Windows CLI11 would also take /name
  // as an option, and so a path such as /tmp/x.sql.
  app.allow_windows_style_options(false);
  std::string dsn, connect, user, password, plugin, dataFolder;
  std::vector<std::string> commands, scripts;
  std::vector<std::string> parameterTexts;
  int32_t timeout = 0;
  bool csv = false;
  bool batch = false;
  auto* dsnOption = app.add_option("--dsn", dsn, "ODBC data source name");
  auto* connectOption = app.add_option("--connect", connect, "full ODBC connection string");
  app.add_option("--user", user, "user name (with --dsn)");
  app.add_option("--password", password, "password (with --dsn)");
  app.add_option("--timeout", timeout, "login and query timeout in seconds (the plug-in's Timeout)")
      ->check(CLI::Range(0, 1000000));
  // One value per -c, so that a script after it stays a script.
  auto* commandOption = app.add_option("-c,--command", commands, "SQL to run (repeatable; batch mode)")
                            ->allow_extra_args(false);
  auto* scriptOption =
      app.add_option("script", scripts, "files of SQL statements separated by ';' (batch mode, in order with -c)");
  app.add_flag("--csv", csv, "print results as CSV (RFC 4180) instead of aligned tables");
  app.add_option("-p,--parameter", parameterTexts,
                 "a parameter of every statement: TYPE:VALUE, null or a bare value (repeatable, in order)")
      ->allow_extra_args(false);
  app.add_flag("--batch", batch, "send each -c text and script whole, not split at ';' (every result set shows)");
  app.add_option("--plugin", plugin, "load the Sqelto plug-in from this library instead of the linked one");
  app.add_option("--data-folder", dataFolder, "folder of the embedded demo database");
  try {
    app.parse(arguments.argc(), arguments.argv());
  } catch (const CLI::ParseError& error) {
    // CLI11 prints its message (or the help) and answers with a code of its
    // own for each kind of mistake; every mistake is a refused command line.
    return app.exit(error) == 0 ? 0 : kRefused;
  }
  if (dsnOption->count() > 0 && connectOption->count() > 0) {
    std::cerr << "sqelto-shell: give either --dsn or --connect, not both\n";
    return kRefused;
  }
  // An empty name would silently open the demo database instead.
  if ((dsnOption->count() > 0 && dsn.empty()) || (connectOption->count() > 0 && connect.empty())) {
    std::cerr << "sqelto-shell: " << (dsnOption->count() > 0 ? "--dsn" : "--connect") << " is empty\n";
    return kRefused;
  }
  // The driver would get these bytes as they are (or replaced), so a value
  // that is not UTF-8 is refused as the statement texts are. The value
  // itself is not echoed: it may be a password.
  for (const auto& [option, value] : {std::pair<const char*, const std::string&>{"--dsn", dsn},
                                      {"--connect", connect},
                                      {"--user", user},
                                      {"--password", password}})
    if (const auto bad = sqelto_shell::FirstInvalidUtf8(value)) {
      std::cerr << "sqelto-shell: " << option << ": invalid UTF-8 at byte " << *bad << '\n';
      return kRefused;
    }
  const OutputFormat format = csv ? OutputFormat::Csv : OutputFormat::Table;

  try {
    // Every input is read and checked before anything connects or runs.
    const std::vector<ShellInput> inputs = BatchInputs(app, commandOption, commands, scriptOption, scripts);
    std::vector<sqelto_shell::ParameterValue> parameters;
    for (std::size_t i = 0; i < parameterTexts.size(); ++i) {
      sqelto_shell::CheckUtf8({"-p " + std::to_string(i + 1), parameterTexts[i]});
      parameters.push_back(sqelto_shell::ParseParameter(parameterTexts[i]));
    }

    sqelto_shell::ConnectRequest request{dsn.empty() ? connect : dsn, user, password, timeout};
    std::optional<sqelto_shell::DemoDatabase> demo;
    if (request.dataSource.empty()) {
      // The driver registration must be in place before the driver manager
      // first looks at it, that is before the plug-in connects.
      demo = sqelto_shell::PrepareDemoDatabase(dataFolder.empty() ? sqelto_shell::DefaultDataFolder()
                                                                  : std::filesystem::path(dataFolder));
      request.dataSource = demo->connectionString;
    }
    ShellSession session(PluginPath(plugin));
    sqelto_shell::InterruptWatcher interrupts(session.cancellableRecord());
    if (!session.connect(request, std::cerr)) return kFailed;
    // A file made by an earlier run that stopped part-way, or an empty one,
    // gets the tables it lacks.
    if (demo) {
      const std::size_t made = sqelto_shell::CompleteDemoSchema(session);
      if (made > 0)
        std::cerr << "sqelto-shell: " << (demo->created ? "created" : "completed") << " the demo database "
                  << demo->databaseFile.string() << '\n';
    }

    session.setStandingParameters(std::move(parameters));
    int status = 0;
    if (inputs.empty()) {
      status = FromStandardInput(session, format);
    } else {
      for (const ShellInput& input : inputs)
        if (!RunAll(session, batch ? std::vector<std::string>{input.text} : sqelto_shell::SplitStatements(input.text),
                    format)) {
          status = kFailed;
          break;
        }
    }
    for (const std::string& misuse : session.misuse()) {
      std::cerr << "sqelto-shell: the plug-in misused the host: " << misuse << '\n';
      status = kFailed;
    }
    sqelto_shell::CheckWritten(std::cout);
    return status;
  } catch (const sqelto_shell::ParameterError& error) {
    std::cerr << "sqelto-shell: " << error.what() << '\n';
    return kRefused;
  } catch (const sqelto_shell::InputError& error) {
    std::cerr << "sqelto-shell: " << error.what() << '\n';
    return kRefused;
  } catch (const std::exception& error) {
    std::cerr << "sqelto-shell: " << error.what() << '\n';
    return kFailed;
  }
}
