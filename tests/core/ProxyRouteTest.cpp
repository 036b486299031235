// Transfers through the tests' own proxy (tools/simulator/sim_proxy.py), with the settings
// given by the test: the proxy's record of each tunnel and the vendor roles' record of the
// port each request came from show which requests went through it.
#include "core/ProxyRoute.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "NetTestSupport.h"
#include "SimulatorClient.h"
#include "core/ControlManager.h"
#include "core/DataManager.h"
#include "core/HttpClient.h"
#include "core/NetManager.h"
#include "core/ProxyResolver.h"
#include "util/Md5A.h"

namespace {

const std::wstring kSource = L"..\\core\\ProxyRoute";

class GivenSettings : public IProxySettingsSource {
  public:
    ProxySettings ReadSettings() override { return settings; }
    ScriptAnswer AskScript(const ProxySettings&, const std::string&) override { return ScriptAnswer(); }
    ProxySettings settings;
};

class ProxyRouteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulator fixture did not start";
        sim.Reset();
        scratch = std::make_unique<TempDir>(L"varlo-core-proxy");
        dir = scratch->path() + L"\\";
        // Loopback would go direct by default; the simulator is on 127.0.0.1.
        Use(sim.ProxyAddress(), "<-loopback>");
    }
    void TearDown() override {
        SetProxySettingsSource(nullptr);
        scratch.reset();
    }
    void Use(const std::string& proxy, const std::string& bypass) {
        source.settings.proxy = proxy;
        source.settings.bypass = bypass;
        SetProxySettingsSource(&source);  // and forget what was decided before
    }
    std::vector<ReceivedRequest> Through(const std::vector<ReceivedRequest>& all) {
        std::vector<ReceivedRequest> out;
        for (const ReceivedRequest& r : all) {
            if (r.role == "proxy") {
                out.push_back(r);
            }
        }
        return out;
    }
    // The vendor roles' requests that did not come through one of the proxy's tunnels.
    std::vector<std::string> AroundTheProxy(const std::vector<ReceivedRequest>& all) {
        std::set<int> tunnels;
        for (const ReceivedRequest& r : Through(all)) {
            tunnels.insert(r.upstreamPort);
        }
        std::vector<std::string> out;
        for (const ReceivedRequest& r : all) {
            if (r.role != "proxy" && tunnels.count(r.peerPort) == 0) {
                out.push_back(r.role + " " + r.requestLine);
            }
        }
        return out;
    }
    static int CountStarting(const std::vector<std::wstring>& lines, const std::wstring& start) {
        int n = 0;
        for (const std::wstring& line : lines) {
            n += line.compare(0, start.size(), start) == 0 ? 1 : 0;
        }
        return n;
    }

    SimulatorClient& sim = SimulatorClient::Get();
    GivenSettings source;
    std::unique_ptr<TempDir> scratch;
    std::wstring dir;
};

TEST_F(ProxyRouteTest, ProbesRequestsAndDownloadsAllGoThroughTheProxy) {
    const LogCapture log;
    HttpClient probe;
    EXPECT_TRUE(probe.ProbeUrl(sim.Base("primary"), 10));
    HttpClient client;
    ASSERT_TRUE(client.InitLibCurl(nullptr));
    std::string text;
    EXPECT_EQ(client.Request(sim.Base("primary") + "/echo", RequestKind::Get, text, nullptr, L""), 200);
    EXPECT_EQ(client.Request(sim.Base("primary") + "/again", RequestKind::Get, text, nullptr, L""), 200);
    std::string md5;
    HttpClient download;
    ASSERT_TRUE(download.DownloadToFile(nullptr, sim.Base("download") + "/files/client.zip", dir + L"client.zip",
                                        nullptr, &md5));
    EXPECT_EQ(md5, sim.PackageMd5());

    const std::vector<ReceivedRequest> all = sim.Requests();
    EXPECT_EQ(AroundTheProxy(all), std::vector<std::string>{});
    std::set<std::string> tunnels;
    for (const ReceivedRequest& r : Through(all)) {
        EXPECT_EQ(r.method, "CONNECT");
        EXPECT_EQ(r.proxyStatus, 200);
        tunnels.insert(r.upstreamRole);
    }
    EXPECT_EQ(tunnels, (std::set<std::string>{"primary", "download"}));
    // One decision per host, logged once however many requests follow.
    const std::vector<std::wstring> said = log.NewMessages(kSource);
    const std::wstring proxy(sim.ProxyAddress().begin(), sim.ProxyAddress().end());
    const std::wstring primary = L"代理：https://127.0.0.1:" + std::to_wstring(sim.Port("primary"));
    EXPECT_EQ(CountStarting(said, primary + L" 经代理 " + proxy + L"（系统代理设置）"), 1) << log.Messages();
    EXPECT_EQ(CountStarting(said, L"代理："), 2) << log.Messages();
}

// The proxy's answer to the tunnel request is no answer of the server's: a resumed download
// judges the server's 206, not the proxy's 200, and appends.
TEST_F(ProxyRouteTest, ADownloadResumesThroughTheProxy) {
    sim.SetMode(R"({"package": {"size": 1000000}, "roles": {"download": {"cut_at": [400000]}}})");
    DataManager identity{"100", 1, 1};
    NetManager net{identity};
    ControlManager control{net};
    control.SetPauseFunction(&FakePauses::Sleep);
    FakePauses::taken.clear();
    UniqueKernelHandle held;
    ASSERT_TRUE(control.DownloadPackage(dir + L"cache\\client.zip", sim.Base("download") + "/files/client.zip",
                                        sim.PackageMd5(), held));
    const std::vector<ReceivedRequest> all = sim.Requests();
    EXPECT_EQ(AroundTheProxy(all), std::vector<std::string>{});
    std::vector<std::string> ranges;
    long long sent = 0;
    for (const ReceivedRequest& r : all) {
        if (r.role == "download") {
            ranges.push_back(r.Header("Range"));
            sent += r.bytesSent;
        }
    }
    EXPECT_EQ(ranges, (std::vector<std::string>{"", "bytes=400000-"}));
    EXPECT_EQ(sent, 1000000) << "no byte twice";
}

// Through the tunnel TLS is spoken with the server: its chain and its name are checked,
// and a wrong one fails although the proxy itself made the connection.
TEST_F(ProxyRouteTest, TheServersCertificateIsCheckedThroughTheTunnel) {
    for (const char* role : {"wronghost", "untrusted", "expired"}) {
        sim.Reset();
        HttpClient probe;
        EXPECT_FALSE(probe.ProbeUrl(sim.Base(role), 10)) << role;
        const std::vector<ReceivedRequest> through = Through(sim.Requests());
        ASSERT_EQ(through.size(), 1u) << role;
        EXPECT_EQ(through[0].proxyStatus, 200) << role;
        EXPECT_EQ(through[0].upstreamRole, role);
    }
    sim.Reset();
    HttpClient probe;
    EXPECT_TRUE(probe.ProbeUrl(sim.Base("probe_site"), 10)) << "the server's own chain passes";
}

TEST_F(ProxyRouteTest, AnUnreachableProxyIsTriedOnceThenLeftAlone) {
    Use(sim.DeadProxyAddress(), "<-loopback>");
    const LogCapture log;
    HttpClient first;
    EXPECT_TRUE(first.ProbeUrl(sim.Base("primary"), 10)) << "the same request, directly";
    HttpClient second;
    ASSERT_TRUE(second.InitLibCurl(nullptr));
    std::string text;
    EXPECT_EQ(second.Request(sim.Base("secondary") + "/x", RequestKind::Get, text, nullptr, L""), 200);

    const std::vector<std::wstring> said = log.NewMessages(kSource);
    const std::wstring dead(sim.DeadProxyAddress().begin(), sim.DeadProxyAddress().end());
    EXPECT_EQ(CountStarting(said, L"代理 " + dead + L" 无法连接（"), 1) << log.Messages();
    EXPECT_EQ(CountStarting(said, L"代理不通，直接连接 https://127.0.0.1:" + std::to_wstring(sim.Port("primary"))), 1)
        << log.Messages();
    EXPECT_EQ(CountStarting(said, L"代理不通"), 1) << "the second host went directly at once\n" << log.Messages();
    EXPECT_EQ(CountStarting(said, L"代理 " + dead + L" 此前无法连接，https://127.0.0.1:" +
                                      std::to_wstring(sim.Port("secondary")) + L" 直接连接"),
              1)
        << log.Messages();
    const std::vector<ReceivedRequest> all = sim.Requests();
    EXPECT_EQ(all.size(), 2u);
    EXPECT_TRUE(Through(all).empty());
}

TEST_F(ProxyRouteTest, AProxyThatRefusesWhoWeAreEndsTheRequestAndIsLogged) {
    sim.SetMode(R"({"roles": {"proxy": {"auth": "refuse"}}})");
    const LogCapture log;
    HttpClient client;
    ASSERT_TRUE(client.InitLibCurl(nullptr));
    std::string text;
    EXPECT_EQ(client.Request(sim.Base("primary") + "/x", RequestKind::Get, text, nullptr, L""), 0);
    const std::vector<ReceivedRequest> all = sim.Requests();
    const std::vector<ReceivedRequest> asked = Through(all);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(all.size(), asked.size()) << "the server was never reached";
    for (const ReceivedRequest& r : asked) {
        // What the proxy was offered after its 407: the user's logon when SSPI could give one.
        std::printf("  proxy asked: %s, Proxy-Authorization: [%.24s]\n", r.requestLine.c_str(),
                    r.Header("Proxy-Authorization").c_str());
    }
    const std::wstring proxy(sim.ProxyAddress().begin(), sim.ProxyAddress().end());
    EXPECT_EQ(CountStarting(log.NewMessages(kSource), L"代理 " + proxy + L" 拒绝了到 https://127.0.0.1:" +
                                                          std::to_wstring(sim.Port("primary")) + L" 的连接：HTTP 407"),
              1)
        << log.Messages();
}

// Only the desktop user's settings count: a proxy named in the environment (http_proxy and
// friends) is not taken, and no_proxy does not undo the user's proxy.
TEST_F(ProxyRouteTest, TheEnvironmentNamesNoProxy) {
    const std::string dead = "http://" + sim.DeadProxyAddress();
    const char* names[] = {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"};
    for (const char* name : names) {
        ::SetEnvironmentVariableA(name, dead.c_str());
        _putenv_s(name, dead.c_str());
    }
    ::SetEnvironmentVariableA("no_proxy", "*");
    _putenv_s("no_proxy", "*");

    Use("", "");
    HttpClient direct;
    EXPECT_TRUE(direct.ProbeUrl(sim.Base("primary"), 10));
    EXPECT_TRUE(Through(sim.Requests()).empty());

    sim.Reset();
    Use(sim.ProxyAddress(), "<-loopback>");
    HttpClient proxied;
    EXPECT_TRUE(proxied.ProbeUrl(sim.Base("primary"), 10));
    EXPECT_EQ(Through(sim.Requests()).size(), 1u);

    for (const char* name : names) {
        ::SetEnvironmentVariableA(name, nullptr);
        _putenv_s(name, "");
    }
    ::SetEnvironmentVariableA("no_proxy", nullptr);
    _putenv_s("no_proxy", "");
}

}  // namespace
