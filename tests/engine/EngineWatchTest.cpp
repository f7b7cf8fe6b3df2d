// Scheduling, events, folder statuses, store problems, the periodic pass and
// the rules watcher.
#include "tests/engine/EngineFixture.h"

#include "Core/facts/FileInfo.h"
#include "Core/store/RulesWatcher.h"

#include "tests/support/PrivateMounts.h"

#include <atomic>
#include <thread>

using namespace olva;
using namespace olva::test;

namespace {

Date::duration ms(int value) { return std::chrono::milliseconds(value); }

}  // namespace

TEST_F(EngineTest, AScanReplacedByAnEarlierOneNeverRunsAsWell)
{
    saveRules({folder({})});
    engine = makeEngine(2.0);
    auto pending = onEngine([&](Engine::Impl& impl) {
        const Date start = impl.now();
        impl.clock = [start] { return start; };
        impl.schedule(inbox.string(), start + ms(300));
        impl.schedule(inbox.string(), start + ms(100));
        // A later request leaves the earlier pending scan alone.
        impl.schedule(inbox.string(), start + ms(500));
        return impl.scheduled.at(inbox.string()).at - start;
    });
    EXPECT_EQ(pending, ms(100));
    EXPECT_TRUE(onEngine([&](Engine::Impl& impl) { return impl.activity; }));
    ASSERT_TRUE(statuses.waitFor(1));  // the scan reports the folder's status
    // Past the time of every request.
    ASSERT_TRUE(waitForDueWork(600ms));
    EXPECT_EQ(scans(), 1u);
    EXPECT_FALSE(onEngine([&](Engine::Impl& impl) { return impl.activity || !impl.scheduled.empty(); }));

    // A date in the past runs at once.
    onEngine([&](Engine::Impl& impl) { impl.schedule(inbox.string(), impl.now() - std::chrono::hours(1)); return 0; });
    EXPECT_TRUE(eventually([&] { return scans() >= 2; }));
    EXPECT_EQ(scans(), 2u);
}

TEST_F(EngineTest, AScanCenturiesAheadDoesNotRunAtOnce)
{
    // A date condition on a file dated 2446 (as ext4 allows) flips then;
    // the executor's clock cannot count that far.
    saveRules({folder({})});
    engine = makeEngine(2.0);
    onEngine([&](Engine::Impl& impl) {
        impl.schedule(inbox.string(), impl.now() + std::chrono::hours(24 * 365 * 500));
        return 0;
    });
    // A time the executor could not count would fall due at once.
    ASSERT_TRUE(waitForDueWork());
    EXPECT_EQ(scans(), 0u);
    EXPECT_EQ(onEngine([&](Engine::Impl& impl) { return impl.scheduled.size(); }), 1u);
}

TEST_F(EngineTest, EventsScheduleTheFoldersTheyTouch)
{
    fs::path outer = fs::canonical(tmp.path()) / "a";
    fs::path inner = outer / "b";
    fs::path sibling = fs::canonical(tmp.path()) / "a" / "bc";
    fs::create_directories(inner);
    fs::create_directories(sibling);
    saveRules({folder({}, outer, 5), folder({}, inner)});
    engine = makeEngine(30.0);
    auto scheduled = [&](const std::vector<std::string>& paths) {
        return onEngine([&](Engine::Impl& impl) {
            impl.scheduled.clear();
            impl.handleEvents(paths);
            std::vector<std::string> folders;
            for (const auto& [path, item] : impl.scheduled) folders.push_back(path);
            return folders;
        });
    };
    EXPECT_EQ(scheduled({inner.string()}), (std::vector<std::string>{outer.string(), inner.string()}));
    EXPECT_EQ(scheduled({(inner / "x").string()}), (std::vector<std::string>{outer.string(), inner.string()}));
    EXPECT_EQ(scheduled({(sibling / "x").string()}), (std::vector<std::string>{outer.string()}));
    EXPECT_EQ(scheduled({(fs::canonical(tmp.path()) / "ab").string()}), (std::vector<std::string>{}));
    // At the engine's settle interval.
    auto at = onEngine([&](Engine::Impl& impl) {
        impl.scheduled.clear();
        const Date before = impl.now();
        impl.clock = [before] { return before; };
        impl.handleEvents({inner.string()});
        return impl.scheduled[inner.string()].at - before;
    });
    EXPECT_EQ(at, std::chrono::seconds(30));
}

TEST_F(EngineTest, AFileInANewSubfolderIsActedOn)
{
    saveRules({folder({makeRule("Move", {extIs("txt")}, {Action::move(done.string())})}, inbox, 2)});
    engine = makeEngine(0.2);
    engine->start();
    ASSERT_TRUE(statuses.waitFor(1));
    // The file may come before the watch of its folder: the folder's
    // listing then finds it.
    fs::create_directories(inbox / "new" / "deeper");
    writeFile(inbox / "new" / "deeper" / "a.txt", "x");
    ASSERT_TRUE(entries.waitFor(1));
    EXPECT_TRUE(fs::exists(done / "a.txt"));
}

TEST_F(EngineTest, StatusesAreReportedWhenTheyChange)
{
    fs::path later = fs::canonical(tmp.path()) / "later";
    saveRules({folder({}), folder({}, later)});
    engine = makeEngine(0);
    engine->scanNow();
    ASSERT_EQ(statuses.size(), 2u);
    auto last = statuses.items().back();
    EXPECT_EQ(last[inbox.string()], FolderStatus::watching);
    EXPECT_EQ(last[later.string()], FolderStatus::missing);
    EXPECT_FALSE(onEngine([](Engine::Impl& impl) { return bool(impl.watcher); }));

    // Unchanged statuses are not reported again.
    engine->scanNow();
    EXPECT_EQ(statuses.size(), 2u);

    // A folder that comes into being is reported and watched.
    fs::create_directories(later);
    engine->scanNow();
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_EQ(statuses.items().back()[later.string()], FolderStatus::watching);
    EXPECT_TRUE(onEngine([](Engine::Impl& impl) { return bool(impl.watcher); }));

    // A reload that drops a folder drops its status, once.
    saveRules({folder({})});
    engine->reload();
    ASSERT_EQ(statuses.size(), 4u);
    EXPECT_EQ(statuses.items().back().size(), 1u);
    saveRules({folder({})});
    engine->reload();
    EXPECT_EQ(statuses.size(), 4u);
    EXPECT_EQ(engine->statuses().size(), 1u);
}

TEST_F(EngineTest, AFolderDeletedAndMadeAgainIsMissingMeanwhileAndThenWatchedAtOnce)
{
    saveRules({folder({makeRule("Move", {}, {Action::move(done.string())})})});
    engine = makeEngine(0.1);
    engine->start();
    ASSERT_TRUE(eventually([&] { return engine->statuses()[inbox.string()] == FolderStatus::watching; }));

    fs::remove_all(inbox);
    EXPECT_TRUE(eventually([&] { return engine->statuses()[inbox.string()] == FolderStatus::missing; }));
    fs::create_directory(inbox);
    writeFile(inbox / "one.dat", "1");
    ASSERT_TRUE(entries.waitFor(1)) << "the file waited for the periodic pass";
    EXPECT_TRUE(fs::exists(done / "one.dat"));
    EXPECT_EQ(engine->statuses()[inbox.string()], FolderStatus::watching);
}

TEST_F(EngineTest, ItsOwnTagChangesBringNoPassButAChangeBySomebodyElseDoes)
{
    // Files there before the engine starts are handled by its first pass;
    // in the second folder somebody else changes a file just after.
    fs::path touched = fs::canonical(tmp.path()) / "touched";
    fs::path marks = fs::canonical(tmp.path()) / "marks";
    fs::create_directories(touched);
    fs::create_directories(marks);
    for (int i = 0; i < 20; ++i) {
        writeFile(inbox / ("f" + std::to_string(i) + ".dat"), "x");
        writeFile(touched / ("f" + std::to_string(i) + ".dat"), "x");
    }
    Rule tag = makeRule("Tag", {extIs("dat")}, {Action::addTags({"seen"})});
    saveRules({folder({tag}), folder({tag}, touched), folder({}, marks)});
    std::this_thread::sleep_for(200ms);  // settled
    engine = makeEngine(0.1);
    engine->onEntry([&](const Entry& entry) {
        if (entry.file == (touched / "f0.dat").string()) {
            // Later than the engine's own change by more than a clock tick
            // of a file system with coarse times, and before its event is
            // handled (the engine is busy right here).
            std::this_thread::sleep_for(30ms);
            fs::permissions(entry.file, fs::perms::owner_all);
        }
        entries.push(entry);
    });
    engine->start();
    ASSERT_TRUE(entries.waitFor(40));
    auto passes = [&](const fs::path& path) {
        return onEngine([&](Engine::Impl& impl) { return impl.scansOf[path.string()]; });
    };
    EXPECT_TRUE(eventually([&] { return passes(touched) >= 2; }));
    // Every event of the tags heard and handled.
    ASSERT_TRUE(waitUntilQuiet(marks));
    EXPECT_EQ(passes(inbox), 1u);
    EXPECT_GE(passes(touched), 2u);
    EXPECT_EQ(entries.size(), 40u);
    EXPECT_TRUE(onEngine([](Engine::Impl& impl) { return impl.ownChanges.size() <= 20; }));
}

TEST_F(EngineTest, AMountRescansOnlyTheFoldersItConcerns)
{
    PrivateMounts mounts;
    if (!mounts.unavailable().empty()) GTEST_SKIP() << mounts.unavailable();
    fs::path volume = fs::canonical(tmp.path()) / "volume";
    fs::path elsewhere = fs::canonical(tmp.path()) / "elsewhere";
    // Watched folders of the test's own: one where marks are made, one
    // that volumes are mounted over.
    fs::path marks = fs::canonical(tmp.path()) / "marks";
    fs::path probe = fs::canonical(tmp.path()) / "probe";
    for (const auto& path : {volume, elsewhere, marks, probe}) fs::create_directories(path);
    Rule move = makeRule("Move", {}, {Action::move(done.string())});
    saveRules({folder({move}), folder({move}, volume), folder({}, marks), folder({}, probe)});
    engine = makeEngine(0.1);
    engine->start();
    auto observers = rescanOnWake(engine);
    auto passes = [&](const fs::path& path) {
        return onEngine([&](Engine::Impl& impl) { return impl.scansOf[path.string()]; });
    };
    ASSERT_TRUE(eventually([&] { return passes(inbox) == 1 && passes(volume) == 1; }));
    // Until the engine has answered every mount change made so far: the
    // mount monitor tells them in order, and the rescan one more volume
    // over the probe brings falls due after those they brought.
    auto mountsHeard = [&] {
        auto before = passes(probe);
        return mounts.mountTmpfs(probe) && eventually([&] { return passes(probe) > before; });
    };

    struct Case {
        std::string name;
        std::function<bool()> change;
        bool rescansVolume;
    };
    std::vector<Case> cases{
        {"a volume mounted elsewhere", [&] { return mounts.mountTmpfs(elsewhere); }, false},
        {"a volume mounted over a watched folder", [&] { return mounts.mountTmpfs(volume); }, true},
        {"that volume unmounted", [&] { return mounts.unmount(volume); }, true},
        {"the volume elsewhere unmounted", [&] { return mounts.unmount(elsewhere); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(waitUntilQuiet(marks));
        auto inboxBefore = passes(inbox), volumeBefore = passes(volume);
        ASSERT_TRUE(c.change());
        ASSERT_TRUE(mountsHeard());
        if (c.rescansVolume) {
            EXPECT_GT(passes(volume), volumeBefore);
        }
        ASSERT_TRUE(waitUntilQuiet(marks));
        EXPECT_EQ(passes(inbox), inboxBefore);
        if (!c.rescansVolume) {
            EXPECT_EQ(passes(volume), volumeBefore);
        }
        // The folder is watched where it now is.
        std::size_t handled = entries.size();
        writeFile(volume / (std::to_string(handled) + ".dat"), "x");
        EXPECT_TRUE(entries.waitFor(handled + 1));
    }
}

TEST_F(EngineTest, AFolderGivenAsALinkIsWatchedAnewWhenTheLinkChanges)
{
    fs::path base = fs::canonical(tmp.path());
    struct Case {
        std::string name;
        std::function<void(const fs::path& link)> change;
    };
    std::vector<Case> cases{
        {"replaced by a real folder",
         [](const fs::path& link) {
             fs::remove(link);
             fs::create_directory(link);
         }},
        {"pointed at another folder",
         [&](const fs::path& link) {
             fs::create_directories(base / "other");
             fs::create_directory_symlink(base / "other", base / "link.new");
             fs::rename(base / "link.new", link);
         }},
    };
    Rule move = makeRule("Move", {}, {Action::move(done.string())});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path link = base / "link";
        fs::remove_all(base / "other");
        fs::remove_all(link);
        fs::remove_all(base / "target");
        fs::create_directories(base / "target");
        fs::create_directory_symlink(base / "target", link);
        saveRules({folder({move}, link)});
        engine = makeEngine(0.1);
        engine->start();
        ASSERT_TRUE(eventually([&] { return engine->statuses()[link.string()] == FolderStatus::watching; }));
        std::size_t handled = entries.size();

        c.change(link);
        writeFile(link / "one.dat", "1");
        ASSERT_TRUE(entries.waitFor(handled + 1)) << "the file waited for the periodic pass";
        EXPECT_TRUE(fs::exists(done / "one.dat"));
        // And watched there from now on.
        writeFile(link / "two.dat", "2");
        ASSERT_TRUE(entries.waitFor(handled + 2));
        EXPECT_TRUE(fs::exists(done / "two.dat"));
        fs::remove(done / "one.dat");
        fs::remove(done / "two.dat");

        std::weak_ptr<Engine> weak = engine;
        engine.reset();
        while (!weak.expired()) std::this_thread::sleep_for(1ms);
    }
}

TEST_F(EngineTest, PausedFoldersAreNotScannedButTheirStatusIsKept)
{
    Folder paused = folder({makeRule("Move", {}, {Action::move(done.string())})});
    paused.paused = true;
    saveRules({paused});
    writeFile(inbox / "a.txt", "x");
    engine = makeEngine(0);
    engine->scanNow();
    EXPECT_EQ(statuses.size(), 1u);
    EXPECT_TRUE(fs::exists(inbox / "a.txt"));

    paused.paused = false;
    saveRules({paused}, true);
    engine->reload();
    engine->scanNow();
    EXPECT_TRUE(fs::exists(inbox / "a.txt"));
    EXPECT_EQ(scans(), 0u);
}

TEST_F(EngineTest, EntriesThatCannotBeWrittenWaitAndOneProblemIsReported)
{
    saveRules({folder({makeRule("Move", {}, {Action::move(done.string())})})});
    engine = makeEngine(0);
    // A directory where the log should be: appends fail, even for root.
    fs::create_directories(store->dir() / "log.json");
    writeFile(inbox / "a.txt", "x");
    engine->scanNow();
    writeFile(inbox / "b.txt", "x");
    engine->scanNow();  // skipped: the held entry still cannot be written
    EXPECT_TRUE(fs::exists(inbox / "b.txt"));
    ASSERT_EQ(problems.size(), 1u);
    ASSERT_TRUE(problems.items()[0]);
    EXPECT_TRUE(problems.items()[0]->starts_with("Olva can’t write to " + store->dir().string() + ": "));
    EXPECT_EQ(engine->storeProblem(), problems.items()[0]);
    EXPECT_EQ(entries.size(), 1u);  // the callback still hears of it

    fs::remove(store->dir() / "log.json");
    engine->scanNow();
    auto log = logged();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].id, entries.items()[0].id);
    EXPECT_EQ(fs::path(log[1].file).filename(), "b.txt");
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_FALSE(problems.items()[1]);
    EXPECT_FALSE(engine->storeProblem());
}

TEST_F(EngineTest, ASeenFileThatCannotBeSavedIsAProblemAndTriedAgain)
{
    Rule dry = makeRule("Report", {}, {Action::move(done.string())}, true);
    saveRules({folder({dry})});
    engine = makeEngine(0);
    // A directory where the journal should be: appends fail, even for root.
    fs::create_directories(store->dir() / "seen.journal");
    writeFile(inbox / "a.txt", "x");
    engine->scanNow();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(logged().size(), 1u);
    EXPECT_TRUE(onEngine([](Engine::Impl& impl) { return !impl.unjournaled.empty(); }));

    fs::remove(store->dir() / "seen.journal");
    engine->scanNow();
    EXPECT_FALSE(engine->storeProblem());
    EXPECT_EQ(logged().size(), 1u);
    EXPECT_TRUE(store->loadSeen()[FileInfo::keyFor(inbox / "a.txt")].contains(ruleVersion(dry)));
}

TEST_F(EngineTest, AnEmptyConfigurationStillRunsThePeriodicPass)
{
    engine = makeEngine(0.1);
    onEngine([](Engine::Impl& impl) { impl.periodicInterval = std::chrono::milliseconds(50); return 0; });
    engine->start();
    ASSERT_TRUE(waitForDueWork(200ms));  // a periodic pass or more went by
    EXPECT_FALSE(onEngine([](Engine::Impl& impl) { return bool(impl.watcher) || !impl.scheduled.empty(); }));
    EXPECT_TRUE(onEngine([](Engine::Impl& impl) { return bool(impl.periodic); }));

    // With a folder, the periodic pass keeps scanning it.
    saveRules({folder({})});
    engine->reload();
    EXPECT_TRUE(eventually([&] { return scans() >= 3; }));
}

TEST_F(EngineTest, ReleasingTheEngineStopsEverything)
{
    saveRules({folder({makeRule("Move", {}, {Action::move(done.string())})})});
    engine = makeEngine(0.2);
    engine->start();
    std::weak_ptr<Engine> weak = engine;
    engine.reset();
    // A pass that is running when the owner lets go finishes first.
    EXPECT_TRUE(eventually([&] { return weak.expired(); }));
    writeFile(inbox / "a.txt", "x");
    std::this_thread::sleep_for(400ms);
    EXPECT_TRUE(fs::exists(inbox / "a.txt"));
}

TEST(RulesWatcher, CallsBackOnlyForOtherWritersOfTheRulesFile)
{
    TempDir tmp;
    auto store = std::make_shared<Store>(tmp.path() / "data");
    store->saveConfig(Config{});
    std::atomic<int> calls = 0;
    RulesWatcher watcher(store, [&] { ++calls; });
    auto settleDown = [] { std::this_thread::sleep_for(700ms); };

    // Our own save, and other files of the directory: nothing.
    Config config;
    config.paused = true;
    store->saveConfig(config);
    writeFile(store->dir() / "seen.json", "{}");
    settleDown();
    EXPECT_EQ(calls, 0);

    // Another process writes different bytes.
    Store other(store->dir());
    config.paused = false;
    other.saveConfig(config);
    EXPECT_TRUE(eventually([&] { return calls >= 1; }));
}

// Rules and files while the data folder is away, or the engine is told to
// wait: nothing is acted on, the rules held are kept, and once the engine
// goes on it reads the rules that are there, if any.
TEST_F(EngineTest, NothingIsActedOnWhileTheDataFolderIsAwayAndItsRulesAreReadWhenBack)
{
    const Rule moveAll = makeRule("Move", {}, {Action::move(done.string())});
    const Rule moveText = makeRule("Text", {extIs("txt")}, {Action::move(done.string())});
    const fs::path dir = store->dir();
    struct Case {
        std::string name;
        std::function<void()> away;
        std::function<void()> back;
        std::string actingRule;  // empty: the file stays
        bool actsMeanwhile = false;
    };
    const std::vector<Case> cases{
        {"suspended", [&] { engine->suspend(); }, [] {}, "Move"},
        {"data folder removed, then made again empty", [&] { fs::remove_all(dir); },
         [&] { fs::create_directory(dir); }, "Move"},
        {"data folder removed, then put back with other rules", [&] { fs::remove_all(dir); },
         [&] {
             fs::create_directory(dir);
             Store(dir).saveConfig(Config{false, {folder({moveText})}, {}});
         },
         "Text"},
        // The rules held go on: only a file says which rules to drop.
        {"rules file removed", [&] { fs::remove(dir / "rules.json"); }, [] {}, "Move", true},
        {"data folder put back with no rules", [&] { fs::remove_all(dir); },
         [&] {
             fs::create_directory(dir);
             Store(dir).saveConfig(Config{});
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The last case's engine ends its pass before the folders are cleared.
        std::weak_ptr<Engine> weak = engine;
        engine.reset();
        while (!weak.expired()) std::this_thread::sleep_for(1ms);
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::remove_all(inbox);
        fs::create_directories(inbox);
        saveRules({folder({moveAll})});
        engine = makeEngine(0);
        const std::size_t before = entries.size();

        c.away();
        engine->reload();
        writeFile(inbox / "a.txt", "a");
        engine->scanNow();
        EXPECT_EQ(fs::exists(inbox / "a.txt"), !c.actsMeanwhile);
        ASSERT_EQ(engine->config().folders.size(), 1u);
        EXPECT_EQ(engine->config().folders[0].rules[0].name, "Move");
        if (c.actsMeanwhile) continue;

        c.back();
        engine->suspend();
        engine->resume();
        if (c.actingRule.empty()) {
            EXPECT_TRUE(engine->config().folders.empty());
            engine->scanNow();
            EXPECT_TRUE(fs::exists(inbox / "a.txt"));
        } else {
            ASSERT_TRUE(entries.waitFor(before + 1));
            EXPECT_EQ(entries.items().back().rule, c.actingRule);
            EXPECT_FALSE(fs::exists(inbox / "a.txt"));
        }
    }
}

// The data folder's removal is told at once, though files in it are open
// (the engine lock always is); it is watched again once it is back, and its
// rules are compared with those known.
TEST(RulesWatcher, TellsWhenTheDataFolderGoesAndComesBackAndWatchesTheNewOne)
{
    TempDir tmp;
    const fs::path dir = tmp.path() / "data";
    auto store = std::make_shared<Store>(dir);
    store->lockEngine();
    store->appendJournal({JournalRecord::mark("1:2:3", {"v1"})});
    store->saveConfig(Config{});
    std::mutex mutex;
    std::vector<std::string> told;  // "gone", "back" and "rules"
    auto tell = [&](const std::string& what) {
        std::lock_guard lock(mutex);
        if (told.empty() || told.back() != what) told.push_back(what);
    };
    auto toldNow = [&] {
        std::lock_guard lock(mutex);
        // The rules file's removal may be seen while its folder is still there.
        std::vector<std::string> seen = told;
        if (!seen.empty() && seen.front() == "rules") seen.erase(seen.begin());
        return seen;
    };
    RulesWatcher watcher(store, [&] { tell("rules"); }, [&](bool present) { tell(present ? "back" : "gone"); });

    const std::string saved = readFile(dir / "rules.json");
    fs::remove_all(dir);
    EXPECT_TRUE(eventually([&] { return toldNow() == std::vector<std::string>{"gone"}; }));
    // The same rules back: nothing to read.
    fs::create_directory(dir);
    writeFile(dir / "rules.json", saved);
    EXPECT_TRUE(eventually([&] { return toldNow() == std::vector<std::string>{"gone", "back"}; }));
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(toldNow(), (std::vector<std::string>{"gone", "back"}));

    // Another program's rules in the folder that is there now.
    Config paused;
    paused.paused = true;
    Store(dir).saveConfig(paused);
    EXPECT_TRUE(eventually([&] { return toldNow().back() == "rules"; }));
}
