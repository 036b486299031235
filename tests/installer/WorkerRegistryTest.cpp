#include "installer/WorkerRegistry.h"

#include <process.h>

#include <gtest/gtest.h>

#include <atomic>

namespace {

struct ThreadState {
    std::atomic<bool> cancel{false};
    bool honoursCancel = true;
    UniqueKernelHandle never{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

unsigned __stdcall Worker(void* argument) {
    auto* state = static_cast<ThreadState*>(argument);
    if (!state->honoursCancel) {
        ::WaitForSingleObject(state->never.get(), INFINITE);
    }
    while (!state->cancel.load()) {
        ::Sleep(5);
    }
    return 0;
}

UniqueKernelHandle StartThread(ThreadState& state, unsigned& id) {
    return UniqueKernelHandle(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &Worker, &state, 0, &id)));
}

TEST(WorkerRegistryTest, NullAndInvalidHandlesAreNotRegistered) {
    CWorkerRegistry registry;
    EXPECT_FALSE(registry.RegisterWorker(1, UniqueKernelHandle()));
    EXPECT_FALSE(registry.RegisterWorker(2, UniqueKernelHandle(INVALID_HANDLE_VALUE)));
    EXPECT_EQ(registry.Count(), 0u);
    int cancels = 0;
    const CWorkerRegistry::StopResult result = registry.StopWorkers([&] { ++cancels; });
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(result.stopped, 0);
    EXPECT_EQ(result.stillRunning, 0);
}

TEST(WorkerRegistryTest, WorkersThatSeeTheFlagLeaveAndAStuckOneIsReportedNeverKilled) {
    ThreadState cooperative;
    ThreadState stuck;
    stuck.honoursCancel = false;
    unsigned id1 = 0;
    unsigned id2 = 0;
    UniqueKernelHandle first = StartThread(cooperative, id1);
    UniqueKernelHandle second = StartThread(stuck, id2);
    ASSERT_TRUE(first.valid() && second.valid());
    // Our own copies, to see how the threads are after the registry closed its handles.
    HANDLE firstCopy = nullptr;
    HANDLE secondCopy = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), first.get(), ::GetCurrentProcess(), &firstCopy, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), second.get(), ::GetCurrentProcess(), &secondCopy, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    UniqueKernelHandle firstWatch(firstCopy);
    UniqueKernelHandle secondWatch(secondCopy);

    CWorkerRegistry registry;
    EXPECT_TRUE(registry.RegisterWorker(id1, std::move(first)));
    EXPECT_TRUE(registry.RegisterWorker(id2, std::move(second)));
    EXPECT_EQ(registry.Count(), 2u);

    const CWorkerRegistry::StopResult result = registry.StopWorkers(
        [&] {
            cooperative.cancel = true;
            stuck.cancel = true;
        },
        300);
    EXPECT_EQ(result.stopped, 1);
    EXPECT_EQ(result.stillRunning, 1);
    EXPECT_EQ(registry.Count(), 0u);
    ASSERT_EQ(::WaitForSingleObject(firstWatch.get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(secondWatch.get(), 200), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the stuck thread was left alone, not killed";
    // Let it go the way it would have: it sees its flag once it can.
    ::SetEvent(stuck.never.get());
    EXPECT_EQ(::WaitForSingleObject(secondWatch.get(), 5000), WAIT_OBJECT_0);
}

// What the caller does while asking (hiding the window) is part of the bound, not added
// to it: the window's end may not push the process past its limit.
TEST(WorkerRegistryTest, TheBoundCountsFromTheRequest) {
    ThreadState stuck;
    stuck.honoursCancel = false;
    unsigned id = 0;
    UniqueKernelHandle thread = StartThread(stuck, id);
    ASSERT_TRUE(thread.valid());
    HANDLE copy = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), thread.get(), ::GetCurrentProcess(), &copy, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    UniqueKernelHandle watch(copy);
    CWorkerRegistry registry;
    ASSERT_TRUE(registry.RegisterWorker(id, std::move(thread)));

    const ULONGLONG started = ::GetTickCount64();
    const CWorkerRegistry::StopResult result = registry.StopWorkers(
        [&] {
            stuck.cancel = true;
            ::Sleep(600);
        },
        500);
    const ULONGLONG took = ::GetTickCount64() - started;
    EXPECT_EQ(result.stillRunning, 1);
    // Waiting the whole bound after the request would take at least 1100 ms.
    EXPECT_LT(took, 1000u) << "the wait began only after the request returned";
    ::SetEvent(stuck.never.get());
    EXPECT_EQ(::WaitForSingleObject(watch.get(), 5000), WAIT_OBJECT_0);
}

}  // namespace
