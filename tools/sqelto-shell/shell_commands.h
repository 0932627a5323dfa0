// The shell's backslash commands: catalogue questions (\tables, \columns T,
// \indexes T, \pk T, \fk T, \types, \dsn) answered through the plug-in's
// catalogue, and editing a row of the latest result (\edit, \delete)
// through the plug-in's cursor editing.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "result_printer.h"
#include "shell_session.h"

namespace sqelto_shell {

// Whether a backslash command is one of these (its first word).
bool HandlesShellCommand(std::string_view line);

// Runs one command. Answers what a statement answers: true on success; on
// failure the plug-in's error (or a usage line) went to err.
bool RunShellCommand(ShellSession& session, std::string_view line, OutputFormat format, std::ostream& out,
                     std::ostream& err);

// The commands, one line each, for "\?" and "\help".
const char* ShellCommandHelp();

}  // namespace sqelto_shell
