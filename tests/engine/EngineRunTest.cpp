// The engine end to end on real folders: settling, running the first
// matching rule, the seen sets, the failure back-off and the loop guard.
#include "tests/engine/EngineFixture.h"

#include "Core/facts/FileInfo.h"
#include "Core/platform/FileMetadata.h"

#include <fstream>
#include <thread>

using namespace olva;
using namespace olva::test;

namespace {

int lineCount(const fs::path& path)
{
    std::ifstream in(path);
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    return lines;
}

Date::duration secondsOf(double value)
{
    return std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(value));
}

}  // namespace

TEST_F(EngineTest, ANewFileIsActedOnOnceItHasSettled)
{
    const double settle = 0.5;
    fs::path marker = tmp.path() / "marker";
    Rule note = makeRule("Note", {extIs("txt")}, {Action::shell("echo \"$1\" >> '" + marker.string() + "'")});
    saveRules({folder({note})});
    engine = makeEngine(settle);
    engine->start();
    ASSERT_TRUE(statuses.waitFor(1));
    ASSERT_TRUE(waitForDueWork());  // the first, empty pass is over

    auto written = std::chrono::steady_clock::now();
    writeFile(inbox / "a.txt", "hello");
    writeFile(inbox / "b.pdf", "not for this rule");
    // Its event brings the pass: the periodic one is ten minutes away.
    ASSERT_TRUE(entries.waitFor(1));
    EXPECT_GE(std::chrono::steady_clock::now() - written, secondsOf(settle * 0.9)) << "acted on before it settled";

    Entry entry = entries.items().front();
    EXPECT_EQ(entry.file, (inbox / "a.txt").string());
    EXPECT_EQ(entry.rule, "Note");
    ASSERT_EQ(entry.checks.size(), 1u);
    EXPECT_EQ(entry.checks[0].actual, "txt");
    EXPECT_FALSE(entry.error) << *entry.error;
    ASSERT_EQ(entry.steps.size(), 1u);
    EXPECT_EQ(entry.steps[0].kind, Step::Kind::shell);
    ASSERT_EQ(logged().size(), 1u);
    EXPECT_EQ(logged()[0].id, entry.id);

    // Later passes find the file handled: no second run.
    engine->scanNow();
    engine->scanAll();
    ASSERT_TRUE(waitForDueWork());
    engine->scanNow();
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_EQ(lineCount(marker), 1);
    // The seen file holds the mark for the next process.
    Seen seen = store->loadSeen();
    auto key = FileInfo::keyFor(inbox / "a.txt");
    ASSERT_TRUE(seen.contains(key));
    EXPECT_TRUE(seen[key].contains(ruleVersion(note)));
}

TEST_F(EngineTest, AGrowingFileWaitsUntilItStopsChanging)
{
    // Far longer than the writer's pauses, however busy the machine.
    const double settle = 2.0;
    saveRules({folder({makeRule("Move", {extIs("bin")}, {Action::move(done.string())})})});
    engine = makeEngine(settle);
    engine->start();
    ASSERT_TRUE(statuses.waitFor(1));

    std::chrono::steady_clock::time_point lastWrite;
    {
        std::ofstream out(inbox / "big.bin", std::ios::binary);
        for (int i = 0; i < 8; ++i) {
            out << std::string(1000, 'x') << std::flush;
            lastWrite = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(100ms);
            EXPECT_EQ(entries.size(), 0u) << "acted on while still growing";
        }
    }
    ASSERT_TRUE(entries.waitFor(1));
    auto after = std::chrono::steady_clock::now() - lastWrite;
    EXPECT_GE(after, secondsOf(settle * 0.9));
    EXPECT_TRUE(fs::exists(done / "big.bin"));
    EXPECT_EQ(fs::file_size(done / "big.bin"), 8000u);
    EXPECT_EQ(entries.size(), 1u);
}

TEST_F(EngineTest, ADryRunIsLoggedOnceAndNotRepeated)
{
    saveRules({folder({makeRule("Would move", {extIs("txt")}, {Action::move(done.string())}, true)})});
    writeFile(inbox / "a.txt", "x");
    engine = makeEngine(0);
    engine->scanNow();
    engine->scanNow();
    auto log = logged();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].dryRun);
    ASSERT_EQ(log[0].steps.size(), 1u);
    EXPECT_EQ(log[0].steps[0].to, (done / "a.txt").string());
    EXPECT_FALSE(log[0].steps[0].key);
    EXPECT_TRUE(fs::exists(inbox / "a.txt"));
    EXPECT_FALSE(fs::exists(done / "a.txt"));

    // A fresh engine (the next run of the program) does not report it again.
    engine = makeEngine(0);
    engine->scanNow();
    EXPECT_EQ(logged().size(), 1u);
}

TEST_F(EngineTest, AFailingRuleBacksOffAndLogsOnlyNewMessages)
{
    Rule failing = makeRule("Fails", {extIs("txt")}, {Action::shell("echo nope; exit 3")});
    saveRules({folder({failing})});
    writeFile(inbox / "a.txt", "x");
    engine = makeEngine(0);
    Date start = currentDate();
    Date clock = start;
    onEngine([&](Engine::Impl& impl) { impl.clock = [&clock] { return clock; }; return 0; });
    const std::string key = FileInfo::keyFor(inbox / "a.txt");

    engine->scanNow();
    ASSERT_EQ(logged().size(), 1u);
    EXPECT_TRUE(logged()[0].error);
    EXPECT_TRUE(logged()[0].steps.empty());
    auto failure = onEngine([&](Engine::Impl& impl) { return impl.failures.at(key); });
    EXPECT_EQ(failure.count, 1);
    EXPECT_EQ(failure.retry, start + 600s);

    // Before the retry time the file is left alone.
    clock = start + 599s;
    engine->scanNow();
    EXPECT_EQ(onEngine([&](Engine::Impl& impl) { return impl.failures.at(key).count; }), 1);

    // The same failure again: counted, retried after twice the delay, not logged.
    clock = start + 600s;
    engine->scanNow();
    failure = onEngine([&](Engine::Impl& impl) { return impl.failures.at(key); });
    EXPECT_EQ(failure.count, 2);
    EXPECT_EQ(failure.retry, start + 600s + 1200s);
    EXPECT_EQ(logged().size(), 1u);
    EXPECT_EQ(entries.size(), 1u);

    // An edited rule fails with another message: logged again.
    failing.actions = {Action::shell("echo other; exit 4")};
    saveRules({folder({failing})});
    onEngine([](Engine::Impl& impl) { impl.config = impl.store->loadConfig(); return 0; });
    clock = start + 1800s;
    engine->scanNow();
    ASSERT_EQ(logged().size(), 2u);
    EXPECT_NE(logged()[1].version, logged()[0].version);
    EXPECT_EQ(onEngine([&](Engine::Impl& impl) { return impl.failures.at(key).retry; }), start + 1800s + 2400s);
    // A failure before any change never marks the file handled.
    EXPECT_FALSE(store->loadSeen().contains(key));

    // Success clears the record.
    Rule fixed = makeRule("Fixed", {extIs("txt")}, {Action::move(done.string())});
    saveRules({folder({fixed})});
    onEngine([](Engine::Impl& impl) { impl.config = impl.store->loadConfig(); return 0; });
    clock = start + 1800s + 2400s;
    engine->scanNow();
    ASSERT_EQ(logged().size(), 3u);
    EXPECT_FALSE(logged()[2].error);
    EXPECT_FALSE(onEngine([&](Engine::Impl& impl) { return impl.failures.contains(key); }));
}

TEST_F(EngineTest, BackOffDoublesUpToOneDay)
{
    engine = makeEngine(0);
    Date now = currentDate();
    std::vector<std::int64_t> delays;
    std::vector<bool> logged;
    onEngine([&](Engine::Impl& impl) {
        for (int i = 0; i < 10; ++i) {
            logged.push_back(impl.noteFailure("k", i == 5 ? "v other" : "v same", now));
            delays.push_back(std::chrono::duration_cast<std::chrono::seconds>(impl.failures["k"].retry - now).count());
        }
        return 0;
    });
    EXPECT_EQ(delays, (std::vector<std::int64_t>{600, 1200, 2400, 4800, 9600, 19200, 38400, 76800, 86400, 86400}));
    EXPECT_EQ(logged, (std::vector<bool>{true, false, false, false, false, true, true, false, false, false}));
}

TEST_F(EngineTest, TheLoopGuardStopsTheSixthRunInAMinute)
{
    // Each edit gives the rule a new version, so it acts on the file again.
    fs::path marker = tmp.path() / "marker";
    auto ruleNumber = [&](int n) {
        return makeRule("Again", {extIs("txt")},
                        {Action::shell("echo " + std::to_string(n) + " >> '" + marker.string() + "'")});
    };
    saveRules({folder({ruleNumber(0)})});
    writeFile(inbox / "a.txt", "x");
    engine = makeEngine(0);
    for (int n = 0; n < 7; ++n) {
        if (n) {
            saveRules({folder({ruleNumber(n)})});
            engine->reload();
        }
        engine->scanNow();
    }
    auto log = logged();
    ASSERT_EQ(log.size(), 6u);
    for (int n = 0; n < 5; ++n) EXPECT_FALSE(log[n].error) << n;
    ASSERT_TRUE(log[5].error);
    EXPECT_EQ(*log[5].error, "stopped: rules acted on this file more than 5 times in a minute");
    EXPECT_TRUE(log[5].steps.empty());
    // The stop is a failure: the file waits for its retry, so the seventh
    // edit does not run it either.
    EXPECT_EQ(lineCount(marker), 5);

    // A minute later the old runs have expired.
    Date later = currentDate() + 601s;
    bool stopped = onEngine([&](Engine::Impl& impl) { return impl.loopGuardStops(FileInfo::keyFor(inbox / "a.txt"), later); });
    EXPECT_FALSE(stopped);
}

TEST_F(EngineTest, OnlyRulesBeforeTheFirstHandledOneArePending)
{
    Rule r1 = makeRule("R1", {nameIs("x")}, {Action::move(done.string())});
    Rule r2 = makeRule("R2", {extIs("txt")}, {Action::move(done.string())});
    Rule r3 = makeRule("R3", {}, {Action::move(done.string())});
    r3.enabled = true;
    saveRules({folder({r1, r2, r3})});
    engine = makeEngine(0);
    const std::string v1 = ruleVersion(r1), v2 = ruleVersion(r2), v3 = ruleVersion(r3);
    auto pending = [&](std::set<std::string> handled) {
        return onEngine([&](Engine::Impl& impl) {
            impl.seen.erase("k");
            for (const auto& version : handled) impl.seen.add("k", version);
            std::vector<std::pair<const Rule*, std::string>> rules;
            for (const auto& rule : impl.config.folders[0].rules) rules.emplace_back(&rule, ruleVersion(rule));
            std::vector<std::string> names;
            for (const auto& [rule, version] : impl.pendingRules(rules, "k")) names.push_back(rule->name);
            return names;
        });
    };
    EXPECT_EQ(pending({}), (std::vector<std::string>{"R1", "R2", "R3"}));
    EXPECT_EQ(pending({v2}), (std::vector<std::string>{"R1"}));
    EXPECT_EQ(pending({v1}), (std::vector<std::string>{}));
    EXPECT_EQ(pending({v3}), (std::vector<std::string>{"R1", "R2"}));
}

TEST_F(EngineTest, FilesThatNeedNothingBecomeQuiet)
{
    Rule disabled = makeRule("Off", {}, {Action::move(done.string())});
    disabled.enabled = false;
    saveRules({folder({disabled})});
    writeFile(inbox / "a.txt", "x");
    engine = makeEngine(0);
    engine->scanNow();
    auto quiet = onEngine([&](Engine::Impl& impl) { return impl.quiet[inbox.string()]; });
    ASSERT_EQ(quiet.files.size(), 1u);
    EXPECT_TRUE(quiet.versions.empty());
    EXPECT_TRUE(fs::exists(inbox / "a.txt"));
    EXPECT_TRUE(logged().empty());

    // Enabling the rule changes the folder's versions: the quiet list goes.
    disabled.enabled = true;
    saveRules({folder({disabled})});
    engine->reload();
    engine->scanNow();
    EXPECT_TRUE(fs::exists(done / "a.txt"));
    ASSERT_EQ(logged().size(), 1u);
}

TEST_F(EngineTest, TheDataDirectoryIsNeverActedOnWhereverItLies)
{
    struct Case {
        const char* what;
        fs::path data;
        std::int64_t depth;
    };
    const std::vector<Case> cases = {
        {"in the watched folder", inbox / "olva", 1},
        {"deeper in it", inbox / "a" / "b" / "olva", 3},
        {"the watched folder itself", inbox, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const fs::path& folder : {inbox, done}) {
            fs::remove_all(folder);
            fs::create_directories(folder);
        }
        fs::create_directories(c.data);
        store = std::make_shared<Store>(c.data);
        Rule moveJson = makeRule("Json", {extIs("json")}, {Action::move(done.string())});
        Rule tagAll = makeRule("Tag", {Condition{Attr::name, Op::isNot, "zzz"}}, {Action::addTags({"T"})});
        saveRules({folder({moveJson, tagAll}, inbox, c.depth)});
        writeFile(inbox / "mine.json", "{}");
        writeFile(inbox / "note.txt", "x");
        engine = makeEngine(0);
        engine->scanNow();
        engine->scanNow();

        const bool apart = c.data != inbox;
        EXPECT_EQ(fs::exists(done / "mine.json"), apart);
        EXPECT_EQ(platform::readTags(inbox / "note.txt").size(), apart ? 1u : 0u);
        std::size_t own = 0;
        for (const auto& item : fs::recursive_directory_iterator(c.data)) {
            if (!item.is_regular_file() || (!apart && (item.path() == inbox / "note.txt"))) continue;
            ++own;
            EXPECT_TRUE(platform::readTags(item.path()).empty()) << item.path();
        }
        EXPECT_TRUE(fs::exists(c.data / "rules.json"));
        EXPECT_GE(own, 2u);  // the rules and the log at least
        EXPECT_EQ(store->entries().size(), apart ? 2u : 0u);
        engine.reset();
    }
}
