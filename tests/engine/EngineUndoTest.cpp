// Explanations, undo, carry-over and the seen file shared with other
// processes.
#include "tests/engine/EngineFixture.h"

#include "Core/base/ActionError.h"
#include "Core/facts/FileInfo.h"

#include <nlohmann/json.hpp>

using namespace olva;
using namespace olva::test;

namespace {

void writeSeenFile(const fs::path& dir, const Seen& seen)
{
    nlohmann::json json = nlohmann::json::object();
    for (const auto& [key, versions] : seen) json[key] = std::vector<std::string>(versions.begin(), versions.end());
    writeFile(dir / "seen.json.tmp", json.dump());
    fs::rename(dir / "seen.json.tmp", dir / "seen.json");
}

}  // namespace

TEST_F(EngineTest, ExplainReportsEveryEnabledRuleAndWhatAlreadyApplied)
{
    Rule off = makeRule("Off", {extIs("txt")}, {Action::trash()});
    off.enabled = false;
    Rule named = makeRule("Named", {nameIs("zzz")}, {Action::trash()});
    Rule text = makeRule("Text", {extIs("txt")}, {Action::move(done.string())}, true);
    Rule every = makeRule("Every", {}, {Action::trash()});
    saveRules({folder({off, named, text, every})});
    writeFile(inbox / "a.txt", "x");
    fs::create_directories(inbox / "sub" / "deeper");
    writeFile(inbox / "sub" / "deeper" / "b.txt", "x");
    engine = makeEngine(2.0);

    auto explained = engine->explain(inbox / "a.txt");
    ASSERT_EQ(explained.size(), 3u);
    EXPECT_EQ(explained[0].rule.name, "Named");
    EXPECT_FALSE(explained[0].outcome.pass);
    ASSERT_EQ(explained[0].outcome.checks.size(), 1u);
    EXPECT_EQ(explained[0].outcome.checks[0].actual, "a");
    EXPECT_EQ(explained[1].rule.name, "Text");
    EXPECT_TRUE(explained[1].outcome.pass);
    // Rules after a matching one are still evaluated.
    EXPECT_EQ(explained[2].rule.name, "Every");
    EXPECT_TRUE(explained[2].outcome.pass);
    EXPECT_TRUE(explained[2].outcome.checks.empty());
    for (const auto& explanation : explained) EXPECT_FALSE(explanation.alreadyApplied);

    // Two levels down in a folder of depth 0: its rules still explain it.
    EXPECT_EQ(engine->explain(inbox / "sub" / "deeper" / "b.txt").size(), 3u);

    // After the dry-run rule reported the file, it shows as already applied.
    engine = makeEngine(0);
    engine->scanNow();
    ASSERT_EQ(logged().size(), 1u);
    explained = engine->explain(inbox / "a.txt");
    EXPECT_FALSE(explained[0].alreadyApplied);
    EXPECT_TRUE(explained[1].alreadyApplied);
    EXPECT_FALSE(explained[2].alreadyApplied);

    // Also when the mark is still kept under the file's older key.
    FileInfo info(inbox / "a.txt");
    writeSeenFile(store->dir(), {{info.legacyKey(), {ruleVersion(text)}}});
    engine = makeEngine(0);
    EXPECT_TRUE(engine->explain(inbox / "a.txt")[1].alreadyApplied);
}

TEST_F(EngineTest, ExplainRefusesFilesOutsideTheWatchedFolders)
{
    saveRules({folder({makeRule("Every", {}, {Action::trash()})})});
    writeFile(done / "a.txt", "x");
    engine = makeEngine(2.0);
    EXPECT_EQ(thrownText([&] { engine->explain(done / "a.txt"); }), (done / "a.txt").string() + " is not in a watched folder");
    EXPECT_EQ(thrownText([&] { engine->explain(inbox); }), inbox.string() + " is not in a watched folder");
    EXPECT_THROW(engine->explain(inbox / "missing.txt"), FileNotFound);
}

TEST_F(EngineTest, UndoRevertsTheRemainingStepsAndRecordsEachUndo)
{
    Rule rule = makeRule("File it", {extIs("txt")}, {Action::move(done.string()), Action::rename("renamed")});
    saveRules({folder({rule})});
    writeFile(inbox / "a.txt", "content");
    engine = makeEngine(0);
    engine->scanNow();
    ASSERT_EQ(logged().size(), 1u);
    Entry run = logged()[0];
    ASSERT_EQ(run.steps.size(), 2u);
    ASSERT_TRUE(fs::exists(done / "renamed.txt"));

    // Something now occupies the original place: the rename is undone, the
    // move back stops, and the undo entry records the one step.
    writeFile(inbox / "a.txt", "someone else's");
    std::string lower = run.id;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_EQ(thrownText([&] { engine->undo(lower); }), (inbox / "a.txt").string() + " already exists");
    auto log = logged();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].undoOf, run.id);
    ASSERT_EQ(log[1].steps.size(), 1u);
    EXPECT_EQ(log[1].steps[0].to, (done / "renamed.txt").string());
    EXPECT_TRUE(log[1].error);
    EXPECT_FALSE(log[1].dryRun);
    EXPECT_TRUE(log[1].checks.empty());
    EXPECT_EQ(log[1].version, run.version);
    EXPECT_TRUE(fs::exists(done / "a.txt"));

    // Once the place is free, a second undo reverts what is left.
    fs::remove(inbox / "a.txt");
    engine->undo(run.id);
    log = logged();
    ASSERT_EQ(log.size(), 3u);
    ASSERT_EQ(log[2].steps.size(), 1u);
    EXPECT_EQ(log[2].steps[0].from, (inbox / "a.txt").string());
    EXPECT_FALSE(log[2].error);
    EXPECT_EQ(readFile(inbox / "a.txt"), "content");
    EXPECT_EQ(thrownText([&] { engine->undo(run.id); }), "already undone");

    // The restored file carries the rule's mark, so the rule leaves it alone.
    auto key = FileInfo::keyFor(inbox / "a.txt");
    EXPECT_TRUE(store->loadSeen()[key].contains(run.version));
    engine->scanNow();
    EXPECT_TRUE(fs::exists(inbox / "a.txt"));
    EXPECT_EQ(logged().size(), 3u);
}

TEST_F(EngineTest, UndoRefusesWhatItCannotRevert)
{
    Rule dry = makeRule("Dry", {nameIs("dry")}, {Action::move(done.string())}, true);
    Rule tags = makeRule("Nothing", {nameIs("same")}, {Action::removeTags({"Absent"})});
    Rule move = makeRule("Move", {nameIs("moved")}, {Action::move(done.string())});
    saveRules({folder({dry, tags, move})});
    writeFile(inbox / "dry.txt", "x");
    writeFile(inbox / "same.txt", "x");
    writeFile(inbox / "moved.txt", "x");
    engine = makeEngine(0);
    engine->scanNow();
    auto log = logged();
    ASSERT_EQ(log.size(), 3u);
    std::map<std::string, std::string> ids;
    for (const auto& entry : log) ids[entry.rule] = entry.id;

    EXPECT_EQ(thrownText([&] { engine->undo("0000"); }), "no log entry 0000");
    EXPECT_EQ(thrownText([&] { engine->undo(ids["Dry"]); }), "dry-run entries changed nothing");
    EXPECT_EQ(thrownText([&] { engine->undo(ids["Nothing"]); }), "the rule changed nothing, so there's nothing to revert");

    // A revert whose first step fails writes no undo entry.
    writeFile(inbox / "moved.txt", "in the way");
    EXPECT_EQ(thrownText([&] { engine->undo(ids["Move"]); }), (inbox / "moved.txt").string() + " already exists");
    EXPECT_EQ(logged().size(), 3u);

    // Several at once: each failure by identifier, the rest done.
    fs::remove(inbox / "moved.txt");
    auto failed = engine->undo(std::vector<std::string>{ids["Dry"], ids["Move"]});
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[ids["Dry"]], "dry-run entries changed nothing");
    EXPECT_TRUE(fs::exists(inbox / "moved.txt"));
    EXPECT_EQ(logged().size(), 4u);
}

TEST_F(EngineTest, CarryOverMovesMarksToTheNewVersion)
{
    Rule rule = makeRule("Report", {extIs("txt")}, {Action::move(done.string())}, true);
    saveRules({folder({rule})});
    writeFile(inbox / "a.txt", "x");
    engine = makeEngine(0);
    engine->scanNow();
    ASSERT_EQ(logged().size(), 1u);

    Rule edited = rule;
    edited.match.items.push_back(nameIs("a"));
    const std::string from = ruleVersion(rule), to = ruleVersion(edited);
    ASSERT_NE(from, to);

    // The same version on both sides: nothing changes and nothing is saved.
    auto journalBefore = store->journalEnd();
    engine->carryOver(from, from);
    EXPECT_EQ(store->journalEnd(), journalBefore);

    engine->carryOver(from, to);
    auto key = FileInfo::keyFor(inbox / "a.txt");
    EXPECT_EQ(store->loadSeen()[key], (std::set<std::string>{from, to}));

    // The edited rule does not report the file again.
    saveRules({folder({edited})});
    engine->reload();
    engine->scanNow();
    EXPECT_EQ(logged().size(), 1u);
}

TEST_F(EngineTest, MarksWrittenByAnotherProcessAreKeptAndHonoured)
{
    Rule rule = makeRule("Move", {extIs("txt")}, {Action::move(done.string())});
    saveRules({folder({rule})});
    engine = makeEngine(0);

    // Another process (an undo) marks a file after this engine read the
    // seen file: the engine must not act on it, and must not drop the mark
    // when it saves its own.
    writeFile(inbox / "restored.txt", "x");
    auto restoredKey = FileInfo::keyFor(inbox / "restored.txt");
    writeSeenFile(store->dir(), {{restoredKey, {ruleVersion(rule)}}, {"elsewhere:1:2", {"0123456789abcdef"}}});
    writeFile(inbox / "new.txt", "x");
    engine->scanNow();

    EXPECT_TRUE(fs::exists(inbox / "restored.txt"));
    EXPECT_TRUE(fs::exists(done / "new.txt"));
    ASSERT_EQ(logged().size(), 1u);
    Seen seen = store->loadSeen();
    EXPECT_TRUE(seen.contains("elsewhere:1:2"));
    EXPECT_TRUE(seen[restoredKey].contains(ruleVersion(rule)));
    EXPECT_TRUE(seen[FileInfo::keyFor(done / "new.txt")].contains(ruleVersion(rule)));
}

TEST_F(EngineTest, MarksUnderTheOlderKeyOrMadeDuringAPassAreHonoured)
{
    Rule rule = makeRule("Move", {extIs("txt")}, {Action::move(done.string())});
    saveRules({folder({rule})});
    writeFile(inbox / "old.txt", "x");
    const std::string oldKey = FileInfo(inbox / "old.txt").key();
    writeSeenFile(store->dir(), {{FileInfo(inbox / "old.txt").legacyKey(), {ruleVersion(rule)}}});
    writeFile(inbox / "a.txt", "x");
    writeFile(inbox / "b.txt", "x");
    engine = makeEngine(0);
    // Once the first of a and b has moved, another process marks the other.
    engine->onEntry([&](const Entry&) {
        Seen seen = store->loadSeen();
        for (const char* name : {"a.txt", "b.txt"})
            if (fs::exists(inbox / name)) seen[FileInfo::keyFor(inbox / name)].insert(ruleVersion(rule));
        store->saveSeen(seen);
    });
    engine->scanNow();

    EXPECT_EQ(logged().size(), 1u);
    EXPECT_TRUE(fs::exists(inbox / "old.txt"));
    EXPECT_NE(fs::exists(inbox / "a.txt"), fs::exists(inbox / "b.txt"));
    EXPECT_TRUE(store->loadSeen()[oldKey].contains(ruleVersion(rule)));
}

TEST_F(EngineTest, AFileGoneSinceTheListingIsPassedOver)
{
    Rule rule = makeRule("Move", {extIs("txt")}, {Action::move(done.string())});
    saveRules({folder({rule})});
    writeFile(inbox / "a.txt", "x");
    writeFile(inbox / "b.txt", "x");
    engine = makeEngine(0);
    // Once the first of a and b has moved, the other is deleted.
    engine->onEntry([&](const Entry&) {
        fs::remove(inbox / "a.txt");
        fs::remove(inbox / "b.txt");
    });
    engine->scanNow();

    ASSERT_EQ(logged().size(), 1u);
    EXPECT_FALSE(logged()[0].error);
}

TEST_F(EngineTest, AnUndoByAnotherEngineIsNotUndoneByTheRunningOne)
{
    Rule rule = makeRule("Move", {extIs("txt")}, {Action::move(done.string())});
    saveRules({folder({rule})});
    writeFile(inbox / "a.txt", "x");
    engine = makeEngine(0);
    engine->scanNow();
    ASSERT_EQ(logged().size(), 1u);
    writeFile(inbox / "b.txt", "x");

    // The tool's undo: its own store and engine on the same directory.
    {
        auto otherStore = std::make_shared<Store>(store->dir());
        auto other = Engine::create(otherStore, 2.0);
        other->undo(logged()[0].id);
    }
    ASSERT_TRUE(fs::exists(inbox / "a.txt"));
    engine->scanNow();
    EXPECT_TRUE(fs::exists(inbox / "a.txt"));
    EXPECT_TRUE(fs::exists(done / "b.txt"));
    Seen seen = store->loadSeen();
    EXPECT_TRUE(seen[FileInfo::keyFor(inbox / "a.txt")].contains(ruleVersion(rule)));
    EXPECT_TRUE(seen[FileInfo::keyFor(done / "b.txt")].contains(ruleVersion(rule)));

    engine->mergeSeenFromDisk();
    EXPECT_TRUE(onEngine([&](Engine::Impl& impl) { return impl.seen.contains(FileInfo::keyFor(done / "b.txt")); }));
}

TEST_F(EngineTest, AnUnreadableSeenFileStopsTheEngineFromBeingMade)
{
    writeFile(store->dir() / "seen.json", "[1, 2]");
    try {
        Engine::create(store, 2.0);
        FAIL() << "made an engine";
    } catch (const ActionError& error) {
        EXPECT_TRUE(error.description().starts_with((store->dir() / "seen.json").string() + " can’t be read."));
    }
}
