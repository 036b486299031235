#pragma once
// Every transfer of the installer goes the way Windows would send its URL: through the
// proxy the desktop user's settings name for it (decided once per host, see ProxyResolver),
// or directly. libcurl never takes a proxy from the environment. Through a proxy:
// - HTTPS goes through a CONNECT tunnel, and TLS is spoken end to end with the vendor's
//   server: the chain and host name checked are the server's, never the proxy's;
// - a proxy that asks who we are (407) is offered the user's own logon (Negotiate or NTLM
//   through SSPI); one that still refuses is logged with its status, and the transfer fails
//   as any network failure does;
// - a proxy that cannot be reached (refused, or no answer within the connect limit) is
//   logged, and the same request is made once directly; later requests that would use it go
//   directly at once.

#include <string>

#include "core/CurlHandle.h"

class IProxySettingsSource;

// Runs `h`, fully prepared for `url`, on the way Windows would send it.
[[nodiscard]] CURLcode PerformRouted(CURL* h, const std::string& url);

// The proxy status of the last transfer on `h`: what the proxy answered to the tunnel
// request (407 when it refused who we are), 0 when no proxy answered.
[[nodiscard]] long ProxyStatus(CURL* h);

// Tests: the settings come from `source` instead of the system (null: the system again).
// Either way, every decision and every unreachable proxy so far is forgotten.
void SetProxySettingsSource(IProxySettingsSource* source);
