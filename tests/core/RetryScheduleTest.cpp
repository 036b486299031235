#include "core/RetrySchedule.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

// Pauses for the given failures, until the schedule says stop.
std::vector<uint32_t> Pauses(uint32_t seed, TransferCause cause, int retryAfter, int failures = 10) {
    RetrySchedule schedule(seed);
    std::vector<uint32_t> pauses;
    for (int i = 0; i < failures; ++i) {
        const std::optional<uint32_t> p = schedule.Next(cause, retryAfter);
        if (!p) {
            break;
        }
        pauses.push_back(*p);
    }
    return pauses;
}

TEST(RetrySchedule, ThreeRetriesAfterOneTwoAndFourSecondsWithALittleJitter) {
    bool jittered = false;
    for (uint32_t seed : {0u, 1u, 77u, 0xdeadbeefu, 0xffffffffu}) {
        const std::vector<uint32_t> p = Pauses(seed, TransferCause::ConnectionCut, -1);
        ASSERT_EQ(p.size(), 3u) << seed;
        for (size_t i = 0; i < 3; ++i) {
            const uint32_t base = 1000u << i;
            EXPECT_GE(p[i], base) << seed;
            EXPECT_LE(p[i], base + RetrySchedule::kMaxJitterMs) << seed;
            jittered = jittered || p[i] != base;
        }
    }
    EXPECT_TRUE(jittered) << "the pauses are spread, not all on the second";
}

TEST(RetrySchedule, WhichFailuresAreABlip) {
    const struct {
        TransferCause cause;
        bool retried;
    } cases[] = {
        {TransferCause::ConnectionCut, true},
        {TransferCause::ConnectTimeout, true},
        {TransferCause::HandshakeFailure, true},
        {TransferCause::ServerBusy, true},
        {TransferCause::TooManyRequests, true},
        {TransferCause::Stalled, true},
        {TransferCause::HttpRefused, false},
        {TransferCause::Certificate, false},
        {TransferCause::RedirectRefused, false},
        {TransferCause::Other, false},
        {TransferCause::None, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Pauses(5, c.cause, -1).size(), c.retried ? 3u : 0u) << static_cast<int>(c.cause);
    }
}

TEST(RetrySchedule, RetryAfterIsHonouredUpToThirtySecondsAndAMinuteInAll) {
    // Shorter than the back-off: the back-off stands.
    std::vector<uint32_t> p = Pauses(3, TransferCause::ServerBusy, 1);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_GE(p[1], 2000u);
    // Longer: waited for.
    p = Pauses(3, TransferCause::TooManyRequests, 12);
    ASSERT_EQ(p.size(), 3u);
    for (uint32_t pause : p) {
        EXPECT_GE(pause, 12000u);
        EXPECT_LE(pause, 12000u + RetrySchedule::kMaxJitterMs);
    }
    // 30 s twice fills the minute: no third wait.
    p = Pauses(3, TransferCause::ServerBusy, 30);
    EXPECT_EQ(p.size(), 1u) << "30 s + jitter, then 30 s more would pass 60 s";
    EXPECT_TRUE(Pauses(3, TransferCause::ServerBusy, 31).empty()) << "more patience than the installer has";

    RetrySchedule schedule(9);
    uint32_t total = 0;
    while (const std::optional<uint32_t> pause = schedule.Next(TransferCause::ServerBusy, 25)) {
        total += *pause;
    }
    EXPECT_EQ(total, schedule.PausedMs());
    EXPECT_LE(total, RetrySchedule::kMaxTotalPauseMs);
    EXPECT_EQ(schedule.RetriesTaken(), 2);
}

}  // namespace
