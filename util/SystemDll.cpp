#include "util/SystemDll.h"

#include <string>

#include "util/ProcessUtil.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

void RestrictDllSearchToSystem32() {
    // Looked up at run time: Windows 7 without its loader update lacks the export.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                   reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    if (setDefault) {
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Takes the current directory out of the legacy search order as well.
    ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (!name || !*name) {
        return nullptr;
    }
    HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    // The flag is unknown to this loader: name the file by its full path instead.
    const std::wstring dir = GetSystemDirectoryPath();
    if (dir.empty()) {
        return nullptr;
    }
    return ::LoadLibraryW((dir + L"\\" + name).c_str());
}
