// What the elevated installer must refuse to do for a standard user who
// prepared the machine: follow links while deleting or copying, start a
// program planted beside it, copy a folder into itself, "uninstall" nothing.
#include "file_commands.h"
#include "file_utils.h"
#include "installer_fixture.h"
#include "process_utils.h"

#include <algorithm>

namespace kestrin::testing {
namespace {

constexpr const char* kGuid = "12345678-ABCD-1234-ABCD-1234567890AB";

class SecurityTest : public InstallerTest {
protected:
    void SetUp() override { platform.WriteFile("C:\\Program Files\\Victim\\keep.dll", "victim"); }
    bool VictimIntact() { return platform.ReadFile("C:\\Program Files\\Victim\\keep.dll") == "victim"; }
};

// ---- links -------------------------------------------------------------------

TEST_F(SecurityTest, DeletionsRemoveLinksNeverWhatTheyPointTo) {
    platform.WriteFile("C:\\Users\\Public\\Install\\old.txt", "x");
    platform.MakeLink("C:\\Users\\Public\\Install\\Planted", "C:\\Program Files\\Victim");
    DeleteTree(platform, kWorkPath);
    EXPECT_TRUE(VictimIntact());
    EXPECT_FALSE(platform.Attributes(kWorkPath).has_value());  // the link went with the folder

    // A folder that is itself a link: only the link goes.
    platform.MakeLink(kWorkPath, "C:\\Program Files\\Victim");
    DeleteTree(platform, kWorkPath);
    EXPECT_TRUE(VictimIntact());
    EXPECT_FALSE(platform.Attributes(kWorkPath).has_value());

    platform.MakeLink("C:\\Users\\Public\\Maker", "C:\\Program Files\\Victim");
    DeleteFolderFiles(platform, "C:\\Users\\Public\\Maker");
    RunPreInstallCommands(platform, "PreInstallDelete=C:\\Users\\Public\\Maker");
    EXPECT_TRUE(VictimIntact());
}

TEST_F(SecurityTest, FolderCopiesDoNotFollowLinks) {
    platform.WriteFile("C:\\Src\\own.txt", "own");
    platform.MakeLink("C:\\Src\\Elsewhere", "C:\\Program Files\\Victim");
    platform.MakeLink("C:\\Src\\Loop", "C:\\Src");  // would copy itself without end
    EXPECT_TRUE(CopyFolderTree(platform, "C:\\Src", "C:\\Dst"));
    EXPECT_EQ(platform.ReadFile("C:\\Dst\\own.txt"), "own");
    EXPECT_FALSE(platform.Attributes("C:\\Dst\\Elsewhere").has_value());
    EXPECT_FALSE(platform.Attributes("C:\\Dst\\Loop").has_value());
}

TEST_F(SecurityTest, AWorkFolderPlantedAsALinkIsReplacedAtStartUp) {
    platform.MakeLink(kWorkPath, "C:\\Program Files\\Victim");
    TMainDlg& dlg = StartInstaller({{"WindowTitle", "T"}, {"PreInstallExeName", "Prepare.exe"}},
                                   {{"ImageFile", "JPEG"}, {"PreInstallFile", "pre"}});
    ASSERT_TRUE(dlg.HasPayload());
    EXPECT_EQ(platform.Attributes(kWorkPath), kAttributeDirectory);  // a real folder now
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Image.jpg"), "JPEG");
    EXPECT_FALSE(platform.FileExists("C:\\Program Files\\Victim\\Image.jpg"));
    EXPECT_FALSE(platform.FileExists("C:\\Program Files\\Victim\\Prepare.exe"));
    EXPECT_TRUE(VictimIntact());
}

TEST_F(SecurityTest, AWorkFolderLinkThatCannotBeRemovedLeavesTheInstallerWithoutAPayload) {
    // Fault injection: a planted link whose access list denies its removal.
    platform.MakeLink(kWorkPath, "C:\\Program Files\\Victim");
    platform.failRemove.insert(kWorkPath);
    platform.WriteFile("C:\\Data\\x.txt", "x");
    auto trace = [this] {
        std::vector<std::string> lines;
        for (const Recorded& entry : platform.log)
            lines.push_back(std::to_string(static_cast<int>(entry.kind)) + " " + entry.text + " " + entry.extra);
        return lines;
    };

    // What an installer without any payload shows and does.
    platform.WriteFile(platform.ownExecutablePath, std::string(20000, 'M'));
    TMainDlg bare(platform);
    bare.FormCreate();
    const MainWindowView bareView = bare.View();
    bare.InstallBtnClick();
    const std::vector<std::string> bareTrace = trace();
    platform.log.clear();

    TMainDlg& dlg = StartInstaller(
        {{"WindowTitle", "T"}, {"Message", "Welcome"}, {"Copyright", "(c) M"}, {"Info", "About"},
         {"Labels", "Leave|||||||Go||More"}, {"PreNotes", "notes"}, {"ManufacturerFolder", "Maker"},
         {"OutputFolder", "Product"}, {"PreInstallExeName", "Prepare.exe"}, {"SuppressConfirm", "1"},
         {"ProductGuid", kGuid}, {"PostCopy", "PreInstallDelete=C:\\Data"}},
        {{"ImageFile", "JPEG"}, {"PackageFile", "MSI"}, {"PreInstallFile", "pre"}});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("is a link that cannot be removed"), std::string::npos) << Messages()[0];
    platform.log.clear();
    EXPECT_FALSE(dlg.HasPayload());
    EXPECT_TRUE(dlg.View() == bareView);
    EXPECT_EQ(dlg.View().windowCaption, "Install");
    EXPECT_EQ(dlg.View().quitCaption, "Quit");
    EXPECT_FALSE(dlg.View().infoVisible);
    EXPECT_TRUE(platform.notesRequests.empty());  // not even the start-up notes

    dlg.InstallBtnClick();
    EXPECT_EQ(trace(), bareTrace);
    EXPECT_TRUE(Commands().empty());  // no msiexec, no icacls, no program
    EXPECT_TRUE(dlg.ShouldEnd());
    EXPECT_TRUE(platform.FileExists("C:\\Data\\x.txt"));  // no file command ran
    EXPECT_TRUE(IsLink(platform, kWorkPath));
    // Nothing went through the link.
    std::vector<std::string> victim;
    for (const auto& entry : std::filesystem::directory_iterator(platform.HostPath("C:\\Program Files\\Victim")))
        victim.push_back(entry.path().filename().string());
    EXPECT_EQ(victim, std::vector<std::string>{"keep.dll"});
    EXPECT_TRUE(VictimIntact());
}

TEST_F(SecurityTest, InstallWithoutAPayloadWritesAndStartsNothing) {
    platform.WriteFile(platform.ownExecutablePath, std::string(20000, 'M'));  // a bare stub
    platform.WriteFile("C:\\Data\\x.txt", "x");
    auto everything = [this] {
        std::vector<std::string> paths;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / "fs"))
            paths.push_back(entry.path().string());
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    const std::vector<std::string> before = everything();
    TMainDlg bare(platform);
    bare.FormCreate();
    // Fields that claim an embedded package and a quiet run, as a half-taken
    // descriptor would, must not get past the missing payload.
    bare.fExternalMSI = "None";
    bare.fSuppressConfirm = true;
    bare.fPostCopy = "PreInstallDelete=C:\\Data";
    bare.fInstallFolder = "c:\\Program Files\\Victim";
    bare.InstallBtnClick();
    EXPECT_TRUE(bare.ShouldEnd());
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(platform.Texts(Recorded::Kind::SetClipboard).empty());
    EXPECT_EQ(everything(), before);
}

TEST_F(SecurityTest, PiecesComeFromTheFileThatWasStartedNeverFromItsPath) {
    TMainDlg& dlg = StartInstaller({{"WindowTitle", "T"}, {"SuppressConfirm", "1"}},
                                   {{"PackageFile", std::string(70000, 'O')}});
    ASSERT_TRUE(dlg.HasPayload());
    // Windows lets another process rename a running program away and put
    // another file at its path; the installer's own handle forbids that.
    EXPECT_FALSE(platform.RenameFile(platform.ownExecutablePath, "C:\\Setup\\Setup.old"));
    EXPECT_FALSE(platform.RemoveFile(platform.ownExecutablePath));
    // Should the file at the path change all the same (here: replaced behind
    // the platform's back), the package still comes from the original.
    PackInstaller({{"WindowTitle", "T"}, {"SuppressConfirm", "1"}}, {{"PackageFile", std::string(70000, 'F')}});
    std::optional<std::string> package;
    platform.OnCommand("msiexec.exe\" /i", [&package](ScriptedPlatform& p, const std::string&) {
        package = p.ReadFile("C:\\Users\\Public\\Install\\Product.msi");
    });
    dlg.InstallBtnClick();
    EXPECT_EQ(package, std::string(70000, 'O'));
}

// ---- programs started by full path -------------------------------------------------

TEST_F(SecurityTest, SystemProgramsStartFromTheSystemFolderOnly) {
    platform.systemFolder = "D:\\WinNT\\System32";
    platform.MakeFolder("c:\\Program Files\\Maker\\Product");
    platform.OnCommand("msiexec.exe\" /x", [](ScriptedPlatform& p, const std::string&) {
        std::filesystem::remove_all(p.HostPath("c:\\Program Files\\Maker"));
    });
    TMainDlg& dlg = StartInstaller({{"ManufacturerFolder", "Maker"}, {"OutputFolder", "Product"}, {"ProductGuid", kGuid},
                                    {"AutoUninstall", "1"}, {"SuppressConfirm", "1"},
                                    {"PostCopy", "EveryoneAccess=C:\\Shared|Shortcut=App;C:\\App.exe"}},
                                   {{"PackageFile", "MSI"}});
    platform.OnCommand("/passive /qn", [](ScriptedPlatform& p, const std::string&) {
        p.MakeFolder("c:\\Program Files\\Maker\\Product");
    });
    dlg.InstallBtnClick();
    const std::string cmd = "C:\\Windows\\system32\\cmd.exe /C ";
    const std::string sys = "\"D:\\WinNT\\System32\\";
    EXPECT_EQ(platform.Texts(Recorded::Kind::RunAndWait),
              std::vector<std::string>{sys + "msiexec.exe\" /quiet /x {" + kGuid + "}"});
    EXPECT_TRUE(HasCommandContaining(cmd + "echo Y| " + sys + "icacls.exe\" \"C:\\Users\\Public\\Install\\Product.msi\" /t /grant \"Users\":F"));
    EXPECT_TRUE(HasCommandContaining(cmd + "start \"\" " + sys + "msiexec.exe\" /i \"C:\\Users\\Public\\Install\\Product.msi\" /passive /qn"));
    EXPECT_TRUE(HasCommandContaining(cmd + "echo Y| " + sys + "icacls.exe\" \"C:\\Shared\" /t /grant \"Everyone\":(OI)(CI)F"));
    EXPECT_NE(ShortcutBatchText(platform, "c:\\I", "App;C:\\App.exe").find("\r\n" + sys + "cscript.exe\" CreateShortcut.vbs\r\n"),
              std::string::npos);
    for (const std::string& line : Commands()) {
        EXPECT_EQ(line.find(" msiexec "), std::string::npos) << line;
        EXPECT_EQ(line.find(" icacls "), std::string::npos) << line;
    }
}

TEST_F(SecurityTest, TheCommandInterpreterIsNeverLookedUpAlongTheSearchPath) {
    for (const std::optional<std::string>& comspec :
         {std::optional<std::string>(), std::optional<std::string>("cmd.exe"), std::optional<std::string>("")}) {
        platform.log.clear();
        platform.comspec = comspec;
        RunHidden(platform, "echo");
        EXPECT_EQ(Commands(), std::vector<std::string>{"C:\\Windows\\system32\\cmd.exe /C echo"});
    }
}

// ---- a folder is never copied into itself ------------------------------------------

TEST_F(SecurityTest, TheCopyIntoItselfGuardSeesThroughSpellings) {
    const std::string install = "c:\\Program Files\\\\Product";  // no maker folder: two backslashes
    platform.WriteFile("C:\\Program Files\\Product\\Docs\\a.txt", "doc");
    for (const std::string destination :
         {"C:\\Program Files\\Product\\Docs\\Backup", "C:\\Program Files\\Product\\.\\Docs\\Backup",
          "C:\\Program Files\\Product\\Sub\\..\\Docs\\Backup", "C:\\PROGRA~1\\Product\\Docs\\Backup",
          "C:/Program Files/Product/Docs/Backup"}) {
        platform.log.clear();
        RunPostCopyCommands(platform, "Docs=" + destination, install, kWorkPath);
        EXPECT_EQ(Messages(), std::vector<std::string>{"Install Error\r\n\r\nFolder Copy Failed: Docs"}) << destination;
        EXPECT_FALSE(platform.FolderExists("C:\\Program Files\\Product\\Docs\\Backup")) << destination;
    }
}

// ---- uninstall needs something to uninstall -------------------------------------------

TEST_F(SecurityTest, UninstallIsNotOfferedWithoutPayloadOrProductCode) {
    platform.MakeFolder("c:\\Program Files\\Maker\\Product");
    platform.WriteFile(platform.ownExecutablePath, std::string(20000, 'M'));  // a bare stub
    TMainDlg bare(platform);
    bare.FormCreate();
    EXPECT_FALSE(bare.View().uninstallVisible);
    bare.UninstallBtnClick();
    EXPECT_TRUE(platform.Texts(Recorded::Kind::RunAndWait).empty());
    EXPECT_TRUE(Messages().empty());

    TMainDlg& noCode = StartInstaller({{"ManufacturerFolder", "Maker"}, {"OutputFolder", "Product"},
                                       {"UninstallButton", "1"}, {"AutoUninstall", "1"}, {"SuppressConfirm", "1"}},
                                      {{"PackageFile", "MSI"}});
    EXPECT_FALSE(noCode.View().uninstallVisible);
    noCode.UninstallBtnClick();
    noCode.InstallBtnClick();  // no automatic "msiexec /x {}" either
    EXPECT_TRUE(platform.Texts(Recorded::Kind::RunAndWait).empty());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Finished"});
}

// ---- the clipboard handshake -----------------------------------------------------------

TEST_F(SecurityTest, AClipboardThatCannotBeSetStopsTheHandshake) {
    platform.failSetClipboard = true;
    TMainDlg& dlg = StartInstaller({{"ManufacturerFolder", "Maker"}, {"OutputFolder", "Product"},
                                    {"PreInstallExeName", "Prepare.exe"}, {"SuppressConfirm", "1"}},
                                   {{"PackageFile", "MSI"}, {"PreInstallFile", "pre"}});
    platform.clipboard = "KestrinWait";  // a stale answer from an earlier run
    dlg.InstallBtnClick();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("clipboard"), std::string::npos) << Messages()[0];
    EXPECT_TRUE(platform.Texts(Recorded::Kind::StartProcess).empty());  // the program is not started blind
    EXPECT_FALSE(HasCommandContaining("/passive /qn"));
    EXPECT_FALSE(platform.FolderExists(kWorkPath));
    EXPECT_TRUE(dlg.ShouldEnd());
}

}  // namespace
}  // namespace kestrin::testing
