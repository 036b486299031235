#include "system/ClientSignature.h"

#include <windows.h>

#include <bcrypt.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

#include "util/SystemDll.h"

namespace {

// wintrust is found at run time from System32: mingw's import libraries of wintrust and
// crypt32 both offer the CryptSIP* functions, which their delay-load forms cannot share.
struct WinTrustApi {
    decltype(&::WinVerifyTrust) verify = nullptr;
    decltype(&::WTHelperProvDataFromStateData) providerData = nullptr;
    decltype(&::WTHelperGetProvSignerFromChain) signer = nullptr;
    decltype(&::WTHelperGetProvCertFromChain) cert = nullptr;

    static const WinTrustApi& Get() {
        static const WinTrustApi api = Load();
        return api;
    }
    bool Complete() const { return verify && providerData && signer && cert; }

  private:
    template <typename F>
    static void Find(HMODULE module, const char* name, F& out) {
        out = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    }
    static WinTrustApi Load() {
        WinTrustApi api;
        // Kept for the process's life, like every delay-loaded DLL.
        if (HMODULE module = LoadSystemLibrary(L"wintrust.dll")) {
            Find(module, "WinVerifyTrust", api.verify);
            Find(module, "WTHelperProvDataFromStateData", api.providerData);
            Find(module, "WTHelperGetProvSignerFromChain", api.signer);
            Find(module, "WTHelperGetProvCertFromChain", api.cert);
        }
        return api;
    }
};

// One WinVerifyTrust session: its state data (which holds the signer's certificate) lives
// until the close call.
class TrustSession {
  public:
    TrustSession(const WinTrustApi& api, const std::wstring& path, DWORD revocation) : api_(api) {
        file_.cbStruct = sizeof file_;
        file_.pcwszFilePath = path.c_str();
        data_.cbStruct = sizeof data_;
        data_.dwUIChoice = WTD_UI_NONE;
        data_.fdwRevocationChecks = revocation;
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &file_;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        data_.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;
        status_ = api_.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    ~TrustSession() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        api_.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TrustSession(const TrustSession&) = delete;
    TrustSession& operator=(const TrustSession&) = delete;

    LONG Status() const { return status_; }

    PCCERT_CONTEXT Signer() const {
        CRYPT_PROVIDER_DATA* provider = api_.providerData(data_.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer = provider ? api_.signer(provider, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* cert = signer ? api_.cert(signer, 0) : nullptr;
        return cert ? cert->pCert : nullptr;
    }

  private:
    const WinTrustApi& api_;
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file_{};
    WINTRUST_DATA data_{};
    LONG status_ = 0;
};

bool IsRevocationUnknown(LONG status) {
    return status == CERT_E_REVOCATION_FAILURE || status == CRYPT_E_REVOCATION_OFFLINE ||
           status == CRYPT_E_NO_REVOCATION_CHECK;
}

std::wstring SubjectOf(PCCERT_CONTEXT cert) {
    CERT_NAME_BLOB* name = &cert->pCertInfo->Subject;
    const DWORD size = CertNameToStrW(X509_ASN_ENCODING, name, CERT_X500_NAME_STR, nullptr, 0);
    if (size <= 1) {
        return {};
    }
    std::wstring text(size, L'\0');
    CertNameToStrW(X509_ASN_ENCODING, name, CERT_X500_NAME_STR, text.data(), size);
    text.resize(size - 1);
    return text;
}

std::string Sha256Hex(const std::vector<BYTE>& bytes) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return {};
    }
    BYTE digest[32] = {};
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    ok = ok &&
         BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<BYTE*>(bytes.data()), static_cast<ULONG>(bytes.size()), 0));
    ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, sizeof digest, 0));
    if (hash) {
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok) {
        return {};
    }
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (BYTE b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    return hex;
}

std::string SpkiSha256Of(PCCERT_CONTEXT cert) {
    CERT_PUBLIC_KEY_INFO* info = &cert->pCertInfo->SubjectPublicKeyInfo;
    DWORD size = 0;
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, info, nullptr, &size) || size == 0) {
        return {};
    }
    std::vector<BYTE> der(size);
    if (!CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, info, der.data(), &size)) {
        return {};
    }
    der.resize(size);
    return Sha256Hex(der);
}

}  // namespace

ClientSignatureVerdict VerdictOfTrustStatus(long status) {
    switch (static_cast<HRESULT>(status)) {
        case ERROR_SUCCESS:
            return ClientSignatureVerdict::Trusted;
        case TRUST_E_NOSIGNATURE:
        case TRUST_E_SUBJECT_FORM_UNKNOWN:
            return ClientSignatureVerdict::Unsigned;
        case TRUST_E_BAD_DIGEST:
        case CRYPT_E_HASH_VALUE:
        case NTE_BAD_SIGNATURE:
            return ClientSignatureVerdict::ChangedAfterSigning;
        case static_cast<HRESULT>(ERROR_FILE_NOT_FOUND):
        case static_cast<HRESULT>(ERROR_PATH_NOT_FOUND):
        case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
        case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
            return ClientSignatureVerdict::Unreadable;
        default:
            // Untrusted root, broken chain, expired or revoked certificate, a signer that
            // may not sign code, an explicit distrust.
            return ClientSignatureVerdict::UntrustedSigner;
    }
}

ClientSignatureResult CheckClientSignature(const std::wstring& path, const ClientPublisher& publisher) {
    ClientSignatureResult result;
    const WinTrustApi& api = WinTrustApi::Get();
    if (!api.Complete()) {
        result.trustStatus = static_cast<long>(HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
        return result;
    }
    auto judge = [&](const TrustSession& session) {
        result.trustStatus = session.Status();
        result.verdict = VerdictOfTrustStatus(session.Status());
        if (result.verdict != ClientSignatureVerdict::Trusted) {
            return;
        }
        PCCERT_CONTEXT signer = session.Signer();
        if (!signer) {
            result.verdict = ClientSignatureVerdict::Unreadable;
            return;
        }
        result.signerSubject = SubjectOf(signer);
        result.signerSpkiSha256 = SpkiSha256Of(signer);
        if (result.signerSpkiSha256.empty()) {
            result.verdict = ClientSignatureVerdict::Unreadable;
        } else if (result.signerSpkiSha256 != publisher.spkiSha256 || result.signerSubject != publisher.subject) {
            result.verdict = ClientSignatureVerdict::OtherPublisher;
        }
    };
    {
        TrustSession session(api, path, WTD_REVOKE_WHOLECHAIN);
        if (!IsRevocationUnknown(session.Status())) {
            judge(session);
            return result;
        }
    }
    // Nobody could say whether a certificate was revoked: everything else is judged again
    // without the question.
    TrustSession session(api, path, WTD_REVOKE_NONE);
    judge(session);
    return result;
}
