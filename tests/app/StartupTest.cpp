#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/InstanceGuard.h"
#include "app/StartupSequence.h"
#include "installer/WindowIdentity.h"
#include "system/UninstallRegistration.h"
#include "tests/support/LogLines.h"
#include "tests/support/RecordingLauncher.h"
#include "tests/support/Sleeper.h"
#include "tests/toolkit/TestPaths.h"
#include "toolkit/SkinArchive.h"
#include "util/ProcessUtil.h"
#include "util/UniqueHandle.h"
#include "util/WriteLogFile.h"

namespace {

// The build hands over host paths; Wine sees the host's root as drive Z:.
std::wstring SetupExePath() {
    return TestPaths::Host(VARLO_SETUP_EXE);
}

// A program as a child process; an invalid handle when it could not be started.
UniqueKernelHandle StartProcess(const std::wstring& exe) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return UniqueKernelHandle();
    }
    UniqueKernelHandle thread(pi.hThread);
    return UniqueKernelHandle(pi.hProcess);
}

UniqueKernelHandle StartSetupExe() {
    return StartProcess(SetupExePath());
}

// A module loaded as data, the way the installer reads its own resources: setup.exe unless
// another is named.
struct DataModule {
    DataModule() : DataModule(SetupExePath()) {}
    explicit DataModule(const std::wstring& path)
        : module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    UniqueModule module;
};

struct Calls {
    int instance = 0;
    int window = 0;
    std::string zipHead;
    std::vector<uint8_t> zip;
    std::string password;
    size_t zipLength = 0;
    std::wstring logDir;  // as handed to the window
};

StartupHooks RecordingHooks(Calls& calls) {
    StartupHooks hooks;
    hooks.setToolkitInstance = [&calls](HINSTANCE) { ++calls.instance; };
    hooks.setResourceZip = [&calls](const uint8_t* data, size_t length, const char* password) {
        calls.zipHead.assign(reinterpret_cast<const char*>(data), length < 4 ? length : 4);
        calls.zipLength = length;
        calls.zip.assign(data, data + length);
        calls.password = password;
    };
    hooks.runMainWindow = [&calls](HINSTANCE, const std::wstring& logDir) {
        ++calls.window;
        calls.logDir = logDir;
    };
    return hooks;
}

// A hidden stand-in for the first installer's window.
class FakeMainWindow {
  public:
    FakeMainWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kMainWindowClass;
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_POPUP, 10, 10, 100, 100, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    }
    ~FakeMainWindow() { ::DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }

  private:
    HWND hwnd_;
};

class StartupTest : public ::testing::Test {
  protected:
    // A copy of this test program, registered as the installed client in a folder of its
    // own (the uninstall value quoted, as the installer writes it for a folder with a
    // blank) and started as the stand-in below.
    struct RegisteredClient {
        std::wstring folder;
        std::wstring client;
        UniqueKernelHandle process;
    };

    static RegisteredClient StartRegisteredClient(const wchar_t* folderName) {
        RegisteredClient laid;
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        laid.folder = std::wstring(temp) + folderName + L" " + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(laid.folder.c_str(), nullptr);
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        laid.client = laid.folder + L"\\vljiasu.exe";
        HKEY key = nullptr;
        if (!::CopyFileW(self, laid.client.c_str(), FALSE) ||
            ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                              nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return laid;
        }
        const std::wstring value = L"\"" + laid.folder + L"\\unins000.exe\"";
        ::RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
        laid.process.reset(StartSleeperProcess(laid.client,
                                               L"\"" + laid.client + L"\" --gtest_filter=StartupSleeper.Sleeps",
                                               laid.folder, L"VARLO_SLEEPER"));
        return laid;
    }

    static void RemoveRegisteredClient(RegisteredClient& laid) {
        if (laid.process) {
            ::TerminateProcess(laid.process.get(), 0);
            ::WaitForSingleObject(laid.process.get(), 10000);
        }
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
        ::DeleteFileW(laid.client.c_str());
        ::RemoveDirectoryW(laid.folder.c_str());
    }

    RecordingLauncher recorder_;
};

TEST(InstanceGuard, SecondGuardSeesTheFirst) {
    const char name[] = "_varlo_guard_test_";
    auto first = std::make_unique<InstanceGuard>(name);
    EXPECT_FALSE(first->IsAlreadyRunning());
    {
        InstanceGuard second(name);
        EXPECT_TRUE(second.IsAlreadyRunning());
    }
    first.reset();
    InstanceGuard again(name);
    EXPECT_FALSE(again.IsAlreadyRunning());
}

TEST(InstanceGuard, HandleIsNotInheritedByChildren) {
    InstanceGuard guard("_varlo_guard_inherit_");
    ASSERT_NE(guard.handle(), nullptr);
    DWORD flags = 0;
    ASSERT_TRUE(::GetHandleInformation(guard.handle(), &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
    guard.Close();
    EXPECT_EQ(guard.handle(), nullptr);
}

// Each way start-up ends early, or the window ends in an exception, leaves one line in the
// log saying why: nothing else shows it.
TEST_F(StartupTest, EarlyEndsLeaveOneLogLineEach) {
    DataModule setup;
    ASSERT_TRUE(setup.module);
    DataModule emptySkin(TestPaths::Host(VARLO_EMPTY_SKIN_DLL));
    ASSERT_TRUE(emptySkin.module) << "a module whose skin resource holds no byte";
    struct Case {
        const char* why;
        HMODULE module;
        bool multiThreadedApartment;
        bool windowThrows;
        int instance;
        bool skinHandedOver;
        const wchar_t* message;
    };
    const Case cases[] = {
        // CoInitialize refuses a thread already in the other apartment: RPC_E_CHANGED_MODE.
        {"COM refused", setup.module.get(), true, false, 0, false, L"COM初始化失败,0x80010106"},
        {"no skin resource (the test program carries none)", ::GetModuleHandleW(nullptr), false, false, 1, false,
         L"皮肤资源未找到"},
        {"an empty skin resource: no client is killed", emptySkin.module.get(), false, false, 1, false,
         L"皮肤资源为空"},
        {"the main window throws", setup.module.get(), false, true, 1, true, L"主窗口异常结束"},
    };
    for (const Case& c : cases) {
        recorder_.launches.clear();
        Calls calls;
        StartupHooks hooks = RecordingHooks(calls);
        if (c.windowThrows) {
            hooks.runMainWindow = [&calls](HINSTANCE, const std::wstring&) {
                ++calls.window;
                throw std::runtime_error("the window failed");
            };
        }
        const LogWatch log(DetermineLogDir().value_or(L"") + L"VarloSetup.log");
        int result = -1;
        if (c.multiThreadedApartment) {
            std::thread([&] {
                ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                result = RunInstaller(c.module, hooks);
                ::CoUninitialize();
            }).join();
        } else {
            result = RunInstaller(c.module, hooks);
        }
        EXPECT_EQ(result, 0) << c.why;
        EXPECT_EQ(log.NewMessages(L".\\StartupSequence"), std::vector<std::wstring>{c.message}) << c.why;
        // The service goes through the service manager and the clients are ended from a
        // process snapshot: no program is started for either.
        EXPECT_TRUE(recorder_.CommandLines().empty()) << c.why;
        EXPECT_EQ(calls.instance, c.instance) << c.why;
        EXPECT_EQ(calls.zipLength != 0, c.skinHandedOver) << c.why;
        EXPECT_EQ(calls.window, c.windowThrows ? 1 : 0) << c.why;
    }
}

TEST_F(StartupTest, FullSequenceHandsOverTheSkinAndRunsTheWindow) {
    DataModule setup;
    ASSERT_TRUE(setup.module);
    Calls calls;
    EXPECT_EQ(RunInstaller(setup.module.get(), RecordingHooks(calls)), 0);
    EXPECT_TRUE(recorder_.CommandLines().empty());
    EXPECT_EQ(calls.zipHead, std::string("PK\x03\x04"));
    EXPECT_EQ(calls.window, 1);
    // The password handed over with the skin is the one that opens it (and another would not).
    std::vector<uint8_t> layout;
    std::wstring error;
    CSkinArchive::Reset();
    CSkinArchive::SetResourceZip(calls.zip.data(), calls.zip.size(), calls.password.c_str());
    EXPECT_TRUE(CSkinArchive::ReadFile(L"main.xml", layout, error)) << std::string(error.begin(), error.end());
    EXPECT_FALSE(layout.empty());
    CSkinArchive::Reset();
    CSkinArchive::SetResourceZip(calls.zip.data(), calls.zip.size(), (calls.password + "x").c_str());
    EXPECT_FALSE(CSkinArchive::ReadFile(L"main.xml", layout, error));
    CSkinArchive::Reset();

    ASSERT_GE(calls.logDir.size(), 12u);
    EXPECT_EQ(calls.logDir.substr(calls.logDir.size() - 11), L"varloSetup\\");
    const DWORD attributes = ::GetFileAttributesW(calls.logDir.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(StartupTest, SecondInstanceRaisesTheFirstWindowInsteadOfOpeningOne) {
    DataModule setup;
    InstanceGuard first(kGuardName);
    FakeMainWindow window;
    ASSERT_FALSE(::IsWindowVisible(window.hwnd()));
    Calls calls;
    EXPECT_EQ(RunInstaller(setup.module.get(), RecordingHooks(calls)), 0);
    EXPECT_EQ(calls.window, 0);
    EXPECT_TRUE(::IsWindowVisible(window.hwnd()));
    EXPECT_TRUE(recorder_.CommandLines().empty());
}

TEST_F(StartupTest, GuardHeldWithoutAWindowStillOpensOne) {
    DataModule setup;
    InstanceGuard first(kGuardName);
    Calls calls;
    EXPECT_EQ(RunInstaller(setup.module.get(), RecordingHooks(calls)), 0);
    EXPECT_EQ(calls.window, 1);
}

// The real exe, started as a second instance while this process plays the first one.
TEST(SetupExe, SecondProcessRestoresTheFirstWindowAndExitsZero) {
    InstanceGuard first(kGuardName);
    FakeMainWindow window;
    ::ShowWindow(window.hwnd(), SW_MINIMIZE);
    ::ShowWindow(window.hwnd(), SW_HIDE);

    UniqueKernelHandle process = StartSetupExe();
    ASSERT_TRUE(process);

    // The other process restores our window through messages: keep pumping them.
    const DWORD deadline = ::GetTickCount() + 60000;
    for (;;) {
        const DWORD left = deadline - ::GetTickCount();
        HANDLE handle = process.get();
        const DWORD r = ::MsgWaitForMultipleObjects(1, &handle, FALSE, left > 60000 ? 0 : left, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            break;
        }
        ASSERT_EQ(r, WAIT_OBJECT_0 + 1) << "setup.exe did not end";
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&msg);
        }
    }
    DWORD code = 1;
    ASSERT_TRUE(::GetExitCodeProcess(process.get(), &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(::IsWindowVisible(window.hwnd()));
    EXPECT_FALSE(::IsIconic(window.hwnd()));
}

// Waits for a visible top-level window of the class; null after `timeoutMs`.
HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs = 30000) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        HWND window = ::FindWindowW(className, nullptr);
        if (window != nullptr && ::IsWindowVisible(window)) {
            return window;
        }
        ::Sleep(50);
    }
    return nullptr;
}

DWORD WaitForExit(const UniqueKernelHandle& process, DWORD timeoutMs = 30000) {
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        return 99;
    }
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

// Alt+F4 only hides the window; the installer started again brings it back and ends.
TEST(SetupExe, HiddenWindowComesBackWhenStartedAgain) {
    UniqueKernelHandle first = StartSetupExe();
    ASSERT_TRUE(first);
    HWND window = WaitForWindow(kMainWindowClass);
    ASSERT_NE(window, nullptr) << "the installer shows its window";
    wchar_t title[64] = {};
    ::GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, kMainWindowTitle);

    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    const DWORD start = ::GetTickCount();
    while (::IsWindowVisible(window) && ::GetTickCount() - start < 5000) {
        ::Sleep(20);
    }
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(::WaitForSingleObject(first.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "hidden, not ended";

    UniqueKernelHandle second = StartSetupExe();
    ASSERT_TRUE(second);
    EXPECT_EQ(WaitForExit(second), 0u);
    EXPECT_TRUE(::IsWindowVisible(window));

    // No install runs: closing the window ends the first installer normally.
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(first), 0u);
}

// Started from below a Favorites folder, the installer refuses with one box and ends
// without preparing anything for an install.
TEST(SetupExe, FavoritesFolderIsRefused) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"Favorites";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\setup.exe";
    ASSERT_TRUE(::CopyFileW(SetupExePath().c_str(), copy.c_str(), FALSE));
    const std::wstring cache = std::wstring(temp) + L"varloSetup\\cache";
    ::RemoveDirectoryW(cache.c_str());
    ASSERT_EQ(::GetFileAttributesW(cache.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the cache folder is gone before the run";

    UniqueKernelHandle process = StartProcess(copy);
    ASSERT_TRUE(process);

    HWND box = WaitForWindow(L"CMessageBoxExWnd");
    ASSERT_NE(box, nullptr) << "the refusal is shown";
    ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExit(process), 0u);
    EXPECT_EQ(::GetFileAttributesW(cache.c_str()), INVALID_FILE_ATTRIBUTES) << "no cache folder";
    ::DeleteFileW(copy.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

// A copy of this test program stands in for the client: started with the filter below and
// VARLO_SLEEPER set, it only waits to be ended.
TEST(StartupSleeper, Sleeps) {
    if (::GetEnvironmentVariableW(L"VARLO_SLEEPER", nullptr, 0) == 0) {
        GTEST_SKIP() << "only a stand-in when started by the start-up tests";
    }
    ::Sleep(60000);
}

// The client of the registered install is ended; the registry value is quoted, as the
// installer now writes it for a folder with a blank.
TEST_F(StartupTest, TheRegisteredClientIsEnded) {
    RegisteredClient laid = StartRegisteredClient(L"varlo startup");
    ASSERT_TRUE(laid.process.valid());

    EXPECT_EQ(EndClientProcesses(), 1u);
    EXPECT_EQ(::WaitForSingleObject(laid.process.get(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(recorder_.CommandLines().empty());
    RemoveRegisteredClient(laid);
}

// An unattended install that may not go on touches nothing: a second one while another
// installer holds the guard, and one without a work folder of its own (the temporary
// folder is a path below a file). The client the first one started keeps running and
// the install itself is never reached.
TEST_F(StartupTest, ASilentRunThatMayNotGoOnEndsNothing) {
    RegisteredClient laid = StartRegisteredClient(L"varlo untouched");
    ASSERT_TRUE(laid.process.valid());
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring notAFolder = laid.folder + L"\\a file";
    ASSERT_TRUE(::CopyFileW(self, notAFolder.c_str(), FALSE));

    DataModule setup;
    DeployCommand silent;
    silent.kind = DeployCommand::Kind::Silent;
    struct Case {
        const char* why;
        bool guardHeld;
        const wchar_t* tmp;  // null: as it is
        int code;
    } cases[] = {
        {"another installer holds the guard", true, nullptr, 2},
        {"no work folder can be made", false, nullptr, 13},
    };
    cases[1].tmp = notAFolder.c_str();
    wchar_t savedTmp[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH);
    for (const Case& c : cases) {
        std::unique_ptr<InstanceGuard> first = c.guardHeld ? std::make_unique<InstanceGuard>(kGuardName) : nullptr;
        if (c.tmp != nullptr) {
            ::SetEnvironmentVariableW(L"TMP", (std::wstring(c.tmp) + L"\\below").c_str());
        }
        Calls calls;
        StartupHooks hooks = RecordingHooks(calls);
        int installs = 0;
        hooks.runSilent = [&installs](const DeployOptions&, const std::wstring&) {
            ++installs;
            return 0;
        };
        EXPECT_EQ(RunInstaller(setup.module.get(), hooks, silent), c.code) << c.why;
        ::SetEnvironmentVariableW(L"TMP", savedTmp);
        EXPECT_EQ(installs, 0) << c.why;
        EXPECT_EQ(::WaitForSingleObject(laid.process.get(), 3000), static_cast<DWORD>(WAIT_TIMEOUT))
            << c.why << ": the running client was not ended";
        EXPECT_TRUE(recorder_.CommandLines().empty()) << c.why;
    }
    ::DeleteFileW(notAFolder.c_str());
    RemoveRegisteredClient(laid);
}

}  // namespace
