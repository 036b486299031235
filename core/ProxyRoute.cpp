#include "core/ProxyRoute.h"

#include <memory>
#include <mutex>

#include "core/ProxyResolver.h"
#include "core/SystemProxy.h"
#include "util/TextConv.h"
#include "util/WriteLogFile.h"

namespace {

constexpr wchar_t kLogSource[] = L"..\\core\\ProxyRoute";

std::mutex g_routeLock;
IProxySettingsSource* g_source = nullptr;     // a test's, or null for the system's
std::unique_ptr<SystemProxySource> g_system;  // made on first use
std::shared_ptr<ProxyResolver> g_resolver;    // for the source in force

// Shared, so a test that changes the source meanwhile does not pull it from under a transfer.
std::shared_ptr<ProxyResolver> Resolver() {
    std::lock_guard<std::mutex> hold(g_routeLock);
    if (!g_resolver) {
        IProxySettingsSource* source = g_source;
        if (source == nullptr) {
            if (!g_system) {
                g_system = std::make_unique<SystemProxySource>();
            }
            source = g_system.get();
        }
        g_resolver = std::make_shared<ProxyResolver>(*source);
    }
    return g_resolver;
}

std::wstring Readable(const std::string& text) {
    return AnsiToWideForReading(text);
}

void Direct(CURL* h) {
    // An empty proxy, set on purpose: libcurl would otherwise take one from http_proxy and
    // friends, which nobody at this desktop chose for this program.
    curl_easy_setopt(h, CURLOPT_PROXY, "");
}

void Through(CURL* h, const std::string& proxy) {
    const std::string address = "http://" + proxy;
    curl_easy_setopt(h, CURLOPT_PROXY, address.c_str());
    curl_easy_setopt(h, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    // Set, so no_proxy from the environment is not read either: the bypass list decided.
    curl_easy_setopt(h, CURLOPT_NOPROXY, "");
    curl_easy_setopt(h, CURLOPT_HTTPPROXYTUNNEL, 1L);
    // The proxy's answer to CONNECT is not the server's: the header sinks judge the answer
    // of the vendor's server (a resumed download decides on its status) and must not see it.
    curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // The user's own logon through SSPI: ":" stands for the current credentials.
    curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_NEGOTIATE | CURLAUTH_NTLM));
    curl_easy_setopt(h, CURLOPT_PROXYUSERPWD, ":");
}

// Nothing came from the proxy: no connection, or none that answered the tunnel request
// within the connect limit. Anything the proxy did say (a refusal, an error of its own) is
// its answer and stands.
bool ProxyUnreachable(CURLcode rc, CURL* h) {
    if (rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_PROXY) {
        return true;
    }
    return rc == CURLE_OPERATION_TIMEDOUT && ProxyStatus(h) == 0;
}

void LogDecision(const std::string& url, const ProxyDecision& decision) {
    const std::wstring key = Readable(RouteKey(url));
    if (decision.proxy.empty()) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"代理：%s 直接连接（%s）", key.c_str(),
                           DescribeRoute(decision.route));
    } else {
        g_logFile.WriteLog(kLogSource, __LINE__, L"代理：%s 经代理 %s（%s）", key.c_str(),
                           Readable(decision.proxy).c_str(), DescribeRoute(decision.route));
    }
}

}  // namespace

long ProxyStatus(CURL* h) {
    long status = 0;
    if (curl_easy_getinfo(h, CURLINFO_HTTP_CONNECTCODE, &status) != CURLE_OK) {
        return 0;
    }
    return status;
}

CURLcode PerformRouted(CURL* h, const std::string& url) {
    const std::shared_ptr<ProxyResolver> resolver = Resolver();
    const ProxyLookup lookup = resolver->RouteFor(url);
    if (lookup.fresh) {
        LogDecision(url, lookup.decision);
    }
    const std::string& proxy = lookup.decision.proxy;
    if (lookup.fresh && lookup.unreachable) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"代理 %s 此前无法连接，%s 直接连接", Readable(proxy).c_str(),
                           Readable(RouteKey(url)).c_str());
    }
    if (proxy.empty() || lookup.unreachable) {
        Direct(h);
        return curl_easy_perform(h);
    }
    Through(h, proxy);
    const CURLcode rc = curl_easy_perform(h);
    const std::wstring host = Readable(RouteKey(url));
    if (ProxyUnreachable(rc, h)) {
        if (resolver->MarkUnreachable(proxy)) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"代理 %s 无法连接（%s），以后的请求直接连接",
                               Readable(proxy).c_str(), Readable(curl_easy_strerror(rc)).c_str());
        }
        g_logFile.WriteLog(kLogSource, __LINE__, L"代理不通，直接连接 %s 再试一次", host.c_str());
        Direct(h);
        return curl_easy_perform(h);
    }
    const long status = ProxyStatus(h);
    if (status >= 300) {
        g_logFile.WriteLog(kLogSource, __LINE__, L"代理 %s 拒绝了到 %s 的连接：HTTP %ld（%s）", Readable(proxy).c_str(),
                           host.c_str(), status, Readable(curl_easy_strerror(rc)).c_str());
    }
    return rc;
}

void SetProxySettingsSource(IProxySettingsSource* source) {
    std::lock_guard<std::mutex> hold(g_routeLock);
    g_source = source;
    g_resolver.reset();
}
