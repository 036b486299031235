#include "system/AutostartTask.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "SystemTestSupport.h"

namespace {

std::wstring SchtasksPath() {
    wchar_t dir[MAX_PATH] = {};
    ::GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\schtasks.exe";
}

LaunchResult Result(bool started, bool exited, uint32_t exitCode) {
    LaunchResult result;
    result.started = started;
    result.exited = exited;
    result.exitCode = exitCode;
    return result;
}

// Registers a task through the real tool's XML form, which Wine supports (its /tr form
// is missing), so deletion can be tried on a task that exists.
bool CreateRealTask(const TempDir& dir, const std::wstring& name) {
    const std::wstring xml =
        L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        L"<Actions Context=\"Author\"><Exec><Command>C:\\windows\\system32\\cmd.exe</Command></Exec></Actions>\r\n"
        L"</Task>\r\n";
    const std::wstring file = dir.path() + L"\\task.xml";
    if (!WriteFileBytes(file, std::string(reinterpret_cast<const char*>(xml.data()), xml.size() * sizeof(wchar_t)))) {
        return false;
    }
    LaunchRequest launch;
    launch.program = SchtasksPath();
    launch.commandLine = L"schtasks /create /xml \"" + file + L"\" /tn " + name;
    launch.waitMs = 10000;
    const LaunchResult result = LaunchProcess(launch);
    return result.exited && result.exitCode == 0 && QueryTaskPresence(name) == TaskPresence::Present;
}

class AutostartTaskTest : public testing::Test {
  protected:
    SharedStateLock lock_;
    TempDir dir_;
};

TEST_F(AutostartTaskTest, CreateStartsTheSystemToolWithTheEstablishedLine) {
    RecordingLauncher launcher;
    launcher.answer = Result(true, true, 0);
    EXPECT_TRUE(CreateAutostartTask(L"vljsqRun", LR"(C:\Program Files (x86)\Varlo 加速器\vljiasu.exe)"));
    ASSERT_EQ(launcher.launches.size(), 1u);
    const LaunchRequest& launch = launcher.launches[0];
    EXPECT_EQ(launch.program, SchtasksPath());
    EXPECT_EQ(
        launch.commandLine,
        LR"(Schtasks /create /tn vljsqRun /tr "\"C:\Program Files (x86)\Varlo 加速器\vljiasu.exe\""  /sc ONLOGON /DELAY 0000:15 /RL HIGHEST /f )");
    EXPECT_TRUE(launch.hidden);
    EXPECT_EQ(launch.waitMs, 10000u);

    // How the tool itself splits that line: the action keeps its quotes, so the path with
    // blanks stays one program.
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(launch.commandLine.c_str(), &count);
    ASSERT_NE(argv, nullptr);
    const std::vector<std::wstring> args(argv, argv + count);
    ::LocalFree(argv);
    const std::vector<std::wstring> expected = {
        L"Schtasks", L"/create", L"/tn",
        L"vljsqRun", L"/tr",     LR"("C:\Program Files (x86)\Varlo 加速器\vljiasu.exe")",
        L"/sc",      L"ONLOGON", L"/DELAY",
        L"0000:15",  L"/RL",     L"HIGHEST",
        L"/f"};
    EXPECT_EQ(args, expected);
}

TEST_F(AutostartTaskTest, ExitCodeDecidesAndATimeoutCountsAsStarted) {
    struct Case {
        const char* what;
        LaunchResult answer;
        bool created;
    } const cases[] = {
        {"not started", Result(false, false, 0), false},
        {"exit 0", Result(true, true, 0), true},
        {"exit 1", Result(true, true, 1), false},
        {"still running after the wait", Result(true, false, 0), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingLauncher launcher;
        launcher.answer = c.answer;
        EXPECT_EQ(CreateAutostartTask(L"vljsqRun", LR"(C:\x\vljiasu.exe)"), c.created);
    }
}

TEST_F(AutostartTaskTest, OverlongPathFailsWithoutStartingAnything) {
    RecordingLauncher launcher;
    launcher.answer = Result(true, true, 0);
    EXPECT_FALSE(CreateAutostartTask(L"vljsqRun", L"C:\\" + std::wstring(500, L'p') + L"\\vljiasu.exe"));
    EXPECT_TRUE(launcher.launches.empty());
}

TEST_F(AutostartTaskTest, DeleteIsDoneWhenTheTaskIsGone) {
    const std::wstring present = L"vljsqRunTestPresent";
    const std::wstring absent = L"vljsqRunTestAbsent";
    ASSERT_TRUE(CreateRealTask(dir_, present));
    ASSERT_EQ(QueryTaskPresence(absent), TaskPresence::Absent);

    struct Case {
        const char* what;
        const std::wstring& task;
        LaunchResult answer;
        bool done;
    } const cases[] = {
        {"exit 0", present, Result(true, true, 0), true},
        {"failed, and the task is still there", present, Result(true, true, 1), false},
        {"failed, but there never was a task", absent, Result(true, true, 1), true},
        {"still running after the wait", present, Result(true, false, 0), true},
        {"not started", absent, Result(false, false, 0), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingLauncher launcher;
        launcher.answer = c.answer;
        EXPECT_EQ(DeleteAutostartTask(c.task), c.done);
        ASSERT_EQ(launcher.launches.size(), 1u);
        EXPECT_EQ(launcher.launches[0].program, SchtasksPath());
        EXPECT_EQ(launcher.launches[0].commandLine, L"Schtasks /delete /tn " + c.task + L" /f");
        EXPECT_EQ(launcher.launches[0].waitMs, 10000u);
    }

    // The real tool: deletes the task, and a second delete finds nothing left to do.
    EXPECT_TRUE(DeleteAutostartTask(present));
    EXPECT_EQ(QueryTaskPresence(present), TaskPresence::Absent);
    EXPECT_TRUE(DeleteAutostartTask(present));
}

// With the real tool: success is reported exactly when the task came to exist (Wine's
// tool refuses /tr; a Windows one creates the task).
TEST_F(AutostartTaskTest, RealCreateReportsWhatTheToolDid) {
    const std::wstring name = L"vljsqRunTestCreate";
    const bool created = CreateAutostartTask(name, dir_.path() + L"\\vljiasu.exe");
    EXPECT_EQ(created, QueryTaskPresence(name) == TaskPresence::Present);
    (void)DeleteAutostartTask(name);
}

TEST_F(AutostartTaskTest, PowerupIsRecordedOnlyWhenTheStepSucceeded) {
    const std::wstring cfg = dir_.path() + L"\\local.cfg";
    struct Case {
        const char* what;
        bool enabled;
        LaunchResult answer;
        const wchar_t* powerup;
    } const cases[] = {
        {"created", true, Result(true, true, 0), L"1"},
        {"creation refused", true, Result(true, true, 1), L"<absent>"},
        {"creation not started", true, Result(false, false, 0), L"<absent>"},
        {"deleted", false, Result(true, true, 0), L"0"},
        {"deletion failed, but there never was a task", false, Result(true, true, 1), L"0"},
        {"deletion not started", false, Result(false, false, 0), L"<absent>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::DeleteFileW(cfg.c_str());
        RecordingLauncher launcher;
        launcher.answer = c.answer;
        EXPECT_EQ(ApplyAutostartOption(dir_.path(), c.enabled), std::wstring(c.powerup) != L"<absent>");
        EXPECT_EQ(IniValue(cfg, L"config", L"powerup"), c.powerup);
        ASSERT_EQ(launcher.launches.size(), 1u);
        const std::wstring expected = c.enabled ? L"Schtasks /create /tn vljsqRun /tr \"\\\"" + dir_.path() +
                                                      L"\\vljiasu.exe\\\"\"  /sc ONLOGON /DELAY 0000:15 /RL HIGHEST /f "
                                                : L"Schtasks /delete /tn vljsqRun /f";
        EXPECT_EQ(launcher.launches[0].commandLine, expected);
    }
}

}  // namespace
