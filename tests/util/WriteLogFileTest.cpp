#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/util/TestFiles.h"
#include "util/WriteLogFile.h"

namespace {

std::wstring AsUtf16(const std::string& bytes) {
    std::wstring out(bytes.size() / 2, L'\0');
    memcpy(&out[0], bytes.data(), out.size() * 2);
    return out;
}

class LogFileTest : public ::testing::Test {
  protected:
    // CTest runs tests in parallel processes: a directory of the test's own.
    TempDir dir_{L"varlo log"};
    std::wstring path_ = dir_.path() + L"\\VarloSetup.log";
};

const std::wregex kLine(LR"(\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\]\[([^\]]*) (\d+)\](.*))");

std::vector<std::wstring> Lines(const std::wstring& body) {
    std::vector<std::wstring> lines;
    size_t start = 0, end;
    while ((end = body.find(L"\r\n", start)) != std::wstring::npos) {
        lines.push_back(body.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, body.size()) << "text after the last CR LF";
    return lines;
}

TEST_F(LogFileTest, FirstWriteCreatesFileWithBomAndOneLine) {
    CWriteLogFile log;
    log.SetLogFile(path_, 1024);
    log.WriteLog(L".\\MainWnd", 42, L"安装错误：%s (%d)", L"下载失败", 7);

    const std::string bytes = ReadBytes(path_);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\r\0\n\0", 4));
    const auto lines = Lines(AsUtf16(bytes.substr(2)));
    ASSERT_EQ(lines.size(), 1u);
    std::wsmatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, kLine)) << lines[0];
    EXPECT_EQ(m[1].str(), L".\\MainWnd");
    EXPECT_EQ(m[2].str(), L"42");
    EXPECT_EQ(m[3].str(), L"安装错误：下载失败 (7)");
}

TEST_F(LogFileTest, TimeStampIsTheLocalTimeZeroPadded) {
    CWriteLogFile log;
    log.SetLogFile(path_, 1024);
    SYSTEMTIME before;
    ::GetLocalTime(&before);
    log.WriteLogText(L"src", 1, L"x");
    const std::wstring line = AsUtf16(ReadBytes(path_).substr(2));
    wchar_t expectedDay[16];
    swprintf(expectedDay, 16, L"[%04d-%02d-%02d ", before.wYear, before.wMonth, before.wDay);
    EXPECT_EQ(line.substr(0, 12), expectedDay);
    EXPECT_EQ(line[20], L']');
}

TEST_F(LogFileTest, LaterWritesAppendWithoutAnotherBom) {
    CWriteLogFile log;
    log.SetLogFile(path_, 1024);
    log.WriteLogText(L"a", 1, L"one");
    log.WriteLogText(L"b", 2, L"two");
    const std::string bytes = ReadBytes(path_);
    EXPECT_EQ(bytes.find("\xFF\xFE", 2), std::string::npos);
    const auto lines = Lines(AsUtf16(bytes.substr(2)));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(L"][a 1]one"), std::wstring::npos);
    EXPECT_NE(lines[1].find(L"][b 2]two"), std::wstring::npos);
}

// Nothing is deleted by name any more: a file over the limit is cut back through the
// log's own handle, and anything else keeps its bytes.
TEST_F(LogFileTest, SetLogFileCutsBackOnlyAnOversizedFile) {
    struct Case {
        size_t size;
        size_t after;
    } cases[] = {{0, 0}, {1024, 1024}, {1025, 0}, {10, 10}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(path_, std::string(c.size, 'x')));
        CWriteLogFile log;
        log.SetLogFile(path_, 1);
        EXPECT_EQ(ReadBytes(path_).size(), c.after) << c.size;
    }
}

// The log is held from SetLogFile on: it cannot be renamed away and replaced by something
// else of its name, and every line goes to the file that was opened.
TEST_F(LogFileTest, TheOpenedLogCannotBeSwappedOut) {
    CWriteLogFile log;
    log.SetLogFile(path_, 1024);
    log.WriteLogText(L"a", 1, L"first");
    const std::wstring moved = path_ + L".moved";
    EXPECT_FALSE(::MoveFileExW(path_.c_str(), moved.c_str(), 0));
    EXPECT_FALSE(::DeleteFileW(path_.c_str()));
    EXPECT_FALSE(::MoveFileExW(dir_.path().c_str(), (dir_.path() + L" moved").c_str(), 0)) << "nor its folder";
    log.WriteLogText(L"b", 2, L"second");
    EXPECT_EQ(Lines(AsUtf16(ReadBytes(path_).substr(2))).size(), 2u);
}

TEST_F(LogFileTest, WriteCutsBackAFileOverTheLimitButNotOneAtIt) {
    CWriteLogFile log;
    log.SetLogFile(path_, 1);

    ASSERT_TRUE(WriteBytes(path_, std::string(1024, 'x')));
    log.WriteLogText(L"s", 1, L"at limit");
    std::string bytes = ReadBytes(path_);
    EXPECT_EQ(bytes.substr(0, 1024), std::string(1024, 'x'));
    EXPECT_GT(bytes.size(), 1024u);

    ASSERT_TRUE(WriteBytes(path_, std::string(1025, 'x')));
    log.WriteLogText(L"s", 2, L"over");
    bytes = ReadBytes(path_);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    const auto lines = Lines(AsUtf16(bytes.substr(2)));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L"][s 2]over"), std::wstring::npos);
}

TEST_F(LogFileTest, FormattedMessageIsCutAt10239CharactersButTextIsWrittenWhole) {
    CWriteLogFile log;
    log.SetLogFile(path_, 1024);
    const std::wstring big(20000, L'z');
    log.WriteLog(L"f", 1, L"%s", big.c_str());
    log.WriteLogText(L"t", 2, big);
    const auto lines = Lines(AsUtf16(ReadBytes(path_).substr(2)));
    ASSERT_EQ(lines.size(), 2u);
    // std::regex recurses per character; measure the message after the frame instead.
    const std::wstring frame0 = L"[f 1]", frame1 = L"[t 2]";
    ASSERT_NE(lines[0].find(frame0), std::wstring::npos);
    ASSERT_NE(lines[1].find(frame1), std::wstring::npos);
    EXPECT_EQ(lines[0].substr(lines[0].find(frame0) + frame0.size()), std::wstring(10239, L'z'));
    EXPECT_EQ(lines[1].substr(lines[1].find(frame1) + frame1.size()), big);
}

TEST_F(LogFileTest, ConcurrentWritersNeverInterleave) {
    CWriteLogFile log;
    log.SetLogFile(path_, 1024);
    constexpr int kPerThread = 100;
    auto writer = [&log](const wchar_t* tag) {
        for (int i = 0; i < kPerThread; ++i) {
            log.WriteLog(tag, i, L"%s-%d-%s", tag, i, L"0123456789abcdefghijklmnopqrstuvwxyz");
        }
    };
    std::thread a(writer, L"A"), b(writer, L"B");
    a.join();
    b.join();
    const auto lines = Lines(AsUtf16(ReadBytes(path_).substr(2)));
    ASSERT_EQ(lines.size(), 2u * kPerThread);
    for (const auto& line : lines) {
        std::wsmatch m;
        ASSERT_TRUE(std::regex_match(line, m, kLine)) << line;
        EXPECT_EQ(m[3].str(), m[1].str() + L"-" + m[2].str() + L"-0123456789abcdefghijklmnopqrstuvwxyz");
    }
}

TEST_F(LogFileTest, MissingDirectoryDropsLinesSilently) {
    const std::wstring missing = dir_.path() + L"\\no-such-dir\\VarloSetup.log";
    CWriteLogFile log;
    log.SetLogFile(missing, 1024);
    log.WriteLog(L"x", 1, L"%s", L"lost");
    EXPECT_EQ(::GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The log folder is the user's: a second name for someone else's file planted there as the
// log must neither be written through nor deleted.
TEST_F(LogFileTest, AHardLinkPlantedAsTheLogIsLeftAlone) {
    const std::wstring victim = path_ + L".victim";
    ::DeleteFileW(victim.c_str());
    HANDLE file = ::CreateFileW(victim.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, "keep", 4, &written, nullptr);
    ::CloseHandle(file);
    ASSERT_TRUE(::CreateHardLinkW(path_.c_str(), victim.c_str(), nullptr));

    CWriteLogFile log;
    log.SetLogFile(path_, 1024);
    log.WriteLog(L"x", 1, L"%s", L"through the link");
    EXPECT_EQ(ReadBytes(victim), "keep");
    ::DeleteFileW(victim.c_str());
}

TEST_F(LogFileTest, WritesBeforeSetLogFileAreDropped) {
    CWriteLogFile log;
    log.WriteLogText(L"x", 1, L"nowhere");
    log.SetLogFile(path_, 1024);
    log.WriteLogText(L"x", 2, L"here");
    EXPECT_EQ(Lines(AsUtf16(ReadBytes(path_).substr(2))).size(), 1u);
}

}  // namespace
