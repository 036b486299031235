#include "system/AutostartTask.h"

#include <windows.h>
#include <taskschd.h>

#include "system/LocalSettings.h"
#include "system/LogonTaskXml.h"
#include "system/ProductNames.h"
#include "util/ComPtr.h"

namespace {

// {0F87369F-A4E5-4CFC-BD3E-73E6154572DD}, the task scheduler service object.
constexpr CLSID kTaskSchedulerClsid = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};

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

bool IsNotFound(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// The scheduler's root folder on this machine, for the thread's COM apartment the caller
// holds. Empty when the service cannot be reached.
ComPtr<ITaskFolder> RootFolder() {
    ComPtr<ITaskFolder> root;
    ComPtr<ITaskService> service;
    if (FAILED(::CoCreateInstance(kTaskSchedulerClsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                  service.put_void()))) {
        return root;
    }
    VARIANT none;
    ::VariantInit(&none);
    if (FAILED(service->Connect(none, none, none, none))) {
        return root;
    }
    const Bstr rootName(L"\\");
    if (rootName.get() == nullptr || FAILED(service->GetFolder(rootName.get(), root.put()))) {
        root.reset();
    }
    return root;
}

}  // namespace

void WakeTaskScheduler() {
    ScopedComInit com;
    static_cast<void>(RootFolder());
}

bool CreateAutostartTask(const std::wstring& taskName, const std::wstring& exePath) {
    if (exePath.empty()) {
        return false;
    }
    return RestoreTaskDefinition(taskName, LogonTaskXml(exePath));
}

TaskPresence ReadTaskDefinition(const std::wstring& taskName, std::wstring* xml) {
    ScopedComInit com;
    const ComPtr<ITaskFolder> root = RootFolder();
    const Bstr name(taskName);
    if (!root || name.get() == nullptr) {
        return TaskPresence::Unknown;
    }
    ComPtr<IRegisteredTask> task;
    const HRESULT hr = root->GetTask(name.get(), task.put());
    if (FAILED(hr)) {
        return IsNotFound(hr) ? TaskPresence::Absent : TaskPresence::Unknown;
    }
    if (xml == nullptr) {
        return TaskPresence::Present;
    }
    BSTR text = nullptr;
    if (FAILED(task->get_Xml(&text)) || text == nullptr) {
        return TaskPresence::Unknown;
    }
    xml->assign(text, ::SysStringLen(text));
    ::SysFreeString(text);
    return xml->empty() ? TaskPresence::Unknown : TaskPresence::Present;
}

bool RestoreTaskDefinition(const std::wstring& taskName, const std::wstring& definition) {
    if (taskName.empty() || definition.empty()) {
        return false;
    }
    ScopedComInit com;
    const ComPtr<ITaskFolder> root = RootFolder();
    const Bstr name(taskName);
    const Bstr xml(definition);
    if (!root || name.get() == nullptr || xml.get() == nullptr) {
        return false;
    }
    // No user and an interactive token: the task runs as the user who installs, in that
    // user's session, at the highest level the definition asks for.
    VARIANT none;
    ::VariantInit(&none);
    ComPtr<IRegisteredTask> task;
    return SUCCEEDED(root->RegisterTask(name.get(), xml.get(), TASK_CREATE_OR_UPDATE, none, none,
                                        TASK_LOGON_INTERACTIVE_TOKEN, none, task.put()));
}

bool DeleteAutostartTask(const std::wstring& taskName) {
    if (taskName.empty()) {
        return false;
    }
    ScopedComInit com;
    const ComPtr<ITaskFolder> root = RootFolder();
    const Bstr name(taskName);
    if (!root || name.get() == nullptr) {
        return false;
    }
    const HRESULT hr = root->DeleteTask(name.get(), 0);
    return SUCCEEDED(hr) || IsNotFound(hr);
}

TaskPresence QueryTaskPresence(const std::wstring& taskName) {
    return ReadTaskDefinition(taskName, nullptr);
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
