#include "core/ProxyResolver.h"

std::string RouteKey(const std::string& url) {
    UrlParts parts;
    if (!SplitUrl(url, parts)) {
        return std::string();
    }
    return parts.scheme + "://" + parts.host + ":" + std::to_string(parts.port);
}

ProxyLookup ProxyResolver::RouteFor(const std::string& url) {
    std::lock_guard<std::mutex> hold(lock_);
    ProxyLookup out;
    const std::string key = RouteKey(url);
    if (key.empty()) {
        return out;
    }
    const auto known = routes_.find(key);
    if (known != routes_.end()) {
        out.decision = known->second;
    } else {
        // Held while asking: the worker is the only caller, and a second lookup of the same
        // host must not run the script again.
        if (!settingsRead_) {
            settings_ = source_.ReadSettings();
            settingsRead_ = true;
        }
        ScriptAnswer script;
        if (WantsProxyScript(settings_)) {
            script = source_.AskScript(settings_, url);
        }
        out.decision = DecideProxy(settings_, script, url);
        out.fresh = true;
        routes_.emplace(key, out.decision);
    }
    out.unreachable = !out.decision.proxy.empty() && unreachable_.count(out.decision.proxy) != 0;
    return out;
}

bool ProxyResolver::MarkUnreachable(const std::string& proxy) {
    std::lock_guard<std::mutex> hold(lock_);
    return unreachable_.insert(proxy).second;
}
