// The extraction into the install folder either completes or leaves the folder as it
// was: each way an extraction can end half-way is one row, checked against a snapshot of
// the folder (and what lies beside it) taken before.
#include "engine/InstallTransaction.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../zip/ZipFileTestSupport.h"
#include "../zip/ZipTestArchive.h"
#include "engine/ExtractJournal.h"
#include "util/UniqueHandle.h"
#include "util/WriteLogFile.h"
#include "zip/Unzip.h"
#include "zip/ZipFilePlacer.h"

namespace {

using Files = std::vector<std::wstring>;

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

// What a person or the client would see of a folder: every name, each file's bytes,
// attributes and (when asked) last-write time, each directory's attributes.
std::map<std::wstring, std::string> Snapshot(const std::wstring& folder, bool withTimes = true) {
    std::map<std::wstring, std::string> state;
    for (const std::wstring& name : ListFiles(folder, true)) {
        std::wstring path = folder + L"\\" + name;
        for (wchar_t& c : path) {
            c = c == L'/' ? L'\\' : c;
        }
        std::string facts = "attributes " + std::to_string(AttributesOf(path));
        if (name.back() != L'/') {
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (withTimes && ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
                facts += " written " + std::to_string(data.ftLastWriteTime.dwHighDateTime) + ":" +
                         std::to_string(data.ftLastWriteTime.dwLowDateTime);
            }
            const std::string bytes = ReadBytes(path);
            facts += bytes.size() < 100 ? " bytes " + bytes
                                        : " size " + std::to_string(bytes.size()) + " hash " +
                                              std::to_string(std::hash<std::string>()(bytes));
        }
        state[name] = facts;
    }
    return state;
}

std::string Describe(const std::map<std::wstring, std::string>& a, const std::map<std::wstring, std::string>& b) {
    std::string text;
    for (const auto& [name, facts] : a) {
        auto other = b.find(name);
        if (other == b.end()) {
            text += " only before: " + Narrow(name);
        } else if (other->second != facts) {
            text += " changed: " + Narrow(name);
        }
    }
    for (const auto& [name, facts] : b) {
        if (a.find(name) == a.end()) {
            text += " only after: " + Narrow(name);
        }
    }
    return text;
}

// The extraction's own writes, so a row can run out of disk or cancel half-way through
// an entry at a chosen byte.
struct WriteHook {
    static BOOL Write(HANDLE file, const void* data, DWORD size, DWORD* written) {
        if (budget < size) {
            if (cancelAtEnd != nullptr) {
                cancelAtEnd->store(true);
            } else {
                *written = 0;
                ::SetLastError(ERROR_DISK_FULL);
                return FALSE;
            }
        }
        budget = budget < size ? 0 : budget - size;
        return ::WriteFile(file, data, size, written, nullptr);
    }
    static size_t budget;
    static std::atomic<bool>* cancelAtEnd;  // null: the disk is full instead
};
size_t WriteHook::budget = 0;
std::atomic<bool>* WriteHook::cancelAtEnd = nullptr;

// Waits between attempts on a held file are counted, not slept; a row may cancel in one.
struct PauseHook {
    static void Pause(uint32_t, const std::atomic<bool>*) {
        ++count;
        if (cancelInPause != nullptr) {
            cancelInPause->store(true);
        }
        if (inPause) {
            inPause();
        }
    }
    static int count;
    static std::atomic<bool>* cancelInPause;
    static std::function<void()> inPause;  // what another program does meanwhile
};
int PauseHook::count = 0;
std::atomic<bool>* PauseHook::cancelInPause = nullptr;
std::function<void()> PauseHook::inPause;

const std::string kBigData = TestBytes(3 * 1024 * 1024, false, 7);

class InstallTransactionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        world = sandbox.Path() + L"\\world";
        work = sandbox.Path() + L"\\work\\";
        ASSERT_TRUE(MakeDirectoryTree(world));
        ASSERT_TRUE(MakeDirectoryTree(work));
        g_logFile.SetLogFile(work + L"VarloSetup.log", 1024);
        ZipFilePlacer::SetPause(&PauseHook::Pause);
        PauseHook::count = 0;
        PauseHook::cancelInPause = nullptr;
        PauseHook::inPause = nullptr;
        WriteHook::cancelAtEnd = nullptr;
    }
    void TearDown() override {
        PauseHook::inPause = nullptr;
        ZipFilePlacer::SetPause(nullptr);
        ZipFilePlacer::SetWrite(nullptr);
    }

    // The package: files the earlier version has too, new ones in a new directory, a
    // large entry, and `spoiled` (when given) damaged so it fails its check.
    std::wstring SavePackage(const std::string& spoiled = "") {
        ZipTestArchive archive;
        archive.Add("vljiasu.exe", "new client", 8);
        archive.AddDirectory("res/");
        archive.Add("res/route.dat", "new routes", 8);
        // Read-only: the undo must still be able to remove it.
        archive.Add("res/new/extra.dat", "extra", 0).central.externalAttributes = 0x21;
        archive.Add("big.bin", kBigData, 8);
        archive.Add("unins000.exe", "new uninstaller", 8);
        archive.Add("zz/last.txt", "last", 0);
        for (ZipTestEntry& entry : archive.entries) {
            if (entry.central.name == spoiled) {
                entry.local.crc = entry.central.crc = entry.central.crc ^ 1;
            }
        }
        const std::wstring path = sandbox.Path() + L"\\package.zip";
        EXPECT_TRUE(WriteBytes(path, archive.Build()));
        return path;
    }

    // An earlier install: some of the package's files in older versions (one read-only),
    // and files the package does not have; beside it, a file of someone else's.
    static void LayEarlierInstall(const std::wstring& world, const std::wstring& target) {
        ASSERT_TRUE(WriteBytes(world + L"\\other.txt", "not ours"));
        ASSERT_TRUE(MakeDirectoryTree(target + L"\\res"));
        ASSERT_TRUE(MakeDirectoryTree(target + L"\\data"));
        ASSERT_TRUE(WriteBytes(target + L"\\vljiasu.exe", "old client"));
        ASSERT_TRUE(::SetFileAttributesW((target + L"\\vljiasu.exe").c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(WriteBytes(target + L"\\res\\route.dat", "old routes"));
        ASSERT_TRUE(WriteBytes(target + L"\\unins000.exe", "old uninstaller"));
        ASSERT_TRUE(WriteBytes(target + L"\\data\\user.cfg", "the user's settings"));
        ASSERT_TRUE(WriteBytes(target + L"\\big.bin", "old big"));
    }

    static HANDLE HoldPackage(const std::wstring& path) {
        return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    [[nodiscard]] bool JournalLeft() const { return PathExists(work + L"extract.journal"); }

    // What a run killed while it deleted a target it had moved aside leaves: the discard
    // line, the target gone, some of its files already deleted. Returns where it went.
    std::wstring KillWhileDiscarding() {
        const std::wstring path = work + L"extract.journal";
        UniqueKernelHandle file(
            ::CreateFileW(path.c_str(), GENERIC_READ | FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) {
            return {};
        }
        std::wstring text(::GetFileSize(file.get(), nullptr) / sizeof(wchar_t), L'\0');
        DWORD done = 0;
        if (!::ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size() * sizeof(wchar_t)), &done, nullptr)) {
            return {};
        }
        const std::optional<ExtractJournal> journal = ParseExtractJournal(text);
        if (!journal || !CanDiscardTarget(*journal)) {
            return {};
        }
        const std::wstring line = JournalDiscardLine(*journal);
        if (!::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &done, nullptr)) {
            return {};
        }
        const std::wstring discard = DiscardFolderPath(*journal);
        if (!::MoveFileExW(journal->target.c_str(), discard.c_str(), 0) ||
            !::DeleteFileW((discard + L"\\vljiasu.exe").c_str())) {
            return {};
        }
        return discard;
    }

    TestSandbox sandbox;
    std::wstring world;
    std::wstring work;
};

TEST_F(InstallTransactionTest, AnExtractionThatEndsHalfWayLeavesTheFolderAsItWas) {
    enum class End { Rollback, Destructor, Killed, KilledWhileDiscarding };
    struct Case {
        const char* why;
        bool earlierInstall;
        std::string spoiled;
        ExtractStatus status;
        End end = End::Rollback;
        bool holdUninstaller = false;  // held open without delete sharing by another program
        size_t fullDiskAfter = 0;      // bytes written before the disk is full
        size_t cancelAfter = 0;        // bytes written before the cancel
        bool cancelWhileWaiting = false;
    };
    const Case cases[] = {
        {"fresh install, damaged entry half-way", false, "unins000.exe", ExtractStatus::Failed},
        {"update, damaged entry half-way", true, "unins000.exe", ExtractStatus::Failed},
        {"update, an earlier file held open", true, "", ExtractStatus::Failed, End::Rollback, true},
        {"update, cancelled while waiting for a held file", true, "", ExtractStatus::Cancelled, End::Rollback, true, 0,
         0, true},
        {"update, cancelled inside the large entry", true, "", ExtractStatus::Cancelled, End::Rollback, false, 0,
         1024 * 1024},
        {"fresh install, cancelled inside the large entry", false, "", ExtractStatus::Cancelled, End::Destructor, false,
         0, 1024 * 1024},
        {"update, the disk runs full", true, "", ExtractStatus::DiskFull, End::Rollback, false, 2 * 1024 * 1024},
        {"update, process killed half-way", true, "unins000.exe", ExtractStatus::Failed, End::Killed},
        {"fresh install, process killed half-way", false, "unins000.exe", ExtractStatus::Failed, End::Killed},
        {"fresh install, killed while deleting its moved-aside folder", false, "unins000.exe", ExtractStatus::Failed,
         End::KilledWhileDiscarding},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        RemoveTree(world);
        ASSERT_TRUE(MakeDirectoryTree(world));
        const std::wstring target = c.earlierInstall ? world + L"\\Games\\Varlo" : world + L"\\new\\deeper\\Varlo";
        if (c.earlierInstall) {
            LayEarlierInstall(world, target);
        } else {
            ASSERT_TRUE(WriteBytes(world + L"\\other.txt", "not ours"));
        }
        const std::map<std::wstring, std::string> before = Snapshot(world);
        const std::wstring zip = SavePackage(c.spoiled);

        std::atomic<bool> cancel{false};
        PauseHook::count = 0;
        PauseHook::cancelInPause = c.cancelWhileWaiting ? &cancel : nullptr;
        if (c.fullDiskAfter != 0 || c.cancelAfter != 0) {
            WriteHook::budget = c.fullDiskAfter != 0 ? c.fullDiskAfter : c.cancelAfter;
            WriteHook::cancelAtEnd = c.cancelAfter != 0 ? &cancel : nullptr;
            ZipFilePlacer::SetWrite(&WriteHook::Write);
        }
        UniqueKernelHandle holder;
        if (c.holdUninstaller) {
            holder.reset(::CreateFileW((target + L"\\unins000.exe").c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder.valid());
        }
        UniqueKernelHandle package(HoldPackage(zip));
        ASSERT_TRUE(package.valid());
        {
            InstallTransaction transaction;
            ASSERT_TRUE(transaction.Begin(target, work));
            ASSERT_TRUE(MakeDirectoryTree(target));
            const ExtractOutcome outcome = transaction.Extract(package.get(), &cancel);
            ZipFilePlacer::SetWrite(nullptr);
            EXPECT_EQ(outcome.status, c.status) << Narrow(outcome.reason);
            EXPECT_FALSE(outcome.reason.empty());
            // Half-way indeed: some of the package is in place, an earlier file moved aside.
            EXPECT_EQ(ReadBytes(target + L"\\vljiasu.exe"), "new client");
            if (c.holdUninstaller) {
                EXPECT_EQ(PauseHook::count, c.cancelWhileWaiting ? 1 : ZipFilePlacer::kMoveAttempts - 1)
                    << "a cancel ends the waiting for a held file at once";
            }
            if (c.end == End::Rollback) {
                EXPECT_TRUE(transaction.Rollback());
            } else if (c.end == End::Killed || c.end == End::KilledWhileDiscarding) {
                transaction.Abandon();
                EXPECT_TRUE(JournalLeft());
            }
        }
        holder.reset();
        if (c.end == End::KilledWhileDiscarding) {
            const std::wstring discard = KillWhileDiscarding();
            ASSERT_FALSE(discard.empty());
            EXPECT_FALSE(PathExists(target));
            RecoverInterruptedInstall(work);
            EXPECT_FALSE(PathExists(discard));
        }
        if (c.end == End::Killed) {
            // A temporary file the killed run was writing when it died, beside where it
            // was to go, in a folder that may have been there before.
            ASSERT_TRUE(WriteBytes(target + L"\\res\\~vz1A2B3C4D.tmp", "partial"));
            RecoverInterruptedInstall(work);
        }
        const std::map<std::wstring, std::string> after = Snapshot(world);
        EXPECT_TRUE(after == before) << Describe(before, after);
        EXPECT_FALSE(JournalLeft());
        if (!c.earlierInstall) {
            EXPECT_FALSE(PathExists(world + L"\\new")) << "levels the install made go too";
        }
    }
}

TEST_F(InstallTransactionTest, ACommittedExtractionEqualsAPlainOneAndLeavesNothingBehind) {
    const std::wstring zip = SavePackage();
    struct Case {
        const char* why;
        bool earlierInstall;
        bool killedAfterCommitLine = false;  // the next start finishes the commit
    };
    for (const Case& c : {Case{"update", true}, Case{"fresh install", false},
                          Case{"update, killed once the commit was recorded", true, true}}) {
        SCOPED_TRACE(c.why);
        RemoveTree(world);
        ASSERT_TRUE(MakeDirectoryTree(world));
        const std::wstring target = world + L"\\a\\Varlo";
        const std::wstring plain = world + L"\\b\\Varlo";
        if (c.earlierInstall) {
            LayEarlierInstall(world, target);
            LayEarlierInstall(world, plain);
        }
        ASSERT_TRUE(ExtractZipToDirectory(zip, plain, nullptr));

        UniqueKernelHandle package(HoldPackage(zip));
        uint64_t total = 0;
        ASSERT_TRUE(GetZipFileHandleTotalSize(package.get(), &total));
        EXPECT_EQ(total, kBigData.size() + 10 + 10 + 5 + 15 + 4);
        InstallTransaction transaction;
        ASSERT_TRUE(transaction.Begin(target, work));
        EXPECT_TRUE(JournalLeft());
        ASSERT_TRUE(MakeDirectoryTree(target));
        const ExtractOutcome outcome = transaction.Extract(package.get(), nullptr);
        ASSERT_EQ(outcome.status, ExtractStatus::Ok) << Narrow(outcome.reason);
        if (c.killedAfterCommitLine) {
            transaction.Abandon();
            const std::wstring journal = work + L"extract.journal";
            const std::wstring line = L"COMMIT\r\n";
            ASSERT_TRUE(WriteBytes(journal, ReadBytes(journal) + std::string(reinterpret_cast<const char*>(line.data()),
                                                                             line.size() * sizeof(wchar_t))));
            RecoverInterruptedInstall(work);
        } else {
            transaction.Commit();
        }
        // The files the earlier install had beside the package were written at different
        // moments in the two folders; everything else matches to the time stamp.
        const auto committed = Snapshot(target, !c.earlierInstall);
        EXPECT_TRUE(committed == Snapshot(plain, !c.earlierInstall)) << Describe(Snapshot(plain), committed);
        EXPECT_FALSE(JournalLeft());
        // A later rollback or start-up finds nothing to undo.
        static_cast<void>(transaction.Rollback());
        RecoverInterruptedInstall(work);
        EXPECT_TRUE(Snapshot(target, !c.earlierInstall) == committed);
    }
}

// Someone who may write in a parent of a level renames the level away and puts a folder of
// their choice (a junction to it, on Windows) in its place while the undo is under way:
// nothing the undo does may land in that folder.
class SwappedFolderTest : public InstallTransactionTest {
  protected:
    void SetUp() override {
        InstallTransactionTest::SetUp();
        target = world + L"\\Games\\Varlo";
        outside = world + L"\\outside";
        away = world + L"\\away";
    }

    // An earlier install, and beside it the folder a swap points at, holding files under
    // the names the undo deals with. Returns that folder's snapshot.
    std::map<std::wstring, std::string> LayInstallAndOutside() {
        RemoveTree(world);
        EXPECT_TRUE(MakeDirectoryTree(world));
        LayEarlierInstall(world, target);
        for (const wchar_t* folder : {L"res", L"zz", L"new"}) {
            EXPECT_TRUE(MakeDirectoryTree(outside + L"\\" + folder));
        }
        for (const wchar_t* name : {L"vljiasu.exe", L"big.bin", L"unins000.exe", L"route.dat", L"res\\route.dat",
                                    L"zz\\last.txt", L"new\\extra.dat"}) {
            EXPECT_TRUE(WriteBytes(outside + L"\\" + name, "someone else's"));
        }
        return Snapshot(outside);
    }

    // Begins and extracts the whole package, leaving the undo to the caller.
    void Extract(InstallTransaction* transaction) {
        UniqueKernelHandle package(HoldPackage(SavePackage()));
        ASSERT_TRUE(package.valid());
        ASSERT_TRUE(transaction->Begin(target, work));
        ASSERT_TRUE(MakeDirectoryTree(target));
        ASSERT_EQ(transaction->Extract(package.get(), nullptr).status, ExtractStatus::Ok);
    }

    std::wstring target;
    std::wstring outside;
    std::wstring away;
};

// Levels the undo holds cannot be renamed at all, so the undo finishes in the real ones.
TEST_F(SwappedFolderTest, ALevelTheUndoHoldsCannotBeSwapped) {
    struct Case {
        const char* why;
        std::wstring level;  // below the target; empty for the target itself
    };
    const Case cases[] = {
        {"a level below the target", L"res"},
        {"the target itself", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::map<std::wstring, std::string> outsideBefore = LayInstallAndOutside();
        const std::wstring level = c.level.empty() ? target : target + L"\\" + c.level;
        InstallTransaction transaction;
        Extract(&transaction);
        // The undo's first step waits for the new uninstaller, which another program
        // holds; meanwhile the swap is tried.
        UniqueKernelHandle holder(::CreateFileW((target + L"\\unins000.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.valid());
        bool swapped = false;
        PauseHook::count = 0;
        PauseHook::inPause = [&] {
            holder.reset();
            if (!swapped && ::MoveFileExW(level.c_str(), away.c_str(), 0)) {
                swapped = ::MoveFileExW(outside.c_str(), level.c_str(), 0) != 0;
            }
        };
        const bool undone = transaction.Rollback();
        PauseHook::inPause = nullptr;
        EXPECT_GE(PauseHook::count, 1) << "the swap was tried while the undo ran";
        EXPECT_FALSE(swapped) << "a level the undo holds cannot be renamed";
        if (swapped) {
            // Put back where the comparison below looks.
            ::MoveFileExW(level.c_str(), outside.c_str(), 0);
            ::MoveFileExW(away.c_str(), level.c_str(), 0);
        } else {
            EXPECT_TRUE(undone);
            EXPECT_FALSE(JournalLeft());
            EXPECT_EQ(ReadBytes(target + L"\\res\\route.dat"), "old routes");
            EXPECT_EQ(ReadBytes(target + L"\\unins000.exe"), "old uninstaller");
        }
        const std::map<std::wstring, std::string> outsideAfter = Snapshot(outside);
        EXPECT_TRUE(outsideAfter == outsideBefore) << Describe(outsideBefore, outsideAfter);
    }
}

// A level that is a junction by the time the undo reaches it is refused, and the record
// stays for a later start.
TEST_F(SwappedFolderTest, ALevelThatBecameAJunctionIsNotUndoneThrough) {
    const std::map<std::wstring, std::string> outsideBefore = LayInstallAndOutside();
    const std::wstring level = target + L"\\res";
    InstallTransaction transaction;
    Extract(&transaction);
    ASSERT_TRUE(::MoveFileExW(level.c_str(), away.c_str(), 0));
    if (!MakeJunction(level, outside)) {
        // The helper may have left the plain folder it meant to turn into a link.
        ::RemoveDirectoryW(level.c_str());
        ASSERT_TRUE(::MoveFileExW(away.c_str(), level.c_str(), 0));
        GTEST_SKIP() << "this system cannot create a junction (Wine)";
    }
    EXPECT_FALSE(transaction.Rollback());
    EXPECT_TRUE(JournalLeft()) << "the record stays for a later start";
    const std::map<std::wstring, std::string> outsideAfter = Snapshot(outside);
    EXPECT_TRUE(outsideAfter == outsideBefore) << Describe(outsideBefore, outsideAfter);
    // With the real folder back, a later start finishes the undo.
    EXPECT_TRUE(::RemoveDirectoryW(level.c_str()));
    ASSERT_TRUE(::MoveFileExW(away.c_str(), level.c_str(), 0));
    RecoverInterruptedInstall(work);
    EXPECT_FALSE(JournalLeft());
    EXPECT_EQ(ReadBytes(level + L"\\route.dat"), "old routes");
}

// A journal is the user's temporary folder's to change: one that names anything outside
// its target, or a folder without our backup folder, is refused without touching a file.
TEST_F(InstallTransactionTest, AHostileJournalIsRefusedAndTouchesNothing) {
    const std::wstring target = world + L"\\Varlo";
    const std::wstring backup = L"~vzbak0000BEEF";
    ASSERT_TRUE(MakeDirectoryTree(target + L"\\" + backup));
    ASSERT_TRUE(WriteBytes(target + L"\\inside.txt", "inside"));
    ASSERT_TRUE(WriteBytes(world + L"\\victim.txt", "victim"));
    ASSERT_TRUE(MakeDirectoryTree(world + L"\\empty victim"));
    const std::wstring victimFolder = world + L"\\victims";
    ASSERT_TRUE(MakeDirectoryTree(victimFolder));
    ASSERT_TRUE(WriteBytes(victimFolder + L"\\victim.dll", "victim"));
    ASSERT_TRUE(WriteBytes(target + L"\\" + backup + L"\\1", "planted over the victim"));
    const std::map<std::wstring, std::string> before = Snapshot(world);

    const std::wstring head = L"varlo extract journal 1\r\nT " + target + L"\r\nB " + backup + L"\r\n";
    struct Case {
        const char* why;
        std::wstring text;
    };
    const Case cases[] = {
        {"a parent reference", head + L"F inside.txt\r\nF ..\\victim.txt\r\n"},
        {"an absolute name", head + L"F inside.txt\r\nF " + world + L"\\victim.txt\r\n"},
        {"a moved file put back outside", head + L"M 1 ..\\victim.txt\r\n"},
        {"a created level that is not a parent of the target",
         L"varlo extract journal 1\r\nT " + target + L"\r\nB " + backup + L"\r\nL " + world + L"\\empty victim\r\n"},
        {"a target without our backup folder",
         L"varlo extract journal 1\r\nT " + victimFolder + L"\r\nB " + backup + L"\r\nF victim.dll\r\n"},
        {"a relative target", L"varlo extract journal 1\r\nT ..\\..\\victims\r\nB " + backup + L"\r\nF victim.dll\r\n"},
        {"a stream name", head + L"F inside.txt:evil\r\n"},
        {"not a journal at all", L"MZ\x0090"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::wstring path = work + L"extract.journal";
        ASSERT_TRUE(WriteBytes(
            path, std::string(reinterpret_cast<const char*>(c.text.data()), c.text.size() * sizeof(wchar_t))));
        RecoverInterruptedInstall(work);
        const std::map<std::wstring, std::string> after = Snapshot(world);
        EXPECT_TRUE(after == before) << Describe(before, after);
        EXPECT_FALSE(JournalLeft()) << "a refused journal is removed";
    }
}

// A second installer starting while the first extracts must not take the first one's
// journal for an abandoned one.
TEST_F(InstallTransactionTest, ARunningInstallsJournalIsLeftAlone) {
    const std::wstring target = world + L"\\Varlo";
    InstallTransaction transaction;
    ASSERT_TRUE(transaction.Begin(target, work));
    ASSERT_TRUE(MakeDirectoryTree(target));
    RecoverInterruptedInstall(work);
    EXPECT_TRUE(JournalLeft());
    InstallTransaction second;
    EXPECT_FALSE(second.Begin(target, work)) << "one extraction at a time";
    UniqueKernelHandle package(HoldPackage(SavePackage()));
    ASSERT_EQ(transaction.Extract(package.get(), nullptr).status, ExtractStatus::Ok);
    transaction.Commit();
    EXPECT_EQ(ReadBytes(target + L"\\zz\\last.txt"), "last");
    EXPECT_FALSE(JournalLeft());
}

}  // namespace
