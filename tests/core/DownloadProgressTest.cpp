#include "core/DownloadProgress.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(DownloadProgress, PercentIsTruncatedAndZeroWithoutASize) {
    DownloadProgress p;
    struct Case {
        int64_t total, received;
        int percent;
    };
    const Case cases[] = {{1000, 0, 0}, {1000, 370, 37}, {1000, 1000, 100}, {1000, 999, 99},
                          {0, 5000, 0}, {-1, 10, 0},     {3, 1, 33},        {int64_t{1} << 62, int64_t{1} << 61, 50}};
    for (const Case& c : cases) {
        ASSERT_TRUE(p.OnProgress(c.total, c.received, 0));
        EXPECT_EQ(p.Percent(), c.percent) << c.total << " " << c.received;
        EXPECT_EQ(p.TotalBytes(), c.total);
        EXPECT_EQ(p.ReceivedBytes(), c.received);
    }
}

TEST(DownloadProgress, ARetryForgetsTheStallButKeepsItsPlaceAndACancel) {
    DownloadProgress p;
    ASSERT_TRUE(p.OnProgress(1000, 400, 0));
    EXPECT_FALSE(p.OnProgress(1000, 400, 5000)) << "five silent seconds";
    ASSERT_TRUE(p.IsAborted());
    p.Rearm();
    EXPECT_FALSE(p.IsAborted());
    EXPECT_EQ(p.Percent(), 40) << "the bar keeps its place between attempts";
    EXPECT_FALSE(p.CheckStall(9000)) << "the silence counts afresh";
    EXPECT_TRUE(p.OnProgress(1000, 400, 9500));
    p.Cancel();
    p.Rearm();
    EXPECT_TRUE(p.IsCancelled()) << "a retry never undoes a cancel";
}

// A transfer as the record sees it: progress calls every `callEvery` ms (libcurl calls
// even when nothing arrives, so a call in between repeats the count) and, for a window, a
// watch ticking once a second from `firstTick` (kNoWatch: none). Returns the time (ms after
// `origin`) at which the stall was declared, by either side, or -1.
struct Arrival {
    uint32_t at;  // ms after the origin
    int64_t bytes;
};

constexpr uint32_t kNoWatch = 0xFFFFFFFFu;

int64_t RunWatch(DownloadProgress& p,
                 uint32_t origin,
                 const std::vector<Arrival>& arrivals,
                 uint32_t firstTick,
                 uint32_t until,
                 uint32_t callEvery = 100) {
    size_t next = 0;
    int64_t bytes = 0;
    for (uint32_t ms = 0; ms <= until; ms += 100) {
        while (next < arrivals.size() && arrivals[next].at <= ms) {
            bytes = arrivals[next].bytes;
            ++next;
        }
        if (ms % callEvery == 0 && !p.OnProgress(0, bytes, origin + ms)) {
            return p.IsCancelled() ? -2 : ms;  // the transfer declared it
        }
        if (firstTick != kNoWatch && ms >= firstTick && (ms - firstTick) % 1000 == 0 && p.CheckStall(origin + ms)) {
            return ms;
        }
    }
    return -1;
}

// Bytes every `step` ms from 0 up to and including `last`.
std::vector<Arrival> Steady(uint32_t step, uint32_t last) {
    std::vector<Arrival> out;
    for (uint32_t at = 0; at <= last; at += step) {
        out.push_back({at, static_cast<int64_t>(at / step + 1) * 1000});
    }
    return out;
}

TEST(DownloadProgress, StallIsDeclaredFiveToSixSecondsAfterTheLastByte) {
    struct Case {
        const char* why;
        std::vector<Arrival> arrivals;
        uint32_t firstTick;
        int64_t stallAt;  // -1: never within the run
        uint32_t callEvery = 100;
    };
    const Case cases[] = {
        {"nothing after the start", {{0, 12}}, 1000, 5000},
        {"last byte on a tick", Steady(500, 20000), 0, 25000},
        // With progress calls every 100 ms the transfer sees five silent seconds before the
        // next watch tick does.
        {"last byte right after a tick", Steady(100, 20100), 0, 25100},
        {"last byte right before a tick", Steady(100, 19900), 0, 24900},
        {"last byte just after where a five-second comparison fell", Steady(100, 16100), 1000, 21100},
        {"ticks off the progress calls' phase", Steady(300, 9900), 500, 14900},
        {"a gap of 4.9 s between bytes is no stall", Steady(4900, 60000), 0, -1},
        {"a byte every second", Steady(1000, 60000), 0, -1},
        // Without a window: libcurl's one call a second while nothing arrives decides alone.
        {"no watch, nothing after the start", {{0, 12}}, kNoWatch, 5000, 1000},
        {"no watch, last byte between two calls", Steady(100, 20100), kNoWatch, 26000, 1000},
        {"no watch, a gap of 4.9 s is no stall", Steady(4900, 60000), kNoWatch, -1, 100},
    };
    for (const Case& c : cases) {
        for (uint32_t origin : {0u, 0xFFFFFFFFu - 7000u}) {  // the second run wraps the tick counter
            DownloadProgress p;
            const int64_t stall = RunWatch(p, origin, c.arrivals, c.firstTick, 60000, c.callEvery);
            EXPECT_EQ(stall, c.stallAt) << c.why << " origin " << origin;
            if (c.stallAt >= 0 && stall >= 0) {
                const int64_t silence = stall - c.arrivals.back().at;
                EXPECT_GE(silence, 5000) << c.why;
                EXPECT_LT(silence, 6100) << c.why;
                EXPECT_TRUE(p.IsAborted()) << c.why;
                EXPECT_FALSE(p.IsCancelled()) << c.why;
                EXPECT_TRUE(p.CheckStall(origin + 999999)) << c.why << ": a fired stall stays fired";
                EXPECT_FALSE(p.OnProgress(0, 1 << 30, origin + 70000)) << c.why << ": the next call cancels";
            }
        }
    }
}

TEST(DownloadProgress, WatchStartsTheClockWhenNoProgressCameYet) {
    DownloadProgress p;
    EXPECT_FALSE(p.CheckStall(3000));
    EXPECT_FALSE(p.CheckStall(7999));
    EXPECT_TRUE(p.CheckStall(8000));
}

TEST(DownloadProgress, ProgressRecordedJustAfterTheWatchReadItsTickIsNoStall) {
    // The transfer thread may record bytes with a tick read after the watch read its own:
    // the difference is negative, not four billion milliseconds of silence.
    DownloadProgress p;
    ASSERT_TRUE(p.OnProgress(100, 1, 1000));
    ASSERT_TRUE(p.OnProgress(100, 2, 10001));
    EXPECT_FALSE(p.CheckStall(10000));
    EXPECT_FALSE(p.CheckStall(15000));
    EXPECT_TRUE(p.CheckStall(15001));
}

TEST(DownloadProgress, CancelStopsTheTransferButIsNoStall) {
    DownloadProgress p;
    ASSERT_TRUE(p.OnProgress(100, 10, 0));
    p.Cancel();
    EXPECT_FALSE(p.OnProgress(100, 11, 100)) << "the next progress call ends the transfer";
    EXPECT_TRUE(p.IsCancelled());
    EXPECT_TRUE(p.IsAborted()) << "stopped on purpose: not a failure to report";
    EXPECT_FALSE(p.CheckStall(60000)) << "the watch never shows a stall for a cancel";

    p.Reset();
    EXPECT_FALSE(p.IsCancelled());
    EXPECT_FALSE(p.IsAborted());
    EXPECT_TRUE(p.OnProgress(100, 1, 0));
}

TEST(DownloadProgress, ResetClearsAStallAndFinishSilencesLateTicks) {
    DownloadProgress p;
    ASSERT_EQ(RunWatch(p, 0, {{0, 1}}, 1000, 10000), 5000);
    p.Reset();
    EXPECT_FALSE(p.IsAborted());
    EXPECT_EQ(p.ReceivedBytes(), 0);
    EXPECT_TRUE(p.OnProgress(10, 1, 0));

    // A download that completed: a watch tick arriving after it (the timer stop lagging)
    // must not report a stall, however long the silence.
    p.Finish();
    EXPECT_FALSE(p.CheckStall(200000));
    EXPECT_FALSE(p.CheckStall(900000));
    EXPECT_FALSE(p.IsAborted());
}

}  // namespace
