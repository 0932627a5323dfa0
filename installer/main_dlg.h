// TMainDlg: the installer's main window state and its event handlers.
//
// The window itself is drawn by the platform's user-interface layer; this
// class holds every piece of state for the whole run and carries out what each
// button does. The UI layer:
//   1. constructs TMainDlg with its Platform,
//   2. calls FormCreate() before the main window is first shown (it may show
//      the start-up notes dialog through the platform),
//   3. draws the window from View() (and again after every handler, since the
//      handlers change captions and visibility),
//   4. forwards clicks to the handlers and ends the application as soon as
//      ShouldEnd() is true.
#pragma once

#include "file_utils.h"
#include "payload.h"
#include "platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrin {

// What the main window shows. Captions already carry the label overrides.
struct MainWindowView {
    std::string windowCaption;       // the form caption ("Install" until a payload sets one)
    std::string backgroundImagePath; // JPEG to show in BackgroundImage; "" for none
    bool messageVisible = false;     // Label1
    std::string messageText;
    bool messageCentered = false;
    bool urlVisible = false;         // URLLabel (centred, blue; click -> URLLabelClick)
    std::string urlText;
    std::string copyrightText;       // CopyrightLabel (design text until a payload sets it)
    bool infoVisible = false;        // InfoBtn
    std::string infoCaption;
    bool uninstallVisible = false;   // UninstallBtn
    std::string uninstallCaption;
    std::string quitCaption;         // QuitBtn
    std::string installCaption;      // InstallBtn
    bool installEnabled = true;

    friend bool operator==(const MainWindowView&, const MainWindowView&) = default;
};

class TMainDlg {
public:
    explicit TMainDlg(Platform& platform);

    // Event handlers, named after control and event.
    void FormCreate();
    void InstallBtnClick();
    void UninstallBtnClick();
    void InfoBtnClick();
    void QuitBtnClick();
    void URLLabelClick();

    // Everything the UI layer needs to draw the main window.
    MainWindowView View() const;
    // True once an action has ended the application; the UI closes then.
    bool ShouldEnd() const { return fEnded; }
    // True when start-up found and accepted a payload in the installer's file.
    bool HasPayload() const { return fHasPayload; }
    // Uninstalling needs a product code to hand to msiexec.
    bool CanUninstall() const { return fHasPayload && !fProductGuid.empty(); }

    // ---- descriptor fields (empty / false / 0 until a payload sets them) ----
    std::string fTimestamp;
    std::string fPostInstallExeName;
    std::string fPreInstallExeName;
    bool fCenterMessage = false;
    std::string fAgreement;
    std::string fMessage;
    std::string fURLActual;
    std::string fURLDisplayed;
    std::string fInfo;
    std::string fLabels;
    std::vector<std::string> fLabel;
    std::string fManufacturerFolder;
    std::string fOutputFolder;
    std::string fCopyright;
    std::string fWindowTitle;
    std::string fShortcuts;
    std::string fMinOS;
    std::string fMinRAM;
    std::string fCompletionURL;
    std::string fPreNotes;
    std::string fPostNotes;
    bool f32Bit = false;
    std::string fPostCopy;
    std::string fWindows7;
    std::string fWindows8;
    std::string fWindows10;
    std::string fExternalMSI;
    std::int32_t fAlreadyInstalled = 0;
    std::string fProductGuid;
    bool fUninstallButton = false;
    bool fAutoUninstall = false;
    std::string fPreUninstallExeName;
    bool fSuppressConfirm = false;
    bool fProgressScreen = false;

    // ---- derived state -------------------------------------------------------
    std::string fWorkPath;
    std::string fPreInstallExePath;
    std::string fPostInstallExePath;
    std::string fPreUninstallExePath;
    Blob fImageStr;
    Blob fMsiStr;
    Blob fPreInstallStr;
    Blob fPostInstallStr;
    Blob fPreUninstallStr;
    std::string fMsiPath;
    std::string fInstallFolder;

    // The label override at `index`, or "" when the list is shorter.
    std::string Label(std::size_t index) const;

    // Procedures the handlers are made of (public so they can be driven alone).
    bool CheckRequirements();
    bool WaitForPreInstall();
    void LaunchConfiguredProgram(const std::string& path, bool deleteAfterStart);
    // Gives false when msiexec could not be started (the calling action stops).
    bool UninstallProduct(bool showCompletionMessage);

private:
    // Gives false, after a message, when the payload is refused; the window
    // then keeps its no-payload state. Takes the pieces over on success.
    bool ApplyDescriptor(const std::string& descriptorText, LocatedPayload& payload);
    // Makes fWorkPath a real folder (never a link); false when it cannot.
    bool PrepareWorkFolder();
    // Writes the image and the named programs to the work folder. False, after
    // a message and with what it wrote removed again, when a piece cannot be
    // read from the installer's file.
    bool ExtractPieces(LocatedPayload& payload, const std::vector<std::string>& fields);
    // The message for a piece that could not be written to `path`.
    std::string PieceFailure(BlobWrite failure, const std::string& path) const;
    bool ShowLongText(const std::string& title, const std::string& text, bool ask);
    std::string InstallerFolder() const;
    // Starts the program a name field names: the resolved path when a prefix
    // applies (kept), else the copy extracted at start-up (deleted after start).
    void LaunchNamedProgram(std::string& nameField, bool& resolved, const std::string& extractedPath);
    void End() { fEnded = true; }

    Platform& fPlatform;
    bool fHasPayload = false;
    bool fEnded = false;
    bool fInstallEnabled = true;
    bool fUninstallVisible = false;
    std::string fImagePath;
    // A name field rewritten by a path prefix stays resolved for the rest of
    // the run, so a second uninstall starts the same program as the first.
    bool fPreInstallResolved = false;
    bool fPostInstallResolved = false;
    bool fPreUninstallResolved = false;
};

}  // namespace kestrin
