// An undo record found at start-up is followed with administrator rights, so only one the
// installer alone can have written is followed: each hostile arrangement is one row, and
// each is refused whole, with every file as it was.
//
// Wine keeps no descriptors (every file reads as its user's), so the rights here are
// stated by the test through the descriptor seam: every folder stands for one that
// Administrators own and Users may only read, unless the row marks it as a user's.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../zip/ZipFileTestSupport.h"
#include "engine/InstallTransaction.h"
#include "tests/support/LogLines.h"
#include "util/FolderSecurity.h"
#include "util/UniqueHandle.h"
#include "util/WorkFolder.h"
#include "util/WriteLogFile.h"
#include "zip/Unzip.h"

namespace {

constexpr wchar_t kAdminFolder[] = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// What a standard user's folder holds: theirs, and everyone signed in may change it.
constexpr wchar_t kUserFolder[] =
    L"O:S-1-5-21-1111-2222-3333-1001D:AI(A;OICI;FA;;;S-1-5-21-1111-2222-3333-1001)"
    L"(A;OICI;0x1301bf;;;AU)";
// Administrators own it, but every signed-in user may add to it and delete from it.
constexpr wchar_t kSharedFolder[] = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)";

uint64_t FileId(HANDLE object) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(object, &info)) {
        return 0;
    }
    return (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

std::map<uint64_t, std::wstring>& Marked() {
    static std::map<uint64_t, std::wstring> marked;
    return marked;
}

std::wstring StatedDescriptor(HANDLE object) {
    const auto found = Marked().find(FileId(object));
    return found != Marked().end() ? found->second : std::wstring(kAdminFolder);
}

void Mark(const std::wstring& path, const wchar_t* sddl) {
    UniqueKernelHandle handle = OpenNoFollow(path, 0);
    ASSERT_TRUE(handle) << "cannot open the folder to mark";
    Marked()[FileId(handle.get())] = sddl;
}

std::map<std::wstring, std::string> Snapshot(const std::wstring& folder) {
    std::map<std::wstring, std::string> state;
    for (const std::wstring& name : ListFiles(folder, true)) {
        std::wstring path = folder + L"\\" + name;
        for (wchar_t& c : path) {
            c = c == L'/' ? L'\\' : c;
        }
        state[name] = name.back() == L'/' ? std::string("folder") : ReadBytes(path);
    }
    return state;
}

bool WriteRecord(const std::wstring& path, const std::wstring& text) {
    return WriteBytes(path, std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
}

class UndoRecordTrustTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Marked().clear();
        SetDescriptorSource(&StatedDescriptor);
    }
    void TearDown() override { SetDescriptorSource(nullptr); }

    TestSandbox sandbox;
};

TEST_F(UndoRecordTrustTest, OnlyARecordTheInstallerAloneCanHaveWrittenIsFollowed) {
    enum class Arrangement { Trusted, RecordInAUsersFolder, TargetOthersMayWrite, ReplaceableParent };
    struct Case {
        const char* why;
        Arrangement arrangement;
    } cases[] = {
        {"control: the installer's own folder and target: the record is followed", Arrangement::Trusted},
        {"a record in a work folder that a user made", Arrangement::RecordInAUsersFolder},
        {"a target others may write into, holding a planted backup folder", Arrangement::TargetOthersMayWrite},
        {"a target below a folder a user can replace", Arrangement::ReplaceableParent},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Marked().clear();
        const std::wstring world = sandbox.Path() + L"\\world" + std::to_wstring(++round);
        const std::wstring parent = world + L"\\ProgramData";
        const std::wstring target = parent + L"\\Vendor";
        const std::wstring backup = L"~vzbak0000BEEF";
        ASSERT_TRUE(MakeDirectoryTree(target + L"\\" + backup));
        ASSERT_TRUE(WriteBytes(target + L"\\victim.dll", "the vendor's own"));
        ASSERT_TRUE(WriteBytes(target + L"\\" + backup + L"\\1", "planted"));
        if (c.arrangement == Arrangement::TargetOthersMayWrite) {
            Mark(target, kSharedFolder);
        }
        if (c.arrangement == Arrangement::ReplaceableParent) {
            Mark(parent, kUserFolder);
        }
        // The work folder as the user's temporary folder holds it before the installer runs.
        const std::wstring workDir = sandbox.Path() + L"\\temp" + std::to_wstring(round) + L"\\varloSetup";
        ASSERT_TRUE(MakeDirectoryTree(workDir));
        if (c.arrangement == Arrangement::RecordInAUsersFolder) {
            Mark(workDir, kUserFolder);
        }
        ASSERT_TRUE(WriteRecord(workDir + L"\\extract.journal", L"varlo extract journal 1\r\nT " + target + L"\r\nB " +
                                                                    backup + L"\r\nM 1 victim.dll\r\n"));
        const std::map<std::wstring, std::string> before = Snapshot(world);

        const std::optional<std::wstring> work = PrepareWorkFolder(workDir);
        ASSERT_TRUE(work);
        g_logFile.SetLogFile(*work + L"VarloSetup.log", 1024);
        const LogWatch log(*work + L"VarloSetup.log");
        RecoverInterruptedInstall(*work);
        const std::map<std::wstring, std::string> after = Snapshot(world);
        EXPECT_FALSE(PathExists(*work + L"extract.journal"));
        std::wstring said;
        for (const std::wstring& message : log.NewMessages(L".\\InstallTransaction")) {
            said += message + L"\n";
        }
        switch (c.arrangement) {
            case Arrangement::Trusted:
                EXPECT_EQ(ReadBytes(target + L"\\victim.dll"), "planted") << "the control row replays";
                EXPECT_FALSE(PathExists(target + L"\\" + backup));
                break;
            case Arrangement::RecordInAUsersFolder: {
                EXPECT_TRUE(after == before);
                EXPECT_EQ(*work, workDir + L"\\") << "a new folder of the installer's own under the name";
                EXPECT_EQ(said, L"") << "the new folder holds no record to refuse";
                // The user's folder went aside whole, record and all; nothing in it was read.
                const std::wstring temp = workDir.substr(0, workDir.rfind(L'\\'));
                bool asideWithRecord = false;
                for (const std::wstring& name : ListFiles(temp)) {
                    asideWithRecord |= name.rfind(L"varloSetup-", 0) == 0 && name.size() > 16 &&
                                       name.substr(name.size() - 16) == L"/extract.journal";
                }
                EXPECT_TRUE(asideWithRecord);
                break;
            }
            case Arrangement::TargetOthersMayWrite:
            case Arrangement::ReplaceableParent:
                EXPECT_TRUE(after == before);
                EXPECT_NE(said.find(L"安装记录不可信"), std::wstring::npos) << "the log says why";
                break;
        }
    }
}

// Without a work folder of its own there is nowhere to keep an undo record: nothing else
// (not the exe's folder) stands in for it.
TEST_F(UndoRecordTrustTest, AWorkFolderThatCannotBeMadeIsNone) {
    const std::wstring file = sandbox.Path() + L"\\a file";
    ASSERT_TRUE(WriteBytes(file, "not a folder"));
    EXPECT_FALSE(PrepareWorkFolder(file + L"\\varloSetup"));
    EXPECT_EQ(ReadBytes(file), "not a folder");
}

}  // namespace
