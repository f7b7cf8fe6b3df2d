// What the next start makes of a move to another file system, or a copy,
// that a kill cut short: done only when its name holds the whole file, and
// tidied up either way.
#include "Core/engine/InterruptedStep.h"
#include "Core/facts/FileInfo.h"
#include "tests/support/PrivateMounts.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

TEST(InterruptedStep, AMoveOrCopyCutShortIsDoneOnlyWhereItsNameHoldsTheWholeFile)
{
    TempDir dir;
    PrivateMounts mounts;  // unmounts before the folder goes
    const fs::path away = dir / "Away";
    fs::create_directories(away);
    if (!mounts.mountTmpfs(away)) GTEST_SKIP() << "no tmpfs to move to: " << mounts.failure();
    const fs::path from = dir / "a.txt", to = away / "a.txt";
    const fs::path temporary = away / ".olva-1B4E28BA-2FA1-11D2-883F-0016D3CCA427.partial";
    struct Case {
        const char* what;
        bool move;
        std::function<void()> left;  // what the kill left behind, beside the source
        bool done;
        bool sourceStays;
        std::optional<std::string> there;  // what the destination's name holds afterwards
    };
    const std::vector<Case> cases = {
        {"killed while it copied", true, [&] { writeFile(temporary, "mi"); }, false, true, std::nullopt},
        {"killed once the copy had its name", true, [&] { writeFile(to, "mine"); }, true, false, "mine"},
        {"killed then, and the source edited since", true,
         [&] {
             writeFile(to, "mine");
             writeFile(from, "mine, edited");
         },
         false, true, "mine"},
        {"killed once the source was gone", true,
         [&] {
             writeFile(to, "mine");
             fs::remove(from);
         },
         true, false, "mine"},
        {"a copy killed while it copied", false, [&] { writeFile(temporary, "mi"); }, false, true, std::nullopt},
        {"a copy killed once it had its name", false, [&] { writeFile(to, "mine"); }, true, true, "mine"},
        {"a copy whose name another program took", false, [&] { writeFile(to, "theirs"); }, false, true, "theirs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& item : fs::directory_iterator(away)) fs::remove_all(item.path());
        writeFile(from, "mine");
        Step intended{c.move ? Step::Kind::move : Step::Kind::copy, from.string(), to.string(), {}, {},
                      c.move ? FileInfo::keyIfPresent(from) : std::nullopt};
        c.left();

        std::optional<Step> done = stepIfDone(intended);
        EXPECT_EQ(done.has_value(), c.done);
        if (done) {
            EXPECT_EQ(done->key, FileInfo::keyIfPresent(to));
        }
        EXPECT_FALSE(fs::exists(temporary));
        EXPECT_EQ(fs::exists(from), c.sourceStays);
        EXPECT_EQ(fs::exists(to) ? std::optional(readFile(to)) : std::nullopt, c.there);
    }
}
