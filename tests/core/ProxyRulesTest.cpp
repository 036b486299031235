#include "core/ProxyRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(ProxyRules, TheProxyForAScheme) {
    struct Case {
        const char* list;
        const char* scheme;
        std::optional<std::string> proxy;
    };
    const Case cases[] = {
        {"proxy.corp:8080", "https", "proxy.corp:8080"},
        {"proxy.corp:8080", "http", "proxy.corp:8080"},
        {"http=a:1;https=b:2", "https", "b:2"},
        {"http=a:1;https=b:2", "http", "a:1"},
        {"HTTPS=b:2", "https", "b:2"},
        // A per-scheme list without the scheme sends it direct.
        {"http=a:1", "https", std::nullopt},
        {"ftp=f:21;a:1", "https", "a:1"},
        {"https=http://b:2/", "https", "b:2"},
        {"a:1 b:2", "https", "a:1"},
        {"  ;; ", "https", std::nullopt},
        {"", "https", std::nullopt},
        // Proxies the installer cannot speak to are skipped.
        {"socks=s:1080", "https", std::nullopt},
        {"https=socks5://s:1080;a:1", "https", "a:1"},
        {"https=user@b:2", "https", std::nullopt},
        {"https=b:2/path", "https", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProxyForScheme(c.list, c.scheme), c.proxy) << c.list << " / " << c.scheme;
    }
}

TEST(ProxyRules, TheBypassList) {
    struct Case {
        const char* bypass;
        const char* host;
        int port;
        bool direct;
    };
    const Case cases[] = {
        {"", "api.varlo.cn", 443, false},
        {"*.varlo.cn", "api.varlo.cn", 443, true},
        {"*.VARLO.cn", "API.varlo.cn", 443, true},
        {"*.varlo.cn", "varlo.cn", 443, false},
        {"10.*;192.168.*", "10.1.2.3", 443, true},
        {"10.*;192.168.*", "110.1.2.3", 443, false},
        {"<local>", "intranet", 443, true},
        {"<local>", "intranet.corp", 443, false},
        {"api.varlo.cn:8443", "api.varlo.cn", 443, false},
        {"api.varlo.cn:443", "api.varlo.cn", 443, true},
        {"https://*.varlo.cn", "dl.varlo.cn", 443, true},
        // Loopback always goes direct, unless the list takes that away.
        {"", "127.0.0.1", 19000, true},
        {"", "localhost", 80, true},
        {"", "[::1]", 80, true},
        {"<-loopback>", "127.0.0.1", 19000, false},
        {"<-loopback>;127.0.0.1", "127.0.0.1", 19000, true},
        {"<local>", "127.0.0.1", 19000, true},
        {"<local>;<-loopback>", "127.0.0.1", 19000, false},
        {"*", "anything.example", 1, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BypassesProxy(c.bypass, c.host, c.port), c.direct) << c.bypass << " / " << c.host;
    }
}

TEST(ProxyRules, UrlParts) {
    struct Case {
        const char* url;
        bool ok;
        const char* scheme;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"https://API.varlo.cn/wpapi", true, "https", "api.varlo.cn", 443},
        {"http://a", true, "http", "a", 80},
        {"https://127.0.0.1:19001/files/x.zip?v=1", true, "https", "127.0.0.1", 19001},
        {"https://[::1]:8443/", true, "https", "[::1]", 8443},
        {"https://[::1]x/", false, "", "", 0},
        {"https://a:0/", false, "", "", 0},
        {"https://a:65536/", false, "", "", 0},
        {"https://a:/", false, "", "", 0},
        {"https://u@a/", false, "", "", 0},
        {"ftp://a/", false, "", "", 0},
        {"a/b", false, "", "", 0},
    };
    for (const Case& c : cases) {
        UrlParts p;
        ASSERT_EQ(SplitUrl(c.url, p), c.ok) << c.url;
        if (c.ok) {
            EXPECT_EQ(p.scheme, c.scheme) << c.url;
            EXPECT_EQ(p.host, c.host) << c.url;
            EXPECT_EQ(p.port, c.port) << c.url;
        }
    }
}

}  // namespace
