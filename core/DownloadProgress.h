#pragma once
// The download's progress record and its stall rule, shared between the transfer (worker
// thread) and the window's once-a-second watch (UI thread). Pure logic: the caller passes
// the tick count, so tests drive the clock.
//
// A download counts as stalled once five seconds have passed since the byte count last
// changed. The transfer itself decides it at its progress calls (libcurl makes one about
// every second while nothing arrives), so an install without a window stops a stalled
// download as well; the window's once-a-second watch may see it first and show its box
// while the transfer is still inside the silence. Either way it is declared within about
// six seconds of the last byte. Comparing bytes, not the whole percentage, keeps a slow line on a
// large package (one percent taking longer than five seconds) and a download without an
// announced size from being cancelled while data still flows.

#include <cstdint>
#include <mutex>

class DownloadProgress {
  public:
    static constexpr uint32_t kStallMilliseconds = 5000;

    DownloadProgress() = default;
    DownloadProgress(const DownloadProgress&) = delete;
    DownloadProgress& operator=(const DownloadProgress&) = delete;

    void Reset();
    // Records libcurl's counts at tick `now`; false once the transfer is to be cancelled,
    // which includes five seconds without a new byte (the stall is then declared here).
    [[nodiscard]] bool OnProgress(int64_t total, int64_t received, uint32_t now);
    // The watch tick. `now` is a millisecond tick count that may wrap.
    [[nodiscard]] bool CheckStall(uint32_t now);
    [[nodiscard]] bool IsAborted() const;
    // The transfer is over: later watch ticks (a timer stop may lag) never fire a stall.
    void Finish();
    // A new attempt of the same download: a fired stall and the end are forgotten, the
    // silence counts afresh, and the counts stay, so the bar keeps its place. A cancel stays.
    void Rearm();
    // Stops the transfer at its next progress call (any thread). A cancel is no stall:
    // the watch never fires for it, but IsAborted answers true, because the transfer was
    // stopped on purpose and must not be reported as a failure. Reset clears it.
    void Cancel();
    [[nodiscard]] bool IsCancelled() const;

    [[nodiscard]] int Percent() const;
    [[nodiscard]] int64_t TotalBytes() const;
    [[nodiscard]] int64_t ReceivedBytes() const;

  private:
    mutable std::mutex lock_;
    int64_t totalBytes_ = 0;
    int64_t receivedBytes_ = 0;
    int percent_ = 0;
    // When the byte count last changed (or the transfer or its watch started).
    uint32_t lastActivityTick_ = 0;
    bool activitySeen_ = false;
    bool stalled_ = false;
    bool finished_ = false;
    bool cancelled_ = false;
};
