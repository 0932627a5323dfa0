// tavro-host: the substitute host's command line.
//   tavro-host describe PLUGIN   loads PLUGIN and prints what it registered.
// Exit statuses: 0 described, 1 the plug-in did not load or start (or the
// output could not be written), 2 the command line was refused.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "tavro_host/command_line.h"
#include "tavro_host/host.h"

namespace {

constexpr int kFailed = 1;
constexpr int kRefused = 2;

// A description that did not all reach its reader is no success. It is
// written in one piece right here: a failed write in the middle of it would
// leave the stream bad and the final flush with no reason to tell.
int Write(const std::string& description, int status) {
  errno = 0;
  if (std::cout.write(description.data(), static_cast<std::streamsize>(description.size())).flush()) return status;
  std::cerr << "tavro-host: cannot write the output" << (errno != 0 ? ": " : "")
            << (errno != 0 ? std::strerror(errno) : "") << "\n";
  return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
  tavro::Utf8Arguments arguments(argc, argv);
  CLI::App app{"Substitute Tavro host: loads a plug-in the way the host runtime does"};
  // Options start with - everywhere; on Windows CLI11 would also take /name
  // as an option, and so a path such as /tmp/x.sql.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);
  std::string plugin;
  auto* describe = app.add_subcommand("describe", "Load a plug-in and print everything it registered");
  describe->add_option("PLUGIN", plugin, "Path of the plug-in library")->required();
  try {
    app.parse(arguments.argc(), arguments.argv());
  } catch (const CLI::ParseError& error) {
    // CLI11 prints its message (or the help); every mistake is a refused
    // command line.
    return app.exit(error) == 0 ? 0 : kRefused;
  }
  if (plugin.empty()) {
    std::cerr << "tavro-host: the plug-in path is empty\n";
    return kRefused;
  }

  // Drivers convert text with the process's LC_CTYPE.
  tavro::useUtf8Locale();
  tavro::Host host;
  int status = 0;
  try {
    host.load(plugin);
  } catch (const tavro::HostError& e) {
    std::cerr << "tavro-host: " << e.what() << "\n";
    status = kFailed;
  }
  // A library that never reached VANTPluginMain registered nothing: no
  // empty description. One that refused records shows what it kept.
  std::ostringstream description;
  if (host.pluginMainResult()) {
    description << "Plug-in: " << plugin << "\n";
    host.describe(description);
  }
  for (const std::string& v : host.violations()) std::cerr << "tavro-host: plug-in misuse: " << v << "\n";
  // A plug-in whose entry point answers 0 did not start: the host would not use it.
  if (status == 0 && host.pluginMainResult().value_or(0) == 0) {
    std::cerr << "tavro-host: VANTPluginMain returned 0: the plug-in did not start\n";
    status = kFailed;
  }
  return Write(description.str(), status);
}
