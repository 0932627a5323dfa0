#include "file_commands.h"
#include "installer_fixture.h"

namespace kestrin::testing {
namespace {

constexpr const char* kInstall = "C:\\Program Files\\Maker\\Product";
const std::string kPostParseError = "Post Install Error\r\n\r\nContact Publisher";
const std::string kPreParseError = "Pre Install Error\r\n\r\nContact Publisher";

class FileCommandsTest : public InstallerTest {
protected:
    void SetUp() override {
        platform.WriteFile(std::string(kInstall) + "\\Docs\\a.txt", "doc");
        platform.WriteFile(std::string(kInstall) + "\\Docs\\Sub\\b.txt", "sub");
        platform.WriteFile(std::string(kInstall) + "\\Settings.ini", "defaults");
        platform.WriteFile(std::string(kInstall) + "\\Plugin.dll", "plugin");
        platform.MakeFolder(kWorkPath);
    }
    void Post(const std::string& list) { RunPostCopyCommands(platform, list, kInstall, kWorkPath); }
};

TEST_F(FileCommandsTest, CopiesOutOfTheInstallFolder) {
    Post("Docs=C:\\Data\\Docs|Settings.ini=C:\\Deep\\New\\Settings.ini");
    EXPECT_EQ(platform.ReadFile("C:\\Data\\Docs\\Sub\\b.txt"), "sub");
    EXPECT_EQ(platform.ReadFile("C:\\Deep\\New\\Settings.ini"), "defaults");
    EXPECT_TRUE(Messages().empty());

    // An existing destination file is replaced.
    platform.WriteFile("C:\\Target\\Settings.ini", "old and longer");
    Post("Settings.ini=C:\\Target\\Settings.ini=ignored");  // cut at the second "="
    EXPECT_EQ(platform.ReadFile("C:\\Target\\Settings.ini"), "defaults");
}

TEST_F(FileCommandsTest, GuardsDecideWhetherAnEntryRuns) {
    platform.userName = "carol";
    platform.WriteFile("C:\\ProgramData\\Maker\\Settings.ini", "user's own");
    Post("Settings.ini={C:\\ProgramData\\Maker\\Settings.ini}"
         "|Settings.ini={C:\\ProgramData\\Other\\Settings.ini}trailing text"
         "|CreateFolder={UserAccount\\AppData\\Roaming\\Maker}"
         "|Plugin.dll=[C:\\Program Files\\Host\\Plugins]C:\\Program Files\\Host\\Plugins\\Plugin.dll");
    EXPECT_EQ(platform.ReadFile("C:\\ProgramData\\Maker\\Settings.ini"), "user's own");  // left alone
    EXPECT_EQ(platform.ReadFile("C:\\ProgramData\\Other\\Settings.ini"), "defaults");
    EXPECT_TRUE(platform.FolderExists("C:\\Users\\carol\\AppData\\Roaming\\Maker"));
    EXPECT_FALSE(platform.FileExists("C:\\Program Files\\Host\\Plugins\\Plugin.dll"));  // host not there

    platform.MakeFolder("C:\\Program Files\\Host\\Plugins");
    Post("Plugin.dll=[C:\\Program Files\\Host\\Plugins]C:\\Program Files\\Host\\Plugins\\Plugin.dll"
         "|Plugin.dll=[UserAccount\\Missing]C:\\Elsewhere\\Plugin.dll");
    EXPECT_EQ(platform.ReadFile("C:\\Program Files\\Host\\Plugins\\Plugin.dll"), "plugin");
    EXPECT_FALSE(platform.FileExists("C:\\Elsewhere\\Plugin.dll"));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FileCommandsTest, OnlyUserAccountIsExpandedAndGuardsToo) {
    platform.userName = "carol";
    platform.MakeFolder(platform.currentFolder);  // relative names land there
    platform.WriteFile("C:\\Users\\carol\\AppData\\Settings.ini", "user's own");
    platform.MakeFolder("C:\\Users\\carol\\Host");
    Post("Settings.ini={UserAccount\\AppData\\Settings.ini}"
         "|Plugin.dll=[UserAccount\\Host]UserAccount\\Host\\Plugin.dll"
         "|CreateFolder=InstallFolder\\Made|CreateFolder={SetupFolder\\Made}|CreateFolder=FixedPath\\D\\Made");
    EXPECT_EQ(platform.ReadFile("C:\\Users\\carol\\AppData\\Settings.ini"), "user's own");
    EXPECT_EQ(platform.ReadFile("C:\\Users\\carol\\Host\\Plugin.dll"), "plugin");
    // The other prefixes mean nothing here: the names stay relative.
    EXPECT_FALSE(platform.FolderExists(std::string(kInstall) + "\\Made"));
    EXPECT_TRUE(platform.FolderExists("C:\\Setup\\InstallFolder\\Made"));
    EXPECT_TRUE(platform.FolderExists("C:\\Setup\\SetupFolder\\Made"));
    EXPECT_TRUE(platform.FolderExists("C:\\Setup\\FixedPath\\D\\Made"));
    EXPECT_TRUE(Messages().empty());

    // The pre-install pass uses its paths exactly as written.
    platform.WriteFile("C:\\Users\\carol\\Old.txt", "keep");
    RunPreInstallCommands(platform, "PreInstallDelete=UserAccount\\Old.txt");
    EXPECT_TRUE(platform.FileExists("C:\\Users\\carol\\Old.txt"));
}

TEST_F(FileCommandsTest, ABraceGuardAfterAConditionDecidesAlone) {
    platform.WriteFile("C:\\Existing\\Settings.ini", "kept");
    Post("Settings.ini=[C:\\Missing]{C:\\Fresh\\Settings.ini}|Settings.ini=[C:\\Program Files]{C:\\Existing\\Settings.ini}");
    EXPECT_EQ(platform.ReadFile("C:\\Fresh\\Settings.ini"), "defaults");
    EXPECT_EQ(platform.ReadFile("C:\\Existing\\Settings.ini"), "kept");
}

TEST_F(FileCommandsTest, DeletionsAndFolders) {
    platform.WriteFile("C:\\Junk\\loose.txt", "x");
    platform.WriteFile("C:\\Junk\\Keep\\inner.txt", "y");
    platform.WriteFile("C:\\Gone\\only.txt", "z");
    platform.WriteFile("C:\\File.tmp", "t");
    Post("DeleteFolder=C:\\Junk|DeleteFolder=C:\\Gone|DeleteFile=C:\\File.tmp|DeleteFile=C:\\Never.tmp"
         "|CreateFolder=C:\\A\\B\\C|PreInstallDelete=C:\\A|PreInstallCopy=C:\\A;C:\\Z");
    EXPECT_FALSE(platform.FileExists("C:\\Junk\\loose.txt"));
    EXPECT_TRUE(platform.FileExists("C:\\Junk\\Keep\\inner.txt"));  // sub-folders stay, so does the folder
    EXPECT_FALSE(platform.FolderExists("C:\\Gone"));
    EXPECT_FALSE(platform.FileExists("C:\\File.tmp"));
    EXPECT_TRUE(platform.FolderExists("C:\\A\\B\\C"));  // pre-install keys do nothing after installation
    EXPECT_FALSE(platform.FolderExists("C:\\Z"));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FileCommandsTest, ProblemsAreReportedAndTheNextEntryStillRuns) {
    platform.WriteFile(std::string(kInstall) + "\\Big.bin", std::string(30000, 'b'));
    Post("Missing.dll=C:\\Out\\Missing.dll|=C:\\x|NoValue=|Big.bin=C:\\Out\\Big.bin|Settings.ini=C:\\Out\\S.ini|");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Install Error\r\n\r\nMissing File: Missing.dll", kPostParseError,
                                                    kPostParseError, kPostParseError}));
    EXPECT_EQ(platform.ReadFile("C:\\Out\\S.ini"), "defaults");

    platform.log.clear();
    platform.fakeDiskFullAfter = 1000;  // FakeDiskFull
    Post("Big.bin=C:\\Out\\Big2.bin|Docs=C:\\Out\\Docs2");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Install Error\r\n\r\nFile Copy Failed: Big.bin",
                                                    "Install Error\r\n\r\nFolder Copy Failed: Docs"}));
    EXPECT_FALSE(platform.FileExists("C:\\Out\\Big2.bin"));  // the partial copy is removed
}

TEST_F(FileCommandsTest, AFolderIsNeverCopiedIntoItself) {
    // Found by fuzzing: the copy would otherwise recurse until the disk or
    // the path length gives out.
    Post("Docs=C:\\PROGRAM FILES\\Maker\\Product\\Docs\\Backup|Docs=C:\\Program Files\\Maker\\Product\\Docs");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Install Error\r\n\r\nFolder Copy Failed: Docs",
                                                    "Install Error\r\n\r\nFolder Copy Failed: Docs"}));
    EXPECT_FALSE(platform.FolderExists(std::string(kInstall) + "\\Docs\\Backup"));
    // A sibling whose name merely starts the same is fine.
    Post("Docs=C:\\Program Files\\Maker\\Product\\Docs2");
    EXPECT_EQ(platform.ReadFile(std::string(kInstall) + "\\Docs2\\Sub\\b.txt"), "sub");
}

TEST_F(FileCommandsTest, AFileIsNeverCopiedOntoItself) {
    // However the destination spells the source, nothing is deleted.
    Post("Settings.ini=C:\\PROGRAM FILES\\Maker\\Product\\Settings.ini"
         "|Settings.ini=c:/Program Files/Maker/./Product//settings.INI"
         "|Settings.ini=C:\\PROGRA~1\\Maker\\Product\\Settings.ini");
    EXPECT_EQ(Messages(), std::vector<std::string>(3, "Install Error\r\n\r\nFile Copy Failed: Settings.ini"));
    EXPECT_EQ(platform.ReadFile(std::string(kInstall) + "\\Settings.ini"), "defaults");
}

TEST_F(FileCommandsTest, LongDestinationsArePassedWhole) {
    std::string destination = "C:\\Long";
    while (destination.size() < 300) destination += "\\" + std::string(40, 'n');
    destination += "\\Settings.ini";
    Post("Settings.ini=" + destination);
    EXPECT_EQ(platform.ReadFile(destination), "defaults");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FileCommandsTest, PreInstallPassDeletesAndCopiesOnlyWhatItOwns) {
    platform.WriteFile("C:\\Old\\a.txt", "a");
    platform.WriteFile("C:\\Old\\Sub\\b.txt", "b");
    platform.WriteFile("C:\\Old.txt", "file");
    platform.WriteFile("C:\\Seed\\x.txt", "seed");
    platform.WriteFile("C:\\Seed.txt", "single");
    platform.WriteFile("C:\\Exists\\keep.txt", "keep");
    RunPreInstallCommands(platform,
                          "PreInstallDelete=C:\\Old|PreInstallDelete=C:\\Old.txt|PreInstallCopy=C:\\Seed;C:\\NewSeed"
                          "|PreInstallCopy=C:\\Seed.txt;C:\\NewSeed.txt|PreInstallCopy=C:\\Seed;C:\\Exists"
                          "|CreateFolder=C:\\NotNow|Docs=C:\\NotNow2|");
    EXPECT_FALSE(platform.FileExists("C:\\Old\\a.txt"));
    EXPECT_TRUE(platform.FileExists("C:\\Old\\Sub\\b.txt"));
    EXPECT_FALSE(platform.FileExists("C:\\Old.txt"));
    EXPECT_EQ(platform.ReadFile("C:\\NewSeed\\x.txt"), "seed");
    EXPECT_EQ(platform.ReadFile("C:\\NewSeed.txt"), "single");
    EXPECT_FALSE(platform.FileExists("C:\\Exists\\x.txt"));  // destination already there
    EXPECT_FALSE(platform.FolderExists("C:\\NotNow"));
    EXPECT_EQ(Messages(), std::vector<std::string>{kPreParseError});  // the trailing "|"
}

TEST_F(FileCommandsTest, ShortcutBatchIsWrittenAndRunHidden) {
    Post("Shortcut=My App;C:\\Program Files\\Maker\\App\\App.exe;App.ico|Shortcut=Bare;C:\\x.exe");
    const auto runs = platform.Texts(Recorded::Kind::ShellOpenAndWait);
    ASSERT_EQ(runs, (std::vector<std::string>{"C:\\Users\\Public\\Install\\CreateShortcut.bat",
                                              "C:\\Users\\Public\\Install\\CreateShortcut.bat"}));
    EXPECT_EQ(ShortcutBatchText(platform, kInstall, "My App;C:\\Program Files\\Maker\\App\\App.exe;App.ico"),
              "@echo off\r\n"
              "echo Set oWS = WScript.CreateObject(\"WScript.Shell\") > CreateShortcut.vbs\r\n"
              "echo sLinkFile = \"c:\\Users\\Public\\Desktop\\My App.lnk\" >> CreateShortcut.vbs\r\n"
              "echo Set oLink = oWS.CreateShortcut(sLinkFile) >> CreateShortcut.vbs\r\n"
              "echo oLink.TargetPath = \"C:\\Program Files\\Maker\\App\\App.exe\" >> CreateShortcut.vbs\r\n"
              "echo oLink.IconLocation = \"C:\\Program Files\\Maker\\Product\\App.ico\" >> CreateShortcut.vbs\r\n"
              "echo oLink.Save >> CreateShortcut.vbs\r\n"
              "\"C:\\Windows\\system32\\cscript.exe\" CreateShortcut.vbs\r\n"
              "del CreateShortcut.vbs\r\n");
    // The second batch replaced the first and has no icon line.
    const auto batch = platform.ReadFile("C:\\Users\\Public\\Install\\CreateShortcut.bat");
    ASSERT_TRUE(batch);
    EXPECT_EQ(batch->find("IconLocation"), std::string::npos);
    EXPECT_NE(batch->find("Bare.lnk"), std::string::npos);

    platform.shellOpenFailure = "The system cannot find the file specified.";
    Post("Shortcut=X;C:\\x.exe");
    EXPECT_EQ(Messages(), std::vector<std::string>{"The system cannot find the file specified."});
}

}  // namespace
}  // namespace kestrin::testing
