// The scripted platform refuses what Windows refuses; the core's tests are
// only as good as this model, so the model itself is checked here.
#include "file_utils.h"
#include "installer_fixture.h"
#include "windows_paths.h"

namespace kestrin::testing {
namespace {

using StrictPlatformTest = InstallerTest;

TEST_F(StrictPlatformTest, LinksAreReportedAsReparsePointsAndRemovedAsLinks) {
    platform.WriteFile("C:\\Victim\\keep.txt", "victim");
    platform.WriteFile("C:\\Victim.txt", "victim file");
    platform.MakeLink("C:\\Work\\folder-link", "C:\\Victim");
    platform.MakeLink("C:\\Work\\file-link", "C:\\Victim.txt");
    EXPECT_EQ(platform.Attributes("C:\\Work\\folder-link"), kAttributeDirectory | kAttributeReparsePoint);
    EXPECT_EQ(platform.Attributes("C:\\Work\\file-link"), kAttributeArchive | kAttributeReparsePoint);
    EXPECT_TRUE(platform.FolderExists("C:\\Work\\folder-link"));
    EXPECT_TRUE(platform.FileExists("C:\\Work\\folder-link\\keep.txt"));  // paths go through a link
    const auto entries = platform.ListFolder("C:\\Work");
    ASSERT_TRUE(entries && entries->size() == 2u);
    EXPECT_TRUE((*entries)[0].IsLink() && !(*entries)[0].isDirectory);  // file-link
    EXPECT_TRUE((*entries)[1].IsLink() && (*entries)[1].isDirectory);   // folder-link
    EXPECT_FALSE(platform.RemoveFile("C:\\Work\\folder-link"));  // DeleteFileW refuses a folder link
    EXPECT_TRUE(platform.RemoveFolder("C:\\Work\\folder-link"));
    EXPECT_TRUE(platform.RemoveFile("C:\\Work\\file-link"));
    EXPECT_EQ(platform.ReadFile("C:\\Victim\\keep.txt"), "victim");
    EXPECT_EQ(platform.ReadFile("C:\\Victim.txt"), "victim file");
}

TEST_F(StrictPlatformTest, ReadOnlyAndOpenFilesCannotBeDeleted) {
    platform.WriteFile("C:\\Data\\locked.txt", "x");
    platform.SetReadOnly("C:\\Data\\locked.txt", true);
    EXPECT_EQ(platform.Attributes("C:\\Data\\locked.txt"), kAttributeArchive | kAttributeReadOnly);
    EXPECT_FALSE(platform.RemoveFile("C:\\Data\\locked.txt"));
    EXPECT_EQ(platform.Open("C:\\Data\\locked.txt", FileOpen::CreateAlways, FileShare::All), nullptr);
    EXPECT_TRUE(platform.RenameFile("C:\\Data\\locked.txt", "C:\\Data\\moved.txt"));  // renaming is allowed
    EXPECT_TRUE(platform.SetAttributes("C:\\Data\\moved.txt", kAttributeArchive));
    EXPECT_TRUE(platform.RemoveFile("C:\\Data\\moved.txt"));

    platform.WriteFile("C:\\Data\\held.txt", "x");
    platform.HoldOpen("C:\\Data\\held.txt", false, FileShare::ReadOnly);  // no FILE_SHARE_DELETE
    EXPECT_FALSE(platform.RemoveFile("C:\\Data\\held.txt"));
    EXPECT_FALSE(platform.RenameFile("C:\\Data\\held.txt", "C:\\Data\\other.txt"));
    platform.WriteFile("C:\\Data\\shared.txt", "x");
    platform.HoldOpen("C:\\Data\\shared.txt", true, FileShare::All);
    EXPECT_TRUE(platform.RemoveFile("C:\\Data\\shared.txt"));
}

TEST_F(StrictPlatformTest, LongPathsNeedTheLongForm) {
    std::string folder = "C:\\Deep";
    while (folder.size() < 300) folder += "\\" + std::string(30, 'd');
    platform.windowsLayerLongForm = false;  // as the system sees paths handed over unchanged
    EXPECT_FALSE(CreateFolderTree(platform, folder));
    EXPECT_FALSE(platform.CreateFolder("C:\\" + std::string(kMaxFolderPath - 3, 'f')));
    EXPECT_TRUE(platform.CreateFolder("C:\\" + std::string(kMaxFolderPath - 4, 'f')));
    EXPECT_EQ(platform.Open(folder + "\\f.txt", FileOpen::CreateAlways, FileShare::All), nullptr);
    // In the long form the length is no limit, but "." and ".." mean nothing.
    EXPECT_TRUE(CreateFolderTree(platform, LongForm(folder)));
    EXPECT_NE(platform.Open(LongForm(folder) + "\\f.txt", FileOpen::CreateAlways, FileShare::All), nullptr);
    EXPECT_FALSE(platform.FileExists(LongForm(folder) + "\\..\\" + folder.substr(folder.rfind('\\') + 1) + "\\f.txt"));

    platform.windowsLayerLongForm = true;  // the Windows layer's own conversion
    EXPECT_TRUE(platform.FileExists(folder + "\\f.txt"));
    EXPECT_TRUE(platform.FileExists(folder + "\\x\\..\\.\\f.txt"));
}

TEST_F(StrictPlatformTest, NamesWindowsForbidsAreRefused) {
    platform.MakeFolder("C:\\Data");
    for (const char* bad : {"C:\\Data\\CON", "C:\\Data\\aux.txt", "C:\\Data\\Lpt3", "C:\\Data\\Sub \\x.txt",
                            "C:\\Data\\a<b.txt", "C:\\Data\\a|b"}) {
        EXPECT_EQ(platform.Open(bad, FileOpen::CreateAlways, FileShare::All), nullptr) << bad;
        EXPECT_FALSE(platform.CreateFolder(bad)) << bad;
    }
    // Outside the long form a trailing period or space of the last name is
    // dropped, as GetFullPathNameW does.
    EXPECT_TRUE(platform.CreateFolder("C:\\Data\\Made. "));
    EXPECT_TRUE(platform.FolderExists("C:\\Data\\Made"));
    EXPECT_EQ(WindowsNameProblem("com1.log"), "is a reserved device name");
    EXPECT_EQ(WindowsNameProblem("name."), "ends in a period");
    EXPECT_FALSE(WindowsNameProblem("CONSOLE.txt"));
}

TEST_F(StrictPlatformTest, ListingsFollowNtfsOrderAndShortNamesResolve) {
    for (const char* name : {"b", "A", "_x", ".h", "Zed"}) platform.WriteFile(std::string("C:\\L\\") + name, "");
    std::vector<std::string> names;
    const auto listed = platform.ListFolder("C:\\L");
    ASSERT_TRUE(listed);
    for (const FolderEntry& entry : *listed) names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{".h", "A", "b", "Zed", "_x"}));

    platform.WriteFile("C:\\Program Files\\Maker\\App.exe", "app");
    platform.MakeFolder("C:\\Programs Old");  // numbered in listing order after "Program Files"
    EXPECT_TRUE(platform.FileExists("C:\\PROGRA~1\\Maker\\App.exe"));
    EXPECT_EQ(platform.FullPathName("c:\\progra~2"), "c:\\Programs Old");
    EXPECT_EQ(platform.FullPathName("c:\\progra~1\\maker\\..\\MAKER\\\\New\\.\\x."),
              "c:\\Program Files\\Maker\\New\\x");  // the drive letter as given
    EXPECT_EQ(platform.FullPathName("Tools\\t.exe"), "C:\\Setup\\Tools\\t.exe");
}

TEST_F(StrictPlatformTest, ReadFaultsFailReadsThatReachTheOffset) {
    platform.WriteFile("C:\\Data\\bad.bin", std::string(100, 'b'));
    platform.ReadFaultAt("C:\\Data\\bad.bin", 60);
    auto file = platform.Open("C:\\Data\\bad.bin", FileOpen::ReadExisting, FileShare::All);
    ASSERT_NE(file, nullptr);
    char buffer[100];
    EXPECT_EQ(file->Read(buffer, 60), 60u);
    EXPECT_EQ(file->Read(buffer, 1), std::nullopt);
    EXPECT_FALSE(CopyFileBlocks(platform, "C:\\Data\\bad.bin", "C:\\Data\\copy.bin"));
    EXPECT_FALSE(platform.FileExists("C:\\Data\\copy.bin"));
}

}  // namespace
}  // namespace kestrin::testing
