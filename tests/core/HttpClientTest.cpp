#include "core/HttpClient.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "NetTestSupport.h"
#include "SimulatorClient.h"
#include "core/ServerChainCheck.h"
#include "util/Md5A.h"

namespace {

using Lines = std::vector<std::string>;

class HttpClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ok()) << "the simulator fixture did not start";
        sim.Reset();
        scratch = std::make_unique<TempDir>(L"varlo-core-http");
        dir = scratch->path() + L"\\";
    }
    void TearDown() override { scratch.reset(); }

    ReceivedRequest OnlyRequest() {
        const std::vector<ReceivedRequest> all = sim.Requests();
        EXPECT_EQ(all.size(), 1u);
        return all.empty() ? ReceivedRequest{} : all.front();
    }

    SimulatorClient& sim = SimulatorClient::Get();
    std::unique_ptr<TempDir> scratch;
    std::wstring dir;  // with a trailing separator
};

bool RefuseAll(void*, int64_t, int64_t, double) {
    return false;
}

bool Throws(void*, int64_t, int64_t, double) {
    throw std::runtime_error("progress gone wrong");
}

TEST_F(HttpClientTest, RequestSendsTheFixedLinesThenTheExtraBlockInOrder) {
    HttpClient client;
    ASSERT_TRUE(client.InitLibCurl(nullptr));
    client.SetPostFields("a=1&b=x+y");
    std::string text;
    // ";" splits a line, empty pieces vanish, a one-character piece is dropped and a line
    // without content after its colon is not sent.
    const char* block = "X-One: 1\r\nX-Two: 2;X-Three: 3\n\n;;X;Lang: \r\nX-Four: 4";
    EXPECT_EQ(client.Request(sim.Base("primary") + "/echo", RequestKind::Default, text, block, L""), 200);
    EXPECT_EQ(text, "<html><body>ok</body></html>");

    const ReceivedRequest r = OnlyRequest();
    EXPECT_EQ(r.requestLine, "POST /echo HTTP/1.1");
    // libcurl sends a given Host line in the place of its own, right after the request line;
    // the other lines keep the order of the list.
    const Lines expected = {
        "Host: 127.0.0.1:" + std::to_string(sim.Port("primary")),
        "Accept: */*",
        "Accept-Language: zh-CN",
        "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
        "Accept-Encoding: gzip, deflate",
        "Connection: Keep-Alive",
        "X-One: 1",
        "X-Two: 2",
        "X-Three: 3",
        "X-Four: 4",
        "Content-Length: 9",
        "Content-Type: application/x-www-form-urlencoded",
    };
    EXPECT_EQ(r.headers, expected);
    EXPECT_EQ(r.body, "a=1&b=x+y");
}

TEST_F(HttpClientTest, PatchAndGetMethods) {
    HttpClient client;
    ASSERT_TRUE(client.InitLibCurl(nullptr));
    client.SetPostFields("k=v");
    std::string text;
    EXPECT_EQ(client.Request(sim.Base("primary") + "/p", RequestKind::Patch, text, nullptr, L""), 200);
    // A Get after post fields were set is still a GET; the PATCH does not linger.
    EXPECT_EQ(client.Request(sim.Base("primary") + "/g", RequestKind::Get, text, nullptr, L""), 200);
    const std::vector<ReceivedRequest> all = sim.Requests();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].requestLine, "PATCH /p HTTP/1.1");
    EXPECT_EQ(all[0].headers[6], "X-HTTP-Method-Override: PATCH");
    EXPECT_EQ(all[0].body, "k=v");
    EXPECT_EQ(all[1].requestLine, "GET /g HTTP/1.1");
    EXPECT_EQ(all[1].body, "");
    for (const std::string& line : all[1].headers) {
        EXPECT_NE(line, "X-HTTP-Method-Override: PATCH");
    }
}

TEST_F(HttpClientTest, StatusTextAndTransportFailures) {
    sim.SetMode(
        R"({"roles": {"primary": {"status": 500, "body": "server says no"}, "secondary": {"state": "refuse"}}})");
    HttpClient client;
    ASSERT_TRUE(client.InitLibCurl(nullptr));
    std::string text;
    EXPECT_EQ(client.Request(sim.Base("primary") + "/x", RequestKind::Default, text, nullptr, L""), 500);
    EXPECT_EQ(text, "server says no");

    EXPECT_EQ(client.Request(sim.Base("secondary") + "/x", RequestKind::Default, text, nullptr, L""), 0);
    EXPECT_EQ(text, "Couldn't connect to server");

    text = "untouched";
    EXPECT_EQ(client.Request("", RequestKind::Default, text, nullptr, L""), 0);
    EXPECT_EQ(text, "untouched");

    HttpClient idle;
    EXPECT_EQ(idle.Request(sim.Base("primary") + "/x", RequestKind::Default, text, nullptr, L""), 0);
    EXPECT_EQ(text, "InitLibCurl is not invoked");
}

TEST_F(HttpClientTest, SchemeLessUrlGoesOutAsHttps) {
    HttpClient client;
    ASSERT_TRUE(client.InitLibCurl(nullptr));
    std::string text;
    const std::string hostAndPath = "127.0.0.1:" + std::to_string(sim.Port("primary")) + "/noscheme";
    EXPECT_EQ(client.Request(hostAndPath, RequestKind::Default, text, nullptr, L""), 200);
    const ReceivedRequest r = OnlyRequest();
    EXPECT_EQ(r.requestLine, "GET /noscheme HTTP/1.1");
    ASSERT_FALSE(r.headers.empty());
    EXPECT_EQ(r.headers[0], "Host: " + hostAndPath.substr(0, hostAndPath.find('/')));
}

TEST_F(HttpClientTest, GzipAnswersAreDecodedAndTheSinkFileGetsACopy) {
    sim.SetMode(R"({"roles": {"primary": {"gzip": true, "body": "packed body"}}})");
    HttpClient client;
    ASSERT_TRUE(client.InitLibCurl(nullptr));
    client.SetPostFields("a=1");
    std::string text;
    const std::wstring sink = dir + L"sub\\dir\\copy.txt";
    EXPECT_EQ(client.Request(sim.Base("primary") + "/wpapi/version/getClientZipUrl", RequestKind::Default, text,
                             nullptr, sink),
              200);
    EXPECT_EQ(text, "packed body");
    EXPECT_NE(client.ResponseHeaders().find("Content-Encoding: gzip"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(sink), "packed body");
}

TEST_F(HttpClientTest, AnswersAreCappedAtOneMebibyteAfterDecoding) {
    const std::string api = sim.Base("primary") + "/wpapi/version/getClientZipUrl";
    struct Case {
        const char* mode;
        int status;
        size_t bodySize;  // 0: refused
        const char* why;
    };
    const Case cases[] = {
        {R"({"roles": {"primary": {"body_size": 1048576}}})", 200, 1048576, "exactly the limit"},
        {R"({"roles": {"primary": {"body_size": 1048577}}})", 200, 0, "one byte over"},
        {R"({"roles": {"primary": {"body_size": 1048576, "gzip": true}}})", 200, 1048576, "the limit, compressed"},
        // About 64 KiB on the wire, 64 MiB once unpacked.
        {R"({"roles": {"primary": {"body_size": 67108864, "gzip": true}}})", 200, 0, "a gzip bomb"},
    };
    for (const Case& c : cases) {
        sim.SetMode(c.mode);
        HttpClient client;
        ASSERT_TRUE(client.InitLibCurl(nullptr));
        client.SetPostFields("a=1");
        std::string text;
        EXPECT_EQ(client.Request(api, RequestKind::Default, text, nullptr, L""), c.status) << c.why;
        if (c.bodySize != 0) {
            EXPECT_EQ(text, std::string(c.bodySize, 'x')) << c.why;
        } else {
            EXPECT_EQ(text, "Answer larger than 1048576 bytes") << c.why;
            EXPECT_LE(client.ResponseBody().size(), 1048576u) << c.why;
        }
    }
    // A probe only wants the status: a big page neither fails it nor is kept whole.
    sim.SetMode(R"({"roles": {"probe_site": {"body_size": 3145728}}})");
    HttpClient prober;
    EXPECT_TRUE(prober.ProbeUrl(sim.Base("probe_site") + "/", 5));
    EXPECT_EQ(prober.ResponseBody().size(), 1048576u);
}

// Each refusal is checked twice: libcurl's result, and what the Windows chain engine said
// (an IP address is no name to Windows, so there libcurl's own host-name check decides).
TEST_F(HttpClientTest, UntrustedOrMisnamedCertificatesAndPlainHttpAreRefused) {
    const std::string localhost = "https://localhost:";
    struct Case {
        std::string base;
        DWORD windows;  // the chain verdict expected after the attempt
        const char* why;
    };
    const Case cases[] = {
        {sim.Base("untrusted"), static_cast<DWORD>(CERT_E_CHAINING), "issuer not in the root store"},
        {sim.Base("selfsigned"), static_cast<DWORD>(CERT_E_UNTRUSTEDROOT), "self-signed"},
        {sim.Base("expired"), static_cast<DWORD>(CERT_E_EXPIRED), "expired"},
        {sim.Base("wronghost"), 0, "certificate names another host, reached by IP address"},
        {localhost + std::to_string(sim.Port("wronghost")), static_cast<DWORD>(CERT_E_CN_NO_MATCH),
         "certificate names another host, reached by name"},
        {sim.Base("plain"), 0, "plain http is never spoken"},
    };
    for (const Case& c : cases) {
        HttpClient client;
        ASSERT_TRUE(client.InitLibCurl(nullptr));
        std::string text;
        EXPECT_EQ(client.Request(c.base + "/x", RequestKind::Default, text, nullptr, L""), 0) << c.why;
        EXPECT_FALSE(text.empty()) << c.why;
        if (c.windows != 0) {
            EXPECT_EQ(LastServerChainVerdict(), c.windows) << c.why;
        }
        EXPECT_FALSE(HttpClient().ProbeUrl(c.base + "/", 5)) << c.why;
        const std::wstring dest = dir + L"refused.zip";
        EXPECT_FALSE(HttpClient().DownloadToFile(nullptr, c.base + "/files/client.zip", dest, nullptr)) << c.why;
        EXPECT_FALSE(PathExists(dest)) << c.why;
        if (c.windows != 0) {
            EXPECT_EQ(LastServerChainVerdict(), c.windows) << c.why << " (download)";
        }
    }
    // The trusted server with the same certificate chain shape passes, by address and by name.
    EXPECT_TRUE(HttpClient().ProbeUrl(sim.Base("download") + "/", 5));
    EXPECT_EQ(LastServerChainVerdict(), 0u);
    EXPECT_TRUE(HttpClient().ProbeUrl(localhost + std::to_string(sim.Port("download")) + "/", 5));
    EXPECT_EQ(LastServerChainVerdict(), 0u);
}

TEST_F(HttpClientTest, ProbeJudgesTheFinalStatusAfterRedirects) {
    const std::string dl = sim.Base("download");
    struct Case {
        const char* mode;
        std::string url;
        bool answers;
    };
    const Case cases[] = {
        {R"({"roles": {"primary": {"status": 399}}})", sim.Base("primary") + "/", true},
        {R"({"roles": {"primary": {"status": 400}}})", sim.Base("primary") + "/", false},
        {"{}", dl + "/redirect/https/1/files/client.zip", true},
        {"{}", dl + "/redirect/https/10/files/client.zip", true},
        {"{}", dl + "/redirect/https/11/files/client.zip", false},  // more than 10 redirects
        {"{}", dl + "/redirect/https/1/files/missing.zip", false},  // lands on a 404
        {"{}", dl + "/redirect/http/1/files/client.zip", false},    // lands on plain http
        {R"({"roles": {"primary": {"state": "refuse"}}})", sim.Base("primary") + "/", false},
        {"{}", "", false},
    };
    for (const Case& c : cases) {
        sim.Reset();
        sim.SetMode(c.mode);
        EXPECT_EQ(HttpClient().ProbeUrl(c.url, 5), c.answers) << c.url << " " << c.mode;
    }
}

TEST_F(HttpClientTest, DownloadStoresTheBodyAndDigestsItOnTheWay) {
    sim.SetMode(R"({"package": {"size": 3000000, "seed": 7}})");
    const std::wstring dest = dir + L"new\\deeper\\client.zip";
    std::string md5;
    int calls = 0;
    auto count = [](void* owner, int64_t total, int64_t received, double) {
        ++*static_cast<int*>(owner);
        return total == 0 || received <= total;
    };
    ASSERT_TRUE(HttpClient().DownloadToFile(&calls, sim.Base("download") + "/files/client.zip", dest, count, &md5));
    EXPECT_GT(calls, 0);
    EXPECT_EQ(md5, sim.PackageMd5());
    EXPECT_EQ(CMd5A().GetFileMd5(dest), sim.PackageMd5());
    EXPECT_EQ(ReadWholeFile(dest).size(), 3000000u);

    // Over an existing file: replaced, not appended to.
    ASSERT_TRUE(HttpClient().DownloadToFile(nullptr, sim.Base("download") + "/files/client.zip", dest, nullptr));
    EXPECT_EQ(ReadWholeFile(dest).size(), 3000000u);
    const ReceivedRequest last = sim.Requests().back();
    EXPECT_EQ(last.requestLine, "GET /files/client.zip HTTP/1.1");
}

TEST_F(HttpClientTest, DownloadFromAKeepAliveServerEndsOnTheLastByte) {
    // The server keeps the connection after the body and sends nothing more, so bytes read
    // ahead into the TLS layer must be delivered without waiting for the socket. Sizes that
    // end inside a record, on one, and in a body smaller than the read-ahead.
    for (const long long size : {5000000LL, 16384LL * 300, 70000LL}) {
        sim.Reset();
        sim.SetMode(R"({"roles": {"download": {"keep_open": 20}}, "package": {"size": )" + std::to_string(size) + "}}");
        const std::wstring dest = dir + L"kept.zip";
        std::string md5;
        ASSERT_TRUE(
            HttpClient().DownloadToFile(nullptr, sim.Base("download") + "/files/client.zip", dest, nullptr, &md5))
            << size;
        EXPECT_EQ(md5, sim.PackageMd5()) << size;
        EXPECT_EQ(ReadWholeFile(dest).size(), static_cast<size_t>(size));
        // The simulator notes who closed once it sees the close; a client that had to wait for
        // the server to give up would read "server" here.
        std::string closedBy;
        for (int i = 0; i < 400 && closedBy.empty(); ++i) {
            const std::vector<ReceivedRequest> all = sim.Requests();
            closedBy = all.empty() ? std::string() : all.back().closedBy;
            if (closedBy.empty()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        EXPECT_EQ(closedBy, "client") << size;
    }
}

TEST_F(HttpClientTest, FailedDownloadsLeaveNoFile) {
    struct Case {
        const char* why;
        const char* mode;
        std::string path;
        bool withProgress;
        bool keeps;
    };
    const Case cases[] = {
        {"status 399 is kept", R"({"roles": {"download": {"status": 399}}})", "/files/client.zip", false, true},
        {"status 400", R"({"roles": {"download": {"status": 400}}})", "/files/client.zip", false, false},
        {"404 with a progress function", R"({"roles": {"download": {"status": 404}}})", "/files/client.zip", true,
         false},
        {"truncated body", R"({"roles": {"download": {"truncate_after": 1000}}})", "/files/client.zip", false, false},
        {"https redirects are followed", "{}", "/redirect/https/3/files/client.zip", false, true},
        {"a redirect to http is refused", "{}", "/redirect/http/1/files/client.zip", false, false},
        {"download host refusing", R"({"roles": {"download": {"state": "refuse"}}})", "/files/client.zip", false,
         false},
    };
    auto accept = [](void*, int64_t, int64_t, double) { return true; };
    for (const Case& c : cases) {
        sim.Reset();
        sim.SetMode(c.mode);
        const std::wstring dest = dir + L"pkg.zip";
        const bool ok = HttpClient().DownloadToFile(nullptr, sim.Base("download") + c.path, dest,
                                                    c.withProgress ? +accept : nullptr);
        EXPECT_EQ(ok, c.keeps) << c.why;
        EXPECT_EQ(PathExists(dest), c.keeps) << c.why;
    }
    // An abort by the progress function leaves nothing either.
    sim.Reset();
    const std::wstring dest = dir + L"aborted.zip";
    EXPECT_FALSE(HttpClient().DownloadToFile(nullptr, sim.Base("download") + "/files/client.zip", dest, RefuseAll));
    EXPECT_FALSE(PathExists(dest));
    EXPECT_FALSE(HttpClient().DownloadToFile(nullptr, "", dest, nullptr));
    // A progress function that throws ends the transfer like a refusal; nothing unwinds
    // through libcurl.
    EXPECT_FALSE(HttpClient().DownloadToFile(nullptr, sim.Base("download") + "/files/client.zip", dest, Throws));
    EXPECT_FALSE(PathExists(dest));
}

}  // namespace
