#include "system/AutostartTask.h"

#include <windows.h>
#include <taskschd.h>

#include "system/LocalSettings.h"
#include "system/ProductNames.h"
#include "system/TaskArguments.h"
#include "util/ComPtr.h"
#include "util/ProcessUtil.h"

namespace {

// {0F87369F-A4E5-4CFC-BD3E-73E6154572DD}, the task scheduler service object.
constexpr CLSID kTaskSchedulerClsid = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};

// By full path from the system directory: a "schtasks.exe" beside a downloaded installer
// must never run elevated in its place.
LaunchResult RunSchtasks(const std::wstring& arguments) {
    const std::wstring systemDir = GetSystemDirectoryPath();
    if (systemDir.empty()) {
        return LaunchResult();
    }
    LaunchRequest launch;
    launch.program = systemDir + L"\\schtasks.exe";
    launch.commandLine = SchtasksCommandLine(arguments);
    launch.hidden = true;
    launch.waitMs = kSchtasksWaitMs;
    return LaunchProcess(launch);
}

// A tool still busy when the wait ends has at least been started, and may yet succeed.
bool Succeeded(const LaunchResult& result) {
    return result.started && (!result.exited || result.exitCode == 0);
}

class Bstr {
  public:
    explicit Bstr(const std::wstring& text)
        : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { ::SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    [[nodiscard]] BSTR get() const { return value_; }

  private:
    BSTR value_;
};

}  // namespace

bool CreateAutostartTask(const std::wstring& taskName, const std::wstring& exePath) {
    const std::optional<std::wstring> arguments = FormatCreateTaskArguments(taskName, exePath);
    return arguments && Succeeded(RunSchtasks(*arguments));
}

bool DeleteAutostartTask(const std::wstring& taskName) {
    const std::optional<std::wstring> arguments = FormatDeleteTaskArguments(taskName);
    if (!arguments) {
        return false;
    }
    const LaunchResult result = RunSchtasks(*arguments);
    if (!result.started) {
        return false;
    }
    if (Succeeded(result)) {
        return true;
    }
    // The tool fails alike for a task that never existed and for a refused delete; only
    // in the first case is the logon start withdrawn.
    return QueryTaskPresence(taskName) == TaskPresence::Absent;
}

TaskPresence QueryTaskPresence(const std::wstring& taskName) {
    ScopedComInit com;
    ComPtr<ITaskService> service;
    if (FAILED(::CoCreateInstance(kTaskSchedulerClsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                  service.put_void()))) {
        return TaskPresence::Unknown;
    }
    VARIANT none;
    ::VariantInit(&none);
    if (FAILED(service->Connect(none, none, none, none))) {
        return TaskPresence::Unknown;
    }
    const Bstr rootName(L"\\");
    ComPtr<ITaskFolder> root;
    if (!rootName.get() || FAILED(service->GetFolder(rootName.get(), root.put())) || !root) {
        return TaskPresence::Unknown;
    }
    const Bstr name(taskName);
    if (!name.get()) {
        return TaskPresence::Unknown;
    }
    ComPtr<IRegisteredTask> task;
    const HRESULT hr = root->GetTask(name.get(), task.put());
    if (SUCCEEDED(hr)) {
        return TaskPresence::Present;
    }
    if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)) {
        return TaskPresence::Absent;
    }
    return TaskPresence::Unknown;
}

bool ApplyAutostartOption(const std::wstring& targetDir, bool enabled) {
    const bool done = enabled ? CreateAutostartTask(kAutostartTaskName, targetDir + L"\\" + kClientExeName)
                              : DeleteAutostartTask(kAutostartTaskName);
    if (!done) {
        return false;
    }
    (void)WritePowerupSetting(targetDir, enabled);
    return true;
}
