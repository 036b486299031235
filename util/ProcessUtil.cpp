#include "util/ProcessUtil.h"

#include <windows.h>

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

// cmd.exe by full path from the system directory, never from the current or the
// installer's own directory, which an attacker may have seeded. False when the system
// directory cannot be had: then nothing is started.
bool CmdRequest(LaunchRequest& request) {
    const std::wstring systemDir = GetSystemDirectoryPath();
    if (systemDir.empty()) {
        return false;
    }
    request.program = systemDir + L"\\cmd.exe";
    request.workDir = systemDir;
    request.hidden = true;
    return true;
}

}  // namespace

void KillProcessByName(const std::wstring& imageName) {
    const std::wstring command = L"taskkill /f /im " + imageName + L" /t";
    const std::wstring parameters = L"/c \"" + command + L"\"";
    ::OutputDebugStringW(parameters.c_str());
    LaunchRequest request;
    if (!CmdRequest(request)) {
        return;
    }
    // The line the shell would hand to the program: its quoted path, then the parameters.
    request.commandLine = L"\"" + request.program + L"\" " + parameters;
    (void)LaunchProcess(request);
}

void RunHiddenCommand(const std::string& command) {
    const std::wstring wide = AnsiToWide(command);
    LaunchRequest request;
    if (wide.empty() || !CmdRequest(request)) {
        return;
    }
    request.commandLine = L"cmd.exe /c \"" + wide + L"\"";
    (void)LaunchProcess(request);
}
