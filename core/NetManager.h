#pragma once
// Client of the vendor's HTTP API: start-up of the network layer, reachability probes and
// signed calls (form body with an MD5 signature, identity headers, one retry on the
// fallback endpoint, JSON envelope with an encrypted payload).

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "core/Endpoints.h"

class DataManager;

class NetManager {
  public:
    using SleepFunction = void (*)(uint32_t milliseconds);

    // `identity` is what every request tells the server; it must outlive this object.
    explicit NetManager(DataManager& identity) : identity_(identity) {}
    NetManager(const NetManager&) = delete;
    NetManager& operator=(const NetManager&) = delete;

    // Once: libcurl's global start and the "cache" folder inside `logDir` (the installer's
    // work directory, ending in a separator).
    void Init(const std::wstring& logDir);
    // Plain GET of `url` with a time limit (10 seconds unless a test set another); true
    // for a final status below 400.
    [[nodiscard]] bool ProbeServer(const std::string& url);
    // Seconds since 1970 in decimal.
    [[nodiscard]] std::string MakeTimestamp();
    // Asks `hosts.primary`, then once `hosts.fallback`. True only when the envelope reports
    // success; `data` then holds the payload. `code` is -1 unless an envelope code was read.
    [[nodiscard]] bool SignedRequest(const ApiHosts& hosts,
                                     const std::string& path,
                                     const std::map<std::string, std::string>& params,
                                     std::string& data,
                                     std::wstring& message,
                                     int& code,
                                     int requestId);

    // Tests replace the 3-second pause before the retry.
    void SetSleepFunction(SleepFunction sleep);
    // Tests shorten the probe's limit so a silent endpoint costs them a second, not ten;
    // 0 or less goes back to the normal limit.
    void SetProbeSeconds(long seconds);
    [[nodiscard]] long GetProbeSeconds() const;

    static constexpr char kSignKey[] = "Hq2xNw7cKd4ZrT9m";
    static constexpr uint32_t kRetryPauseMs = 3000;
    static constexpr long kProbeSeconds = 10;

  private:
    // The retry pause; ends early, with false, once the requests are aborted.
    bool PauseUnlessAborted(uint32_t milliseconds);

    DataManager& identity_;
    bool initialised_ = false;
    SleepFunction sleep_ = nullptr;
    std::atomic<long> probeSeconds_{kProbeSeconds};
};
