// Feeds arbitrary bytes, split in two at the first NUL, to the proxy decision as a proxy
// list and a bypass list (both come from the user's settings and PAC scripts) and as a URL.
// Nothing may crash; a chosen proxy is never empty and holds no blank or path. The same
// texts go through the whole decision, as static settings and as a script's answer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/ProxyChoice.h"
#include "core/ProxyRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t nul = text.find('\0');
    const std::string first = text.substr(0, nul);
    const std::string second = nul == std::string::npos ? std::string() : text.substr(nul + 1);
    for (const char* scheme : {"http", "https"}) {
        const auto proxy = ProxyForScheme(first, scheme);
        if (proxy && (proxy->empty() || proxy->find_first_of(" ;/") != std::string::npos)) {
            std::abort();
        }
    }
    static_cast<void>(BypassesProxy(first, second, 443));
    ProxySettings settings;
    settings.proxy = first;
    settings.bypass = second;
    ScriptAnswer script;
    script.answered = (size & 1) != 0;
    script.proxy = second;
    script.bypass = first;
    for (const std::string& url : {std::string("https://api.varlo.cn/x"), std::string("https://127.0.0.1:9/"), first}) {
        const ProxyDecision d = DecideProxy(settings, script, url);
        const bool through = d.route == ProxyRoute::Script || d.route == ProxyRoute::Static;
        if (through == d.proxy.empty() || d.proxy.find_first_of(" ;/") != std::string::npos) {
            std::abort();
        }
    }
    UrlParts parts;
    if (SplitUrl(first, parts) && (parts.host.empty() || parts.port < 1 || parts.port > 65535)) {
        std::abort();
    }
    return 0;
}
