// The settings as WinHTTP reads them from the real (Wine) registry: the user's Internet
// Options written the way Windows stores them, the machine's through WinHTTP's own setter,
// and configuration scripts fetched from the simulator and run by WinHTTP (Wine runs them
// with its JScript engine).
#include "core/SystemProxy.h"

#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "NetTestSupport.h"
#include "SimulatorClient.h"
#include "core/HttpClient.h"
#include "core/ProxyRoute.h"
#include "util/UniqueHandle.h"

namespace {

constexpr wchar_t kConnections[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr wchar_t kSettingsValue[] = L"DefaultConnectionSettings";
constexpr wchar_t kPolicy[] = L"Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Flags of "DefaultConnectionSettings", as the Internet Options dialog writes them.
constexpr DWORD kDirect = 1;
constexpr DWORD kUseProxy = 2;
constexpr DWORD kUseScript = 4;
constexpr DWORD kAutoDetect = 8;

void Append(std::string& blob, DWORD value) {
    blob.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

void AppendText(std::string& blob, const std::string& text) {
    Append(blob, static_cast<DWORD>(text.size()));
    blob += text;
}

// The value's layout: version, change counter, flags, then the proxy list, the bypass list
// and the script address, each with its length, then what detection last found.
std::string ConnectionSettings(DWORD flags,
                               const std::string& proxy,
                               const std::string& bypass,
                               const std::string& script) {
    std::string blob;
    Append(blob, 0x46);
    Append(blob, 1);
    Append(blob, flags);
    AppendText(blob, proxy);
    AppendText(blob, bypass);
    AppendText(blob, script);
    blob.append(32, '\0');
    return blob;
}

// WinHTTP's setter of the machine's settings (the product only reads them).
BOOL SetMachineSettings(WINHTTP_PROXY_INFO* info) {
    using Setter = BOOL(WINAPI*)(WINHTTP_PROXY_INFO*);
    const HMODULE module = ::LoadLibraryW(L"winhttp.dll");
    const auto set = reinterpret_cast<Setter>(
        reinterpret_cast<void*>(::GetProcAddress(module, "WinHttpSetDefaultProxyConfiguration")));
    return set != nullptr && set(info);
}

class SystemProxyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulator fixture did not start";
        sim.Reset();
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kConnections, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                    nullptr),
                  ERROR_SUCCESS);
        DWORD size = 0;
        hadValue = ::RegQueryValueExW(key.get(), kSettingsValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
        if (hadValue) {
            saved.resize(size);
            ASSERT_EQ(::RegQueryValueExW(key.get(), kSettingsValue, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(saved.data()), &size),
                      ERROR_SUCCESS);
        }
    }
    void TearDown() override {
        if (hadValue) {
            ::RegSetValueExW(key.get(), kSettingsValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(saved.data()),
                             static_cast<DWORD>(saved.size()));
        } else {
            ::RegDeleteValueW(key.get(), kSettingsValue);
        }
        SetProxySettingsSource(nullptr);
    }
    void WriteUserSettings(const std::string& blob) {
        ASSERT_EQ(::RegSetValueExW(key.get(), kSettingsValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(blob.data()),
                                   static_cast<DWORD>(blob.size())),
                  ERROR_SUCCESS);
    }
    std::string Script(const std::string& path) { return sim.Base("plain") + path; }
    int Fetched(const std::string& path) {
        int n = 0;
        for (const ReceivedRequest& r : sim.Requests()) {
            n += r.role == "plain" && r.target == path ? 1 : 0;
        }
        return n;
    }

    SimulatorClient& sim = SimulatorClient::Get();
    UniqueRegKey key;
    bool hadValue = false;
    std::string saved;
};

TEST_F(SystemProxyTest, TheUsersInternetOptions) {
    struct Case {
        const char* why;
        DWORD flags;
        ProxySettings expected;
    };
    const Case cases[] = {
        {"a static proxy with its bypass list", kDirect | kUseProxy, {false, "", "p.corp:8080", "<local>;*.corp"}},
        {"per scheme", kDirect | kUseProxy, {false, "", "http=a:1;https=b:2", ""}},
        {"a configuration script", kDirect | kUseScript, {false, "http://wpad.corp/proxy.pac", "", ""}},
        {"automatic detection", kDirect | kAutoDetect, {true, "", "", ""}},
        {"nothing but direct", kDirect, {false, "", "", ""}},
    };
    for (const Case& c : cases) {
        // The lists stay stored when switched off; only the flags say what is in force.
        const std::string proxy = c.expected.proxy.empty() ? "off.corp:1" : c.expected.proxy;
        const std::string script = c.expected.autoConfigUrl.empty() ? "http://off/x.pac" : c.expected.autoConfigUrl;
        WriteUserSettings(ConnectionSettings(c.flags, proxy, c.expected.bypass, script));
        SystemProxySource source;
        const ProxySettings read = source.ReadSettings();
        EXPECT_EQ(read.autoDetect, c.expected.autoDetect) << c.why;
        EXPECT_EQ(read.autoConfigUrl, c.expected.autoConfigUrl) << c.why;
        EXPECT_EQ(read.proxy, c.expected.proxy) << c.why;
        EXPECT_EQ(read.bypass, c.expected.bypass) << c.why;
    }
}

TEST_F(SystemProxyTest, APolicyForTheMachineTakesWinHttpsOwnSettings) {
    WriteUserSettings(ConnectionSettings(kDirect | kUseScript | kAutoDetect, "", "", Script("/proxy.pac")));
    UniqueRegKey policy;
    ASSERT_EQ(
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPolicy, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, policy.put(), nullptr),
        ERROR_SUCCESS);
    const DWORD perMachine = 0;
    ASSERT_EQ(::RegSetValueExW(policy.get(), L"ProxySettingsPerUser", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&perMachine), sizeof(perMachine)),
              ERROR_SUCCESS);
    std::wstring machineProxy = L"machine.corp:3128";
    std::wstring machineBypass = L"*.corp";
    WINHTTP_PROXY_INFO info = {WINHTTP_ACCESS_TYPE_NAMED_PROXY, machineProxy.data(), machineBypass.data()};
    ASSERT_TRUE(SetMachineSettings(&info));

    SystemProxySource source;
    EXPECT_TRUE(SystemProxySource::ProxySettingsPerMachine());
    const ProxySettings read = source.ReadSettings();

    WINHTTP_PROXY_INFO none = {WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr};
    EXPECT_TRUE(SetMachineSettings(&none));
    ::RegDeleteValueW(policy.get(), L"ProxySettingsPerUser");
    EXPECT_FALSE(SystemProxySource::ProxySettingsPerMachine());

    EXPECT_EQ(read.proxy, "machine.corp:3128");
    EXPECT_EQ(read.bypass, "*.corp");
    EXPECT_FALSE(read.autoDetect) << "the user's detection is not the machine's";
    EXPECT_EQ(read.autoConfigUrl, "");
}

TEST_F(SystemProxyTest, ScriptsAreFetchedAndRunByWinHttp) {
    const std::string target = sim.Base("primary") + "/wpapi";
    ProxySettings settings;
    settings.autoConfigUrl = Script("/proxy.pac");
    {
        SystemProxySource source;
        const ScriptAnswer said = source.AskScript(settings, target);
        EXPECT_TRUE(said.answered);
        EXPECT_EQ(said.proxy, sim.ProxyAddress());
    }
    sim.SetMode(R"({"roles": {"plain": {"pac": "function FindProxyForURL(url, host) {\n)"
                R"( return isPlainHostName(host) ? \"PROXY {proxy}\" : \"DIRECT\"; }\n"}}})");
    // Another address: WinHTTP may keep a script it fetched for the rest of the process.
    settings.autoConfigUrl = Script("/proxy.pac?direct");
    {
        SystemProxySource source;
        const ScriptAnswer said = source.AskScript(settings, target);
        EXPECT_TRUE(said.answered);
        EXPECT_EQ(said.proxy, "") << "the script said DIRECT";
    }
    sim.Reset();
    sim.SetMode(R"({"roles": {"plain": {"status": 404, "body": "no such script"}}})");
    settings.autoConfigUrl = Script("/missing.pac");
    SystemProxySource source;
    EXPECT_FALSE(source.AskScript(settings, target).answered);
    EXPECT_FALSE(source.AskScript(settings, sim.Base("download") + "/").answered);
    EXPECT_EQ(Fetched("/missing.pac"), 1) << "a script that failed is not fetched for every host";
}

// The whole way under Wine: the options as stored, WinHTTP's reading, the decision and the
// transfer, for a static proxy and for a script.
TEST_F(SystemProxyTest, TheInstallersRequestsFollowTheStoredOptions) {
    const struct {
        const char* why;
        std::string blob;
    } cases[] = {
        {"static", ConnectionSettings(kDirect | kUseProxy, sim.ProxyAddress(), "<-loopback>", "")},
        {"script", ConnectionSettings(kDirect | kUseScript, "", "", Script("/proxy.pac"))},
    };
    for (const auto& c : cases) {
        sim.Reset();
        WriteUserSettings(c.blob);
        SetProxySettingsSource(nullptr);  // the system's, read afresh
        HttpClient probe;
        EXPECT_TRUE(probe.ProbeUrl(sim.Base("secondary"), 10)) << c.why;
        std::set<std::string> through;
        for (const ReceivedRequest& r : sim.Requests()) {
            if (r.role == "proxy") {
                through.insert(r.upstreamRole);
            }
        }
        EXPECT_EQ(through, std::set<std::string>{"secondary"}) << c.why;
    }
}

}  // namespace
