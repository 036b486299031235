#pragma once
// Server certificates are judged the way Windows judges them for its own TLS: the chain is
// built by the system's chain engine (which, on Windows, also fetches roots and
// intermediates the machine does not hold yet) and checked with the SSL policy. OpenSSL's
// own store would know only the roots already present, so a fresh machine would refuse
// servers that every browser on it accepts.

#include <windows.h>

#include <wincrypt.h>

#include <string>
#include <vector>

struct ssl_ctx_st;

// 0 when Windows trusts `chain` (DER certificates, the server's own first, then whatever
// else it sent) for a TLS server named `host`; otherwise the CERT_E_ / TRUST_E_ / CRYPT_E_
// code of the fault. A null or empty `host` leaves the name to the caller (an IP address,
// which libcurl checks itself). `engine` null means the machine's chain engine; tests pass
// engines of their own to stand in for stores they cannot change.
DWORD CheckServerChain(const std::vector<std::string>& chain, const wchar_t* host, HCERTCHAINENGINE engine = nullptr);

// Every handshake made with `context` from now on verifies the server with
// CheckServerChain instead of OpenSSL's store. Host names sent as SNI are checked by
// Windows too; libcurl's own host-name check stays on in any case.
void UseWindowsChainCheck(ssl_ctx_st* context);

// What the last handshake on this thread decided (0 before any); for the log and tests.
DWORD LastServerChainVerdict();

// Once the chain passes, revocation is asked for every certificate of it but the root. A
// revoked one is refused (CRYPT_E_REVOKED); one whose status could not be learnt (no
// revocation source, or none reachable) is accepted, as browsers do, and the handshake
// logs it.
enum class RevocationState { Checked, Unknown, Revoked };
RevocationState RevocationStateOf(DWORD trustErrorStatus);
// What the last chain built on this thread said about revocation.
RevocationState LastServerChainRevocation();
