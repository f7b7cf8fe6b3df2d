#include "Core/store/SeenRecords.h"

#include <gtest/gtest.h>

#include <random>

using namespace olva;

namespace {

// The plain map the records must always agree with.
void expectSame(const SeenRecords& records, const Seen& model, const std::string& when)
{
    Seen expected;
    for (const auto& [key, versions] : model)
        if (!versions.empty()) expected[key] = versions;
    EXPECT_EQ(records.size(), expected.size()) << when;
    EXPECT_EQ(records.toMap(), expected) << when;
}

}  // namespace

TEST(SeenRecords, AgreeWithAPlainMapThroughAddsMovesAndErasures)
{
    // Enough keys that the records are sorted in several times over.
    std::mt19937 random(7);
    const std::vector<std::string> versions{"0123456789abcdef", "v2", "fedcba9876543210", "v4"};
    auto keyOf = [](int n) { return "/:" + std::to_string(1000000 + n) + ":1700000000.123456789+4c1fc10007b730c6"; };
    SeenRecords records;
    Seen model;
    for (int step = 0; step < 60000; ++step) {
        std::string key = keyOf(int(random() % 20000));
        const std::string& version = versions[random() % versions.size()];
        switch (random() % 10) {
        case 0: {
            records.erase(key);
            model.erase(key);
            break;
        }
        case 1: {
            std::string to = keyOf(20000 + int(random() % 20000));
            auto moved = records.move(key, to);
            std::vector<std::string> expected(model[key].begin(), model[key].end());
            std::sort(moved.begin(), moved.end());
            EXPECT_EQ(moved, expected) << "step " << step;
            for (const auto& v : model[key]) model[to].insert(v);
            model.erase(key);
            break;
        }
        default: {
            bool added = records.add(key, version);
            EXPECT_EQ(added, model[key].insert(version).second) << "step " << step;
        }
        }
        if (step % 9973 == 0) expectSame(records, model, "step " + std::to_string(step));
    }
    expectSame(records, model, "the end");
    for (const auto& version : versions) {
        std::vector<std::string> expected;
        for (const auto& [key, set] : model)
            if (set.contains(version)) expected.push_back(key);
        auto keys = records.keysWith(version);
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(keys, expected) << version;
    }
    for (int n = 0; n < 40000; n += 997) {
        std::string key = keyOf(n);
        EXPECT_EQ(records.contains(key), !model[key].empty()) << key;
        EXPECT_EQ(records.versionsOf(key), model[key]) << key;
        for (const auto& version : versions) EXPECT_EQ(records.contains(key, version), model[key].contains(version));
    }
}

TEST(SeenRecords, EdgeCases)
{
    SeenRecords records;
    // An empty version is no mark, and a version never seen is in no set.
    EXPECT_FALSE(records.add("k", ""));
    EXPECT_FALSE(records.contains("k"));
    EXPECT_FALSE(records.contains("k", "unknown"));
    // A key longer than a block of key texts.
    std::string huge(100 * 1024, 'x');
    EXPECT_TRUE(records.add(huge, "v"));
    EXPECT_TRUE(records.add("after", "v"));
    EXPECT_TRUE(records.contains(huge, "v"));
    EXPECT_TRUE(records.contains("after", "v"));
    // Moved onto a key that has versions of its own: they add up.
    records.add("a", "v1");
    records.add("b", "v2");
    EXPECT_EQ(records.move("a", "b"), std::vector<std::string>{"v1"});
    EXPECT_EQ(records.versionsOf("b"), (std::set<std::string>{"v1", "v2"}));
    EXPECT_TRUE(records.move("a", "c").empty());
    // An erased key comes back empty.
    records.erase("b");
    EXPECT_FALSE(records.contains("b"));
    EXPECT_TRUE(records.add("b", "v3"));
    EXPECT_EQ(records.versionsOf("b"), std::set<std::string>{"v3"});
    EXPECT_EQ(records.size(), 3u);
    // Moved, the records stay whole.
    SeenRecords moved = std::move(records);
    EXPECT_TRUE(moved.contains(huge, "v"));
    EXPECT_EQ(moved.size(), 3u);
}
