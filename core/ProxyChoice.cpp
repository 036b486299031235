#include "core/ProxyChoice.h"

#include <optional>

ProxySettings EffectiveProxySettings(bool perMachine, const ProxySettings& user, const ProxySettings& machine) {
    if (!perMachine) {
        return user;
    }
    ProxySettings out;
    out.proxy = machine.proxy;
    out.bypass = machine.bypass;
    return out;
}

bool WantsProxyScript(const ProxySettings& settings) {
    return settings.autoDetect || !settings.autoConfigUrl.empty();
}

ProxyDecision DecideProxy(const ProxySettings& settings, const ScriptAnswer& script, const std::string& url) {
    ProxyDecision out;
    UrlParts parts;
    if (!SplitUrl(url, parts)) {
        return out;
    }
    if (script.answered) {
        // The script has the last word; a bypass list it returns still counts, but the
        // implicit loopback rule belongs to static settings, so it is not added here.
        const std::optional<std::string> named = ProxyForScheme(script.proxy, parts.scheme);
        const bool bypassed =
            !script.bypass.empty() && BypassesProxy(script.bypass + ";<-loopback>", parts.host, parts.port);
        if (!named || bypassed) {
            out.route = ProxyRoute::ScriptDirect;
            return out;
        }
        out.route = ProxyRoute::Script;
        out.proxy = *named;
        return out;
    }
    const std::optional<std::string> named = ProxyForScheme(settings.proxy, parts.scheme);
    if (!named) {
        return out;
    }
    if (BypassesProxy(settings.bypass, parts.host, parts.port)) {
        out.route = ProxyRoute::Bypassed;
        return out;
    }
    out.route = ProxyRoute::Static;
    out.proxy = *named;
    return out;
}

const wchar_t* DescribeRoute(ProxyRoute route) {
    switch (route) {
        case ProxyRoute::NoProxy:
            return L"未设置代理";
        case ProxyRoute::Bypassed:
            return L"在代理例外列表中";
        case ProxyRoute::ScriptDirect:
            return L"代理脚本要求直接连接";
        case ProxyRoute::Script:
            return L"代理脚本指定";
        case ProxyRoute::Static:
            return L"系统代理设置";
    }
    return L"";
}
