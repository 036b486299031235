// Times one ExtractZipToDirectory of an archive and reports the peak working set, for the
// comparison with Info-ZIP unzip in run.sh.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

#include "zip/Unzip.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zip_extract_bench ARCHIVE DIRECTORY\n");
        return 2;
    }
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    bool ok = ExtractZipToDirectory(argv[1], argv[2], nullptr);
    ::QueryPerformanceCounter(&end);
    if (!ok) {
        std::fprintf(stderr, "extraction failed\n");
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
    double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("%.3f %.1f\n", seconds, static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
    return 0;
}
