// Extraction over an existing installation: a failing, cancelled or blocked entry must
// leave the earlier file of its name as it was and no temporary file behind, and nothing
// may be written through a link or junction below the target.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ZipFileTestSupport.h"
#include "ZipTestArchive.h"
#include "util/WriteLogFile.h"
#include "zip/Unzip.h"
#include "zip/ZipDirectoryChain.h"
#include "zip/ZipFilePlacer.h"

namespace {

using Files = std::vector<std::wstring>;

std::wstring Save(const TestSandbox& sandbox, const ZipTestArchive& archive, const wchar_t* name = L"test.zip") {
    std::wstring path = sandbox.Path() + L"\\" + name;
    EXPECT_TRUE(WriteBytes(path, archive.Build()));
    return path;
}

// The log as text (UTF-16LE lines).
std::wstring LogText(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text +=
            static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return text;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// Pauses between move attempts are counted, not slept; a test may act in one.
struct PauseRecorder {
    static void Pause(uint32_t milliseconds, const std::atomic<bool>*) {
        ++count;
        last = milliseconds;
        if (onPause) {
            onPause(count);
        }
    }
    static int count;
    static uint32_t last;
    static void (*onPause)(int count);
};
int PauseRecorder::count = 0;
uint32_t PauseRecorder::last = 0;
void (*PauseRecorder::onPause)(int) = nullptr;

class UnzipSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        PauseRecorder::count = 0;
        PauseRecorder::last = 0;
        PauseRecorder::onPause = nullptr;
        ZipFilePlacer::SetPause(&PauseRecorder::Pause);
        log = sandbox.Path() + L"\\VarloSetup.log";
        g_logFile.SetLogFile(log, 1024);
        ASSERT_TRUE(MakeDirectoryTree(sandbox.Root()));
    }
    void TearDown() override {
        ZipFilePlacer::SetPause(nullptr);
        ZipFilePlacer::SetWrite(nullptr);
        ZipDirectoryChain::SetProbe(nullptr);
    }
    std::wstring Target(const wchar_t* name) const { return sandbox.Root() + L"\\" + name; }

    TestSandbox sandbox;
    std::wstring log;
};

TEST_F(UnzipSafety, AFailingEntryLeavesTheEarlierFileInPlace) {
    struct Case {
        const char* why;
        void (*spoil)(ZipTestEntry& e);
        const char* password;
    };
    const Case cases[] = {
        {"CRC mismatch", [](ZipTestEntry& e) { e.local.crc = e.central.crc = e.central.crc ^ 1; }, nullptr},
        {"deflate data cut short",
         [](ZipTestEntry& e) {
             e.payload.resize(e.payload.size() / 2);
             e.local.compressedSize = e.central.compressedSize = static_cast<uint32_t>(e.payload.size());
         },
         nullptr},
        {"declared size larger than the data",
         [](ZipTestEntry& e) { e.local.uncompressedSize = e.central.uncompressedSize += 10; }, nullptr},
        {"declared size smaller than the data",
         [](ZipTestEntry& e) { e.local.uncompressedSize = e.central.uncompressedSize -= 10; }, nullptr},
        // Declared empty, yet carrying data: it must not become an empty file with success.
        {"declared empty but carrying data",
         [](ZipTestEntry& e) {
             e.local.uncompressedSize = e.central.uncompressedSize = 0;
             e.local.crc = e.central.crc = 0;
         },
         nullptr},
        {"wrong password", [](ZipTestEntry&) {}, "wrong"},
    };
    for (const Case& c : cases) {
        for (uint16_t method : {uint16_t{0}, uint16_t{8}}) {
            SCOPED_TRACE(std::string(c.why) + (method ? " deflated" : " stored"));
            ASSERT_TRUE(WriteBytes(Target(L"app.exe"), "good old version"));
            ASSERT_TRUE(::SetFileAttributesW(Target(L"app.exe").c_str(), FILE_ATTRIBUTE_READONLY));
            ::SetFileAttributesW(Target(L"first.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(Target(L"first.txt").c_str());
            ZipTestArchive archive;
            archive.Add("first.txt", "first", method);
            ZipTestOptions options;
            if (c.password != nullptr) {
                options.password = "right";
            }
            c.spoil(archive.Add("app.exe", TestBytes(300000, true), method, options));
            archive.Add("last.txt", "never reached", method);
            std::wstring zip = Save(sandbox, archive);

            EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root(), c.password));
            EXPECT_EQ(ReadBytes(Target(L"app.exe")), "good old version");
            EXPECT_TRUE(AttributesOf(Target(L"app.exe")) & FILE_ATTRIBUTE_READONLY) << "attributes untouched too";
            EXPECT_EQ(ReadBytes(Target(L"first.txt")), "first") << "entries already finished stay";
            EXPECT_EQ(ListFiles(sandbox.Root()), (Files{L"app.exe", L"first.txt"})) << "no temporary file left";
            ::SetFileAttributesW(Target(L"app.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
}

// A disk with room for `budget` more bytes, as the system reports a full one.
struct FullDisk {
    static BOOL Write(HANDLE file, const void* data, DWORD size, DWORD* written) {
        if (budget < size) {
            *written = 0;
            ::SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        budget -= size;
        return ::WriteFile(file, data, size, written, nullptr);
    }
    static size_t budget;
};
size_t FullDisk::budget = 0;

TEST_F(UnzipSafety, AFullDiskFailsTheEntryLeavesTheEarlierFileAndLogsIt) {
    ASSERT_TRUE(WriteBytes(Target(L"app.exe"), "good old version"));
    ZipTestArchive archive;
    archive.Add("first.txt", "first", 8);
    archive.Add("app.exe", TestBytes(300000, true), 8);
    archive.Add("last.txt", "never reached", 8);
    std::wstring zip = Save(sandbox, archive);

    FullDisk::budget = 100000;  // the first entry fits, the second runs out half-way
    ZipFilePlacer::SetWrite(&FullDisk::Write);
    EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    ZipFilePlacer::SetWrite(nullptr);

    EXPECT_EQ(ReadBytes(Target(L"app.exe")), "good old version");
    EXPECT_EQ(ReadBytes(Target(L"first.txt")), "first");
    EXPECT_EQ(ListFiles(sandbox.Root()), (Files{L"app.exe", L"first.txt"})) << "no temporary file, nothing after";
    const std::wstring text = LogText(log);
    EXPECT_NE(text.find(Target(L"app.exe")), std::wstring::npos) << "the log names the file: " << Narrow(text);

    // Once there is room again, the same archive goes in whole over what the failure left.
    ASSERT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    EXPECT_EQ(ReadBytes(Target(L"app.exe")), TestBytes(300000, true));
    EXPECT_EQ(ReadBytes(Target(L"last.txt")), "never reached");
}

TEST_F(UnzipSafety, GenuinelyEmptyEntriesStillBecomeEmptyFiles) {
    ASSERT_TRUE(WriteBytes(Target(L"empty.txt"), "old content"));
    ZipTestArchive archive;
    archive.Add("empty.txt", "", 0);
    archive.Add("sub/empty-deflated.txt", "", 8);
    std::wstring zip = Save(sandbox, archive);
    ASSERT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    EXPECT_TRUE(PathExists(Target(L"empty.txt")));
    EXPECT_EQ(ReadBytes(Target(L"empty.txt")), "");
    EXPECT_EQ(ReadBytes(Target(L"sub\\empty-deflated.txt")), "");
    EXPECT_EQ(ListFiles(sandbox.Root()), (Files{L"empty.txt", L"sub/empty-deflated.txt"}));
}

// A scanner holding the old file open without delete sharing, as they do for a moment
// after they saw it.
HANDLE HoldLikeAScanner(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
}

TEST_F(UnzipSafety, AHeldTargetIsRetriedThenFailsWithTheFileLogged) {
    ASSERT_TRUE(WriteBytes(Target(L"client.exe"), "old client"));
    ZipTestArchive archive;
    archive.Add("before.txt", "before", 8);
    archive.Add("client.exe", TestBytes(100000, false), 8);
    std::wstring zip = Save(sandbox, archive);

    HANDLE holder = HoldLikeAScanner(Target(L"client.exe"));
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    ::CloseHandle(holder);

    EXPECT_EQ(PauseRecorder::count, ZipFilePlacer::kMoveAttempts - 1)
        << "every attempt but the last is followed by a pause";
    EXPECT_EQ(PauseRecorder::last, ZipFilePlacer::kRetryPauseMilliseconds);
    EXPECT_EQ(ReadBytes(Target(L"client.exe")), "old client");
    EXPECT_EQ(ListFiles(sandbox.Root()), (Files{L"before.txt", L"client.exe"})) << "no temporary file left";
    const std::wstring text = LogText(log);
    EXPECT_NE(text.find(L"[..\\zip\\UnzipFile "), std::wstring::npos) << Narrow(text);
    EXPECT_NE(text.find(Target(L"client.exe")), std::wstring::npos) << "the log names the file";
}

std::atomic<bool> g_cancelInPause{false};

TEST_F(UnzipSafety, ACancelEndsTheWaitForAHeldTargetAtOnce) {
    ASSERT_TRUE(WriteBytes(Target(L"client.exe"), "old client"));
    ZipTestArchive archive;
    archive.Add("client.exe", "new client", 8);
    std::wstring zip = Save(sandbox, archive);

    HANDLE holder = HoldLikeAScanner(Target(L"client.exe"));
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    g_cancelInPause = false;
    PauseRecorder::onPause = [](int) { g_cancelInPause = true; };
    EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr, &g_cancelInPause));
    ::CloseHandle(holder);
    EXPECT_EQ(PauseRecorder::count, 1) << "no attempt and no wait after the cancel";
    EXPECT_EQ(ReadBytes(Target(L"client.exe")), "old client");
    EXPECT_EQ(ListFiles(sandbox.Root()), (Files{L"client.exe"})) << "no temporary file left";
}

HANDLE g_releasedHolder = INVALID_HANDLE_VALUE;

TEST_F(UnzipSafety, AHolderThatLetsGoInTimeDoesNotFailTheExtraction) {
    ASSERT_TRUE(WriteBytes(Target(L"client.exe"), "old client"));
    ZipTestArchive archive;
    archive.Add("client.exe", "new client", 8);
    std::wstring zip = Save(sandbox, archive);

    g_releasedHolder = HoldLikeAScanner(Target(L"client.exe"));
    ASSERT_NE(g_releasedHolder, INVALID_HANDLE_VALUE);
    PauseRecorder::onPause = [](int count) {
        if (count == 2) {
            ::CloseHandle(g_releasedHolder);
            g_releasedHolder = INVALID_HANDLE_VALUE;
        }
    };
    EXPECT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    if (g_releasedHolder != INVALID_HANDLE_VALUE) {
        ::CloseHandle(g_releasedHolder);
    }
    EXPECT_EQ(PauseRecorder::count, 2);
    EXPECT_EQ(ReadBytes(Target(L"client.exe")), "new client");
    EXPECT_EQ(ListFiles(sandbox.Root()), (Files{L"client.exe"}));
}

TEST_F(UnzipSafety, ACancelBeforeTheStartCreatesNothing) {
    ZipTestArchive archive;
    archive.Add("a.txt", "a", 8);
    std::wstring zip = Save(sandbox, archive);
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr, &cancel));
    EXPECT_EQ(ListFiles(sandbox.Root()), Files{});
}

TEST_F(UnzipSafety, ACancelMidEntryLeavesNothingOpenAndNoPartialFile) {
    // One large entry that takes a while to inflate and write, over an earlier version.
    const size_t bigSize = 40u * 1024 * 1024;
    ZipTestArchive archive;
    archive.Add("small.txt", "small", 8);
    archive.Add("big.bin", TestBytes(bigSize, true), 8);
    archive.Add("after.txt", "after", 8);
    std::wstring zip = Save(sandbox, archive);
    ASSERT_TRUE(WriteBytes(Target(L"big.bin"), "earlier version"));

    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    bool result = true;
    std::thread worker([&] {
        result = ExtractZipToDirectory(zip, sandbox.Root(), nullptr, &cancel);
        done = true;
    });
    // Cancel once the big entry's temporary file holds some data.
    bool sawPartial = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done && !sawPartial && std::chrono::steady_clock::now() < deadline) {
        for (const std::wstring& name : ListFiles(sandbox.Root())) {
            if (name.find(L".tmp") != std::wstring::npos) {
                WIN32_FILE_ATTRIBUTE_DATA data;
                const std::wstring path = sandbox.Root() + L"\\" + name;
                if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
                    data.nFileSizeLow > 4u * 1024 * 1024) {
                    sawPartial = true;
                }
            }
        }
        if (!sawPartial) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    cancel = true;
    worker.join();
    ASSERT_TRUE(sawPartial) << "the extraction ended before the cancel could land in the big entry";
    EXPECT_FALSE(result);
    EXPECT_EQ(ReadBytes(Target(L"big.bin")), "earlier version");
    EXPECT_EQ(ReadBytes(Target(L"small.txt")), "small");
    EXPECT_EQ(ListFiles(sandbox.Root()), (Files{L"big.bin", L"small.txt"}));
    // Nothing is left open: the archive and every file can be opened exclusively and removed.
    for (const std::wstring& path : {zip, Target(L"big.bin"), Target(L"small.txt")}) {
        HANDLE exclusive =
            ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(exclusive, INVALID_HANDLE_VALUE) << Narrow(path);
        if (exclusive != INVALID_HANDLE_VALUE) {
            ::CloseHandle(exclusive);
        }
        EXPECT_TRUE(::DeleteFileW(path.c_str())) << Narrow(path);
    }
    EXPECT_TRUE(::RemoveDirectoryW(sandbox.Root().c_str())) << "no directory handle is held either";
}

// Wine cannot create junctions or symbolic links (it reports unix links as the plain
// directories they point to), so these stand in for one through the directory probe.
std::wstring g_planted;

bool ProbeWithPlantedJunction(HANDLE, const std::wstring& path) {
    return ::CompareStringOrdinal(path.c_str(), -1, g_planted.c_str(), -1, TRUE) != CSTR_EQUAL;
}

TEST_F(UnzipSafety, NothingIsWrittenThroughAJunctionAtOrBelowTheTarget) {
    ASSERT_TRUE(MakeDirectoryTree(sandbox.Root() + L"\\bin"));
    ZipTestArchive archive;
    archive.Add("readme.txt", "readme", 8);
    archive.Add("bin/version.dll", "payload", 8);
    archive.Add("bin/sub/deeper.dll", "payload", 8);
    std::wstring zip = Save(sandbox, archive);
    struct Case {
        const char* why;
        std::wstring junction;
        Files written;
    };
    const Case cases[] = {
        {"a junction inside the target", sandbox.Root() + L"\\bin", Files{L"readme.txt"}},
        {"a junction made to look like a missing directory", sandbox.Root() + L"\\bin\\sub",
         Files{L"bin/version.dll", L"readme.txt"}},
        {"the target itself", sandbox.Root(), Files{}},
    };
    ZipDirectoryChain::SetProbe(&ProbeWithPlantedJunction);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ::DeleteFileW(Target(L"readme.txt").c_str());
        ::DeleteFileW(Target(L"bin\\version.dll").c_str());
        g_planted = c.junction;
        EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
        Files files;
        for (const std::wstring& f : ListFiles(sandbox.Root())) {
            files.push_back(f);
        }
        EXPECT_EQ(files, c.written);
    }
    // Without the junction all of it goes in.
    ZipDirectoryChain::SetProbe(nullptr);
    EXPECT_TRUE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    EXPECT_EQ(ListFiles(sandbox.Root()), (Files{L"bin/sub/deeper.dll", L"bin/version.dll", L"readme.txt"}));
}

// Where the system can make a real junction (Windows), the plain probe must see it.
TEST_F(UnzipSafety, ARealJunctionIsRefusedWhereTheSystemCanMakeOne) {
    const std::wstring elsewhere = sandbox.Path() + L"\\elsewhere";
    ASSERT_TRUE(MakeDirectoryTree(elsewhere));
    if (!MakeJunction(sandbox.Root() + L"\\bin", elsewhere)) {
        GTEST_SKIP() << "this system cannot create a junction (Wine); covered through the probe above";
    }
    ZipTestArchive archive;
    archive.Add("bin/version.dll", "payload", 8);
    std::wstring zip = Save(sandbox, archive);
    EXPECT_FALSE(ExtractZipToDirectory(zip, sandbox.Root(), nullptr));
    EXPECT_EQ(ListFiles(elsewhere), Files{});
    ::RemoveDirectoryW((sandbox.Root() + L"\\bin").c_str());
}

}  // namespace
