#include "Core/engine/RecentRuns.h"

#include <gtest/gtest.h>

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
