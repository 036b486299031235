#include "installer/ProgressModel.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressModelTest, PeriodAndCeilingPerStage) {
    struct Case {
        int stage;
        int periodMs;
        int ceiling;
    };
    const Case cases[] = {
        {1, 300, 5},  {2, 150, 65}, {3, 100, -1}, {4, 75, 85},   {5, 60, 99},
        {6, 50, 100}, {7, 42, -1},  {0, 300, -1}, {-4, 300, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressTimerPeriodMs(c.stage), c.periodMs) << "stage " << c.stage;
        EXPECT_EQ(ProgressCeiling(c.stage), c.ceiling) << "stage " << c.stage;
    }
}

TEST(ProgressModelTest, OneTick) {
    struct Case {
        int stage;
        int progress;
        int next;
    };
    const Case cases[] = {
        {1, 0, 1},   {1, 4, 5},    {1, 5, 5},    // waits at 5 while the server is chosen
        {2, 5, 6},   {2, 64, 65},  {2, 65, 65},  // never past 65 however long the download takes
        {3, 30, 30},                             // no growth, value kept
        {4, 65, 66}, {4, 85, 85},  {5, 98, 99},
        {5, 99, 99}, {6, 99, 100}, {6, 100, 100},  // only the last stage completes the bar
        {1, 40, 40}, {9, 12, 12},                  // never backwards, unknown stages keep it
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NextProgress(c.stage, c.progress), c.next) << "stage " << c.stage << " at " << c.progress;
    }
}

TEST(ProgressModelTest, TicksFromStartToFinish) {
    // The worker moves through 1, 2, 4, 5, 6; the bar reaches each ceiling and stops there
    // until the next stage, and completes after 100 ticks in all.
    const struct {
        int stage;
        int stopsAt;
    } stages[] = {{1, 5}, {2, 65}, {4, 85}, {5, 99}, {6, 100}};
    int progress = 0;
    int ticks = 0;
    for (const auto& s : stages) {
        for (int i = 0; i < 200; ++i) {
            const int next = NextProgress(s.stage, progress);
            if (next == progress) {
                break;
            }
            progress = next;
            ++ticks;
        }
        EXPECT_EQ(progress, s.stopsAt) << "stage " << s.stage;
    }
    EXPECT_EQ(progress, 100);
    EXPECT_EQ(ticks, 100);
}

}  // namespace
