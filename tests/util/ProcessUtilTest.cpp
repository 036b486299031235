#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "tests/support/RecordingLauncher.h"
#include "tests/support/Sleeper.h"
#include "tests/support/TempDir.h"
#include "util/FileUtil.h"
#include "util/ProcessUtil.h"
#include "util/UniqueHandle.h"

namespace {

class ProcessUtilTest : public ::testing::Test {
  protected:
    RecordingLauncher recorder_;
};

TEST_F(ProcessUtilTest, SystemDirectoryHasNoTrailingSeparator) {
    const std::wstring dir = GetSystemDirectoryPath();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), L'\\');
    EXPECT_NE(GetFileAttributesW((dir + L"\\notepad.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A copy of this test program stands in for the client: started with the filter below and
// VARLO_SLEEPER set, it only waits to be ended.
TEST(ProcessUtilSleeper, Sleeps) {
    if (::GetEnvironmentVariableW(L"VARLO_SLEEPER", nullptr, 0) == 0) {
        GTEST_SKIP() << "only a stand-in when started by the process tests";
    }
    ::Sleep(60000);
}

struct Started {
    UniqueKernelHandle process;
    bool running() const { return ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT; }
};

Started StartCopyAs(const std::wstring& folder, const wchar_t* name) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring image = folder + L"\\" + name;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    Started started;
    if (!::CopyFileW(self, image.c_str(), FALSE)) {
        return started;
    }
    started.process.reset(StartSleeperProcess(image, L"\"" + image + L"\" --gtest_filter=ProcessUtilSleeper.Sleeps",
                                              folder, L"VARLO_SLEEPER"));
    return started;
}

// Real processes: the client's name inside the install folder is ended, the same name
// elsewhere is left running, and no program at all is started to do it.
TEST_F(ProcessUtilTest, EndsTheClientOnlyInItsOwnFolder) {
    const TempDir scratch(L"varlo processes");
    Started inside = StartCopyAs(scratch.path() + L"\\install", L"vljiasu.exe");
    Started elsewhere = StartCopyAs(scratch.path() + L"\\other", L"vljiasu.exe");
    ASSERT_TRUE(inside.process && elsewhere.process);
    ASSERT_TRUE(inside.running() && elsewhere.running());

    // The stand-in runs without a console, so it has no console host: it alone is ended.
    EXPECT_EQ(EndProcessesInFolders({L"vljiasu.exe"}, {scratch.path() + L"\\install"}), 1u);
    EXPECT_EQ(::WaitForSingleObject(inside.process.get(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(elsewhere.running()) << "a process of the same name in another folder";
    EXPECT_TRUE(recorder_.launches.empty()) << "nothing is launched to end a process";
    ::TerminateProcess(elsewhere.process.get(), 0);
    ::WaitForSingleObject(elsewhere.process.get(), 10000);
}

TEST_F(ProcessUtilTest, SnapshotKnowsThisProcess) {
    const std::vector<ProcessEntry> snapshot = SnapshotProcesses();
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    bool found = false;
    for (const ProcessEntry& entry : snapshot) {
        if (entry.pid == ::GetCurrentProcessId()) {
            found = true;
            EXPECT_NE(entry.createdAt, 0u);
            EXPECT_TRUE(IsInsideFolder(entry.imagePath, GetParentPart(self))) << entry.imagePath;
        }
    }
    EXPECT_TRUE(found);
}

// The service manager itself: a registered service is stopped and deleted, a missing one
// is a failure reported to nobody, and no command interpreter is involved.
TEST_F(ProcessUtilTest, ServiceIsDeletedThroughTheServiceManager) {
    const wchar_t* name = L"VarloTestSvc";
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    ASSERT_NE(manager, nullptr);
    const std::wstring binary = GetSystemDirectoryPath() + L"\\notepad.exe";
    SC_HANDLE created =
        ::CreateServiceW(manager, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                         SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(created, nullptr);
    ::CloseServiceHandle(created);

    EXPECT_TRUE(StopAndDeleteService(name));
    SC_HANDLE after = ::OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
    EXPECT_EQ(after, nullptr);
    if (after != nullptr) {
        ::DeleteService(after);
        ::CloseServiceHandle(after);
    }
    ::CloseServiceHandle(manager);
    EXPECT_FALSE(StopAndDeleteService(L"RuzidorIririre"));
    EXPECT_TRUE(recorder_.launches.empty());
}

TEST(RealLauncher, WaitsForTheExitCodeWhenAsked) {
    LaunchRequest request;
    request.program = GetSystemDirectoryPath() + L"\\cmd.exe";
    request.commandLine = L"cmd.exe /c exit 3";
    request.waitMs = 20000;
    const LaunchResult r = LaunchProcess(request);
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 3u);
}

TEST(RealLauncher, AMissingProgramIsNotStarted) {
    LaunchRequest request;
    request.program = GetSystemDirectoryPath() + L"\\no-such-program.exe";
    request.commandLine = L"no-such-program.exe";
    EXPECT_FALSE(LaunchProcess(request).started);
}

}  // namespace
