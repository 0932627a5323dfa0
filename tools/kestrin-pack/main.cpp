// kestrin-pack: builds an installer from a stub, a config and the piece
// files, and shows what an existing installer carries.
//
// Exit status: 0 done (warnings may have been printed), 1 a problem with the
// input or output files (missing, unreadable, a config mistake, not an
// installer), 2 a command line it does not understand.
#include "installer_file.h"
#include "pack_config.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>

namespace {
constexpr int kInputProblem = 1;
constexpr int kUsageProblem = 2;

void RequireFile(const std::string& path, const std::string& what) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw kestrin::pack::PackError(what + " " + path + " does not exist or is not a file");
}
}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Builds and inspects self-contained installers"};
    app.require_subcommand(1);

    std::string stub, config, out;
    CLI::App* build = app.add_subcommand("build", "Pack an installer from a stub and a config file");
    build->add_option("--stub", stub, "The installer stub executable (KestrinStub.exe)")->required();
    build->add_option("--config", config, "The installer config file")->required();
    build->add_option("--out", out, "The installer to write")->required();

    std::string installer;
    CLI::App* inspect = app.add_subcommand("inspect", "Print the trailer, piece sizes and descriptor fields");
    inspect->add_option("installer", installer, "An installer built by this tool")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return kUsageProblem;
    }
    try {
        if (*build) {
            RequireFile(stub, "the stub");
            RequireFile(config, "the config file");
            const auto parsed = kestrin::pack::ReadPackConfig(config, kestrin::pack::CurrentTimestamp());
            for (const std::string& warning : parsed.warnings) std::cerr << warning << "\n";
            kestrin::pack::BuildInstaller(stub, parsed, out);
            std::cout << "wrote " << out << "\n";
        } else if (*inspect) {
            RequireFile(installer, "the installer");
            kestrin::pack::PrintSummary(kestrin::pack::ReadInstallerSummary(installer), std::cout);
        }
    } catch (const std::exception& error) {
        std::cerr << "kestrin-pack: " << error.what() << "\n";
        return kInputProblem;
    }
    return 0;
}
