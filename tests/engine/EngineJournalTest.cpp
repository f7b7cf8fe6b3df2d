// The journal of runs and marks: what a crash leaves behind is logged on the
// next start, and never run again once it changed something; and handling a
// file costs a few lines of journal rather than a rewrite of the seen file.
#include "tests/engine/EngineFixture.h"

#include "Core/facts/FileInfo.h"

#include <sys/stat.h>

using namespace olva;
using namespace olva::test;

namespace {

class EngineJournal : public EngineTest {
protected:
    EngineJournal()
    {
        saveRules({folder({rule})});
        version = ruleVersion(rule);
        store->lockEngine();
    }

    // A run of the rule on inbox/a.txt as the journal holds it after a crash:
    // begun, and the rename to a-r.txt done when `renamed`.
    Entry crashedRun(bool renamed)
    {
        writeFile(inbox / "a.txt", "x");
        Entry entry;
        entry.file = (inbox / "a.txt").string();
        entry.rule = rule.name;
        entry.version = version;
        key = FileInfo::keyFor(inbox / "a.txt");
        store->appendJournal({JournalRecord::begin(entry, key)});
        if (renamed) {
            fs::rename(inbox / "a.txt", inbox / "a-r.txt");
            Step step{Step::Kind::move, entry.file, (inbox / "a-r.txt").string(), {}, {}, key};
            store->appendJournal({JournalRecord::stepDone(entry.id, step)});
            entry.steps.push_back(step);
        }
        return entry;
    }

    // Renames the file, then moves it out.
    Rule rule = makeRule("Tidy", {extIs("txt")}, {Action::rename("{name}-r"), Action::move(done.string())});
    std::string version;
    std::string key;
};

}  // namespace

TEST_F(EngineJournal, ARunACrashCutShortIsLoggedOnceAndRunAgainOnlyWhenItChangedNothing)
{
    struct Case {
        std::string name;
        bool renamed;       // the first step was done
        bool actionsEnded;  // its actions ended, with this error
        std::optional<std::string> error;
        bool alreadyLogged;
        // What the next start logs: the error, and whether the rule runs again.
        std::optional<std::string> loggedError;
        bool runsAgain;
    };
    const std::string interrupted = "interrupted: Olva stopped before the rule’s actions finished";
    std::vector<Case> cases{
        {"cut short before any step", false, false, {}, false, interrupted, true},
        {"cut short after a step", true, false, {}, false, interrupted, false},
        {"actions ended but the entry was never written", true, true, "no room", false, "no room", false},
        {"entry written but not the end of the run", true, true, {}, true, {}, false},
        {"failed before changing anything", false, true, "no room", false, "no room", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(store->dir());
        fs::create_directories(store->dir());
        saveRules({folder({rule})});
        for (const auto& item : fs::directory_iterator(inbox)) fs::remove(item.path());
        for (const auto& item : fs::directory_iterator(done)) fs::remove(item.path());

        Entry crashed = crashedRun(c.renamed);
        if (c.actionsEnded) store->appendJournal({JournalRecord::done(crashed.id, c.error)});
        crashed.error = c.error;
        if (c.alreadyLogged) store->append(crashed);

        // The engine of a process without the engine lock leaves the run alone.
        saveRules({folder({rule})}, true);
        Engine::create(std::make_shared<Store>(store->dir()), 0)->scanNow();
        EXPECT_EQ(store->readJournal({}).runs.size(), 1u);
        saveRules({folder({rule})});

        Inbox<Entry> heard;
        auto recovering = Engine::create(store, 0);
        recovering->onEntry([&](const Entry& entry) { heard.push(entry); });
        recovering->scanNow();

        auto log = store->entries();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log[0].id, crashed.id);
        EXPECT_EQ(log[0].error, c.alreadyLogged ? c.error : c.loggedError);
        EXPECT_EQ(log[0].steps.size(), c.renamed ? 1u : 0u);
        EXPECT_EQ(log.size(), c.runsAgain ? 2u : 1u);
        EXPECT_EQ(heard.size(), log.size() - (c.alreadyLogged ? 1 : 0));
        EXPECT_EQ(fs::exists(done / (c.renamed ? "a-r-r.txt" : "a-r.txt")), c.runsAgain);
        EXPECT_EQ(store->loadSeen()[key].contains(version), true);
        EXPECT_TRUE(store->readJournal({}).runs.empty());
        // Once is enough.
        recovering.reset();
        Engine::create(store, 0)->scanNow();
        EXPECT_EQ(store->entries().size(), log.size());
    }
}

TEST_F(EngineJournal, HandlingAFileAddsToTheJournalAndTheSeenFileIsRewrittenOnlyWhenItIsOutgrown)
{
    // Many files handled before: a seen file of some size.
    Seen many;
    for (int i = 0; i < 400; ++i) many["volume:" + std::to_string(1000000 + i) + ":1700000000.000000000"] = {"v"};
    store->saveSeen(many);
    Rule tag = makeRule("Tag", {extIs("txt")}, {Action::addTags({"seen"})});
    saveRules({folder({tag})});
    engine = makeEngine(0);
    onEngine([](Engine::Impl& impl) { return impl.smallestFold = 64 * 1024; });
    // A fold replaces the file: a new inode.
    auto seenFile = [&] {
        struct stat status {};
        ::stat((store->dir() / "seen.json").c_str(), &status);
        return status.st_ino;
    };
    const auto before = seenFile();
    const auto seenSize = fs::file_size(store->dir() / "seen.json");

    // One file at a time, as `olva run` handles them.
    std::uintmax_t journal = 0;
    int handled = 0;
    while (true) {
        writeFile(inbox / ("f" + std::to_string(handled) + ".txt"), "x");
        engine->scanNow();
        ++handled;
        if (seenFile() != before) break;
        auto grown = fs::file_size(store->dir() / "seen.journal") - journal;
        journal += grown;
        EXPECT_LT(grown, 4096u) << "file " << handled;
        ASSERT_LT(handled, 1000) << "the journal was never folded";
    }
    // Folded only once the journal outgrew the seen file many times over:
    // every mark is then in the seen file, and the journal starts again.
    EXPECT_GT(journal, 8 * seenSize);
    EXPECT_LT(fs::file_size(store->dir() / "seen.journal"), 4096u);
    Seen now = store->loadSeen();
    EXPECT_EQ(now.size(), many.size() + std::size_t(handled));
    EXPECT_TRUE(now[FileInfo::keyFor(inbox / "f0.txt")].contains(ruleVersion(tag)));
}
