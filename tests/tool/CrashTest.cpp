// `olva run` killed in the middle of a rule: the next start logs what the
// rule did as an interrupted run that can be undone, and nothing runs twice.
// The engine's test hold stops it at the exact moment wanted.
#include "Core/platform/FileMetadata.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(Crash, ARunKilledMidRuleIsLoggedOnceAsInterruptedAndNeverRunAgain)
{
    ToolFixture fixture;
    fs::path archive = fixture.temp / "Archive";
    fs::path ran = fixture.temp / "ran", hold = fixture.temp / "hold";
    // Rename, then a script that holds the run until the test lets go, then move.
    Rule rule;
    rule.name = "Slow";
    rule.match = Group{Group::Mode::all, {Condition{Attr::ext, Op::is, "dat"}}};
    rule.actions = {Action::rename("{name}-r"),
                    Action::shell("echo ran >> '" + ran.string() + "'; while [ -e '" + hold.string() +
                                  "' ]; do sleep 0.05; done"),
                    Action::move(archive.string())};
    fixture.watch(fixture.inbox(), {rule});
    writeFile(hold, "");
    writeFile(fixture.inbox() / "report.dat", "r");

    {
        Child child({"run"}, fixture.inHome());
        ASSERT_TRUE(eventually([&] { return fs::exists(ran); })) << "the script never ran";
        child.signal(SIGKILL);
        EXPECT_EQ(child.finish().status, 128 + SIGKILL);
    }
    fs::remove(hold);
    ASSERT_TRUE(fs::exists(fixture.inbox() / "report-r.dat"));
    EXPECT_TRUE(fixture.store()->entries().empty());

    // The next start logs the run with the step it did, and goes no further.
    Finished next = runOlva({"once"}, fixture.inHome());
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_NE(next.out.find("ERROR  'Slow' " + (fixture.inbox() / "report.dat").string()), std::string::npos)
        << next.out;
    EXPECT_TRUE(fs::exists(fixture.inbox() / "report-r.dat"));
    EXPECT_FALSE(fs::exists(archive / "report-r.dat"));
    EXPECT_EQ(readFile(ran), "ran\n");
    auto entries = fixture.store()->entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].error, "interrupted: Olva stopped before the rule’s actions finished");
    // The rename, and the script that was started, which may have run.
    ASSERT_EQ(entries[0].steps.size(), 2u);
    EXPECT_EQ(entries[0].steps[0].from, (fixture.inbox() / "report.dat").string());
    EXPECT_EQ(entries[0].steps[1].kind, Step::Kind::shell);
    EXPECT_EQ(entries[0].steps[1].note, "the script may have run before Olva stopped");
    EXPECT_NE(next.out.find("(the script may have run before Olva stopped)"), std::string::npos) << next.out;

    // Again: it stays handled and is logged once.
    EXPECT_EQ(runOlva({"once"}, fixture.inHome()).out, "");
    EXPECT_EQ(fixture.store()->entries().size(), 1u);

    // And what it did can be undone.
    Finished undone = runOlva({"undo", entries[0].id.substr(0, 8)}, fixture.inHome());
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_TRUE(fs::exists(fixture.inbox() / "report.dat"));
}

namespace {

// A rule stopped at a given moment of its run, the process then killed.
struct KillCase {
    const char* name;
    const char* hold;             // the engine's test hold: moment and kind of step
    std::vector<Action> actions;  // {archive} and {ran} stand for the folders of the test
    // What the interrupted entry holds: the kinds of its steps.
    std::vector<Step::Kind> logged;
    const char* leftAs;   // the file's path under the test folder after the kill
    bool scriptNoted;     // the entry says the script may have run
};

std::string placed(std::string text, const fs::path& temp)
{
    for (auto [word, folder] : {std::pair{"{archive}", "Archive"}, {"{ran}", "ran"}}) {
        auto at = text.find(word);
        if (at != std::string::npos) text.replace(at, std::string(word).size(), (temp / folder).string());
    }
    return text;
}

}  // namespace

TEST(Crash, AKillBetweenAStepAndItsRecordLeavesTheStepInTheEntryAndUndoable)
{
    const std::vector<KillCase> cases = {
        {"rename", "done:move", {Action::rename("{name}-r"), Action::addTags({"Done"})}, {Step::Kind::move},
         "Inbox/report-r.dat", false},
        {"move", "done:move", {Action::move("{archive}"), Action::addTags({"Done"})}, {Step::Kind::move},
         "Archive/report.dat", false},
        {"tag change", "done:tags", {Action::addTags({"Done"}), Action::move("{archive}")}, {Step::Kind::tags},
         "Inbox/report.dat", false},
        {"script", "done:shell", {Action::shell("echo \"$1\" >> '{ran}'"), Action::move("{archive}")},
         {Step::Kind::shell}, "Inbox/report.dat", true},
        {"second step", "done:tags", {Action::rename("{name}-r"), Action::addTags({"Done"}), Action::move("{archive}")},
         {Step::Kind::move, Step::Kind::tags}, "Inbox/report-r.dat", false},
        // Announced, not made, but a script may have started: it counts as run.
        {"script started", "announced:shell", {Action::shell("echo \"$1\" >> '{ran}'")}, {Step::Kind::shell},
         "Inbox/report.dat", true},
    };
    for (const auto& kill : cases) {
        SCOPED_TRACE(kill.name);
        ToolFixture fixture;
        Rule rule;
        rule.name = "Tidy";
        rule.match = Group{Group::Mode::all, {Condition{Attr::ext, Op::is, "dat"}}};
        for (Action action : kill.actions) {
            action.text = placed(action.text, fixture.temp.path());
            rule.actions.push_back(action);
        }
        fixture.watch(fixture.inbox(), {rule});
        fs::path original = fixture.inbox() / "report.dat";
        writeFile(original, "the report");

        ASSERT_TRUE(fixture.killWhenHeld("run", kill.hold)) << "never held";
        std::string ranBefore = fs::exists(fixture.temp / "ran") ? readFile(fixture.temp / "ran") : "";

        Finished next = runOlva({"once"}, fixture.inHome());
        EXPECT_EQ(next.status, 0) << next.err;
        auto entries = fixture.store()->entries();
        ASSERT_EQ(entries.size(), 1u) << next.out;
        const Entry& entry = entries[0];
        EXPECT_EQ(entry.error, "interrupted: Olva stopped before the rule’s actions finished");
        std::vector<Step::Kind> kinds;
        for (const auto& step : entry.steps) kinds.push_back(step.kind);
        EXPECT_EQ(kinds, kill.logged);
        EXPECT_TRUE(fs::exists(fixture.temp / kill.leftAs));
        bool noted = std::any_of(entry.steps.begin(), entry.steps.end(), [](const Step& step) {
            return step.note == "the script may have run before Olva stopped";
        });
        EXPECT_EQ(noted, kill.scriptNoted);
        // Nothing ran again.
        EXPECT_EQ(fs::exists(fixture.temp / "ran") ? readFile(fixture.temp / "ran") : "", ranBefore);
        EXPECT_EQ(runOlva({"once"}, fixture.inHome()).out, "");

        // The undo puts the file back as it was: its name, its place, its tags.
        if (entry.steps.empty()) continue;
        Finished undone = runOlva({"undo", entry.id.substr(0, 8)}, fixture.inHome());
        EXPECT_EQ(undone.status, 0) << undone.err;
        EXPECT_EQ(readFile(original), "the report");
        EXPECT_TRUE(platform::readTags(original).empty());
        EXPECT_FALSE(fs::exists(fixture.temp / "Archive" / "report.dat"));
    }
}

// Killed once its first change is announced and before it is made, a run
// changed nothing: it is logged as interrupted, and the next start handles
// the file as if the run had never begun.
TEST(Crash, AKillBeforeTheFirstChangeLeavesTheFileToTheNextRun)
{
    struct Case {
        const char* name;
        const char* hold;
        Action action;       // {archive} stands for the test's Archive folder
        const char* movedTo;  // the file's path under the test folder once handled
        std::vector<std::string> tags;
    };
    const std::vector<Case> cases = {
        {"move", "announced:move", Action::move("{archive}"), "Archive/report.dat", {}},
        {"rename", "announced:move", Action::rename("{name}-r"), "Inbox/report-r.dat", {}},
        {"tag change", "announced:tags", Action::addTags({"Done"}), "Inbox/report.dat", {"Done"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ToolFixture fixture;
        Action action = c.action;
        action.text = placed(action.text, fixture.temp.path());
        fixture.watch(fixture.inbox(), {extRule("Tidy", "dat", action)});
        const fs::path original = fixture.inbox() / "report.dat";
        writeFile(original, "the report");

        ASSERT_TRUE(fixture.killWhenHeld("once", c.hold)) << "never held";
        ASSERT_TRUE(fs::exists(original));

        Finished next = runOlva({"once"}, fixture.inHome());
        EXPECT_EQ(next.status, 0) << next.err;
        auto entries = fixture.store()->entries();
        ASSERT_EQ(entries.size(), 2u) << next.out;
        EXPECT_EQ(entries[0].error, "interrupted: Olva stopped before the rule’s actions finished");
        EXPECT_TRUE(entries[0].steps.empty());
        EXPECT_EQ(entries[1].error, std::nullopt);
        EXPECT_EQ(entries[1].steps.size(), 1u);
        const fs::path handled = fixture.temp / c.movedTo;
        EXPECT_TRUE(fs::exists(handled));
        EXPECT_EQ(platform::readTags(handled), c.tags);

        // And then it is handled for good.
        Finished again = runOlva({"once"}, fixture.inHome());
        EXPECT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(again.out, "");
        EXPECT_EQ(fixture.store()->entries().size(), 2u);
    }
}
