#include "core/NetManager.h"

#include <windows.h>

#include <cstdio>
#include <ctime>

#include "core/ApiEnvelope.h"
#include "core/DataManager.h"
#include "core/HttpClient.h"
#include "core/SignedForm.h"
#include "util/FileUtil.h"
#include "util/TextConv.h"
#include "util/WriteLogFile.h"

namespace {

constexpr wchar_t kLogSource[] = L"..\\core\\NetManager";
constexpr wchar_t kFailureMessage[] = L"网络获取信息错误或解析失败,请稍后重试";

bool IsUsableAnswer(int status, const std::string& text) {
    return status >= 200 && status <= 300 && !text.empty();
}

}  // namespace

void NetManager::Init(const std::wstring& logDir) {
    if (initialised_) {
        return;
    }
    initialised_ = true;
    static_cast<void>(curl_global_init(CURL_GLOBAL_ALL));
    if (!CreateDirectoryRecursive(logDir + L"cache")) {
        g_logFile.WriteLogText(kLogSource, __LINE__, L"缓存目录创建失败");
    }
}

bool NetManager::ProbeServer(const std::string& url) {
    HttpClient client;
    return client.ProbeUrl(url, probeSeconds_.load());
}

void NetManager::SetProbeSeconds(long seconds) {
    probeSeconds_ = seconds > 0 ? seconds : kProbeSeconds;
}

long NetManager::GetProbeSeconds() const {
    return probeSeconds_.load();
}

std::string NetManager::MakeTimestamp() {
    char text[32];
    std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(std::time(nullptr)));
    return text;
}

void NetManager::SetSleepFunction(SleepFunction sleep) {
    sleep_ = sleep;
}

bool NetManager::PauseUnlessAborted(uint32_t milliseconds) {
    if (sleep_ != nullptr) {
        sleep_(milliseconds);
    } else {
        static_cast<void>(HttpClient::WaitForAbort(milliseconds));
    }
    return !HttpClient::RequestsAborted();
}

bool NetManager::SignedRequest(const ApiHosts& hosts,
                               const std::string& path,
                               const std::map<std::string, std::string>& params,
                               std::string& data,
                               std::wstring& message,
                               int& code,
                               int requestId) {
    code = -1;
    const SignedForm form = BuildSignedForm(params, kSignKey);
    if (HttpClient::RequestsAborted()) {
        g_logFile.WriteLogText(kLogSource, __LINE__, L"请求已取消");
        return false;
    }
    const std::string headers = identity_.BuildHeaders(hosts.index);

    std::string text;
    {
        HttpClient client;
        static_cast<void>(client.InitLibCurl(nullptr));
        client.SetPostFields(form.body);
        int status = client.Request(hosts.primary + path, RequestKind::Default, text, headers.c_str(), std::wstring());
        if (!IsUsableAnswer(status, text)) {
            if (!PauseUnlessAborted(kRetryPauseMs)) {
                g_logFile.WriteLogText(kLogSource, __LINE__, L"请求已取消");
                return false;
            }
            g_logFile.WriteLogText(kLogSource, __LINE__, Utf8ToWideForReading(text));
            client.SetPostFields(form.body);
            status = client.Request(hosts.fallback + path, RequestKind::Default, text, headers.c_str(), std::wstring());
        }
        client.Release();
    }

    const EnvelopeResult envelope = ParseEnvelope(text, kSignKey);
    switch (envelope.outcome) {
        case EnvelopeOutcome::Success:
            code = envelope.code;
            data = envelope.data;
            return true;
        case EnvelopeOutcome::Refused:
            code = envelope.code;
            // Shown and logged as the server sent it; a bad byte shows as U+FFFD.
            message = Utf8ToWideForReading(envelope.message);
            g_logFile.WriteLog(kLogSource, __LINE__, L"%d,%s,%d", code, message.c_str(), requestId);
            return false;
        case EnvelopeOutcome::Malformed:
            code = envelope.code;
            g_logFile.WriteLog(kLogSource, __LINE__, L"信息异常,%d", requestId);
            break;
        case EnvelopeOutcome::NotJson:
            break;
    }
    message = kFailureMessage;
    g_logFile.WriteLog(kLogSource, __LINE__, L"网络获取信息异常或解析失败%s,%d", Utf8ToWideForReading(text).c_str(),
                       requestId);
    return false;
}
