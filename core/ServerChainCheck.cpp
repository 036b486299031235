#include "core/ServerChainCheck.h"

#include <memory>
#include <optional>

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "util/TextConv.h"
#include "util/WriteLogFile.h"

namespace {

thread_local DWORD g_lastVerdict = 0;
thread_local RevocationState g_lastRevocation = RevocationState::Checked;
constexpr wchar_t kLogSource[] = L"..\\core\\ServerChainCheck";
constexpr DWORD kRevocationUnknownBits = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

struct StoreCloser {
    void operator()(HCERTSTORE store) const { ::CertCloseStore(store, 0); }
};
struct CertFreer {
    void operator()(PCCERT_CONTEXT cert) const { ::CertFreeCertificateContext(cert); }
};
struct ChainFreer {
    void operator()(PCCERT_CHAIN_CONTEXT chain) const { ::CertFreeCertificateChain(chain); }
};

DWORD LastErrorAsResult() {
    const DWORD error = ::GetLastError();
    return error != 0 ? static_cast<DWORD>(HRESULT_FROM_WIN32(error)) : static_cast<DWORD>(E_FAIL);
}

bool AppendDer(X509* cert, std::vector<std::string>& chain) {
    const int length = i2d_X509(cert, nullptr);
    if (length <= 0) {
        return false;
    }
    std::string der(static_cast<size_t>(length), '\0');
    auto* out = reinterpret_cast<unsigned char*>(&der[0]);
    if (i2d_X509(cert, &out) != length) {
        return false;
    }
    chain.push_back(std::move(der));
    return true;
}

// What the built chain itself says is wrong, as the policy would report it. Windows' SSL
// policy already fails every one of these; the chain is read as well because not every
// implementation of the policy does (Wine's passes a chain that ends short of any root).
DWORD ChainFault(const CERT_CHAIN_CONTEXT& chain) {
    const DWORD status = chain.TrustStatus.dwErrorStatus;
    if (status & CERT_TRUST_IS_NOT_SIGNATURE_VALID) {
        return static_cast<DWORD>(TRUST_E_CERT_SIGNATURE);
    }
    if (status & CERT_TRUST_IS_REVOKED) {
        return static_cast<DWORD>(CRYPT_E_REVOKED);
    }
    if (status & (CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_CYCLIC)) {
        return static_cast<DWORD>(CERT_E_CHAINING);
    }
    if (status & CERT_TRUST_IS_UNTRUSTED_ROOT) {
        return static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
    }
    if (status & CERT_TRUST_IS_NOT_TIME_VALID) {
        return static_cast<DWORD>(CERT_E_EXPIRED);
    }
    if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) {
        return static_cast<DWORD>(CERT_E_WRONG_USAGE);
    }
    if (status & CERT_TRUST_INVALID_BASIC_CONSTRAINTS) {
        return static_cast<DWORD>(TRUST_E_BASIC_CONSTRAINTS);
    }
    return 0;
}

// The nearest OpenSSL reason, so libcurl's message names the fault.
int OpenSslReason(DWORD verdict) {
    switch (static_cast<HRESULT>(verdict)) {
        case CERT_E_EXPIRED:
            return X509_V_ERR_CERT_HAS_EXPIRED;
        case CERT_E_UNTRUSTEDROOT:
            return X509_V_ERR_CERT_UNTRUSTED;
        case CERT_E_CHAINING:
            return X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY;
        case CERT_E_CN_NO_MATCH:
            return X509_V_ERR_HOSTNAME_MISMATCH;
        case CERT_E_WRONG_USAGE:
            return X509_V_ERR_INVALID_PURPOSE;
        case CRYPT_E_REVOKED:
            return X509_V_ERR_CERT_REVOKED;
        default:
            return X509_V_ERR_APPLICATION_VERIFICATION;
    }
}

// OpenSSL's verification step, replaced: 1 accepts the peer, 0 fails the handshake.
int VerifyWithWindows(X509_STORE_CTX* store, void*) {
    try {
        std::vector<std::string> chain;
        X509* leaf = X509_STORE_CTX_get0_cert(store);
        if (leaf == nullptr || !AppendDer(leaf, chain)) {
            g_lastVerdict = static_cast<DWORD>(CERT_E_CHAINING);
            X509_STORE_CTX_set_error(store, X509_V_ERR_UNSPECIFIED);
            return 0;
        }
        STACK_OF(X509)* sent = X509_STORE_CTX_get0_untrusted(store);
        for (int i = 0; sent != nullptr && i < sk_X509_num(sent); ++i) {
            X509* cert = sk_X509_value(sent, i);
            if (cert != leaf && !AppendDer(cert, chain)) {
                g_lastVerdict = static_cast<DWORD>(CERT_E_CHAINING);
                X509_STORE_CTX_set_error(store, X509_V_ERR_UNSPECIFIED);
                return 0;
            }
        }
        // libcurl sends the host as SNI unless it is an IP address.
        auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        const char* sni = ssl != nullptr ? SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name) : nullptr;
        // A name that is not valid UTF-8 cannot be matched; left empty it would skip the
        // host check altogether, so the server is refused instead.
        const std::optional<std::wstring> decoded = sni != nullptr ? Utf8ToWide(sni) : std::wstring();
        if (!decoded) {
            g_logFile.WriteLog(kLogSource, __LINE__, L"服务器名称不是有效的 UTF-8，拒绝连接[%s]",
                               Utf8ToWideForReading(sni).c_str());
            g_lastVerdict = static_cast<DWORD>(CERT_E_CN_NO_MATCH);
            X509_STORE_CTX_set_error(store, OpenSslReason(g_lastVerdict));
            return 0;
        }
        const std::wstring& host = *decoded;
        const DWORD verdict = CheckServerChain(chain, host.c_str());
        g_lastVerdict = verdict;
        if (verdict == 0) {
            if (g_lastRevocation == RevocationState::Unknown) {
                g_logFile.WriteLog(kLogSource, __LINE__, L"服务器证书吊销状态未知,已接受[%s]", host.c_str());
            }
            return 1;
        }
        X509_STORE_CTX_set_error(store, OpenSslReason(verdict));
        return 0;
    } catch (...) {
        // Nothing may unwind into OpenSSL; an unexpected failure refuses the server.
        g_lastVerdict = static_cast<DWORD>(E_UNEXPECTED);
        X509_STORE_CTX_set_error(store, X509_V_ERR_UNSPECIFIED);
        return 0;
    }
}

}  // namespace

DWORD CheckServerChain(const std::vector<std::string>& chain, const wchar_t* host, HCERTCHAINENGINE engine) {
    if (chain.empty()) {
        return static_cast<DWORD>(CERT_E_CHAINING);
    }
    std::unique_ptr<void, StoreCloser> sent(
        ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
    if (!sent) {
        return LastErrorAsResult();
    }
    PCCERT_CONTEXT leafContext = nullptr;
    for (size_t i = 0; i < chain.size(); ++i) {
        const auto* bytes = reinterpret_cast<const BYTE*>(chain[i].data());
        if (!::CertAddEncodedCertificateToStore(sent.get(), X509_ASN_ENCODING, bytes,
                                                static_cast<DWORD>(chain[i].size()), CERT_STORE_ADD_ALWAYS,
                                                i == 0 ? &leafContext : nullptr) &&
            i == 0) {
            return LastErrorAsResult();
        }
    }
    std::unique_ptr<const CERT_CONTEXT, CertFreer> leaf(leafContext);

    // The certificate must be meant for TLS servers.
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    char* usages[] = {serverAuth};
    CERT_CHAIN_PARA para = {};
    para.cbSize = sizeof(para);
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT chainContext = nullptr;
    // The machine's engine: an elevated process trusts what the machine trusts, not what a
    // user's own stores add.
    const HCERTCHAINENGINE machine = engine != nullptr ? engine : HCCE_LOCAL_MACHINE;
    g_lastRevocation = RevocationState::Checked;
    if (!::CertGetCertificateChain(machine, leaf.get(), nullptr, sent.get(), &para, 0, nullptr, &chainContext)) {
        return LastErrorAsResult();
    }
    std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer> built(chainContext);

    std::wstring name = host != nullptr ? host : L"";
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof(ssl);
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = name.empty() ? nullptr : &name[0];
    CERT_CHAIN_POLICY_PARA policy = {};
    policy.cbSize = sizeof(policy);
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof(status);
    if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, built.get(), &policy, &status)) {
        return LastErrorAsResult();
    }
    const DWORD verdict = status.dwError != 0 ? status.dwError : ChainFault(*built);
    if (verdict != 0) {
        return verdict;
    }

    // Revocation is asked of a chain built for it alone. Judged in the same chain, an
    // unknown status hides what the policy would check after it (Wine's stops there,
    // before the host name), and waiving it is not honoured everywhere. A root is trusted
    // by being in the store, so its own revocation is not asked.
    PCCERT_CHAIN_CONTEXT revocationContext = nullptr;
    if (!::CertGetCertificateChain(machine, leaf.get(), nullptr, sent.get(), &para,
                                   CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT, nullptr, &revocationContext)) {
        return LastErrorAsResult();
    }
    std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer> checked(revocationContext);
    g_lastRevocation = RevocationStateOf(checked->TrustStatus.dwErrorStatus);
    return g_lastRevocation == RevocationState::Revoked ? static_cast<DWORD>(CRYPT_E_REVOKED) : 0;
}

RevocationState RevocationStateOf(DWORD trustErrorStatus) {
    if (trustErrorStatus & CERT_TRUST_IS_REVOKED) {
        return RevocationState::Revoked;
    }
    return (trustErrorStatus & kRevocationUnknownBits) ? RevocationState::Unknown : RevocationState::Checked;
}

void UseWindowsChainCheck(ssl_ctx_st* context) {
    SSL_CTX_set_cert_verify_callback(context, &VerifyWithWindows, nullptr);
}

DWORD LastServerChainVerdict() {
    return g_lastVerdict;
}

RevocationState LastServerChainRevocation() {
    return g_lastRevocation;
}
