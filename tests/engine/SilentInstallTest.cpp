// The unattended install: the folder rules before anything is written, and the exit code
// each outcome of the real install sequence gives, against the vendor simulator.
#include "engine/SilentInstall.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <new>

#include "../core/NetTestSupport.h"
#include "../core/SimulatorClient.h"
#include "../system/SystemTestSupport.h"
#include "core/HttpClient.h"
#include "engine/InstallServices.h"
#include "system/AutostartTask.h"
#include "system/ShellLink.h"
#include "system/TaskbarPin.h"
#include "system/UninstallRegistration.h"

namespace {

constexpr uint32_t kTaiwanLocale = 0x0404;
constexpr uint32_t kChinaLocale = 0x0804;

const char kPackage[] =
    R"("package": {"zip": {"entries": [{"name": "vljiasu.exe", "client": "signed"},
                                       {"name": "unins000.exe", "size": 20000},
                                       {"name": "res/route.dat", "size": 300000}]}})";

std::string Mode(const std::string& roles = "{}", bool corrupt = false) {
    std::string package = kPackage;
    if (corrupt) {
        package.insert(package.size() - 2, R"(, "corrupt": true)");
    }
    return "{" + package + R"(, "roles": )" + roles + "}";
}

std::string AllRoles(const std::string& mode) {
    return R"({"primary": )" + mode + R"(, "secondary": )" + mode + R"(, "fallback_a": )" + mode +
           R"(, "fallback_b": )" + mode + "}";
}

BOOL CALLBACK CountVisibleWindowOfThisProcess(HWND window, LPARAM counter) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window)) {
        ++*reinterpret_cast<int*>(counter);
    }
    return TRUE;
}

// Top-level windows of this process that can be seen.
int VisibleWindowsOfThisProcess() {
    int count = 0;
    ::EnumWindows(CountVisibleWindowOfThisProcess, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Stands in for the shell's pin command, which Wine does not have.
class CountingInvoker : public IShellVerbInvoker {
  public:
    CountingInvoker() { SetShellVerbInvoker(this); }
    ~CountingInvoker() override { SetShellVerbInvoker(nullptr); }
    bool InvokeVerb(const std::wstring&, const std::wstring&, const std::wstring&) override {
        ++calls;
        return true;
    }
    int calls = 0;
};

class SilentInstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulator fixture did not start";
        logDir = logScratch.path() + L"\\";
        services = std::make_unique<InstallServices>(logDir);
        services->Control().SetEndpoints(sim.Endpoints());
        services->Net().SetSleepFunction(&FakePauses::Sleep);
        services->Control().SetPauseFunction(&FakePauses::Sleep);
        desktopLink = GetDesktopFolder() + L"\\Varlo加速器.lnk";
        launcher.answer.started = true;
        launcher.answer.exited = true;
        ASSERT_TRUE(SeedPinHandler());
        Clear();
        HttpClient::AbortAllRequests(false);
    }
    void TearDown() override {
        Clear();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPinCommandSourceKey);
    }

    void Clear() {
        ::DeleteFileW(desktopLink.c_str());
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
        static_cast<void>(DeleteAutostartTask(L"vljsqRun"));
        RemoveTree(dir.path() + L"\\Deploy Target");
        ::DeleteFileW((logDir + L"cache\\client.zip").c_str());
    }

    // The seams of a machine whose folders are the administrators' own (Wine reports every
    // folder as replaceable), in a simplified-Chinese locale.
    SilentSeams Seams() {
        SilentSeams seams;
        seams.userLocale = [] { return kChinaLocale; };
        seams.installerDirectory = [] { return std::wstring(L"C:\\Users\\admin\\Downloads\\"); };
        seams.replaceableAncestor = [](const std::wstring&) { return std::optional<std::wstring>(); };
        return seams;
    }

    SharedStateLock shared;
    SimulatorClient& sim = SimulatorClient::Get();
    TempDir dir{L"varlo silent"};
    TempDir logScratch{L"varlo-silent-log"};
    std::wstring logDir;
    std::unique_ptr<InstallServices> services;
    std::wstring desktopLink;
    RecordingLauncher launcher;
    CountingInvoker invoker;
};

InstallResult ThrowingSequence(InstallServices&, IInstallHost&, const InstallJob&, const std::atomic<bool>*) {
    throw std::bad_alloc();
}

TEST_F(SilentInstallTest, EachOutcomeOfTheRealInstallHasItsCode) {
    struct Case {
        const char* why;
        std::string mode;
        DeployExitCode code;
        bool cancelled = false;
        bool throws = false;  // the engine's sequence ends by an exception
    };
    const Case cases[] = {
        {"installed", Mode(), DeployExitCode::Installed},
        {"no endpoint answers", Mode(AllRoles(R"({"state": "refuse"})")), DeployExitCode::NoServer},
        {"the API refuses", Mode(AllRoles(R"({"envelope": {"code": 100500, "message": "no"}})")),
         DeployExitCode::ApiFailure},
        {"download 404", Mode(R"({"download": {"status": 404}})"), DeployExitCode::DownloadFailed},
        // No watch runs here: the transfer itself declares the stall after five silent seconds.
        {"download stalls", Mode(R"({"download": {"stall_from": 100000}})"), DeployExitCode::DownloadFailed},
        {"digest mismatch", Mode(R"({"download": {"wrong_bytes": true}})"), DeployExitCode::DigestMismatch},
        {"corrupt package", Mode("{}", true), DeployExitCode::ExtractFailed},
        {"cancelled", Mode(), DeployExitCode::Cancelled, true},
        {"the engine throws", Mode(), DeployExitCode::StartFailed, false, true},
    };
    const std::wstring target = dir.path() + L"\\Deploy Target";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        sim.Reset();
        sim.SetMode(c.mode);
        Clear();
        DeployOptions options;
        options.folder = target;
        HttpClient::AbortAllRequests(false);
        SilentSeams seams = Seams();
        if (c.cancelled) {
            seams.beforeStart = [](InstallEngine& engine) { engine.Cancel(); };
        }
        if (c.throws) {
            seams.sequence = &ThrowingSequence;
        }
        const LogCapture log;
        const DeployExitCode code = RunSilentInstall(options, *services, logDir, seams);
        EXPECT_EQ(code, c.code) << testing::PrintToString(log.Messages());
        EXPECT_EQ(VisibleWindowsOfThisProcess(), 0) << "no window, not even an error box";
        const bool installed = c.code == DeployExitCode::Installed;
        EXPECT_EQ(PathExists(target + L"\\vljiasu.exe"), installed);
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY), installed);
        EXPECT_EQ(QueryTaskPresence(L"vljsqRun"), installed ? TaskPresence::Present : TaskPresence::Absent);
        if (installed) {
            // The defaults are the window's: every option on, the detected language.
            EXPECT_TRUE(PathExists(desktopLink));
            EXPECT_EQ(invoker.calls, 1);
            EXPECT_EQ(IniValue(target + L"\\local.cfg", L"config", L"powerup"), L"1");
            EXPECT_EQ(IniValue(target + L"\\local.cfg", L"config", L"lang"), L"zh-cn");
        } else if (c.throws) {
            EXPECT_NE(log.Messages().find(L"安装线程异常结束"), std::wstring::npos);
        } else if (!c.cancelled) {
            // The worker logged its reason, as under the window.
            EXPECT_NE(log.Messages().find(L"安装错误："), std::wstring::npos);
        }
        invoker.calls = 0;
    }
}

TEST_F(SilentInstallTest, ClearedOptionsAndTheLanguageAreTheCommandLines) {
    sim.Reset();
    sim.SetMode(Mode());
    // What an earlier install left: the options cleared now must remove it.
    ASSERT_TRUE(CreateAutostartTask(L"vljsqRun", L"C:\\old\\vljiasu.exe"));
    const std::wstring target = dir.path() + L"\\Deploy Target";
    DeployOptions options;
    options.folder = target;
    options.desktopShortcut = false;
    options.taskbarPin = false;
    options.autostart = false;
    options.language = DeployLanguage::Traditional;
    EXPECT_EQ(RunSilentInstall(options, *services, logDir, Seams()), DeployExitCode::Installed);
    EXPECT_TRUE(PathExists(target + L"\\vljiasu.exe"));
    EXPECT_FALSE(PathExists(desktopLink));
    EXPECT_EQ(invoker.calls, 0);
    EXPECT_EQ(QueryTaskPresence(L"vljsqRun"), TaskPresence::Absent);
    EXPECT_EQ(IniValue(target + L"\\local.cfg", L"config", L"powerup"), L"0");
    EXPECT_EQ(IniValue(target + L"\\local.cfg", L"config", L"lang"), L"zh-tw");

    // Without /LANG, the language the window picks for a Taiwanese user.
    Clear();
    SilentSeams seams = Seams();
    seams.userLocale = [] { return kTaiwanLocale; };
    options.language = DeployLanguage::Detected;
    EXPECT_EQ(RunSilentInstall(options, *services, logDir, seams), DeployExitCode::Installed);
    EXPECT_EQ(IniValue(target + L"\\local.cfg", L"config", L"lang"), L"zh-tw");
}

// Refusals come before the network and before any write.
TEST_F(SilentInstallTest, RefusedFoldersChangeNothing) {
    const std::wstring target = dir.path() + L"\\Deploy Target";
    struct Case {
        const char* why;
        std::wstring folder;
        std::wstring installerDir;
        bool replaceable;
        bool allowShared;
        DeployExitCode code;
    };
    const Case cases[] = {
        {"relative folder", L"varlo", L"C:\\Downloads\\", false, false, DeployExitCode::FolderRefused},
        {"network folder", L"\\\\server\\share\\varlo", L"C:\\Downloads\\", false, false,
         DeployExitCode::FolderRefused},
        {"installer in Favorites", target, L"C:\\Users\\a\\Favorites\\", false, false, DeployExitCode::FolderRefused},
        {"a parent others can replace", target, L"C:\\Downloads\\", true, false, DeployExitCode::UnsafeFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        sim.Reset();
        sim.SetMode(Mode());
        SilentSeams seams = Seams();
        seams.installerDirectory = [&c] { return c.installerDir; };
        if (c.replaceable) {
            seams.replaceableAncestor = [](const std::wstring&) { return std::optional<std::wstring>(L"C:\\x"); };
        }
        DeployOptions options;
        options.folder = c.folder;
        options.allowSharedParent = c.allowShared;
        EXPECT_EQ(RunSilentInstall(options, *services, logDir, seams), c.code);
        EXPECT_TRUE(sim.Requests().empty()) << "no request reached the vendor";
        EXPECT_FALSE(PathExists(target));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
    }

    // Told in advance that the parent may be shared, the install goes ahead.
    SilentSeams seams = Seams();
    seams.replaceableAncestor = [](const std::wstring&) { return std::optional<std::wstring>(L"C:\\x"); };
    DeployOptions options;
    options.folder = target;
    options.allowSharedParent = true;
    sim.Reset();
    sim.SetMode(Mode());
    EXPECT_EQ(RunSilentInstall(options, *services, logDir, seams), DeployExitCode::Installed);
    EXPECT_TRUE(PathExists(target + L"\\vljiasu.exe"));
}

// A folder that holds someone else's files gets the client's own folder below it, as the
// window does after "确定"; one that holds the client is updated in place.
TEST_F(SilentInstallTest, AFolderWithFilesGetsTheClientsOwnFolderUnlessItHoldsTheClient) {
    const std::wstring target = dir.path() + L"\\Deploy Target";
    ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(target + L"\\notes.txt", "theirs"));
    sim.Reset();
    sim.SetMode(Mode());
    DeployOptions options;
    options.folder = target;
    EXPECT_EQ(RunSilentInstall(options, *services, logDir, Seams()), DeployExitCode::Installed);
    EXPECT_TRUE(PathExists(target + L"\\varlo\\vljiasu.exe"));
    EXPECT_FALSE(PathExists(target + L"\\vljiasu.exe"));

    options.folder = target + L"\\varlo";
    EXPECT_EQ(RunSilentInstall(options, *services, logDir, Seams()), DeployExitCode::Installed);
    EXPECT_FALSE(PathExists(target + L"\\varlo\\varlo")) << "the earlier client is updated where it is";
}

}  // namespace
