#pragma once
// Which way Windows sends a request, from what its settings hold: the order in which it
// applies them. Pure logic; the settings are read through WinHTTP (SystemProxy) and are
// outside input, handed on to ProxyRules as they came.
//
// With automatic detection (WPAD) or a configuration script (PAC) set, the script decides
// when it answers: a proxy, or direct. When it cannot be had or run, the static proxy with
// its bypass list applies, as if no script were set. When proxy settings are the machine's
// (the policy "ProxySettingsPerUser" at 0), the user's own are not looked at.

#include <string>

#include "core/ProxyRules.h"

// What one set of settings holds, as WinHTTP hands it over.
struct ProxySettings {
    bool autoDetect = false;
    std::string autoConfigUrl;  // the PAC's address; empty for none
    std::string proxy;          // static proxy list; empty for none
    std::string bypass;         // its bypass list
};

// The settings that apply: the machine's when proxy settings are per machine, else the
// user's. The machine's (WinHTTP's own) never hold a script.
[[nodiscard]] ProxySettings EffectiveProxySettings(bool perMachine,
                                                   const ProxySettings& user,
                                                   const ProxySettings& machine);

// True when a script must be asked before the static proxy counts.
[[nodiscard]] bool WantsProxyScript(const ProxySettings& settings);

// What the script (detected or configured) said for one URL; `answered` false when there
// was none to ask or it could not be fetched or run.
struct ScriptAnswer {
    bool answered = false;
    std::string proxy;   // WinHTTP's list ("host:port", first one first); empty for DIRECT
    std::string bypass;  // rarely set by a script
};

enum class ProxyRoute {
    NoProxy,       // nothing set: direct
    Bypassed,      // a static proxy, but the bypass list (or loopback) sends this host direct
    ScriptDirect,  // the script said DIRECT (or named only proxies we cannot speak to)
    Script,        // through the proxy the script named
    Static,        // through the static proxy
};

struct ProxyDecision {
    ProxyRoute route = ProxyRoute::NoProxy;
    std::string proxy;  // "host:port" for Script and Static, else empty
};

// The way for `url` under `settings`, given what the script said (when one was asked).
// A URL that is not http(s) goes direct.
[[nodiscard]] ProxyDecision DecideProxy(const ProxySettings& settings,
                                        const ScriptAnswer& script,
                                        const std::string& url);

// Short text for the log.
[[nodiscard]] const wchar_t* DescribeRoute(ProxyRoute route);
