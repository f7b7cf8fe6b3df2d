// `olva run` killed in the middle of a rule: the next start logs what the
// rule did as an interrupted run that can be undone, and nothing runs twice.
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

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
        ASSERT_TRUE(eventually([&] { return fs::exists(ran); }, 10s)) << "the script never ran";
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
