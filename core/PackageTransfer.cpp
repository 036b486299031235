#include "core/PackageTransfer.h"

#include <vector>

#include "core/CurlHandle.h"
#include "core/DownloadSink.h"
#include "core/ProxyRoute.h"
#include "core/ResumeRecord.h"

namespace {

constexpr size_t kRehashChunk = 256 * 1024;

struct Attempt {
    const TransferRequest* request = nullptr;
    CURL* handle = nullptr;
    DownloadSink* sink = nullptr;
    std::string block;  // the head being received
    AnswerHead head;
    bool decided = false;
    bool refused = false;
    bool httpError = false;
    bool fileError = false;
    uint32_t writeError = 0;
    int64_t base = 0;                  // where the answer's first byte goes
    const int64_t* written = nullptr;  // body bytes in the file so far
    std::string validator;             // the answer's, once judged
    int64_t nextCheckpoint = 0;
};

bool Seek(HANDLE file, int64_t offset, bool truncate) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && (!truncate || ::SetEndOfFile(file));
}

// The held bytes' digest, read again through the handle that will append to them.
bool RehashHeld(HANDLE file, int64_t held, DownloadSink& sink) {
    if (!Seek(file, 0, false)) {
        return false;
    }
    std::vector<char> chunk(kRehashChunk);
    int64_t left = held;
    while (left > 0) {
        const DWORD want = static_cast<DWORD>(left < static_cast<int64_t>(chunk.size()) ? left : chunk.size());
        DWORD got = 0;
        if (!::ReadFile(file, chunk.data(), want, &got, nullptr) || got != want) {
            return false;
        }
        sink.AddHeld(chunk.data(), got);
        left -= got;
    }
    return true;
}

// Called once the head of the final answer is in; false stops the transfer.
bool Decide(Attempt& a) {
    a.head = ParseAnswerHead(a.block);
    if (a.head.status >= 400) {
        a.httpError = true;
        return false;
    }
    const TransferRequest& r = *a.request;
    switch (JudgeAnswer(a.head, r.held, r.validator)) {
        case RangeVerdict::Append:
            a.base = r.held;
            break;
        case RangeVerdict::StartOver:
            a.base = 0;
            a.sink->DropHeld();
            if (!Seek(r.file, 0, true)) {
                a.fileError = true;
                a.writeError = ::GetLastError();
                return false;
            }
            break;
        case RangeVerdict::Refuse:
            a.refused = true;
            return false;
    }
    a.decided = true;
    a.validator = StrongValidator(a.head);
    a.nextCheckpoint = a.base + r.checkpointBytes;
    return true;
}

size_t HeadSink(char* data, size_t size, size_t count, void* self) noexcept {
    try {
        Attempt& a = *static_cast<Attempt*>(self);
        const size_t bytes = size * count;
        const std::string line(data, bytes);
        if (line.compare(0, 5, "HTTP/") == 0) {
            a.block.clear();  // a new answer: a redirect's or an interim one's went before
        }
        if (a.block.size() + bytes > 64 * 1024) {
            return 0;
        }
        a.block += line;
        if (line == "\r\n" || line == "\n") {
            const int status = ParseAnswerHead(a.block).status;
            // Interim answers and redirects (followed by libcurl) are not the file's.
            if ((status >= 100 && status < 200) || (status >= 300 && status < 400)) {
                return bytes;
            }
            return Decide(a) ? bytes : 0;
        }
        return bytes;
    } catch (...) {
        return 0;
    }
}

size_t BodySink(char* data, size_t size, size_t count, void* self) noexcept {
    try {
        Attempt& a = *static_cast<Attempt*>(self);
        if (!a.decided) {
            return 0;  // a body without a head we judged (a redirect that was not followed)
        }
        const size_t taken = a.sink->Write(data, size * count);
        const TransferRequest& r = *a.request;
        const int64_t inFile = a.base + *a.written;
        if (taken == size * count && r.checkpoint && !a.validator.empty() && r.checkpointBytes > 0 &&
            inFile >= a.nextCheckpoint) {
            a.nextCheckpoint = inFile + r.checkpointBytes;
            r.checkpoint(inFile, a.validator);
        }
        return taken;
    } catch (...) {
        return 0;
    }
}

int ProgressSink(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) noexcept {
    try {
        Attempt& a = *static_cast<Attempt*>(self);
        const TransferRequest& r = *a.request;
        if (r.progress == nullptr) {
            return 0;
        }
        // Until the answer is judged the bar stays where the bytes held put it.
        int64_t total = r.knownTotal;
        int64_t received = r.held;
        if (a.decided) {
            total = dltotal > 0 ? a.base + dltotal : 0;
            received = a.base + dlnow;
        }
        curl_off_t speed = 0;
        if (curl_easy_getinfo(a.handle, CURLINFO_SPEED_DOWNLOAD_T, &speed) != CURLE_OK) {
            speed = 0;
        }
        return r.progress(r.owner, total, received, static_cast<double>(speed)) ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

TransferCause Classify(CURLcode rc, const Attempt& a, CURL* h) {
    // The proxy's own refusal of the tunnel: its 407 (after our logon was offered) or 403
    // will not change on a retry; its 502 or 503 (the server out of its reach) may.
    const long proxyStatus = ProxyStatus(h);
    if (rc != CURLE_OK && proxyStatus >= 400) {
        return proxyStatus >= 500 ? TransferCause::ServerBusy : TransferCause::HttpRefused;
    }
    if (a.httpError) {
        if (a.head.status == 429) {
            return TransferCause::TooManyRequests;
        }
        return a.head.status >= 500 ? TransferCause::ServerBusy : TransferCause::HttpRefused;
    }
    switch (rc) {
        case CURLE_OK:
            return TransferCause::None;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
            return TransferCause::ConnectionCut;
        case CURLE_OPERATION_TIMEDOUT: {
            curl_off_t connected = 0;
            const bool noConnection =
                curl_easy_getinfo(h, CURLINFO_CONNECT_TIME_T, &connected) == CURLE_OK && connected == 0;
            return noConnection ? TransferCause::ConnectTimeout : TransferCause::ConnectionCut;
        }
        case CURLE_SSL_CONNECT_ERROR:
            return TransferCause::HandshakeFailure;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
            return TransferCause::Certificate;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_TOO_MANY_REDIRECTS:
            return TransferCause::RedirectRefused;
        default:
            return TransferCause::Other;
    }
}

}  // namespace

TransferResult RunPackageTransfer(const TransferRequest& request) {
    TransferResult result;
    result.fileBytes = request.held;
    if (request.url.empty() || request.file == nullptr || request.file == INVALID_HANDLE_VALUE) {
        return result;
    }
    int64_t written = 0;
    HANDLE file = request.file;
    // Straight to the handle, so a failed write keeps the system's reason (a full disk).
    DownloadSink sink([file, &written](const char* data, size_t size) {
        while (size > 0) {
            DWORD done = 0;
            if (!::WriteFile(file, data, static_cast<DWORD>(size), &done, nullptr)) {
                const DWORD error = ::GetLastError();
                return error != 0 ? static_cast<int>(error) : -1;
            }
            if (done == 0) {
                return static_cast<int>(ERROR_WRITE_FAULT);
            }
            data += done;
            size -= done;
            written += done;
        }
        return 0;
    });
    TransferRequest effective = request;
    if (effective.held > 0 && (effective.validator.empty() || !RehashHeld(file, effective.held, sink))) {
        sink.DropHeld();
        effective.held = 0;
    }
    result.fileBytes = effective.held;
    if (!Seek(file, effective.held, true)) {
        result.writeError = ::GetLastError();
        std::string unused;
        static_cast<void>(sink.Finish(unused));
        return result;
    }

    UniqueCurl download(curl_easy_init());
    CURL* h = download.get();
    if (h == nullptr) {
        std::string unused;
        static_cast<void>(sink.Finish(unused));
        return result;
    }
    Attempt a;
    a.request = &effective;
    a.handle = h;
    a.sink = &sink;
    a.written = &written;
    HttpClient::PrepareDownload(h);
    curl_easy_setopt(h, CURLOPT_URL, effective.url.c_str());
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &HeadSink);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &a);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &BodySink);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &a);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &ProgressSink);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &a);
    UniqueCurlSlist headers;
    const std::string range = std::to_string(effective.held) + "-";
    if (effective.held > 0) {
        curl_easy_setopt(h, CURLOPT_RANGE, range.c_str());
        headers.reset(curl_slist_append(nullptr, ("If-Range: " + effective.validator).c_str()));
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    }

    const CURLcode rc = PerformRouted(h, effective.url);
    long status = 0;
    if (curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) {
        status = 0;
    }
    result.cause = Classify(rc, a, h);
    download.reset();
    std::string digest;
    const bool stored = sink.Finish(digest);
    result.status = static_cast<int>(status);
    result.retryAfterSeconds = a.head.retryAfterSeconds;
    result.refused = a.refused;
    result.abortedByProgress = rc == CURLE_ABORTED_BY_CALLBACK;
    result.error = curl_easy_strerror(rc);
    if (a.fileError || sink.WriteError() != 0) {
        result.writeError = a.fileError ? a.writeError : static_cast<uint32_t>(sink.WriteError());
        result.cause = TransferCause::Other;
    }
    if (a.decided) {
        result.startedOver = effective.held > 0 && a.base == 0;
        result.fileBytes = a.base + written;
        result.validator = StrongValidator(a.head);
        if (a.head.hasRange && a.head.rangeTotal >= 0) {
            result.total = a.head.rangeTotal;
        }
    }
    if (rc == CURLE_OK && a.decided && stored && result.writeError == 0 && (status == 200 || status == 206)) {
        result.complete = true;
        result.cause = TransferCause::None;
        result.md5Hex = digest;
    } else if (result.cause == TransferCause::None) {
        result.cause = TransferCause::Other;  // ended "well" without a file we judged
    }
    return result;
}
