#pragma once
// The installer's only way onto the network: one libcurl easy handle for API requests,
// plus reachability probes and file downloads on handles of their own. Synchronous; one
// object per operation, never shared between threads. Every transfer is HTTPS with the
// peer verified by the Windows chain engine and its host name checked, redirects included.
// An API answer (decoded) or its headers beyond 1 MiB fail the request.

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/CurlHandle.h"

enum class RequestKind : int {
    Default = 0,  // POST when post fields are set, else GET
    Get = 1,
    Patch = 3,
};

// Progress of a download: false aborts the transfer.
using DownloadProgressCallback = bool (*)(void* owner, int64_t total, int64_t received, double speed);

struct DownloadProgressContext {
    void* owner = nullptr;
    CURL* handle = nullptr;
    DownloadProgressCallback progress = nullptr;
};

class HttpClient {
  public:
    HttpClient() = default;
    ~HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Creates and configures the request handle (30-second limits). `cookieFile` may be null.
    [[nodiscard]] bool InitLibCurl(const char* cookieFile);
    bool SetTimeouts(long totalSeconds, long connectSeconds);
    // The form body of later requests; kept by this object, so the caller's copy may go.
    void SetPostFields(const std::string& body);
    // The HTTP status (0 when no response arrived). `text` gets the body, or the error text.
    // `extraHeaders` may be null; lines are split at CR, LF and ";".
    int Request(const std::string& url,
                RequestKind kind,
                std::string& text,
                const char* extraHeaders,
                const std::wstring& sinkPath);
    [[nodiscard]] int GetResponseCode();
    void Release();

    // True when `url` answers within `timeoutSeconds` with a final status below 400.
    [[nodiscard]] bool ProbeUrl(const std::string& url, long timeoutSeconds);
    // True when the body of `url` is stored in `destPath` with a final status of 200 to 399;
    // otherwise no file is left. When `md5Hex` is given it receives the digest of the bytes
    // written, computed while they arrive (empty unless the download succeeded).
    [[nodiscard]] bool DownloadToFile(void* owner,
                                      const std::string& url,
                                      const std::wstring& destPath,
                                      DownloadProgressCallback progress,
                                      std::string* md5Hex = nullptr);

    // The same into a file the caller holds open (with read and write access): its
    // content is replaced by the body. On failure the file may hold part of it; the
    // caller decides what becomes of it. `writeError`, when given, gets the system's code
    // of a write to the file that failed (0 when the failure was not the disk's).
    [[nodiscard]] bool DownloadToHandle(void* owner,
                                        const std::string& url,
                                        HANDLE file,
                                        DownloadProgressCallback progress,
                                        std::string* md5Hex = nullptr,
                                        uint32_t* writeError = nullptr);

    // Sets up `h` for a package transfer as the downloads above have it: https only with the
    // Windows chain check and read-ahead, the download's agent, buffer and time limits.
    // The caller adds the URL, the sinks and the progress.
    static void PrepareDownload(CURL* h);

    static bool CreateDirectoryChain(const std::wstring& path);

    // Ends every request and probe in progress at libcurl's next progress call, and fails
    // new ones at once: the installer is being closed, and a worker waiting on a server
    // must be able to leave. Downloads have a cancel of their own. False clears it (tests).
    static void AbortAllRequests(bool abort = true);
    // True once AbortAllRequests was called: waits between requests end early too.
    [[nodiscard]] static bool RequestsAborted();
    // Waits up to `milliseconds`, less when the requests are aborted; true when they are.
    static bool WaitForAbort(uint32_t milliseconds);

    [[nodiscard]] const std::string& ResponseHeaders() const { return responseHeaders_; }
    [[nodiscard]] const std::string& ResponseBody() const { return responseBody_; }
    [[nodiscard]] const std::string& LastError() const { return lastError_; }

  private:
    static size_t BodySink(char* data, size_t size, size_t count, void* self);
    static size_t HeaderSink(char* data, size_t size, size_t count, void* self);
    // False, and the answer marked too large, when `bytes` more would take `part` (the
    // body or the headers) past the answer limit.
    [[nodiscard]] bool FitsAnswer(const std::string& part, size_t bytes);
    [[nodiscard]] bool Perform(const std::string& url, RequestKind kind, const char* extraHeaders);

    std::string responseHeaders_;
    std::string responseBody_;
    UniqueCurl handle_;
    std::string lastError_;
    std::wstring sinkPath_;
    std::string postFields_;
    bool answerTooLarge_ = false;
};
