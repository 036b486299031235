#include "system/UninstallRegistration.h"

#include <windows.h>

#include "system/ProductNames.h"
#include "util/CommandLine.h"
#include "util/UniqueHandle.h"

namespace {

// Readers of REG_SZ data expect the terminating zero inside the stored bytes.
bool SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
}

}  // namespace

bool RegisterUninstall(const std::wstring& installDir, const std::wstring& desktopShortcutPath) {
    UniqueRegKey key;
    // The 32-bit view, named: the entry is the 32-bit program's whatever the build.
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    // The uninstall command is run as a command line, elevated: a path with a blank is
    // quoted, or "D:\My.exe" would be tried before "D:\My Games\...". The installer's own
    // proposal takes the quotes off again.
    bool ok = SetString(key.get(), L"DisplayName", kProductName);
    ok = SetString(key.get(), L"UninstallString", QuoteCommandPath(installDir + L"\\" + kUninstallerExeName)) && ok;
    ok = SetString(key.get(), L"DisplayIcon", installDir + L"\\" + kClientExeName) && ok;
    ok = SetString(key.get(), L"DisplayShortcut", desktopShortcutPath) && ok;
    return ok;
}
