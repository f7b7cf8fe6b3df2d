#include "Core/engine/RecentRuns.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>

using namespace olva;
using namespace std::chrono_literals;

TEST(RecentRuns, CountEachFilesRunsOfTheLastMinuteAndKeepNothingOlder)
{
    const Date start = Date() + 1000h;
    const Date::duration minute = 60s;
    struct Run {
        std::uint64_t file;
        Date::duration at;
        std::size_t expected;  // the file's runs counted, this one included
    };
    RecentRuns runs;
    for (const Run& run : std::vector<Run>{{1, 0s, 1},
                                           {1, 10s, 2},
                                           {2, 10s, 1},
                                           {1, 60s, 3},    // the first is exactly a minute old: it stays
                                           {1, 61s, 3},    // now it is gone
                                           {2, 71s, 1},    // the other file's first run too
                                           {1, 200s, 1}})  // everything before is gone
        EXPECT_EQ(runs.add(run.file, start + run.at, minute), run.expected) << run.file << " at " << run.at.count();
    EXPECT_EQ(runs.files(), 1u);
    runs.forget(start + 260s, minute);
    EXPECT_EQ(runs.files(), 1u);
    runs.forget(start + 261s, minute);
    EXPECT_EQ(runs.files(), 0u);
}

// Many files at once, some with the same place in the table and runs that
// come and go in any order: every count agrees with a plain map's, through
// the table's growth and the removals that close its gaps.
TEST(RecentRuns, AgreeWithAPlainCountThroughGrowthAndRemovals)
{
    const Date start = Date() + 1000h;
    const Date::duration window = 60s;
    std::mt19937_64 random(11);
    RecentRuns runs;
    std::deque<std::pair<Date, std::uint64_t>> model;
    std::map<std::uint64_t, std::size_t> counts;
    Date now = start;
    for (int step = 0; step < 200000; ++step) {
        // Bursts of new files, then quiet stretches in which runs age out.
        now += step % 50000 < 30000 ? 1ms : 5ms;
        // Few distinct files at first (repeat counts), many later (growth);
        // multiples of a large power of two share their place.
        std::uint64_t file = step < 20000 ? random() % 300 : (random() % 40000) << (step % 3 == 0 ? 40 : 0);
        while (!model.empty() && now - model.front().first > window) {
            if (--counts[model.front().second] == 0) counts.erase(model.front().second);
            model.pop_front();
        }
        model.emplace_back(now, file);
        ASSERT_EQ(runs.add(file, now, window), ++counts[file]) << "step " << step;
        if (step % 997 == 0) {
            ASSERT_EQ(runs.files(), counts.size()) << "step " << step;
        }
    }
    runs.forget(now + window + 1ms, window);
    EXPECT_EQ(runs.files(), 0u);
}
