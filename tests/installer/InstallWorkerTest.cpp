#include "installer/InstallWorker.h"

#include <windows.h>

#include <process.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "../core/NetTestSupport.h"
#include "../core/SimulatorClient.h"
#include "../system/SystemTestSupport.h"
#include "RecordingHost.h"
#include "core/DataManager.h"
#include "core/HttpClient.h"
#include "core/NetManager.h"
#include "installer/WorkerRegistry.h"
#include "system/AutostartTask.h"
#include "system/ShellLink.h"
#include "system/TaskbarPin.h"
#include "system/UninstallRegistration.h"

namespace {

namespace fs = std::filesystem;

const std::wstring kWorkerLog = L".\\MainWnd";
const std::wstring kLinkName = L"Varlo加速器.lnk";

// The client package: the two programs the install points at, a folder and a data file.
const char kPackageZip[] =
    R"("zip": {"entries": [{"name": "vljiasu.exe", "size": 30000, "deflate": true},
                           {"name": "unins000.exe", "size": 20000},
                           {"name": "res/"},
                           {"name": "res/route.dat", "size": 300000}]})";

std::string PackageMode(const std::string& roles = "{}", bool corrupt = false) {
    std::string zip = kPackageZip;
    if (corrupt) {
        zip.insert(zip.size() - 1, R"(, "corrupt": true)");
    }
    return R"({"package": {)" + zip + R"(}, "roles": )" + roles + "}";
}

std::wstring RegString(const std::wstring& name) {
    const RawValue raw = ReadRawValue(HKEY_LOCAL_MACHINE, kUninstallKey, name);
    if (!raw.found) {
        return L"<absent>";
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(raw.bytes.data()), raw.bytes.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}

std::wstring ModulePath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Nothing holds the file open any more: it can be opened with no sharing at all.
bool NobodyHoldsOpen(const std::wstring& path) {
    UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

std::vector<fs::path> FilesBelow(const std::wstring& dir) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file()) {
            files.push_back(it->path());
        }
    }
    return files;
}

// Stands in for the shell's pin command, which Wine does not have.
class RecordingInvoker : public IShellVerbInvoker {
  public:
    RecordingInvoker() { SetShellVerbInvoker(this); }
    ~RecordingInvoker() override { SetShellVerbInvoker(nullptr); }
    bool InvokeVerb(const std::wstring& folderPath, const std::wstring& itemName, const std::wstring&) override {
        ++calls;
        folder = folderPath;
        item = itemName;
        return true;
    }
    int calls = 0;
    std::wstring folder, item;
};

// The worker thread as the window starts it, without the once-per-process gate.
struct WorkerRun {
    RecordingHost* host;
    const InstallJob* job;
    InstallOutcome outcome = InstallOutcome::Failed;
};

unsigned __stdcall RunWorker(void* argument) {
    auto* run = static_cast<WorkerRun*>(argument);
    run->outcome = RunInstall(*run->host, *run->job);
    return 0;
}

class InstallWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulator fixture did not start";
        sim.Reset();
        ServerEndpoints e;
        e.primary = sim.Base("primary");
        e.secondary = sim.Base("secondary");
        e.fallbackA = sim.Base("fallback_a");
        e.fallbackB = sim.Base("fallback_b");
        e.probeSite = sim.Base("probe_site");
        ControlManager::Instance()->SetEndpoints(e);
        NetManager::Instance()->SetSleepFunction(&FakePauses::Sleep);
        DataManager::Instance()->Init("100", 1, 1);
        logDir = logScratch.path() + L"\\";
        ::CreateDirectoryW((logDir + L"cache").c_str(), nullptr);
        target = dir.path() + L"\\Varlo Client";
        job.targetDir = target;
        job.logDir = logDir;
        job.cancel = std::make_shared<std::atomic<bool>>(false);
        launcher.answer.started = true;
        launcher.answer.exited = true;
        launcher.answer.exitCode = 0;
        desktopLink = GetDesktopFolder() + L"\\" + kLinkName;
        startMenu = GetStartMenuProductFolder();
        SeedPinHandler();
        ClearSystemState();
        HttpClient::AbortAllRequests(false);
    }
    void TearDown() override {
        ClearSystemState();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPinCommandSourceKey);
    }

    void ClearSystemState() {
        ::DeleteFileW(desktopLink.c_str());
        ::DeleteFileW((startMenu + L"\\启动Varlo加速器.lnk").c_str());
        ::DeleteFileW((startMenu + L"\\卸载Varlo加速器.lnk").c_str());
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    }
    static void SeedPinHandler() {
        const std::wstring classId = L"{90AA3A4E-1CBA-4233-B8BB-535773D48449}";
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPinCommandSourceKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                    nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(key, kPinHandlerValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(classId.c_str()),
                         static_cast<DWORD>((classId.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    std::wstring PackagePath() const { return logDir + L"cache\\client.zip"; }
    bool Downloaded() {
        for (const ReceivedRequest& r : sim.Requests()) {
            if (r.target.rfind("/files/", 0) == 0) {
                return true;
            }
        }
        return false;
    }

    SharedStateLock shared;
    SimulatorClient& sim = SimulatorClient::Get();
    TempDir dir{L"varlo inst"};
    TempDir logScratch{L"varlo-installer-log"};
    std::wstring logDir;
    std::wstring target;
    std::wstring desktopLink;
    std::wstring startMenu;
    InstallJob job;
    RecordingLauncher launcher;
    RecordingInvoker invoker;
};

TEST_F(InstallWorkerTest, SequenceOverTheSimulatorModes) {
    enum Outcome { kInstalled, kInfoError, kDataError, kExtractError, kStalled };
    struct Case {
        const char* why;
        std::string mode;
        Outcome outcome;
        bool desktop = true;
        bool pin = true;
        bool autostart = true;
        bool cached = false;         // the right package is already in the cache
        bool changeOptions = false;  // desktop and autostart cleared while the download runs
    };
    const std::vector<Case> cases = {
        {"success", PackageMode(), kInstalled},
        {"package info refused", PackageMode(R"({"primary": {"envelope": {"code": 100500, "message": "no"}}})"),
         kInfoError},
        {"download 404", PackageMode(R"({"download": {"status": 404}})"), kDataError},
        {"digest mismatch", PackageMode(R"({"download": {"wrong_bytes": true}})"), kDataError},
        {"stalled download", PackageMode(R"({"download": {"stall_after": 100000}})"), kStalled},
        {"corrupt package", PackageMode("{}", true), kExtractError},
        {"cached package", PackageMode(), kInstalled, true, true, true, true},
        {"options cleared", PackageMode(), kInstalled, false, false, false},
        {"options changed during the download", PackageMode(), kInstalled, true, true, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        sim.Reset();
        sim.SetMode(c.mode);
        ClearSystemState();
        RemoveTree(target);
        ::DeleteFileW(PackagePath().c_str());
        if (c.cached) {
            ASSERT_TRUE(ControlManager::Instance()->DownloadPackage(
                PackagePath(), sim.Base("download") + "/files/client.zip", sim.PackageMd5()));
            sim.Reset();
            sim.SetMode(c.mode);
        }
        launcher.launches.clear();
        invoker.calls = 0;

        RecordingHost host;
        host.desktop = c.desktop;
        host.pin = c.pin;
        host.autostart = c.autostart;
        if (c.changeOptions) {
            host.onWatchStart = [&host] {
                host.desktop = false;
                host.autostart = false;
            };
        }
        const LogCapture log;
        const InstallOutcome outcome = RunInstall(host, job);
        const bool wantDesktop = c.desktop && !c.changeOptions;
        const bool wantAutostart = c.autostart && !c.changeOptions;

        switch (c.outcome) {
            case kInstalled: {
                EXPECT_EQ(outcome, InstallOutcome::Installed);
                EXPECT_EQ(host.Stages(), (std::vector<int>{1, 2, 4, 5, 6}));
                EXPECT_TRUE(host.Errors().empty());
                EXPECT_EQ(Downloaded(), !c.cached);
                EXPECT_EQ(host.watchStarts, c.cached ? 0 : 1) << "no watch for a cached package";
                EXPECT_FALSE(host.stallBoxShown);
                // Files.
                EXPECT_EQ(fs::file_size(fs::path(target + L"\\vljiasu.exe")), 30000u);
                EXPECT_EQ(fs::file_size(fs::path(target + L"\\unins000.exe")), 20000u);
                EXPECT_EQ(fs::file_size(fs::path(target + L"\\res\\route.dat")), 300000u);
                EXPECT_EQ(host.installedDir, target);
                // Settings files.
                EXPECT_EQ(IniValue(target + L"\\setup.ini", L"varlo", L"packpath"), ModulePath());
                EXPECT_EQ(IniValue(target + L"\\local.cfg", L"config", L"powerup"), wantAutostart ? L"1" : L"0");
                // Shortcuts and pin.
                EXPECT_EQ(PathExists(desktopLink), wantDesktop);
                EXPECT_EQ(host.desktopShortcutPath, wantDesktop ? desktopLink : L"");
                if (wantDesktop) {
                    EXPECT_EQ(LoadLink(desktopLink).target, target + L"\\vljiasu.exe");
                }
                EXPECT_EQ(LoadLink(startMenu + L"\\启动Varlo加速器.lnk").target, target + L"\\vljiasu.exe");
                EXPECT_EQ(LoadLink(startMenu + L"\\卸载Varlo加速器.lnk").target, target + L"\\unins000.exe");
                EXPECT_EQ(invoker.calls, c.pin ? 1 : 0);
                if (c.pin) {
                    // This run's desktop shortcut, or the one made beside the client.
                    EXPECT_EQ(invoker.folder, wantDesktop ? GetDesktopFolder() : target);
                    EXPECT_EQ(invoker.item, kLinkName);
                }
                // Uninstall entry.
                EXPECT_EQ(RegString(L"DisplayName"), L"Varlo加速器");
                EXPECT_EQ(RegString(L"UninstallString"), target + L"\\unins000.exe");
                EXPECT_EQ(RegString(L"DisplayIcon"), target + L"\\vljiasu.exe");
                EXPECT_EQ(RegString(L"DisplayShortcut"), wantDesktop ? desktopLink : L"");
                // Logon task: registered with the scheduler, or withdrawn; no helper runs.
                EXPECT_EQ(QueryTaskPresence(L"vljsqRun"), wantAutostart ? TaskPresence::Present : TaskPresence::Absent);
                EXPECT_TRUE(launcher.launches.empty());
                break;
            }
            case kInfoError:
            case kDataError:
            case kExtractError: {
                const wchar_t* text = c.outcome == kInfoError   ? L"网络错误，请求安装配置失败"
                                      : c.outcome == kDataError ? L"网络错误，请求安装数据失败"
                                                                : L"安装错误，解压失败";
                const wchar_t* reason = c.outcome == kInfoError   ? L"安装错误：请求安装配置失败"
                                        : c.outcome == kDataError ? L"安装错误：请求安装数据失败"
                                                                  : L"安装错误：解压失败";
                EXPECT_EQ(outcome, InstallOutcome::Failed);
                EXPECT_EQ(host.Errors(), std::vector<std::wstring>{text});
                EXPECT_EQ(log.Count(kWorkerLog, reason), 1) << log.Messages();
                EXPECT_EQ(host.Stages(),
                          c.outcome == kExtractError ? (std::vector<int>{1, 2, 4}) : (std::vector<int>{1, 2}));
                EXPECT_TRUE(launcher.launches.empty());
                EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
                if (c.outcome == kExtractError) {
                    EXPECT_TRUE(PathExists(PackagePath())) << "the package stays in the cache";
                    EXPECT_TRUE(NobodyHoldsOpen(PackagePath()));
                }
                break;
            }
            case kStalled:
                EXPECT_EQ(outcome, InstallOutcome::StalledDownload);
                EXPECT_TRUE(host.stallBoxShown) << "the watch reports the stall";
                EXPECT_TRUE(host.Errors().empty()) << "the worker posts nothing of its own";
                EXPECT_EQ(log.Count(kWorkerLog, L"安装错误：下载进度长时间无变化，已被取消"), 1) << log.Messages();
                EXPECT_EQ(host.Stages(), (std::vector<int>{1, 2}));
                EXPECT_FALSE(PathExists(target));
                break;
        }
        EXPECT_EQ(host.watchStarts, host.watchStops);
    }
}

// The window's stop: the flag is set while the worker is inside the download or the
// extraction; the worker must leave within the registry's wait, on its own.
TEST_F(InstallWorkerTest, CancelDuringDownloadAndExtractionLeavesInTimeWithNothingOpen) {
    struct Case {
        const char* why;
        std::string mode;
        int stageToCancelIn;
    };
    // 16 stored entries of 4 MiB: the cancel lands while the first ones are written.
    std::string big = R"({"package": {"zip": {"entries": [)";
    for (int i = 0; i < 16; ++i) {
        big += std::string(i ? ", " : "") + R"({"name": "pack/part)" + std::to_string(i) + R"(.dat", "size": 4194304})";
    }
    big += "]}}}";
    const Case cases[] = {
        // A primary that never answers keeps the server choice waiting on its probe.
        {"during the server choice", R"({"roles": {"primary": {"state": "hang"}}})", 1},
        {"during the download", PackageMode(R"({"download": {"rate": 65536}})"), 2},
        {"during the extraction", big, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        sim.Reset();
        sim.SetMode(c.mode);
        RemoveTree(target);
        ::DeleteFileW(PackagePath().c_str());
        job.cancel->store(false);
        HttpClient::AbortAllRequests(false);
        RecordingHost host;
        CWorkerRegistry registry;
        std::atomic<bool> reached{false};
        if (c.stageToCancelIn == 1) {
            host.onStage = [&](int stage) { reached = reached || stage == 1; };
        } else if (c.stageToCancelIn == 2) {
            host.onWatchStart = [&] { reached = true; };
        } else {
            host.onStage = [&](int stage) { reached = reached || stage == 4; };
        }

        WorkerRun run{&host, &job};
        unsigned id = 0;
        UniqueKernelHandle thread(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &RunWorker, &run, 0, &id)));
        ASSERT_TRUE(thread.valid());
        HANDLE copy = nullptr;
        ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), thread.get(), ::GetCurrentProcess(), &copy, 0, FALSE,
                                      DUPLICATE_SAME_ACCESS));
        UniqueKernelHandle watchThread(copy);
        ASSERT_TRUE(registry.RegisterWorker(id, std::move(thread)));

        // Wait for the stage, then for the work to be under way: bytes arriving, or the
        // first file of the package appearing in the target.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (reached && c.stageToCancelIn == 1) {
                ::Sleep(1000);  // well inside the probe's wait
                break;
            }
            if (reached &&
                (c.stageToCancelIn == 2 ? ControlManager::Instance()->GetPercent() > 0 : !FilesBelow(target).empty())) {
                break;
            }
            ::Sleep(1);
        }
        ASSERT_TRUE(reached);
        const CWorkerRegistry::StopResult stop = registry.StopWorkers([&] { CancelInstall(*job.cancel); });
        EXPECT_EQ(stop.stopped, 1);
        EXPECT_EQ(stop.terminated, 0) << "the worker left on its own";
        ASSERT_EQ(::WaitForSingleObject(watchThread.get(), 5000), WAIT_OBJECT_0);

        EXPECT_EQ(run.outcome, InstallOutcome::Cancelled);
        EXPECT_TRUE(host.Errors().empty()) << "a cancelled install shows nothing";
        EXPECT_FALSE(host.stallBoxShown);
        const std::vector<int> stages = c.stageToCancelIn == 1   ? std::vector<int>{1}
                                        : c.stageToCancelIn == 2 ? std::vector<int>{1, 2}
                                                                 : std::vector<int>{1, 2, 4};
        EXPECT_EQ(host.Stages(), stages);
        if (PathExists(PackagePath())) {
            EXPECT_TRUE(NobodyHoldsOpen(PackagePath()));
        }
        const std::vector<fs::path> files = FilesBelow(target);
        if (c.stageToCancelIn == 4) {
            EXPECT_LT(files.size(), 16u) << "cancelled before the last entry";
        }
        for (const fs::path& file : files) {
            EXPECT_TRUE(NobodyHoldsOpen(file.wstring())) << file.string();
            EXPECT_EQ(fs::file_size(file), 4194304u) << "no half-written file stays: " << file.string();
        }
        EXPECT_TRUE(launcher.launches.empty());
    }
}

TEST_F(InstallWorkerTest, OneInstallPerProcess) {
    // A job cancelled from the start leaves at once, posting nothing.
    job.cancel->store(true);
    RecordingHost host;
    std::optional<StartedWorker> first = StartInstallWorker(host, job);
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(first->handle.valid());
    EXPECT_NE(first->threadId, 0u);
    EXPECT_FALSE(StartInstallWorker(host, job).has_value()) << "refused while the first may still run";
    ASSERT_EQ(::WaitForSingleObject(first->handle.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(::GetExitCodeThread(first->handle.get(), &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(StartInstallWorker(host, job).has_value()) << "refused after the first finished";
    EXPECT_TRUE(host.Stages().empty());
    EXPECT_TRUE(host.Errors().empty());
}

}  // namespace
