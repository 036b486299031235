#include "util/ProcessUtil.h"

#include <windows.h>

#include <process.h>
#include <tlhelp32.h>

#include <memory>
#include <vector>

#include "util/TextConv.h"
#include "util/UniqueHandle.h"

namespace {

class RealLauncher final : public IProcessLauncher {
  public:
    LaunchResult Launch(const LaunchRequest& request) override {
        LaunchResult result;
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        if (request.hidden) {
            si.dwFlags = STARTF_USESHOWWINDOW;
            si.wShowWindow = SW_HIDE;
        }
        PROCESS_INFORMATION pi = {};
        // CreateProcess may write into the command line buffer.
        std::vector<wchar_t> commandLine(request.commandLine.begin(), request.commandLine.end());
        commandLine.push_back(L'\0');
        const DWORD flags = request.hidden ? CREATE_NO_WINDOW : 0;
        if (!::CreateProcessW(request.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                              request.workDir.empty() ? nullptr : request.workDir.c_str(), &si, &pi)) {
            return result;
        }
        UniqueKernelHandle process(pi.hProcess);
        UniqueKernelHandle thread(pi.hThread);
        result.started = true;
        if (request.waitMs && ::WaitForSingleObject(process.get(), request.waitMs) == WAIT_OBJECT_0) {
            DWORD code = 0;
            if (::GetExitCodeProcess(process.get(), &code)) {
                result.exited = true;
                result.exitCode = code;
            }
        }
        return result;
    }
};

RealLauncher g_realLauncher;
IProcessLauncher* g_launcher = &g_realLauncher;

}  // namespace

void SetProcessLauncher(IProcessLauncher* launcher) {
    g_launcher = launcher ? launcher : &g_realLauncher;
}

LaunchResult LaunchProcess(const LaunchRequest& request) {
    return g_launcher->Launch(request);
}

std::wstring GetSystemDirectoryPath() {
    wchar_t buffer[1024] = {};
    const UINT length = ::GetSystemDirectoryW(buffer, ARRAYSIZE(buffer));
    if (length == 0 || length >= ARRAYSIZE(buffer)) {
        return std::wstring();
    }
    std::wstring dir(buffer, length);
    while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) {
        dir.pop_back();
    }
    return dir;
}

namespace {

uint64_t CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

using UniqueServiceHandle = UniqueHandle<NullHandleTraits<SC_HANDLE, &::CloseServiceHandle>>;

unsigned __stdcall ServiceThread(void* argument) {
    std::unique_ptr<std::wstring> name(static_cast<std::wstring*>(argument));
    try {
        static_cast<void>(StopAndDeleteService(*name));
    } catch (...) {
        // Nothing may leave the thread.
    }
    return 0;
}

}  // namespace

std::vector<ProcessEntry> SnapshotProcesses() {
    std::vector<ProcessEntry> entries;
    UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return entries;
    }
    PROCESSENTRY32W row{};
    row.dwSize = sizeof(row);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &row); more; more = ::Process32NextW(snapshot.get(), &row)) {
        ProcessEntry entry;
        entry.pid = row.th32ProcessID;
        entry.parentPid = row.th32ParentProcessID;
        entry.name = row.szExeFile;
        UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, row.th32ProcessID));
        if (process) {
            entry.createdAt = CreationTime(process.get());
            wchar_t image[1024] = {};
            DWORD length = ARRAYSIZE(image);
            if (::QueryFullProcessImageNameW(process.get(), 0, image, &length)) {
                entry.imagePath.assign(image, length);
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

size_t EndProcessesInFolders(const std::vector<std::wstring>& imageNames, const std::vector<std::wstring>& folders) {
    const std::vector<ProcessEntry> snapshot = SnapshotProcesses();
    const std::vector<uint32_t> chosen =
        SelectProcessesToEnd(snapshot, imageNames, folders, static_cast<uint32_t>(::GetCurrentProcessId()));
    size_t ended = 0;
    for (const uint32_t pid : chosen) {
        UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        if (!process) {
            continue;
        }
        // The id may have passed to a new process since the snapshot.
        uint64_t seen = 0;
        for (const ProcessEntry& entry : snapshot) {
            if (entry.pid == pid) {
                seen = entry.createdAt;
            }
        }
        if (seen != 0 && CreationTime(process.get()) != seen) {
            continue;
        }
        if (::TerminateProcess(process.get(), 1)) {
            ++ended;
        }
    }
    return ended;
}

bool StopAndDeleteService(const std::wstring& serviceName) {
    UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        return false;
    }
    UniqueServiceHandle service(
        ::OpenServiceW(manager.get(), serviceName.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service) {
        return false;
    }
    SERVICE_STATUS status{};
    // A service that is not running answers with an error; it is deleted all the same.
    ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    return ::DeleteService(service.get()) != FALSE || ::GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
}

void StopAndDeleteServiceDetached(const std::wstring& serviceName) {
    auto name = std::make_unique<std::wstring>(serviceName);
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &ServiceThread, name.get(), 0, nullptr);
    if (thread == 0) {
        return;
    }
    static_cast<void>(name.release());
    ::CloseHandle(reinterpret_cast<HANDLE>(thread));
}
