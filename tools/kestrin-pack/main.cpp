// kestrin-pack: builds an installer from a stub, a config and the piece
// files, and shows what an existing installer carries.
#include "installer_file.h"
#include "pack_config.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"Builds and inspects self-contained installers"};
    app.require_subcommand(1);

    std::string stub, config, out;
    CLI::App* build = app.add_subcommand("build", "Pack an installer from a stub and a config file");
    build->add_option("--stub", stub, "The installer stub executable")->required()->check(CLI::ExistingFile);
    build->add_option("--config", config, "The installer config file")->required()->check(CLI::ExistingFile);
    build->add_option("--out", out, "The installer to write")->required();

    std::string installer;
    CLI::App* inspect = app.add_subcommand("inspect", "Print the trailer, piece sizes and descriptor fields");
    inspect->add_option("installer", installer, "An installer built by this tool")->required()->check(CLI::ExistingFile);

    CLI11_PARSE(app, argc, argv);
    try {
        if (*build) {
            const auto parsed = kestrin::pack::ReadPackConfig(config, kestrin::pack::CurrentTimestamp());
            kestrin::pack::BuildInstaller(stub, parsed, out);
            std::cout << "wrote " << out << "\n";
        } else if (*inspect) {
            kestrin::pack::PrintSummary(kestrin::pack::ReadInstallerSummary(installer), std::cout);
        }
    } catch (const kestrin::pack::PackError& error) {
        std::cerr << "kestrin-pack: " << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "kestrin-pack: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
