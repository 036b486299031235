#include "core/NetManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "NetTestSupport.h"
#include "SimulatorClient.h"
#include "core/DataManager.h"
#include "core/HttpClient.h"
#include "core/SignedForm.h"
#include "util/Md5A.h"

namespace {

const std::wstring kSource = L"..\\core\\NetManager";
const std::string kPath = "/wpapi/version/getClientZipUrl";
const std::wstring kFailure = L"网络获取信息错误或解析失败,请稍后重试";

class NetManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulator fixture did not start";
        sim.Reset();
        FakePauses::taken.clear();
        net->SetSleepFunction(&FakePauses::Sleep);
        hosts.primary = sim.Base("primary");
        hosts.fallback = sim.Base("fallback_a");
        hosts.index = 1;
        // The identifier's one-time log line is written here, not inside a test's capture.
        static_cast<void>(data->GetClientUuid());
    }

    struct Outcome {
        bool ok = false;
        std::string data;
        std::wstring message;
        int code = 12345;
    };
    Outcome Call(const std::map<std::string, std::string>& params = {{"ts", "1700000000"}}) {
        Outcome o;
        o.ok = net->SignedRequest(hosts, kPath, params, o.data, o.message, o.code, 100);
        return o;
    }
    std::vector<ReceivedRequest> RequestsOf(const std::string& role) {
        std::vector<ReceivedRequest> out;
        for (ReceivedRequest& r : sim.Requests()) {
            if (r.role == role) {
                out.push_back(std::move(r));
            }
        }
        return out;
    }

    SimulatorClient& sim = SimulatorClient::Get();
    DataManager identity{"100", 1, 1};
    NetManager network{identity};
    DataManager* data = &identity;
    NetManager* net = &network;
    ApiHosts hosts;
};

TEST_F(NetManagerTest, SignedRequestPutsTheseExactBytesOnTheWire) {
    const Outcome o = Call();
    ASSERT_TRUE(o.ok) << o.message;
    EXPECT_EQ(o.code, 100100);
    EXPECT_TRUE(FakePauses::taken.empty());

    const std::vector<ReceivedRequest> got = RequestsOf("primary");
    ASSERT_EQ(got.size(), 1u);
    const ReceivedRequest& r = got[0];
    EXPECT_EQ(r.requestLine, "POST " + kPath + " HTTP/1.1");
    const std::string body = "ts=1700000000&sign=" + CMd5A().GetStringMd5("ts=1700000000Hq2xNw7cKd4ZrT9m");
    EXPECT_EQ(r.body, body);
    EXPECT_TRUE(r.signOk) << "the simulator's own check of the signature";
    // libcurl puts the given Host line where its own would go, first.
    const std::vector<std::string> expected = {
        "Host: 127.0.0.1:" + std::to_string(sim.Port("primary")),
        "Accept: */*",
        "Accept-Language: zh-CN",
        "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
        "Accept-Encoding: gzip, deflate",
        "Connection: Keep-Alive",
        "Userid: 0",
        "Clientuuid: " + data->GetClientUuid(),
        "Version: 100",
        "Channel: 1",
        "Systype: 1",
        "Yychannelid: 0",
        "Yychannelsign: 0",
        "Apihost: 1",
        // "Lang: " has no value before the window sets a language, so it is not sent.
        "Outerip: 0.0.0.0",
        "Innerip: 0.0.0.0",
        "Computer: " + data->GetComputerNameText(),
        "Clientapp: 0",
        "Content-Length: " + std::to_string(body.size()),
        "Content-Type: application/x-www-form-urlencoded",
    };
    EXPECT_EQ(r.headers, expected);
}

TEST_F(NetManagerTest, EscapesGoOutUpperCaseAndAreSignedLowerCase) {
    data->SetLang("zh-cn");
    const std::map<std::string, std::string> params = {{"ts", "1700000000"}, {"name", "A B/\xc3\xbc~"}, {"Z", "x"}};
    ASSERT_TRUE(Call(params).ok);
    const std::vector<ReceivedRequest> got = RequestsOf("primary");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].body.substr(0, got[0].body.find("&sign=")), "Z=x&name=A+B%2F%C3%BC%7E&ts=1700000000");
    EXPECT_EQ(got[0].body, BuildSignedForm(params, NetManager::kSignKey).body);
    EXPECT_TRUE(got[0].signOk) << "signed over Z=x&name=a+b%2f%c3%bc%7e&ts=1700000000 and the key";
    EXPECT_NE(std::find(got[0].headers.begin(), got[0].headers.end(), "Lang: zh-cn"), got[0].headers.end());
}

TEST_F(NetManagerTest, UnusableFirstAnswersAreRetriedOnTheFallbackAfterThreeSeconds) {
    struct Case {
        const char* why;
        const char* primaryMode;
        bool retried;
        std::wstring loggedText;  // the first attempt's text, logged before the retry
    };
    const Case cases[] = {
        {"300 with a body is accepted", R"({"status": 300})", false, L""},
        {"301", R"({"status": 301, "body": "moved"})", true, L"moved"},
        {"500", R"({"status": 500, "body": "<html>error</html>"})", true, L"<html>error</html>"},
        {"200 with an empty body", R"({"body": ""})", true, L""},
        {"refused", R"({"state": "refuse"})", true, L"Couldn't connect to server"},
    };
    for (const Case& c : cases) {
        sim.Reset();
        sim.SetMode(std::string(R"({"roles": {"primary": )") + c.primaryMode + "}}");
        FakePauses::taken.clear();
        const LogCapture log;
        const Outcome o = Call();
        EXPECT_TRUE(o.ok) << c.why;
        EXPECT_EQ(o.code, 100100) << c.why;
        EXPECT_EQ(RequestsOf("fallback_a").size(), c.retried ? 1u : 0u) << c.why;
        EXPECT_EQ(FakePauses::taken, c.retried ? std::vector<uint32_t>{3000} : std::vector<uint32_t>{}) << c.why;
        EXPECT_EQ(log.Count(kSource, c.loggedText), c.retried ? 1 : 0) << c.why << "\n" << log.Messages();
        if (c.retried) {
            const std::vector<ReceivedRequest> retry = RequestsOf("fallback_a");
            ASSERT_EQ(retry.size(), 1u);
            EXPECT_TRUE(retry[0].signOk);
            EXPECT_EQ(retry[0].headers[0], "Host: 127.0.0.1:" + std::to_string(sim.Port("fallback_a")));
        }
    }
}

TEST_F(NetManagerTest, EnvelopeFailureTable) {
    const std::string ten = R"({"plaintext": "1700000000"})";
    struct Case {
        const char* why;
        std::string primaryMode;
        bool ok;
        int code;
        std::wstring message;
        std::vector<std::wstring> logs;  // exact messages, in order
    };
    const std::wstring parseFail = L"网络获取信息异常或解析失败";
    const Case cases[] = {
        {"refusal",
         R"({"body": "{\"code\":100500,\"message\":\"版本信息不存在\"}"})",
         false,
         100500,
         L"版本信息不存在",
         {L"100500,版本信息不存在,100"}},
        {"code as a string",
         R"({"body": "{\"code\":\"100100\"}"})",
         false,
         -1,
         kFailure,
         {L"信息异常,100", parseFail + L"{\"code\":\"100100\"},100"}},
        {"message of the wrong type",
         R"({"body": "{\"code\":5,\"message\":{}}"})",
         false,
         5,
         kFailure,
         {L"信息异常,100", parseFail + L"{\"code\":5,\"message\":{}},100"}},
        {"HTML instead of JSON",
         R"({"body": "<html>busy</html>"})",
         false,
         -1,
         kFailure,
         {parseFail + L"<html>busy</html>,100"}},
        {"plaintext shorter than its prefix", R"({"plaintext": "12345"})", false, 100100, kFailure, {}},
        {"data not Base64", R"({"envelope": {"data": "!!!!****"}})", true, 100100, L"", {}},
        {"bad length word", R"({"length_word": 100000})", true, 100100, L"", {}},
        {"plaintext of exactly ten characters", ten, true, 100100, L"", {}},
    };
    for (const Case& c : cases) {
        sim.Reset();
        sim.SetMode(R"({"roles": {"primary": )" + c.primaryMode + "}}");
        const LogCapture log;
        const Outcome o = Call();
        EXPECT_EQ(o.ok, c.ok) << c.why;
        EXPECT_EQ(o.code, c.code) << c.why;
        EXPECT_EQ(o.message, c.message) << c.why;
        if (c.ok) {
            EXPECT_EQ(o.data, "") << c.why;
        }
        const std::vector<std::wstring> messages = log.NewMessages(kSource);
        if (c.why == std::string("plaintext shorter than its prefix")) {
            ASSERT_EQ(messages.size(), 2u) << log.Messages();
            EXPECT_EQ(messages[0], L"信息异常,100");
            EXPECT_EQ(messages[1].substr(0, parseFail.size()), parseFail);
            EXPECT_EQ(messages[1].substr(messages[1].size() - 4), L",100");
        } else {
            EXPECT_EQ(messages, c.logs) << c.why;
        }
        EXPECT_TRUE(FakePauses::taken.empty()) << c.why;
    }
}

TEST_F(NetManagerTest, BothEndpointsFailingEndsInTheParseFailure) {
    sim.SetMode(R"({"roles": {"primary": {"status": 500, "body": "down"}, "fallback_a": {"state": "refuse"}}})");
    const LogCapture log;
    const Outcome o = Call();
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.code, -1);
    EXPECT_EQ(o.message, kFailure);
    EXPECT_EQ(log.Count(kSource, L"down"), 1) << log.Messages();
    EXPECT_EQ(log.Count(kSource, L"网络获取信息异常或解析失败Couldn't connect to server,100"), 1) << log.Messages();
}

// The request goes to the hosts it is handed, and tells the server which probe chose them.
TEST_F(NetManagerTest, AsksTheHostsItIsHanded) {
    hosts.primary = sim.Base("secondary");
    hosts.index = 2;
    const Outcome o = Call();
    EXPECT_TRUE(o.ok);
    const std::vector<ReceivedRequest> got = RequestsOf("secondary");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_NE(std::find(got[0].headers.begin(), got[0].headers.end(), "Apihost: 2"), got[0].headers.end());
    EXPECT_TRUE(RequestsOf("primary").empty());
}

TEST_F(NetManagerTest, AnAbortBeforeTheRequestSendsNothing) {
    HttpClient::AbortAllRequests();
    const LogCapture log;
    const Outcome o = Call();
    HttpClient::AbortAllRequests(false);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(log.Count(kSource, L"请求已取消"), 1) << log.Messages();
    EXPECT_TRUE(sim.Requests().empty()) << "nothing was sent";
}

TEST_F(NetManagerTest, TimestampIsTheCurrentSecondInDecimal) {
    const long long before = static_cast<long long>(std::time(nullptr));
    const std::string ts = net->MakeTimestamp();
    const long long after = static_cast<long long>(std::time(nullptr));
    ASSERT_FALSE(ts.empty());
    EXPECT_EQ(ts.find_first_not_of("0123456789"), std::string::npos) << ts;
    EXPECT_NE(ts[0], '0');
    EXPECT_GE(std::stoll(ts), before);
    EXPECT_LE(std::stoll(ts), after);
}

TEST_F(NetManagerTest, InitActsOnceAndLogsAnUncreatableCacheFolder) {
    // A file where the work directory should be: "cache" cannot be made below it.
    const TempDir scratch(L"varlo-core-init");
    const std::wstring dir = scratch.path() + L"\\";
    ASSERT_TRUE(WriteWholeFile(dir + L"blocker", "x"));
    const LogCapture log;
    net->Init(dir + L"blocker\\");
    EXPECT_EQ(log.Count(kSource, L"缓存目录创建失败"), 1) << log.Messages();

    net->Init(dir);
    EXPECT_FALSE(PathExists(dir + L"cache")) << "a second Init does nothing";
}

}  // namespace
