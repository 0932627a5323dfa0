#include "file_utils.h"
#include "installer_fixture.h"
#include "process_utils.h"

#include <filesystem>

namespace kestrin::testing {
namespace {

using FileUtilsTest = InstallerTest;

TEST_F(FileUtilsTest, CopyFileBlocksCopiesAnySizeExactly) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{8191}, std::size_t{8192},
                             std::size_t{8193}, std::size_t{3 * 8192 + 17}}) {
        std::string content(size, '\0');
        for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 31 + size);
        platform.WriteFile("C:\\src\\data.bin", content);
        ASSERT_TRUE(CopyFileBlocks(platform, "C:\\src\\data.bin", "C:\\dst\\..\\data.bin")) << size;
        EXPECT_EQ(platform.ReadFile("C:\\data.bin"), content) << size;
    }
    EXPECT_FALSE(CopyFileBlocks(platform, "C:\\src\\missing.bin", "C:\\new.bin"));
    EXPECT_FALSE(platform.FileExists("C:\\new.bin"));  // nothing created for a missing source
}

TEST_F(FileUtilsTest, CopyFileBlocksSharesOnlyDataFilesWithTheirWriters) {
    platform.WriteFile("C:\\Data\\data.TRQ", "queue");
    platform.WriteFile("C:\\Data\\data.tdd", "table");
    platform.WriteFile("C:\\Data\\data.dat", "plain");
    for (const char* name : {"C:\\Data\\data.TRQ", "C:\\Data\\data.tdd", "C:\\Data\\data.dat"})
        platform.HoldOpenForWriting(name);
    platform.MakeFolder("C:\\Copy");
    EXPECT_TRUE(CopyFileBlocks(platform, "C:\\Data\\data.TRQ", "C:\\Copy\\data.TRQ"));
    EXPECT_TRUE(CopyFileBlocks(platform, "C:\\Data\\data.tdd", "C:\\Copy\\data.tdd"));
    EXPECT_FALSE(CopyFileBlocks(platform, "C:\\Data\\data.dat", "C:\\Copy\\data.dat"));
    EXPECT_EQ(platform.ReadFile("C:\\Copy\\data.TRQ"), "queue");
}

TEST_F(FileUtilsTest, CopyFileBlocksRemovesAShortCopy) {
    platform.WriteFile("C:\\big.bin", std::string(20000, 'b'));
    platform.fakeDiskFullAfter = 10000;  // FakeDiskFull: the disk fills mid-copy
    EXPECT_FALSE(CopyFileBlocks(platform, "C:\\big.bin", "C:\\out\\big.bin"));
    EXPECT_FALSE(platform.FileExists("C:\\out\\big.bin"));
}

TEST_F(FileUtilsTest, CopyFolderTreeCopiesEverythingAndStopsAtTheFirstFailure) {
    platform.WriteFile("C:\\Src\\a", "1");
    platform.WriteFile("C:\\Src\\bc", "22");
    platform.WriteFile("C:\\Src\\.hidden", "h");
    platform.WriteFile("C:\\Src\\Sub\\Deep\\x.txt", "deep");
    platform.MakeFolder("C:\\Src\\Empty");
    std::filesystem::permissions(platform.HostPath("C:\\Src\\Sub"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);  // a read-only folder
    ASSERT_TRUE(CopyFolderTree(platform, "C:\\Src", "C:\\New\\Place\\Dst"));
    EXPECT_EQ(platform.ReadFile("C:\\New\\Place\\Dst\\a"), "1");
    EXPECT_EQ(platform.ReadFile("C:\\New\\Place\\Dst\\bc"), "22");
    EXPECT_EQ(platform.ReadFile("C:\\New\\Place\\Dst\\.hidden"), "h");
    EXPECT_EQ(platform.ReadFile("c:\\new\\place\\dst\\sub\\deep\\X.TXT"), "deep");
    EXPECT_TRUE(platform.FolderExists("C:\\New\\Place\\Dst\\Empty"));
    std::filesystem::permissions(platform.HostPath("C:\\Src\\Sub"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);

    platform.failOpen.insert("C:\\Src\\Sub\\Deep\\x.txt");
    platform.WriteFile("C:\\Src\\zz.txt", "last");
    EXPECT_FALSE(CopyFolderTree(platform, "C:\\Src", "C:\\Second"));
    // Entries are walked in NTFS order (".hidden", "a", "bc", "Empty", "Sub",
    // "zz.txt"): what was copied before the failure stays, nothing after it.
    EXPECT_TRUE(platform.FileExists("C:\\Second\\.hidden"));
    EXPECT_TRUE(platform.FileExists("C:\\Second\\bc"));
    EXPECT_FALSE(platform.FileExists("C:\\Second\\zz.txt"));
    EXPECT_FALSE(CopyFolderTree(platform, "C:\\NoSuchFolder", "C:\\Third"));
}

TEST_F(FileUtilsTest, DeletionsLeaveRunningProgramsRenamedAndSubfoldersAlone) {
    platform.WriteFile("C:\\Work\\loose.txt", "x");
    platform.WriteFile("C:\\Work\\Sub\\inner.txt", "y");
    DeleteFolderFiles(platform, "C:\\Work");
    EXPECT_FALSE(platform.FileExists("C:\\Work\\loose.txt"));
    EXPECT_TRUE(platform.FileExists("C:\\Work\\Sub\\inner.txt"));
    EXPECT_TRUE(platform.FolderExists("C:\\Work"));

    platform.WriteFile("C:\\Work\\Tool.exe", "running");
    platform.MarkRunning("C:\\Work\\Tool.exe");
    DeleteTree(platform, "C:\\Work");
    EXPECT_FALSE(platform.FolderExists("C:\\Work\\Sub"));
    EXPECT_FALSE(platform.FileExists("C:\\Work\\Tool.exe"));
    ASSERT_TRUE(platform.FolderExists("C:\\Work"));  // the renamed program keeps it
    const auto left = platform.ListFolder("C:\\Work");
    ASSERT_TRUE(left);
    ASSERT_EQ(left->size(), 1u);
    const std::string& name = left->front().name;
    ASSERT_TRUE(name.size() > 5 && name.front() == 'X' && name.substr(name.size() - 4) == ".txt") << name;
    const int number = std::stoi(name.substr(1, name.size() - 5));
    EXPECT_GE(number, 0);
    EXPECT_LE(number, 998);

    platform.EndProgram("C:\\Work\\" + name);
    DeleteTree(platform, "C:\\Work");
    EXPECT_FALSE(platform.FolderExists("C:\\Work"));
}

TEST_F(FileUtilsTest, TheCleanUpTakesReadOnlyFilesButNotFilesHeldOpen) {
    platform.WriteFile("C:\\Work\\Product.msi", "msi");
    platform.SetReadOnly("C:\\Work\\Product.msi", true);
    DeleteTree(platform, "C:\\Work");
    EXPECT_FALSE(platform.FolderExists("C:\\Work"));  // not renamed to X<n>.txt and left

    // Another program holding a file without delete sharing keeps it, name and all.
    platform.WriteFile("C:\\Work\\log.txt", "busy");
    platform.HoldOpen("C:\\Work\\log.txt", true, FileShare::ReadOnly);
    DeleteTree(platform, "C:\\Work");
    EXPECT_EQ(platform.ReadFile("C:\\Work\\log.txt"), "busy");
}

TEST_F(FileUtilsTest, WriteBlobToFileWritesEveryChunkAndEmptiesThePiece) {
    Blob empty;
    EXPECT_EQ(WriteBlobToFile(platform, empty, "C:\\out\\..\\empty.bin"), BlobWrite::Written);
    EXPECT_EQ(platform.ReadFile("C:\\empty.bin"), "");

    Blob chunks;
    std::string expected;
    for (int i = 0; i < 3; ++i) {
        const std::string part(1000 + i, static_cast<char>('a' + i));
        std::copy(part.begin(), part.end(), chunks.AppendChunk(part.size()));
        expected += part;
    }
    platform.WriteFile("C:\\piece.bin", std::string(50000, 'z'));  // an older, longer file is replaced
    EXPECT_EQ(WriteBlobToFile(platform, chunks, "C:\\piece.bin"), BlobWrite::Written);
    EXPECT_EQ(platform.ReadFile("C:\\piece.bin"), expected);
    EXPECT_TRUE(chunks.Empty());
    EXPECT_TRUE(chunks.Chunks().empty());

    Blob lost = Blob::FromBytes("data");
    EXPECT_EQ(WriteBlobToFile(platform, lost, "C:\\NoSuchFolder\\piece.bin"), BlobWrite::WriteFailed);  // no message
    EXPECT_TRUE(lost.Empty());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FileUtilsTest, FileSlicesAreStreamedByBothCopyPaths) {
    std::string source(3 * 1048576 + 123, '\0');
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>(i % 251);
    platform.WriteFile("C:\\Setup\\Setup.exe", source);
    const Blob::FileSlice slice{platform.Open("C:\\Setup\\Setup.exe", FileOpen::ReadExisting, FileShare::ReadOnly),
                                1000, source.size() - 2000};
    const std::string expected = source.substr(1000, source.size() - 2000);

    Blob kernelCopy = Blob::FromFileSlice(slice);  // the platform's own copy
    WriteBlobToFile(platform, kernelCopy, "C:\\a.bin");
    EXPECT_EQ(platform.ReadFile("C:\\a.bin"), expected);
    EXPECT_TRUE(kernelCopy.Empty());

    platform.fakeDiskFullAfter = std::uint64_t{1} << 40;  // forces the portable Read/Write loop
    Blob bufferedCopy = Blob::FromFileSlice(slice);
    EXPECT_EQ(bufferedCopy.Read(), expected);
    WriteBlobToFile(platform, bufferedCopy, "C:\\b.bin");
    EXPECT_EQ(platform.ReadFile("C:\\b.bin"), expected);

    // A piece that cannot be written or read whole leaves no file behind:
    // the pre-sized file would hold zeros where the piece went missing.
    platform.fakeDiskFullAfter = 2 * expected.size() + 4096;  // FakeDiskFull part-way
    Blob shortCopy = Blob::FromFileSlice(slice);
    EXPECT_EQ(WriteBlobToFile(platform, shortCopy, "C:\\c.bin"), BlobWrite::WriteFailed);
    EXPECT_TRUE(shortCopy.Empty());
    EXPECT_FALSE(platform.FileExists("C:\\c.bin"));
    platform.fakeDiskFullAfter.reset();
    for (const std::uint64_t fault : {std::uint64_t{1000}, std::uint64_t{2'500'000}, source.size() - 1001}) {
        platform.ReadFaultAt("C:\\Setup\\Setup.exe", fault);  // a bad sector: first, middle and last byte
        Blob unreadable = Blob::FromFileSlice(slice);
        EXPECT_EQ(WriteBlobToFile(platform, unreadable, "C:\\d.bin"), BlobWrite::ReadFailed) << fault;
        EXPECT_FALSE(platform.FileExists("C:\\d.bin"));
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FileUtilsTest, AFolderTreeIsNeverStartedOutsideItsDriveOrShare) {
    platform.MakeFolder(platform.currentFolder);
    platform.MakeFolder("\\\\server\\other");
    // A missing drive or share cannot be created; walking up from it must not
    // end in a folder named after the drive letter or server in the current folder.
    for (const std::string missing : {"Q:\\Data\\Sub", "Q:\\", "Q:", "Q:Data", "\\\\server\\share\\Data"}) {
        SCOPED_TRACE(missing);
        EXPECT_FALSE(CreateFolderTree(platform, missing));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(platform.HostPath(platform.currentFolder)),
                            std::filesystem::directory_iterator()),
              0);
    EXPECT_FALSE(platform.FolderExists("Q:\\"));
    EXPECT_FALSE(platform.FolderExists("\\\\server\\share"));
    EXPECT_TRUE(CreateFolderTree(platform, "\\\\server\\other\\A\\B"));
    EXPECT_TRUE(CreateFolderTree(platform, "C:\\"));
}

TEST(PathParts, ParentFolderAndFileName) {
    EXPECT_EQ(ParentFolder("C:\\Program Files\\Maker\\App.exe"), "C:\\Program Files\\Maker");
    EXPECT_EQ(ParentFolder("C:\\App.exe"), "C:");
    EXPECT_EQ(ParentFolder("C:App.exe"), "C");
    EXPECT_EQ(ParentFolder("App.exe"), "");
    const std::string deep = "C:\\" + std::string(300, 'd') + "\\file.txt";
    EXPECT_EQ(ParentFolder(deep), "C:\\" + std::string(300, 'd'));  // long paths stay whole
    EXPECT_EQ(FileNamePart("C:\\a\\Docs"), "Docs");
    EXPECT_EQ(FileNamePart("Docs"), "Docs");
}

TEST_F(FileUtilsTest, ProcessStartsComposeTheirCommandLines) {
    const std::string longCommand = std::string(400, 'x') + " \xE6\x97\xA5\xE6\x9C\xAC";
    RunHidden(platform, longCommand);
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(Commands()[0], "C:\\Windows\\system32\\cmd.exe /C " + longCommand);  // whole, not cut to 260
    EXPECT_EQ(platform.pauses, std::vector<std::uint32_t>{1});

    platform.comspec.reset();
    GrantFullAccess(platform, "C:\\p.msi");
    const auto commands = Commands();
    const std::string icacls = "C:\\Windows\\system32\\cmd.exe /C echo Y| \"C:\\Windows\\system32\\icacls.exe\" ";
    EXPECT_EQ(std::vector<std::string>(commands.begin() + 1, commands.end()),
              (std::vector<std::string>{icacls + "\"C:\\p.msi\" /t /grant \"Users\":F",
                                        icacls + "\"C:\\p.msi\" /t /grant \"Everyone\":F",
                                        icacls + "\"C:\\p.msi\" /t /grant \"Authenticated Users\":F"}));

    EXPECT_FALSE(LaunchProgram(platform, "C:\\none.exe", "C:\\"));
    platform.WriteFile("C:\\Tools\\T.exe", "");
    EXPECT_TRUE(LaunchProgram(platform, "C:\\Tools\\T.exe", "C:\\Tools", std::string("a b")));
    EXPECT_EQ(Commands().back(), "\"C:\\Tools\\T.exe\" \"a b\"");

    EXPECT_TRUE(RunAndWait(platform, "  msiexec /x {G}  "));
    EXPECT_EQ(Commands().back(), "msiexec /x {G}");
    platform.runAndWaitFailure = "The system cannot find the file specified.";
    EXPECT_FALSE(RunAndWait(platform, "nothing"));
    EXPECT_EQ(Messages(), std::vector<std::string>{"The system cannot find the file specified."});
}

}  // namespace
}  // namespace kestrin::testing
