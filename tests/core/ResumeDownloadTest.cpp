// The package download against the simulator's faults: what is resumed, what starts over,
// what is retried and when. Pauses are recorded, not slept (one test sleeps the real wait
// to show a cancel ends it).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "NetTestSupport.h"
#include "SimulatorClient.h"
#include "core/ControlManager.h"
#include "core/DataManager.h"
#include "core/NetManager.h"
#include "core/ResumeRecord.h"
#include "util/Md5A.h"

namespace {

const std::wstring kSource = L"..\\core\\ControlManager";
constexpr long long kSize = 1000000;

class ResumeDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulator fixture did not start";
        sim.Reset();
        sim.SetMode(R"({"package": {"size": 1000000}})");
        scratch = std::make_unique<TempDir>(L"varlo-core-resume");
        dest = scratch->path() + L"\\cache\\client.zip";
        control.SetPauseFunction(&FakePauses::Sleep);
        FakePauses::taken.clear();
    }
    void TearDown() override { scratch.reset(); }

    std::string Url() { return sim.Base("download") + "/files/client.zip"; }
    bool Download(const std::string& url, const std::string& md5) {
        UniqueKernelHandle held;
        const bool ok = control.DownloadPackage(dest, url, md5, held);
        EXPECT_EQ(static_cast<bool>(held), ok);
        return ok;
    }
    // A first run that gets `part` bytes and then only "503": the retries are spent and
    // the part is kept with its record.
    void LeavePartial(long long part) {
        sim.SetMode(R"({"roles": {"download": {"cut_at": [)" + std::to_string(part) +
                    R"(], "fail_first": {"skip": 1, "count": 10, "status": 503}}}})");
        const LogCapture log;
        ASSERT_FALSE(Download(Url(), sim.PackageMd5()));
        ASSERT_EQ(control.LastFailure(), DownloadFailure::Network);
        ASSERT_EQ(FakePauses::taken.size(), 3u);
        ResumeRecord record;
        ASSERT_TRUE(ParseResumeRecord(ReadWholeFile(dest + L".resume"), record))
            << "[" << ReadWholeFile(dest + L".resume") << "]" << log.Messages();
        ASSERT_EQ(record.heldBytes, part);
        ASSERT_EQ(record.url, Url());
        ASSERT_EQ(ReadWholeFile(dest).size(), static_cast<size_t>(part));
        FakePauses::taken.clear();
    }
    static long long Sent(const std::vector<ReceivedRequest>& requests) {
        long long sum = 0;
        for (const ReceivedRequest& r : requests) {
            sum += r.bytesSent > 0 ? r.bytesSent : 0;
        }
        return sum;
    }

    SimulatorClient& sim = SimulatorClient::Get();
    DataManager identity{"100", 1, 1};
    NetManager net{identity};
    ControlManager control{net};
    std::unique_ptr<TempDir> scratch;
    std::wstring dest;
};

TEST_F(ResumeDownloadTest, ACutIsResumedWhereItHappened) {
    for (const long long cut : {0LL, kSize / 2, kSize * 99 / 100}) {
        SetUp();
        sim.SetMode(R"({"roles": {"download": {"cut_at": [)" + std::to_string(cut) + "]}}}");
        const LogCapture log;
        ASSERT_TRUE(Download(Url(), sim.PackageMd5())) << cut << "\n" << log.Messages();
        const std::vector<ReceivedRequest> got = sim.Requests();
        ASSERT_EQ(got.size(), 2u) << cut;
        EXPECT_EQ(got[0].Header("Range"), "") << cut;
        // Nothing held after a cut at 0: the whole file again, without a range.
        EXPECT_EQ(got[1].Header("Range"), cut > 0 ? "bytes=" + std::to_string(cut) + "-" : "") << cut;
        EXPECT_EQ(got[1].Header("If-Range").empty(), cut == 0) << cut;
        EXPECT_EQ(Sent(got), kSize) << cut << ": no byte twice";
        ASSERT_EQ(FakePauses::taken.size(), 1u) << cut;
        EXPECT_GE(FakePauses::taken[0], 1000u);
        EXPECT_LE(FakePauses::taken[0], 1250u);
        EXPECT_EQ(CMd5A().GetFileMd5(dest), sim.PackageMd5()) << cut;
        EXPECT_FALSE(PathExists(dest + L".resume")) << "a finished package has no record";
        EXPECT_EQ(control.GetPercent(), 100);
        TearDown();
    }
}

TEST_F(ResumeDownloadTest, AnAnswerThatDoesNotContinueThePartStartsOver) {
    struct Case {
        const char* why;
        const char* fault;
        size_t requests;
        long long sent;
        const wchar_t* log;
    };
    const Case cases[] = {
        // The whole file comes instead of the rest: taken from its start.
        {"range ignored", R"("ignore_range": true)", 2, kSize / 2 + kSize,
         L"服务器发来整个文件（文件已变或不支持续传），从头下载"},
        // A 206 from elsewhere: refused before a byte is written, then asked from zero.
        {"206 at the wrong offset", R"("range_shift": 100)", 3, -1, L"续传的应答与已有部分不符，从头下载"},
    };
    for (const Case& c : cases) {
        SetUp();
        sim.SetMode(std::string(R"({"roles": {"download": {"cut_at": [500000], )") + c.fault + "}}}");
        const LogCapture log;
        ASSERT_TRUE(Download(Url(), sim.PackageMd5())) << c.why << "\n" << log.Messages();
        const std::vector<ReceivedRequest> got = sim.Requests();
        ASSERT_EQ(got.size(), c.requests) << c.why;
        EXPECT_EQ(got[1].Header("Range"), "bytes=500000-") << c.why;
        EXPECT_EQ(got.back().Header("Range"), c.requests == 3 ? "" : "bytes=500000-") << c.why;
        if (c.sent >= 0) {
            EXPECT_EQ(Sent(got), c.sent) << c.why;
        }
        EXPECT_EQ(FakePauses::taken.size(), 1u) << c.why << ": only the cut waits";
        EXPECT_EQ(log.Count(kSource, c.log), 1) << c.why << "\n" << log.Messages();
        EXPECT_EQ(CMd5A().GetFileMd5(dest), sim.PackageMd5()) << c.why;
        TearDown();
    }
}

TEST_F(ResumeDownloadTest, TheNextRunContinuesThePartOnlyWhenNothingChanged) {
    struct Case {
        const char* why;
        const char* mode;       // of the second run
        std::string urlSuffix;  // the second run's address differs by this
        bool resumed;
        const wchar_t* log;
    };
    const Case cases[] = {
        {"same package", "{}", "", true, L"发现未完成的下载：已有 400000 字节"},
        {"validator changed", R"({"roles": {"download": {"etag": "\"other\""}}})", "", false,
         L"服务器发来整个文件（文件已变或不支持续传），从头下载"},
        {"MD5 changed", R"({"package": {"size": 1000000, "seed": 2}})", "", false,
         L"安装包地址或MD5已变，丢弃未完成的下载"},
        {"URL changed", "{}", "?v=2", false, L"安装包地址或MD5已变，丢弃未完成的下载"},
    };
    for (const Case& c : cases) {
        SetUp();
        LeavePartial(400000);
        sim.Reset();
        sim.SetMode(R"({"package": {"size": 1000000}})");
        sim.SetMode(c.mode);
        const LogCapture log;
        ASSERT_TRUE(Download(Url() + c.urlSuffix, sim.PackageMd5())) << c.why << "\n" << log.Messages();
        const std::vector<ReceivedRequest> got = sim.Requests();
        ASSERT_EQ(got.size(), 1u) << c.why;
        // A changed validator is told by the server (If-Range); the rest before asking.
        const bool asked = c.resumed || std::string(c.why) == "validator changed";
        EXPECT_EQ(got[0].Header("Range"), asked ? "bytes=400000-" : "") << c.why;
        EXPECT_EQ(Sent(got), c.resumed ? kSize - 400000 : kSize) << c.why;
        EXPECT_EQ(log.Count(kSource, c.log), 1) << c.why << "\n" << log.Messages();
        EXPECT_EQ(CMd5A().GetFileMd5(dest), sim.PackageMd5()) << c.why;
        TearDown();
    }
}

TEST_F(ResumeDownloadTest, ARecordThatIsNotOursOrAShortPartIsDiscarded) {
    struct Case {
        const char* why;
        std::string record;  // empty: keep the record, shorten the part instead
        const wchar_t* log;
    };
    const Case cases[] = {
        {"garbage", "varlo-resume 1\nurl x\n", L"未完成下载的记录无法识别，丢弃"},
        {"claims more than the file holds", "", L"未完成的下载文件缺失或短于记录，丢弃"},
    };
    for (const Case& c : cases) {
        SetUp();
        LeavePartial(300000);
        if (!c.record.empty()) {
            ASSERT_TRUE(WriteWholeFile(dest + L".resume", c.record));
        } else {
            ASSERT_TRUE(WriteWholeFile(dest, ReadWholeFile(dest).substr(0, 1000)));
        }
        sim.Reset();
        sim.SetMode(R"({"package": {"size": 1000000}})");
        const LogCapture log;
        ASSERT_TRUE(Download(Url(), sim.PackageMd5())) << c.why << "\n" << log.Messages();
        const std::vector<ReceivedRequest> got = sim.Requests();
        ASSERT_EQ(got.size(), 1u) << c.why;
        EXPECT_EQ(got[0].Header("Range"), "") << c.why;
        EXPECT_EQ(log.Count(kSource, c.log), 1) << c.why << "\n" << log.Messages();
        TearDown();
    }
}

TEST_F(ResumeDownloadTest, BlipsAreRetriedOnTheirScheduleAndTheRestIsFinal) {
    struct Case {
        const char* why;
        const char* fault;
        bool ok;
        size_t requests;
        uint32_t minPause;  // of every pause taken
    };
    const Case cases[] = {
        {"three 503s", R"("fail_first": {"count": 3, "status": 503})", true, 4, 1000},
        {"four 503s: spent", R"("fail_first": {"count": 4, "status": 503})", false, 4, 1000},
        {"429 with Retry-After", R"("fail_first": {"count": 1, "status": 429, "retry_after": 7})", true, 2, 7000},
        {"Retry-After beyond 30 s", R"("fail_first": {"count": 1, "status": 503, "retry_after": 31})", false, 1, 0},
        {"404", R"("status": 404)", false, 1, 0},
        {"403", R"("fail_first": {"count": 1, "status": 403})", false, 1, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        sim.SetMode(std::string(R"({"roles": {"download": {)") + c.fault + "}}}");
        const LogCapture log;
        EXPECT_EQ(Download(Url(), sim.PackageMd5()), c.ok) << c.why << "\n" << log.Messages();
        EXPECT_EQ(sim.Requests().size(), c.requests) << c.why;
        EXPECT_EQ(FakePauses::taken.size(), c.requests - 1) << c.why;
        uint32_t expected = c.minPause;
        for (const uint32_t pause : FakePauses::taken) {
            EXPECT_GE(pause, expected) << c.why;
            EXPECT_LE(pause, std::max<uint32_t>(expected, 4000) + 250) << c.why;
            if (c.minPause == 1000) {
                expected *= 2;  // 1, 2, 4 seconds
            }
        }
        if (!c.ok) {
            EXPECT_EQ(control.LastFailure(), DownloadFailure::Network) << c.why;
            EXPECT_FALSE(PathExists(dest + L".resume")) << c.why << ": nothing held, nothing to record";
        }
        bool spentSaid = false;
        for (const std::wstring& line : log.NewMessages(kSource)) {
            spentSaid = spentSaid || line.rfind(L"重试已用尽（3 次", 0) == 0;
        }
        EXPECT_EQ(spentSaid, !c.ok && c.requests == 4) << c.why << "\n" << log.Messages();
        TearDown();
    }
}

std::atomic<bool> g_cancel{false};
void CancelWhilePausing(uint32_t ms) {
    FakePauses::Sleep(ms);
    g_cancel = true;
}

// The file as it stands while the transfer holds it open for writing.
std::string ReadWhileHeld(const std::wstring& path) {
    UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    std::string out;
    char buffer[65536];
    DWORD got = 0;
    while (file && ::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        out.append(buffer, got);
    }
    return out;
}

// A process killed in the middle of a transfer runs no clean-up: what it leaves is the part
// in the file and the record the transfer keeps while it runs. The state at the kill is
// taken as it stands on disk (the file and its record, copied while the transfer goes on);
// the next run continues from the record, and the package comes out whole.
TEST_F(ResumeDownloadTest, ARunThatIsKilledLeavesWhatTheNextRunContinues) {
    constexpr long long kLarge = 12LL * 1024 * 1024;
    sim.SetMode(R"({"package": {"size": )" + std::to_string(kLarge) +
                R"(}, "roles": {"download": {"stall_at": [9000000]}}})");
    std::atomic<bool> cancel{false};
    std::thread run([&] {
        UniqueKernelHandle held;
        EXPECT_FALSE(control.DownloadPackage(dest, Url(), sim.PackageMd5(), held, &cancel));
    });
    ResumeRecord record;
    std::string part;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = ReadWholeFile(dest + L".resume");
        if (!text.empty() && ParseResumeRecord(text, record) && record.heldBytes >= 8LL * 1024 * 1024) {
            part = ReadWhileHeld(dest);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    cancel = true;
    run.join();
    ASSERT_GE(record.heldBytes, 8LL * 1024 * 1024) << "a record while the transfer runs";
    ASSERT_GE(static_cast<long long>(part.size()), record.heldBytes) << "the record never claims more than the file";
    EXPECT_EQ(record.url, Url());
    EXPECT_FALSE(record.validator.empty());
    EXPECT_FALSE(PathExists(dest + L".resume")) << "a cancel keeps nothing";

    // As the killed run left it.
    ASSERT_TRUE(WriteWholeFile(dest, part));
    ASSERT_TRUE(WriteWholeFile(dest + L".resume", FormatResumeRecord(record)));
    sim.Reset();
    sim.SetMode(R"({"package": {"size": )" + std::to_string(kLarge) + "}}");
    const LogCapture log;
    ASSERT_TRUE(Download(Url(), sim.PackageMd5())) << log.Messages();
    const std::vector<ReceivedRequest> got = sim.Requests();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Header("Range"), "bytes=" + std::to_string(record.heldBytes) + "-");
    EXPECT_EQ(Sent(got), kLarge - record.heldBytes);
    EXPECT_EQ(CMd5A().GetFileMd5(dest), sim.PackageMd5());
    EXPECT_FALSE(PathExists(dest + L".resume")) << "a finished package has no record";
}

TEST_F(ResumeDownloadTest, ACancelEndsTheBackOffAtOnce) {
    sim.SetMode(R"({"roles": {"download": {"cut_at": [500000], "fail_first": {"skip": 1, "count": 1}}}})");
    control.SetPauseFunction(&CancelWhilePausing);
    g_cancel = false;
    UniqueKernelHandle held;
    EXPECT_FALSE(control.DownloadPackage(dest, Url(), sim.PackageMd5(), held, &g_cancel));
    EXPECT_EQ(control.LastFailure(), DownloadFailure::Cancelled);
    EXPECT_EQ(sim.Requests().size(), 1u) << "no attempt after the cancel";
    EXPECT_FALSE(PathExists(dest)) << "a cancelled download leaves nothing";
    EXPECT_FALSE(PathExists(dest + L".resume"));

    // The real wait, with the first pause a second long: the cancel ends it long before.
    TearDown();
    SetUp();
    sim.SetMode(R"({"roles": {"download": {"fail_first": {"count": 1, "status": 503, "retry_after": 20}}}})");
    control.SetPauseFunction(nullptr);
    g_cancel = false;
    std::thread canceller([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        g_cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(control.DownloadPackage(dest, Url(), sim.PackageMd5(), held, &g_cancel));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    canceller.join();
    EXPECT_EQ(control.LastFailure(), DownloadFailure::Cancelled);
    EXPECT_LT(seconds, 10.0) << "the 20-second Retry-After was not sat out";
    EXPECT_EQ(sim.Requests().size(), 1u);
}

}  // namespace
