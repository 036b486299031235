#include "core/ControlManager.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "NetTestSupport.h"
#include "SimulatorClient.h"
#include "core/DataManager.h"
#include "core/NetManager.h"
#include "core/PackageFile.h"
#include "util/Md5A.h"

namespace {

const std::wstring kSource = L"..\\core\\ControlManager";

std::atomic<uint32_t> g_fakeTicks{0};
uint32_t FakeTicks() {
    return g_fakeTicks.load();
}

// Plays the window's stall watch: a thread that ticks once per 100 ms of real time while
// the injected clock advances half a second per tick, so five silent "seconds" pass in
// one real second.
class FakeWatch : public IDownloadWatch {
  public:
    explicit FakeWatch(ControlManager& watched) : control(watched) {}
    void StartDownloadWatch() override {
        ++starts;
        running = true;
        ticker = std::thread([this] {
            while (running) {
                g_fakeTicks += 500;
                // A stall is retried: the watch goes on for the next attempt.
                if (control.CheckStall()) {
                    stallSeen = true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    void StopDownloadWatch() override {
        ++stops;
        running = false;
        if (ticker.joinable()) {
            ticker.join();
        }
    }
    ControlManager& control;
    int starts = 0;
    int stops = 0;
    std::atomic<bool> running{false};
    std::atomic<bool> stallSeen{false};
    std::thread ticker;
};

std::string DigestThrough(HANDLE file) {
    Md5Stream md5;
    char buffer[65536];
    LARGE_INTEGER at = {};
    ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        md5.Update(buffer, got);
    }
    return md5.FinishHex();
}

class ControlManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulator fixture did not start";
        sim.Reset();
        scratch = std::make_unique<TempDir>(L"varlo-core-control");
        dir = scratch->path() + L"\\";
        control->SetEndpoints(sim.Endpoints());
        control->SetDownloadWatch(&watch);
        control->SetTickSource(&FakeTicks);
        net.SetSleepFunction(&FakePauses::Sleep);
        control->SetPauseFunction(&FakePauses::Sleep);
        FakePauses::taken.clear();
        hosts.primary = sim.Base("primary");
        hosts.fallback = sim.Base("fallback_a");
        hosts.index = 1;
    }
    void TearDown() override {
        control->SetDownloadWatch(nullptr);
        scratch.reset();
    }

    std::vector<std::string> RolesProbed() {
        std::vector<std::string> roles;
        for (const ReceivedRequest& r : sim.Requests()) {
            if (r.method == "GET" && r.target == "/") {
                roles.push_back(r.role);
            }
        }
        return roles;
    }
    bool Download(const std::wstring& dest, const std::string& url, const std::string& md5) {
        return control->DownloadPackage(dest, url, md5);
    }
    std::string PackageUrl() { return sim.Base("download") + "/files/client.zip"; }

    SimulatorClient& sim = SimulatorClient::Get();
    DataManager identity{"100", 1, 1};
    NetManager net{identity};
    ControlManager controlObject{net};
    ControlManager* control = &controlObject;
    ApiHosts hosts;
    FakeWatch watch{controlObject};
    std::unique_ptr<TempDir> scratch;
    std::wstring dir;  // with a trailing separator
};

TEST_F(ControlManagerTest, SelectServerOutcomes) {
    struct Case {
        const char* why;
        std::vector<const char*> refusing;
        std::string primary, fallback;
        int index;
        bool nothingAnswered;
        std::vector<std::string> probed;
    };
    const std::string p = sim.Base("primary"), s = sim.Base("secondary"), a = sim.Base("fallback_a"),
                      b = sim.Base("fallback_b");
    const Case cases[] = {
        {"primary answers", {}, p, a, 1, false, {"primary"}},
        {"secondary answers", {"primary"}, s, a, 2, false, {"secondary"}},
        {"fallback A when the internet is silent",
         {"primary", "secondary", "probe_site"},
         a,
         a,
         3,
         false,
         {"fallback_a"}},
        {"fallback B when the internet answers",
         {"primary", "secondary"},
         b,
         b,
         4,
         false,
         {"probe_site", "fallback_b"}},
        {"nothing, internet silent", {"primary", "secondary", "probe_site", "fallback_a"}, p, a, 3, true, {}},
        {"nothing, internet answers", {"primary", "secondary", "fallback_b"}, p, a, 4, true, {"probe_site"}},
    };
    for (const Case& c : cases) {
        sim.Reset();
        std::string mode = R"({"roles": {)";
        for (size_t i = 0; i < c.refusing.size(); ++i) {
            mode += std::string(i ? ", " : "") + "\"" + c.refusing[i] + R"(": {"state": "refuse"})";
        }
        sim.SetMode(mode + "}}");
        const LogCapture log;
        const std::optional<ApiHosts> chosen = control->SelectServer();
        ASSERT_TRUE(chosen.has_value()) << c.why;
        EXPECT_EQ(chosen->primary, c.primary) << c.why;
        EXPECT_EQ(chosen->fallback, c.fallback) << c.why;
        EXPECT_EQ(chosen->index, c.index) << c.why;
        EXPECT_EQ(chosen->answered, !c.nothingAnswered) << c.why;
        EXPECT_EQ(log.Count(kSource, L"无可访问的服务器"), c.nothingAnswered ? 1 : 0) << c.why;
        EXPECT_EQ(RolesProbed(), c.probed) << c.why;
    }
}

TEST_F(ControlManagerTest, HangingPrimaryGivesWayToTheSecondaryAfterItsTimeLimit) {
    EXPECT_EQ(net.GetProbeSeconds(), 10) << "a probe normally waits ten seconds";
    // One second instead, so the hang costs this test a second.
    net.SetProbeSeconds(1);
    sim.SetMode(R"({"roles": {"primary": {"state": "hang"}}})");
    const auto start = std::chrono::steady_clock::now();
    const std::optional<ApiHosts> chosen = control->SelectServer();
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->primary, sim.Base("secondary"));
    EXPECT_EQ(chosen->index, 2);
    EXPECT_GE(seconds, 0.9) << "the primary was given up for its silence, not for a refusal";
}

TEST_F(ControlManagerTest, PackageInfoFromTheSignedCall) {
    std::string url = "u", md5 = "m", version = "v";
    ASSERT_TRUE(control->GetPackageInfo(hosts, url, md5, version));
    EXPECT_EQ(url, PackageUrl());
    EXPECT_EQ(md5, sim.PackageMd5());
    EXPECT_EQ(version, "2.3.1");
    const std::vector<ReceivedRequest> got = sim.Requests();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].target, "/wpapi/version/getClientZipUrl");
    EXPECT_EQ(got[0].body.substr(0, 3), "ts=");
    EXPECT_TRUE(got[0].signOk);
}

TEST_F(ControlManagerTest, PackageInfoFailures) {
    struct Case {
        const char* why;
        const char* mode;
        const wchar_t* log;
    };
    const Case cases[] = {
        {"both endpoints refuse", R"({"roles": {"primary": {"state": "refuse"}, "fallback_a": {"state": "refuse"}}})",
         L"信息请求失败"},
        {"envelope refusal", R"({"roles": {"primary": {"envelope": {"code": 100500, "message": "no"}}}})",
         L"信息请求失败"},
        {"payload not JSON", R"({"roles": {"primary": {"payload_text": "this is not json"}}})", L"数据信息解析错误"},
        {"empty payload", R"({"roles": {"primary": {"plaintext": "1700000000"}}})", L"数据信息解析错误"},
        {"member that is an object", R"({"roles": {"primary": {"payload": {"file_url": {"a": 1}}}}})",
         L"数据信息解析错误"},
        {"empty digest", R"({"roles": {"primary": {"payload": {"file_md5": ""}}}})", L"数据信息解析错误"},
        {"digest of 31 digits",
         R"({"roles": {"primary": {"payload": {"file_md5": "0123456789abcdef0123456789abcde"}}}})",
         L"数据信息解析错误"},
    };
    for (const Case& c : cases) {
        sim.Reset();
        sim.SetMode(c.mode);
        const LogCapture log;
        std::string url = "u", md5 = "m", version = "v";
        EXPECT_FALSE(control->GetPackageInfo(hosts, url, md5, version)) << c.why;
        EXPECT_EQ(url, "u") << c.why;
        EXPECT_EQ(log.Count(kSource, c.log), 1) << c.why << "\n" << log.Messages();
    }
}

TEST_F(ControlManagerTest, DownloadVerifiesAndThenReusesTheCachedFile) {
    const std::wstring dest = ControlManager::MakePackagePath(dir, PackageUrl());
    EXPECT_EQ(dest, dir + L"cache\\client.zip");
    ASSERT_TRUE(Download(dest, PackageUrl(), sim.PackageMd5()));
    EXPECT_EQ(CMd5A().GetFileMd5(dest), sim.PackageMd5());
    EXPECT_EQ(watch.starts, 1);
    EXPECT_EQ(watch.stops, 1);
    EXPECT_FALSE(control->IsAborted());
    EXPECT_EQ(control->GetPercent(), 100);

    // Second run: the file is there with the digest (given in upper case here): no transfer.
    sim.Reset();
    std::string upper = sim.PackageMd5();
    for (char& ch : upper) {
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    EXPECT_TRUE(Download(dest, PackageUrl(), upper));
    EXPECT_TRUE(sim.Requests().empty());
    EXPECT_EQ(watch.starts, 1) << "the watch is not started for a cached file";
}

TEST_F(ControlManagerTest, DownloadFailures) {
    struct Case {
        const char* why;
        const char* mode;
        std::string path;
        bool ok;
        bool fileStays;
        const wchar_t* log;
        size_t retries;  // a blip is tried again; anything else is final at once
    };
    const Case cases[] = {
        {"wrong bytes", R"({"roles": {"download": {"wrong_bytes": true}}})", "/files/client.zip", false, true,
         L"文件下载错误，md5不一致", 0},
        {"404", R"({"roles": {"download": {"status": 404}}})", "/files/client.zip", false, false, L"文件下载失败", 0},
        // Cut after 5000 bytes every time: four attempts, and the part is kept to resume.
        {"truncated", R"({"roles": {"download": {"truncate_after": 5000}}})", "/files/client.zip", false, true,
         L"文件下载失败", 3},
        {"redirect to http", "{}", "/redirect/http/1/files/client.zip", false, false, L"文件下载失败", 0},
        {"redirected over https", "{}", "/redirect/https/2/files/client.zip", true, true, nullptr, 0},
        {"download host refusing", R"({"roles": {"download": {"state": "refuse"}}})", "/files/client.zip", false, false,
         L"文件下载失败", 0},
        {"size not announced", R"({"roles": {"download": {"no_length": true}}})", "/files/client.zip", true, true,
         nullptr, 0},
    };
    for (const Case& c : cases) {
        sim.Reset();
        sim.SetMode(c.mode);
        FakePauses::taken.clear();
        const std::wstring dest = dir + L"cache\\client.zip";
        ::DeleteFileW(dest.c_str());
        ::DeleteFileW((dest + L".resume").c_str());
        const LogCapture log;
        EXPECT_EQ(Download(dest, sim.Base("download") + c.path, sim.PackageMd5()), c.ok) << c.why;
        EXPECT_EQ(PathExists(dest), c.fileStays) << c.why;
        EXPECT_FALSE(control->IsAborted()) << c.why;
        EXPECT_EQ(FakePauses::taken.size(), c.retries) << c.why << "\n" << log.Messages();
        if (c.log != nullptr) {
            EXPECT_EQ(log.Count(kSource, c.log), 1) << c.why << "\n" << log.Messages();
        } else {
            EXPECT_TRUE(log.NewMessages(kSource).empty()) << c.why << "\n" << log.Messages();
        }
    }
    // The certificate of the package host is checked like any other, and a refusal is final.
    const std::wstring dest = dir + L"cache\\client.zip";
    ::DeleteFileW(dest.c_str());
    ::DeleteFileW((dest + L".resume").c_str());
    FakePauses::taken.clear();
    EXPECT_FALSE(Download(dest, sim.Base("untrusted") + "/files/client.zip", sim.PackageMd5()));
    EXPECT_FALSE(PathExists(dest));
    EXPECT_TRUE(FakePauses::taken.empty());
}

TEST_F(ControlManagerTest, PackagePathFromAUrlWithQueryAndOnesThatDoNotFit) {
    sim.SetMode(R"({"package": {"query": "?token=abc&v=2#part"}})");
    std::string url, md5, version;
    ASSERT_TRUE(control->GetPackageInfo(hosts, url, md5, version));
    EXPECT_EQ(url, PackageUrl() + "?token=abc&v=2#part");
    const std::wstring dest = ControlManager::MakePackagePath(dir, url);
    EXPECT_EQ(dest, dir + L"cache\\client.zip");
    ASSERT_TRUE(Download(dest, url, md5));
    EXPECT_EQ(sim.Requests().back().target, "/files/client.zip?token=abc&v=2");

    const std::wstring longDir = L"C:\\" + std::wstring(500, L'd') + L"\\";
    EXPECT_EQ(ControlManager::MakePackagePath(longDir, url), L"");
    const LogCapture log;
    EXPECT_FALSE(Download(L"", url, md5));
    EXPECT_EQ(log.Count(kSource, L"安装包路径过长，工作目录无法容纳"), 1) << log.Messages();
    EXPECT_EQ(control->LastFailure(), DownloadFailure::PathTooLong);
}

TEST_F(ControlManagerTest, StalledTransferIsCancelledByTheWatchAndResumedUntilTheRetriesAreSpent) {
    // Every answer goes silent 100000 bytes after its start: four attempts, 400000 bytes.
    sim.SetMode(R"({"package": {"size": 1000000}, "roles": {"download": {"stall_after": 100000}}})");
    const std::wstring dest = dir + L"cache\\client.zip";
    const LogCapture log;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Download(dest, PackageUrl(), sim.PackageMd5()));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(watch.stallSeen);
    EXPECT_TRUE(control->IsAborted());
    EXPECT_EQ(control->LastFailure(), DownloadFailure::Stalled);
    EXPECT_EQ(FakePauses::taken.size(), 3u);
    EXPECT_EQ(control->GetPercent(), 40);
    EXPECT_TRUE(PathExists(dest)) << "the part is kept for the next run";
    EXPECT_EQ(ReadWholeFile(dest).size(), 400000u);
    EXPECT_EQ(log.Count(kSource, L"文件下载被终止，下载进度长时间无变化"), 1) << log.Messages();
    EXPECT_LT(seconds, 60.0) << "each stall cancelled soon after it, not by a timeout";
}

TEST_F(ControlManagerTest, AStallHalfWayIsRiddenOutByOneResume) {
    sim.SetMode(R"({"package": {"size": 1000000}, "roles": {"download": {"stall_at": [500000]}}})");
    const std::wstring dest = dir + L"cache\\client.zip";
    const LogCapture log;
    UniqueKernelHandle held;
    ASSERT_TRUE(control->DownloadPackage(dest, PackageUrl(), sim.PackageMd5(), held)) << log.Messages();
    EXPECT_TRUE(watch.stallSeen);
    EXPECT_EQ(DigestThrough(held.get()), sim.PackageMd5());
    EXPECT_EQ(FakePauses::taken.size(), 1u);
    const std::vector<ReceivedRequest> got = sim.Requests();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].Header("Range"), "bytes=500000-");
    EXPECT_EQ(got[0].bytesSent + got[1].bytesSent, 1000000);
    EXPECT_EQ(control->GetPercent(), 100);
    EXPECT_EQ(log.Count(kSource, L"文件下载被终止，下载进度长时间无变化"), 0)
        << "not the last word: " << log.Messages();
}

TEST_F(ControlManagerTest, SlowButSteadyTransferIsNotAStall) {
    // 160 KiB at 64 KiB/s: every watch "second" sees new bytes, while the whole percentage
    // stands still for several "seconds" at a time; the size is not even announced.
    sim.SetMode(R"({"package": {"size": 163840}, "roles": {"download": {"rate": 65536, "no_length": true}}})");
    const std::wstring dest = dir + L"cache\\client.zip";
    EXPECT_TRUE(Download(dest, PackageUrl(), sim.PackageMd5()));
    EXPECT_FALSE(watch.stallSeen);
    EXPECT_FALSE(control->IsAborted());
    EXPECT_EQ(CMd5A().GetFileMd5(dest), sim.PackageMd5());
}

TEST_F(ControlManagerTest, CancelEndsARunningTransferQuietly) {
    // 1 MB at 64 KiB/s would take 16 s; the cancel comes once some bytes have arrived.
    sim.SetMode(R"({"package": {"size": 1048576}, "roles": {"download": {"rate": 65536}}})");
    // No watch: its fast clock could call a slow start on a loaded machine a stall.
    control->SetDownloadWatch(nullptr);
    const std::wstring dest = dir + L"cache\\client.zip";
    const LogCapture log;
    std::atomic<bool> done{false};
    bool result = true;
    std::thread worker([&] {
        result = Download(dest, PackageUrl(), sim.PackageMd5());
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (control->GetPercent() < 5 && !done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_FALSE(done) << "the transfer ended before the cancel";
    const auto cancelAt = std::chrono::steady_clock::now();
    control->CancelDownload();
    worker.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - cancelAt).count();
    EXPECT_FALSE(result);
    // The whole transfer would take 16 s; a loaded machine may take a moment to wind down.
    EXPECT_LT(seconds, 8.0) << "the transfer stops at libcurl's next progress call";
    EXPECT_LT(control->GetPercent(), 100);
    EXPECT_TRUE(control->IsCancelled());
    EXPECT_TRUE(control->IsAborted()) << "no failure to report";
    g_fakeTicks += 60000;
    EXPECT_FALSE(control->CheckStall()) << "a cancel never shows as a stall";
    EXPECT_FALSE(PathExists(dest)) << "the partial file is deleted";
    EXPECT_EQ(log.Count(kSource, L"文件下载已取消"), 1) << log.Messages();
    EXPECT_EQ(log.Count(kSource, L"文件下载被终止，下载进度长时间无变化"), 0) << log.Messages();

    // The next transfer starts afresh: the cancel does not outlive it.
    sim.Reset();
    EXPECT_TRUE(Download(dest, PackageUrl(), sim.PackageMd5()));
    EXPECT_FALSE(control->IsCancelled());
    EXPECT_FALSE(control->IsAborted());
}

// What another process of the user could do to a held package: none of it may succeed.
void ExpectNobodyCanTouch(const std::wstring& path, const char* why) {
    HANDLE writer = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << why;
    if (writer != INVALID_HANDLE_VALUE) {
        ::CloseHandle(writer);
    }
    EXPECT_FALSE(::DeleteFileW(path.c_str())) << why;
    EXPECT_FALSE(::MoveFileW(path.c_str(), (path + L".swapped").c_str())) << why;
}

TEST_F(ControlManagerTest, ThePackageIsHeldFromItsCreationUntilTheCallerLetsGo) {
    // No watch: its fast clock could call a slow start on a loaded machine a stall.
    control->SetDownloadWatch(nullptr);
    const std::wstring dest = dir + L"cache\\client.zip";
    UniqueKernelHandle held;
    ASSERT_TRUE(control->DownloadPackage(dest, PackageUrl(), sim.PackageMd5(), held));
    ASSERT_TRUE(held);
    EXPECT_EQ(DigestThrough(held.get()), sim.PackageMd5());
    ExpectNobodyCanTouch(dest, "downloaded");
    held.reset();
    EXPECT_EQ(CMd5A().GetFileMd5(dest), sim.PackageMd5()) << "the package stays in the cache";

    // A cached copy is checked through the handle that then stays held: no request.
    sim.Reset();
    ASSERT_TRUE(control->DownloadPackage(dest, PackageUrl(), sim.PackageMd5(), held));
    EXPECT_TRUE(sim.Requests().empty());
    ASSERT_TRUE(held);
    EXPECT_EQ(DigestThrough(held.get()), sim.PackageMd5());
    ExpectNobodyCanTouch(dest, "cached");
    held.reset();

    // A wrong digest hands nothing back; the file stays for inspection, not held.
    sim.SetMode(R"({"roles": {"download": {"wrong_bytes": true}}})");
    EXPECT_FALSE(control->DownloadPackage(dest, PackageUrl(), "0123456789abcdef0123456789abcdef", held));
    EXPECT_FALSE(held);
    EXPECT_TRUE(PathExists(dest));
    EXPECT_TRUE(::DeleteFileW(dest.c_str())) << "nothing holds a refused package";
}

// Wine cannot create junctions, so a planted one is stood in for through the folder probe.
std::wstring g_plantedFolder;
bool ProbeWithPlantedJunction(HANDLE, const std::wstring& path) {
    return ::CompareStringOrdinal(path.c_str(), -1, g_plantedFolder.c_str(), -1, TRUE) != CSTR_EQUAL;
}

TEST_F(ControlManagerTest, APackageFolderThatIsALinkIsNeverUsed) {
    control->SetDownloadWatch(nullptr);
    PackageFile::SetFolderProbe(&ProbeWithPlantedJunction);
    const std::wstring dest = dir + L"cache\\client.zip";
    for (const std::wstring& planted : {dir + L"cache", dir.substr(0, dir.size() - 1)}) {
        g_plantedFolder = planted;
        sim.Reset();
        const LogCapture log;
        UniqueKernelHandle held;
        EXPECT_FALSE(control->DownloadPackage(dest, PackageUrl(), sim.PackageMd5(), held));
        EXPECT_FALSE(held);
        EXPECT_FALSE(PathExists(dest));
        EXPECT_TRUE(sim.Requests().empty()) << "refused before any transfer";
        const std::vector<std::wstring> said = log.NewMessages(kSource);
        ASSERT_EQ(said.size(), 1u) << log.Messages();
        EXPECT_EQ(said[0].rfind(L"安装包文件无法创建", 0), 0u) << "named as the file's failure, not the network's";
        EXPECT_EQ(control->LastFailure(), DownloadFailure::WriteFailed);
    }
    PackageFile::SetFolderProbe(nullptr);
    UniqueKernelHandle held;
    EXPECT_TRUE(control->DownloadPackage(dest, PackageUrl(), sim.PackageMd5(), held));
}

TEST_F(ControlManagerTest, TheCallersCancelFlagStopsTheTransferEvenWhenSetBeforeIt) {
    // No watch: its fast clock could call a slow start on a loaded machine a stall.
    control->SetDownloadWatch(nullptr);
    const std::wstring dest = dir + L"cache\\client.zip";
    std::atomic<bool> cancel{true};
    UniqueKernelHandle held;
    EXPECT_FALSE(control->DownloadPackage(dest, PackageUrl(), sim.PackageMd5(), held, &cancel));
    EXPECT_TRUE(control->IsCancelled());
    EXPECT_TRUE(sim.Requests().empty()) << "no transfer was started";
    EXPECT_FALSE(PathExists(dest));

    // Set while bytes flow: the transfer stops at the next progress call.
    cancel = false;
    sim.SetMode(R"({"package": {"size": 1048576}, "roles": {"download": {"rate": 65536}}})");
    std::thread canceller([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (control->GetPercent() < 5 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        cancel = true;
    });
    EXPECT_FALSE(control->DownloadPackage(dest, PackageUrl(), sim.PackageMd5(), held, &cancel));
    canceller.join();
    EXPECT_TRUE(control->IsCancelled());
    EXPECT_LT(control->GetPercent(), 100);
    EXPECT_FALSE(held);
    EXPECT_FALSE(PathExists(dest)) << "the partial package is removed";

    // A cancel while a cached package is being checked leaves it in the cache.
    sim.Reset();
    ASSERT_TRUE(Download(dest, PackageUrl(), sim.PackageMd5()));
    cancel = true;
    EXPECT_FALSE(control->DownloadPackage(dest, PackageUrl(), sim.PackageMd5(), held, &cancel));
    EXPECT_TRUE(control->IsCancelled());
    EXPECT_FALSE(held);
    EXPECT_EQ(CMd5A().GetFileMd5(dest), sim.PackageMd5());
}

}  // namespace
