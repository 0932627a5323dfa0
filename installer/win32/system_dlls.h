// Keeping DLLs planted beside the installer out of its process. An installer
// is typically started from the Downloads folder, where a web page can drop a
// DLL named like one the program loads; it runs elevated, so such a DLL would
// too.
#pragma once

#include <windows.h>

namespace kestrin::win32 {

// Restricts the DLL search of every later load to the system folder
// (SetDefaultDllDirectories). Called first thing at start-up; the import
// table itself names only DLLs Windows always takes from its own folder
// (KnownDLLs), which are loaded before any code runs.
void RestrictDllSearchToSystemFolder();

// Registers the common controls' window classes (InitCommonControlsEx) from
// comctl32.dll loaded at run time: it is not a KnownDLL, so importing it
// would let the loader take it from the installer's folder. Loading it by
// name keeps the manifest's redirection to version 6.
bool InitCommonControlsFromSystem(DWORD classes);

}  // namespace kestrin::win32
