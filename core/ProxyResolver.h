#pragma once
// The proxy decision for the installer's requests, made once per scheme, host and port and
// kept for the rest of the run: reading the settings and running a script can take seconds,
// and every request of an install (probes, API, each download attempt) asks again. A proxy
// found unreachable is remembered too, so later requests go direct at once instead of each
// waiting for it. Pure logic; the settings come through a source (SystemProxy on Windows).

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "core/ProxyChoice.h"

class IProxySettingsSource {
  public:
    virtual ~IProxySettingsSource() = default;
    // The settings that apply to this process's requests; asked once per resolver.
    virtual ProxySettings ReadSettings() = 0;
    // What the script `settings` name (detected or configured) says for `url`.
    virtual ScriptAnswer AskScript(const ProxySettings& settings, const std::string& url) = 0;
};

struct ProxyLookup {
    ProxyDecision decision;
    bool fresh = false;        // decided by this call: the caller logs it
    bool unreachable = false;  // the proxy decided on did not answer earlier: go direct
};

class ProxyResolver {
  public:
    explicit ProxyResolver(IProxySettingsSource& source) : source_(source) {}
    ProxyResolver(const ProxyResolver&) = delete;
    ProxyResolver& operator=(const ProxyResolver&) = delete;

    [[nodiscard]] ProxyLookup RouteFor(const std::string& url);
    // `proxy` ("host:port") could not be reached; true the first time it is said.
    bool MarkUnreachable(const std::string& proxy);

  private:
    IProxySettingsSource& source_;
    std::mutex lock_;
    bool settingsRead_ = false;
    ProxySettings settings_;
    std::map<std::string, ProxyDecision> routes_;
    std::set<std::string> unreachable_;
};

// "https://a.b:8443" for "https://A.b:8443/x?y": what one decision covers (empty for a URL
// that is not http(s), which is never sent through a proxy).
[[nodiscard]] std::string RouteKey(const std::string& url);
