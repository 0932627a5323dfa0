// tavro-host: the substitute host's command line.
//   tavro-host describe PLUGIN   loads PLUGIN and prints what it registered.
#include <CLI/CLI.hpp>
#include <iostream>

#include "tavro_host/host.h"

int main(int argc, char** argv) {
  CLI::App app{"Substitute Tavro host: loads a plug-in the way the host runtime does"};
  app.require_subcommand(1);
  std::string plugin;
  auto* describe = app.add_subcommand("describe", "Load a plug-in and print everything it registered");
  describe->add_option("PLUGIN", plugin, "Path of the plug-in library")->required();
  CLI11_PARSE(app, argc, argv);

  // Drivers convert text with the process's LC_CTYPE.
  tavro::useUtf8Locale();
  tavro::Host host;
  std::cout << "Plug-in: " << plugin << "\n";
  int status = 0;
  try {
    host.load(plugin);
  } catch (const tavro::HostError& e) {
    std::cerr << "tavro-host: " << e.what() << "\n";
    status = 1;
  }
  host.describe(std::cout);
  for (const std::string& v : host.violations()) std::cerr << "tavro-host: plug-in misuse: " << v << "\n";
  // A plug-in whose entry point answers 0 did not start: the host would not use it.
  if (status == 0 && host.pluginMainResult().value_or(0) == 0) {
    std::cerr << "tavro-host: VANTPluginMain returned 0: the plug-in did not start\n";
    status = 1;
  }
  return status;
}
