// Shared set-up for the installer tests: a fresh temporary root with a
// ScriptedPlatform over it, and a way to pack a real installer file into it.
#pragma once

#include "installer_file.h"
#include "main_dlg.h"
#include "pack_config.h"
#include "pe_test_image.h"
#include "scripted_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace kestrin::testing {


class InstallerTest : public ::testing::Test {
protected:
    InstallerTest();
    ~InstallerTest() override;

    // Packs an installer at the platform's own executable path: a small fake
    // stub, the given descriptor fields (by name) and piece contents (by key,
    // "PackageFile", "PreInstallFile", ...).
    void PackInstaller(const std::map<std::string, std::string>& fields,
                       const std::map<std::string, std::string>& pieces = {});
    // A TMainDlg after FormCreate over the packed installer.
    TMainDlg& StartInstaller(const std::map<std::string, std::string>& fields,
                             const std::map<std::string, std::string>& pieces = {});

    // Records of one kind, in order.
    std::vector<std::string> Messages() const { return platform.Messages(); }
    std::vector<std::string> Commands() const { return platform.StartedCommands(); }
    bool HasCommandContaining(const std::string& needle) const;

    std::filesystem::path root;
    ScriptedPlatform platform;
    std::unique_ptr<TMainDlg> dialog;

    static constexpr const char* kWorkPath = "C:\\Users\\Public\\Install";
};

}  // namespace kestrin::testing
