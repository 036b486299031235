#include "core/HttpClient.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include <openssl/ssl.h>

#include "core/DownloadSink.h"
#include "core/ProxyRoute.h"
#include "core/ServerChainCheck.h"
#include "util/FileUtil.h"

namespace {

std::atomic<bool> g_abortRequests{false};
std::mutex g_abortLock;
std::condition_variable g_abortSignal;

int AbortCheck(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
    return g_abortRequests.load() ? 1 : 0;
}

// Requests and probes read the process-wide stop at every progress call.
void WatchForAbort(CURL* h) {
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &AbortCheck);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, static_cast<void*>(nullptr));
}

}  // namespace

void HttpClient::AbortAllRequests(bool abort) {
    {
        std::lock_guard<std::mutex> hold(g_abortLock);
        g_abortRequests.store(abort);
    }
    g_abortSignal.notify_all();
}

bool HttpClient::WaitForAbort(uint32_t milliseconds) {
    std::unique_lock<std::mutex> hold(g_abortLock);
    return g_abortSignal.wait_for(hold, std::chrono::milliseconds(milliseconds), [] { return g_abortRequests.load(); });
}

bool HttpClient::RequestsAborted() {
    return g_abortRequests.load();
}

namespace {

constexpr char kNotInitialised[] = "InitLibCurl is not invoked";
constexpr char kDownloadUserAgent[] =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36";
// A large receive buffer has been seen to speed up loopback HTTPS under Wine about
// threefold on some set-ups; with the read-ahead below it made no difference either way in
// our benchmark, and it costs only memory for the one download.
constexpr long kDownloadBufferSize = 512 * 1024;
// With read-ahead OpenSSL takes up to this much from the socket in one read instead of
// reading each 16 KiB record in two (header, then body). Under Wine every socket read is a
// round trip to the server process, and those reads, not decryption, bound a loopback or
// LAN download. Our libcurl counts read-ahead bytes as pending (see
// scripts/patches/curl-openssl-has-pending.patch); without that the tail would stall.
constexpr int kDownloadReadAhead = 256 * 1024;
constexpr long kMaxRedirects = 10;
// An API answer is a few hundred bytes of JSON; anything near this is not one. Counted after
// content decoding, so a small compressed answer cannot unpack into gigabytes.
constexpr size_t kMaxAnswerBytes = 1024 * 1024;
// A download without a watch must still end: the connection (TLS included) within this...
constexpr long kDownloadConnectSeconds = 30;
// ...and the transfer once it has moved less than a byte a second for this long.
constexpr long kDownloadLowSpeedSeconds = 60;

CURLcode TrustLikeWindows(CURL*, void* sslContext, void*) {
    try {
        UseWindowsChainCheck(static_cast<SSL_CTX*>(sslContext));
        return CURLE_OK;
    } catch (...) {
        return CURLE_SSL_CERTPROBLEM;
    }
}

// Certificates are checked by the Windows chain engine and SSL policy (see
// ServerChainCheck.h), and the host name by libcurl as well, for the first request and for
// every redirect. OpenSSL's own store stays empty, so a connection that somehow missed the
// Windows check fails instead of passing. Nothing but https is spoken: a redirect to http
// fails the transfer.
void SecureTransport(CURL* h) {
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, &TrustLikeWindows);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_DEFAULT_PROTOCOL, "https");
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
}

std::string TrimSpaces(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "Host: " + the authority of the URL (port kept); empty when the URL has no "://".
std::string HostLine(const std::string& url) {
    const std::string trimmed = TrimSpaces(url);
    const size_t scheme = trimmed.find("://");
    if (scheme == std::string::npos) {
        return std::string();
    }
    const size_t start = scheme + 3;
    const size_t end = trimmed.find('/', start);
    return "Host: " + trimmed.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void AppendLine(UniqueCurlSlist& list, const std::string& line) {
    curl_slist* head = curl_slist_append(list.get(), line.c_str());
    if (head != nullptr) {
        static_cast<void>(list.release());
        list.reset(head);
    }
}

// CR, LF and ";" each end a line; pieces shorter than two characters are dropped.
void AppendExtraLines(UniqueCurlSlist& list, const char* block) {
    if (block == nullptr) {
        return;
    }
    std::string piece;
    for (const char* p = block;; ++p) {
        if (*p == '\0' || *p == '\r' || *p == '\n' || *p == ';') {
            if (piece.size() >= 2) {
                AppendLine(list, piece);
            }
            piece.clear();
            if (*p == '\0') {
                return;
            }
        } else {
            piece += *p;
        }
    }
}

void DeleteIfPresent(const std::wstring& path) {
    if (!path.empty()) {
        ::DeleteFileW(path.c_str());
    }
}

void CreateParentOf(const std::wstring& path) {
    const std::wstring parent = GetParentPart(path);
    if (!parent.empty()) {
        static_cast<void>(HttpClient::CreateDirectoryChain(parent));
    }
}

// Every libcurl callback below catches everything: an exception must not unwind through C.
size_t WriteToFile(char* data, size_t size, size_t count, void* userdata) {
    try {
        // A short count (after a failed disk write) makes libcurl fail the transfer.
        return static_cast<DownloadSink*>(userdata)->Write(data, size * count);
    } catch (...) {
        return 0;
    }
}

CURLcode EnableReadAhead(CURL* h, void* sslContext, void* data) {
    const CURLcode trust = TrustLikeWindows(h, sslContext, data);
    if (trust != CURLE_OK) {
        return trust;
    }
    SSL_CTX* context = static_cast<SSL_CTX*>(sslContext);
    SSL_CTX_set_read_ahead(context, 1);
    SSL_CTX_set_default_read_buffer_len(context, kDownloadReadAhead);
    return CURLE_OK;
}

int ProgressRelay(void* clientp, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
    try {
        auto* context = static_cast<DownloadProgressContext*>(clientp);
        curl_off_t speed = 0;
        if (curl_easy_getinfo(context->handle, CURLINFO_SPEED_DOWNLOAD_T, &speed) != CURLE_OK) {
            speed = 0;
        }
        return context->progress(context->owner, dltotal, dlnow, static_cast<double>(speed)) ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

// A probe wants only the status: the body is kept up to the answer limit and the rest
// dropped, so a large page neither fails the probe nor fills the memory.
size_t ProbeSink(char* data, size_t size, size_t count, void* self) {
    try {
        std::string& body = *static_cast<std::string*>(self);
        const size_t bytes = size * count;
        if (body.size() < kMaxAnswerBytes) {
            body.append(data, std::min(bytes, kMaxAnswerBytes - body.size()));
        }
        return bytes;
    } catch (...) {
        return 0;
    }
}

}  // namespace

bool HttpClient::InitLibCurl(const char* cookieFile) {
    lastError_.clear();
    handle_.reset(curl_easy_init());
    CURL* h = handle_.get();
    if (h == nullptr) {
        return false;
    }
    SecureTransport(h);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &HttpClient::BodySink);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &HttpClient::HeaderSink);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    if (cookieFile != nullptr && *cookieFile != '\0') {
        curl_easy_setopt(h, CURLOPT_COOKIEFILE, cookieFile);
        curl_easy_setopt(h, CURLOPT_COOKIEJAR, cookieFile);
    }
    SetTimeouts(30, 30);
    return true;
}

bool HttpClient::SetTimeouts(long totalSeconds, long connectSeconds) {
    if (CURL* h = handle_.get()) {
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_TIMEOUT, totalSeconds);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, connectSeconds);
    }
    return true;
}

void HttpClient::SetPostFields(const std::string& body) {
    CURL* h = handle_.get();
    if (h == nullptr || body.empty()) {
        return;
    }
    postFields_ = body;
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, postFields_.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(postFields_.size()));
}

int HttpClient::Request(const std::string& url,
                        RequestKind kind,
                        std::string& text,
                        const char* extraHeaders,
                        const std::wstring& sinkPath) {
    sinkPath_ = sinkPath;
    DeleteIfPresent(sinkPath_);
    if (url.empty()) {
        return 0;
    }
    CreateParentOf(sinkPath_);
    // Only https is spoken, so a URL without a scheme gets that one.
    const bool hasScheme = url.find("http://") != std::string::npos || url.find("https://") != std::string::npos;
    const std::string effective = hasScheme ? url : "https://" + url;
    const bool ok = Perform(effective, kind, extraHeaders);
    const int status = GetResponseCode();
    if (ok) {
        text = responseBody_;
    } else {
        text = handle_ ? lastError_ : std::string(kNotInitialised);
    }
    return status;
}

bool HttpClient::Perform(const std::string& url, RequestKind kind, const char* extraHeaders) {
    responseHeaders_.clear();
    responseBody_.clear();
    CURL* h = handle_.get();
    if (h == nullptr) {
        return false;
    }
    UniqueCurlSlist headers;
    AppendLine(headers, "Accept: */*");
    AppendLine(headers, "Accept-Language: zh-CN");
    AppendLine(headers, "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)");
    AppendLine(headers, "Accept-Encoding: gzip, deflate");
    const std::string host = HostLine(url);
    if (!host.empty()) {
        AppendLine(headers, host);
    }
    AppendLine(headers, "Connection: Keep-Alive");
    if (kind == RequestKind::Patch) {
        AppendLine(headers, "X-HTTP-Method-Override: PATCH");
    }
    AppendExtraLines(headers, extraHeaders);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "gzip");

    // A custom method would otherwise outlive the request that set it.
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, static_cast<const char*>(nullptr));
    if (kind == RequestKind::Get) {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    } else if (kind == RequestKind::Patch) {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "PATCH");
    }
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    answerTooLarge_ = false;
    if (g_abortRequests.load()) {
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
        lastError_ = curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK);
        return false;
    }
    WatchForAbort(h);
    const CURLcode rc = PerformRouted(h, url);
    // The list dies with this call; the handle must not keep pointing at it.
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    if (rc != CURLE_OK) {
        lastError_ = answerTooLarge_ ? std::string("Answer larger than ") + std::to_string(kMaxAnswerBytes) + " bytes"
                                     : curl_easy_strerror(rc);
        return false;
    }
    return true;
}

int HttpClient::GetResponseCode() {
    long code = 0;
    if (!handle_ || curl_easy_getinfo(handle_.get(), CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) {
        return 0;
    }
    return static_cast<int>(code);
}

void HttpClient::Release() {
    handle_.reset();
}

bool HttpClient::FitsAnswer(const std::string& part, size_t bytes) {
    if (bytes > kMaxAnswerBytes - part.size()) {
        answerTooLarge_ = true;
        return false;
    }
    return true;
}

size_t HttpClient::BodySink(char* data, size_t size, size_t count, void* self) {
    try {
        auto* client = static_cast<HttpClient*>(self);
        const size_t bytes = size * count;
        // What libcurl hands over is already decoded; a short count fails the transfer.
        if (!client->FitsAnswer(client->responseBody_, bytes)) {
            return 0;
        }
        if (!client->sinkPath_.empty()) {
            UniqueFile sink(_wfopen(client->sinkPath_.c_str(), L"ab+"));
            if (sink) {
                static_cast<void>(std::fwrite(data, 1, bytes, sink.get()));
            }
        }
        client->responseBody_.append(data, bytes);
        return bytes;
    } catch (...) {
        return 0;
    }
}

size_t HttpClient::HeaderSink(char* data, size_t size, size_t count, void* self) {
    try {
        auto* client = static_cast<HttpClient*>(self);
        const size_t bytes = size * count;
        if (!client->FitsAnswer(client->responseHeaders_, bytes)) {
            return 0;
        }
        client->responseHeaders_.append(data, bytes);
        return bytes;
    } catch (...) {
        return 0;
    }
}

bool HttpClient::ProbeUrl(const std::string& url, long timeoutSeconds) {
    if (url.empty()) {
        return false;
    }
    UniqueCurl probe(curl_easy_init());
    CURL* h = probe.get();
    if (h == nullptr) {
        return false;
    }
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeoutSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, timeoutSeconds);
    SecureTransport(h);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &ProbeSink);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &responseBody_);
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    if (g_abortRequests.load()) {
        return false;
    }
    WatchForAbort(h);
    if (PerformRouted(h, url) != CURLE_OK) {
        return false;
    }
    long code = 0;
    return curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code) == CURLE_OK && code < 400;
}

namespace {

// Runs one download into `file`, which stays the caller's. True when every byte reached
// the file and the final status was 200 to 399; `md5Hex` then gets their digest.
bool Transfer(void* owner,
              const std::string& url,
              DownloadSink& sink,
              DownloadProgressCallback progress,
              std::string* md5Hex) {
    UniqueCurl download(curl_easy_init());
    CURL* h = download.get();
    if (h == nullptr) {
        return false;
    }
    DownloadProgressContext context{owner, h, progress};
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    HttpClient::PrepareDownload(h);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteToFile);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    if (progress != nullptr) {
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &ProgressRelay);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &context);
        curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    }

    const CURLcode rc = PerformRouted(h, url);
    long status = 0;
    if (curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) {
        status = 0;
    }
    download.reset();
    std::string digest;
    const bool stored = sink.Finish(digest);
    if (rc != CURLE_OK || status < 200 || status > 399 || !stored) {
        return false;
    }
    *md5Hex = digest;
    return true;
}

}  // namespace

void HttpClient::PrepareDownload(CURL* h) {
    SecureTransport(h);
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kDownloadUserAgent);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kDownloadBufferSize);
    curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, &EnableReadAhead);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kDownloadConnectSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kDownloadLowSpeedSeconds);
}

bool HttpClient::DownloadToFile(void* owner,
                                const std::string& url,
                                const std::wstring& destPath,
                                DownloadProgressCallback progress,
                                std::string* md5Hex) {
    if (md5Hex != nullptr) {
        md5Hex->clear();
    }
    DeleteIfPresent(destPath);
    if (url.empty() || destPath.empty()) {
        return false;
    }
    CreateParentOf(destPath);
    // "wb", not append: should the delete above have failed, old bytes must not stay in front.
    UniqueFile file(_wfopen(destPath.c_str(), L"wb"));
    if (!file) {
        return false;
    }
    std::string digest;
    DownloadSink sink(file.get());
    const bool complete = Transfer(owner, url, sink, progress, &digest);
    // A failed flush at close means the file is short of what was digested.
    const bool closed = std::fclose(file.release()) == 0;
    if (!complete || !closed) {
        DeleteIfPresent(destPath);
        return false;
    }
    if (md5Hex != nullptr) {
        *md5Hex = digest;
    }
    return true;
}

bool HttpClient::DownloadToHandle(void* owner,
                                  const std::string& url,
                                  HANDLE file,
                                  DownloadProgressCallback progress,
                                  std::string* md5Hex,
                                  uint32_t* writeError) {
    if (md5Hex != nullptr) {
        md5Hex->clear();
    }
    if (writeError != nullptr) {
        *writeError = 0;
    }
    if (url.empty() || file == nullptr || file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)) {
        if (writeError != nullptr) {
            *writeError = ::GetLastError();
        }
        return false;
    }
    // Straight to the handle, so a failed write keeps the system's reason (a full disk).
    DownloadSink sink([file](const char* data, size_t size) {
        while (size > 0) {
            DWORD written = 0;
            if (!::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr)) {
                const DWORD error = ::GetLastError();
                return error != 0 ? static_cast<int>(error) : -1;
            }
            if (written == 0) {
                return static_cast<int>(ERROR_WRITE_FAULT);
            }
            data += written;
            size -= written;
        }
        return 0;
    });
    std::string digest;
    const bool complete = Transfer(owner, url, sink, progress, &digest);
    if (writeError != nullptr) {
        *writeError = static_cast<uint32_t>(sink.WriteError());
    }
    if (!complete) {
        return false;
    }
    if (md5Hex != nullptr) {
        *md5Hex = digest;
    }
    return true;
}

bool HttpClient::CreateDirectoryChain(const std::wstring& path) {
    return CreateDirectoryRecursive(path);
}
