// Watches the installer's window (or another, by its class) from another process, the way the system sees it: every
// ~20 ms it sends the window WM_NULL with SendMessageTimeout and times the answer, and it
// reads the installer process's peak working set. It ends when the stop file appears or
// the installer exits, then prints
//   pid PID
//   peak BYTES            (PeakWorkingSetSize at the last reading)
//   start BYTES           (WorkingSetSize at the first reading)
//   self BYTES            (the probe's own PeakWorkingSetSize: what a small Wine process takes)
//   sample T LATENCY_MS OK  (T in seconds since 1970, the host's clock)
// Usage: ui_probe STOP_FILE [PERIOD_MS [WINDOW_CLASS]]   (the class: CMainWnd, the installer's)
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "util/UniqueHandle.h"

namespace {

constexpr wchar_t kWindowClass[] = L"CMainWnd";
constexpr DWORD kWindowWaitMs = 120000;
constexpr UINT kAnswerTimeoutMs = 2000;

struct Sample {
    double at;
    double latencyMs;
    bool answered;
};

double WallSeconds() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER ticks{};
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    // 100 ns ticks since 1601 to seconds since 1970.
    return static_cast<double>(ticks.QuadPart - 116444736000000000ULL) / 1e7;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

HWND WaitForWindow(const wchar_t* windowClass) {
    const ULONGLONG end = ::GetTickCount64() + kWindowWaitMs;
    while (::GetTickCount64() < end) {
        HWND window = ::FindWindowW(windowClass, nullptr);
        if (window != nullptr) {
            return window;
        }
        ::Sleep(10);
    }
    return nullptr;
}

bool FileExists(const wchar_t* path) {
    return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_probe STOP_FILE [PERIOD_MS [WINDOW_CLASS]]\n");
        return 2;
    }
    const wchar_t* stopFile = argv[1];
    const DWORD period = argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 20;
    const wchar_t* windowClass = argc > 3 ? argv[3] : kWindowClass;
    HWND window = WaitForWindow(windowClass);
    if (window == nullptr) {
        std::fprintf(stderr, "ui_probe: no %ls window\n", windowClass);
        return 1;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid));
    if (!process) {
        std::fprintf(stderr, "ui_probe: cannot open process %lu (%lu)\n", pid, ::GetLastError());
        return 1;
    }
    // Ready: the driver clicks only once this line is out.
    std::printf("pid %lu\n", pid);
    std::fflush(stdout);
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    std::vector<Sample> samples;
    samples.reserve(1 << 14);
    SIZE_T peak = 0;
    SIZE_T firstWorkingSet = 0;
    while (!FileExists(stopFile) && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
        LARGE_INTEGER sent{}, answered{};
        const double at = WallSeconds();
        ::QueryPerformanceCounter(&sent);
        DWORD_PTR result = 0;
        const LRESULT ok = ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result);
        ::QueryPerformanceCounter(&answered);
        samples.push_back(Sample{at, Milliseconds(sent, answered, frequency), ok != 0});
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        if (::GetProcessMemoryInfo(process.get(), &counters, sizeof(counters)) && counters.PeakWorkingSetSize > peak) {
            peak = counters.PeakWorkingSetSize;
            if (firstWorkingSet == 0) {
                firstWorkingSet = counters.WorkingSetSize;
            }
        }
        LARGE_INTEGER done{};
        ::QueryPerformanceCounter(&done);
        const double spent = Milliseconds(sent, done, frequency);
        if (spent < period) {
            ::Sleep(period - static_cast<DWORD>(spent));
        }
    }
    PROCESS_MEMORY_COUNTERS own{};
    own.cb = sizeof(own);
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &own, sizeof(own))) {
        own.PeakWorkingSetSize = 0;
    }
    std::printf("peak %lu\nstart %lu\nself %lu\n", static_cast<unsigned long>(peak),
                static_cast<unsigned long>(firstWorkingSet), static_cast<unsigned long>(own.PeakWorkingSetSize));
    for (const Sample& sample : samples) {
        std::printf("sample %.4f %.3f %d\n", sample.at, sample.latencyMs, sample.answered ? 1 : 0);
    }
    return 0;
}
