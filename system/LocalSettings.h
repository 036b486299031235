#pragma once
// The two INI files the installed client reads from its directory: "local.cfg" (interface
// language, autostart choice) and "setup.ini" (where the installer lives); and the choice
// of the interface language. Written through the profile API, which creates files,
// sections and keys as needed and replaces values in place, keeping the client's own keys.

#include <cstdint>
#include <string>

// What the language choice needs from the installer window.
class ILanguageHost {
  public:
    virtual ~ILanguageHost() = default;
    // Selects an item of the language combo without taking the focus and without
    // sending a selection notification.
    virtual void SelectLanguageItem(int item) = 0;
    virtual int GetSelectedLanguageItem() const = 0;
    // True: simplified Chinese texts; false: traditional.
    virtual void SetSimplified(bool simplified) = 0;
    // Hands the language code (narrow, ANSI) to the identity sent with API requests.
    virtual void SetRequestLanguage(const std::string& code) = 0;
};

// The user's default locale id.
uint32_t GetUserLocaleId();

// Starts from simplified Chinese and switches to traditional for a locale that asks for it.
void DetectLanguage(ILanguageHost& host, uint32_t localeId);
void DetectLanguage(ILanguageHost& host);

// Passes the code of the selected item on and writes it as "lang" to installDir\local.cfg.
// Fails (harmlessly) while the directory does not exist yet.
[[nodiscard]] bool SaveLanguage(ILanguageHost& host, const std::wstring& installDir);

// "powerup" = "1" or "0" in section "config" of targetDir\local.cfg.
[[nodiscard]] bool WritePowerupSetting(const std::wstring& targetDir, bool enabled);

// "packpath" = `installerPath` in section "varlo" of targetDir\setup.ini.
[[nodiscard]] bool WriteSetupPackPath(const std::wstring& targetDir, const std::wstring& installerPath);
// The same with the running installer's own path; false when the path does not fit 511
// characters, rather than writing a cut one.
[[nodiscard]] bool WriteSetupIni(const std::wstring& targetDir);
