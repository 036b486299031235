#pragma once
// The client runs elevated right after the install and at every logon. The package's MD5
// comes from the same server as the package, so it proves nothing about who made the
// client: its Authenticode signature, by the vendor's own certificate, does.

#include <string>

// Who must have signed the client: the subject as CertNameToStr renders it in its X.500
// form, the parts in the certificate's order ("C=CN, O=..., CN=..."), and
// the SHA-256 of the certificate's SubjectPublicKeyInfo (lower-case hex). The key is the
// pin; the subject only makes a mismatch readable.
struct ClientPublisher {
    std::wstring subject;
    std::string spkiSha256;
};

enum class ClientSignatureVerdict {
    Trusted,              // signed by the publisher, the signature and chain valid
    Unsigned,             // no signature at all
    ChangedAfterSigning,  // a signature whose digest no longer matches the file
    UntrustedSigner,      // signed, but the chain does not lead to a trusted root (or was revoked)
    OtherPublisher,       // a valid signature by someone else
    Unreadable,           // the file or the signer's certificate could not be read
};

struct ClientSignatureResult {
    ClientSignatureVerdict verdict = ClientSignatureVerdict::Unreadable;
    long trustStatus = 0;  // what WinVerifyTrust said
    std::wstring signerSubject;
    std::string signerSpkiSha256;
};

// WinVerifyTrust without UI; revocation is asked, and only a revoked certificate fails: an
// answer nobody could give (offline, no revocation server) passes, as for the TLS servers.
[[nodiscard]] ClientSignatureResult CheckClientSignature(const std::wstring& path, const ClientPublisher& publisher);

// The verdict a WinVerifyTrust status means before the signer is compared.
[[nodiscard]] ClientSignatureVerdict VerdictOfTrustStatus(long status);
