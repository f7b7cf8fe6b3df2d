#include "Core/facts/FileInfo.h"
#include "Core/actions/Perform.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/FileTransfer.h"
#include "Core/platform/Xattr.h"
#include "tests/actions/ActionFixture.h"

#include <set>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

// Files in a watched folder "w".
class Perform : public InTestHome {
protected:
    Applied run(const std::vector<Action>& actions, const fs::path& path, bool dryRun = false)
    {
        FileInfo file(path);
        return perform(actions, file, dryRun, kNow);
    }

    // Every item under the test folder, as relative paths.
    std::set<std::string> tree() const
    {
        std::set<std::string> items;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
            items.insert(entry.path().lexically_relative(dir.path()).string());
        return items;
    }
};

void expectStep(const Step& step, Step::Kind kind, const fs::path& from, const std::optional<fs::path>& to)
{
    EXPECT_EQ(step.kind, kind);
    EXPECT_EQ(step.from, from.string());
    EXPECT_EQ(step.to, to ? std::optional<std::string>(to->string()) : std::nullopt);
}

}  // namespace

TEST_F(Perform, MovesIntoAFolderAndRecordsTheKeyOfTheFileThere)
{
    fs::path file = make("w/report.pdf", "mine");
    make("Archive/report.pdf");
    make("Archive/report 2.pdf");
    Applied applied = run({Action::move((dir / "Archive").string())}, file);
    ASSERT_EQ(applied.steps.size(), 1u);
    EXPECT_FALSE(applied.error);
    expectStep(applied.steps[0], Step::Kind::move, file, dir / "Archive" / "report 3.pdf");
    EXPECT_EQ(readFile(dir / "Archive" / "report 3.pdf"), "mine");
    EXPECT_EQ(applied.steps[0].key, FileInfo::keyFor(dir / "Archive" / "report 3.pdf"));
    EXPECT_FALSE(applied.steps[0].tagsBefore || applied.steps[0].note);

    // Missing folders are made.
    fs::path notes = make("w/notes");
    applied = run({Action::move((dir / "New" / "Deeper").string())}, notes);
    expectStep(applied.steps.at(0), Step::Kind::move, notes, dir / "New" / "Deeper" / "notes");
}

TEST_F(Perform, TakenNamesGetTheNextNumber)
{
    fs::path folder = dir / "w";
    make("w/notes");
    make("w/archive.tar.gz");
    make("w/.profile");
    EXPECT_EQ(uniqueDestination(folder, "notes", true), folder / "notes 2");
    EXPECT_EQ(uniqueDestination(folder, "archive.tar.gz", true), folder / "archive.tar 2.gz");
    EXPECT_EQ(uniqueDestination(folder, ".profile", true), folder / ".profile 2");
    EXPECT_EQ(uniqueDestination(folder, "free.txt", true), folder / "free.txt");
    EXPECT_EQ(uniqueDestination(dir / "nowhere", "a", true), dir / "nowhere" / "a");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));

    // Its own name is taken too: moving into its own folder numbers it.
    fs::path file = make("w/a.pdf");
    Applied applied = run({Action::move(folder.string())}, file);
    expectStep(applied.steps.at(0), Step::Kind::move, file, folder / "a 2.pdf");
}

TEST_F(Perform, ANameTakenInARaceIsPassedOver)
{
    fs::path file = make("w/a.pdf", "mine");
    fs::path folder = dir / "Archive";
    int calls = 0;
    // Someone else takes each chosen name just before the move, twice.
    auto racingMove = [&](const fs::path& from, const fs::path& to) {
        if (++calls <= 2) writeFile(to, "theirs");
        platform::moveItem(from, to);
    };
    EXPECT_EQ(placeItem(file, folder, "a.pdf", false, racingMove), folder / "a 3.pdf");
    EXPECT_EQ(readFile(folder / "a.pdf"), "theirs");
    EXPECT_EQ(readFile(folder / "a 2.pdf"), "theirs");
    EXPECT_EQ(readFile(folder / "a 3.pdf"), "mine");

    // Other failures are not retried.
    calls = 0;
    auto failing = [&](const fs::path&, const fs::path&) {
        ++calls;
        platform::throwErrno(EACCES, "denied");
    };
    EXPECT_THROW(placeItem(folder / "a 3.pdf", folder, "b.pdf", false, failing), std::system_error);
    EXPECT_EQ(calls, 1);
}

TEST_F(Perform, RelativeDestinationsAreRecordedAbsolute)
{
    fs::path file = make("w/a.txt", "data");
    fs::path before = fs::current_path();
    fs::current_path(dir.path());
    Applied dry = run({Action::copy("Backup"), Action::move("./Archive/in")}, file, true);
    Applied done = run({Action::copy("Backup"), Action::move("./Archive/in")}, file);
    fs::current_path(before);
    for (const Applied& applied : {dry, done}) {
        ASSERT_EQ(applied.steps.size(), 2u) << applied.error.value_or("");
        expectStep(applied.steps[0], Step::Kind::copy, file, dir / "Backup" / "a.txt");
        expectStep(applied.steps[1], Step::Kind::move, file, dir / "./Archive/in" / "a.txt");
    }
    EXPECT_EQ(readFile(dir / "Archive" / "in" / "a.txt"), "data");
}

TEST_F(Perform, CopiesLeaveTheSourceWhereLaterActionsFindIt)
{
    fs::path file = make("w/a.txt", "data");
    Applied applied = run({Action::copy((dir / "Backup").string()), Action::copy((dir / "Backup").string()),
                           Action::rename("{name}-kept")},
                          file);
    ASSERT_EQ(applied.steps.size(), 3u) << applied.error.value_or("");
    expectStep(applied.steps[0], Step::Kind::copy, file, dir / "Backup" / "a.txt");
    expectStep(applied.steps[1], Step::Kind::copy, file, dir / "Backup" / "a 2.txt");
    expectStep(applied.steps[2], Step::Kind::move, file, dir / "w" / "a-kept.txt");
    EXPECT_EQ(readFile(dir / "Backup" / "a 2.txt"), "data");
    EXPECT_EQ(applied.steps[0].key, FileInfo::keyFor(dir / "Backup" / "a.txt"));
    EXPECT_NE(applied.steps[0].key, applied.steps[2].key);
}

TEST_F(Perform, RenamesKeepTheExtension)
{
    fs::path file = make("w/IMG_1.heic");
    Applied applied = run({Action::rename("{modified}")}, file);
    expectStep(applied.steps.at(0), Step::Kind::move, file, dir / "w" / "2024-05-01.heic");

    // The same name: nothing to do, also in a dry run.
    fs::path same = make("w/2024-05-01");
    EXPECT_TRUE(run({Action::rename("{modified}")}, same).steps.empty());
    EXPECT_TRUE(run({Action::rename("{modified}")}, same, true).steps.empty());
    // A name that differs in case only is another name.
    fs::path lower = make("w/scan.pdf");
    applied = run({Action::rename("Scan")}, lower);
    expectStep(applied.steps.at(0), Step::Kind::move, lower, dir / "w" / "Scan.pdf");

    // Two renames both start from the name the file had.
    fs::path twice = make("w/b.txt");
    applied = run({Action::rename("{name}1"), Action::rename("{name}2")}, twice);
    ASSERT_EQ(applied.steps.size(), 2u);
    expectStep(applied.steps[1], Step::Kind::move, dir / "w" / "b1.txt", dir / "w" / "b2.txt");
}

TEST_F(Perform, SortsIntoRenderedSubfolders)
{
    fs::path file = make("w/a.pdf");
    Applied applied = run({Action::sortInto("Invoices//{modified:yyyy}/")}, file);
    expectStep(applied.steps.at(0), Step::Kind::move, file, dir / "w" / "Invoices" / "2024" / "a.pdf");

    // Slashes alone name no subfolder: the file would only take a new name
    // in its own folder. Rules from a file reach here unvalidated.
    fs::path other = make("w/b.pdf");
    for (const char* path : {"/", "///", ""}) {
        SCOPED_TRACE(path);
        applied = run({Action::sortInto(path)}, other);
        EXPECT_TRUE(applied.steps.empty());
        EXPECT_EQ(applied.error, *path ? "sortInto needs a subfolder name, not only slashes"
                                       : "rename and sortInto need a pattern");
        EXPECT_TRUE(fs::exists(other));
    }

    // The path is split at "/" before tokens are read.
    applied = run({Action::sortInto("{now:yyyy/MM}")}, other);
    expectStep(applied.steps.at(0), Step::Kind::move, other, dir / "w" / "{now-yyyy" / "MM}" / "b.pdf");
}

TEST_F(Perform, RenderedNamesCannotLeaveTheirFolder)
{
    fs::path file = make("w/deep/notes");
    auto before = tree();
    Applied applied = run({Action::rename("..")}, file);
    EXPECT_TRUE(applied.steps.empty());
    EXPECT_EQ(applied.error, "pattern .. rendered “..”, which can't be used as a name");
    EXPECT_EQ(run({Action::rename(" . ")}, file).error, "pattern  .  rendered “.”, which can't be used as a name");
    EXPECT_EQ(run({Action::sortInto("a/../../b")}, file).error, "pattern .. rendered “..”, which can't be used as a name");
    EXPECT_EQ(run({Action::sortInto("./x")}, file, true).error, "pattern . rendered “.”, which can't be used as a name");
    EXPECT_EQ(run({Action::rename(std::string("a\0b", 3))}, file).steps.size(), 0u);
    EXPECT_EQ(tree(), before);
    // Dots that do not make a whole segment are ordinary names.
    EXPECT_EQ(run({Action::rename("..x")}, file).steps.size(), 1u);
}

TEST_F(Perform, TagsAreAddedAndRemovedCaseSensitively)
{
    fs::path file = make("w/a.txt");
    xattr::write(file, "user.xdg.tags", "Red");
    EXPECT_TRUE(run({Action::addTags({"Red"})}, file).steps.empty());
    EXPECT_TRUE(run({Action::removeTags({"Blue"})}, file).steps.empty());

    Applied applied = run({Action::addTags({"red", "Work", "Work"})}, file);
    ASSERT_EQ(applied.steps.size(), 1u);
    const Step& step = applied.steps[0];
    expectStep(step, Step::Kind::tags, file, std::nullopt);
    EXPECT_EQ(step.tagsBefore, std::vector<std::string>{"Red"});
    EXPECT_EQ(step.note, "Red, red, Work, Work");
    EXPECT_EQ(step.key, FileInfo::keyFor(file));
    EXPECT_EQ(platform::readTags(file), (std::vector<std::string>{"Red", "red", "Work", "Work"}));

    applied = run({Action::removeTags({"Work", "Red"})}, file);
    EXPECT_EQ(applied.steps.at(0).note, "red");
    EXPECT_EQ(xattr::read(file, "user.xdg.tags"), "red");
    applied = run({Action::removeTags({"red"})}, file);
    EXPECT_EQ(applied.steps.at(0).note, "");
    EXPECT_FALSE(xattr::read(file, "user.xdg.tags"));

    applied = run({Action::addTags({"a,b"})}, file);
    EXPECT_TRUE(applied.steps.empty());
    EXPECT_EQ(applied.error, "the tag “a,b” can't be stored because tags can't contain a comma");
    EXPECT_TRUE(platform::readTags(file).empty());
}

TEST_F(Perform, TrashEndsTheRun)
{
    fs::path file = make("w/old.log");
    Applied applied = run({Action::trash(), Action::move((dir / "Elsewhere").string())}, file);
    EXPECT_FALSE(applied.error);
    ASSERT_EQ(applied.steps.size(), 1u);
    fs::path trashed = trash / "files" / "old.log";
    expectStep(applied.steps[0], Step::Kind::trash, file, trashed);
    EXPECT_EQ(applied.steps[0].key, FileInfo::keyFor(trashed));
    EXPECT_TRUE(fs::exists(trash / "info" / "old.log.trashinfo"));
    EXPECT_FALSE(fs::exists(dir / "Elsewhere"));
}

TEST_F(Perform, ShellStepsNoteTheOutput)
{
    fs::path file = make("w/a.txt");
    Applied applied = run({Action::shell("print -r -- \"got $1\"")}, file);
    ASSERT_EQ(applied.steps.size(), 1u);
    expectStep(applied.steps[0], Step::Kind::shell, file, std::nullopt);
    EXPECT_EQ(applied.steps[0].note, "got " + file.string());
    EXPECT_FALSE(applied.steps[0].key);
}

TEST_F(Perform, AFailureKeepsTheStepsBeforeIt)
{
    fs::path file = make("w/a.txt");
    Applied applied = run({Action::move((dir / "Done").string()), Action::rename("{size}"), Action::trash()}, file);
    ASSERT_EQ(applied.steps.size(), 1u);
    EXPECT_EQ(applied.error, "unknown token {size}");
    EXPECT_TRUE(fs::exists(dir / "Done" / "a.txt"));

    fs::path second = make("w/b.txt");
    applied = run({Action::shell("echo boom; exit 3"), Action::trash()}, second);
    EXPECT_TRUE(applied.steps.empty());
    EXPECT_EQ(applied.error, "script exited 3: boom");
    EXPECT_TRUE(fs::exists(second));

    // A destination that cannot be a folder.
    make("blocker");
    applied = run({Action::move((dir / "blocker").string())}, second);
    ASSERT_TRUE(applied.error);
    EXPECT_TRUE(applied.error->starts_with("couldn't create the folder “" + (dir / "blocker").string() + "”"))
        << *applied.error;
    EXPECT_TRUE(fs::exists(second));

    EXPECT_FALSE(run({}, second).error);
    EXPECT_TRUE(run({}, second).steps.empty());
}

TEST_F(Perform, ADryRunDescribesWithoutChangingAnything)
{
    fs::path file = make("w/a.pdf");
    make("Archive/a.pdf");
    xattr::write(file, "user.xdg.tags", "Blue");
    auto before = tree();
    Applied applied = run({Action::copy((dir / "Copies").string()), Action::move((dir / "Archive").string()),
                           Action::rename("{name} {modified:yyyy}"), Action::sortInto("{now:yyyy}"),
                           Action::addTags({"Red"}), Action::shell("touch " + (dir / "ran").string()), Action::trash(),
                           Action::rename("never")},
                          file, true);
    EXPECT_EQ(tree(), before);
    EXPECT_FALSE(applied.error);
    ASSERT_EQ(applied.steps.size(), 7u);
    fs::path renamed = dir / "Archive" / "a 2024.pdf";
    fs::path sorted = dir / "Archive" / "2024" / "a 2024.pdf";
    expectStep(applied.steps[0], Step::Kind::copy, file, dir / "Copies" / "a.pdf");
    expectStep(applied.steps[1], Step::Kind::move, file, dir / "Archive" / "a 2.pdf");
    expectStep(applied.steps[2], Step::Kind::move, dir / "Archive" / "a 2.pdf", renamed);
    expectStep(applied.steps[3], Step::Kind::move, renamed, sorted);
    // The tags are read where the file would be, and no file is there yet.
    expectStep(applied.steps[4], Step::Kind::tags, sorted, std::nullopt);
    EXPECT_EQ(applied.steps[4].tagsBefore, std::vector<std::string>{});
    EXPECT_EQ(applied.steps[4].note, "Red");
    expectStep(applied.steps[5], Step::Kind::shell, sorted, std::nullopt);
    EXPECT_EQ(applied.steps[5].note, "not run in dry-run");
    expectStep(applied.steps[6], Step::Kind::trash, sorted, std::nullopt);
    for (const Step& step : applied.steps) EXPECT_FALSE(step.key);
}
