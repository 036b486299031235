#include "RecordingHost.h"

#include <chrono>

#include "core/ControlManager.h"

namespace {

std::atomic<uint32_t> g_fakeTicks{1};

uint32_t FakeTicks() {
    return g_fakeTicks.load();
}

}  // namespace

RecordingHost::RecordingHost(ControlManager& control) : control_(control) {
    control_.SetTickSource(&FakeTicks);
    control_.SetDownloadWatch(this);
    // The pauses between download attempts pass at once.
    control_.SetPauseFunction([](uint32_t) {});
}

RecordingHost::~RecordingHost() {
    control_.SetDownloadWatch(nullptr);
    StopDownloadWatch();
    control_.SetTickSource(nullptr);
    control_.SetPauseFunction(nullptr);
}

void RecordingHost::OnStage(InstallStage stage) {
    const int number = static_cast<int>(stage);
    {
        std::lock_guard<std::mutex> hold(lock_);
        stages_.push_back(number);
    }
    stage_ = number;
    if (onStage) {
        onStage(number);
    }
}

void RecordingHost::OnEnd(const InstallResult& result) {
    std::lock_guard<std::mutex> hold(lock_);
    ends_.push_back(result);
}

// The window's once-a-second tick, 100 ms of real time apart while the clock the stall
// check reads moves half a second: five silent "seconds" pass in one real second.
void RecordingHost::StartDownloadWatch() {
    ++watchStarts;
    if (onWatchStart) {
        onWatchStart();
    }
    watching_ = true;
    ticker_ = std::thread([this] {
        while (watching_) {
            if (stage_ != 2) {
                return;
            }
            g_fakeTicks += 500;
            // A stall ends one attempt; the clock goes on for the next.
            if (control_.CheckStall()) {
                stallBoxShown = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
}

void RecordingHost::StopDownloadWatch() {
    if (ticker_.joinable()) {
        ++watchStops;
        watching_ = false;
        ticker_.join();
    }
}

std::vector<int> RecordingHost::Stages() const {
    std::lock_guard<std::mutex> hold(lock_);
    return stages_;
}

std::vector<InstallOutcome> RecordingHost::Outcomes() const {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<InstallOutcome> outcomes;
    for (const InstallResult& end : ends_) {
        outcomes.push_back(end.outcome);
    }
    return outcomes;
}

InstallResult RecordingHost::LastEnd() const {
    std::lock_guard<std::mutex> hold(lock_);
    return ends_.empty() ? InstallResult{} : ends_.back();
}
