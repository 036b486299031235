#include "engine/ClientPublisherCheck.h"

#include "ClientPublisherConfig.h"
#include "util/WriteLogFile.h"

namespace {

constexpr wchar_t kLogSource[] = L".\\ClientPublisherCheck";

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace

ClientPublisher ConfiguredClientPublisher() {
    return ClientPublisher{VARLO_CLIENT_PUBLISHER_SUBJECT, VARLO_CLIENT_PUBLISHER_SPKI_SHA256};
}

bool ClientPublisherAccepted(const std::wstring& clientPath) {
    const ClientPublisher publisher = ConfiguredClientPublisher();
    if (publisher.spkiSha256.empty()) {
        return true;
    }
    const ClientSignatureResult result = CheckClientSignature(clientPath, publisher);
    const unsigned long status = static_cast<unsigned long>(result.trustStatus);
    switch (result.verdict) {
        case ClientSignatureVerdict::Trusted:
            g_logFile.WriteLog(kLogSource, __LINE__, L"客户端程序的签名有效，发布者：%s", result.signerSubject.c_str());
            return true;
        case ClientSignatureVerdict::Unsigned:
            g_logFile.WriteLog(kLogSource, __LINE__, L"客户端程序没有数字签名：%s（0x%08lX）", clientPath.c_str(),
                               status);
            break;
        case ClientSignatureVerdict::ChangedAfterSigning:
            g_logFile.WriteLog(kLogSource, __LINE__, L"客户端程序在签名后被改动：%s（0x%08lX）", clientPath.c_str(),
                               status);
            break;
        case ClientSignatureVerdict::UntrustedSigner:
            g_logFile.WriteLog(kLogSource, __LINE__, L"客户端程序的签名证书不受信任：%s（0x%08lX）", clientPath.c_str(),
                               status);
            break;
        case ClientSignatureVerdict::OtherPublisher:
            g_logFile.WriteLog(kLogSource, __LINE__, L"客户端程序由其他发布者签名：%s，公钥 SHA-256 %s（应为 %s）",
                               result.signerSubject.c_str(), Widen(result.signerSpkiSha256).c_str(),
                               publisher.subject.c_str());
            break;
        case ClientSignatureVerdict::Unreadable:
            g_logFile.WriteLog(kLogSource, __LINE__, L"无法读取客户端程序的签名：%s（0x%08lX）", clientPath.c_str(),
                               status);
            break;
    }
    return false;
}
