// KestrinStub's entry point: the Windows program around the installer core.
#include "main_dlg.h"
#include "main_window.h"
#include "system_dlls.h"
#include "win32_platform.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: none may come from the installer's folder.
  kestrin::win32::RestrictDllSearchToSystemFolder();
  // The embedded browser and the image decoder are COM objects that need a
  // single-threaded apartment with OLE's in-place activation.
  const bool ole = SUCCEEDED(OleInitialize(nullptr));
  kestrin::win32::InitCommonControlsFromSystem(ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS);

  int exitCode = 0;
  {
    kestrin::win32::Win32Platform platform;
    kestrin::TMainDlg dlg(platform);
    dlg.FormCreate();  // reads the payload; may show the start-up notes first
    if (!dlg.ShouldEnd()) {
      kestrin::win32::MainWindow window(dlg);
      HWND hwnd = window.Create();
      if (hwnd != nullptr) {
        platform.SetMainWindow(hwnd);
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
          if (!IsDialogMessageW(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
          }
        }
        exitCode = 0;
      } else {
        exitCode = 1;
      }
    }
  }
  if (ole) OleUninitialize();
  return exitCode;
}
