#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "tests/support/RecordingLauncher.h"
#include "util/ProcessUtil.h"

namespace {

class ProcessUtilTest : public ::testing::Test {
  protected:
    RecordingLauncher recorder_;
};

TEST_F(ProcessUtilTest, SystemDirectoryHasNoTrailingSeparator) {
    const std::wstring dir = GetSystemDirectoryPath();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), L'\\');
    EXPECT_NE(GetFileAttributesW((dir + L"\\cmd.exe").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProcessUtilTest, KillRunsTheSystemCmdWithTheQuotedTaskkill) {
    KillProcessByName(L"vljiasu.exe");
    ASSERT_EQ(recorder_.launches.size(), 1u);
    const LaunchRequest& request = recorder_.launches[0];
    const std::wstring cmd = GetSystemDirectoryPath() + L"\\cmd.exe";
    EXPECT_EQ(request.program, cmd);
    EXPECT_EQ(request.commandLine, L"\"" + cmd + L"\" /c \"taskkill /f /im vljiasu.exe /t\"");
    EXPECT_EQ(request.workDir, GetSystemDirectoryPath());
    EXPECT_TRUE(request.hidden);
    EXPECT_EQ(request.waitMs, 0u);
}

TEST_F(ProcessUtilTest, HiddenCommandKeepsItsTextButNamesCmdByFullPath) {
    RunHiddenCommand("sc stop RuzidorIririre");
    RunHiddenCommand("sc delete RuzidorIririre");
    ASSERT_EQ(recorder_.launches.size(), 2u);
    const std::wstring cmd = GetSystemDirectoryPath() + L"\\cmd.exe";
    EXPECT_EQ(recorder_.launches[0].program, cmd);
    EXPECT_EQ(recorder_.launches[0].commandLine, L"cmd.exe /c \"sc stop RuzidorIririre\"");
    EXPECT_EQ(recorder_.launches[1].commandLine, L"cmd.exe /c \"sc delete RuzidorIririre\"");
    EXPECT_EQ(recorder_.launches[1].workDir, GetSystemDirectoryPath());
    EXPECT_TRUE(recorder_.launches[1].hidden);
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
