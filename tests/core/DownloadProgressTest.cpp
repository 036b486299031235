#include "core/DownloadProgress.h"

#include <gtest/gtest.h>

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
        ASSERT_TRUE(p.OnProgress(c.total, c.received));
        EXPECT_EQ(p.Percent(), c.percent) << c.total << " " << c.received;
        EXPECT_EQ(p.TotalBytes(), c.total);
        EXPECT_EQ(p.ReceivedBytes(), c.received);
    }
}

// Drives the watch at one tick per second from `start`, feeding `bytesAt(second)` before
// each tick; returns the second at which the stall fired, or -1.
template <typename Bytes>
int FirstStall(DownloadProgress& p, uint32_t start, int seconds, Bytes bytesAt, int64_t total = 0) {
    for (int s = 1; s <= seconds; ++s) {
        if (!p.OnProgress(total, bytesAt(s))) {
            return -2;  // cancelled before the tick
        }
        if (p.CheckStall(start + static_cast<uint32_t>(s) * 1000u)) {
            return s;
        }
    }
    return -1;
}

TEST(DownloadProgress, StuckBytesStallAtTheFirstComparisonFiveSecondsAfterTheRecord) {
    DownloadProgress p;
    // Ticks at 1..6 s with nothing new: 1 s records, 2-5 s wait, 6 s compares and fires.
    EXPECT_EQ(FirstStall(
                  p, 0, 10, [](int) { return int64_t{12}; }, 100),
              6);
    EXPECT_TRUE(p.IsAborted());
    EXPECT_TRUE(p.CheckStall(999999)) << "a fired stall stays fired";
    EXPECT_FALSE(p.OnProgress(100, 13)) << "the next progress call cancels the transfer";
}

TEST(DownloadProgress, SlowButMovingDownloadsNeverStall) {
    // One byte per second on a 100 MB package: the percentage sits at 0 for ages, yet
    // bytes keep arriving, so this is no stall. Neither is a download without a size.
    DownloadProgress slow;
    EXPECT_EQ(FirstStall(
                  slow, 0, 120, [](int s) { return int64_t{s}; }, 100000000),
              -1);
    DownloadProgress sizeless;
    EXPECT_EQ(FirstStall(
                  sizeless, 0, 120, [](int s) { return int64_t{s} * 4096; }, 0),
              -1);
    EXPECT_FALSE(slow.IsAborted());
    EXPECT_FALSE(sizeless.IsAborted());
}

TEST(DownloadProgress, DataThatStopsMidwayStallsFiveToSixSecondsLater) {
    DownloadProgress p;
    // Bytes grow until second 20, then nothing: comparisons at 6, 11, 16, 21 see growth
    // (16 -> 21 saw bytes at 17..20), the comparison at 26 sees none.
    EXPECT_EQ(FirstStall(
                  p, 0, 60, [](int s) { return int64_t{s < 20 ? s : 20} * 1000; }, 0),
              26);
}

TEST(DownloadProgress, TickCounterWrapIsHarmless) {
    DownloadProgress p;
    const uint32_t start = 0xFFFFFFFFu - 2500u;  // wraps between the record and the comparison
    EXPECT_EQ(FirstStall(
                  p, start, 10, [](int) { return int64_t{7}; }, 100),
              6);
}

TEST(DownloadProgress, FirstTickAtTickZeroStillWaitsFiveSeconds) {
    DownloadProgress p;
    ASSERT_TRUE(p.OnProgress(100, 5));
    EXPECT_FALSE(p.CheckStall(0));
    EXPECT_FALSE(p.CheckStall(1000));
    EXPECT_FALSE(p.CheckStall(4999));
    EXPECT_TRUE(p.CheckStall(5000));
}

TEST(DownloadProgress, ResetClearsAStallAndFinishSilencesLateTicks) {
    DownloadProgress p;
    ASSERT_EQ(FirstStall(p, 0, 10, [](int) { return int64_t{1}; }), 6);
    p.Reset();
    EXPECT_FALSE(p.IsAborted());
    EXPECT_EQ(p.ReceivedBytes(), 0);
    EXPECT_TRUE(p.OnProgress(10, 1));

    // A download that completed: a watch tick arriving after it (the timer stop lagging)
    // must not report a stall, however long the silence.
    EXPECT_FALSE(p.CheckStall(100000));
    p.Finish();
    EXPECT_FALSE(p.CheckStall(200000));
    EXPECT_FALSE(p.CheckStall(900000));
    EXPECT_FALSE(p.IsAborted());
}

}  // namespace
