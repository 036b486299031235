#pragma once
// The two INI files the installed client reads from its directory: "local.cfg" (interface
// language, autostart choice) and "setup.ini" (where the installer lives); and the choice
// of the interface language. Written through the profile API, which creates files,
// sections and keys as needed and replaces values in place, keeping the client's own keys.

#include <cstdint>
#include <string>

// The user's default locale id.
uint32_t GetUserLocaleId();

// The language item (see LanguageChoice.h) for a locale, from its id and its native
// language name as the system gives it.
[[nodiscard]] int DetectLanguageItem(uint32_t localeId);

// The item's code as "lang" in installDir\local.cfg. Fails (harmlessly, creating nothing)
// while the directory does not exist.
[[nodiscard]] bool WriteLanguageSetting(const std::wstring& installDir, int item);

// "powerup" = "1" or "0" in section "config" of targetDir\local.cfg.
[[nodiscard]] bool WritePowerupSetting(const std::wstring& targetDir, bool enabled);

// "packpath" = `installerPath` in section "varlo" of targetDir\setup.ini.
[[nodiscard]] bool WriteSetupPackPath(const std::wstring& targetDir, const std::wstring& installerPath);
// The same with the running installer's own path; false when the path does not fit 511
// characters, rather than writing a cut one.
[[nodiscard]] bool WriteSetupIni(const std::wstring& targetDir);
