#include "installer_fixture.h"

#include <algorithm>

namespace kestrin::testing {
namespace {

constexpr const char* kInstallFolder = "c:\\Program Files\\Maker\\Product";
constexpr const char* kGuid = "12345678-ABCD-1234-ABCD-1234567890AB";

class InstallTest : public InstallerTest {
protected:
    std::map<std::string, std::string> Fields(std::map<std::string, std::string> extra = {}) {
        std::map<std::string, std::string> fields = {{"WindowTitle", "Demo"}, {"ManufacturerFolder", "Maker"},
                                                     {"OutputFolder", "Product"}, {"ProductGuid", kGuid}};
        for (auto& [key, value] : extra) fields[key] = value;
        return fields;
    }
    // The package installs: "start msiexec /i" makes the install folder.
    void PackageInstalls() {
        platform.OnCommand("msiexec.exe\" /i", [](ScriptedPlatform& p, const std::string&) {
            p.WriteFile(std::string(kInstallFolder) + "\\App.exe", "app");
        });
    }
    // The pre-install program answers on the clipboard `delayMs` after it starts, then ends.
    void PreInstallAnswers(std::vector<std::pair<std::uint64_t, std::optional<std::string>>> answers) {
        platform.OnCommand("Prepare.exe", [answers](ScriptedPlatform& p, const std::string& line) {
            const std::string program = line.substr(1, line.find('"', 1) - 1);
            std::uint64_t last = p.nowMs;
            for (const auto& [delay, text] : answers) {
                p.ClipboardAt(p.nowMs + delay, text);
                last = p.nowMs + delay;
            }
            p.At(last, [program](ScriptedPlatform& q) { q.EndProgram(program); });
        });
    }
    bool PackageStarted() const { return HasCommandContaining("msiexec.exe\" /i"); }
    std::vector<std::string> Confirms() const { return platform.Texts(Recorded::Kind::Confirm); }
    bool WorkFolderKept() { return platform.FolderExists(kWorkPath); }
};

// ---- every way the installation can stop -------------------------------------------

TEST_F(InstallTest, UnmetRequirementsStopBeforeAnythingElse) {
    platform.osVersion = OsVersionFacts{2, 6, 1, ""};
    platform.physicalMemory = 500'000'000;
    TMainDlg& dlg = StartInstaller(Fields({{"MinOS", "Windows10"}, {"MinRAM", "1GB"}, {"Agreement", "terms"}}),
                                   {{"PackageFile", "MSI"}});
    dlg.InstallBtnClick();
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Windows 10 OS or later required.", "1 GB RAM is required."}));
    EXPECT_TRUE(platform.notesRequests.empty());
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(WorkFolderKept());
    EXPECT_TRUE(dlg.ShouldEnd());
    EXPECT_FALSE(dlg.View().installEnabled);
}

TEST_F(InstallTest, DeclinedAgreementEndsQuietly) {
    platform.notesAnswers = {false};
    TMainDlg& dlg = StartInstaller(Fields({{"Agreement", "Terms|more"}, {"Labels", "Decline||Accept|Licence"}}),
                                   {{"PackageFile", "MSI"}});
    dlg.InstallBtnClick();
    ASSERT_EQ(platform.notesRequests.size(), 1u);
    const NotesRequest& agreement = platform.notesRequests[0];
    EXPECT_EQ(agreement.title, "Licence");
    EXPECT_TRUE(agreement.ask);
    EXPECT_EQ(agreement.continueCaption, "Accept");
    EXPECT_EQ(agreement.quitCaption, "Decline");
    EXPECT_EQ(agreement.text, "Terms\r\nmore");
    EXPECT_TRUE(agreement.compact);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(WorkFolderKept());
    EXPECT_TRUE(dlg.ShouldEnd());
}

TEST_F(InstallTest, MissingExternalPackageIsReported) {
    TMainDlg& dlg = StartInstaller(Fields({{"ExternalMSI", "Other.msi"}}));
    dlg.InstallBtnClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Other.msi Missing"});
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(WorkFolderKept());
    EXPECT_TRUE(dlg.ShouldEnd());

    platform.log.clear();
    TMainDlg& labelled = StartInstaller(Fields({{"ExternalMSI", "Other.msi"}, {"Labels", "|||||||||||||Package gone"}}));
    labelled.InstallBtnClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Package gone"});

    // Present beside the installer: it is the one msiexec gets, nothing is written or granted.
    platform.log.clear();
    platform.WriteFile("C:\\Setup\\Other.msi", "external");
    TMainDlg& present = StartInstaller(Fields({{"ExternalMSI", "Other.msi"}, {"SuppressConfirm", "1"}}));
    present.InstallBtnClick();
    EXPECT_TRUE(HasCommandContaining("msiexec.exe\" /i \"C:\\Setup\\Other.msi\" /passive /qn"));
    EXPECT_FALSE(HasCommandContaining("icacls"));
}

TEST_F(InstallTest, AlreadyInstalledPolicies) {
    platform.MakeFolder(kInstallFolder);
    platform.confirmAnswers = {false};
    TMainDlg& ask = StartInstaller(Fields({{"AlreadyInstalled", "1"}}), {{"PackageFile", "MSI"}});
    ask.InstallBtnClick();
    EXPECT_EQ(Confirms(), std::vector<std::string>{"Already Installed, Continue?"});
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(PackageStarted());
    // The package had been written and opened up before the question.
    EXPECT_EQ(platform.ReadFile("C:\\Users\\Public\\Install\\Product.msi"), "MSI");
    EXPECT_EQ(Commands().size(), 3u);
    EXPECT_TRUE(WorkFolderKept());
    EXPECT_TRUE(ask.ShouldEnd());

    platform.log.clear();
    TMainDlg& refuse = StartInstaller(Fields({{"AlreadyInstalled", "2"}}), {{"PackageFile", "MSI"}});
    refuse.InstallBtnClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Already Installed.\r\n\r\nFirst uninstall to continue."});
    EXPECT_TRUE(Confirms().empty());
    EXPECT_FALSE(PackageStarted());
    EXPECT_TRUE(WorkFolderKept());

    // Quiet mode ignores the policy; any other number proceeds too, and so
    // does an empty field (a payload from a tool that leaves it blank).
    for (const char* policy : {"2", "7", ""}) {
        platform.log.clear();
        TMainDlg& quiet = StartInstaller(Fields({{"AlreadyInstalled", policy}, {"SuppressConfirm", std::string(policy) == "2" ? "1" : "0"}}),
                                         {{"PackageFile", "MSI"}});
        platform.confirmAnswers = {true};
        quiet.InstallBtnClick();
        EXPECT_TRUE(PackageStarted()) << policy;
        EXPECT_FALSE(WorkFolderKept()) << policy;
    }
}

TEST_F(InstallTest, AnsweringNoToTheConfirmationRemovesTheWorkFolder) {
    platform.confirmAnswers = {false};
    TMainDlg& dlg = StartInstaller(Fields(), {{"PackageFile", "MSI"}});
    dlg.InstallBtnClick();
    EXPECT_EQ(Confirms(), std::vector<std::string>{"Install Demo to:\r\n\r\nc:\\Program Files\\Maker\\Product"});
    EXPECT_FALSE(PackageStarted());
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(WorkFolderKept());
    EXPECT_TRUE(dlg.ShouldEnd());
}

TEST_F(InstallTest, InstallFolderMissingAfterTheWaitSkipsThePostInstallSteps) {
    TMainDlg& dlg = StartInstaller(Fields({{"PostNotes", "notes"}, {"PostInstallExeName", "Finish.exe"},
                                           {"CompletionURL", "https://example.invalid/done"},
                                           {"PostCopy", "App.exe=C:\\Copy\\App.exe"}}),
                                   {{"PackageFile", "MSI"}, {"PostInstallFile", "post"}});
    dlg.InstallBtnClick();
    EXPECT_TRUE(PackageStarted());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Finished"});
    EXPECT_FALSE(HasCommandContaining("Finish.exe"));
    EXPECT_TRUE(platform.notesRequests.empty());
    EXPECT_TRUE(platform.Texts(Recorded::Kind::ShellOpen).empty());
    EXPECT_FALSE(WorkFolderKept());
    EXPECT_TRUE(dlg.ShouldEnd());
}

TEST_F(InstallTest, APackageThatCannotBeWrittenWholeIsNeverGrantedOrStarted) {
    const std::string stopped = "\r\n\r\nInstallation stopped.";
    // Fault injection: the disk is full when the package is written.
    TMainDlg& diskFull = StartInstaller(Fields({{"SuppressConfirm", "1"}}), {{"PackageFile", std::string(50000, 'M')}});
    platform.fakeDiskFullAfter = 0;
    diskFull.InstallBtnClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Installer: C:\\Setup\\Setup.exe\r\nProduct.msi could not be "
                                                   "written to C:\\Users\\Public\\Install" + stopped});
    EXPECT_TRUE(Commands().empty());
    EXPECT_FALSE(platform.FileExists("C:\\Users\\Public\\Install\\Product.msi"));
    EXPECT_TRUE(diskFull.ShouldEnd());

    platform.fakeDiskFullAfter.reset();
    platform.log.clear();
    // Fault injection: a bad sector 150,000 bytes into a 200,000-byte package.
    TMainDlg& unreadable =
        StartInstaller(Fields({{"SuppressConfirm", "1"}}), {{"PackageFile", std::string(200000, 'M')}});
    const auto size = std::filesystem::file_size(platform.HostPath(platform.ownExecutablePath));
    platform.ReadFaultAt(platform.ownExecutablePath, size - kTrailerSize - 200000 + 150000);
    unreadable.InstallBtnClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Installer: C:\\Setup\\Setup.exe\r\nFailed Step 105\r\n"
                                                   "Product.msi could not be read from the installer." + stopped});
    EXPECT_TRUE(Commands().empty());  // no access grants, no msiexec
    EXPECT_FALSE(platform.FileExists("C:\\Users\\Public\\Install\\Product.msi"));  // not even a partial one
    EXPECT_TRUE(unreadable.ShouldEnd());
}

// ---- the whole way through ------------------------------------------------------------

TEST_F(InstallTest, SuccessfulInstallationRunsEveryStepInOrder) {
    PackageInstalls();
    platform.osVersion = OsVersionFacts{2, 6, 1, ""};  // Windows 7
    TMainDlg& dlg = StartInstaller(
        Fields({{"Windows7", "Seven|note"}, {"Windows10", "ten"}, {"PostNotes", "Thanks"},
                {"PostInstallExeName", "Finish.exe"}, {"CompletionURL", "https://example.invalid/done"},
                {"PostCopy", "PreInstallDelete=C:\\Old|App.exe=C:\\Copy\\App.exe|EveryoneAccess=C:\\Copy"}}),
        {{"PackageFile", "MSI-BYTES"}, {"PostInstallFile", "post"}});
    platform.WriteFile("C:\\Old\\stale.txt", "old");
    // The post-install program finishes quickly, so the work folder can go.
    platform.OnCommand("Finish.exe", [](ScriptedPlatform& p, const std::string&) {
        p.EndProgram("C:\\Users\\Public\\Install\\Finish.exe");
    });
    platform.OnCommand("msiexec.exe\" /i", [](ScriptedPlatform& p, const std::string&) {
        // The pre-install pass ran before the package started.
        EXPECT_FALSE(p.FileExists("C:\\Old\\stale.txt"));
        EXPECT_EQ(p.ReadFile("C:\\Users\\Public\\Install\\Product.msi"), "MSI-BYTES");
    });
    dlg.InstallBtnClick();

    EXPECT_EQ(Confirms(), std::vector<std::string>{"Install Demo to:\r\n\r\nc:\\Program Files\\Maker\\Product"
                                                   "\r\n\r\nSeven\r\nnote"});
    const auto commands = Commands();
    const std::string comspec = "C:\\Windows\\system32\\cmd.exe /C ";
    const std::string system = "\"C:\\Windows\\system32\\";
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[0], comspec + "echo Y| " + system + "icacls.exe\" \"C:\\Users\\Public\\Install\\Product.msi\" /t /grant \"Users\":F");
    EXPECT_EQ(commands[3], comspec + "start \"\" " + system + "msiexec.exe\" /i \"C:\\Users\\Public\\Install\\Product.msi\" /passive /qn");
    EXPECT_EQ(commands[4], "\"C:\\Users\\Public\\Install\\Finish.exe\"");
    EXPECT_EQ(commands[5], comspec + "echo Y| " + system + "icacls.exe\" \"C:\\Copy\" /t /grant \"Everyone\":(OI)(CI)F");
    EXPECT_EQ(Messages(), std::vector<std::string>{"Finished"});
    ASSERT_EQ(platform.notesRequests.size(), 1u);
    EXPECT_EQ(platform.notesRequests[0].title, "Release Notes");
    EXPECT_EQ(platform.ReadFile("C:\\Copy\\App.exe"), "app");
    EXPECT_EQ(platform.Texts(Recorded::Kind::ShellOpen), std::vector<std::string>{"https://example.invalid/done"});
    EXPECT_EQ(platform.Texts(Recorded::Kind::SetClipboard),
              (std::vector<std::string>{kInstallFolder, kInstallFolder}));
    // The 5-second pause came before "Finished".
    EXPECT_NE(std::find(platform.pauses.begin(), platform.pauses.end(), 5000u), platform.pauses.end());
    EXPECT_FALSE(WorkFolderKept());
    EXPECT_TRUE(dlg.ShouldEnd());
}

TEST_F(InstallTest, QuietModeWithNothingToAskShowsOnlyTheProgressWindow) {
    PackageInstalls();
    TMainDlg& dlg = StartInstaller(Fields({{"SuppressConfirm", "1"}, {"ProgressScreen", "1"},
                                           {"Labels", "|||||||||||||||||Working"}}),
                                   {{"PackageFile", "MSI"}});
    dlg.InstallBtnClick();
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Confirms().empty());
    EXPECT_TRUE(platform.notesRequests.empty());
    EXPECT_EQ(platform.Texts(Recorded::Kind::ShowProgress), std::vector<std::string>{"Working"});
    EXPECT_EQ(platform.Texts(Recorded::Kind::SetProgress),
              (std::vector<std::string>{"10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
    EXPECT_EQ(platform.Texts(Recorded::Kind::HideProgress).size(), 1u);
    EXPECT_EQ(std::count(platform.pauses.begin(), platform.pauses.end(), 1000u), 10);
    EXPECT_TRUE(PackageStarted());
    EXPECT_FALSE(WorkFolderKept());
}

TEST_F(InstallTest, OperatingSystemNotesFollowTheGeneration) {
    // Only the minor version varies (all NT 6.x, no service pack); keeping the
    // facts out of the table spares GCC's -O3 a false uninitialised warning.
    struct Case {
        std::uint32_t minor;
        bool atLeast63;
        bool systemApps;
        const char* note;
    };
    const Case cases[] = {
        {2, false, false, "\r\n\r\neight"},
        {2, true, false, ""},  // 8.1 has none
        {0, false, false, ""},
        {2, true, true, "\r\n\r\nten"},
    };
    for (const Case& c : cases) {
        platform.log.clear();
        platform.osVersion = OsVersionFacts{2, 6, c.minor, ""};
        platform.atLeastWindows63 = c.atLeast63;
        if (c.systemApps) platform.MakeFolder("C:\\Windows\\systemapps");
        platform.confirmAnswers = {false};
        TMainDlg& dlg = StartInstaller(Fields({{"Windows7", "seven"}, {"Windows8", "eight"}, {"Windows10", "ten"}}));
        dlg.InstallBtnClick();
        EXPECT_EQ(Confirms(), std::vector<std::string>{"Install Demo to:\r\n\r\nc:\\Program Files\\Maker\\Product" + std::string(c.note)});
    }
}

TEST_F(InstallTest, ReleaseNotesComeBeforeTheFileCommandsAndTheCompletionLink) {
    PackageInstalls();
    TMainDlg& dlg = StartInstaller(Fields({{"SuppressConfirm", "1"}, {"PostNotes", "Read me"},
                                           {"PostCopy", "EveryoneAccess=C:\\Shared"},
                                           {"CompletionURL", "https://example.invalid/done"}}),
                                   {{"PackageFile", "MSI"}});
    dlg.InstallBtnClick();
    std::vector<Recorded::Kind> order;
    for (const Recorded& r : platform.log)
        if (r.kind == Recorded::Kind::Notes || r.kind == Recorded::Kind::ShellOpen ||
            (r.kind == Recorded::Kind::StartHidden && r.text.find("(OI)(CI)F") != std::string::npos))
            order.push_back(r.kind);
    EXPECT_EQ(order, (std::vector<Recorded::Kind>{Recorded::Kind::Notes, Recorded::Kind::StartHidden,
                                                  Recorded::Kind::ShellOpen}));
}

TEST_F(InstallTest, InfoIsShownInViewModeUnderLabelNine) {
    TMainDlg& dlg = StartInstaller(Fields({{"Info", "About|us"}, {"Labels", "||||||||Close|\xC3\x9C" "ber"}}));
    dlg.InfoBtnClick();
    ASSERT_EQ(platform.notesRequests.size(), 1u);
    const NotesRequest& info = platform.notesRequests[0];
    EXPECT_EQ(info.title, "\xC3\x9C" "ber");
    EXPECT_EQ(info.text, "About\r\nus");
    EXPECT_FALSE(info.ask);
    EXPECT_EQ(info.closeCaption, "Close");
    EXPECT_FALSE(dlg.ShouldEnd());
}

TEST_F(InstallTest, AYesToAlreadyInstalledGoesOn) {
    platform.MakeFolder(kInstallFolder);
    platform.confirmAnswers = {true, true};
    TMainDlg& dlg = StartInstaller(Fields({{"AlreadyInstalled", "1"}}), {{"PackageFile", "MSI"}});
    dlg.InstallBtnClick();
    EXPECT_EQ(Confirms(), (std::vector<std::string>{"Already Installed, Continue?",
                                                    "Install Demo to:\r\n\r\nc:\\Program Files\\Maker\\Product"}));
    EXPECT_TRUE(PackageStarted());
}

TEST_F(InstallTest, ProgramsStartInTheirOwnFolderAndThoseThatEndAreDeleted) {
    PackageInstalls();
    platform.startedProgramsKeepRunning = false;  // each program ends at once
    platform.WriteFile("C:\\Setup\\Tools\\Post.exe", "post");
    bool goneBeforeTheWait = false;
    platform.OnCommand("Prepare.exe", [&goneBeforeTheWait](ScriptedPlatform& p, const std::string&) {
        p.At(p.nowMs + 1, [&goneBeforeTheWait](ScriptedPlatform& q) {
            goneBeforeTheWait = !q.FileExists("C:\\Users\\Public\\Install\\Prepare.exe");
        });
    });
    TMainDlg& dlg = StartInstaller(Fields({{"PreInstallExeName", "Prepare.exe"},
                                           {"PostInstallExeName", "SetupFolder\\Tools\\Post.exe"},
                                           {"SuppressConfirm", "1"}}),
                                   {{"PackageFile", "MSI"}, {"PreInstallFile", "pre"}});
    dlg.InstallBtnClick();
    std::vector<std::pair<std::string, std::string>> starts;
    for (const Recorded& r : platform.log)
        if (r.kind == Recorded::Kind::StartProcess) starts.emplace_back(r.text, r.extra);
    EXPECT_EQ(starts, (std::vector<std::pair<std::string, std::string>>{
                          {"\"C:\\Users\\Public\\Install\\Prepare.exe\"", "C:\\Users\\Public\\Install"},
                          {"\"C:\\Setup\\Tools\\Post.exe\"", "C:\\Setup\\Tools"}}));
    EXPECT_TRUE(goneBeforeTheWait);
    EXPECT_TRUE(platform.FileExists("C:\\Setup\\Tools\\Post.exe"));  // a prefixed program is kept
}

// ---- the pre-install handshake -------------------------------------------------------------

TEST_F(InstallTest, PreInstallAbortStopsThePackage) {
    for (const std::string& answer : {std::string("KestrinAbort:Disk too small"), std::string("KestrinAbort:")}) {
        platform.log.clear();
        PreInstallAnswers({{2000, answer}});
        TMainDlg& dlg = StartInstaller(Fields({{"PreInstallExeName", "Prepare.exe"}}),
                                       {{"PackageFile", "MSI"}, {"PreInstallFile", "pre"}});
        dlg.InstallBtnClick();
        const std::string text = answer.substr(13);
        EXPECT_EQ(Messages(), text.empty() ? std::vector<std::string>{} : std::vector<std::string>{text});
        EXPECT_EQ(Commands()[3], "\"C:\\Users\\Public\\Install\\Prepare.exe\"");
        EXPECT_FALSE(PackageStarted());
        EXPECT_TRUE(Confirms().empty());
        EXPECT_FALSE(WorkFolderKept());
        EXPECT_TRUE(dlg.ShouldEnd());
    }
}

TEST_F(InstallTest, PreInstallWaitThenDoneContinuesWithItsMessage) {
    PackageInstalls();
    PreInstallAnswers({{2000, "KestrinWait"}, {60000, "KestrinDone:All set"}});
    TMainDlg& dlg = StartInstaller(Fields({{"PreInstallExeName", "Prepare.exe"}}),
                                   {{"PackageFile", "MSI"}, {"PreInstallFile", "pre"}});
    const std::uint64_t start = platform.nowMs;
    dlg.InstallBtnClick();
    EXPECT_EQ(Messages(), (std::vector<std::string>{"All set", "Finished"}));
    ASSERT_TRUE(PackageStarted());
    // Polled once a second until the answer changed, about a minute later.
    std::uint64_t packageAt = 0;
    for (const Recorded& r : platform.log)
        if (r.text.find("msiexec.exe\" /i") != std::string::npos) packageAt = r.atMs;
    EXPECT_GE(packageAt - start, 60000u);
    EXPECT_LE(packageAt - start, 61000u);
    EXPECT_FALSE(WorkFolderKept());
}

TEST_F(InstallTest, PreInstallProgramThatNeverAnswersHoldsSixSeconds) {
    PackageInstalls();
    platform.OnCommand("Prepare.exe", [](ScriptedPlatform& p, const std::string&) {
        p.At(p.nowMs + 100, [](ScriptedPlatform& q) { q.EndProgram("C:\\Users\\Public\\Install\\Prepare.exe"); });
    });
    TMainDlg& dlg = StartInstaller(Fields({{"PreInstallExeName", "Prepare.exe"}}),
                                   {{"PackageFile", "MSI"}, {"PreInstallFile", "pre"}});
    platform.pauses.clear();
    dlg.InstallBtnClick();
    // 1 ms after each hidden command, then the handshake: 5 s and one 1 s poll.
    std::vector<std::uint32_t> handshake;
    for (auto pause : platform.pauses)
        if (pause != 1) handshake.push_back(pause);
    ASSERT_GE(handshake.size(), 2u);
    EXPECT_EQ(handshake[0], 5000u);
    EXPECT_EQ(handshake[1], 1000u);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Finished"});
    EXPECT_TRUE(PackageStarted());
}

TEST_F(InstallTest, UnreadableClipboardAddsTenSecondsAndThenWaitsForItToRecover) {
    PackageInstalls();
    PreInstallAnswers({{1000, std::nullopt}, {8000, "KestrinWait"}, {30000, "KestrinDone:"}});
    TMainDlg& dlg = StartInstaller(Fields({{"PreInstallExeName", "Prepare.exe"}, {"SuppressConfirm", "1"}}),
                                   {{"PackageFile", "MSI"}, {"PreInstallFile", "pre"}});
    platform.pauses.clear();
    dlg.InstallBtnClick();
    std::vector<std::uint32_t> handshake;
    for (auto pause : platform.pauses)
        if (pause != 1) handshake.push_back(pause);
    ASSERT_GE(handshake.size(), 3u);
    EXPECT_EQ(handshake[0], 5000u);
    EXPECT_EQ(handshake[1], 10000u);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Finished"});  // "KestrinDone:" alone says nothing
    EXPECT_TRUE(PackageStarted());
}

TEST_F(InstallTest, PrefixedProgramsRunFromWhereTheyAreAndAreKept) {
    PackageInstalls();
    platform.WriteFile("C:\\Setup\\Prepare.exe", "pre");
    TMainDlg& dlg = StartInstaller(Fields({{"PreInstallExeName", "SetupFolder\\Prepare.exe"},
                                           {"PostInstallExeName", "InstallFolder\\NotThere.exe"},
                                           {"SuppressConfirm", "1"}}),
                                   {{"PackageFile", "MSI"}});
    platform.EndProgram("C:\\Setup\\Prepare.exe");
    dlg.InstallBtnClick();
    const auto starts = platform.Texts(Recorded::Kind::StartProcess);
    ASSERT_EQ(starts, std::vector<std::string>{"\"C:\\Setup\\Prepare.exe\""});
    EXPECT_TRUE(platform.FileExists("C:\\Setup\\Prepare.exe"));
    EXPECT_EQ(dlg.fPreInstallExeName, "C:\\Setup\\Prepare.exe");
    // Nothing in the payload, so there is nothing to wait for.
    EXPECT_EQ(std::count(platform.pauses.begin(), platform.pauses.end(), 1000u), 0);
    EXPECT_TRUE(PackageStarted());
}

TEST_F(InstallTest, AutomaticUninstallClearsTheWayOrStopsTheAction) {
    platform.MakeFolder(kInstallFolder);
    platform.OnCommand("msiexec.exe\" /x", [](ScriptedPlatform& p, const std::string&) {
        std::filesystem::remove_all(p.HostPath(kInstallFolder));
    });
    PackageInstalls();
    TMainDlg& dlg = StartInstaller(Fields({{"AutoUninstall", "1"}, {"AlreadyInstalled", "1"}}), {{"PackageFile", "MSI"}});
    dlg.InstallBtnClick();
    EXPECT_TRUE(HasCommandContaining(std::string("msiexec.exe\" /x {") + kGuid + "}"));
    // Uninstalled: no already-installed question, no completion message.
    EXPECT_EQ(Confirms(), std::vector<std::string>{"Install Demo to:\r\n\r\nc:\\Program Files\\Maker\\Product"});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Finished"});
    EXPECT_TRUE(PackageStarted());

    platform.log.clear();
    platform.runAndWaitFailure = "The system cannot find the file specified.";
    TMainDlg& broken = StartInstaller(Fields({{"AutoUninstall", "1"}}), {{"PackageFile", "MSI"}});
    broken.InstallBtnClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"The system cannot find the file specified."});
    EXPECT_FALSE(PackageStarted());
    EXPECT_FALSE(broken.ShouldEnd());  // only this action stops
    EXPECT_FALSE(broken.View().installEnabled);
}

}  // namespace
}  // namespace kestrin::testing
