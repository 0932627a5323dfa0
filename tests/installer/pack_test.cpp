#include "installer_file.h"
#include "installer_fixture.h"
#include "pack_config.h"

#include <fstream>
#include <sstream>

namespace kestrin::testing {
namespace {

class PackTest : public InstallerTest {
protected:
    std::filesystem::path Write(const std::string& name, const std::string& content) {
        const auto path = root / "pack" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    // The error text of reading `config`, or "" when it is accepted.
    std::string ConfigError(const std::string& config) {
        try {
            pack::ReadPackConfig(Write("bad.conf", config), "20240101_0000");
        } catch (const pack::PackError& error) {
            return error.what();
        }
        return {};
    }
};

TEST_F(PackTest, ConfigRoundTripsThroughInspectAndStartUp) {
    const std::string binary("\x00\xFFKSTR\x01 binary", 14);
    Write("agreement.txt", "First line\r\nSecond | line\nÜnïcödé 製品\n");
    Write("pieces/image.jpg", "JPEG" + binary);
    Write("pieces/product.msi", std::string(300000, 'M') + binary);
    Write("pieces/pre.exe", "PRE" + binary);
    Write("pieces/post.exe", "POST");
    Write("pieces/clean.exe", "CLEAN");
    const auto config = Write("setup.conf",
                              "# a full config\n"
                              "Timestamp = 20240131_1745\n"
                              "PostInstallExeName = Finish.exe\n"
                              "PreInstallExeName = Prepare.exe\n"
                              "fCenterMessage = 1\n"
                              "Agreement.file = agreement.txt\n"
                              "Message = Welcome = hello\n"
                              "URLActual = https://example.invalid/\n"
                              "URLDisplayed = example\n"
                              "Info = info|text\n"
                              "Label.0 = Leave\n"
                              "Label.7 = Go\n"
                              "ManufacturerFolder = Maker\n"
                              "OutputFolder = Product\n"
                              "Copyright = (c) 2024\n"
                              "WindowTitle = Demo 製品\n"
                              "Shortcuts = 1;App;App.exe\n"
                              "MinOS = Windows7\n"
                              "MinRAM = 2GB\n"
                              "CompletionURL = https://example.invalid/done\n"
                              "PreNotes = pre\n"
                              "PostNotes = post\n"
                              "32Bit = 1\n"
                              "PostCopy = Docs=C:\\Docs|Shortcut=App;C:\\App.exe;App.ico\n"
                              "Windows7 = seven\n"
                              "Windows8 = eight\n"
                              "Windows10 = ten\n"
                              "ExternalMSI = None\n"
                              "AlreadyInstalled = 2\n"
                              "ProductGuid = 12345678-abcd-1234-ABCD-1234567890ab\n"
                              "UninstallButton = 1\n"
                              "AutoUninstall = 0\n"
                              "PreUninstallExeName = Clean.exe\n"
                              "SuppressConfirm = 1\n"
                              "ProgressScreen = 1\n"
                              "ImageFile = pieces/image.jpg\n"
                              "PackageFile = pieces/product.msi\n"
                              "PreInstallFile = pieces/pre.exe\n"
                              "PostInstallFile = pieces/post.exe\n"
                              "PreUninstallFile = pieces/clean.exe\n");
    const auto stub = Write("stub.exe", std::string(5000, 'S'));
    const auto out = platform.HostPath(platform.ownExecutablePath);
    std::filesystem::create_directories(out.parent_path());
    pack::BuildInstaller(stub, pack::ReadPackConfig(config, "unused"), out);
    EXPECT_FALSE(std::filesystem::exists(out.string() + ".partial"));

    const pack::InstallerSummary summary = pack::ReadInstallerSummary(out);
    EXPECT_EQ(summary.trailer.payloadOffset, 5000);
    EXPECT_EQ(summary.fieldCount, 36u);
    EXPECT_EQ(summary.trailer.lengths[kPackagePiece], 300014);
    EXPECT_EQ(summary.fields[kAgreementField], "First line|Second | line|Ünïcödé 製品");
    EXPECT_EQ(summary.fields[kMessageField], "Welcome = hello");
    EXPECT_EQ(summary.fields[kLabelsField], "Leave|||||||Go");
    std::ostringstream printed;
    pack::PrintSummary(summary, printed);
    EXPECT_NE(printed.str().find("  15 WindowTitle = Demo 製品\n"), std::string::npos);
    EXPECT_NE(printed.str().find("  Package       300014 bytes\n"), std::string::npos);

    TMainDlg dlg(platform);
    dlg.FormCreate();
    ASSERT_TRUE(dlg.HasPayload());
    EXPECT_EQ(dlg.fTimestamp, "20240131_1745");
    EXPECT_EQ(dlg.fAgreement, "First line\r\nSecond \r\n line\r\nÜnïcödé 製品");
    EXPECT_TRUE(dlg.fCenterMessage);
    EXPECT_EQ(dlg.fInfo, "info\r\ntext");
    EXPECT_EQ(dlg.Label(0), "Leave");
    EXPECT_EQ(dlg.Label(7), "Go");
    EXPECT_EQ(dlg.fWindowTitle, "Demo 製品");
    EXPECT_EQ(dlg.fShortcuts, "1;App;App.exe");
    EXPECT_EQ(dlg.fMinRAM, "2GB");
    EXPECT_EQ(dlg.fPostCopy, "Docs=C:\\Docs|Shortcut=App;C:\\App.exe;App.ico");
    EXPECT_EQ(dlg.fWindows10, "ten");
    EXPECT_EQ(dlg.fAlreadyInstalled, 2);
    EXPECT_EQ(dlg.fProductGuid, "12345678-abcd-1234-ABCD-1234567890ab");
    EXPECT_TRUE(dlg.f32Bit && dlg.fUninstallButton && dlg.fSuppressConfirm && dlg.fProgressScreen);
    EXPECT_FALSE(dlg.fAutoUninstall);
    EXPECT_EQ(dlg.fInstallFolder, "c:\\Program Files (x86)\\Maker\\Product");
    EXPECT_EQ(dlg.fMsiStr.Read(platform), std::string(300000, 'M') + binary);
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Image.jpg"), "JPEG" + binary);
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Prepare.exe"), "PRE" + binary);
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Finish.exe"), "POST");
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Clean.exe"), "CLEAN");
}

TEST_F(PackTest, TimestampDefaultsToTheBuildTimeAndExternalPackageToNone) {
    const pack::PackConfig config = pack::ReadPackConfig(Write("min.conf", "WindowTitle = T\n"), "20991231_2359");
    EXPECT_EQ(config.fields[kTimestampField], "20991231_2359");
    EXPECT_EQ(config.fields[kExternalMSIField], "None");
    EXPECT_EQ(config.fields[kAlreadyInstalledField], "0");
    EXPECT_EQ(pack::CurrentTimestamp().size(), 13u);
}

TEST_F(PackTest, ConfigMistakesNameFileAndLine) {
    const std::string file = (root / "pack" / "bad.conf").string();
    EXPECT_EQ(ConfigError("WindowTitle = ok\nTitel = typo\n"), file + ":2: unknown key \"Titel\"");
    EXPECT_EQ(ConfigError("Reserved2 = x\n"), file + ":1: unknown key \"Reserved2\"");
    EXPECT_EQ(ConfigError("# c\n\nSuppressConfirm = yes\n"), file + ":3: SuppressConfirm must be 0 or 1, not \"yes\"");
    EXPECT_NE(ConfigError("MinOS = Windows11\n").find(":1: MinOS must be"), std::string::npos);
    EXPECT_NE(ConfigError("MinRAM = 1gb\n").find(":1: MinRAM must be"), std::string::npos);
    EXPECT_NE(ConfigError("ProductGuid = {12345678-ABCD-1234-ABCD-1234567890AB}\n").find(":1: ProductGuid"),
              std::string::npos);
    EXPECT_NE(ConfigError("ProductGuid = 12345678-ABCD-1234-ABCD-1234567890AG\n").find(":1: ProductGuid"),
              std::string::npos);
    EXPECT_EQ(ConfigError("AlreadyInstalled = 1.5\n"), file + ":1: AlreadyInstalled must be a whole number, not \"1.5\"");
    EXPECT_NE(ConfigError("Message = a\nMessage = b\n").find(":2: \"Message\" is given twice"), std::string::npos);
    EXPECT_NE(ConfigError("Message = a$$$b\n").find(":1: a value cannot contain"), std::string::npos);
    EXPECT_NE(ConfigError("Label.3 = a|b\n").find(":1: a label cannot contain"), std::string::npos);
    EXPECT_NE(ConfigError("Label.x = a\n").find(":1: label index"), std::string::npos);
    EXPECT_NE(ConfigError("Labels = a|b\nLabel.1 = c\n").find(":2: give either"), std::string::npos);
    EXPECT_NE(ConfigError("just text\n").find(":1: expected KEY = VALUE"), std::string::npos);
    EXPECT_NE(ConfigError("Agreement.file = nowhere.txt\n").find(":1: cannot read text file"), std::string::npos);
    EXPECT_NE(ConfigError("PreInstallFile = x.exe\n").find(":1: PreInstallFile needs PreInstallExeName"), std::string::npos);
    EXPECT_NE(ConfigError("Timestamp = 2024-01-01\n").find(":1: Timestamp"), std::string::npos);
    EXPECT_EQ(ConfigError("AlreadyInstalled = -1\nMinRAM =\nCenterMessage = 0\n"), "");
}

TEST_F(PackTest, BuildAndInspectRefuseBrokenInput) {
    const auto stub = Write("stub.exe", "stub");
    pack::PackConfig config;
    config.pieceFiles[1] = root / "pack" / "absent.msi";
    EXPECT_THROW(pack::BuildInstaller(stub, config, root / "pack" / "out.exe"), pack::PackError);
    EXPECT_FALSE(std::filesystem::exists(root / "pack" / "out.exe"));
    EXPECT_FALSE(std::filesystem::exists(root / "pack" / "out.exe.partial"));

    EXPECT_THROW(pack::ReadInstallerSummary(Write("plain.exe", std::string(5000, 'x'))), pack::PackError);
    PayloadTrailer outside;
    outside.payloadOffset = 100000;
    outside.lengths[0] = 8;
    const auto bytes = outside.Serialise();
    EXPECT_THROW(pack::ReadInstallerSummary(Write("lying.exe", "xx" + std::string(bytes.begin(), bytes.end()))),
                 pack::PackError);
}

}  // namespace
}  // namespace kestrin::testing
