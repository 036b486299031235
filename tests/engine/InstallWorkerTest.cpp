#include "engine/InstallEngine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "../core/NetTestSupport.h"
#include "../core/SimulatorClient.h"
#include "../system/SystemTestSupport.h"
#include "RecordingHost.h"
#include "core/HttpClient.h"
#include "engine/ClientPublisherCheck.h"
#include "engine/InstallServices.h"
#include "system/AutostartTask.h"
#include "system/ShellLink.h"
#include "system/TaskbarPin.h"
#include "system/UninstallRegistration.h"
#include "zip/ZipFilePlacer.h"
#include "util/FolderSecurity.h"

namespace {

namespace fs = std::filesystem;

const std::wstring kWorkerLog = L".\\MainWnd";
const std::wstring kLinkName = L"Varlo加速器.lnk";

// The client package: the two programs the install points at (the client signed by the
// publisher the test build names), a folder and a data file.
const char kPackageZip[] =
    R"("zip": {"entries": [{"name": "vljiasu.exe", "client": "signed"},
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
    const RawValue raw = ReadRawValue(HKEY_LOCAL_MACHINE, kUninstallKey, name, KEY_WOW64_32KEY);
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

class InstallWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulator fixture did not start";
        sim.Reset();
        logDir = logScratch.path() + L"\\";
        services = std::make_unique<InstallServices>(logDir);
        services->Prepare();
        services->Control().SetEndpoints(sim.Endpoints());
        services->Net().SetSleepFunction(&FakePauses::Sleep);
        target = dir.path() + L"\\Varlo Client";
        job.targetDir = target;
        job.logDir = logDir;
        job.languageCode = "zh-tw";
        launcher.answer.started = true;
        launcher.answer.exited = true;
        launcher.answer.exitCode = 0;
        desktopLink = GetDesktopFolder() + L"\\" + kLinkName;
        startMenu = GetStartMenuProductFolder();
        ASSERT_TRUE(SeedPinHandler());
        ClearSystemState();
        HttpClient::AbortAllRequests(false);
    }
    void TearDown() override {
        ClearSystemState();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPinCommandSourceKey);
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUnpinCommandSourceKey);
    }

    void ClearSystemState() {
        ::DeleteFileW(desktopLink.c_str());
        ::DeleteFileW((startMenu + L"\\启动Varlo加速器.lnk").c_str());
        ::DeleteFileW((startMenu + L"\\卸载Varlo加速器.lnk").c_str());
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY, 0);
        static_cast<void>(DeleteAutostartTask(L"vljsqRun"));
    }
    std::wstring PackagePath() const { return logDir + L"cache\\client.zip"; }
    // The install as a host runs it: on the engine's thread, waited for.
    InstallOutcome Install(RecordingHost& host) {
        InstallEngine engine(*services, host);
        EXPECT_TRUE(engine.Start(host.Job(job)));
        const InstallOutcome outcome = engine.Wait().outcome;
        EXPECT_EQ(host.Outcomes(), std::vector<InstallOutcome>{outcome}) << "the host hears the one end";
        return outcome;
    }
    // Every query of the vendor's API (a signed form POST) named the job's language.
    bool ApiRequestsCarry(const std::string& header) {
        int api = 0;
        for (const ReceivedRequest& r : sim.Requests()) {
            if (r.method != "POST") {
                continue;
            }
            ++api;
            if (std::find(r.headers.begin(), r.headers.end(), header) == r.headers.end()) {
                return false;
            }
        }
        return api > 0;
    }
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
    std::unique_ptr<InstallServices> services;
    std::wstring target;
    std::wstring desktopLink;
    std::wstring startMenu;
    InstallJob job;
    RecordingLauncher launcher;
    RecordingInvoker invoker;
};

TEST_F(InstallWorkerTest, SequenceOverTheSimulatorModes) {
    enum Outcome { kInstalled, kInfoError, kDataError, kDigestError, kExtractError, kStalled };
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
        {"digest mismatch", PackageMode(R"({"download": {"wrong_bytes": true}})"), kDigestError},
        // Silent at the same byte whenever asked: the retries resume into the same stall.
        {"stalled download", PackageMode(R"({"download": {"stall_from": 100000}})"), kStalled},
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
            ASSERT_TRUE(services->Control().DownloadPackage(PackagePath(), sim.Base("download") + "/files/client.zip",
                                                            sim.PackageMd5()));
            sim.Reset();
            sim.SetMode(c.mode);
        }
        launcher.launches.clear();
        invoker.calls = 0;

        RecordingHost host(services->Control());
        host.choices->desktopShortcut = c.desktop;
        host.choices->taskbarPin = c.pin;
        host.choices->autostart = c.autostart;
        if (c.changeOptions) {
            host.onWatchStart = [&host] {
                host.choices->desktopShortcut = false;
                host.choices->autostart = false;
            };
        }
        const LogCapture log;
        const InstallOutcome outcome = Install(host);
        const bool wantDesktop = c.desktop && !c.changeOptions;
        const bool wantAutostart = c.autostart && !c.changeOptions;

        switch (c.outcome) {
            case kInstalled: {
                EXPECT_EQ(outcome, InstallOutcome::Installed);
                EXPECT_EQ(host.Stages(), (std::vector<int>{1, 2, 4, 5, 6}));
                EXPECT_EQ(Downloaded(), !c.cached);
                EXPECT_TRUE(ApiRequestsCarry("Lang: zh-tw")) << "the language is sent from the first request on";
                EXPECT_EQ(host.watchStarts, c.cached ? 0 : 1) << "no watch for a cached package";
                EXPECT_FALSE(host.stallBoxShown);
                // Files.
                EXPECT_TRUE(PathExists(target + L"\\vljiasu.exe"));
                EXPECT_EQ(fs::file_size(fs::path(target + L"\\unins000.exe")), 20000u);
                EXPECT_EQ(fs::file_size(fs::path(target + L"\\res\\route.dat")), 300000u);
                EXPECT_EQ(host.LastEnd().installedDir, target);
                // Settings files.
                EXPECT_EQ(IniValue(target + L"\\setup.ini", L"varlo", L"packpath"), ModulePath());
                EXPECT_EQ(IniValue(target + L"\\local.cfg", L"config", L"powerup"), wantAutostart ? L"1" : L"0");
                // Shortcuts and pin.
                EXPECT_EQ(PathExists(desktopLink), wantDesktop);
                EXPECT_EQ(host.LastEnd().desktopShortcut, wantDesktop ? desktopLink : L"");
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
                // "Varlo Client": quoted for its blank.
                EXPECT_EQ(RegString(L"UninstallString"), L"\"" + target + L"\\unins000.exe\"");
                EXPECT_EQ(RegString(L"DisplayIcon"), target + L"\\vljiasu.exe");
                EXPECT_EQ(RegString(L"DisplayShortcut"), wantDesktop ? desktopLink : L"");
                // Logon task: registered with the scheduler, or withdrawn; no helper runs.
                EXPECT_EQ(QueryTaskPresence(L"vljsqRun"), wantAutostart ? TaskPresence::Present : TaskPresence::Absent);
                EXPECT_TRUE(launcher.launches.empty());
                break;
            }
            case kInfoError:
            case kDataError:
            case kDigestError:
            case kExtractError: {
                const bool data = c.outcome == kDataError || c.outcome == kDigestError;
                const wchar_t* reason = c.outcome == kInfoError ? L"安装错误：请求安装配置失败"
                                        : data                  ? L"安装错误：请求安装数据失败"
                                                                : L"安装错误：解压失败";
                const InstallOutcome kind = c.outcome == kInfoError     ? InstallOutcome::QueryFailed
                                            : c.outcome == kDataError   ? InstallOutcome::DownloadFailed
                                            : c.outcome == kDigestError ? InstallOutcome::DigestMismatch
                                                                        : InstallOutcome::ExtractFailed;
                EXPECT_EQ(outcome, kind);
                EXPECT_TRUE(host.LastEnd().installedDir.empty()) << "nothing installed to point at";
                EXPECT_EQ(log.Count(kWorkerLog, reason), 1) << log.Messages();
                EXPECT_EQ(host.Stages(),
                          c.outcome == kExtractError ? (std::vector<int>{1, 2, 4}) : (std::vector<int>{1, 2}));
                EXPECT_TRUE(launcher.launches.empty());
                EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
                if (c.outcome == kExtractError) {
                    EXPECT_FALSE(PathExists(target)) << "the folder the install made is gone again";
                    EXPECT_TRUE(PathExists(PackagePath())) << "the package stays in the cache";
                    EXPECT_TRUE(NobodyHoldsOpen(PackagePath()));
                }
                break;
            }
            case kStalled:
                // Whichever saw the silence first, the watch or the transfer, the install
                // ends once, as stalled.
                EXPECT_EQ(outcome, InstallOutcome::StalledDownload);
                EXPECT_EQ(log.Count(kWorkerLog, L"安装错误：下载进度长时间无变化，已被取消"), 1) << log.Messages();
                EXPECT_EQ(host.Stages(), (std::vector<int>{1, 2}));
                EXPECT_FALSE(PathExists(target));
                break;
        }
        EXPECT_EQ(host.watchStarts, host.watchStops);
    }
}

// Writes of extracted data that cancel the install once 8 MiB of the large entry are out:
// a cancel that lands inside an entry, however fast the disk.
InstallEngine* g_cancelMidEntry = nullptr;
std::atomic<uint64_t> g_writtenBeforeCancel{0};
BOOL CancellingWrite(HANDLE file, const void* data, DWORD size, DWORD* written) {
    if (g_cancelMidEntry != nullptr && (g_writtenBeforeCancel += size) > 8u * 1024 * 1024) {
        g_cancelMidEntry->Cancel();
        g_cancelMidEntry = nullptr;
    }
    return ::WriteFile(file, data, size, written, nullptr);
}

// The retry pause as the product takes it: a real wait that an abort ends early.
void AbortableSleep(uint32_t ms) {
    static_cast<void>(HttpClient::WaitForAbort(ms));
}

// The window's stop, at every place the worker can be when the user confirms the close:
// the engine's thread must leave within the stop's wait, on its own, and leave nothing of
// the install: what the steps before the cancel did is undone.
TEST_F(InstallWorkerTest, CancelAtEveryStageLeavesInTimeAndRegistersNothingAfter) {
    enum class When { Stage, Download, FilesAppear, InsideEntry, Step };
    struct Case {
        const char* why;
        std::string mode;
        When when;
        int stage = 0;              // When::Stage: the stage whose start arms the cancel
        DWORD settleMs = 0;         // then this long before the cancel, to be inside the wait
        const wchar_t* step = L"";  // When::Step: the step whose start cancels
        bool realPauses = false;    // the retry pause really waits
        std::vector<int> stages;    // stages reached
        bool pinRan = false;        // the pin step ran before the cancel was seen (and was undone)
    };
    // 16 stored entries of 4 MiB: a cancel between entries. One entry of 48 MiB: inside it.
    std::string many = R"({"package": {"zip": {"entries": [{"name": "vljiasu.exe", "client": "signed"})";
    for (int i = 0; i < 16; ++i) {
        many += R"(, {"name": "pack/part)" + std::to_string(i) + R"(.dat", "size": 4194304})";
    }
    many += "]}}}";
    const std::string one = R"({"package": {"zip": {"entries": [{"name": "vljiasu.exe", "client": "signed"}, )"
                            R"({"name": "pack/huge.dat", "size": 50331648}]}}})";
    const Case cases[] = {
        {"probe: a primary that never answers",
         R"({"roles": {"primary": {"state": "hang"}}})",
         When::Stage,
         1,
         1000,
         L"",
         false,
         {1}},
        {"package query that never answers",
         PackageMode(R"({"primary": {"api_state": "hang"}})"),
         When::Stage,
         2,
         1500,
         L"",
         false,
         {1, 2}},
        {"retry pause after a failed query",
         PackageMode(R"({"primary": {"api_status": 500}})"),
         When::Stage,
         2,
         1000,
         L"",
         true,
         {1, 2}},
        {"download", PackageMode(R"({"download": {"rate": 65536}})"), When::Download, 0, 0, L"", false, {1, 2}},
        {"extraction, between entries", many, When::FilesAppear, 0, 0, L"", false, {1, 2, 4}},
        {"extraction, inside an entry", one, When::InsideEntry, 0, 0, L"", false, {1, 2, 4}},
        {"desktop shortcut step", PackageMode(), When::Step, 0, 0, L"桌面快捷方式", false, {1, 2, 4, 5}},
        {"taskbar pin step", PackageMode(), When::Step, 0, 0, L"固定到任务栏", false, {1, 2, 4, 5}, true},
        {"logon task step", PackageMode(), When::Step, 0, 0, L"开机启动", false, {1, 2, 4, 5}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        sim.Reset();
        sim.SetMode(c.mode);
        ClearSystemState();
        RemoveTree(target);
        ::DeleteFileW(PackagePath().c_str());
        HttpClient::AbortAllRequests(false);
        services->Net().SetSleepFunction(c.realPauses ? &AbortableSleep : &FakePauses::Sleep);
        launcher.launches.clear();
        invoker.calls = 0;
        RecordingHost host(services->Control());
        InstallEngine engine(*services, host);
        std::atomic<bool> reached{false};
        std::atomic<bool> cancelled{false};
        host.onStage = [&](int stage) { reached = reached || (c.when == When::Stage && stage == c.stage); };
        host.onWatchStart = [&] { reached = reached || c.when == When::Download; };
        // A step's start cancels right there, the way a confirm landing at that moment would.
        InstallJob cancellingJob = host.Job(job);
        cancellingJob.stepObserver = [&](const wchar_t* step) {
            if (c.when == When::Step && std::wstring(step) == c.step) {
                engine.Cancel();
                cancelled = true;
            }
        };

        if (c.when == When::InsideEntry) {
            g_writtenBeforeCancel = 0;
            g_cancelMidEntry = &engine;
            ZipFilePlacer::SetWrite(&CancellingWrite);
        }

        ASSERT_TRUE(engine.Start(cancellingJob));

        if (c.when == When::InsideEntry) {
            // The cancel comes from inside the worker's own write.
            static_cast<void>(engine.Wait());
            ZipFilePlacer::SetWrite(nullptr);
            EXPECT_EQ(g_cancelMidEntry, nullptr) << "the cancel landed inside the large entry";
        } else if (c.when != When::Step) {
            // Wait for the point, then for the work there to be under way.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            bool under = false;
            while (!under && std::chrono::steady_clock::now() < deadline) {
                switch (c.when) {
                    case When::Download:
                        under = reached && services->Control().GetPercent() > 0;
                        break;
                    case When::FilesAppear:
                        under = !FilesBelow(target + L"\\pack").empty() || PathExists(target + L"\\pack");
                        break;
                    default:
                        under = reached;
                        break;
                }
                ::Sleep(1);
            }
            ASSERT_TRUE(under);
            ::Sleep(c.settleMs);
        } else {
            static_cast<void>(engine.Wait());
            ASSERT_TRUE(cancelled);
        }
        EXPECT_TRUE(engine.Stop(kWorkerStopWaitMs)) << "the worker left within the wait, on its own";

        EXPECT_EQ(engine.Wait().outcome, InstallOutcome::Cancelled);
        EXPECT_EQ(host.Outcomes(), std::vector<InstallOutcome>{InstallOutcome::Cancelled});
        EXPECT_FALSE(host.stallBoxShown);
        EXPECT_EQ(host.Stages(), c.stages);
        if (PathExists(PackagePath())) {
            EXPECT_TRUE(NobodyHoldsOpen(PackagePath()));
        }
        for (const fs::path& file : FilesBelow(target)) {
            EXPECT_TRUE(NobodyHoldsOpen(file.wstring())) << file.string();
        }
        // Nothing of the install is left, whichever step the cancel landed in.
        EXPECT_FALSE(PathExists(desktopLink));
        EXPECT_EQ(invoker.calls, c.pinRan ? 2 : 0) << "a pin made before the cancel is taken off again";
        EXPECT_FALSE(PathExists(startMenu + L"\\启动Varlo加速器.lnk"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
        EXPECT_EQ(QueryTaskPresence(L"vljsqRun"), TaskPresence::Absent);
        EXPECT_TRUE(launcher.launches.empty()) << "no logon task";
        EXPECT_FALSE(PathExists(target)) << "the folder the install made is gone";
        EXPECT_FALSE(PathExists(logDir + L"extract.journal")) << "the undo finished";
    }
    services->Net().SetSleepFunction(&FakePauses::Sleep);
}

// A target that cannot be given the install folder's rights (here one that stands for a
// junction, which Wine cannot make) ends the install as a failed extraction, with the
// cause in the log and nothing extracted there.
TEST_F(InstallWorkerTest, AFolderThatCannotBeProtectedEndsLikeAFailedExtraction) {
    sim.Reset();
    sim.SetMode(PackageMode());
    ClearSystemState();
    RemoveTree(target);
    ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
    SetFolderLinkProbe(
        [](HANDLE, const std::wstring& path) { return path.find(L"Varlo Client") != std::wstring::npos; });
    RecordingHost host(services->Control());
    const LogCapture log;
    const InstallOutcome outcome = Install(host);
    SetFolderLinkProbe(nullptr);
    EXPECT_EQ(outcome, InstallOutcome::ExtractFailed);
    EXPECT_EQ(log.Count(kWorkerLog, L"安装错误：解压失败"), 1) << log.Messages();
    EXPECT_NE(log.Messages().find(L"安装目录权限设置失败"), std::wstring::npos) << log.Messages();
    EXPECT_FALSE(PathExists(target + L"\\vljiasu.exe"));
    EXPECT_TRUE(launcher.launches.empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// The client runs elevated after the install: only one signed by the publisher the build
// names (the test publisher here, who signs the simulator's stand-in clients) is installed.
// Any other rolls back like a failed extraction, leaves nothing, and the log says why. A
// certificate in the publisher's name that issued itself is refused by Windows as an
// untrusted chain; Wine's WinVerifyTrust accepts any chain, and then the key tells it apart.
TEST_F(InstallWorkerTest, OnlyAClientSignedByThePublisherIsInstalled) {
    ASSERT_FALSE(ConfiguredClientPublisher().spkiSha256.empty())
        << "the test build names the test publisher (scripts/test.sh passes VARLO_CLIENT_PUBLISHER_*)";
    struct Case {
        const char* client;
        std::vector<std::wstring> logged;  // one of these
    };
    const Case cases[] = {
        {"signed", {L"客户端程序的签名有效，发布者：O=Varlo setup tests, CN=Varlo Test Publisher"}},
        {"unsigned", {L"客户端程序没有数字签名"}},
        {"other", {L"客户端程序由其他发布者签名：O=Varlo setup tests, CN=Varlo Other Publisher"}},
        {"tampered", {L"客户端程序在签名后被改动"}},
        {"selfsigned",
         {L"客户端程序的签名证书不受信任",
          L"客户端程序由其他发布者签名：O=Varlo setup tests, CN=Varlo Test Publisher"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.client);
        sim.Reset();
        sim.SetMode(std::string(R"({"package": {"zip": {"entries": [{"name": "vljiasu.exe", "client": ")") + c.client +
                    R"("}, {"name": "unins000.exe", "size": 2000}, {"name": "res/route.dat", "size": 3000}]}}})");
        ClearSystemState();
        RemoveTree(target);
        ::DeleteFileW(PackagePath().c_str());
        launcher.launches.clear();
        RecordingHost host(services->Control());
        const LogCapture log;
        const InstallOutcome outcome = Install(host);
        const std::wstring messages = log.Messages();
        EXPECT_TRUE(std::any_of(c.logged.begin(), c.logged.end(), [&](const std::wstring& line) {
            return messages.find(line) != std::wstring::npos;
        })) << messages;
        if (std::string(c.client) == "signed") {
            EXPECT_EQ(outcome, InstallOutcome::Installed);
            EXPECT_TRUE(PathExists(target + L"\\vljiasu.exe"));
            EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
            continue;
        }
        EXPECT_EQ(outcome, InstallOutcome::ExtractFailed);
        EXPECT_EQ(log.Count(kWorkerLog, L"安装错误：解压失败"), 1) << log.Messages();
        EXPECT_FALSE(PathExists(target)) << "the folder the install made goes with the rollback";
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
        EXPECT_FALSE(PathExists(desktopLink));
        EXPECT_TRUE(launcher.launches.empty());
    }
}

TEST_F(InstallWorkerTest, OneInstallPerEngine) {
    RecordingHost host(services->Control());
    InstallEngine engine(*services, host);
    // Cancelled before it starts: it leaves at once, reporting only its end.
    engine.Cancel();
    HttpClient::AbortAllRequests(false);
    ASSERT_TRUE(engine.Start(job));
    EXPECT_FALSE(engine.Start(job)) << "refused while the first may still run";
    EXPECT_EQ(engine.Wait().outcome, InstallOutcome::Cancelled);
    EXPECT_FALSE(engine.Start(job)) << "refused after the first finished";
    EXPECT_TRUE(host.Stages().empty());
    EXPECT_EQ(host.Outcomes(), std::vector<InstallOutcome>{InstallOutcome::Cancelled});
}

// A thread that does not see its flag in time is reported by the stop and left alone, never
// killed: killing it could leave any lock it holds taken for good.
TEST_F(InstallWorkerTest, AStopWaitsBoundedAndNeverKillsTheThread) {
    sim.Reset();
    sim.SetMode(PackageMode());
    UniqueKernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(release.valid());
    RecordingHost host(services->Control());
    // Stuck in the host's first report, deaf to the cancel.
    host.onStage = [&](int stage) {
        if (stage == 1) {
            ::WaitForSingleObject(release.get(), INFINITE);
        }
    };
    {
        InstallEngine engine(*services, host);
        ASSERT_TRUE(engine.Start(job));
        while (host.Stages().empty()) {
            ::Sleep(1);
        }
        const ULONGLONG asked = ::GetTickCount64();
        EXPECT_FALSE(engine.Stop(300)) << "still running after the wait";
        const ULONGLONG took = ::GetTickCount64() - asked;
        EXPECT_GE(took, 250u);
        EXPECT_LT(took, 2000u);
        // Let it go the way it would have: it sees its flag once it can.
        ::SetEvent(release.get());
        EXPECT_EQ(engine.Wait().outcome, InstallOutcome::Cancelled);
    }
    HttpClient::AbortAllRequests(false);
    EXPECT_EQ(host.Stages(), std::vector<int>{1});
    EXPECT_EQ(host.Outcomes(), std::vector<InstallOutcome>{InstallOutcome::Cancelled});
    EXPECT_FALSE(PathExists(target));
}

}  // namespace
