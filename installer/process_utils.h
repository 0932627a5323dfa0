// The ways the installer starts other programs.
#pragma once

#include "platform.h"

#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// A program of the Windows system folder by its full path, quoted
// ("\"C:\Windows\system32\msiexec.exe\""). Never a bare name: the search
// path begins with the installer's own folder (and cmd.exe's with the current
// folder), where anyone may have put a program of the same name.
std::string SystemProgram(Platform& platform, std::string_view fileName);
// The command interpreter: %COMSPEC% when it is a full path, else cmd.exe in
// the system folder.
std::string CommandInterpreter(Platform& platform);
// True when the text holds a double quote or a line break. No Windows path
// can, and in a command line or batch line they end the quoted text or the
// line early, so what follows would be read as a command of its own.
bool BreaksCommandText(std::string_view text);
// The path as one quoted argument. Programs read \" as a literal quote, so a
// trailing backslash ("C:\Data\") is doubled to end the argument where the
// quote is; every other path stays as it is.
std::string QuotedPath(std::string_view path);
// "INTERPRETER /C command", hidden, not waited for; then a 1 ms pause. The
// whole line is passed as it is, however long and whatever its characters.
void RunHidden(Platform& platform, const std::string& command);
// RunHidden of `prefix` + `programLine` ("echo Y| ", "start \"\" "). The
// interpreter expands %NAME% even inside quotes and has no escape for it on
// its command line, so a program line holding "%" is started directly,
// hidden and not waited for, where its arguments reach the program unchanged.
void RunHiddenProgram(Platform& platform, std::string_view prefix, const std::string& programLine);
// Starts the trimmed command line without a window and waits for it. A start
// failure shows the system's text; gives whether the process was started.
bool RunAndWait(Platform& platform, const std::string& command);
// Starts "PATH" ["ARG"] in `folder` without waiting; false when no file is at path.
bool LaunchProgram(Platform& platform, const std::string& path, const std::string& folder,
                   const std::optional<std::string>& argument = std::nullopt);
// Opens the file through the shell, hidden, and waits; a failure shows the system's text.
void ShellOpenAndWait(Platform& platform, const std::string& file, const std::string& parameters);
// Full control for Users, Everyone and Authenticated Users, in that order.
void GrantFullAccess(Platform& platform, const std::string& path);
// icacls PATH /t /grant GRANT, hidden and not waited for; nothing is started
// for a text that cannot be a path (BreaksCommandText).
void GrantAccess(Platform& platform, const std::string& path, std::string_view grant);

}  // namespace kestrin
