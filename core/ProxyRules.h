#pragma once
// How Windows reads a proxy setting, for the one request at hand: the proxy list of the
// Internet Options or WinHTTP ("a:8080", "http=a:8080;https=b:8443", entries apart by ';'
// or blanks) and the bypass list ("<local>;*.corp.example;10.*;<-loopback>"). Pure logic:
// the lists come from WinHTTP's own functions (outside input, so read defensively); this
// file only decides.

#include <optional>
#include <string>

// The proxy ("host:port", without a scheme) that `list` names for URLs of `scheme`
// ("http" or "https"): the entry for that scheme, else an entry for all schemes. Nothing
// when the list names none for it (per-scheme lists without the scheme go direct), or only
// proxies this installer cannot speak to (socks, ftp).
[[nodiscard]] std::optional<std::string> ProxyForScheme(const std::string& list, const std::string& scheme);

// True when a request to `host` (a name, an IPv4 address or a bracketed IPv6 one, without
// the port) with `port` skips the proxy under `bypass`: an entry matching the host (or
// "host:port"), '*' standing for any run of characters, case ignored; "<local>" for names
// without a dot; and loopback (localhost, 127.x.x.x, [::1]) always, unless the list holds
// "<-loopback>".
[[nodiscard]] bool BypassesProxy(const std::string& bypass, const std::string& host, int port);

// The scheme, host and port of an http(s) URL; false for anything else.
struct UrlParts {
    std::string scheme;  // lower case
    std::string host;    // lower case, IPv6 in brackets
    int port = 0;
};
[[nodiscard]] bool SplitUrl(const std::string& url, UrlParts& parts);
