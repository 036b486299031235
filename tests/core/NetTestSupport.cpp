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

std::wstring MakeScratchDir(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring dir =
        std::wstring(temp) + L"varlo-core-" + name + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    RemoveTree(dir);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void RemoveTree(const std::wstring& dir) {
    std::wstring base = dir;
    if (!base.empty() && base.back() != L'\\') {
        base += L'\\';
    }
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(::FindFirstFileW((base + L"*").c_str(), &found));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(base + name);
            } else {
                ::DeleteFileW((base + name).c_str());
            }
        } while (::FindNextFileW(search.get(), &found));
    }
    search.reset();
    ::RemoveDirectoryW(base.c_str());
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
        const std::wstring p = MakeScratchDir(L"log") + L"VarloSetup.log";
        g_logFile.SetLogFile(p, 1024);
        return p;
    }();
    return path;
}

namespace {

std::wstring ReadLogText() {
    const std::string bytes = ReadWholeFile(TestLogPath());
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text +=
            static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return text;
}

// "[2024-03-09 14:03:07][..\core\NetManager 57]message" -> source and message.
bool SplitLine(const std::wstring& line, std::wstring& source, std::wstring& message) {
    if (line.size() < 23 || line[0] != L'[' || line[21] != L'[') {
        return false;
    }
    const size_t close = line.find(L']', 22);
    if (close == std::wstring::npos) {
        return false;
    }
    const std::wstring tag = line.substr(22, close - 22);
    source = tag.substr(0, tag.rfind(L' '));
    message = line.substr(close + 1);
    return true;
}

}  // namespace

LogCapture::LogCapture() : start_(ReadLogText().size()) {}

LogCapture LogCapture::WholeLog() {
    LogCapture all;
    all.start_ = 0;
    return all;
}

std::vector<std::wstring> LogCapture::NewLines() const {
    const std::wstring text = ReadLogText();
    // A log deleted for size in between starts again from its first line.
    std::wstring fresh = text.size() >= start_ ? text.substr(start_) : text;
    if (!fresh.empty() && fresh[0] == 0xFEFF) {
        fresh.erase(0, 1);
    }
    std::vector<std::wstring> lines;
    size_t pos = 0;
    while (pos < fresh.size()) {
        const size_t end = fresh.find(L"\r\n", pos);
        lines.push_back(fresh.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos));
        if (end == std::wstring::npos) {
            break;
        }
        pos = end + 2;
    }
    return lines;
}

int LogCapture::Count(const std::wstring& source, const std::wstring& message) const {
    int n = 0;
    for (const std::wstring& line : NewLines()) {
        std::wstring s, m;
        if (SplitLine(line, s, m) && s == source && m == message) {
            ++n;
        }
    }
    return n;
}

std::wstring LogCapture::Messages() const {
    std::wstring all;
    for (const std::wstring& line : NewLines()) {
        all += line + L"\n";
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
