// `olva once` and `olva run` with the data directory on a full disk: they
// stop acting at the first run that cannot be written, leave no partial
// line, say so, resume soon after room is made, and lose no run.
#include "Core/store/Journal.h"
#include "Core/platform/FileMetadata.h"
#include "tests/tool/FullDisk.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
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
    ASSERT_TRUE(child.waitForError(message() + "\n", 15s)) << "it stopped without a word";
    std::size_t moved = archived();
    EXPECT_LT(moved, std::size_t(kFiles));

    disk.makeRoom(&child);
    EXPECT_TRUE(eventually([&] { return archived() == std::size_t(kFiles); }, 15s)) << archived() << " moved";
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
    ASSERT_TRUE(child.waitForError(message() + "\n", 15s));
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
            ASSERT_TRUE(child.waitForError(message() + "\n", 15s)) << "it stopped without a word";
            EXPECT_EQ(halfDone(), 0u);
            disk.makeRoom(&child);
            EXPECT_TRUE(eventually([&] { return archived() == std::size_t(2 * kFiles + 1); }, 15s)) << archived();
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
