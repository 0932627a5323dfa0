#include "main_dlg.h"

#include "descriptor.h"
#include "file_utils.h"
#include "notes.h"
#include "path_prefix.h"
#include "requirements.h"
#include "text_utils.h"

namespace kestrin {

namespace {
// "C:\Windows" -> "C:\"
std::string DriveRootOf(const std::string& folder) {
    const std::size_t slash = folder.find('\\');
    return slash == std::string::npos ? folder + "\\" : folder.substr(0, slash + 1);
}
}  // namespace

TMainDlg::TMainDlg(Platform& platform) : fPlatform(platform) {}

std::string TMainDlg::Label(std::size_t index) const {
    return index < fLabel.size() ? fLabel[index] : std::string();
}

std::string TMainDlg::InstallerFolder() const { return ParentFolder(fPlatform.OwnExecutablePath()); }

bool TMainDlg::ShowLongText(const std::string& title, const std::string& text, bool ask) {
    return ShowNotes(fPlatform, fLabel, title, text, ask);
}

// ---- start-up ---------------------------------------------------------------

bool TMainDlg::ApplyDescriptor(const std::string& text, LocatedPayload& payload) {
    const std::vector<std::string> fields = SplitFields(text, kFieldSeparator);
    auto field = [&fields](std::size_t index) { return index < fields.size() ? fields[index] : std::string(); };

    // Everything that can refuse the payload comes before anything is taken
    // over, so a refused payload leaves the window in its no-payload state.
    // An empty policy is no policy (0, proceed), as for a descriptor too short
    // to have the field at all; anything else must be a whole number.
    const std::string policy = field(kAlreadyInstalledField);
    const auto alreadyInstalled = policy.empty() ? std::optional<std::int32_t>(0) : ParseAlreadyInstalled(policy);
    if (!alreadyInstalled) {
        fPlatform.ShowMessage("Installer: " + fPlatform.OwnExecutablePath() +
                              "\r\nInvalid descriptor: AlreadyInstalled \"" + policy + "\" is not a whole number");
        return false;
    }
    if (!PrepareWorkFolder()) return false;
    if (!ExtractPieces(payload, fields)) {
        fWorkPath.clear();
        fImagePath.clear();
        fPreInstallExePath.clear();
        fPostInstallExePath.clear();
        fPreUninstallExePath.clear();
        return false;
    }

    fTimestamp = field(kTimestampField);
    fPostInstallExeName = field(kPostInstallExeNameField);
    fPreInstallExeName = field(kPreInstallExeNameField);
    fCenterMessage = IsFlag(field(kCenterMessageField));
    fAgreement = LineMarksToCrLf(field(kAgreementField));
    fMessage = field(kMessageField);
    fURLActual = field(kURLActualField);
    fURLDisplayed = field(kURLDisplayedField);
    fInfo = LineMarksToCrLf(field(kInfoField));
    fLabels = field(kLabelsField);
    fLabel = SplitFields(fLabels, "|");
    fManufacturerFolder = field(kManufacturerFolderField);
    fOutputFolder = field(kOutputFolderField);
    fCopyright = field(kCopyrightField);
    fWindowTitle = field(kWindowTitleField);
    fShortcuts = field(kShortcutsField);
    fMinOS = field(kMinOSField);
    fMinRAM = field(kMinRAMField);
    fCompletionURL = field(kCompletionURLField);
    fPreNotes = LineMarksToCrLf(field(kPreNotesField));
    fPostNotes = LineMarksToCrLf(field(kPostNotesField));
    f32Bit = IsFlag(field(k32BitField));
    fPostCopy = field(kPostCopyField);
    fWindows7 = field(kWindows7Field);
    fWindows8 = field(kWindows8Field);
    fWindows10 = field(kWindows10Field);
    fExternalMSI = field(kExternalMSIField);
    fAlreadyInstalled = *alreadyInstalled;
    fProductGuid = field(kProductGuidField);
    fUninstallButton = IsFlag(field(kUninstallButtonField));
    fAutoUninstall = IsFlag(field(kAutoUninstallField));
    fPreUninstallExeName = field(kPreUninstallExeNameField);
    fSuppressConfirm = IsFlag(field(kSuppressConfirmField));
    fProgressScreen = IsFlag(field(kProgressScreenField));
    fImageStr = std::move(payload.pieces[kImagePiece]);
    fMsiStr = std::move(payload.pieces[kPackagePiece]);
    fPreInstallStr = std::move(payload.pieces[kPreInstallPiece]);
    fPostInstallStr = std::move(payload.pieces[kPostInstallPiece]);
    fPreUninstallStr = std::move(payload.pieces[kPreUninstallPiece]);
    return true;
}

bool TMainDlg::PrepareWorkFolder() {
    const std::string workPath = DriveRootOf(fPlatform.WindowsFolder()) + "Users\\Public\\Install";
    // Any user can make this folder before the installer runs. A link in its
    // place would send the pieces (and the clean-up) elsewhere: it is removed
    // as a link and the folder made afresh, or the payload is not used.
    if (IsLink(fPlatform, workPath)) RemoveLink(fPlatform, workPath);
    if (!fPlatform.FolderExists(workPath)) CreateFolderTree(fPlatform, workPath);
    if (IsLink(fPlatform, workPath)) {
        fPlatform.ShowMessage("Installer: " + fPlatform.OwnExecutablePath() + "\r\nThe work folder " + workPath +
                              " is a link that cannot be removed");
        return false;
    }
    fWorkPath = workPath;
    return true;
}

bool TMainDlg::ExtractPieces(LocatedPayload& payload, const std::vector<std::string>& fields) {
    auto field = [&fields](std::size_t index) { return index < fields.size() ? fields[index] : std::string(); };
    struct Extraction {
        PieceIndex piece;
        std::string name;  // as written in the descriptor, before any prefix rule
        std::string* path;
    };
    const Extraction extractions[] = {
        {kImagePiece, "Image.jpg", &fImagePath},
        {kPreInstallPiece, field(kPreInstallExeNameField), &fPreInstallExePath},
        {kPostInstallPiece, field(kPostInstallExeNameField), &fPostInstallExePath},
        {kPreUninstallPiece, field(kPreUninstallExeNameField), &fPreUninstallExePath},
    };
    std::vector<std::string> written;
    for (const Extraction& extraction : extractions) {
        Blob& piece = payload.pieces[extraction.piece];
        if (piece.Empty() || extraction.name.empty()) continue;
        *extraction.path = JoinPath(fWorkPath, extraction.name);
        const BlobWrite result = WriteBlobToFile(fPlatform, piece, *extraction.path);
        if (result == BlobWrite::Written) written.push_back(*extraction.path);
        if (result != BlobWrite::ReadFailed) continue;  // a write failure stays silent: the file is just absent
        // A damaged installer file: none of its payload is used, as when
        // the damage is found while the payload is located.
        for (const std::string& path : written) ForceDeleteFile(fPlatform, path);
        fPlatform.ShowMessage(PieceFailure(result, *extraction.path));
        return false;
    }
    return true;
}

std::string TMainDlg::PieceFailure(BlobWrite failure, const std::string& path) const {
    const std::string head = "Installer: " + fPlatform.OwnExecutablePath() + "\r\n";
    if (failure == BlobWrite::ReadFailed)
        return head + "Failed Step " + std::to_string(kPayloadReadStep) + "\r\n" + FileNamePart(path) +
               " could not be read from the installer.";
    return head + FileNamePart(path) + " could not be written to " + ParentFolder(path);
}

void TMainDlg::FormCreate() {
    const std::string ownPath = fPlatform.OwnExecutablePath();
    LocatedPayload payload = LocatePayload(fPlatform, ownPath);
    if (payload.found) {
        const auto decoded = DecodeDescriptor(payload.pieces[kDescriptorPiece].ToString());
        payload.pieces[kDescriptorPiece].Clear();
        if (!decoded) {
            fPlatform.ShowMessage("Installer: " + ownPath + "\r\nInvalid descriptor: not hexadecimal text");
        } else if (ApplyDescriptor(Utf16ToUtf8(*decoded), payload)) {
            fHasPayload = true;
        }
    }
    if (fHasPayload) {
        fInstallFolder = std::string(f32Bit ? "c:\\Program Files (x86)\\" : "c:\\Program Files\\") +
                         fManufacturerFolder + "\\" + fOutputFolder;
        fUninstallVisible = fUninstallButton && CanUninstall() && fPlatform.FolderExists(fInstallFolder);
    }
    ShowLongText(LabelOr("Pre-Installation Notes", Label(11)), fPreNotes, false);
}

MainWindowView TMainDlg::View() const {
    MainWindowView view;
    if (fHasPayload) {
        view.windowCaption = fWindowTitle;
        view.backgroundImagePath = fImagePath;
        view.messageVisible = !fMessage.empty();
        view.messageText = fMessage;
        view.messageCentered = fCenterMessage;
        view.urlVisible = !fURLDisplayed.empty();
        view.urlText = fURLDisplayed;
        view.copyrightText = fCopyright;
    } else {
        view.windowCaption = "Install";
        view.messageVisible = true;
        view.messageText = "Label1";
        view.urlVisible = true;
        view.urlText = "URL";
        view.copyrightText = "CopyrightLabel";
    }
    view.infoVisible = !fInfo.empty();
    view.infoCaption = LabelOr("Info", Label(9));
    view.uninstallVisible = fUninstallVisible;
    view.uninstallCaption = "Uninstall";
    view.quitCaption = LabelOr("Quit", Label(0));
    view.installCaption = LabelOr("Install", Label(7));
    view.installEnabled = fInstallEnabled;
    return view;
}

// ---- simple actions ------------------------------------------------------------

void TMainDlg::QuitBtnClick() { fEnded = true; }

void TMainDlg::InfoBtnClick() { ShowLongText(LabelOr("Info", Label(9)), fInfo, false); }

void TMainDlg::URLLabelClick() {
    if (!fURLActual.empty()) fPlatform.ShellOpen(fURLActual);
}

void TMainDlg::UninstallBtnClick() {
    // Without a product code there is nothing msiexec could remove.
    if (CanUninstall()) UninstallProduct(true);
}

bool TMainDlg::CheckRequirements() { return kestrin::CheckRequirements(fPlatform, fMinOS, fMinRAM); }

}  // namespace kestrin
