#include "core/SystemProxy.h"

#include <winhttp.h>

#include "util/DesktopUser.h"
#include "util/RegistryUtil.h"
#include "util/SystemDll.h"
#include "util/TextConv.h"
#include "util/WriteLogFile.h"

namespace {

constexpr wchar_t kLogSource[] = L"..\\core\\SystemProxy";
constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// WinHTTP is loaded when the first request needs a decision, from System32 only. Its import
// library cannot be linked beside others that export the same COM entry points (each
// delay-load library is one object), and a program that never asks pays nothing.
struct WinHttpApi {
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) userSettings = nullptr;
    decltype(&::WinHttpGetDefaultProxyConfiguration) machineSettings = nullptr;
    decltype(&::WinHttpDetectAutoProxyConfigUrl) detect = nullptr;
    decltype(&::WinHttpOpen) open = nullptr;
    decltype(&::WinHttpSetTimeouts) setTimeouts = nullptr;
    decltype(&::WinHttpGetProxyForUrl) proxyForUrl = nullptr;
    decltype(&::WinHttpCloseHandle) close = nullptr;
    bool ok = false;
};

template <typename Fn>
void Find(HMODULE module, const char* name, Fn& out) {
    out = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const WinHttpApi& WinHttp() {
    static const WinHttpApi api = [] {
        WinHttpApi a;
        // Kept for the process's life: the functions are used until it ends.
        const HMODULE module = LoadSystemLibrary(L"winhttp.dll");
        if (module == nullptr) {
            return a;
        }
        Find(module, "WinHttpGetIEProxyConfigForCurrentUser", a.userSettings);
        Find(module, "WinHttpGetDefaultProxyConfiguration", a.machineSettings);
        Find(module, "WinHttpDetectAutoProxyConfigUrl", a.detect);
        Find(module, "WinHttpOpen", a.open);
        Find(module, "WinHttpSetTimeouts", a.setTimeouts);
        Find(module, "WinHttpGetProxyForUrl", a.proxyForUrl);
        Find(module, "WinHttpCloseHandle", a.close);
        a.ok = a.userSettings && a.machineSettings && a.detect && a.open && a.setTimeouts && a.proxyForUrl && a.close;
        return a;
    }();
    return api;
}

// WinHTTP hands its strings over in GlobalAlloc'd memory that the caller frees.
struct GlobalText {
    LPWSTR text = nullptr;
    GlobalText() = default;
    GlobalText(const GlobalText&) = delete;
    GlobalText& operator=(const GlobalText&) = delete;
    ~GlobalText() {
        if (text != nullptr) {
            ::GlobalFree(text);
        }
    }
};

// WinHTTP's strings go to ProxyRules as they are; a name that is no ASCII cannot be a proxy
// libcurl reaches by it, and reads as nothing.
std::string Narrow(const wchar_t* text) {
    if (text == nullptr) {
        return std::string();
    }
    return WideToUtf8(text).value_or(std::string());
}

const wchar_t* OrNone(const std::wstring& text) {
    return text.empty() ? L"无" : text.c_str();
}

void LogSettings(const wchar_t* whose, const ProxySettings& s) {
    g_logFile.WriteLog(kLogSource, __LINE__, L"代理设置（%s）：自动检测 %s，配置脚本 %s，代理服务器 %s，例外 %s", whose,
                       s.autoDetect ? L"是" : L"否", OrNone(Utf8ToWideForReading(s.autoConfigUrl)),
                       OrNone(Utf8ToWideForReading(s.proxy)), OrNone(Utf8ToWideForReading(s.bypass)));
}

ProxySettings MachineSettings() {
    ProxySettings out;
    WINHTTP_PROXY_INFO info = {};
    if (!WinHttp().machineSettings(&info)) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"本机代理设置无法读取，错误码：%lu",
                           static_cast<unsigned long>(::GetLastError()));
        return out;
    }
    GlobalText proxy;
    GlobalText bypass;
    proxy.text = info.lpszProxy;
    bypass.text = info.lpszProxyBypass;
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
        out.proxy = Narrow(proxy.text);
        out.bypass = Narrow(bypass.text);
    }
    return out;
}

// The Internet Options of the user this thread acts as.
bool UserSettings(ProxySettings& out) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!WinHttp().userSettings(&config)) {
        return false;
    }
    GlobalText script;
    GlobalText proxy;
    GlobalText bypass;
    script.text = config.lpszAutoConfigUrl;
    proxy.text = config.lpszProxy;
    bypass.text = config.lpszProxyBypass;
    out.autoDetect = config.fAutoDetect != FALSE;
    out.autoConfigUrl = Narrow(script.text);
    out.proxy = Narrow(proxy.text);
    out.bypass = Narrow(bypass.text);
    return true;
}

}  // namespace

SystemProxySource::~SystemProxySource() {
    if (session_ != nullptr) {
        WinHttp().close(session_);
    }
}

bool SystemProxySource::ProxySettingsPerMachine() {
    std::wstring value;
    return ReadRegistryValue(HKEY_LOCAL_MACHINE, kPolicyKey, L"ProxySettingsPerUser", REG_DWORD, value) &&
           value == L"0";
}

ProxySettings SystemProxySource::ReadSettings() {
    if (!WinHttp().ok) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"WinHTTP 无法加载，错误码：%lu，直接连接",
                           static_cast<unsigned long>(::GetLastError()));
        return ProxySettings();
    }
    if (ProxySettingsPerMachine()) {
        const ProxySettings machine = EffectiveProxySettings(true, ProxySettings(), MachineSettings());
        LogSettings(L"按计算机", machine);
        return machine;
    }
    ProxySettings user;
    bool read = false;
    const wchar_t* whose = L"当前用户";
    DWORD error = 0;
    {
        const DesktopUserImpersonation desktopUser;
        if (desktopUser.State() == DesktopUserState::Impersonated) {
            whose = L"桌面用户";
        } else if (desktopUser.State() == DesktopUserState::Failed) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法以桌面用户身份读取代理设置，错误码：%lu，改读当前用户的",
                               static_cast<unsigned long>(desktopUser.Error()));
        }
        read = UserSettings(user);
        error = read ? 0 : ::GetLastError();
    }
    if (!read) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"代理设置无法读取，错误码：%lu，直接连接",
                           static_cast<unsigned long>(error));
        return ProxySettings();
    }
    LogSettings(whose, user);
    return user;
}

bool SystemProxySource::OpenSession() {
    if (session_ != nullptr) {
        return true;
    }
    // Scripts are fetched directly, as Windows fetches them.
    session_ = WinHttp().open(L"Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
                              WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session_ == nullptr) {
        return false;
    }
    static_cast<void>(WinHttp().setTimeouts(session_, kScriptStepMs, kScriptStepMs, kScriptStepMs, kScriptStepMs));
    return true;
}

std::vector<std::wstring> SystemProxySource::Scripts(const ProxySettings& settings) {
    std::vector<std::wstring> out;
    if (settings.autoDetect && !detectionDone_) {
        detectionDone_ = true;
        GlobalText found;
        if (WinHttp().detect(WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A, &found.text) &&
            found.text != nullptr) {
            detectedUrl_ = found.text;
            g_logFile.WriteLog(kLogSource, __LINE__, L"自动检测到代理配置脚本：%s", detectedUrl_.c_str());
        } else {
            g_logFile.WriteLog(kLogSource, __LINE__, L"未自动检测到代理配置脚本（错误码：%lu）",
                               static_cast<unsigned long>(::GetLastError()));
        }
    }
    if (!detectedUrl_.empty() && failedScripts_.count(detectedUrl_) == 0) {
        out.push_back(detectedUrl_);
    }
    if (!settings.autoConfigUrl.empty()) {
        const std::wstring configured = Utf8ToWideForReading(settings.autoConfigUrl);
        if (failedScripts_.count(configured) == 0 && configured != detectedUrl_) {
            out.push_back(configured);
        }
    }
    return out;
}

ScriptAnswer SystemProxySource::AskScript(const ProxySettings& settings, const std::string& url) {
    ScriptAnswer answer;
    const std::optional<std::wstring> wideUrl = Utf8ToWide(url);
    if (!wideUrl) {
        return answer;
    }
    for (const std::wstring& script : Scripts(settings)) {
        if (!OpenSession()) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"WinHTTP 无法打开，错误码：%lu，不用代理配置脚本",
                               static_cast<unsigned long>(::GetLastError()));
            return answer;
        }
        WINHTTP_AUTOPROXY_OPTIONS options = {};
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = script.c_str();
        // A script server that asks who we are is told the user's own logon.
        options.fAutoLogonIfChallenged = TRUE;
        WINHTTP_PROXY_INFO info = {};
        if (!WinHttp().proxyForUrl(session_, wideUrl->c_str(), &options, &info)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"代理配置脚本 %s 无法使用，错误码：%lu", script.c_str(),
                               static_cast<unsigned long>(::GetLastError()));
            failedScripts_.insert(script);
            continue;
        }
        GlobalText proxy;
        GlobalText bypass;
        proxy.text = info.lpszProxy;
        bypass.text = info.lpszProxyBypass;
        answer.answered = true;
        if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
            answer.proxy = Narrow(proxy.text);
            answer.bypass = Narrow(bypass.text);
        }
        return answer;
    }
    return answer;
}
