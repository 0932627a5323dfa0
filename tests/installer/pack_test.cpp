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
                              "Label.9 = About\n"
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
    const auto stub = Write("stub.exe", PeImage(5001));
    const auto out = platform.HostPath(platform.ownExecutablePath);
    std::filesystem::create_directories(out.parent_path());
    const pack::PackConfig parsed = pack::ReadPackConfig(config, "unused");
    EXPECT_TRUE(parsed.warnings.empty()) << parsed.warnings.front();
    pack::BuildInstaller(stub, parsed, out);
    EXPECT_FALSE(std::filesystem::exists(out.string() + ".partial"));

    const pack::InstallerSummary summary = pack::ReadInstallerSummary(out);
    // Zero bytes after the stub make the whole a multiple of 8 long, so
    // signing adds no padding between the trailer and its certificate table.
    EXPECT_EQ(summary.fileSize % 8, 0u);
    EXPECT_GE(summary.trailer.payloadOffset, 5001);
    EXPECT_LT(summary.trailer.payloadOffset, 5009);
    EXPECT_EQ(summary.trailerOffset + kTrailerSize, summary.fileSize);
    EXPECT_EQ(summary.fieldCount, 36u);
    EXPECT_EQ(summary.trailer.lengths[kPackagePiece], 300014);
    EXPECT_EQ(summary.fields[kAgreementField], "First line|Second | line|Ünïcödé 製品");
    EXPECT_EQ(summary.fields[kMessageField], "Welcome = hello");
    EXPECT_EQ(summary.fields[kLabelsField], "Leave|||||||Go||About");
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
    EXPECT_EQ(dlg.fMinRAM, "2GB");
    EXPECT_EQ(dlg.fPostCopy, "Docs=C:\\Docs|Shortcut=App;C:\\App.exe;App.ico");
    EXPECT_EQ(dlg.fWindows10, "ten");
    EXPECT_EQ(dlg.fAlreadyInstalled, 2);
    EXPECT_EQ(dlg.fProductGuid, "12345678-abcd-1234-ABCD-1234567890ab");
    EXPECT_TRUE(dlg.f32Bit && dlg.fUninstallButton && dlg.fSuppressConfirm && dlg.fProgressScreen);
    EXPECT_FALSE(dlg.fAutoUninstall);
    EXPECT_EQ(dlg.fInstallFolder, "c:\\Program Files (x86)\\Maker\\Product");
    EXPECT_EQ(dlg.fMsiStr.Read(), std::string(300000, 'M') + binary);
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Image.jpg"), "JPEG" + binary);
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Prepare.exe"), "PRE" + binary);
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Finish.exe"), "POST");
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Clean.exe"), "CLEAN");
}

TEST_F(PackTest, TimestampDefaultsToTheBuildTimeAndExternalPackageToNone) {
    Write("p.msi", "MSI");
    const pack::PackConfig config =
        pack::ReadPackConfig(Write("min.conf", "WindowTitle = T\nPackageFile = p.msi\n"), "20991231_2359");
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
    EXPECT_EQ(ConfigError("AlreadyInstalled = -1\nMinRAM =\nCenterMessage = 0\nExternalMSI = Other.msi\n"), "");
    EXPECT_EQ(ConfigError("AlreadyInstalled = 99999999999\nExternalMSI = Other.msi\n"), "");  // proceeds, as 0 does
}

TEST_F(PackTest, ValuesThatWouldShiftTheDescriptorFieldsAreRefused) {
    const std::string file = (root / "pack" / "bad.conf").string();
    const std::string endsInDollar =
        "a value cannot end with \"$\" (the installer would take it for the start of the \"$$$\" after it)";
    EXPECT_EQ(ConfigError("WindowTitle = T\nLabel.3 = Agree$$$ment\n"), file + ":2: a value cannot contain \"$$$\"");
    EXPECT_EQ(ConfigError("Message = Costs 5$\nURLActual = http://x\n"), file + ":1: " + endsInDollar);
    EXPECT_EQ(ConfigError("Message = $\n"), file + ":1: " + endsInDollar);
    Write("notes.txt", "Costs\n5$\n");
    EXPECT_EQ(ConfigError("PreNotes.file = notes.txt\n"), file + ":1: " + endsInDollar);
    EXPECT_EQ(ConfigError("Labels = Leave|Costs 5$\n"), file + ":1: " + endsInDollar);
    // Label.N entries are joined with "|": only the last one meets the "$$$".
    EXPECT_EQ(ConfigError("Label.4 = Done$\nLabel.2 = Go\n"),
              file + ":1: the last label cannot end with \"$\" (the installer would take it for the start of the "
                     "\"$$$\" after it)");

    // A "$" anywhere else reaches the installer intact, every field in place.
    Write("p.msi", "MSI");
    const pack::PackConfig config = pack::ReadPackConfig(
        Write("ok.conf", "PackageFile = p.msi\nManufacturerFolder = M\nOutputFolder = P\n"
                         "Message = $5 off\nURLActual = $$x\nURLDisplayed = a$$b\nInfo = $\xe2\x82\xac$|$x\n"
                         "Label.2 = Go$\nLabel.3 = $Agree\nCopyright = $$\xc2\xa9\n"),
        "20240101_0000");
    const std::vector<std::string> fields = SplitFields(pack::DescriptorText(config), kFieldSeparator);
    EXPECT_EQ(fields, std::vector<std::string>(config.fields.begin(), config.fields.end()));
    EXPECT_EQ(fields[kMessageField], "$5 off");
    EXPECT_EQ(SplitFields(fields[kLabelsField], "|"), (std::vector<std::string>{"", "", "Go$", "$Agree"}));
}

TEST_F(PackTest, EverySpellingOfAKeyCountsOnce) {
    const std::string file = (root / "pack" / "bad.conf").string();
    EXPECT_EQ(ConfigError("WindowTitle = a\nfWindowTitle = b\n"),
              file + ":2: \"fWindowTitle\" is given twice (line 1 gives it as \"WindowTitle\")");
    EXPECT_EQ(ConfigError("fMessage = a\n\nMessage = b\n"),
              file + ":3: \"Message\" is given twice (line 1 gives it as \"fMessage\")");
    Write("a.txt", "a");
    EXPECT_EQ(ConfigError("Agreement.file = a.txt\nfAgreement.file = a.txt\n"),
              file + ":2: \"fAgreement.file\" is given twice (line 1 gives it as \"Agreement.file\")");
    EXPECT_EQ(ConfigError("Label.3 = a\nLabel.03 = b\n"),
              file + ":2: \"Label.03\" is given twice (line 1 gives it as \"Label.3\")");
    EXPECT_EQ(ConfigError("Label.+7 = a\nLabel.7 = b\n"),
              file + ":2: \"Label.7\" is given twice (line 1 gives it as \"Label.+7\")");
    EXPECT_EQ(ConfigError("Label.0 = a\nLabel.-0 = b\n"),
              file + ":2: \"Label.-0\" is given twice (line 1 gives it as \"Label.0\")");
    EXPECT_EQ(ConfigError("Message = a\nMessage = b\n"), file + ":2: \"Message\" is given twice");
    // Inline and from a file are two ways of giving one value, whatever the spelling.
    EXPECT_NE(ConfigError("fAgreement = x\nAgreement.file = a.txt\n").find(":2: Agreement is given both inline"),
              std::string::npos);
    // A label's index however written still points its warning at its line.
    Write("p.msi", "MSI");
    const auto config = pack::ReadPackConfig(
        Write("w.conf", "PackageFile = p.msi\nManufacturerFolder = M\nOutputFolder = P\nLabel.05 = x\n"), "20240101_0000");
    EXPECT_EQ(config.warnings,
              std::vector<std::string>{(root / "pack" / "w.conf").string() + ":4: warning: label 5 has no effect"});
}

TEST_F(PackTest, MistakesAcrossSettingsNameTheLineToMend) {
    const std::string file = (root / "pack" / "bad.conf").string();
    Write("p.msi", "MSI");
    Write("pre.exe", "PRE");
    EXPECT_EQ(ConfigError("WindowTitle = T\n"), file + ": the embedded package (ExternalMSI None, the default) needs PackageFile");
    EXPECT_EQ(ConfigError("ExternalMSI = None\n"), file + ":1: the embedded package (ExternalMSI None, the default) needs PackageFile");
    EXPECT_EQ(ConfigError("ExternalMSI = Other.msi\nPackageFile = p.msi\n"),
              file + ":2: PackageFile is never used: ExternalMSI \"Other.msi\" names a package beside the installer");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nUninstallButton = 1\n"),
              file + ":2: UninstallButton needs ProductGuid: without it there is nothing msiexec could uninstall");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\n\nfAutoUninstall = 1\n"),
              file + ":3: AutoUninstall needs ProductGuid: without it there is nothing msiexec could uninstall");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nPreInstallExeName = SetupFolder\\Prepare.exe\nPreInstallFile = pre.exe\n"),
              file + ":3: PreInstallFile is never used: PreInstallExeName \"SetupFolder\\Prepare.exe\" names a program "
                     "on the target machine");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nPostInstallExeName = Tools\\Post.exe\n"),
              file + ":2: PostInstallExeName \"Tools\\Post.exe\" must be a file name without folders (or start with "
                     "a prefix such as SetupFolder\\)");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nPreUninstallExeName = InstallFolder\\..\\Clean.exe\n"),
              file + ":2: PreUninstallExeName \"InstallFolder\\..\\Clean.exe\" must not contain \"..\"");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nPreInstallExeName = NUL.exe\n"),
              file + ":2: PreInstallExeName \"NUL.exe\" is a reserved device name");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nManufacturerFolder = Maker\\Sub\n"),
              file + ":2: ManufacturerFolder \"Maker\\Sub\" must be one folder name");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nManufacturerFolder = M\nOutputFolder = Product.\n"),
              file + ":3: OutputFolder \"Product.\" ends in a period");
}

TEST_F(PackTest, SettingsTheInstallerIgnoresAreWarnedAbout) {
    Write("p.msi", "MSI");
    Write("info.html", "<html><body>About</body></html>\n");
    const auto config = pack::ReadPackConfig(Write("w.conf", "PackageFile = p.msi\n"
                                                               "ManufacturerFolder = M\n"
                                                               "Shortcuts = 1;App;App.exe\n"
                                                               "Label.5 = Nothing\n"
                                                               "Label.9 = About\n"
                                                               "Info.file = info.html\n"
                                                               "Agreement = <HTML><p>ok</p>\n"),
                                             "20240101_0000");
    const std::string file = (root / "pack" / "w.conf").string();
    EXPECT_EQ(config.warnings,
              (std::vector<std::string>{
                  file + ": warning: OutputFolder is empty: the install folder gets two backslashes in a row",
                  file + ":3: warning: Shortcuts is kept but never acted on; desktop shortcuts come from \"Shortcut=\" "
                         "entries of PostCopy",
                  file + ":4: warning: label 5 has no effect",
                  file + ":6: warning: Info looks like HTML but lacks \"<HTML>\" (in capitals): it is shown as plain "
                         "text, tags and all"}));
}

TEST_F(PackTest, FileCommandsAreCheckedWithTheInstallersParser) {
    Write("p.msi", "MSI");
    const std::string file = (root / "pack" / "bad.conf").string();
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nPostCopy = Docs=C:\\Docs||CreateFolder=C:\\X\n"),
              file + ":2: file command \"\" needs KEY=VALUE (the installer would stop with \"Contact Publisher\")");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nPostCopy = Docs=C:\\Docs|=C:\\X|\n"),
              file + ":2: file command \"=C:\\X\" needs KEY=VALUE (the installer would stop with \"Contact Publisher\")");

    // One command per line in a file of its own; its lines are the ones named.
    Write("commands.txt", "# copies\nDocs=C:\\Data\\Docs\n\nCreateFolder={UserAccount\\AppData\\Maker}\r\n"
                          "Shortcut=App;C:\\App.exe;App.ico|DeleteFile=C:\\old.txt\n");
    const std::string folders = "ManufacturerFolder = M\nOutputFolder = P\n";
    const auto config = pack::ReadPackConfig(Write("ok.conf", folders + "PackageFile = p.msi\nPostCopy.file = commands.txt\n"),
                                             "20240101_0000");
    EXPECT_EQ(config.fields[kPostCopyField],
              "Docs=C:\\Data\\Docs|CreateFolder={UserAccount\\AppData\\Maker}|Shortcut=App;C:\\App.exe;App.ico"
              "|DeleteFile=C:\\old.txt");
    EXPECT_TRUE(config.warnings.empty());
    const std::string commands = (root / "pack" / "commands.txt").string();
    Write("commands.txt", "Docs=C:\\Data\n\nBroken\n");
    EXPECT_EQ(ConfigError("PackageFile = p.msi\nPostCopy.file = commands.txt\n"),
              commands + ":3: file command \"Broken\" needs KEY=VALUE (the installer would stop with \"Contact Publisher\")");

    Write("commands.txt", "PreInstallCopy=C:\\Seed\nShortcut=App\nDocs=[C:\\Host\nCreateFolder=[C:\\Host]\n"
                          "EveryoneAccess=C:\\Data\" /reset\nShortcut=App;\"C:\\App.exe\" -x\n");
    const auto warned = pack::ReadPackConfig(Write("w.conf", folders + "PackageFile = p.msi\nPostCopy.file = commands.txt\n"),
                                             "20240101_0000");
    EXPECT_EQ(warned.warnings,
              (std::vector<std::string>{
                  commands + ":1: warning: file command \"PreInstallCopy=C:\\Seed\" needs SOURCE;DESTINATION and does nothing",
                  commands + ":2: warning: file command \"Shortcut=App\" needs NAME;TARGET[;ICON]",
                  commands + ":3: warning: file command \"Docs=[C:\\Host\" has a \"[\" without \"]\"",
                  commands + ":3: warning: file command \"Docs=[C:\\Host\" has nothing to act on after its guard",
                  commands + ":4: warning: file command \"CreateFolder=[C:\\Host]\" has nothing to act on after its guard",
                  commands + ":5: warning: file command \"EveryoneAccess=C:\\Data\" /reset\" holds a double quote, which "
                             "no path can hold: the installer leaves it out",
                  commands + ":6: warning: file command \"Shortcut=App;\"C:\\App.exe\" -x\" holds a double quote, which "
                             "no path can hold: the installer leaves it out"}));
}

TEST_F(PackTest, TheStubMustBeABareUnsignedWindowsProgram) {
    Write("p.msi", "MSI");
    pack::PackConfig config;
    config.fields[kExternalMSIField] = "None";
    config.pieceFiles[1] = root / "pack" / "p.msi";
    auto refusal = [&](const std::filesystem::path& stub, const std::string& out = "out.exe") {
        try {
            pack::BuildInstaller(stub, config, root / "pack" / out);
        } catch (const pack::PackError& error) {
            EXPECT_FALSE(std::filesystem::exists(root / "pack" / out));
            return std::string(error.what());
        }
        return std::string();
    };
    const auto text = Write("text.exe", std::string(5000, 'x'));
    EXPECT_EQ(refusal(text), "the stub " + text.string() + " is not a Windows executable");
    const auto signedStub = Write("signed.exe", PeImage(5000, 4000, 1000));
    EXPECT_EQ(refusal(signedStub), "the stub " + signedStub.string() +
                                       " is signed: pack an unsigned stub and sign the finished installer");
    const auto bare = Write("bare.exe", PeImage(5000));
    EXPECT_EQ(refusal(bare), "");
    EXPECT_EQ(refusal(root / "pack" / "out.exe", "again.exe"),
              "the stub " + (root / "pack" / "out.exe").string() + " already carries a payload: pack the bare KestrinStub.exe");
}

TEST_F(PackTest, InspectFindsThePayloadWhereTheInstallerDoes) {
    // A package holding "KSTR" within the last 100,000 bytes, and bytes after
    // the trailer: the installer takes the trailer its first window finds.
    std::string package = std::string(20000, 'M') + "KSTR" + std::string(60000, 'M');
    std::string file = PeImage(2000);
    PayloadTrailer trailer;
    trailer.payloadOffset = 2000;
    trailer.lengths = {0, 0, static_cast<std::int32_t>(package.size()), 0, 0, 0};
    const std::string hex = EncodeDescriptor("20240101_0000$$$Post.exe");
    trailer.lengths[kDescriptorPiece] = static_cast<std::int32_t>(hex.size());
    const auto bytes = trailer.Serialise();
    file += hex + package + std::string(bytes.begin(), bytes.end()) + std::string(500, 'S');
    const auto installer = Write("appended.exe", file);

    const pack::InstallerSummary summary = pack::ReadInstallerSummary(installer);
    EXPECT_EQ(summary.trailerOffset, file.size() - 500 - kTrailerSize);
    EXPECT_EQ(summary.trailer.lengths[kPackagePiece], static_cast<std::int32_t>(package.size()));
    EXPECT_EQ(summary.fields[kPostInstallExeNameField], "Post.exe");
    EXPECT_FALSE(summary.certificateTable);
}

TEST_F(PackTest, BuildAndInspectRefuseBrokenInput) {
    const auto stub = Write("stub.exe", PeImage(4000));
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
