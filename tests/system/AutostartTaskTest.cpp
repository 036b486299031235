#include "system/AutostartTask.h"

#include <windows.h>
#include <taskschd.h>

#include <gtest/gtest.h>

#include "SystemTestSupport.h"
#include "util/ComPtr.h"

namespace {

// Where the scheduler service keeps a registered task's definition. The service is a
// 64-bit process; this test is not, so it looks past the file-system redirection.
std::wstring StoredTaskPath(const std::wstring& name) {
    wchar_t dir[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryW(dir, MAX_PATH);
    for (const wchar_t* folder : {L"\\sysnative\\tasks\\", L"\\system32\\tasks\\"}) {
        const std::wstring path = std::wstring(dir) + folder + name;
        if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return path;
        }
    }
    return L"";
}

// The settings of the registered task as the scheduler reports them.
struct TaskSettings {
    bool found = false;
    VARIANT_BOOL disallowStartOnBatteries = VARIANT_TRUE;
    VARIANT_BOOL stopGoingOnBatteries = VARIANT_TRUE;
    VARIANT_BOOL startWhenAvailable = VARIANT_FALSE;
    std::wstring executionTimeLimit;
};

TaskSettings ReadSettings(const std::wstring& name) {
    TaskSettings out;
    ScopedComInit com;
    constexpr CLSID kScheduler = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
    ComPtr<ITaskService> service;
    VARIANT none;
    ::VariantInit(&none);
    ComPtr<ITaskFolder> root;
    ComPtr<IRegisteredTask> task;
    ComPtr<ITaskDefinition> definition;
    ComPtr<ITaskSettings> settings;
    BSTR rootName = ::SysAllocString(L"\\");
    BSTR taskName = ::SysAllocString(name.c_str());
    const bool ok =
        SUCCEEDED(::CoCreateInstance(kScheduler, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                     service.put_void())) &&
        SUCCEEDED(service->Connect(none, none, none, none)) && SUCCEEDED(service->GetFolder(rootName, root.put())) &&
        SUCCEEDED(root->GetTask(taskName, task.put())) && SUCCEEDED(task->get_Definition(definition.put())) &&
        SUCCEEDED(definition->get_Settings(settings.put()));
    ::SysFreeString(rootName);
    ::SysFreeString(taskName);
    if (!ok) {
        return out;
    }
    out.found = true;
    settings->get_DisallowStartIfOnBatteries(&out.disallowStartOnBatteries);
    settings->get_StopIfGoingOnBatteries(&out.stopGoingOnBatteries);
    settings->get_StartWhenAvailable(&out.startWhenAvailable);
    BSTR limit = nullptr;
    if (SUCCEEDED(settings->get_ExecutionTimeLimit(&limit)) && limit != nullptr) {
        out.executionTimeLimit = limit;
    }
    ::SysFreeString(limit);
    return out;
}

class AutostartTaskTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(DeleteAutostartTask(kName)); }
    void TearDown() override { (void)DeleteAutostartTask(kName); }

    static constexpr const wchar_t* kName = L"vljsqRunTest";
    SharedStateLock lock_;
    TempDir dir_{L"varlo 加速器"};
};

// Against the real scheduler: what the battery and the clock used to take away is kept,
// both as the scheduler reports it and in the definition it stored. (Wine's scheduler keeps
// only a task's settings when it stores one; the trigger, principal and command handed
// over are read in the definition's own test.)
TEST_F(AutostartTaskTest, CreateRegistersATaskThatIgnoresTheBatteryAndTheClock) {
    RecordingLauncher launcher;
    ASSERT_TRUE(CreateAutostartTask(kName, dir_.path() + L"\\vljiasu.exe"));
    EXPECT_TRUE(launcher.launches.empty()) << "no helper program";
    EXPECT_EQ(QueryTaskPresence(kName), TaskPresence::Present);

    const TaskSettings settings = ReadSettings(kName);
    ASSERT_TRUE(settings.found);
    EXPECT_EQ(settings.disallowStartOnBatteries, VARIANT_FALSE);
    EXPECT_EQ(settings.stopGoingOnBatteries, VARIANT_FALSE);
    EXPECT_EQ(settings.startWhenAvailable, VARIANT_TRUE);
    EXPECT_EQ(settings.executionTimeLimit, L"PT0S");

    const std::wstring stored = StoredTaskPath(kName);
    ASSERT_FALSE(stored.empty());
    const std::string xml = ReadFileBytes(stored);
    for (const char* element :
         {"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
          "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>", "<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
          "<StartWhenAvailable>true</StartWhenAvailable>"}) {
        EXPECT_NE(xml.find(element), std::string::npos) << element << " in\n" << xml;
    }

    // A second install replaces the task instead of failing on it.
    EXPECT_TRUE(CreateAutostartTask(kName, dir_.path() + L"\\vljiasu.exe"));
    EXPECT_FALSE(CreateAutostartTask(kName, L"")) << "no program, no task";
}

TEST_F(AutostartTaskTest, DeleteIsDoneWhenTheTaskIsGone) {
    ASSERT_TRUE(CreateAutostartTask(kName, dir_.path() + L"\\vljiasu.exe"));
    EXPECT_TRUE(DeleteAutostartTask(kName));
    EXPECT_EQ(QueryTaskPresence(kName), TaskPresence::Absent);
    EXPECT_TRUE(StoredTaskPath(kName).empty());
    EXPECT_TRUE(DeleteAutostartTask(kName)) << "nothing left to delete is done too";
}

TEST_F(AutostartTaskTest, PowerupFollowsTheTask) {
    const std::wstring cfg = dir_.path() + L"\\local.cfg";
    struct Case {
        const char* what;
        bool enabled;
        const wchar_t* powerup;
        TaskPresence task;
    } const cases[] = {
        {"created", true, L"1", TaskPresence::Present},
        {"created again over the first", true, L"1", TaskPresence::Present},
        {"deleted", false, L"0", TaskPresence::Absent},
        {"deleted when there was none", false, L"0", TaskPresence::Absent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::DeleteFileW(cfg.c_str());
        EXPECT_TRUE(ApplyAutostartOption(dir_.path(), c.enabled));
        EXPECT_EQ(IniValue(cfg, L"config", L"powerup"), c.powerup);
        EXPECT_EQ(QueryTaskPresence(L"vljsqRun"), c.task);
    }
}

}  // namespace
