#include "core/ServerChainCheck.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A PEM file of the simulator's test set as DER.
std::string Der(const char* stem) {
    std::ifstream in(std::string(VARLO_TEST_CERTS) + "/" + stem + ".pem", std::ios::binary);
    std::stringstream pem;
    pem << in.rdbuf();
    const std::string text = pem.str();
    DWORD size = 0;
    if (text.empty() || !::CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                                                CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
        return std::string();
    }
    std::string der(size, '\0');
    ::CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER,
                           reinterpret_cast<BYTE*>(&der[0]), &size, nullptr, nullptr);
    der.resize(size);
    return der;
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

// Takes the test CA out of the machine's ROOT store while it lives, and puts it back.
class TestCaRemoved {
  public:
    TestCaRemoved() : ca_(Der("ca")) {
        root_ = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
        PCCERT_CONTEXT ca = ::CertCreateCertificateContext(X509_ASN_ENCODING, Bytes(), static_cast<DWORD>(ca_.size()));
        if (root_ == nullptr || ca == nullptr) {
            return;
        }
        PCCERT_CONTEXT found =
            ::CertFindCertificateInStore(root_, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ca, nullptr);
        ::CertFreeCertificateContext(ca);
        // A system store writes its changes back to the registry when committed.
        removed_ = found != nullptr && ::CertDeleteCertificateFromStore(found) &&
                   ::CertControlStore(root_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    ~TestCaRemoved() {
        if (removed_) {
            ::CertAddEncodedCertificateToStore(root_, X509_ASN_ENCODING, Bytes(), static_cast<DWORD>(ca_.size()),
                                               CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
            ::CertControlStore(root_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
        }
        if (root_ != nullptr) {
            ::CertCloseStore(root_, 0);
        }
    }
    bool removed() const { return removed_; }

  private:
    const BYTE* Bytes() const { return reinterpret_cast<const BYTE*>(ca_.data()); }
    std::string ca_;
    HCERTSTORE root_ = nullptr;
    bool removed_ = false;
};

// A chain engine made now, so it reads the stores as they are at this moment (the
// machine's own engine keeps what it read when the process first used it).
class FreshEngine {
  public:
    FreshEngine() {
        CERT_CHAIN_ENGINE_CONFIG config = {};
        config.cbSize = sizeof(config);
        if (!::CertCreateCertificateChainEngine(&config, &engine_)) {
            engine_ = nullptr;
        }
    }
    ~FreshEngine() {
        if (engine_ != nullptr) {
            ::CertFreeCertificateChainEngine(engine_);
        }
    }
    HCERTCHAINENGINE get() const { return engine_; }

  private:
    HCERTCHAINENGINE engine_ = nullptr;
};

TEST(ServerChainCheck, DecidesLikeWindowsForEachKindOfCertificate) {
    const std::string server = Der("server");
    ASSERT_FALSE(server.empty()) << "test certificates missing from " << VARLO_TEST_CERTS;
    struct Case {
        const char* what;
        std::vector<std::string> chain;
        const wchar_t* host;
        DWORD expected;
    };
    const Case cases[] = {
        {"trusted, host named", {server}, L"localhost", 0},
        {"trusted, CA sent along", {server, Der("ca")}, L"localhost", 0},
        {"trusted, name left to libcurl (IP address)", {server}, nullptr, 0},
        {"wrong host asked for", {server}, L"other.example", static_cast<DWORD>(CERT_E_CN_NO_MATCH)},
        {"certificate for another host", {Der("wronghost")}, L"localhost", static_cast<DWORD>(CERT_E_CN_NO_MATCH)},
        {"expired", {Der("expired")}, L"localhost", static_cast<DWORD>(CERT_E_EXPIRED)},
        {"self-signed", {Der("selfsigned")}, L"localhost", static_cast<DWORD>(CERT_E_UNTRUSTEDROOT)},
        {"unknown CA, sent along",
         {Der("untrusted"), Der("untrusted-ca")},
         L"localhost",
         static_cast<DWORD>(CERT_E_UNTRUSTEDROOT)},
        {"unknown CA, not sent", {Der("untrusted")}, L"localhost", static_cast<DWORD>(CERT_E_CHAINING)},
        {"nothing sent", {}, L"localhost", static_cast<DWORD>(CERT_E_CHAINING)},
        {"garbage sent", {std::string("not a certificate")}, L"localhost", 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        const DWORD verdict = CheckServerChain(c.chain, c.host);
        if (c.expected == 0xFFFFFFFF) {
            EXPECT_NE(verdict, 0u) << c.what;
        } else {
            EXPECT_EQ(Hex(verdict), Hex(c.expected)) << c.what;
        }
    }
}

// Revocation is soft-failed as browsers do: not knowing is accepted, revoked is refused.
TEST(ServerChainCheck, RevocationRefusesOnlyWhatIsRevoked) {
    struct Case {
        const char* what;
        DWORD status;
        RevocationState state;
    } cases[] = {
        {"checked and good", 0, RevocationState::Checked},
        {"no revocation source", CERT_TRUST_REVOCATION_STATUS_UNKNOWN, RevocationState::Unknown},
        {"source offline", CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION,
         RevocationState::Unknown},
        {"revoked", CERT_TRUST_IS_REVOKED, RevocationState::Revoked},
        {"revoked, an intermediate's source offline",
         CERT_TRUST_IS_REVOKED | CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION,
         RevocationState::Revoked},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RevocationStateOf(c.status), c.state) << c.what;
    }
    // The test certificates name no revocation source: asked for, unknown, accepted; and
    // the unknown status hides no other fault.
    EXPECT_EQ(Hex(CheckServerChain({Der("server")}, L"localhost")), Hex(0));
    EXPECT_EQ(LastServerChainRevocation(), RevocationState::Unknown);
    EXPECT_EQ(Hex(CheckServerChain({Der("server")}, L"other.example")), Hex(static_cast<DWORD>(CERT_E_CN_NO_MATCH)));
}

// The prefix trusts the test CA through its machine ROOT store; without that entry the same
// server is refused, whether or not it sends the CA along. Windows would now try to fetch
// the root (it does so for roots of its own program); Wine does not, and has no such root.
TEST(ServerChainCheck, AMachineWithoutTheTestCaRefusesTheServer) {
    {
        TestCaRemoved gone;
        ASSERT_TRUE(gone.removed());
        FreshEngine machine;
        ASSERT_NE(machine.get(), nullptr);
        EXPECT_EQ(Hex(CheckServerChain({Der("server")}, L"localhost", machine.get())),
                  Hex(static_cast<DWORD>(CERT_E_CHAINING)));
        EXPECT_EQ(Hex(CheckServerChain({Der("server"), Der("ca")}, L"localhost", machine.get())),
                  Hex(static_cast<DWORD>(CERT_E_UNTRUSTEDROOT)));
    }
    FreshEngine machine;
    EXPECT_EQ(Hex(CheckServerChain({Der("server")}, L"localhost", machine.get())), Hex(0)) << "the CA is back";
}

}  // namespace
