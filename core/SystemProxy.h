#pragma once
// The proxy settings Windows applies to this process's requests, read through WinHTTP's own
// functions: the desktop user's Internet Options (static proxy, bypass list, configuration
// script, automatic detection), or WinHTTP's machine-wide settings when a policy makes
// proxy settings per machine. Scripts (a configured PAC, or one found by WPAD) are fetched
// and run by WinHTTP. Everything read is logged once.

#include <windows.h>
#include <winhttp.h>

#include <set>
#include <string>
#include <vector>

#include "core/ProxyResolver.h"

class SystemProxySource : public IProxySettingsSource {
  public:
    SystemProxySource() = default;
    ~SystemProxySource() override;
    SystemProxySource(const SystemProxySource&) = delete;
    SystemProxySource& operator=(const SystemProxySource&) = delete;

    ProxySettings ReadSettings() override;
    ScriptAnswer AskScript(const ProxySettings& settings, const std::string& url) override;

    // The policy "ProxySettingsPerUser" is 0: everyone gets the machine's settings.
    [[nodiscard]] static bool ProxySettingsPerMachine();

    // WinHTTP's limit for each step of fetching a script (name, connection, sending,
    // answer): a script server that does not answer must not hold the install up long.
    static constexpr int kScriptStepMs = 5000;

  private:
    // The scripts to ask, in Windows' order: the one automatic detection finds (looked for
    // once per run), then the one configured. A script that failed once is not asked again.
    std::vector<std::wstring> Scripts(const ProxySettings& settings);
    bool OpenSession();

    HINTERNET session_ = nullptr;
    bool detectionDone_ = false;
    std::wstring detectedUrl_;
    std::set<std::wstring> failedScripts_;
};
