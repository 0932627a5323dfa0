// Whether a Windows test program runs under Wine rather than on Windows: for
// the few cases where Wine cannot do what Windows does (each one explained in
// docs/plugin.md, "What Wine cannot show").
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace sqelto_test {

inline bool RunningUnderWine() {
#ifdef _WIN32
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

}  // namespace sqelto_test
