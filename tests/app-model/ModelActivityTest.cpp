#include "Core/facts/FileInfo.h"
#include "Core/model/RuleVersion.h"
#include "Core/platform/CopyStop.h"
#include "Core/platform/FileTransfer.h"
#include "Core/store/Store.h"
#include "OlvaApp/Model/ModelTesting.h"
#include "tests/support/PrivateMounts.h"
#include "tests/support/app/ModelFixture.h"
#include "tests/tool/Spawn.h"

#include <QSignalSpy>

#include <algorithm>
#include <atomic>
#include <fstream>

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;

namespace {

class ModelActivity : public ModelFixture {
public:
    // Watches Inbox with a live rule that moves PDFs to Done, then Later.
    void watchInbox(std::vector<Action> actions = {})
    {
        inbox = folder("Inbox");
        done = folder("Done");
        later = folder("Later");
        if (actions.empty()) actions = {Action::move(done.string())};
        writeRules(Config{.paused = false, .folders = {watched(inbox, {extRule("PDFs", "pdf", actions)})}, .bookmarks = {}});
    }

    // Starts the model and lets the engine handle what the inbox holds,
    // then brings its entries into the model.
    void startAndSettle(std::size_t entries)
    {
        ASSERT_TRUE(start());
        ASSERT_TRUE(eventually([&] { return store->entries().size() >= entries; }));
        settle();
        ASSERT_TRUE(until([&] { return model().entries().size() >= entries; }));
    }

    // Waits until the engine's pass is over and its reports reached the
    // model, then runs the delayed refresh.
    void settle()
    {
        app::ModelTesting::engine(model())->config();
        QCoreApplication::processEvents();
        clock.advance(200ms);
    }

    const Entry& entryFor(const std::string& name)
    {
        auto& entries = model().entries();
        auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) {
            return !entry.undoOf && std::filesystem::path(entry.file).filename() == name;
        });
        if (found == entries.end()) throw std::runtime_error("no entry for " + name);
        return *found;
    }

    std::filesystem::path inbox, done, later;
};

Entry failedRun(Date at)
{
    Entry entry;
    entry.at = at;
    entry.file = "/in/a.pdf";
    entry.rule = "Tidy";
    entry.error = "it failed";
    return entry;
}

}  // namespace

TEST_F(ModelActivity, EngineRunsShowUpThroughOneDelayedReadPerBurst)
{
    watchInbox();
    for (int i = 0; i < 5; ++i) writeFile(inbox / ("f" + std::to_string(i) + ".pdf"), "x");
    ASSERT_TRUE(start());
    ASSERT_TRUE(eventually([&] { return store->entries().size() == 5; }));
    app::ModelTesting::engine(model())->config();
    QCoreApplication::processEvents();

    EXPECT_EQ(app::ModelTesting::logReadCount(model()), 1);  // the start's
    EXPECT_EQ(clock.pending(), 1u);
    clock.advance(199ms);
    EXPECT_EQ(app::ModelTesting::logReadCount(model()), 1);
    clock.advance(1ms);
    ASSERT_TRUE(until([&] { return model().entries().size() == 5; }));
    EXPECT_EQ(app::ModelTesting::logReadCount(model()), 2);
    EXPECT_TRUE(std::filesystem::exists(done / "f3.pdf"));
}

TEST_F(ModelActivity, ReadsAreSingleFlightAndTakeOnlyNewLines)
{
    store->append(failedRun(clock.now()));
    ASSERT_TRUE(start());
    ASSERT_EQ(model().entries().size(), 1u);
    const LogPosition position = app::ModelTesting::logPosition(model());

    // Nothing new: nothing notifies.
    QSignalSpy entriesChanged(&model(), &app::Model::entriesChanged);
    QSignalSpy revertedChanged(&model(), &app::Model::revertedStepsChanged);
    QFuture<void> read = model().refresh();
    ASSERT_TRUE(until([&] { return read.isFinished(); }));
    EXPECT_EQ(entriesChanged.count(), 0);
    EXPECT_EQ(revertedChanged.count(), 0);
    EXPECT_EQ(app::ModelTesting::logPosition(model()), position);

    // Three requests during one read make one more read.
    store->append(failedRun(clock.now()));
    const int before = app::ModelTesting::logReadCount(model());
    read = model().refresh();
    model().refresh();
    model().refresh();
    ASSERT_TRUE(until([&] { return read.isFinished(); }));
    EXPECT_EQ(app::ModelTesting::logReadCount(model()), before + 2);
    EXPECT_EQ(model().entries().size(), 2u);
    EXPECT_EQ(entriesChanged.count(), 1);
    EXPECT_EQ(revertedChanged.count(), 0);

    // Appended entries are found by id, and an undo among them counts.
    const Entry first = model().entries()[0];
    Entry undo = failedRun(clock.now());
    undo.undoOf = first.id;
    store->append(undo);
    read = model().refresh();
    ASSERT_TRUE(until([&] { return read.isFinished(); }));
    EXPECT_EQ(revertedChanged.count(), 1);
    EXPECT_EQ(model().revertedSteps(), (app::RevertedSteps{{first.id, 0}}));
    const auto ids = [](const std::vector<Entry>& entries) {
        std::vector<std::string> found;
        for (const Entry& entry : entries) found.push_back(entry.id);
        return found;
    };
    EXPECT_EQ(ids(model().entriesWithIds({undo.id, first.id})), (std::vector<std::string>{first.id, undo.id}));

    // A rotated log is read whole and replaces the list, and what is looked
    // up in it.
    const Entry fresh = failedRun(clock.now());
    writeFile(dataDir() / "log.new", logLine(fresh));
    std::filesystem::rename(dataDir() / "log.new", dataDir() / "log.json");
    read = model().refresh();
    ASSERT_TRUE(until([&] { return read.isFinished(); }));
    EXPECT_EQ(model().entries().size(), 1u);
    EXPECT_EQ(ids(model().entriesWithIds({undo.id, first.id, fresh.id})), (std::vector<std::string>{fresh.id}));
    EXPECT_TRUE(model().revertedSteps().empty());
}

TEST_F(ModelActivity, NeedsAttentionEndsWhenTheNewestFailureTurnsOneHourOld)
{
    store->append(failedRun(clock.now() - 3600s));  // exactly an hour: not recent
    ASSERT_TRUE(start());
    EXPECT_FALSE(model().hasRecentError());

    store->append(failedRun(clock.now() - 3540s));
    QSignalSpy changed(&model(), &app::Model::hasRecentErrorChanged);
    QFuture<void> read = model().refresh();
    ASSERT_TRUE(until([&] { return read.isFinished(); }));
    EXPECT_TRUE(model().hasRecentError());
    clock.advance(59s);
    EXPECT_TRUE(model().hasRecentError());
    clock.advance(1s);
    EXPECT_FALSE(model().hasRecentError());
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(ModelActivity, RevertsSelectedEntriesAndReportsFailuresInTheirOrder)
{
    watchInbox();
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) writeFile(inbox / name, name);
    startAndSettle(3);
    std::vector<Entry> runs = {entryFor("a.pdf"), entryFor("b.pdf"), entryFor("c.pdf")};

    // Something now stands where a and c came from.
    std::filesystem::create_directory(inbox / "a.pdf");
    std::filesystem::create_directory(inbox / "c.pdf");
    QFuture<void> reverted = model().revertEntries(runs);
    ASSERT_TRUE(until([&] { return reverted.isFinished(); }));
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Couldn’t Revert 2 Files");
    EXPECT_EQ(model().problem()->message, "a.pdf: " + QString::fromStdString((inbox / "a.pdf").string()) + " already exists");
    EXPECT_TRUE(std::filesystem::is_regular_file(inbox / "b.pdf"));
    EXPECT_TRUE(model().isFullyReverted(entryFor("b.pdf")));
    EXPECT_FALSE(model().isFullyReverted(entryFor("a.pdf")));

    // One failure names the file in the title.
    model().setProblem(std::nullopt);
    reverted = model().revertEntries({entryFor("c.pdf")});
    ASSERT_TRUE(until([&] { return reverted.isFinished(); }));
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Couldn’t Revert c.pdf");
    EXPECT_EQ(model().problem()->message, QString::fromStdString((inbox / "c.pdf").string()) + " already exists");

    // Fully reverted entries, dry runs and undo records are passed over.
    const int reads = app::ModelTesting::logReadCount(model());
    reverted = model().revertEntries({entryFor("b.pdf")});
    EXPECT_TRUE(reverted.isFinished());
    EXPECT_EQ(app::ModelTesting::logReadCount(model()), reads);
}

TEST_F(ModelActivity, RevertsOfTheSameEntryAskedBackToBackAreOne)
{
    watchInbox();
    for (const char* name : {"a.pdf", "b.pdf"}) writeFile(inbox / name, name);
    startAndSettle(2);
    const Entry a = entryFor("a.pdf"), b = entryFor("b.pdf");

    // A double click, then the menu with one more entry, then the toolbar.
    std::vector<QFuture<void>> asked{model().revertEntries({a}), model().revertEntries({a, b}),
                                     model().revertEntries({a})};
    // The last one waits for the revert that answers for it.
    EXPECT_FALSE(asked.back().isFinished());
    ASSERT_TRUE(until([&] {
        return std::all_of(asked.begin(), asked.end(), [](const QFuture<void>& f) { return f.isFinished(); });
    }));
    EXPECT_FALSE(model().problem()) << model().problem()->message.toStdString();
    EXPECT_TRUE(std::filesystem::is_regular_file(inbox / "a.pdf"));
    EXPECT_TRUE(std::filesystem::is_regular_file(inbox / "b.pdf"));
    const auto logged = store->entries();
    EXPECT_EQ(std::count_if(logged.begin(), logged.end(), [](const Entry& entry) { return entry.undoOf.has_value(); }),
              2);

    // Once over, the entry is no longer under way: asking again is passed
    // over as fully reverted.
    ASSERT_TRUE(until([&] { return model().isFullyReverted(entryFor("a.pdf")); }));
    EXPECT_TRUE(model().revertEntries({entryFor("a.pdf")}).isFinished());
}

TEST_F(ModelActivity, APartlyRevertedEntryResumesWhereItStopped)
{
    watchInbox({Action::move(folder("Done").string()), Action::move(folder("Later").string())});
    writeFile(inbox / "a.pdf", "a");
    startAndSettle(1);
    Entry run = entryFor("a.pdf");
    ASSERT_EQ(run.steps.size(), 2u);

    std::filesystem::create_directory(inbox / "a.pdf");
    QFuture<void> reverted = model().revertEntries({run});
    ASSERT_TRUE(until([&] { return reverted.isFinished(); }));
    ASSERT_TRUE(model().problem());
    EXPECT_TRUE(std::filesystem::exists(done / "a.pdf"));
    EXPECT_EQ(model().revertedSteps().at(run.id), 1u);

    std::filesystem::remove(inbox / "a.pdf");
    model().setProblem(std::nullopt);
    reverted = model().revertEntries({run});
    ASSERT_TRUE(until([&] { return reverted.isFinished(); }));
    EXPECT_FALSE(model().problem());
    EXPECT_TRUE(std::filesystem::is_regular_file(inbox / "a.pdf"));
    EXPECT_TRUE(model().isFullyReverted(run));
}

TEST_F(ModelActivity, QuittingCutsShortTheCopyOfAnUndoInFlightAndLeavesNothing)
{
    PrivateMounts mounts;
    if (!mounts.unavailable().empty()) GTEST_SKIP() << mounts.unavailable();
    const std::filesystem::path away = folder("Away");
    if (!mounts.mountTmpfs(away, "64m")) GTEST_SKIP() << "no tmpfs to move to: " << mounts.failure();
    watchInbox({Action::move(away.string())});
    const std::string contents(12 << 20, 'u');  // more than one chunk
    writeFile(inbox / "a.pdf", contents);
    startAndSettle(1);
    const Entry run = entryFor("a.pdf");

    // The undo's copy back holds after its first chunk until it is asked to stop.
    std::atomic<bool> held = false;
    platform::setCopyChunkHook([&](const auto&, const auto&) {
        held = true;
        platform::waitForCopyStop();
    });
    QFuture<void> reverted = model().revertEntries({run});
    ASSERT_TRUE(until([&] { return held.load(); }));
    restart();  // the app quits
    platform::setCopyChunkHook({});

    EXPECT_EQ(readFile(away / "a.pdf"), contents);
    for (const auto& item : std::filesystem::directory_iterator(inbox))
        EXPECT_FALSE(platform::isTemporaryCopyName(item.path().filename().string())) << item.path();
    EXPECT_FALSE(std::filesystem::exists(inbox / "a.pdf"));
    const auto logged = store->entries();
    EXPECT_TRUE(std::none_of(logged.begin(), logged.end(), [](const Entry& entry) { return entry.undoOf.has_value(); }));

    // Started again, the undo brings the file back whole.
    ASSERT_TRUE(start());
    ASSERT_TRUE(until([&] { return !model().entries().empty(); }));
    reverted = model().revertEntries({entryFor("a.pdf")});
    ASSERT_TRUE(until([&] { return reverted.isFinished(); }));
    EXPECT_FALSE(model().problem());
    EXPECT_EQ(readFile(inbox / "a.pdf"), contents);
    EXPECT_FALSE(std::filesystem::exists(away / "a.pdf"));
}

TEST_F(ModelActivity, AnUndoByTheToolArrivesWithItsSeenFiles)
{
    watchInbox();
    writeFile(inbox / "a.pdf", "a");
    startAndSettle(1);
    const std::string id = entryFor("a.pdf").id;

    Finished undo = runOlva({"undo", id.substr(0, 8)});
    ASSERT_EQ(undo.status, 0) << undo.err;
    ASSERT_TRUE(until([&] { return model().isFullyReverted(entryFor("a.pdf")); }));
    EXPECT_TRUE(model().entries().back().undoOf == id);

    // The engine takes in what the tool marked in the seen file.
    writeFile(inbox / "b.txt", "b");
    Seen seen = store->loadSeen();
    seen[FileInfo(inbox / "b.txt").key()].insert(ruleVersion(model().config().folders[0].rules[0]));
    store->saveSeen(seen);
    Store::announce(Store::activityChanged);
    EXPECT_TRUE(until([&] {
        auto rules = app::ModelTesting::engine(model())->explain(inbox / "b.txt");
        return rules.size() == 1 && rules[0].alreadyApplied;
    }));
}

TEST_F(ModelActivity, SelectedEntriesAndProblemFolders)
{
    Entry first = failedRun(clock.now()), second = failedRun(clock.now()), undo = failedRun(clock.now());
    undo.undoOf = first.id;
    for (const Entry& entry : {first, second, undo}) store->append(entry);
    auto inbox = folder("Inbox");
    writeRules(Config{.paused = false, .folders = {watched(inbox), watched(home() / "Gone")}, .bookmarks = {}});
    ASSERT_TRUE(start());

    model().setSelectedEntries({undo.id, first.id});
    std::vector<std::string> ids;
    for (const Entry& entry : model().selectedEntryList()) ids.push_back(entry.id);
    EXPECT_EQ(ids, (std::vector<std::string>{first.id, undo.id}));
    model().setSelection(app::Selection::folder(0));
    EXPECT_TRUE(model().selectedEntryList().empty());

    ASSERT_TRUE(until([&] { return model().folderStatus().size() == 2; }));
    auto problems = model().problemFolders();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].path, (home() / "Gone").string());

    model().setActivityScope(app::ActivityScope::problems);
    model().showActivity(second.id);
    EXPECT_EQ(model().selection(), app::Selection::activity());
    EXPECT_EQ(model().activityScope(), app::ActivityScope::all);
    EXPECT_EQ(model().selectedEntries(), std::set<std::string>{second.id});
    EXPECT_EQ(window.presented, 1);
}

TEST_F(ModelActivity, ALogThatCannotBeWrittenOrReadWholeIsReported)
{
    // Broken lines are passed over.
    store->append(failedRun(clock.now()));
    std::ofstream(dataDir() / "log.json", std::ios::app) << "{\"id\": broken\n";
    store->append(failedRun(clock.now()));
    watchInbox();
    ASSERT_TRUE(start());
    EXPECT_EQ(model().entries().size(), 2u);
    EXPECT_FALSE(model().storeProblem());

    // A log that cannot be written: the engine's problem reaches the model.
    std::filesystem::rename(dataDir() / "log.json", dataDir() / "log.1.json");
    std::filesystem::create_directory(dataDir() / "log.json");
    writeFile(inbox / "a.pdf", "a");
    model().runRulesNow();
    ASSERT_TRUE(until([&] { return model().storeProblem().has_value(); }));
    EXPECT_TRUE(model().storeProblem()->startsWith("Olva can’t write to " + QString::fromStdString(dataDir().string())))
        << model().storeProblem()->toStdString();
}
