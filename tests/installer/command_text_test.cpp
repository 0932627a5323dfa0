// Values the installer did not write itself (descriptor entries, user names,
// the folder the installer was started from) on their way into command lines
// and the shortcut batch: the command interpreter, the batch reader and the
// programs' own argument parsing must each see the value exactly as it is.
#include "file_commands.h"
#include "installer_fixture.h"
#include "process_utils.h"

#include <algorithm>

namespace kestrin::testing {
namespace {

constexpr const char* kInstall = "C:\\Program Files\\Maker\\Product";
const std::string kComspec = "C:\\Windows\\system32\\cmd.exe /C ";
const std::string kIcacls = "\"C:\\Windows\\system32\\icacls.exe\" ";
const std::string kEveryoneInherited = " /t /grant \"Everyone\":(OI)(CI)F";

class CommandTextTest : public InstallerTest {
protected:
    void SetUp() override { platform.MakeFolder(kWorkPath); }
    void Post(const std::string& list, const std::string& installFolder = kInstall) {
        RunPostCopyCommands(platform, list, installFolder, kWorkPath);
    }
    std::vector<std::string> BatchRuns() const { return platform.Texts(Recorded::Kind::ShellOpenAndWait); }
};

TEST_F(CommandTextTest, PercentSignsReachTheShortcutScriptUnexpanded) {
    // In a batch file a lone "%" is dropped and "%OS%" is replaced by the
    // variable: both would name a different shortcut, target or icon.
    const std::string text =
        ShortcutBatchText(platform, "C:\\Program Files\\100%\\Product", "50% Off;C:\\A%OS%B\\App.exe;App%.ico");
    EXPECT_NE(text.find("echo sLinkFile = \"c:\\Users\\Public\\Desktop\\50%% Off.lnk\" >> CreateShortcut.vbs\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("echo oLink.TargetPath = \"C:\\A%%OS%%B\\App.exe\" >> CreateShortcut.vbs\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("echo oLink.IconLocation = \"C:\\Program Files\\100%%\\Product\\App%%.ico\" >> "
                        "CreateShortcut.vbs\r\n"),
              std::string::npos)
        << text;
    // Every other line stays as it always is.
    EXPECT_NE(text.find("\r\necho oLink.Save >> CreateShortcut.vbs\r\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '%'), 10);  // the five of the values, doubled
}

TEST_F(CommandTextTest, ExclamationMarksSurviveDelayedExpansion) {
    // Where the machine turns delayed expansion on for every command
    // interpreter, "!...!" in a batch line is expanded like "%...%".
    const std::string text = ShortcutBatchText(platform, kInstall, "Go! Now!;C:\\App.exe");
    EXPECT_EQ(text.substr(0, text.find("echo Set oWS")), "@echo off\r\nsetlocal DisableDelayedExpansion\r\n");
    EXPECT_NE(text.find("Desktop\\Go! Now!.lnk\""), std::string::npos);
    EXPECT_EQ(ShortcutBatchText(platform, "C:\\Maker!", "App;C:\\App.exe").find("setlocal"), std::string::npos)
        << "the install folder is not in a batch without an icon";
    EXPECT_NE(ShortcutBatchText(platform, "C:\\Maker!", "App;C:\\App.exe;A.ico").find("setlocal"),
              std::string::npos);
}

TEST_F(CommandTextTest, ShortcutWhoseTextWouldStartANewBatchLineIsLeftOut) {
    // No path holds a line break or a double quote; in the batch they would
    // start a command of their own or end the quoted text early.
    Post("Shortcut=App\r\ndel /q C:\\Data;C:\\App.exe"
         "|Shortcut=App;C:\\App.exe\" & del /q C:\\Data & \"x"
         "|Shortcut=App;C:\\App.exe;icon.ico\nrd /s /q C:\\Data");
    EXPECT_TRUE(BatchRuns().empty());
    EXPECT_FALSE(platform.FileExists(std::string(kWorkPath) + "\\CreateShortcut.bat"));
    Post("Shortcut=App;C:\\App.exe;App.ico", "C:\\Program\nFiles");  // the install folder is in the icon line
    Post("Shortcut=App;C:\\App.exe", "C:\\Program\nFiles");          // ... only when there is an icon
    EXPECT_EQ(BatchRuns().size(), 1u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CommandTextTest, TrailingBackslashDoesNotSwallowTheGrantArguments) {
    // Programs read \" as a literal quote: "C:\Data\" /t ... would reach
    // icacls as one argument and grant nothing.
    Post("EveryoneAccess=C:\\Data\\|EveryoneAccess=C:\\|EveryoneAccess=C:\\Data");
    EXPECT_EQ(Commands(), (std::vector<std::string>{
                              kComspec + "echo Y| " + kIcacls + "\"C:\\Data\\\\\"" + kEveryoneInherited,
                              kComspec + "echo Y| " + kIcacls + "\"C:\\\\\"" + kEveryoneInherited,
                              kComspec + "echo Y| " + kIcacls + "\"C:\\Data\"" + kEveryoneInherited,
                          }));
}

TEST_F(CommandTextTest, PathWithPercentIsNotHandedToTheInterpreter) {
    // The interpreter expands %OS% even inside quotes: icacls would be given
    // another folder. Such a path goes straight to icacls.
    platform.userName = "a%OS%b";
    Post("EveryoneAccess=UserAccount\\Data|EveryoneAccess=C:\\100% sure\\");
    EXPECT_EQ(Commands(), (std::vector<std::string>{
                              kIcacls + "\"C:\\Users\\a%OS%b\\Data\"" + kEveryoneInherited,
                              kIcacls + "\"C:\\100% sure\\\\\"" + kEveryoneInherited,
                          }));

    platform.log.clear();
    GrantFullAccess(platform, "C:\\Users\\Public\\%TEMP%\\Product.msi");
    EXPECT_EQ(Commands(), (std::vector<std::string>{
                              kIcacls + "\"C:\\Users\\Public\\%TEMP%\\Product.msi\" /t /grant \"Users\":F",
                              kIcacls + "\"C:\\Users\\Public\\%TEMP%\\Product.msi\" /t /grant \"Everyone\":F",
                              kIcacls + "\"C:\\Users\\Public\\%TEMP%\\Product.msi\" /t /grant \"Authenticated Users\":F",
                          }));
}

TEST_F(CommandTextTest, GrantOnTextThatCannotBeAPathIsLeftOut) {
    Post("EveryoneAccess=C:\\Data\" /reset & rd /s /q \"C:\\Users"
         "|EveryoneAccess=C:\\Data\r\nrd /s /q C:\\Users"
         "|EveryoneAccess=C:\\Kept");
    EXPECT_EQ(Commands(), std::vector<std::string>{kComspec + "echo Y| " + kIcacls + "\"C:\\Kept\"" + kEveryoneInherited});
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CommandTextTest, PackageBesideAnInstallerInAPercentFolderStartsDirectly) {
    platform.ownExecutablePath = "C:\\Downloads\\%OS%\\Setup.exe";
    platform.WriteFile("C:\\Downloads\\%OS%\\Other.msi", "external");
    TMainDlg& dlg = StartInstaller({{"ManufacturerFolder", "Maker"},
                                    {"OutputFolder", "Product"},
                                    {"ExternalMSI", "Other.msi"},
                                    {"SuppressConfirm", "1"}});
    dlg.InstallBtnClick();
    EXPECT_EQ(Commands(), std::vector<std::string>{"\"C:\\Windows\\system32\\msiexec.exe\" /i "
                                                   "\"C:\\Downloads\\%OS%\\Other.msi\" /passive /qn"});
}

TEST_F(CommandTextTest, InterpreterFromCOMSPECMustBeAPlainPath) {
    // A quote would let the variable add arguments of its own to the
    // interpreter (cmd.exe" /K "calc); such a value is not a path.
    platform.comspec = "C:\\Windows\\system32\\cmd.exe\" /K \"C:\\Temp\\other.exe";
    RunHidden(platform, "echo");
    platform.comspec = "D:\\Tools\\My Shell\\cmd.exe";
    RunHidden(platform, "echo");
    EXPECT_EQ(Commands(), (std::vector<std::string>{kComspec + "echo", "\"D:\\Tools\\My Shell\\cmd.exe\" /C echo"}));
}

}  // namespace
}  // namespace kestrin::testing
