#include "NetTestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "util/UniqueHandle.h"
#include "util/WriteLogFile.h"

std::vector<uint32_t> FakePauses::taken;

void FakePauses::Sleep(uint32_t ms) {
    taken.push_back(ms);
}

std::string ReadWholeFile(const std::wstring& path) {
    UniqueFile file(_wfopen(path.c_str(), L"rb"));
    std::string out;
    if (!file) {
        return out;
    }
    char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) {
        out.append(buffer, got);
    }
    return out;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    UniqueFile file(_wfopen(path.c_str(), L"wb"));
    return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

bool PathExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const std::wstring& TestLogPath() {
    static const std::wstring path = [] {
        // Left in place: the log stays open until the process ends.
        static const TempDir* const folder = new TempDir(L"varlo-core-log");
        const std::wstring p = folder->path() + L"\\VarloSetup.log";
        g_logFile.SetLogFile(p, 1024);
        return p;
    }();
    return path;
}

LogCapture::LogCapture() : watch_(TestLogPath()) {}

int LogCapture::Count(const std::wstring& source, const std::wstring& message) const {
    int n = 0;
    for (const LogLine& line : NewLines()) {
        if (line.source == source && line.message == message) {
            ++n;
        }
    }
    return n;
}

std::wstring LogCapture::Messages() const {
    std::wstring all;
    for (const LogLine& line : NewLines()) {
        all += L"[" + line.source + L" " + std::to_wstring(line.line) + L"]" + line.message + L"\n";
    }
    return all;
}

namespace {

// Every test of the executable logs into its own scratch log from the start.
class LogEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { static_cast<void>(TestLogPath()); }
};

::testing::Environment* const g_logEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

}  // namespace
