#include "Core/facts/FileInfo.h"
#include "Core/actions/Perform.h"
#include "Core/actions/Revert.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/Xattr.h"
#include "tests/actions/ActionFixture.h"

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

class Revert : public InTestHome {
protected:
    std::vector<Step> run(const std::vector<Action>& actions, const fs::path& path)
    {
        FileInfo file(path);
        Applied applied = perform(actions, file, false, currentDate());
        EXPECT_FALSE(applied.error) << *applied.error;
        return applied.steps;
    }

    void setTags(const fs::path& path, const std::string& value) { xattr::write(path, "user.xdg.tags", value); }
};

}  // namespace

TEST_F(Revert, MovesComeBackNewestFirst)
{
    fs::path file = make("w/a.pdf", "mine");
    auto steps = run({Action::move((dir / "Archive").string()), Action::rename("renamed"),
                      Action::shell("true")},
                     file);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_TRUE(fs::exists(dir / "Archive" / "renamed.pdf"));

    RevertResult result = revert(steps);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(result.reverted.size(), 3u);
    EXPECT_EQ(readFile(file), "mine");
    EXPECT_FALSE(fs::exists(dir / "Archive" / "renamed.pdf"));
    EXPECT_TRUE(revert({}).reverted.empty());
    EXPECT_FALSE(revert({}).error);
}

TEST_F(Revert, AFileThatIsNoLongerOursIsLeftAlone)
{
    fs::path file = make("w/a.pdf", "mine");
    auto steps = run({Action::move((dir / "Archive").string())}, file);
    fs::path moved = dir / "Archive" / "a.pdf";

    // Someone put another file of the same name there.
    fs::rename(moved, dir / "w" / "aside.pdf");
    writeFile(moved, "theirs");
    RevertResult result = revert(steps);
    EXPECT_TRUE(result.reverted.empty());
    EXPECT_EQ(result.error, moved.string() + " is no longer the file Olva put there, so it was left alone");
    EXPECT_EQ(readFile(moved), "theirs");
    EXPECT_FALSE(fs::exists(file));

    // Nothing there at all.
    fs::remove(moved);
    EXPECT_EQ(revert(steps).error, moved.string() + " no longer exists");

    // Ours again, but its first place is taken: nothing is replaced.
    fs::rename(dir / "w" / "aside.pdf", moved);
    writeFile(file, "new");
    EXPECT_EQ(revert(steps).error, file.string() + " already exists");
    EXPECT_EQ(readFile(file), "new");
    EXPECT_EQ(readFile(moved), "mine");

    Step unrecorded{Step::Kind::move, file.string(), {}, {}, {}, {}};
    EXPECT_EQ(revert({unrecorded}).error, "no location recorded for " + file.string());
}

TEST_F(Revert, AFailureStopsTheWalkAndKeepsWhatWasDone)
{
    fs::path file = make("w/a.pdf");
    auto steps = run({Action::move((dir / "One").string()), Action::move((dir / "Two").string())}, file);
    ASSERT_EQ(steps.size(), 2u);
    writeFile(file, "a new file in the first place");
    RevertResult result = revert(steps);
    ASSERT_EQ(result.reverted.size(), 1u);
    EXPECT_EQ(result.reverted[0].to, steps[1].to);
    EXPECT_EQ(result.error, file.string() + " already exists");
    EXPECT_TRUE(fs::exists(dir / "One" / "a.pdf"));

    // Missing folders on the way back are not made again.
    fs::remove(file);
    fs::remove_all(dir / "w");
    result = revert({steps[0]});
    EXPECT_TRUE(result.reverted.empty());
    ASSERT_TRUE(result.error);
    EXPECT_FALSE(fs::exists(dir / "w"));
}

TEST_F(Revert, ACopyGoesToTheTrash)
{
    fs::path file = make("w/a.txt", "data");
    auto steps = run({Action::copy((dir / "Backup").string())}, file);
    RevertResult result = revert(steps);
    EXPECT_FALSE(result.error);
    EXPECT_FALSE(fs::exists(dir / "Backup" / "a.txt"));
    EXPECT_EQ(readFile(trash / "files" / "a.txt"), "data");
    EXPECT_EQ(readFile(file), "data");

    Step dry{Step::Kind::copy, file.string(), {}, {}, {}, {}};
    EXPECT_EQ(revert({dry}).reverted.size(), 1u);
}

TEST_F(Revert, ATrashedFileIsRestored)
{
    fs::path file = make("w/old.log", "log");
    auto steps = run({Action::trash()}, file);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(fs::exists(trash / "info" / "old.log.trashinfo"));

    RevertResult result = revert(steps);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(readFile(file), "log");
    EXPECT_FALSE(fs::exists(trash / "files" / "old.log"));
    EXPECT_FALSE(fs::exists(trash / "info" / "old.log.trashinfo"));
}

TEST_F(Revert, TagsUndoOnlyTheStepsOwnChange)
{
    fs::path file = make("w/a.txt");
    setTags(file, "Blue");
    auto added = run({Action::addTags({"Work"})}, file);
    setTags(file, "Blue,Work,Urgent");
    EXPECT_FALSE(revert(added).error);
    EXPECT_EQ(platform::readTags(file), (std::vector<std::string>{"Blue", "Urgent"}));

    auto removed = run({Action::removeTags({"Blue"})}, file);
    setTags(file, "Urgent,Later");
    EXPECT_FALSE(revert(removed).error);
    EXPECT_EQ(platform::readTags(file), (std::vector<std::string>{"Urgent", "Later", "Blue"}));

    // Another file in its place is not retagged.
    fs::rename(file, dir / "w" / "b.txt");
    make("w/a.txt");
    EXPECT_EQ(revert(removed).error, file.string() + " is no longer the file Olva put there, so it was left alone");
    EXPECT_TRUE(platform::readTags(file).empty());
}

TEST_F(Revert, TagsThatContainTheSeparatorAreRestoredExactly)
{
    // A removal whose remaining tag holds ", ": the list left is "a, b".
    Step removal{Step::Kind::tags, "/x", {}, std::vector<std::string>{"a, b", "c"}, "a, b", {}};
    EXPECT_EQ(tagsRecordedAfter(removal), std::vector<std::string>{"a, b"});
    Step addition{Step::Kind::tags, "/x", {}, std::vector<std::string>{"a, b"}, "a, b, c, d", {}};
    EXPECT_EQ(tagsRecordedAfter(addition), (std::vector<std::string>{"a, b", "c", "d"}));
    Step repeated{Step::Kind::tags, "/x", {}, std::vector<std::string>{"A", "B", "A"}, "B", {}};
    EXPECT_EQ(tagsRecordedAfter(repeated), std::vector<std::string>{"B"});
    Step emptied{Step::Kind::tags, "/x", {}, std::vector<std::string>{"A"}, "", {}};
    EXPECT_TRUE(tagsRecordedAfter(emptied).empty());
    Step fresh{Step::Kind::tags, "/x", {}, std::nullopt, "A, B", {}};
    EXPECT_EQ(tagsRecordedAfter(fresh), (std::vector<std::string>{"A", "B"}));

    // On a file: only what the step changed is undone; "a, b", which it
    // neither added nor removed, is not brought in.
    fs::path file = make("w/a.txt");
    removal.from = file.string();
    EXPECT_EQ(tagsAfterRevert(removal), std::vector<std::string>{"c"});
    setTags(file, "c,e");
    addition.from = file.string();
    EXPECT_EQ(tagsAfterRevert(addition), std::vector<std::string>{"e"});
}
