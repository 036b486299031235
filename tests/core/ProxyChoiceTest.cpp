#include "core/ProxyChoice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ProxySettings Static(const char* proxy, const char* bypass = "") {
    ProxySettings s;
    s.proxy = proxy;
    s.bypass = bypass;
    return s;
}

ProxySettings WithScript(ProxySettings s) {
    s.autoConfigUrl = "http://wpad.corp/proxy.pac";
    return s;
}

ScriptAnswer Said(const char* proxy) {
    ScriptAnswer a;
    a.answered = true;
    a.proxy = proxy;
    return a;
}

// The order Windows applies the settings in: a script that answers decides, else the static
// proxy with its bypass list (loopback implied), else direct.
TEST(ProxyChoice, TheWayForAUrl) {
    struct Case {
        const char* name;
        ProxySettings settings;
        ScriptAnswer script;
        const char* url;
        ProxyRoute route;
        const char* proxy;
    };
    const Case cases[] = {
        {"nothing set", ProxySettings(), ScriptAnswer(), "https://api.varlo.cn/x", ProxyRoute::NoProxy, ""},
        {"static for all", Static("p.corp:8080"), ScriptAnswer(), "https://api.varlo.cn/x", ProxyRoute::Static,
         "p.corp:8080"},
        {"static per scheme", Static("http=a:1;https=b:2"), ScriptAnswer(), "https://api.varlo.cn/", ProxyRoute::Static,
         "b:2"},
        {"per scheme without https", Static("http=a:1"), ScriptAnswer(), "https://api.varlo.cn/", ProxyRoute::NoProxy,
         ""},
        {"bypassed by name", Static("p:1", "*.varlo.cn"), ScriptAnswer(), "https://dl.varlo.cn/f.zip",
         ProxyRoute::Bypassed, ""},
        {"loopback goes direct", Static("p:1"), ScriptAnswer(), "https://127.0.0.1:19000/", ProxyRoute::Bypassed, ""},
        {"unless <-loopback>", Static("p:1", "<-loopback>"), ScriptAnswer(), "https://127.0.0.1:19000/",
         ProxyRoute::Static, "p:1"},
        {"<local> for a plain name", Static("p:1", "<local>"), ScriptAnswer(), "https://intranet/",
         ProxyRoute::Bypassed, ""},
        {"the script decides over the static proxy", WithScript(Static("p:1")), Said("s.corp:3128"),
         "https://api.varlo.cn/", ProxyRoute::Script, "s.corp:3128"},
        {"the first proxy the script names", WithScript(ProxySettings()), Said("s1:1;s2:2"), "https://api.varlo.cn/",
         ProxyRoute::Script, "s1:1"},
        {"the script says DIRECT", WithScript(Static("p:1")), Said(""), "https://api.varlo.cn/",
         ProxyRoute::ScriptDirect, ""},
        {"a script that did not answer falls through to static", WithScript(Static("p:1")), ScriptAnswer(),
         "https://api.varlo.cn/", ProxyRoute::Static, "p:1"},
        {"a script that did not answer, no static", WithScript(ProxySettings()), ScriptAnswer(),
         "https://api.varlo.cn/", ProxyRoute::NoProxy, ""},
        // Loopback is the static settings' rule; a script that names a proxy for it is obeyed.
        {"the script for loopback", WithScript(ProxySettings()), Said("127.0.0.1:3128"), "https://127.0.0.1:19000/",
         ProxyRoute::Script, "127.0.0.1:3128"},
        {"a script naming only socks", WithScript(ProxySettings()), Said("socks=s:1080"), "https://api.varlo.cn/",
         ProxyRoute::ScriptDirect, ""},
        {"not an http(s) URL", Static("p:1"), ScriptAnswer(), "ftp://files.varlo.cn/", ProxyRoute::NoProxy, ""},
    };
    for (const Case& c : cases) {
        const ProxyDecision d = DecideProxy(c.settings, c.script, c.url);
        EXPECT_EQ(d.route, c.route) << c.name;
        EXPECT_EQ(d.proxy, c.proxy) << c.name;
    }
}

TEST(ProxyChoice, APolicyMakesTheMachinesSettingsApply) {
    ProxySettings user = WithScript(Static("user:1", "<local>"));
    user.autoDetect = true;
    const ProxySettings machine = Static("machine:2", "*.corp");

    const ProxySettings perUser = EffectiveProxySettings(false, user, machine);
    EXPECT_EQ(perUser.proxy, "user:1");
    EXPECT_TRUE(WantsProxyScript(perUser));

    const ProxySettings perMachine = EffectiveProxySettings(true, user, machine);
    EXPECT_EQ(perMachine.proxy, "machine:2");
    EXPECT_EQ(perMachine.bypass, "*.corp");
    EXPECT_FALSE(WantsProxyScript(perMachine)) << "the user's script and detection are not the machine's";
}

TEST(ProxyChoice, EitherScriptSettingAsksTheScript) {
    ProxySettings s;
    EXPECT_FALSE(WantsProxyScript(s));
    s.autoDetect = true;
    EXPECT_TRUE(WantsProxyScript(s));
    s.autoDetect = false;
    s.autoConfigUrl = "http://pac/x.pac";
    EXPECT_TRUE(WantsProxyScript(s));
}

}  // namespace
