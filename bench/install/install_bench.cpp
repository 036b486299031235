// Runs the install worker's package path (server choice, package query, download with
// its digest, the check of the held file, extraction) against the vendor simulator, and
// prints the time to the end of the extraction, the peak working set and the time of each
// phase, for the comparison with curl.exe, md5sum and unzip in run.sh.
#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "engine/InstallEngine.h"
#include "engine/InstallServices.h"
#include "util/WriteLogFile.h"

namespace {

using Clock = std::chrono::steady_clock;

// The window without a window: no timers, no one-second pause per stage, no options.
class BenchHost : public IInstallHost, public IDownloadWatch {
  public:
    void OnStage(InstallStage stage) override {
        if (stage == InstallStage::QueryingPackage) {
            serverChosen = Clock::now();
        } else if (stage == InstallStage::Extracting) {
            verified = Clock::now();
        } else if (stage == InstallStage::Integrating) {
            extracted = Clock::now();
        }
    }
    void OnEnd(const InstallResult&) override {}
    void StartDownloadWatch() override { transferStart = Clock::now(); }
    void StopDownloadWatch() override { transferEnd = Clock::now(); }

    Clock::time_point serverChosen{}, transferStart{}, transferEnd{}, verified{}, extracted{};
};

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (const wchar_t* p = text; *p; ++p) {
        out += static_cast<char>(*p);
    }
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: install_bench API_BASE TARGET_DIR WORK_DIR\n");
        return 2;
    }
    std::wstring workDir = argv[3];
    if (workDir.back() != L'\\') {
        workDir += L'\\';
    }
    g_logFile.SetLogFile(workDir + L"VarloSetup.log", 1024);
    InstallServices services(workDir);
    services.Prepare();
    const std::string base = Narrow(argv[1]);
    ServerEndpoints endpoints;
    endpoints.primary = endpoints.secondary = endpoints.fallbackA = endpoints.fallbackB = endpoints.probeSite = base;
    services.Control().SetEndpoints(endpoints);

    BenchHost host;
    InstallJob job;
    job.targetDir = argv[2];
    job.logDir = workDir;
    const Clock::time_point start = Clock::now();
    services.Control().SetDownloadWatch(&host);
    InstallEngine engine(services, host);
    const InstallOutcome outcome = engine.Start(job) ? engine.Wait().outcome : InstallOutcome::Interrupted;
    if (host.extracted == Clock::time_point{}) {
        std::fprintf(stderr, "the package was not extracted\n");
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    const auto seconds = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double>(to - from).count();
    };
    // Total, peak, outcome; then the phases: server choice, package query, transfer,
    // check of the held package, extraction.
    std::printf("%.3f %.1f %s %.3f %.3f %.3f %.3f %.3f\n", seconds(start, host.extracted),
                static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0),
                outcome == InstallOutcome::Installed ? "installed" : "not-installed", seconds(start, host.serverChosen),
                seconds(host.serverChosen, host.transferStart), seconds(host.transferStart, host.transferEnd),
                seconds(host.transferEnd, host.verified), seconds(host.verified, host.extracted));
    return 0;
}
