#include "system/LocalSettings.h"

#include <windows.h>

#include <string>

#include "system/LanguageChoice.h"

namespace {

constexpr wchar_t kLocalConfigFile[] = L"\\local.cfg";
constexpr wchar_t kSetupFile[] = L"\\setup.ini";
constexpr size_t kLocaleNameCapacity = 256;
constexpr DWORD kInstallerPathCapacity = 512;

bool WriteIni(const wchar_t* section, const wchar_t* key, const std::wstring& value, const std::wstring& path) {
    return ::WritePrivateProfileStringW(section, key, value.c_str(), path.c_str()) != FALSE;
}

}  // namespace

uint32_t GetUserLocaleId() {
    return ::GetUserDefaultLCID();
}

int DetectLanguageItem(uint32_t localeId) {
    wchar_t name[kLocaleNameCapacity] = {};
    std::wstring nativeName;
    if (::GetLocaleInfoW(localeId, LOCALE_SNATIVELANGNAME, name, static_cast<int>(kLocaleNameCapacity)) > 0) {
        nativeName = name;
    }
    return ChooseLanguageItem(localeId, nativeName);
}

bool WriteLanguageSetting(const std::wstring& installDir, int item) {
    return WriteIni(L"config", L"lang", LanguageCodeForItem(item), installDir + kLocalConfigFile);
}

bool WritePowerupSetting(const std::wstring& targetDir, bool enabled) {
    return WriteIni(L"config", L"powerup", enabled ? L"1" : L"0", targetDir + kLocalConfigFile);
}

bool WriteSetupPackPath(const std::wstring& targetDir, const std::wstring& installerPath) {
    return WriteIni(L"varlo", L"packpath", installerPath, targetDir + kSetupFile);
}

bool WriteSetupIni(const std::wstring& targetDir) {
    wchar_t path[kInstallerPathCapacity] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, kInstallerPathCapacity);
    if (length == 0 || length >= kInstallerPathCapacity) {
        return false;
    }
    return WriteSetupPackPath(targetDir, std::wstring(path, length));
}
