#include "Core/platform/Executor.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace olva::platform;
using namespace std::chrono_literals;
using olva::test::hangGuard;

TEST(Executor, RunsPostedWorkInOrderOnOneThread)
{
    Executor executor;
    std::vector<int> order;
    std::set<std::thread::id> threads;
    for (int i = 0; i < 100; ++i)
        executor.post([&, i] {
            order.push_back(i);
            threads.insert(std::this_thread::get_id());
        });
    executor.call([] {});
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
}

TEST(Executor, CallReturnsResultsAndRethrows)
{
    Executor executor;
    EXPECT_EQ(executor.call([] { return 42; }), 42);
    EXPECT_THROW(executor.call([]() -> int { throw std::runtime_error("boom"); }), std::runtime_error);
    // The executor keeps working after a closure threw.
    EXPECT_EQ(executor.call([] { return std::string("still here"); }), "still here");
}

TEST(Executor, CallFromTheExecutorRunsInlineInsteadOfWaitingOnItself)
{
    Executor executor;
    auto result = std::async(std::launch::async, [&] {
        return executor.call([&] {
            EXPECT_TRUE(executor.isCurrent());
            return executor.call([] { return 7; }) + 1;
        });
    });
    ASSERT_EQ(result.wait_for(hangGuard), std::future_status::ready);
    EXPECT_EQ(result.get(), 8);
    EXPECT_FALSE(executor.isCurrent());
}

TEST(Executor, TimersFireInTimeOrderAndCancelledOnesNever)
{
    Executor executor;
    std::mutex mutex;
    std::vector<int> fired;
    auto note = [&](int n) {
        return [&, n] {
            std::lock_guard lock(mutex);
            fired.push_back(n);
        };
    };
    auto start = BootClock::now();
    executor.postAfter(120ms, note(3));
    executor.postAfter(40ms, note(1));
    auto cancelled = executor.postAfter(80ms, note(99));
    executor.postAfter(80ms, note(2));
    executor.cancel(cancelled);
    std::promise<void> done;
    executor.postAfter(160ms, [&] { done.set_value(); });
    ASSERT_EQ(done.get_future().wait_for(hangGuard), std::future_status::ready);
    EXPECT_GE(BootClock::now() - start, 160ms);
    std::lock_guard lock(mutex);
    EXPECT_EQ(fired, (std::vector<int>{1, 2, 3}));
}

TEST(Executor, ATimerCancelledByWorkThatRunsFirstDoesNotRun)
{
    // Two timers fall due together; the first cancels the second, which
    // must not run although it was already due.
    Executor executor;
    std::atomic<bool> secondRan = false;
    Executor::TimerId second = 0;
    auto at = BootClock::now() + 50ms;
    std::promise<void> past;
    executor.call([&] {
        executor.postAt(at, [&] { executor.cancel(second); });
        second = executor.postAt(at, [&] { secondRan = true; });
        // Due with them, it runs after them.
        executor.postAt(at, [&] { past.set_value(); });
    });
    ASSERT_EQ(past.get_future().wait_for(hangGuard), std::future_status::ready);
    EXPECT_FALSE(secondRan);
}

TEST(Executor, ATimerInThePastRunsAtOnce)
{
    Executor executor;
    std::promise<void> ran;
    executor.postAt(BootClock::now() - 10s, [&] { ran.set_value(); });
    EXPECT_EQ(ran.get_future().wait_for(hangGuard), std::future_status::ready);
}

TEST(Executor, CanBeDestroyedFromItsOwnWork)
{
    auto executor = std::make_shared<Executor>();
    std::promise<void> released;
    std::promise<void> destroyed;
    executor->post([&, keep = executor]() mutable {
        released.get_future().wait();
        keep.reset();  // the last owner goes away on the executor's own thread
        destroyed.set_value();
    });
    executor.reset();
    released.set_value();
    EXPECT_EQ(destroyed.get_future().wait_for(hangGuard), std::future_status::ready);
}

TEST(Executor, WorkPostedAfterStopIsDroppedAndWaitersAreReleased)
{
    Executor executor;
    executor.stop();
    std::atomic<bool> ran = false;
    executor.post([&] { ran = true; });
    EXPECT_THROW(executor.call([&] { ran = true; }), std::future_error);
    EXPECT_FALSE(ran);
}
