#include "Core/store/Log.h"
#include "OlvaApp/Model/EntryIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace olva;
using app::EntryIndex;

namespace {

std::string idOf(int n)
{
    char id[40];
    std::snprintf(id, sizeof id, "%08X-0000-4000-8000-000000000000", n);
    return id;
}

Entry run(int n, int steps)
{
    Entry entry;
    entry.id = idOf(n);
    entry.file = "/in/" + std::to_string(n);
    for (int i = 0; i < steps; ++i) entry.steps.push_back({Step::Kind::move, entry.file, "/out", {}, {}, {}});
    return entry;
}

Entry undo(int n, int of, int steps, bool failed = false)
{
    Entry entry = run(n, steps);
    entry.undoOf = idOf(of);
    if (failed) entry.error = "gone";
    return entry;
}

}  // namespace

// Taken in one read at a time, the counts are those of the whole list.
TEST(EntryIndex, AppendedReadsCountWhatTheWholeLogCounts)
{
    struct Case {
        const char* name;
        std::vector<Entry> log;
    };
    const Case cases[] = {
        {"no undo", {run(1, 2), run(2, 1)}},
        {"a partial undo, then the rest", {run(1, 3), undo(2, 1, 1), run(3, 1), undo(4, 1, 2)}},
        {"an undo logged without steps reverts every step", {run(1, 4), undo(2, 1, 0)}},
        {"a failed undo without steps reverts none but counts", {run(1, 2), undo(2, 1, 0, true)}},
        {"an undo of an entry no longer in the log", {undo(2, 1, 1), run(3, 1)}},
        {"undos of several entries", {run(1, 1), run(2, 2), undo(3, 2, 2), undo(4, 1, 1), undo(5, 2, 0, true)}},
        {"an id logged twice: the first is the original", {run(1, 2), run(1, 5), undo(2, 1, 0)}},
    };
    for (const Case& c : cases) {
        const auto whole = revertedStepCounts(c.log);
        // Every way of cutting the log into two reads, and one read per entry.
        for (std::size_t cut = 0; cut <= c.log.size(); ++cut) {
            std::vector<Entry> list(c.log.begin(), c.log.begin() + std::ptrdiff_t(cut));
            EntryIndex index;
            std::map<std::string, std::size_t> reverted;
            index.extend(list, 0);
            addRevertedSteps(reverted, list, 0, index);
            const std::size_t from = list.size();
            list.insert(list.end(), c.log.begin() + std::ptrdiff_t(cut), c.log.end());
            index.extend(list, from);
            const bool changed = addRevertedSteps(reverted, list, from, index);
            EXPECT_EQ(reverted, whole) << c.name << ", cut at " << cut;
            EXPECT_EQ(changed, revertedStepCounts(std::span(list).first(from)) != whole) << c.name << ", cut at " << cut;
        }
        EntryIndex index;
        std::map<std::string, std::size_t> reverted;
        for (std::size_t i = 0; i < c.log.size(); ++i) {
            index.extend(std::span(c.log).first(i + 1), i);
            addRevertedSteps(reverted, std::span(c.log).first(i + 1), i, index);
        }
        EXPECT_EQ(reverted, whole) << c.name << ", one entry at a time";
    }
}

TEST(EntryIndex, FindsEntriesInLogOrder)
{
    const std::vector<Entry> log = {run(1, 1), run(2, 1), run(3, 1), run(2, 1), run(4, 1)};
    EntryIndex index;
    index.extend(std::span(log).first(3), 0);
    index.extend(log, 3);
    struct Case {
        std::set<std::string> ids;
        std::vector<std::size_t> positions;
    };
    const Case cases[] = {
        {{}, {}},
        {{idOf(4), idOf(1)}, {0, 4}},
        {{idOf(2)}, {1, 3}},
        {{idOf(9), idOf(3)}, {2}},
        {{idOf(1), idOf(2), idOf(3), idOf(4)}, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) EXPECT_EQ(index.positionsOf(c.ids), c.positions) << c.ids.size();
    ASSERT_NE(index.firstOf(idOf(2)), nullptr);
    EXPECT_EQ(*index.firstOf(idOf(2)), 1u);
    EXPECT_EQ(index.firstOf(idOf(9)), nullptr);

    index.clear();
    EXPECT_TRUE(index.positionsOf({idOf(1)}).empty());
}
