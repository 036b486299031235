#include "core/DownloadProgress.h"

#include <limits>

void DownloadProgress::Reset() {
    std::lock_guard<std::mutex> hold(lock_);
    totalBytes_ = 0;
    receivedBytes_ = 0;
    percent_ = 0;
    lastActivityTick_ = 0;
    activitySeen_ = false;
    stalled_ = false;
    finished_ = false;
    cancelled_ = false;
}

bool DownloadProgress::OnProgress(int64_t total, int64_t received, uint32_t now) {
    std::lock_guard<std::mutex> hold(lock_);
    if (stalled_ || cancelled_) {
        return false;
    }
    if (!activitySeen_ || received != receivedBytes_) {
        lastActivityTick_ = now;
        activitySeen_ = true;
    } else if (static_cast<int32_t>(now - lastActivityTick_) >= static_cast<int32_t>(kStallMilliseconds)) {
        stalled_ = true;
        return false;
    }
    totalBytes_ = total;
    receivedBytes_ = received;
    if (total > 0) {
        // Exact while received * 100 fits; sizes beyond that (petabytes) may round.
        const int64_t scaled =
            received <= std::numeric_limits<int64_t>::max() / 100
                ? received * 100 / total
                : static_cast<int64_t>(static_cast<double>(received) / static_cast<double>(total) * 100.0);
        percent_ = static_cast<int>(scaled);
    } else {
        percent_ = 0;
    }
    return true;
}

bool DownloadProgress::CheckStall(uint32_t now) {
    std::lock_guard<std::mutex> hold(lock_);
    if (stalled_) {
        return true;
    }
    if (finished_ || cancelled_) {
        return false;
    }
    if (!activitySeen_) {
        // No progress call yet: the silence counts from the watch's first look.
        lastActivityTick_ = now;
        activitySeen_ = true;
        return false;
    }
    // A signed difference: a wrap of the tick counter is harmless, and so is a progress
    // call that read its tick after this one and recorded a slightly later time.
    const int32_t silence = static_cast<int32_t>(now - lastActivityTick_);
    if (silence < static_cast<int32_t>(kStallMilliseconds)) {
        return false;
    }
    stalled_ = true;
    return true;
}

void DownloadProgress::Finish() {
    std::lock_guard<std::mutex> hold(lock_);
    finished_ = true;
}

void DownloadProgress::Rearm() {
    std::lock_guard<std::mutex> hold(lock_);
    stalled_ = false;
    finished_ = false;
    activitySeen_ = false;
}

void DownloadProgress::Cancel() {
    std::lock_guard<std::mutex> hold(lock_);
    cancelled_ = true;
}

bool DownloadProgress::IsCancelled() const {
    std::lock_guard<std::mutex> hold(lock_);
    return cancelled_;
}

bool DownloadProgress::IsAborted() const {
    std::lock_guard<std::mutex> hold(lock_);
    return stalled_ || cancelled_;
}

int DownloadProgress::Percent() const {
    std::lock_guard<std::mutex> hold(lock_);
    return percent_;
}

int64_t DownloadProgress::TotalBytes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return totalBytes_;
}

int64_t DownloadProgress::ReceivedBytes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return receivedBytes_;
}
