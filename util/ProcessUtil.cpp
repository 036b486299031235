#include "util/ProcessUtil.h"

#include <windows.h>

#include <vector>

#include "util/TextConv.h"
#include "util/UniqueHandle.h"

namespace {

class RealLauncher final : public IProcessLauncher {
  public:
    LaunchResult Launch(const LaunchSpec& spec) override {
        LaunchResult result;
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        if (spec.hidden) {
            si.dwFlags = STARTF_USESHOWWINDOW;
            si.wShowWindow = SW_HIDE;
        }
        PROCESS_INFORMATION pi = {};
        // CreateProcess may write into the command line buffer.
        std::vector<wchar_t> commandLine(spec.commandLine.begin(), spec.commandLine.end());
        commandLine.push_back(L'\0');
        const DWORD flags = spec.hidden ? CREATE_NO_WINDOW : 0;
        if (!::CreateProcessW(spec.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                              spec.workDir.empty() ? nullptr : spec.workDir.c_str(), &si, &pi)) {
            return result;
        }
        UniqueKernelHandle process(pi.hProcess);
        UniqueKernelHandle thread(pi.hThread);
        result.started = true;
        if (spec.waitMs && ::WaitForSingleObject(process.get(), spec.waitMs) == WAIT_OBJECT_0) {
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

LaunchResult LaunchProcess(const LaunchSpec& spec) {
    return g_launcher->Launch(spec);
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
// installer's own directory, which an attacker may have seeded.
LaunchSpec CmdSpec(const std::wstring& commandLine) {
    LaunchSpec spec;
    const std::wstring systemDir = GetSystemDirectoryPath();
    spec.program = systemDir + L"\\cmd.exe";
    spec.commandLine = commandLine;
    spec.workDir = systemDir;
    spec.hidden = true;
    return spec;
}

}  // namespace

void KillProcessByName(const std::wstring& imageName) {
    const std::wstring command = L"taskkill /f /im " + imageName + L" /t";
    const std::wstring parameters = L"/c \"" + command + L"\"";
    ::OutputDebugStringW(parameters.c_str());
    LaunchSpec spec = CmdSpec(std::wstring());
    if (GetSystemDirectoryPath().empty()) {
        return;
    }
    // The line the shell would hand to the program: its quoted path, then the parameters.
    spec.commandLine = L"\"" + spec.program + L"\" " + parameters;
    (void)LaunchProcess(spec);
}

void RunHiddenCommand(const std::string& command) {
    const std::wstring wide = AnsiToWide(command);
    if (wide.empty() || GetSystemDirectoryPath().empty()) {
        return;
    }
    (void)LaunchProcess(CmdSpec(L"cmd.exe /c \"" + wide + L"\""));
}
