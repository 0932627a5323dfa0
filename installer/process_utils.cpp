#include "process_utils.h"

namespace kestrin {

void RunHidden(Platform& platform, const std::string& command) {
    // Without COMSPEC the line would start with " /C" and run nothing.
    const std::string interpreter = platform.EnvironmentVariable("COMSPEC").value_or("cmd.exe");
    platform.StartHidden(interpreter + " /C " + command);
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
    std::string line = "\"" + path + "\"";
    if (argument) line += " \"" + *argument + "\"";
    platform.StartProcess(line, folder);
    return true;
}

void ShellOpenAndWait(Platform& platform, const std::string& file, const std::string& parameters) {
    const ProcessStart start = platform.ShellOpenAndWait(file, parameters);
    if (!start.started) platform.ShowMessage(start.errorText);
}

void GrantFullAccess(Platform& platform, const std::string& path) {
    RunHidden(platform, "echo Y| icacls \"" + path + "\" /t /grant \"Users\":F");
    RunHidden(platform, "echo Y| icacls \"" + path + "\" /t /grant \"Everyone\":F");
    RunHidden(platform, "echo Y| icacls \"" + path + "\" /t /grant \"Authenticated Users\":F");
}

}  // namespace kestrin
