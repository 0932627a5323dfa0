// The shell's backslash commands, answered through the plug-in:
//   \begin, \commit, \rollback   a transaction (auto-commit off until it ends)
//   \bind VALUE...               parameters of the next statement, typed
//                                (parameter_values.h), run through an
//                                ODBCPreparedStatement
//   \info N                      GetInfo(N) of the connection
//   \?                           this list
// A command takes one line; it needs no ';'.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "parameter_values.h"
#include "result_printer.h"

namespace sqelto_shell {

class ShellSession;

class StatementCommands {
public:
  explicit StatementCommands(ShellSession& session) : session_(session) {}

  static bool IsCommand(const std::string& text) { return !text.empty() && text.front() == '\\'; }

  // Runs one command line; false (with the reason on err) when it failed.
  // Words are separated by any number of blanks.
  bool run(const std::string& line, OutputFormat format, std::ostream& out, std::ostream& err);

  // Parameters for the next statement: those of the last \bind (once), else
  // the standing ones given on the command line (-p), else none.
  std::vector<ParameterValue> parametersForNextStatement();
  void setStandingParameters(std::vector<ParameterValue> values) { standing_ = std::move(values); }

private:
  bool transaction(const std::string& command, std::ostream& status, std::ostream& err);
  bool info(const std::string& argument, OutputFormat format, std::ostream& out, std::ostream& err);

  ShellSession& session_;
  std::vector<ParameterValue> next_;
  bool nextSet_ = false;
  std::vector<ParameterValue> standing_;
};

}  // namespace sqelto_shell
