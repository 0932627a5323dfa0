#include "installer_fixture.h"

namespace kestrin::testing {
namespace {

constexpr const char* kInstallFolder = "c:\\Program Files\\Maker\\Product";
constexpr const char* kGuid = "12345678-ABCD-1234-ABCD-1234567890AB";

class UninstallTest : public InstallerTest {
protected:
    void SetUp() override { platform.MakeFolder(kInstallFolder); }
    std::map<std::string, std::string> Fields(std::map<std::string, std::string> extra = {}) {
        std::map<std::string, std::string> fields = {{"ManufacturerFolder", "Maker"}, {"OutputFolder", "Product"},
                                                     {"ProductGuid", kGuid}, {"UninstallButton", "1"}};
        for (auto& [key, value] : extra) fields[key] = value;
        return fields;
    }
    void MsiexecRemovesTheProduct() {
        platform.OnCommand("msiexec", [](ScriptedPlatform& p, const std::string&) {
            std::filesystem::remove_all(p.HostPath(kInstallFolder));
        });
    }
};

TEST_F(UninstallTest, QuietUninstallFromTheButtonHidesItAndReports) {
    MsiexecRemovesTheProduct();
    TMainDlg& dlg = StartInstaller(Fields({{"SuppressConfirm", "1"}, {"Labels", "||||||||||||||||Removed"}}));
    ASSERT_TRUE(dlg.View().uninstallVisible);
    dlg.UninstallBtnClick();
    EXPECT_EQ(platform.Texts(Recorded::Kind::RunAndWait),
              std::vector<std::string>{std::string("\"C:\\Windows\\system32\\msiexec.exe\" /quiet /x {") + kGuid + "}"});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Removed"});
    EXPECT_FALSE(dlg.View().uninstallVisible);
    EXPECT_FALSE(dlg.ShouldEnd());  // the window stays open
    EXPECT_EQ(platform.pauses.back(), 1000u);
    EXPECT_EQ(platform.clipboard, kInstallFolder);
}

TEST_F(UninstallTest, LeftoverFilesCountAsFailure) {
    // msiexec ran (interactively) but the folder still holds files it did not install.
    TMainDlg& dlg = StartInstaller(Fields());
    dlg.UninstallBtnClick();
    EXPECT_EQ(platform.Texts(Recorded::Kind::RunAndWait),
              std::vector<std::string>{std::string("\"C:\\Windows\\system32\\msiexec.exe\" /x {") + kGuid + "}"});
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(dlg.View().uninstallVisible);
    EXPECT_EQ(platform.clipboard, kGuid);
}

TEST_F(UninstallTest, MsiexecThatCannotStartIsReported) {
    platform.runAndWaitFailure = "Access is denied.";
    TMainDlg& dlg = StartInstaller(Fields());
    dlg.UninstallBtnClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Access is denied."});
    EXPECT_TRUE(dlg.View().uninstallVisible);
}

TEST_F(UninstallTest, PreUninstallProgramStartsBeforeMsiexec) {
    MsiexecRemovesTheProduct();
    TMainDlg& dlg = StartInstaller(Fields({{"PreUninstallExeName", "Clean.exe"}}), {{"PreUninstallFile", "clean"}});
    dlg.UninstallBtnClick();
    const auto commands = Commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0], "\"C:\\Users\\Public\\Install\\Clean.exe\"");
    EXPECT_EQ(commands[1], std::string("\"C:\\Windows\\system32\\msiexec.exe\" /x {") + kGuid + "}");
    // Deleting it right after the start fails while it runs; it stays.
    EXPECT_TRUE(platform.FileExists("C:\\Users\\Public\\Install\\Clean.exe"));
    for (const Recorded& r : platform.log) {
        if (r.kind == Recorded::Kind::StartProcess) {
            EXPECT_EQ(r.extra, "C:\\Users\\Public\\Install");  // its own folder
        }
    }

    // One that has already ended when the start returns is deleted at once.
    platform.startedProgramsKeepRunning = false;
    platform.EndProgram("C:\\Users\\Public\\Install\\Clean.exe");
    platform.MakeFolder(kInstallFolder);
    dlg.UninstallBtnClick();
    EXPECT_FALSE(platform.FileExists("C:\\Users\\Public\\Install\\Clean.exe"));
}

TEST_F(UninstallTest, APrefixedPreUninstallProgramIsTheSameOnEveryPress) {
    platform.WriteFile(std::string(kInstallFolder) + "\\Tools\\Clean.exe", "clean");
    TMainDlg& dlg = StartInstaller(Fields({{"PreUninstallExeName", "InstallFolder\\Tools\\Clean.exe"}}),
                                   {{"PreUninstallFile", "extracted"}});
    dlg.UninstallBtnClick();  // msiexec leaves the folder: the button stays
    dlg.UninstallBtnClick();
    const auto starts = platform.Texts(Recorded::Kind::StartProcess);
    const std::string expected = "\"c:\\Program Files\\Maker\\Product\\Tools\\Clean.exe\"";
    EXPECT_EQ(starts, (std::vector<std::string>{expected, expected}));
    EXPECT_FALSE(platform.FileExists("C:\\Users\\Public\\Install\\InstallFolder\\Tools\\Clean.exe"));
}

}  // namespace
}  // namespace kestrin::testing
