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
        bool taken;
    };
    constexpr auto patience = 400ms;
    for (const Case& c : {Case{"free", false, std::nullopt, true},
                          Case{"held throughout", true, std::nullopt, false},
                          Case{"let go of during the wait", true, 100ms, true}}) {
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
            RulesLock lock(dir.path(), patience);
            taken = true;
        } catch (const RulesBusy& busy) {
            EXPECT_STREQ(busy.what(), "another program is holding the rules, try again once it has finished");
        }
        const auto waited = std::chrono::steady_clock::now() - begun;
        if (release.joinable()) release.join();
        EXPECT_EQ(taken, c.taken);
        if (!c.taken) {
            EXPECT_GE(waited, patience);
        }
        // Never much past the patience, however long the holder keeps it.
        EXPECT_LT(waited, patience + 1s);
    }
}
