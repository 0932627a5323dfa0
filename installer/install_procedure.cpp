// InstallBtnClick and the procedures around it: the whole installation in
// one pass, after which the application ends.
#include "descriptor.h"
#include "file_commands.h"
#include "file_utils.h"
#include "main_dlg.h"
#include "path_prefix.h"
#include "process_utils.h"
#include "requirements.h"
#include "text_utils.h"

namespace kestrin {

namespace {
constexpr std::string_view kWaitAnswer = "KestrinWait";
constexpr std::string_view kAbortPrefix = "KestrinAbort:";
constexpr std::string_view kDonePrefix = "KestrinDone:";
constexpr std::uint32_t kFirstAnswerPauseMs = 5000;
constexpr std::uint32_t kUnreadableClipboardPauseMs = 10000;
constexpr std::uint32_t kPollPauseMs = 1000;
// A clipboard that stays unreadable this many polls in a row is taken as no
// answer, so a broken clipboard cannot hold the installation forever.
constexpr int kMaxUnreadablePolls = 30;
constexpr std::uint32_t kFinishedPauseMs = 5000;
constexpr const char* kInstallationStopped = "\r\n\r\nInstallation stopped.";
const std::string kClipboardFailure =
    std::string("The clipboard could not be set, so the pre-install program cannot be told where to install "
                "or answer.") +
    kInstallationStopped;
}  // namespace

void TMainDlg::LaunchConfiguredProgram(const std::string& path, bool deleteAfterStart) {
    if (path.empty() || !fPlatform.FileExists(path)) return;
    LaunchProgram(fPlatform, path, ParentFolder(path));
    // A program that is already running cannot be deleted and stays.
    if (deleteAfterStart) fPlatform.RemoveFile(path);
}

void TMainDlg::LaunchNamedProgram(std::string& nameField, bool& resolved, const std::string& extractedPath) {
    if (!resolved) resolved = ResolvePathPrefix(fPlatform, nameField, fInstallFolder);
    if (resolved) LaunchConfiguredProgram(nameField, false);
    else LaunchConfiguredProgram(extractedPath, true);
}

bool TMainDlg::WaitForPreInstall() {
    fPlatform.Pause(kFirstAnswerPauseMs);
    std::optional<std::string> text = fPlatform.GetClipboardText();
    if (!text) fPlatform.Pause(kUnreadableClipboardPauseMs);
    int unreadable = 0;
    do {
        fPlatform.Pause(kPollPauseMs);
        text = fPlatform.GetClipboardText();
        unreadable = text ? 0 : unreadable + 1;
        // A read can fail while the pre-install program holds the clipboard
        // open to write its answer: poll again rather than miss the answer.
    } while ((text && *text == kWaitAnswer) || (!text && unreadable < kMaxUnreadablePolls));

    const std::string answer = text.value_or(std::string());
    if (StartsWith(answer, kAbortPrefix)) {
        if (answer.size() > kAbortPrefix.size()) fPlatform.ShowMessage(answer.substr(kAbortPrefix.size()));
        return false;
    }
    if (StartsWith(answer, kDonePrefix) && answer.size() > kDonePrefix.size())
        fPlatform.ShowMessage(answer.substr(kDonePrefix.size()));
    return true;
}

bool TMainDlg::UninstallProduct(bool showCompletionMessage) {
    fPlatform.SetClipboardText(fInstallFolder);
    LaunchNamedProgram(fPreUninstallExeName, fPreUninstallResolved, fPreUninstallExePath);
    const std::string command = SystemProgram(fPlatform, "msiexec.exe") +
                                (fSuppressConfirm ? " /quiet /x {" : " /x {") + fProductGuid + "}";
    if (!RunAndWait(fPlatform, command)) return false;
    fPlatform.Pause(1000);
    // The product counts as installed exactly while its folder exists.
    if (fPlatform.FolderExists(fInstallFolder)) {
        fPlatform.SetClipboardText(fProductGuid);
        return true;
    }
    fUninstallVisible = false;
    if (showCompletionMessage) fPlatform.ShowMessage(LabelOr("Uninstall Completed", Label(16)));
    return true;
}

void TMainDlg::InstallBtnClick() {
    fInstallEnabled = false;
    if (!CheckRequirements()) return End();

    bool proceed = ShowLongText(LabelOr("Agreement", Label(3)), fAgreement, true);
    if (proceed) {
        if (fExternalMSI != "None") {
            fMsiPath = JoinPath(InstallerFolder(), fExternalMSI);
            if (!fPlatform.FileExists(fMsiPath)) {
                proceed = false;
                fPlatform.ShowMessage(LabelOr(fExternalMSI + " Missing", Label(13)));
            }
        } else if (fHasPayload) {
            fMsiPath = JoinPath(fWorkPath, "Product.msi");
            const BlobWrite written = WriteBlobToFile(fPlatform, fMsiStr, fMsiPath);
            if (written == BlobWrite::Written) {
                GrantFullAccess(fPlatform, fMsiPath);
            } else {
                // msiexec is never handed a package that is not whole.
                proceed = false;
                fPlatform.ShowMessage(PieceFailure(written, fMsiPath) + kInstallationStopped);
            }
        }
    }

    std::string confirmation;
    if (proceed) {
        confirmation = "Install " + fWindowTitle + " to:\r\n\r\n" + fInstallFolder;
        if (fAutoUninstall && CanUninstall() && fPlatform.FolderExists(fInstallFolder)) {
            // msiexec could not be started: the error is shown and this
            // action stops here, leaving the window as it is.
            if (!UninstallProduct(false)) return;
        }
        if (fPlatform.FolderExists(fInstallFolder) && !fSuppressConfirm) {
            if (fAlreadyInstalled == 1) {
                proceed = fPlatform.ConfirmYesNo(LabelOr("Already Installed, Continue?", Label(14)));
            } else if (fAlreadyInstalled == 2) {
                fPlatform.ShowMessage(
                    LabelOr("Already Installed.\r\n\r\nFirst uninstall to continue.", Label(15)));
                proceed = false;
            }
        }
    }
    // Without a payload (none found, or refused at start-up) there is no
    // checked work folder and no package: nothing may be written or started.
    if (!proceed || !fHasPayload) return End();

    // The clipboard tells the pre-install program where the product goes and
    // carries its answer back. When it cannot be set, the program would read
    // whatever an earlier run left there, and so would the handshake: stop.
    const bool told = fPlatform.SetClipboardText(fInstallFolder);
    bool go = true;
    if (!told && !fPreInstallExePath.empty()) {
        fPlatform.ShowMessage(kClipboardFailure);
        go = false;
    } else {
        LaunchNamedProgram(fPreInstallExeName, fPreInstallResolved, fPreInstallExePath);
        if (!fPreInstallExePath.empty()) go = WaitForPreInstall();
    }

    const int generation = GetOsGeneration(fPlatform);
    std::string note;
    if (generation == 8) note = fWindows7;
    else if (generation == 9) note = fWindows8;
    else if (generation == 11) note = fWindows10;
    if (!note.empty()) confirmation += "\r\n\r\n" + LineMarksToCrLf(note);

    if (go && (fSuppressConfirm || fPlatform.ConfirmYesNo(confirmation))) {
        RunPreInstallCommands(fPlatform, fPostCopy);
        // "start" takes a first quoted argument as a window title: "" is it.
        RunHiddenProgram(fPlatform, "start \"\" ",
                         SystemProgram(fPlatform, "msiexec.exe") + " /i " + QuotedPath(fMsiPath) + " /passive /qn");
        if (fProgressScreen) {
            fPlatform.ShowProgress(LabelOr("Install in Progress", Label(17)));
            for (int percent = 10; percent <= 100; percent += 10) {
                fPlatform.SetProgress(percent);
                fPlatform.Pause(1000);
            }
            fPlatform.HideProgress();
        } else {
            fPlatform.Pause(kFinishedPauseMs);
            fPlatform.ShowMessage(LabelOr("Finished", Label(4)));
        }
        if (fPlatform.FolderExists(fInstallFolder)) {
            fPlatform.SetClipboardText(fInstallFolder);
            LaunchNamedProgram(fPostInstallExeName, fPostInstallResolved, fPostInstallExePath);
            ShowLongText(LabelOr("Release Notes", Label(12)), fPostNotes, false);
            RunPostCopyCommands(fPlatform, fPostCopy, fInstallFolder, fWorkPath);
            if (!fCompletionURL.empty()) fPlatform.ShellOpen(fCompletionURL);
        }
    }
    DeleteTree(fPlatform, fWorkPath);
    End();
}

}  // namespace kestrin
