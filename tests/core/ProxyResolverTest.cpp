#include "core/ProxyResolver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CountingSource : public IProxySettingsSource {
  public:
    ProxySettings ReadSettings() override {
        ++reads;
        return settings;
    }
    ScriptAnswer AskScript(const ProxySettings&, const std::string& url) override {
        asked.push_back(url);
        return answer;
    }

    ProxySettings settings;
    ScriptAnswer answer;
    int reads = 0;
    std::vector<std::string> asked;
};

TEST(ProxyResolver, DecidesOncePerSchemeHostAndPort) {
    CountingSource source;
    source.settings.autoDetect = true;
    source.answer.answered = true;
    source.answer.proxy = "s:3128";
    ProxyResolver resolver(source);

    const ProxyLookup first = resolver.RouteFor("https://api.varlo.cn/wpapi/a");
    EXPECT_TRUE(first.fresh);
    EXPECT_EQ(first.decision.proxy, "s:3128");
    const ProxyLookup again = resolver.RouteFor("https://API.varlo.cn:443/other?x=1");
    EXPECT_FALSE(again.fresh);
    EXPECT_EQ(again.decision.proxy, "s:3128");

    EXPECT_TRUE(resolver.RouteFor("https://api.varlo.cn:8443/").fresh);
    EXPECT_TRUE(resolver.RouteFor("http://api.varlo.cn/").fresh);
    EXPECT_TRUE(resolver.RouteFor("https://dl.varlo.cn/f.zip").fresh);
    EXPECT_EQ(source.reads, 1) << "the settings are read once";
    EXPECT_EQ(source.asked.size(), 4u) << "the script once per scheme, host and port";
}

TEST(ProxyResolver, NoScriptIsAskedWhenNoneIsSet) {
    CountingSource source;
    source.settings.proxy = "p:1";
    source.settings.bypass = "<-loopback>";
    ProxyResolver resolver(source);
    EXPECT_EQ(resolver.RouteFor("https://127.0.0.1:19000/").decision.route, ProxyRoute::Static);
    EXPECT_TRUE(source.asked.empty());
}

TEST(ProxyResolver, AnUnreachableProxyIsRememberedForEveryHostUsingIt) {
    CountingSource source;
    source.settings.proxy = "http=other:2;https=p:1";
    ProxyResolver resolver(source);
    EXPECT_FALSE(resolver.RouteFor("https://a.example/").unreachable);

    EXPECT_TRUE(resolver.MarkUnreachable("p:1"));
    EXPECT_FALSE(resolver.MarkUnreachable("p:1")) << "told once";
    const ProxyLookup known = resolver.RouteFor("https://a.example/");
    EXPECT_TRUE(known.unreachable);
    EXPECT_EQ(known.decision.proxy, "p:1");
    EXPECT_TRUE(resolver.RouteFor("https://b.example/").unreachable) << "a later host through the same proxy";
    EXPECT_FALSE(resolver.RouteFor("http://c.example/").unreachable) << "another proxy";
}

TEST(ProxyResolver, AUrlThatIsNotHttpReadsNothing) {
    CountingSource source;
    source.settings.proxy = "p:1";
    ProxyResolver resolver(source);
    const ProxyLookup lookup = resolver.RouteFor("not a url");
    EXPECT_EQ(lookup.decision.route, ProxyRoute::NoProxy);
    EXPECT_EQ(source.reads, 0);
}

TEST(ProxyResolver, RouteKeys) {
    EXPECT_EQ(RouteKey("https://API.Varlo.cn/a?b"), "https://api.varlo.cn:443");
    EXPECT_EQ(RouteKey("http://[::1]:8080/"), "http://[::1]:8080");
    EXPECT_EQ(RouteKey("ftp://x/"), "");
}

}  // namespace
