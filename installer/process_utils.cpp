#include "process_utils.h"

#include "file_utils.h"
#include "text_utils.h"

#include <cctype>

namespace kestrin {

std::string SystemProgram(Platform& platform, std::string_view fileName) {
    return Quoted(JoinPath(platform.SystemFolder(), std::string(fileName)));
}

namespace {
bool IsFullPath(const std::string& path) {
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       path[2] == '\\';
    return drive || StartsWith(path, "\\\\");
}
}  // namespace

std::string CommandInterpreter(Platform& platform) {
    // A bare or relative COMSPEC would be looked up along the search path.
    const std::string comspec = platform.EnvironmentVariable("COMSPEC").value_or(std::string());
    const bool usable = IsFullPath(comspec) && !BreaksCommandText(comspec);
    const std::string interpreter = usable ? comspec : JoinPath(platform.SystemFolder(), "cmd.exe");
    return interpreter.find(' ') == std::string::npos ? interpreter : Quoted(interpreter);
}

bool BreaksCommandText(std::string_view text) {
    return text.find_first_of("\"\r\n") != std::string_view::npos;
}

std::string QuotedPath(std::string_view path) {
    const std::size_t kept = path.find_last_not_of('\\');
    const std::size_t trailing = kept == std::string_view::npos ? path.size() : path.size() - kept - 1;
    return Quoted(std::string(path) + std::string(trailing, '\\'));
}

void RunHidden(Platform& platform, const std::string& command) {
    platform.StartHidden(CommandInterpreter(platform) + " /C " + command);
    platform.Pause(1);
}

void RunHiddenProgram(Platform& platform, std::string_view prefix, const std::string& programLine) {
    if (programLine.find('%') == std::string::npos) return RunHidden(platform, std::string(prefix) + programLine);
    platform.StartHidden(programLine);
    platform.Pause(1);
}

bool RunAndWait(Platform& platform, const std::string& command) {
    const std::size_t first = command.find_first_not_of(' ');
    const std::size_t last = command.find_last_not_of(' ');
    const std::string trimmed = first == std::string::npos ? std::string() : command.substr(first, last - first + 1);
    const ProcessStart start = platform.RunAndWait(trimmed);
    if (!start.started) platform.ShowMessage(start.errorText);
    return start.started;
}

bool LaunchProgram(Platform& platform, const std::string& path, const std::string& folder,
                   const std::optional<std::string>& argument) {
    if (!platform.FileExists(path)) return false;
    std::string line = Quoted(path);
    if (argument) {
        line += ' ';
        line += Quoted(*argument);
    }
    platform.StartProcess(line, folder);
    return true;
}

void ShellOpenAndWait(Platform& platform, const std::string& file, const std::string& parameters) {
    const ProcessStart start = platform.ShellOpenAndWait(file, parameters);
    if (!start.started) platform.ShowMessage(start.errorText);
}

void GrantFullAccess(Platform& platform, const std::string& path) {
    GrantAccess(platform, path, "\"Users\":F");
    GrantAccess(platform, path, "\"Everyone\":F");
    GrantAccess(platform, path, "\"Authenticated Users\":F");
}

void GrantAccess(Platform& platform, const std::string& path, std::string_view grant) {
    if (BreaksCommandText(path)) return;
    const std::string icacls = SystemProgram(platform, "icacls.exe") + " " + QuotedPath(path);
    RunHiddenProgram(platform, "echo Y| ", icacls + " /t /grant " + std::string(grant));
}

}  // namespace kestrin
