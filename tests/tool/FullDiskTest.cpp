// `olva once` and `olva run` with the data directory on a full disk: they
// stop acting at the first run that cannot be written, leave no partial
// line, say so, resume soon after room is made, and lose no run.
#include "Core/store/Journal.h"
#include "Core/platform/FileMetadata.h"
#include "tests/tool/FullDisk.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <set>

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 30;

class FullDataDirectory : public ::testing::Test {
protected:
    FullDataDirectory()
    {
        fs::create_directories(archive());
        if (!disk.mounted()) std::cerr << "[          ] no mount here: a file size limit stands in for the full disk\n";
        // The data directory is empty again on its own file system.
        fixture.watch(fixture.inbox(), {extRule("Archive", "dat", Action::move(archive().string()))});
    }

    fs::path archive() const { return fixture.temp / "Archive"; }

    void dropFiles()
    {
        for (int i = 0; i < kFiles; ++i) writeFile(fixture.inbox() / ("f" + std::to_string(i) + ".dat"), "x");
    }

    std::size_t archived() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(archive()), fs::directory_iterator()));
    }

    std::string message() const { return "Olva can’t write to " + fixture.home().string() + ": " + disk.reason(); }

    // Standard error says why, and nothing else: once for each time writing
    // failed after it had worked (where a little room is left, small records
    // may still fit between larger ones that do not).
    bool saysOnlyWhy(const std::string& err) const
    {
        if (err.empty()) return false;
        std::string line = message() + "\n";
        for (std::size_t at = 0; at < err.size(); at += line.size())
            if (err.compare(at, line.size(), line) != 0) return false;
        return true;
    }

    // Every line of the log is whole and one entry; the file names logged.
    std::set<std::string> loggedFiles()
    {
        std::string bytes = readFile(fixture.home() / "log.json");
        EXPECT_TRUE(bytes.empty() || bytes.back() == '\n') << "a partial line was left behind";
        auto entries = parseLogLines(bytes);
        EXPECT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')), entries.size());
        std::set<std::string> files;
        for (const auto& entry : entries) EXPECT_TRUE(files.insert(fs::path(entry.file).filename()).second) << entry.file;
        return files;
    }

    ToolFixture fixture;
    FullDisk disk{fixture.home()};
};

}  // namespace

TEST_F(FullDataDirectory, OnceStopsAtTheFirstRunItCannotWriteAndTheNextOnceLogsIt)
{
    dropFiles();
    disk.leaveRoom(16 * 1024);
    Finished full = runOlva({"once"}, disk.limited(fixture.inHome()));
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, message() + "\n");
    std::size_t moved = archived();
    EXPECT_GT(moved, 0u);
    EXPECT_LT(moved, std::size_t(kFiles)) << "it went on acting";
    // At most the one run whose entry failed is missing from the log; the
    // journal keeps it.
    std::size_t logged = loggedFiles().size();
    EXPECT_TRUE(logged == moved || logged + 1 == moved) << logged << " logged, " << moved << " moved";

    disk.makeRoom();
    Finished freed = runOlva({"once"}, fixture.inHome());
    EXPECT_EQ(freed.status, 0) << freed.err;
    EXPECT_EQ(archived(), std::size_t(kFiles));
    EXPECT_EQ(loggedFiles().size(), std::size_t(kFiles));
    EXPECT_TRUE(fixture.store()->readJournal({}).runs.empty());
}

TEST_F(FullDataDirectory, RunSaysWhyItStoppedAndResumesOnceThereIsRoom)
{
    disk.leaveRoom(16 * 1024);
    Child child({"run"}, disk.limited(fixture.inHome()));
    ASSERT_TRUE(child.waitForOutput("ctrl-c to stop\n"));
    dropFiles();
    ASSERT_TRUE(child.waitForError(message() + "\n")) << "it stopped without a word";
    std::size_t moved = archived();
    EXPECT_LT(moved, std::size_t(kFiles));

    disk.makeRoom(&child);
    EXPECT_TRUE(eventually([&] { return archived() == std::size_t(kFiles); })) << archived() << " moved";
    child.signal(SIGTERM);
    Finished finished = child.finish();
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_TRUE(saysOnlyWhy(finished.err)) << finished.err;
    EXPECT_EQ(loggedFiles().size(), std::size_t(kFiles));
}

TEST_F(FullDataDirectory, RunStoppedWhileTheDiskIsFullLosesNothing)
{
    disk.leaveRoom(16 * 1024);
    Child child({"run"}, disk.limited(fixture.inHome()));
    ASSERT_TRUE(child.waitForOutput("ctrl-c to stop\n"));
    dropFiles();
    ASSERT_TRUE(child.waitForError(message() + "\n"));
    child.signal(SIGTERM);
    Finished finished = child.finish();
    // Status 1 when something it did is still unwritten as it ends, which
    // depends on where the room ran out.
    EXPECT_TRUE(finished.status == 0 || finished.status == 1) << finished.status;
    EXPECT_TRUE(saysOnlyWhy(finished.err)) << finished.err;

    // The next start logs what the journal kept, and handles the rest.
    disk.makeRoom();
    ASSERT_EQ(runOlva({"once"}, fixture.inHome()).status, 0);
    EXPECT_EQ(archived(), std::size_t(kFiles));
    EXPECT_EQ(loggedFiles().size(), std::size_t(kFiles));
    EXPECT_TRUE(fixture.store()->readJournal({}).runs.empty());
}

TEST_F(FullDataDirectory, NoFileIsLeftHalfDoneByARunThatCouldNotBeWritten)
{
    // A rule of two steps: a run stopped between them for want of room would
    // leave its file tagged and not moved.
    fixture.watch(fixture.inbox(), {extRule("Tag and archive", "dat", Action::addTags({"Filed"}))});
    Config config = fixture.config();
    config.folders[0].rules[0].actions.push_back(Action::move(archive().string()));
    fixture.store()->saveConfig(config);
    auto halfDone = [&] {
        std::size_t count = 0;
        for (const auto& item : fs::directory_iterator(fixture.inbox())) count += !platform::readTags(item.path()).empty();
        for (const auto& item : fs::directory_iterator(archive())) count += platform::readTags(item.path()).empty();
        return count;
    };
    // Olva has run here before: its files are there when the disk fills.
    writeFile(fixture.inbox() / "first.dat", "x");
    ASSERT_EQ(runOlva({"once"}, fixture.inHome()).status, 0);

    for (const char* command : {"once", "run"}) {
        SCOPED_TRACE(command);
        dropFiles();
        disk.leaveRoom(0);
        if (std::string(command) == "once") {
            Finished full = runOlva({"once"}, disk.limited(fixture.inHome()));
            EXPECT_EQ(full.status, 1);
            EXPECT_EQ(full.err, message() + "\n");
            EXPECT_EQ(halfDone(), 0u);
            disk.makeRoom();
            Finished freed = runOlva({"once"}, fixture.inHome());
            EXPECT_EQ(freed.status, 0) << freed.err;
        } else {
            Child child({"run"}, disk.limited(fixture.inHome()));
            ASSERT_TRUE(child.waitForError(message() + "\n")) << "it stopped without a word";
            EXPECT_EQ(halfDone(), 0u);
            disk.makeRoom(&child);
            EXPECT_TRUE(eventually([&] { return archived() == std::size_t(2 * kFiles + 1); })) << archived();
            child.signal(SIGTERM);
            EXPECT_EQ(child.finish().status, 0);
        }
        EXPECT_EQ(halfDone(), 0u);
        // Every run is logged whole, with both of its steps, and can be undone.
        for (const auto& entry : fixture.store()->entries()) {
            EXPECT_EQ(entry.steps.size(), 2u) << entry.file;
            EXPECT_FALSE(entry.error) << *entry.error;
        }
    }
    auto entries = fixture.store()->entries();
    EXPECT_EQ(entries.size(), std::size_t(2 * kFiles + 1));
    Finished undone = runOlva({"undo", entries.back().id.substr(0, 8)}, fixture.inHome());
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_TRUE(platform::readTags(entries.back().file).empty());
}

// The journal's room set aside lets the records of a run in the middle in
// when the disk fills up; once that room too is gone, the announcement of
// the run's next change fails. The run then stops before that change and
// waits: `run` goes on with it once writing works, and the run is logged
// as one entry with every step, its file not left half done. `once` ends
// with the run waiting; the next start logs what it did, as for a run cut
// short. Either way every change made can be undone, and none is made twice.
TEST(JournalOutOfRoom, ARunThatCannotAnnounceItsNextChangeWaitsAndEndsWhole)
{
    struct Case {
        const char* name;
        const char* command;
        std::vector<Action> actions;  // "{archive}" is the folder Archive
        const char* refused;          // the kind of change the journal refuses
        const char* waitsAs;          // where the file is while it waits
        const char* endsAs;           // where `run` leaves it
    };
    const std::vector<Case> cases = {
        {"tag, then move", "run", {Action::addTags({"Filed"}), Action::move("{archive}")}, "move", "Inbox/a.dat",
         "Archive/a.dat"},
        {"rename, then tag", "run", {Action::rename("{name}-r"), Action::addTags({"Filed"})}, "tags",
         "Inbox/a-r.dat", "Inbox/a-r.dat"},
        {"tag, then move, once", "once", {Action::addTags({"Filed"}), Action::move("{archive}")}, "move",
         "Inbox/a.dat", nullptr},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ToolFixture fixture;
        const fs::path archive = fixture.temp / "Archive";
        fs::create_directories(archive);
        Rule rule;
        rule.name = "File";
        rule.match = Group{Group::Mode::all, {Condition{Attr::ext, Op::is, "dat"}}};
        for (Action action : test.actions) {
            if (action.text == "{archive}") action.text = archive.string();
            rule.actions.push_back(action);
        }
        fixture.watch(fixture.inbox(), {rule});
        const fs::path original = fixture.inbox() / "a.dat";
        writeFile(original, "the file");
        const fs::path waiting = fixture.temp / test.waitsAs;
        auto filed = [](const fs::path& file) { return platform::readTags(file) == std::vector<std::string>{"Filed"}; };
        const std::string full = "Olva can’t write to " + fixture.home().string() + ": " + std::strerror(ENOSPC) + "\n";

        SpawnOptions options = fixture.inHome();
        options.env["OLVA_TEST_FULL"] = test.refused;
        writeFile(fixture.home() / "test-full", "");
        if (std::string(test.command) == "run") {
            Child child({"run"}, options);
            ASSERT_TRUE(child.waitForError(full)) << "it went on";
            // Its first change made, the second not: the run waits.
            EXPECT_TRUE(fs::exists(waiting));
            EXPECT_EQ(filed(waiting), test.refused == std::string("move"));
            EXPECT_TRUE(fixture.store()->entries().empty());
            fs::remove(fixture.home() / "test-full");
            EXPECT_TRUE(eventually([&] { return fixture.store()->entries().size() == 1; })) << "never went on";
            child.signal(SIGTERM);
            Finished finished = child.finish();
            EXPECT_EQ(finished.status, 0) << finished.err;
            EXPECT_EQ(finished.err, full);
            auto entries = fixture.store()->entries();
            ASSERT_EQ(entries.size(), 1u);
            EXPECT_EQ(entries[0].steps.size(), 2u);
            EXPECT_FALSE(entries[0].error) << *entries[0].error;
            const fs::path ended = fixture.temp / test.endsAs;
            EXPECT_TRUE(fs::exists(ended));
            EXPECT_TRUE(filed(ended));
        } else {
            Finished stopped = runOlva({"once"}, options);
            EXPECT_EQ(stopped.status, 1);
            EXPECT_EQ(stopped.err, full);
            EXPECT_TRUE(fs::exists(waiting));
            EXPECT_TRUE(filed(waiting));
            fs::remove(fixture.home() / "test-full");
            Finished next = runOlva({"once"}, options);
            EXPECT_EQ(next.status, 0) << next.err;
            auto entries = fixture.store()->entries();
            ASSERT_EQ(entries.size(), 1u);
            ASSERT_EQ(entries[0].steps.size(), 1u);
            EXPECT_EQ(entries[0].steps[0].kind, Step::Kind::tags);
        }
        // Nothing open in the journal, nothing to do again.
        EXPECT_TRUE(fixture.store()->readJournal({}).runs.empty());
        EXPECT_EQ(runOlva({"once"}, fixture.inHome()).out, "");

        // Undone, every change is taken back: the file is as it was.
        Finished undone = runOlva({"undo", fixture.store()->entries()[0].id.substr(0, 8)}, fixture.inHome());
        EXPECT_EQ(undone.status, 0) << undone.err;
        EXPECT_EQ(readFile(original), "the file");
        EXPECT_TRUE(platform::readTags(original).empty());
        EXPECT_EQ(std::distance(fs::directory_iterator(archive), fs::directory_iterator()), 0);
        EXPECT_EQ(std::distance(fs::directory_iterator(fixture.inbox()), fs::directory_iterator()), 1);
    }
}
