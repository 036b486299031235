#pragma once
// System DLLs are loaded from System32 only, never from the installer's folder or the
// current directory (a downloaded installer often sits in a folder full of strangers' DLLs).

#include <windows.h>

// Restricts the process's DLL search to System32; call first thing at start-up.
void RestrictDllSearchToSystem32();
// Loads `name` (a bare file name such as L"msimg32.dll") from System32; null on failure.
HMODULE LoadSystemLibrary(const wchar_t* name);
