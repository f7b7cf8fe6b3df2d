// `olva` stopped while it copies a file between file systems: a run's move
// or copy to a tmpfs volume, or an undo's move back from it. A signal it can
// catch ends the copy at once, leaving nothing, and the tool says what was cut
// short and ends as the signal would; what a killed one left goes with the
// next undo of the entry or pass over the folder. Either way the file is
// whole in exactly one place, and a later undo brings it back whole.
#include "Core/platform/LeftoverCopies.h"
#include "tests/support/PrivateMounts.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <functional>
#include <sstream>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

enum class Copier { runMove, runCopy, watching, undo, undoOverMcp };

struct Stop {
    const char* name;
    int signal;
};

const std::vector<Stop> kStops = {{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGKILL", SIGKILL}};

// Names a user may give that only look like a temporary's.
const std::vector<std::string> kLookAlikes = {".olva-notes.partial",
                                              ".olva-1b4e28ba-2fa1-11d2-883f-0016d3cca427.partial",
                                              "olva-1B4E28BA-2FA1-11D2-883F-0016D3CCA427.partial"};

std::string quoted(const fs::path& path) { return "“" + path.string() + "”"; }

class StopMidCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!mounts.unavailable().empty()) GTEST_SKIP() << mounts.unavailable();
        fs::create_directories(point());
        if (!mounts.mountTmpfs(point(), "64m")) GTEST_SKIP() << "no tmpfs to move to: " << mounts.failure();
    }

    fs::path point() const { return fixture.temp / "volume"; }
    fs::path archive() const { return point() / "Archive"; }
    fs::path inInbox() const { return fixture.inbox() / "big.dat"; }
    fs::path inArchive() const { return archive() / "big.dat"; }

    // The inbox holding the file and the look-alikes, an archive holding
    // only look-alikes, and a rule that moves or copies to the archive.
    void freshStart(bool move)
    {
        for (const fs::path& folder : {fixture.home(), fixture.inbox(), archive()}) {
            fs::remove_all(folder);
            fs::create_directories(folder);
            for (const auto& name : kLookAlikes) writeFile(folder / name, "mine");
        }
        writeFile(inInbox(), contents);
        const Action action = move ? Action::move(archive().string()) : Action::copy(archive().string());
        fixture.watch(fixture.inbox(), {extRule("Archive", "dat", action)});
    }

    // The temporaries in the inbox and the archive.
    std::vector<std::string> temporaries() const
    {
        std::vector<std::string> found;
        for (const fs::path& folder : {fixture.inbox(), archive()})
            for (const auto& name : namesIn(folder))
                if (platform::isTemporaryCopyName(name)) found.push_back(name);
        return found;
    }

    // Where the file is whole, of the inbox and the archive.
    std::vector<fs::path> wholeAt() const
    {
        std::vector<fs::path> found;
        for (const fs::path& path : {inInbox(), inArchive()})
            if (fs::exists(path) && readFile(path) == contents) found.push_back(path);
        return found;
    }

    void expectLookAlikesStay() const
    {
        for (const fs::path& folder : {fixture.inbox(), archive()})
            for (const auto& name : kLookAlikes) EXPECT_EQ(readFile(folder / name), "mine") << folder / name;
    }

    std::vector<Entry> entries(bool undos)
    {
        auto all = fixture.store()->entries();
        std::erase_if(all, [&](const Entry& entry) { return entry.undoOf.has_value() != undos; });
        return all;
    }

    void once()
    {
        Finished done = runOlva({"once"}, fixture.inHome());
        ASSERT_EQ(done.status, 0) << done.err;
    }

    void undo(const std::string& id)
    {
        Finished done = runOlva({"undo", id}, fixture.inHome());
        ASSERT_EQ(done.status, 0) << done.err;
    }

    // Runs what the copier is, holds it once its copy has begun (and hands
    // it to `held`), and stops it with the signal.
    Finished stopMidCopy(Copier copier, const std::string& id, int signal,
                         const std::function<void(int pid)>& held = {})
    {
        std::vector<std::string> args = {"once"};
        std::string input;
        if (copier == Copier::watching) args = {"run"};
        if (copier == Copier::undo) args = {"undo", id};
        if (copier == Copier::undoOverMcp) {
            args = {"mcp"};
            input = nlohmann::json{{"jsonrpc", "2.0"},
                                   {"id", 1},
                                   {"method", "tools/call"},
                                   {"params", {{"name", "revert_activity"}, {"arguments", {{"id", id}}}}}}
                        .dump()
                  + "\n";
        }
        SpawnOptions options = fixture.inHome(input);
        options.env["OLVA_TEST_HOLD"] = "copying";
        Child child(args, options);
        EXPECT_TRUE(eventually([&] { return fs::exists(fixture.home() / "test-held"); })) << "never held";
        if (held) held(child.pid());
        child.signal(signal);
        Finished finished = child.finish();
        fs::remove(fixture.home() / "test-held");
        return finished;
    }

    ToolFixture fixture;
    PrivateMounts mounts;  // before the fixture's folder goes
    const std::string contents = largePayload('s');
};

// Whether the process ignores the signal, as its status in /proc tells.
bool ignores(int pid, int signal)
{
    std::istringstream status(readFile("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("SigIgn:")) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

// The signal ignored in what the test starts, as nohup does.
class IgnoredSignal {
public:
    explicit IgnoredSignal(int signal) : signal_(signal)
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(signal_, &ignore, &before_);
    }
    ~IgnoredSignal() { ::sigaction(signal_, &before_, nullptr); }

private:
    int signal_;
    struct sigaction before_ {};
};

}  // namespace

// The copiers, each a test of its own so that they run side by side.
struct CopierCase {
    const char* name;
    Copier copier;
    // Of a kill: whether the next pass, rather than the next undo, finds
    // what the undo left.
    bool passSweeps = false;
};

const CopierCase kCopiers[] = {{"ARunsMove", Copier::runMove},
                               {"ARunsCopy", Copier::runCopy},
                               {"ARunsMoveWhileWatching", Copier::watching},
                               {"AnUndosMoveBack", Copier::undo},
                               {"AnUndosMoveBackThenAPass", Copier::undo, true},
                               {"AnUndosMoveBackOverMcp", Copier::undoOverMcp}};

class StopMidCopyBy : public StopMidCopy, public ::testing::WithParamInterface<CopierCase> {};

INSTANTIATE_TEST_SUITE_P(Copiers, StopMidCopyBy, ::testing::ValuesIn(kCopiers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(StopMidCopyBy, NothingIsLeftAndTheFileIsWholeInOnePlaceAndComesBack)
{
    const CopierCase& c = GetParam();
    for (const Stop& stop : kStops) {
        if (c.passSweeps && stop.signal != SIGKILL) continue;
        SCOPED_TRACE(stop.name);
        const bool ofRun = c.copier != Copier::undo && c.copier != Copier::undoOverMcp;
        freshStart(c.copier != Copier::runCopy);
        std::string id;
        if (!ofRun) {
            ASSERT_NO_FATAL_FAILURE(once());
            ASSERT_EQ(entries(false).size(), 1u);
            id = entries(false)[0].id;
        }
        // Where the file is while it is copied, and whither.
        const fs::path from = ofRun ? inInbox() : inArchive();
        const fs::path to = ofRun ? archive() : fixture.inbox();

        Finished stopped = stopMidCopy(c.copier, id, stop.signal);
        EXPECT_EQ(stopped.status, 128 + stop.signal) << stopped.err;
        if (stop.signal == SIGKILL) {
            // What it was writing is left for the next one to find.
            EXPECT_EQ(namesIn(to).size(), kLookAlikes.size() + 1);
            EXPECT_EQ(temporaries().size(), 1u);
            if (ofRun || c.passSweeps) {
                ASSERT_NO_FATAL_FAILURE(once());
            }
            // A run is tried again and done; a pass leaves the archive
            // alone, and the file in it.
            if (c.copier == Copier::runCopy) EXPECT_EQ(wholeAt(), (std::vector<fs::path>{inInbox(), inArchive()}));
            else EXPECT_EQ(wholeAt(), std::vector<fs::path>{inArchive()});
        } else {
            // One line that says what was cut short and where the file is.
            const std::string still = "the file is still at " + quoted(from) + "\n";
            EXPECT_NE(stopped.err.find(" of " + quoted(from) + " to " + quoted(to) + " was cut short"),
                      std::string::npos)
                << stopped.err;
            EXPECT_TRUE(stopped.err.ends_with(still)) << stopped.err;
            EXPECT_EQ(std::count(stopped.err.begin(), stopped.err.end(), '\n'), 1) << stopped.err;
            EXPECT_EQ(temporaries(), std::vector<std::string>{});
            EXPECT_EQ(wholeAt(), std::vector<fs::path>{from});
            // Recorded as any failure is: a run with the error and no
            // step, an undo that put nothing back not at all.
            const auto cut = entries(!ofRun);
            ASSERT_EQ(cut.size(), ofRun ? 1u : 0u);
            if (ofRun) {
                EXPECT_TRUE(cut[0].steps.empty());
                EXPECT_NE(cut[0].error.value_or("").find("was cut short"), std::string::npos);
            }
            // A run cut short had changed nothing, and is tried again.
            if (ofRun) {
                ASSERT_NO_FATAL_FAILURE(once());
            }
        }
        // Only the next undo of the entry knows to look where the file returns.
        const bool leftForUndo = stop.signal == SIGKILL && !ofRun && !c.passSweeps;
        EXPECT_EQ(temporaries().size(), leftForUndo ? 1u : 0u);

        // The run that did happen is undone whole.
        const auto runs = entries(false);
        ASSERT_FALSE(runs.empty());
        ASSERT_NO_FATAL_FAILURE(undo(runs.back().id));
        EXPECT_EQ(readFile(inInbox()), contents);
        EXPECT_FALSE(fs::exists(inArchive()));
        EXPECT_EQ(temporaries(), std::vector<std::string>{});
        expectLookAlikesStay();
    }
}

TEST_F(StopMidCopy, ASignalIgnoredFromTheStartStaysIgnored)
{
    for (const Copier copier : {Copier::undo, Copier::watching}) {
        SCOPED_TRACE(copier == Copier::undo ? "olva undo" : "olva run");
        const bool ofRun = copier == Copier::watching;
        freshStart(true);
        std::string id;
        if (!ofRun) {
            ASSERT_NO_FATAL_FAILURE(once());
            id = entries(false).at(0).id;
        }
        Finished stopped;
        {
            IgnoredSignal nohup(SIGHUP);
            stopped = stopMidCopy(copier, id, SIGTERM, [](int pid) {
                EXPECT_TRUE(ignores(pid, SIGHUP));
                EXPECT_FALSE(ignores(pid, SIGTERM));
            });
        }
        EXPECT_EQ(stopped.status, 128 + SIGTERM) << stopped.err;
        EXPECT_NE(stopped.err.find("was cut short"), std::string::npos) << stopped.err;
        EXPECT_EQ(temporaries(), std::vector<std::string>{});
        EXPECT_EQ(wholeAt(), std::vector<fs::path>{ofRun ? inInbox() : inArchive()});
    }
}
