#pragma once
// When a failed package transfer is tried again. Pure logic: the caller classifies the
// failure, sleeps and supplies the jitter's seed, so tests drive every path without time.
//
// A blip (a cut or reset connection, a connect or handshake time-out, a 5xx or 429, five
// seconds without a byte) is ridden out by resuming: up to three more attempts, after
// 1, 2 and 4 seconds plus up to a quarter second of jitter (so that many installers cut
// by one failing node do not all come back at the same instant), and never more than a
// minute of pauses in all. A Retry-After of up to 30 seconds is waited for instead when it
// is longer; one beyond that is a server asking for more patience than an installer with
// a user in front of it has, and the failure is final. Anything else is final at once.

#include <cstdint>
#include <optional>

enum class TransferCause {
    None,              // completed
    ConnectionCut,     // reset, cut, nothing or too little received
    ConnectTimeout,    // no connection within the connect limit
    HandshakeFailure,  // the TLS handshake broke off (not a certificate refusal)
    ServerBusy,        // HTTP 5xx
    TooManyRequests,   // HTTP 429
    Stalled,           // no byte for five seconds
    HttpRefused,       // any other HTTP error status (404, 403, ...)
    Certificate,       // the server's certificate or host name was refused
    RedirectRefused,   // a redirect to a scheme other than https, or too many
    Other,             // anything else libcurl reports
};

[[nodiscard]] bool IsTransient(TransferCause cause);
// Short text for the log.
[[nodiscard]] const wchar_t* DescribeCause(TransferCause cause);

class RetrySchedule {
  public:
    static constexpr int kMaxRetries = 3;
    static constexpr uint32_t kFirstPauseMs = 1000;
    static constexpr uint32_t kMaxJitterMs = 250;
    static constexpr uint32_t kMaxTotalPauseMs = 60000;
    static constexpr int kMaxRetryAfterSeconds = 30;

    explicit RetrySchedule(uint32_t jitterSeed) : seed_(jitterSeed) {}

    // The pause before the next attempt after a failure with `cause` (`retryAfterSeconds`
    // -1 when the answer named none); nothing when the failure is final.
    [[nodiscard]] std::optional<uint32_t> Next(TransferCause cause, int retryAfterSeconds);
    [[nodiscard]] int RetriesTaken() const { return retries_; }
    [[nodiscard]] uint32_t PausedMs() const { return pausedMs_; }

  private:
    uint32_t seed_;
    int retries_ = 0;
    uint32_t pausedMs_ = 0;
};
