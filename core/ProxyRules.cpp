#include "core/ProxyRules.h"

#include <cctype>
#include <vector>

namespace {

constexpr size_t kMaxListBytes = 16 * 1024;

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::vector<std::string> Entries(const std::string& list, const char* separators) {
    std::vector<std::string> out;
    std::string piece;
    for (const char c : list) {
        if (std::string(separators).find(c) != std::string::npos) {
            if (!piece.empty()) {
                out.push_back(piece);
            }
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) {
        out.push_back(piece);
    }
    return out;
}

// "http://a:1/" -> "a:1"; empty when what is left is no host[:port].
std::string ProxyHost(std::string value) {
    const size_t scheme = value.find("://");
    if (scheme != std::string::npos) {
        const std::string named = Lower(value.substr(0, scheme));
        if (named != "http") {
            return std::string();  // an https or socks proxy is not spoken to
        }
        value = value.substr(scheme + 3);
    }
    while (!value.empty() && value.back() == '/') {
        value.pop_back();
    }
    if (value.empty() || value.find_first_of("/@?#") != std::string::npos) {
        return std::string();
    }
    for (const char c : value) {
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
            return std::string();
        }
    }
    return value;
}

// '*' matches any run; everything else itself, case already folded.
bool Wildcard(const std::string& pattern, const std::string& text) {
    size_t p = 0;
    size_t t = 0;
    size_t star = std::string::npos;
    size_t mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool IsLoopback(const std::string& host) {
    return host == "localhost" || host == "[::1]" || host.compare(0, 4, "127.") == 0;
}

}  // namespace

std::optional<std::string> ProxyForScheme(const std::string& list, const std::string& scheme) {
    if (list.size() > kMaxListBytes) {
        return std::nullopt;
    }
    const std::string wanted = Lower(scheme);
    std::optional<std::string> forAll;
    for (const std::string& entry : Entries(list, "; \t\r\n")) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            const std::string host = ProxyHost(entry);
            if (!forAll && !host.empty()) {
                forAll = host;
            }
            continue;
        }
        if (Lower(entry.substr(0, equals)) == wanted) {
            const std::string host = ProxyHost(entry.substr(equals + 1));
            if (!host.empty()) {
                return host;
            }
        }
    }
    return forAll;
}

bool BypassesProxy(const std::string& bypass, const std::string& host, int port) {
    const std::string name = Lower(host);
    bool loopbackGoesDirect = true;
    bool matched = false;
    if (bypass.size() <= kMaxListBytes) {
        for (std::string entry : Entries(Lower(bypass), "; \t\r\n,")) {
            if (entry == "<-loopback>") {
                loopbackGoesDirect = false;
            } else if (entry == "<local>") {
                matched = matched || (name.find('.') == std::string::npos && name.find(':') == std::string::npos);
            } else {
                const size_t scheme = entry.find("://");
                if (scheme != std::string::npos) {
                    entry = entry.substr(scheme + 3);
                }
                const bool withPort = entry.find(':') != std::string::npos && entry.front() != '[';
                matched = matched || Wildcard(entry, withPort ? name + ":" + std::to_string(port) : name);
            }
        }
    }
    return matched || (loopbackGoesDirect && IsLoopback(name));
}

bool SplitUrl(const std::string& url, UrlParts& parts) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) {
        return false;
    }
    UrlParts out;
    out.scheme = Lower(url.substr(0, scheme));
    if (out.scheme != "http" && out.scheme != "https") {
        return false;
    }
    const size_t start = scheme + 3;
    const size_t end = url.find_first_of("/?#", start);
    std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (authority.find('@') != std::string::npos || authority.empty()) {
        return false;
    }
    size_t portAt = std::string::npos;
    if (authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string::npos) {
            return false;
        }
        portAt = close + 1 < authority.size() && authority[close + 1] == ':' ? close + 1 : std::string::npos;
        if (close + 1 < authority.size() && portAt == std::string::npos) {
            return false;
        }
    } else {
        portAt = authority.find(':');
    }
    out.port = out.scheme == "https" ? 443 : 80;
    if (portAt != std::string::npos) {
        const std::string digits = authority.substr(portAt + 1);
        if (digits.empty() || digits.size() > 5) {
            return false;
        }
        int value = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return false;
            }
            value = value * 10 + (c - '0');
        }
        if (value == 0 || value > 65535) {
            return false;
        }
        out.port = value;
        authority = authority.substr(0, portAt);
    }
    if (authority.empty()) {
        return false;
    }
    out.host = Lower(authority);
    parts = out;
    return true;
}
