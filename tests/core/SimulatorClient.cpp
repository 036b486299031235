#include "SimulatorClient.h"

#include <curl/curl.h>
#include <json/json.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "NetTestSupport.h"
#include "util/Utf8.h"

namespace {

// The state file path is a host path; under Wine the host's root is drive Z:.
std::wstring HostPath(const char* unixPath) {
    std::wstring out = L"Z:";
    for (const char* p = unixPath; *p; ++p) {
        out += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
    return out;
}

Json::Value Parse(const std::string& text) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) {
        throw std::runtime_error("simulator sent no JSON: " + text);
    }
    return root;
}

size_t Collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

}  // namespace

SimulatorClient& SimulatorClient::Get() {
    static SimulatorClient client;
    return client;
}

SimulatorClient::SimulatorClient() {
    const std::string state = ReadWholeFile(HostPath(VARLO_SIM_STATE));
    if (state.empty()) {
        return;
    }
    const Json::Value root = Parse(state);
    for (const std::string& role : root["roles"].getMemberNames()) {
        ports_.emplace_back(role, root["roles"][role].asInt());
    }
    control_ = root["control"].asInt();
    proxy_ = root["proxy"].asString();
    deadProxy_ = root["dead_proxy"].asString();
    ReadPackage(state);
}

void SimulatorClient::ReadPackage(const std::string& stateJson) {
    const Json::Value package = Parse(stateJson)["package"];
    packageName_ = package["name"].asString();
    packageMd5_ = package["md5"].asString();
    packageSize_ = package["size"].asInt64();
}

int SimulatorClient::Port(const std::string& role) const {
    for (const auto& [name, port] : ports_) {
        if (name == role) {
            return port;
        }
    }
    throw std::runtime_error("no simulator role " + role);
}

std::string SimulatorClient::Base(const std::string& role) const {
    return (role == "plain" ? "http://127.0.0.1:" : "https://127.0.0.1:") + std::to_string(Port(role));
}

ServerEndpoints SimulatorClient::Endpoints() const {
    ServerEndpoints e;
    e.primary = Base("primary");
    e.secondary = Base("secondary");
    e.fallbackA = Base("fallback_a");
    e.fallbackB = Base("fallback_b");
    e.probeSite = Base("probe_site");
    return e;
}

std::string SimulatorClient::Call(const char* method, const std::string& path, const std::string& body) {
    CURL* h = curl_easy_init();
    std::string reply;
    const std::string url = "http://127.0.0.1:" + std::to_string(control_) + path;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROXY, "");  // never through a proxy a test put in the environment
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 20L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
    if (std::string(method) == "POST") {
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    }
    const CURLcode rc = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(h);
    if (rc != CURLE_OK || status != 200) {
        throw std::runtime_error("simulator control " + path + " failed: " + reply);
    }
    return reply;
}

void SimulatorClient::Reset() {
    ReadPackage(Call("POST", "/reset", ""));
}

void SimulatorClient::SetMode(const std::string& json) {
    ReadPackage(Call("POST", "/mode", json));
}

std::string SimulatorClient::PackageMd5() {
    return packageMd5_;
}

long long SimulatorClient::PackageSize() {
    return packageSize_;
}

std::vector<ReceivedRequest> SimulatorClient::Requests() {
    const Json::Value list = Parse(Call("GET", "/requests", ""));
    std::vector<ReceivedRequest> out;
    for (const Json::Value& item : list) {
        ReceivedRequest r;
        r.role = item["role"].asString();
        r.method = item["method"].asString();
        r.target = item["target"].asString();
        r.requestLine = item["request_line"].asString();
        for (const Json::Value& line : item["headers"]) {
            r.headers.push_back(line.asString());
        }
        // The simulator sends the body as Latin-1 text: one character per byte.
        const std::string utf8 = item["body"].asString();
        std::wstring latin1;
        DecodeUtf8(utf8.data(), utf8.size(), Utf8Errors::Replace, &latin1);
        for (wchar_t c : latin1) {
            r.body += static_cast<char>(static_cast<unsigned char>(c));
        }
        r.signOk = item.isMember("sign_ok") && item["sign_ok"].asBool();
        r.closedBy = item.isMember("closed_by") ? item["closed_by"].asString() : std::string();
        r.bytesSent = item.isMember("sent") ? item["sent"].asInt64() : -1;
        r.peerPort = item.isMember("peer_port") ? item["peer_port"].asInt() : 0;
        r.proxyStatus = item.isMember("status") && item["status"].isInt() ? item["status"].asInt() : 0;
        r.upstreamRole = item.isMember("upstream_role") && item["upstream_role"].isString()
                             ? item["upstream_role"].asString()
                             : std::string();
        r.upstreamPort = item.isMember("upstream_port") ? item["upstream_port"].asInt() : 0;
        out.push_back(std::move(r));
    }
    return out;
}

std::string ReceivedRequest::Header(const std::string& name) const {
    for (const std::string& line : headers) {
        const size_t colon = line.find(':');
        if (colon != name.size()) {
            continue;
        }
        bool same = true;
        for (size_t i = 0; i < colon && same; ++i) {
            same =
                std::tolower(static_cast<unsigned char>(line[i])) == std::tolower(static_cast<unsigned char>(name[i]));
        }
        if (same) {
            const size_t value = line.find_first_not_of(' ', colon + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
    }
    return std::string();
}
