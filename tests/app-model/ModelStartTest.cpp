#include "Core/Store.h"
#include "Core/platform/FileLock.h"
#include "OlvaApp/Model/Bookmarks.h"
#include "tests/support/app/ModelFixture.h"

#include <QSignalSpy>

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
    EXPECT_EQ(model().logReadCount(), 1);
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
