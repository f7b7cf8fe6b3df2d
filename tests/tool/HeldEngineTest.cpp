// `olva run` and `olva once` as other programs meet them while a pass goes
// on: what they print can be read at once, an undo never waits for the pass,
// and a rule that acts on what an earlier one did comes round at once. The
// engine's test hold stops a pass after an entry, until the test lets go.
#include "Core/platform/AtomicFile.h"
#include "tests/tool/ToolTestSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <csignal>

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Long enough for any machine to do what is waited for; only a hang takes it.
constexpr auto kPatience = 30s;

// The engine run with OLVA_TEST_HOLD=logged: held after each entry, let go.
class Hold {
public:
    explicit Hold(fs::path home) : home_(std::move(home)) {}

    // Waits for the next hold.
    bool held()
    {
        const std::string next = std::to_string(count_ + 1);
        if (!eventually([&] { return platform::readFileIfPossible(home_ / "test-held") == next; }, kPatience))
            return false;
        ++count_;
        return true;
    }

    // Opens the engine's pipe and closes it again.
    bool release() const
    {
        int fd = -1;
        // No reader yet: the engine is about to open it.
        if (!eventually([&] { return (fd = ::open((home_ / "test-hold").c_str(), O_WRONLY | O_NONBLOCK)) >= 0; },
                        kPatience))
            return false;
        ::close(fd);
        return true;
    }

private:
    fs::path home_;
    int count_ = 0;
};

SpawnOptions holdingAfterEachEntry(const ToolFixture& fixture)
{
    SpawnOptions options = fixture.inHome();
    options.env["OLVA_TEST_HOLD"] = "logged";
    return options;
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++found;
    return found;
}

}  // namespace

// Through a pipe, each entry can be read as soon as it is logged, and
// "watching" comes before the entries of the first pass.
TEST(HeldEngine, AnEntryCanBeReadFromAPipeWhileTheEngineIsHeldAfterIt)
{
    ToolFixture fixture;
    fixture.watch(fixture.inbox(), {extRule("Tidy", "txt", Action::addTags({"Done"}))});
    writeFile(fixture.inbox() / "a.txt", "a");
    writeFile(fixture.inbox() / "b.txt", "b");
    Hold hold(fixture.home());

    Child child({"run"}, holdingAfterEachEntry(fixture));
    ASSERT_TRUE(hold.held());
    const std::string logged = "did  'Tidy' " + fixture.inbox().string() + "/";
    ASSERT_TRUE(child.waitForOutput(logged, kPatience)) << "the entry did not come through the pipe";
    ASSERT_TRUE(hold.release());
    ASSERT_TRUE(hold.held());
    ASSERT_TRUE(child.waitForOutput(logged + "b.txt", kPatience));
    ASSERT_TRUE(child.waitForOutput(logged + "a.txt", kPatience));
    ASSERT_TRUE(hold.release());
    child.signal(SIGTERM);
    Finished finished = child.finish();
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_TRUE(finished.out.starts_with("watching 1 folder(s), ctrl-c to stop\n")) << finished.out;
    EXPECT_EQ(count(finished.out, logged), 2u) << finished.out;
}

// An undo from the tool or the MCP server, while `olva once` is held in the
// middle of its pass: the undo's entry is in the log before the pass goes on.
TEST(HeldEngine, AnUndoDuringAPassWaitsForNothing)
{
    ToolFixture fixture;
    const fs::path archive = fixture.temp / "Archive";
    fixture.watch(fixture.inbox(), {extRule("File", "txt", Action::move(archive.string()))});
    writeFile(fixture.inbox() / "a.txt", "a");
    writeFile(fixture.inbox() / "b.txt", "b");
    Hold hold(fixture.home());

    Child once({"once"}, holdingAfterEachEntry(fixture));
    struct Undo {
        const char* by;
        std::function<void(const std::string& id)> undo;
    };
    const std::vector<Undo> undos = {
        {"olva undo",
         [&](const std::string& id) {
             Child undo({"undo", id.substr(0, 8)}, fixture.inHome());
             Finished finished = undo.finish(kPatience);
             EXPECT_EQ(finished.status, 0) << finished.err;
         }},
        {"revert_activity",
         [&](const std::string& id) {
             Child mcp({"mcp"}, fixture.inHome());
             nlohmann::json request = {{"jsonrpc", "2.0"},
                                       {"id", 1},
                                       {"method", "tools/call"},
                                       {"params", {{"name", "revert_activity"}, {"arguments", {{"id", id}}}}}};
             mcp.write(request.dump() + "\n");
             EXPECT_TRUE(mcp.waitForOutput("\"id\":1", kPatience)) << "no answer";
             Finished finished = mcp.finish(kPatience);
             EXPECT_EQ(finished.out.find("\"isError\":true"), std::string::npos) << finished.out;
         }},
    };
    for (std::size_t round = 0; round < undos.size(); ++round) {
        SCOPED_TRACE(undos[round].by);
        ASSERT_TRUE(hold.held());
        auto entries = fixture.store()->entries();
        ASSERT_EQ(entries.size(), 2 * round + 1);
        const Entry run = entries.back();
        ASSERT_EQ(run.steps.size(), 1u);

        undos[round].undo(run.id);
        entries = fixture.store()->entries();
        ASSERT_EQ(entries.size(), 2 * round + 2);
        EXPECT_EQ(entries.back().undoOf, run.id);
        EXPECT_TRUE(fs::exists(run.file));
        // All of it while the pass is held.
        EXPECT_TRUE(fs::exists(fixture.home() / "test-held"));
        ASSERT_TRUE(hold.release());
    }
    Finished finished = once.finish(kPatience);
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_EQ(fixture.store()->entries().size(), 4u);
}

// Rules of one folder where the second tags what the first one files: the
// tag's change brings the first rule round within the settle time, not at
// the next rescan ten minutes later. With the tagging rule alone, the tag's
// change brings no pass at all.
TEST(HeldEngine, ARuleThatActsOnWhatAnEarlierRuleDidComesRoundAtOnce)
{
    ToolFixture fixture;
    const fs::path invoices = fixture.temp / "Invoices";
    const fs::path other = fixture.temp / "Other";
    fs::create_directories(other);
    Rule file;
    file.name = "File";
    file.match = Group{Group::Mode::all, {Condition{Attr::tags, Op::contains, "Inv"}}};
    file.actions = {Action::move(invoices.string())};
    Rule tag;
    tag.name = "Tag";
    tag.match = Group{Group::Mode::all, {Condition{Attr::name, Op::contains, "inv"}}};
    tag.actions = {Action::addTags({"Inv"})};
    SpawnOptions options = fixture.inHome();
    options.env["OLVA_DEBUG"] = "1";
    const fs::path invoice = fixture.inbox() / "inv1.txt";

    {
        SCOPED_TRACE("two rules");
        fixture.watch(fixture.inbox(), {file, tag});
        Child run({"run"}, options);
        ASSERT_TRUE(run.waitForOutput("watching 1 folder(s)", kPatience));
        writeFile(invoice, "due");
        ASSERT_TRUE(run.waitForOutput("did  'Tag' " + invoice.string(), kPatience));
        EXPECT_TRUE(run.waitForOutput("did  'File' " + invoice.string(), kPatience))
            << "the tag did not bring the folder round";
        EXPECT_TRUE(fs::exists(invoices / "inv1.txt"));
        run.signal(SIGTERM);
        Finished finished = run.finish();
        EXPECT_EQ(finished.status, 0);
        // Its creation, and then the tag.
        EXPECT_GE(count(finished.err, "events: [\"" + invoice.string() + "\"]"), 2u) << finished.err;
    }
    {
        SCOPED_TRACE("the tagging rule alone");
        Config config;
        config.folders.push_back(Folder{fixture.inbox().string(), 0, false, {tag}});
        config.folders.push_back(Folder{other.string(), 0, false, {tag}});
        fixture.store()->saveConfig(config);
        const fs::path second = fixture.inbox() / "inv2.txt";
        Child run({"run"}, options);
        ASSERT_TRUE(run.waitForOutput("watching 2 folder(s)", kPatience));
        writeFile(second, "due");
        ASSERT_TRUE(run.waitForOutput("did  'Tag' " + second.string(), kPatience));
        // The tag's event is handled and seen to be the engine's own.
        ASSERT_TRUE(run.waitForError("own changes: [\"" + second.string() + "\"]", kPatience));
        // A pass it had brought would come before the pass of a folder
        // scheduled later.
        writeFile(other / "inv3.txt", "due");
        ASSERT_TRUE(run.waitForOutput("did  'Tag' " + (other / "inv3.txt").string(), kPatience));
        run.signal(SIGTERM);
        Finished finished = run.finish();
        EXPECT_EQ(finished.status, 0);
        const auto own = finished.err.find("own changes: [\"" + second.string());
        const auto later = finished.err.find(" scan " + other.string() + "\n", own);
        ASSERT_NE(later, std::string::npos) << finished.err;
        EXPECT_EQ(finished.err.substr(own, later - own).find(" scan " + fixture.inbox().string() + "\n"),
                  std::string::npos)
            << finished.err;
    }
}
