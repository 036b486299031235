#pragma once
// The tests' handle on the vendor simulator (tools/simulator/varlo_sim.py), which a CTest
// fixture starts on the host: reads its state file, switches its failure modes through
// its plain-http control port and fetches what it received, byte for byte.

#include <string>
#include <vector>

#include "core/Endpoints.h"

struct ReceivedRequest {
    std::string role;
    std::string method;
    std::string target;
    std::string requestLine;
    std::vector<std::string> headers;  // in the order received
    std::string body;
    bool signOk = false;
    // Download held open after its body: "client" when the client let go first, "server"
    // when the simulator's patience ran out; empty while it is still waiting.
    std::string closedBy;
    // Body bytes of a package answer the simulator sent; -1 for other requests.
    long long bytesSent = -1;
    // The port the request came from (0 for the proxy's own records).
    int peerPort = 0;
    // The proxy's records: its answer (0 when it forwarded), and the role and local port of
    // its connection onwards (a role's request with that peer port came through it).
    int proxyStatus = 0;
    std::string upstreamRole;
    int upstreamPort = 0;
    // The value of header `name` (case-insensitive), empty when absent.
    [[nodiscard]] std::string Header(const std::string& name) const;
};

class SimulatorClient {
  public:
    // The one simulator of this test run; ok() is false when its state file is missing.
    static SimulatorClient& Get();

    [[nodiscard]] bool ok() const { return control_ != 0; }
    [[nodiscard]] std::string Base(const std::string& role) const;  // "https://127.0.0.1:<port>"
    [[nodiscard]] int Port(const std::string& role) const;
    // The product's five endpoints, each pointed at the simulator role of its name.
    [[nodiscard]] ServerEndpoints Endpoints() const;
    [[nodiscard]] const std::string& PackageName() const { return packageName_; }
    // "127.0.0.1:<port>" of the tests' proxy, and of a port where no proxy listens.
    [[nodiscard]] const std::string& ProxyAddress() const { return proxy_; }
    [[nodiscard]] const std::string& DeadProxyAddress() const { return deadProxy_; }

    // All roles answering, default package, nothing recorded.
    void Reset();
    // Replaces the modes of the roles named in `json` ({"roles": {...}, "package": {...}}).
    void SetMode(const std::string& json);
    [[nodiscard]] std::vector<ReceivedRequest> Requests();
    // Digest and size of the package as currently configured.
    [[nodiscard]] std::string PackageMd5();
    [[nodiscard]] long long PackageSize();

  private:
    SimulatorClient();
    std::string Call(const char* method, const std::string& path, const std::string& body);
    void ReadPackage(const std::string& stateJson);

    int control_ = 0;
    std::vector<std::pair<std::string, int>> ports_;
    std::string proxy_;
    std::string deadProxy_;
    std::string packageName_;
    std::string packageMd5_;
    long long packageSize_ = 0;
};
