#include "Core/store/Store.h"
#include "Core/platform/FileLock.h"
#include "OlvaApp/Model/Bookmarks.h"
#include "OlvaApp/Model/ModelTesting.h"
#include "tests/support/app/ModelFixture.h"

#include <QSignalSpy>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace olva;
using namespace olva::test;
using app::Selection;

namespace {

class ModelStart : public ModelFixture {};

Entry loggedRun(const std::string& file, std::optional<std::string> error = std::nullopt)
{
    Entry entry;
    entry.file = file;
    entry.rule = "Tidy";
    entry.error = std::move(error);
    return entry;
}

}  // namespace

TEST_F(ModelStart, LoadsTheRulesStartsTheEngineAndReadsTheLogOnce)
{
    auto inbox = folder("Inbox");
    auto other = folder("Other");
    Config config{.paused = false, .folders = {watched(other), watched(inbox)}, .bookmarks = {}};
    config.bookmarks[inbox.string()] = std::get<Bytes>(app::makeBookmark(inbox));
    config.bookmarks["/nowhere"] = Bytes{'/', 'n', 'o'};
    writeRules(config);
    store->append(loggedRun("/a"));
    store->append(loggedRun("/b"));
    settings->setValue("selectedFolder", QString::fromStdString(inbox.string()));

    QSignalSpy engineChanged(&model(), &app::Model::engineChanged);
    QFuture<void> first = model().ensureStarted();
    QFuture<void> second = model().ensureStarted();
    ASSERT_TRUE(until([&] { return first.isFinished(); }));
    EXPECT_TRUE(second.isFinished());
    EXPECT_TRUE(model().ensureStarted().isFinished());

    EXPECT_EQ(engineChanged.count(), 1);
    EXPECT_EQ(app::ModelTesting::logReadCount(model()), 1);
    EXPECT_TRUE(model().hasEngine());
    EXPECT_FALSE(model().loadError());
    ASSERT_EQ(model().config().folders.size(), 2u);
    EXPECT_EQ(model().selection(), Selection::folder(1));
    ASSERT_EQ(model().entries().size(), 2u);
    EXPECT_EQ(model().entries()[1].file, "/b");
    // Only the bookmark whose folder exists is open; the other stays stored.
    EXPECT_EQ(model().accessed(), (app::AccessedFolders{{inbox.string(), inbox}}));
    EXPECT_EQ(model().config().bookmarks.size(), 2u);
    EXPECT_TRUE(until([&] { return model().folderStatus().size() == 2; }));
    EXPECT_EQ(model().folderStatus().at(inbox.string()), FolderStatus::watching);
}

TEST_F(ModelStart, TheRememberedFolderIsTheFirstWithThatPath)
{
    auto inbox = folder("Inbox");
    writeRules(Config{.paused = false, .folders = {watched(folder("A")), watched(inbox), watched(inbox)}, .bookmarks = {}});
    settings->setValue("selectedFolder", "/gone");
    ASSERT_TRUE(start());
    EXPECT_EQ(model().selection(), Selection::activity());
    EXPECT_EQ(settings->value("selectedFolder").toString(), "/gone");

    settings->setValue("selectedFolder", QString::fromStdString(inbox.string()));
    restart();
    ASSERT_TRUE(start());
    EXPECT_EQ(model().selection(), Selection::folder(1));
}

// ---- What the window waits for

namespace {

// A seen file that cannot be read until the test says what it holds: the
// engine's creation waits for it, whatever else the start does meanwhile.
class HeldSeenFile {
public:
    explicit HeldSeenFile(std::filesystem::path path) : path_(std::move(path))
    {
        before_ = std::filesystem::exists(path_) ? readFile(path_) : "{}";
        std::filesystem::remove(path_);
        if (::mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
    }
    ~HeldSeenFile()
    {
        // Never leave the engine's thread waiting, or the model's end would.
        if (!released_)
            if (int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) {
                (void)::write(fd, "{}", 2);
                ::close(fd);
            }
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    // Holds what the file held before.
    void release() { release(before_); }
    void release(const std::string& bytes)
    {
        int fd = ::open(path_.c_str(), O_WRONLY);
        (void)::write(fd, bytes.data(), bytes.size());
        ::close(fd);
        released_ = true;
        // Later reads find no seen file, as if none had been written.
        std::filesystem::remove(path_);
    }

private:
    std::filesystem::path path_;
    std::string before_;
    bool released_ = false;
};

}  // namespace

TEST_F(ModelStart, TheWindowWaitsForTheNewestEntriesNotForTheSeenFileOrTheOlderLog)
{
    auto inbox = folder("Inbox");
    writeRules(Config{.paused = false, .folders = {watched(inbox)}, .bookmarks = {}});
    // 1,500 entries of last week, then three of the last minutes.
    clock.set(std::chrono::floor<std::chrono::days>(clock.now()) + std::chrono::hours(12));
    std::vector<std::string> files;
    for (int i = 0; i < 1503; ++i) {
        Entry entry = loggedRun("/in/" + std::to_string(i));
        entry.at = clock.now() - (i < 1500 ? std::chrono::hours(24 * 7) : std::chrono::minutes(1503 - i));
        store->append(entry);
        files.push_back(entry.file);
    }
    struct Case {
        const char* name;
        std::string seen;  // what the held seen file turns out to hold
        bool fails;
    };
    const Case cases[] = {{"a readable seen file", "{}", false}, {"an unreadable one", "[1]", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        HeldSeenFile seen(dataDir() / "seen.json");
        QFuture<void> showable = model().ensureShowable();
        QFuture<void> started = model().ensureStarted();
        ASSERT_TRUE(until([&] { return showable.isFinished(); }));
        EXPECT_FALSE(started.isFinished());
        EXPECT_FALSE(model().hasEngine());
        // The table's thousand rows, of which today's three are the newest.
        ASSERT_EQ(model().entries().size(), 1000u);
        EXPECT_EQ(model().entries().front().file, files[503]);
        EXPECT_EQ(model().entries().back().file, files.back());
        // A change made meanwhile reaches the engine, which read the rules
        // before it.
        model().setPaused(!c.fails);

        seen.release(c.seen);
        ASSERT_TRUE(until([&] { return started.isFinished(); }));
        if (c.fails) {
            EXPECT_TRUE(model().loadError());
            EXPECT_FALSE(model().hasEngine());
            // A start that failed has read no log.
            EXPECT_TRUE(model().entries().empty());
            continue;
        }
        ASSERT_TRUE(model().hasEngine());
        EXPECT_TRUE(app::ModelTesting::engine(model())->config().paused);
        ASSERT_EQ(model().entries().size(), files.size());
        EXPECT_EQ(model().entries().front().file, files.front());
    }
}

TEST_F(ModelStart, ARevertAskedBeforeTheEngineExistsWaitsForIt)
{
    auto inbox = folder("Inbox");
    auto done = folder("Done");
    writeRules(Config{.paused = false,
                      .folders = {watched(inbox, {extRule("PDFs", "pdf", {Action::move(done.string())})})},
                      .bookmarks = {}});
    writeFile(inbox / "a.pdf", "a");
    ASSERT_TRUE(start());
    ASSERT_TRUE(until([&] { return std::filesystem::exists(done / "a.pdf") && !store->entries().empty(); }));

    restart();
    HeldSeenFile seen(dataDir() / "seen.json");
    QFuture<void> showable = model().ensureShowable();
    ASSERT_TRUE(until([&] { return showable.isFinished(); }));
    ASSERT_FALSE(model().hasEngine());
    ASSERT_EQ(model().entries().size(), 1u);
    QFuture<void> reverted = model().revertEntries({model().entries().front()});
    EXPECT_FALSE(reverted.isFinished());

    seen.release("{}");
    ASSERT_TRUE(until([&] { return reverted.isFinished(); }));
    EXPECT_FALSE(model().problem());
    EXPECT_TRUE(std::filesystem::is_regular_file(inbox / "a.pdf"));
    EXPECT_TRUE(model().isFullyReverted(model().entries().front()));
}

TEST_F(ModelStart, ARuleEditedBeforeTheEngineStartsKeepsWhatItHandled)
{
    auto inbox = folder("Inbox");
    // A rule that tags nothing away: it handles the file and leaves it.
    writeRules(Config{.paused = false,
                      .folders = {watched(inbox, {extRule("Tag", "txt", {Action::addTags({"seen"})})})},
                      .bookmarks = {}});
    writeFile(inbox / "a.txt", "a");
    ASSERT_TRUE(start());
    ASSERT_TRUE(until([&] { return app::ModelTesting::engine(model())->explain(inbox / "a.txt").at(0).alreadyApplied; }));

    restart();
    HeldSeenFile seen(dataDir() / "seen.json");
    QFuture<void> showable = model().ensureShowable();
    QFuture<void> started = model().ensureStarted();
    ASSERT_TRUE(until([&] { return showable.isFinished(); }));
    ASSERT_FALSE(model().hasEngine());
    model().setSelection(Selection::folder(0));
    model().editRule(0);
    Rule edited = model().editingRule()->rule;
    edited.actions.push_back(Action::addTags({"more"}));
    model().commitRule(*model().editingRule(), edited, false);

    seen.release();
    ASSERT_TRUE(until([&] { return started.isFinished(); }));
    ASSERT_TRUE(model().hasEngine());
    EXPECT_EQ(app::ModelTesting::engine(model())->config().folders.at(0).rules.at(0).actions.size(), 2u);
    // One more pass: the edited rule acts on the file again unless the file
    // counts as handled by it.
    app::ModelTesting::engine(model())->scanNow();
    std::size_t runs = 0;
    for (const Entry& entry : store->entries()) runs += entry.file == (inbox / "a.txt").string();
    EXPECT_EQ(runs, 1u);
}

// ---- Starts that fail

struct FailedStart {
    std::string name;
    // Makes the start fail; the lock's descriptor, when it takes one.
    std::function<int(ModelFixture&)> arrange;
    std::string loadError;  // how it begins; $DATA stands for the data directory
    bool observesTheTool;

    friend void PrintTo(const FailedStart& c, std::ostream* out) { *out << c.name; }
};

class ModelFailedStartTest : public ModelFixture, public ::testing::WithParamInterface<FailedStart> {};

TEST_P(ModelFailedStartTest, SaysWhyAndRefusesEveryChange)
{
    const FailedStart& c = GetParam();
    int held = c.arrange(*this);
    store->append(loggedRun("/logged"));
    ASSERT_TRUE(start());

    ASSERT_TRUE(model().loadError());
    std::string expected = c.loadError;
    if (auto at = expected.find("$DATA"); at != std::string::npos) expected.replace(at, 5, dataDir().string());
    EXPECT_TRUE(model().loadError()->toStdString().starts_with(expected)) << model().loadError()->toStdString();
    // The file is named once, however the reason is worded.
    EXPECT_LE(model().loadError()->count(QString::fromStdString(dataDir().string())), 1)
        << model().loadError()->toStdString();
    EXPECT_FALSE(model().hasEngine());
    EXPECT_TRUE(model().config().folders.empty());
    EXPECT_TRUE(model().entries().empty());

    EXPECT_FALSE(model().canChangeRules());
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Rules Can’t Be Changed");
    EXPECT_EQ(model().problem()->message, "Olva couldn’t start, and saving now could overwrite its rules. Fix what "
                                          "Activity shows, then open Olva again.");

    // The tool's signal after an undo fills the activity only when the start
    // got as far as listening for it; its signal of new rules changes nothing.
    Store::announce(Store::rulesChanged);
    Store::announce(Store::activityChanged);
    if (c.observesTheTool) EXPECT_TRUE(until([&] { return model().entries().size() == 1; }));
    else EXPECT_FALSE(processUntil([&] { return !model().entries().empty(); }, std::chrono::milliseconds(300)));
    EXPECT_FALSE(model().loadError() == std::nullopt);
    if (held >= 0) ::close(held);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModelFailedStartTest,
    ::testing::Values(
        FailedStart{"LockHeld",
                    [](ModelFixture& f) { return platform::lockFile(f.dataDir() / "engine.lock", false); },
                    "“olva run” is already processing the watched folders. Stop it, then open Olva again.", false},
        FailedStart{"LockCannotBeMade",
                    [](ModelFixture& f) {
                        std::filesystem::create_directory(f.dataDir() / "engine.lock");
                        return -1;
                    },
                    "couldn’t open “$DATA/engine.lock”: Is a directory", false},
        FailedStart{"BrokenRules",
                    [](ModelFixture& f) {
                        writeFile(f.dataDir() / "rules.json", "{\"folders\": [{]");
                        return -1;
                    },
                    "$DATA/rules.json is not valid JSON (line 1, column 15). Fix the file or move it aside, then "
                    "open Olva again.",
                    true},
        FailedStart{"RulesOfAnotherShape",
                    [](ModelFixture& f) {
                        writeFile(f.dataDir() / "rules.json", "{\"folders\": 3}");
                        return -1;
                    },
                    "$DATA/rules.json can’t be read: the data couldn’t be read because it isn’t in the correct "
                    "format: ",
                    true},
        FailedStart{"RulesThatCannotBeRead",
                    [](ModelFixture& f) {
                        std::filesystem::create_directory(f.dataDir() / "rules.json");
                        return -1;
                    },
                    "couldn’t read “$DATA/rules.json”: Is a directory. Fix the file or move it aside, then open "
                    "Olva again.",
                    true},
        FailedStart{"BrokenSeenFile",
                    [](ModelFixture& f) {
                        writeFile(f.dataDir() / "seen.json", "[1]");
                        return -1;
                    },
                    "$DATA/seen.json can’t be read. It records which files each rule already handled", true}),
    [](const ::testing::TestParamInfo<FailedStart>& info) { return info.param.name; });
