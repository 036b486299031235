// Downloads one URL with HttpClient::DownloadToFile the way the installer does (progress
// record updated by the relay, MD5 computed while the bytes arrive, after a first call to
// the same server) and prints "<bytes> <seconds> <md5>" for the comparison with curl's tool.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "core/DownloadProgress.h"
#include "core/HttpClient.h"

namespace {

bool Relay(void* owner, int64_t total, int64_t received, double) {
    return static_cast<DownloadProgress*>(owner)->OnProgress(total, received, ::GetTickCount());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: download_bench URL DEST\n");
        return 2;
    }
    std::string url;
    for (const wchar_t* p = argv[1]; *p; ++p) {
        url += static_cast<char>(*p);
    }
    curl_global_init(CURL_GLOBAL_ALL);
    // The installer has probed and called the API before it downloads, so the root
    // store is loaded by then; under Wine its first load costs a good part of a second.
    static_cast<void>(HttpClient().ProbeUrl(url.substr(0, url.find('/', url.find("://") + 3)) + "/", 10));
    DownloadProgress progress;
    std::string md5;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = HttpClient().DownloadToFile(&progress, url, argv[2], &Relay, &md5);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr, "download failed\n");
        return 1;
    }
    std::printf("%lld %.3f %s\n", static_cast<long long>(progress.ReceivedBytes()), seconds, md5.c_str());
    return 0;
}
