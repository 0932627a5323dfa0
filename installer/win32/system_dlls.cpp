#include "system_dlls.h"

#include <commctrl.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace kestrin::win32 {

namespace {
bool gSearchRestricted = false;

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

void RestrictDllSearchToSystemFolder() {
  // Looked up at run time: Windows 7 has it only with update KB2533623.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDefault =
      Lookup<SetDefaultDllDirectoriesFn>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  gSearchRestricted = setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Without it, at least the current folder leaves the search.
  if (!gSearchRestricted) SetDllDirectoryW(L"");
}

bool InitCommonControlsFromSystem(DWORD classes) {
  HMODULE comctl = nullptr;
  if (gSearchRestricted) {
    comctl = LoadLibraryW(L"comctl32.dll");
  } else {
    // The search still begins with the installer's folder: name the file in
    // the system folder itself (the older controls, but never a planted DLL).
    wchar_t path[MAX_PATH + 16] = {};
    const UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    lstrcatW(path, L"\\comctl32.dll");
    comctl = LoadLibraryW(path);
  }
  if (comctl == nullptr) return false;
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  const auto init = Lookup<InitFn>(comctl, "InitCommonControlsEx");
  if (init == nullptr) return false;
  INITCOMMONCONTROLSEX cc{sizeof cc, classes};
  return init(&cc) != FALSE;
}

}  // namespace kestrin::win32
