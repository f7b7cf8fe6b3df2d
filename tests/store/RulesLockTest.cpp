#include "Core/store/RulesLock.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;

TEST(RulesLock, ABoundedWaitGivesUpOnAHolderAndTakesALockThatComesFree)
{
    struct Case {
        const char* name;
        bool held;
        std::optional<std::chrono::milliseconds> releasedAfter;
        std::chrono::milliseconds patience;
        bool taken;
    };
    // A wait that takes a lock coming free is as patient as a hang guard, so
    // that however late the holder lets go, it is within the wait.
    for (const Case& c : {Case{"free", false, std::nullopt, 400ms, true},
                          Case{"held throughout", true, std::nullopt, 400ms, false},
                          Case{"let go of during the wait", true, 100ms, hangGuard, true}}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        auto holder = c.held ? std::make_unique<DirectoryLockHolder>(dir.path()) : nullptr;
        if (holder) {
            ASSERT_TRUE(holder->holds());
        }
        std::thread release;
        if (c.releasedAfter)
            release = std::thread([&, after = *c.releasedAfter] {
                std::this_thread::sleep_for(after);
                holder.reset();
            });
        const auto begun = std::chrono::steady_clock::now();
        bool taken = false;
        try {
            RulesLock lock(dir.path(), c.patience);
            taken = true;
        } catch (const RulesBusy& busy) {
            EXPECT_STREQ(busy.what(), "another program is holding the rules, try again once it has finished");
        }
        const auto waited = std::chrono::steady_clock::now() - begun;
        if (release.joinable()) release.join();
        EXPECT_EQ(taken, c.taken);
        if (!c.taken) {
            EXPECT_GE(waited, c.patience);
        }
        // It gives up, however long the holder keeps it.
        EXPECT_LT(waited, c.patience + hangGuard);
    }
}
