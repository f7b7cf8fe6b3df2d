#include "OlvaApp/Sentences/CurrentLocation.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace olva::app;
using olva::test::TempDir;
using Kind = olva::Step::Kind;

TEST(CurrentLocation, FollowsTheLastMoveToAFileThatExists)
{
    TempDir dir;
    const std::string logged = (dir / "in.pdf").string();
    const std::string inA = (dir / "A.pdf").string();
    const std::string copied = (dir / "copy.pdf").string();
    const std::string gone = (dir / "gone.pdf").string();
    for (const std::string& path : {logged, inA, copied}) olva::test::writeFile(path, "x");

    auto move = [](std::string from, std::optional<std::string> to) {
        return olva::Step{Kind::move, std::move(from), std::move(to), {}, {}, {}};
    };
    auto other = [](Kind kind, std::optional<std::string> to) {
        return olva::Step{kind, "/in", std::move(to), {}, {}, {}};
    };
    struct Case {
        const char* name;
        std::vector<olva::Step> steps;
        bool dryRun;
        std::string loggedFile;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"moved, then tagged", {move(logged, inA), other(Kind::tags, {})}, false, logged, inA},
        {"moved, then copied: the copy is passed over", {move(logged, inA), other(Kind::copy, copied)}, false, logged, inA},
        {"moved away and deleted, but the logged path exists again", {move(logged, gone)}, false, logged, logged},
        {"nothing exists any more", {move(gone, gone)}, false, gone, std::nullopt},
        {"a dry run is where it was logged", {move(logged, inA)}, true, logged, logged},
        {"a dry run whose file went", {move(gone, inA)}, true, gone, std::nullopt},
        {"the last move has no target", {move(logged, inA), move(inA, std::nullopt)}, false, logged, logged},
        {"trashed", {other(Kind::trash, copied)}, false, gone, copied},
        {"no steps", {}, false, logged, logged},
        {"a shell step only", {other(Kind::shell, {})}, false, logged, logged},
        {"an empty logged path", {}, false, "", std::nullopt},
    };
    for (const Case& c : cases) {
        olva::Entry entry;
        entry.file = c.loggedFile;
        entry.steps = c.steps;
        entry.dryRun = c.dryRun;
        std::optional<QUrl> url = currentURL(entry);
        if (!c.expected) {
            EXPECT_FALSE(url) << c.name;
            continue;
        }
        ASSERT_TRUE(url) << c.name;
        EXPECT_EQ(url->toLocalFile().toStdString(), *c.expected) << c.name;
        EXPECT_TRUE(url->isLocalFile()) << c.name;
    }
}

TEST(CurrentLocation, KeepsNamesThatLookLikeURLParts)
{
    TempDir dir;
    const std::string odd = (dir / "a #1 %20?.pdf").string();
    olva::test::writeFile(odd, "x");
    olva::Entry entry;
    entry.file = odd;
    std::optional<QUrl> url = currentURL(entry);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->toLocalFile().toStdString(), odd);
}
