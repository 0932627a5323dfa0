#include "installer_fixture.h"

namespace kestrin::testing {
namespace {

using StartUpTest = InstallerTest;

TEST_F(StartUpTest, DescriptorFieldsAndPiecesArriveInTheWindow) {
    TMainDlg& dlg = StartInstaller(
        {{"WindowTitle", "Zeichen 製品"}, {"Message", "Welcome"}, {"CenterMessage", "1"},
         {"URLDisplayed", "Site"}, {"URLActual", "https://example.invalid/"}, {"Copyright", "(c) Maker"},
         {"Agreement", "a|b"}, {"Info", "i|j"}, {"PreNotes", "pre|notes"}, {"PostNotes", "p|q"},
         {"Labels", "Leave||Accept|||||Close||About"}, {"ManufacturerFolder", "Maker"}, {"OutputFolder", "Product"},
         {"AlreadyInstalled", "-3"}, {"PreInstallExeName", "Prepare.exe"}, {"PostInstallExeName", "Finish.exe"},
         {"PreUninstallExeName", "Clean.exe"}, {"PostCopy", "A=B|C=D"}, {"MinOS", "Windows7"}},
        {{"ImageFile", "JPEGDATA"}, {"PackageFile", "MSI"}, {"PreInstallFile", "pre-exe"},
         {"PostInstallFile", "post-exe"}, {"PreUninstallFile", "clean-exe"}});
    ASSERT_TRUE(dlg.HasPayload());
    EXPECT_EQ(dlg.fAgreement, "a\r\nb");
    EXPECT_EQ(dlg.fInfo, "i\r\nj");
    EXPECT_EQ(dlg.fPostNotes, "p\r\nq");
    EXPECT_EQ(dlg.fPostCopy, "A=B|C=D");  // the command list keeps its "|"
    EXPECT_EQ(dlg.fAlreadyInstalled, -3);
    EXPECT_EQ(dlg.fMinOS, "Windows7");
    EXPECT_EQ(dlg.fTimestamp, "");
    EXPECT_EQ(dlg.fInstallFolder, "c:\\Program Files\\Maker\\Product");
    EXPECT_EQ(dlg.fMsiStr.Read(), "MSI");

    // The image and the three programs were written to the work folder.
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Image.jpg"), "JPEGDATA");
    EXPECT_EQ(dlg.fPreInstallExePath, "C:\\Users\\Public\\Install\\Prepare.exe");
    EXPECT_EQ(platform.ReadFile(dlg.fPreInstallExePath), "pre-exe");
    EXPECT_EQ(platform.ReadFile(dlg.fPostInstallExePath), "post-exe");
    EXPECT_EQ(platform.ReadFile(dlg.fPreUninstallExePath), "clean-exe");
    EXPECT_TRUE(dlg.fPreInstallStr.Empty());

    const MainWindowView view = dlg.View();
    EXPECT_EQ(view.windowCaption, "Zeichen 製品");
    EXPECT_EQ(view.backgroundImagePath, "C:\\Users\\Public\\Install\\Image.jpg");
    EXPECT_TRUE(view.messageVisible);
    EXPECT_TRUE(view.messageCentered);
    EXPECT_TRUE(view.urlVisible);
    EXPECT_EQ(view.urlText, "Site");
    EXPECT_EQ(view.copyrightText, "(c) Maker");
    EXPECT_EQ(view.quitCaption, "Leave");
    EXPECT_EQ(view.installCaption, "Close");
    EXPECT_EQ(view.infoCaption, "About");
    EXPECT_TRUE(view.infoVisible);
    EXPECT_FALSE(view.uninstallVisible);

    // The start-up notes came first, in view mode with the default title.
    ASSERT_EQ(platform.notesRequests.size(), 1u);
    EXPECT_EQ(platform.notesRequests[0].title, "Pre-Installation Notes");
    EXPECT_EQ(platform.notesRequests[0].text, "pre\r\nnotes");
    EXPECT_FALSE(platform.notesRequests[0].ask);
    EXPECT_EQ(platform.notesRequests[0].closeCaption, "OK");

    dlg.URLLabelClick();
    EXPECT_EQ(platform.Texts(Recorded::Kind::ShellOpen), std::vector<std::string>{"https://example.invalid/"});
    dlg.QuitBtnClick();
    EXPECT_TRUE(dlg.ShouldEnd());
    EXPECT_TRUE(platform.FolderExists(kWorkPath));  // quitting leaves the work folder
}

TEST_F(StartUpTest, InstallFolderAndButtonsFollowTheFlags) {
    TMainDlg& dlg = StartInstaller({{"32Bit", "1"}, {"ManufacturerFolder", "Maker"}, {"OutputFolder", "Product"},
                                    {"UninstallButton", "1"}, {"Labels", "|||||||||About"}});
    EXPECT_EQ(dlg.fInstallFolder, "c:\\Program Files (x86)\\Maker\\Product");
    // Not installed: no Uninstall button. No Info text: no Info button, label or not.
    EXPECT_FALSE(dlg.View().uninstallVisible);
    EXPECT_FALSE(dlg.View().infoVisible);
    EXPECT_FALSE(dlg.View().urlVisible);
    EXPECT_FALSE(dlg.View().messageVisible);
    EXPECT_TRUE(platform.notesRequests.empty());  // no start-up notes, no dialog

    platform.MakeFolder("C:\\Program Files\\Maker2\\Product");
    TMainDlg& installed = StartInstaller({{"ManufacturerFolder", "maker2"}, {"OutputFolder", "PRODUCT"},
                                          {"UninstallButton", "1"}, {"32Bit", "true"},
                                          {"ProductGuid", "12345678-ABCD-1234-ABCD-1234567890AB"}});
    EXPECT_EQ(installed.fInstallFolder, "c:\\Program Files\\maker2\\PRODUCT");
    EXPECT_TRUE(installed.View().uninstallVisible);

    TMainDlg& noMaker = StartInstaller({{"OutputFolder", "Product"}});
    EXPECT_EQ(noMaker.fInstallFolder, "c:\\Program Files\\\\Product");
}

TEST_F(StartUpTest, ProgramPiecesNeedANameAndNamesNeedAPiece) {
    TMainDlg& dlg = StartInstaller({{"PreInstallExeName", "SetupFolder\\Prepare.exe"}, {"PostInstallExeName", "Post.exe"}},
                                   {{"PreInstallFile", "pre"}});
    // Written under the name as given (before any prefix rule); the folder
    // does not exist, so the write fails silently.
    EXPECT_EQ(dlg.fPreInstallExePath, "C:\\Users\\Public\\Install\\SetupFolder\\Prepare.exe");
    EXPECT_FALSE(platform.FileExists(dlg.fPreInstallExePath));
    EXPECT_EQ(dlg.fPostInstallExePath, "");  // a name without a piece
    EXPECT_TRUE(Messages().empty());
}

TEST_F(StartUpTest, WithoutAUsablePayloadTheWindowKeepsItsDesignState) {
    auto expectDesignState = [](const TMainDlg& dlg) {
        EXPECT_FALSE(dlg.HasPayload());
        const MainWindowView view = dlg.View();
        EXPECT_EQ(view.windowCaption, "Install");
        EXPECT_EQ(view.installCaption, "Install");
        EXPECT_EQ(view.quitCaption, "Quit");
        EXPECT_FALSE(view.infoVisible);
        EXPECT_EQ(view.backgroundImagePath, "");
    };
    platform.WriteFile(platform.ownExecutablePath, std::string(20000, 'M'));  // a bare stub
    TMainDlg bare(platform);
    bare.FormCreate();
    expectDesignState(bare);
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(platform.FolderExists(kWorkPath));

    // Descriptor digits that are not uppercase hex reject the whole payload.
    PackInstaller({{"WindowTitle", "T"}});
    auto file = *platform.ReadFile(platform.ownExecutablePath);
    const auto trailer = PayloadTrailer::Parse(reinterpret_cast<const unsigned char*>(file.data() + file.size() - 32));
    file[static_cast<std::size_t>(trailer.payloadOffset)] = 'x';
    platform.WriteFile(platform.ownExecutablePath, file);
    TMainDlg badHex(platform);
    badHex.FormCreate();
    expectDesignState(badHex);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("Invalid descriptor"), std::string::npos);

    // An AlreadyInstalled that is not a whole number rejects it too; blanks
    // around the digits are not trimmed away.
    for (const std::string policy : {"yes", " 1", "1 ", "0x1", "1.0", "+-1", "1e3", "-"}) {
        SCOPED_TRACE(policy);
        platform.log.clear();
        StartInstaller({{"AlreadyInstalled", policy}, {"WindowTitle", "T"}});
        expectDesignState(*dialog);
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_NE(Messages()[0].find("AlreadyInstalled \"" + policy + "\""), std::string::npos);
    }
}

TEST_F(StartUpTest, AnAlreadyInstalledPolicyOfAnySizeIsAWholeNumber) {
    // Only 1 and 2 mean anything; a number too large for 32 bits is neither.
    for (const auto& [policy, value] : std::vector<std::pair<std::string, std::int32_t>>{
             {"99999999999", 0}, {"-99999999999", 0}, {"+4294967297", 0}, {"2147483647", 2147483647},
             {"00000000000000000001", 1}, {"-2", -2}}) {
        SCOPED_TRACE(policy);
        platform.log.clear();
        TMainDlg& dlg = StartInstaller({{"AlreadyInstalled", policy}, {"WindowTitle", "T"}});
        ASSERT_TRUE(dlg.HasPayload());
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(dlg.fAlreadyInstalled, value);
    }
}

TEST_F(StartUpTest, APieceThatCannotBeWrittenWholeRefusesThePayload) {
    // Fault injection: a bad sector inside the pre-install program, the last
    // piece before the trailer. Nothing of the payload may be used then, or
    // Install would start a program from a partial file.
    const std::map<std::string, std::string> fields = {
        {"WindowTitle", "T"}, {"PreInstallExeName", "Prepare.exe"}, {"Info", "about"}, {"PreNotes", "notes"}};
    PackInstaller(fields, {{"ImageFile", "JPEG"}, {"PackageFile", "MSI"}, {"PreInstallFile", std::string(60000, 'p')}});
    const auto size = std::filesystem::file_size(platform.HostPath(platform.ownExecutablePath));
    platform.ReadFaultAt(platform.ownExecutablePath, size - kTrailerSize - 100);
    TMainDlg dlg(platform);
    dlg.FormCreate();
    EXPECT_FALSE(dlg.HasPayload());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Installer: C:\\Setup\\Setup.exe\r\nFailed Step 105\r\n"
                                                   "Prepare.exe could not be read from the installer."});
    EXPECT_EQ(dlg.View().windowCaption, "Install");  // the design state
    EXPECT_FALSE(dlg.View().infoVisible);
    EXPECT_TRUE(platform.notesRequests.empty());
    EXPECT_FALSE(platform.FileExists("C:\\Users\\Public\\Install\\Prepare.exe"));
    EXPECT_FALSE(platform.FileExists("C:\\Users\\Public\\Install\\Image.jpg"));  // nothing left behind
    dlg.InstallBtnClick();
    EXPECT_TRUE(Commands().empty());
}

TEST_F(StartUpTest, ShortAndLongDescriptorsAreTolerated) {
    // A descriptor with fewer than 36 fields: missing ones are empty; extra
    // fields beyond 36 are ignored. Built by hand to get those shapes.
    for (const std::string& text : {std::string("20240101_1200$$$Post.exe$$$$$$Pre.exe"),
                                    std::string(35 * 3, '$') + "$$$extra$$$more"}) {
        const std::string hex = EncodeDescriptor(text);
        std::string file(1000, 'M');
        PayloadTrailer trailer;
        trailer.payloadOffset = 1000;
        trailer.lengths[kDescriptorPiece] = static_cast<std::int32_t>(hex.size());
        file += hex;
        const auto bytes = trailer.Serialise();
        file.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        platform.WriteFile(platform.ownExecutablePath, file);
        platform.log.clear();
        TMainDlg dlg(platform);
        dlg.FormCreate();
        // AlreadyInstalled is missing or empty in both: no policy, no message.
        ASSERT_TRUE(dlg.HasPayload());
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(dlg.fAlreadyInstalled, 0);
    }
    const std::string text = "20240101_1200$$$Post.exe$$$$$$Pre.exe" + std::string(24 * 3, '$') + "$$$2";
    const std::string hex = EncodeDescriptor(text);
    std::string file(1000, 'M');
    PayloadTrailer trailer;
    trailer.payloadOffset = 1000;
    trailer.lengths[kDescriptorPiece] = static_cast<std::int32_t>(hex.size());
    file += hex;
    const auto bytes = trailer.Serialise();
    file.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    platform.WriteFile(platform.ownExecutablePath, file);
    TMainDlg dlg(platform);
    dlg.FormCreate();
    ASSERT_TRUE(dlg.HasPayload());
    EXPECT_EQ(dlg.fPreInstallExeName, "Pre.exe");
    EXPECT_EQ(dlg.fAlreadyInstalled, 2);
    EXPECT_EQ(dlg.fProductGuid, "");
    EXPECT_FALSE(dlg.fProgressScreen);
}

}  // namespace
}  // namespace kestrin::testing
