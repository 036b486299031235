#include "toolkit/TimerTable.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct NativeTimers {
    std::map<uint32_t, uint32_t> running;  // native id -> interval
    bool failNext = false;

    CTimerTable MakeTable() {
        return CTimerTable(
            [this](uint32_t id, uint32_t interval) {
                if (failNext) {
                    failNext = false;
                    return false;
                }
                running[id] = interval;
                return true;
            },
            [this](uint32_t id) { running.erase(id); });
    }
};

int a;
int b;

TEST(TimerTable, SecondSetWhileRunningFailsAndKeepsTheInterval) {
    NativeTimers native;
    CTimerTable table = native.MakeTable();
    ASSERT_TRUE(table.Set(&a, 100, 300));
    EXPECT_FALSE(table.Set(&a, 100, 50));
    ASSERT_EQ(native.running.size(), 1u);
    EXPECT_EQ(native.running.begin()->second, 300u);
}

TEST(TimerTable, KilledRecordIsRestartedWithTheSameNativeIdAndNewInterval) {
    NativeTimers native;
    CTimerTable table = native.MakeTable();
    ASSERT_TRUE(table.Set(&a, 100, 300));
    const uint32_t nativeId = native.running.begin()->first;
    EXPECT_TRUE(table.Kill(&a, 100));
    EXPECT_TRUE(native.running.empty());
    EXPECT_EQ(table.GetRecordCount(), 1u);
    const void* control = nullptr;
    uint32_t localId = 0;
    EXPECT_FALSE(table.Find(nativeId, &control, &localId));  // killed records do not fire

    ASSERT_TRUE(table.Set(&a, 100, 50));
    EXPECT_EQ(table.GetRecordCount(), 1u);
    EXPECT_EQ(native.running.at(nativeId), 50u);
    ASSERT_TRUE(table.Find(nativeId, &control, &localId));
    EXPECT_EQ(control, &a);
    EXPECT_EQ(localId, 100u);
}

TEST(TimerTable, NativeIdsFollowTheCycleAndSkipIdsInUse) {
    NativeTimers native;
    CTimerTable table = native.MakeTable();
    ASSERT_TRUE(table.Set(&a, 1, 10));
    EXPECT_EQ(native.running.begin()->first, 17u);  // the cycle starts from 0x1000: (0x1000 + 1) mod 255
    for (uint32_t i = 2; i <= 254; ++i) {
        ASSERT_TRUE(table.Set(&a, i, 10)) << i;
    }
    EXPECT_EQ(native.running.size(), 254u);  // every id from 1 to 254, none twice
    EXPECT_EQ(native.running.count(0), 0u);
    EXPECT_FALSE(table.Set(&a, 255, 10));  // no free id left
    table.KillAll(&a);
    EXPECT_TRUE(native.running.empty());
    EXPECT_EQ(table.GetRecordCount(), 0u);
}

TEST(TimerTable, KillAllAffectsOneControlAndRemoveAllEveryone) {
    NativeTimers native;
    CTimerTable table = native.MakeTable();
    ASSERT_TRUE(table.Set(&a, 1, 10));
    ASSERT_TRUE(table.Set(&b, 1, 10));
    ASSERT_TRUE(table.Set(&b, 2, 10));
    table.KillAll(&b);
    EXPECT_EQ(table.GetRecordCount(), 1u);
    EXPECT_TRUE(table.IsRunning(&a, 1));
    table.RemoveAll();
    EXPECT_TRUE(native.running.empty());
    EXPECT_EQ(table.GetRecordCount(), 0u);
}

TEST(TimerTable, AFailedNativeStartLeavesNoRecord) {
    NativeTimers native;
    CTimerTable table = native.MakeTable();
    native.failNext = true;
    EXPECT_FALSE(table.Set(&a, 1, 10));
    EXPECT_EQ(table.GetRecordCount(), 0u);
    EXPECT_TRUE(table.Set(&a, 1, 10));
}

}  // namespace
