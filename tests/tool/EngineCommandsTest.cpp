// The commands and tools that run the engine, on real folders.
#include "Core/base/Base64.h"
#include "Core/tools/RuleTools.h"
#include "Core/base/UTF8.h"
#include "olva/McpServer.h"
#include "tests/hazel/HazelExport.h"
#include "tests/tool/SignalListener.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <thread>

using namespace olva;
using namespace olva::test;
using nlohmann::json;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class EngineCommands : public ::testing::Test {
protected:
    EngineCommands() { std::filesystem::create_directories(archive()); }

    std::filesystem::path archive() const { return fixture.temp / "Archive"; }

    ToolFixture fixture;
    Captured captured;
};

// Whether some file is marked as handled by the rule version.
bool marked(const Store& store, const std::string& version)
{
    auto seen = store.loadSeen();
    return std::any_of(seen.begin(), seen.end(), [&](const auto& item) { return item.second.contains(version); });
}

// Whether one of the process's inotify instances watches the directory.
bool watchesDirectory(int pid, const std::filesystem::path& directory)
{
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0) return false;
    char inode[32];
    std::snprintf(inode, sizeof inode, " ino:%lx ", static_cast<unsigned long>(status.st_ino));
    std::string proc = "/proc/" + std::to_string(pid);
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator(proc + "/fd", error)) {
        if (std::filesystem::read_symlink(fd.path(), error).string() != "anon_inode:inotify") continue;
        if (readFile(proc + "/fdinfo/" + fd.path().filename().string()).find(inode) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

TEST_F(EngineCommands, OnceActsAtOnceAndFailsWhenItCannotLog)
{
    fixture.watch(fixture.inbox(), {extRule("Archive", "txt", Action::move(archive().string()))});
    writeFile(fixture.inbox() / "a.txt", "a");
    Finished finished = runOlva({"once", "extra"}, fixture.inHome());
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_EQ(finished.err, "");
    EXPECT_NE(finished.out.find("  did  'Archive' " + (fixture.inbox() / "a.txt").string() + "\n    move "),
              std::string::npos)
        << finished.out;
    EXPECT_TRUE(std::filesystem::exists(archive() / "a.txt"));

    // The next file is moved but its entry cannot be written: no success.
    writeFile(fixture.inbox() / "b.txt", "b");
    std::filesystem::create_directory(fixture.home() / "log.json.tmp");
    std::filesystem::rename(fixture.home() / "log.json", fixture.home() / "log.kept");
    std::filesystem::rename(fixture.home() / "log.json.tmp", fixture.home() / "log.json");
    finished = runOlva({"once"}, fixture.inHome());
    EXPECT_EQ(finished.status, 1);
    EXPECT_TRUE(finished.err.starts_with("Olva can’t write to " + fixture.home().string() + ": ")) << finished.err;
    EXPECT_EQ(std::count(finished.err.begin(), finished.err.end(), '\n'), 1);
    EXPECT_NE(finished.out.find("'Archive' " + (fixture.inbox() / "b.txt").string()), std::string::npos);
}

// Linux names are bytes: a name that is not UTF-8, or that holds line breaks
// and terminal escapes, is acted on, logged, shown escaped and undone like
// any other, and the files beside it are not held up.
TEST_F(EngineCommands, OddNamesAreLoggedShownEscapedAndUndone)
{
    Rule archiveAll = extRule("Archive", "pdf", Action::move(archive().string()));
    archiveAll.actions.push_back(Action::rename("{name} done"));
    fixture.watch(fixture.inbox(), {archiveAll});
    struct Case {
        std::string name;
        std::string shown;  // as a line of the tool shows it
        std::string renamed;
    };
    const std::vector<Case> cases = {
        {"bad\xffname.pdf", "bad\\xffname.pdf", "bad\xffname done.pdf"},
        {"two\nlines \x1b[31mred\x1b[0m.pdf", "two\\nlines \\x1b[31mred\\x1b[0m.pdf",
         "two\nlines \x1b[31mred\x1b[0m done.pdf"},
        {"plain.pdf", "plain.pdf", "plain done.pdf"},
        // Shown as they are, these would reorder what follows them or start
        // a new line.
        {"invoice\u202Efdp.exe.pdf", "invoice\\u202efdp.exe.pdf", "invoice\u202Efdp.exe done.pdf"},
        {"a\u2066b\u2069c\u202Ad\u202Ce.pdf", "a\\u2066b\\u2069c\\u202ad\\u202ce.pdf",
         "a\u2066b\u2069c\u202Ad\u202Ce done.pdf"},
        {"line\u2028paragraph\u2029.pdf", "line\\u2028paragraph\\u2029.pdf", "line\u2028paragraph\u2029 done.pdf"},
    };
    for (const Case& c : cases) writeFile(fixture.inbox() / c.name, c.name);

    Finished explain = runOlva({"explain", (fixture.inbox() / cases[1].name).string()}, fixture.inHome());
    EXPECT_EQ(explain.status, 0) << explain.err;
    EXPECT_EQ(explain.out, "'Archive': MATCH\n    \u2713 ext is \"pdf\"   actual: pdf\n");
    explain = runOlva({"explain", (fixture.inbox() / "missing\x1b[2J").string()}, fixture.inHome());
    EXPECT_EQ(explain.status, 1);
    EXPECT_NE(explain.err.find("missing\\x1b[2J"), std::string::npos) << explain.err;

    Finished once = runOlva({"once"}, fixture.inHome());
    EXPECT_EQ(once.status, 0) << once.err;
    EXPECT_EQ(once.err, "");
    Finished log = runOlva({"log"}, fixture.inHome());
    EXPECT_EQ(log.status, 0) << log.err;
    for (const std::string& printed : {once.out, log.out}) {
        // One entry of three lines per file: the run, the move, the rename.
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 3 * static_cast<long>(cases.size())) << printed;
        EXPECT_EQ(printed.find('\x1b'), std::string::npos) << printed;
        for (const Case& c : cases)
            EXPECT_NE(printed.find("'Archive' " + (fixture.inbox() / c.shown).string() + "\n"), std::string::npos)
                << c.shown << "\n" << printed;
    }

    std::vector<Entry> entries = fixture.store()->entries();
    ASSERT_EQ(entries.size(), cases.size());
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.file);
        auto c = std::find_if(cases.begin(), cases.end(),
                              [&](const Case& one) { return entry.file == (fixture.inbox() / one.name).string(); });
        ASSERT_NE(c, cases.end());
        ASSERT_EQ(entry.steps.size(), 2u);
        EXPECT_EQ(entry.steps[1].to, (archive() / c->renamed).string());
        EXPECT_TRUE(std::filesystem::exists(archive() / c->renamed));

        Finished undo = runOlva({"undo", entry.id.substr(0, 8)}, fixture.inHome());
        EXPECT_EQ(undo.status, 0) << undo.err;
        EXPECT_TRUE(std::filesystem::exists(fixture.inbox() / c->name));
        EXPECT_FALSE(std::filesystem::exists(archive() / c->renamed));
    }
}

TEST_F(EngineCommands, RunStopsCleanlyOnSigterm)
{
    // The file is moved, then a script holds it up until it is ended.
    std::string pidFile = (fixture.temp / "script.pid").string();
    Rule rule = extRule("Hold", "txt", Action::move(archive().string()));
    rule.actions.push_back(Action::shell("echo $$ > '" + pidFile + "'; sleep 600"));
    fixture.watch(fixture.inbox(), {rule});
    writeFile(fixture.inbox() / "a.txt", "a");

    Child child({"run"}, fixture.inHome());
    ASSERT_TRUE(child.waitForOutput("watching 1 folder(s), ctrl-c to stop\n"));
    ASSERT_TRUE(eventually([&] { return !readFile(pidFile).empty(); })) << "the script never ran";
    int scriptGroup = std::stoi(readFile(pidFile));

    // Were the script waited for, the run would not end before the guard
    // runs out and the test kills it.
    child.signal(SIGTERM);
    Finished finished = child.finish();
    EXPECT_EQ(finished.status, 0) << finished.err;
    // The script's whole group is gone, the run is logged and the file marked.
    EXPECT_EQ(::kill(-scriptGroup, 0), -1);
    EXPECT_NE(finished.out.find("ERROR  'Hold' " + (fixture.inbox() / "a.txt").string()), std::string::npos)
        << finished.out;
    auto entries = fixture.store()->entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].steps.size(), 1u);
    EXPECT_TRUE(entries[0].error.has_value());
    EXPECT_TRUE(marked(*fixture.store(), entries[0].version));
}

TEST_F(EngineCommands, RunSaysWhenTheRulesCannotBeReloadedAndKeepsTheOldOnes)
{
    fixture.watch(fixture.inbox(), {extRule("Archive", "txt", Action::move(archive().string()))});
    Child child({"run"}, fixture.inHome());
    ASSERT_TRUE(child.waitForOutput("watching 1 folder(s), ctrl-c to stop\n"));

    writeFile(fixture.home() / "rules.json", "{\"folders\": [\n  {\"path\": }\n]}");
    EXPECT_TRUE(child.waitForError("cannot read rules, the rules already running go on: the data couldn’t be read "
                                   "because it isn’t in the correct format: "
                                   + (fixture.home() / "rules.json").string()
                                   + " is not valid JSON (line 2, column 12)\n"));
    writeFile(fixture.inbox() / "a.txt", "a");
    EXPECT_TRUE(child.waitForOutput("did  'Archive' " + (fixture.inbox() / "a.txt").string()));

    child.signal(SIGTERM);
    Finished finished = child.finish();
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_TRUE(std::filesystem::exists(archive() / "a.txt"));
}

TEST_F(EngineCommands, RunEndsWithTheStoreProblemWhenEntriesStayUnwritten)
{
    fixture.watch(fixture.inbox(), {extRule("Archive", "txt", Action::move(archive().string()))});
    std::filesystem::create_directory(fixture.home() / "log.json");
    writeFile(fixture.inbox() / "a.txt", "a");
    Child child({"run"}, fixture.inHome());
    ASSERT_TRUE(child.waitForOutput("did  'Archive'"));
    child.signal(SIGTERM);
    Finished finished = child.finish();
    EXPECT_EQ(finished.status, 1);
    EXPECT_TRUE(finished.err.starts_with("Olva can’t write to " + fixture.home().string() + ": ")) << finished.err;
}

TEST_F(EngineCommands, RunLeavesAFileThatAnotherProcessPutBack)
{
    fixture.watch(fixture.inbox(), {extRule("Archive", "txt", Action::move(archive().string()))});
    Child child({"run"}, fixture.inHome());
    ASSERT_TRUE(child.waitForOutput("ctrl-c to stop\n"));
    writeFile(fixture.inbox() / "a.txt", "a");
    ASSERT_TRUE(child.waitForOutput("did  'Archive'")) << "the file was never moved";

    std::string id = fixture.store()->entries().at(0).id;
    Finished undone = runOlva({"undo", id.substr(0, 8)}, fixture.inHome());
    ASSERT_EQ(undone.status, 0) << undone.err;
    EXPECT_TRUE(undone.out.starts_with("undone: " + id.substr(0, 8) + "  "));
    ASSERT_TRUE(std::filesystem::exists(fixture.inbox() / "a.txt"));

    // Back in the folder, settled, and still left alone.
    std::this_thread::sleep_for(3500ms);
    child.signal(SIGINT);
    Finished finished = child.finish();
    EXPECT_EQ(finished.status, 0);
    EXPECT_TRUE(std::filesystem::exists(fixture.inbox() / "a.txt"));
    EXPECT_EQ(std::count(finished.out.begin(), finished.out.end(), '\n'), 3) << finished.out;
    EXPECT_TRUE(marked(*fixture.store(), fixture.store()->entries().at(0).version));
}

TEST_F(EngineCommands, RunWatchesAFolderThatWasDeletedAndMadeAgain)
{
    fixture.watch(fixture.inbox(), {extRule("Archive", "dat", Action::move(archive().string()))});
    Child child({"run"}, fixture.inHome());
    ASSERT_TRUE(child.waitForOutput("ctrl-c to stop\n"));
    std::filesystem::remove_all(fixture.inbox());
    // Made again only once the engine found it gone and waits on its parent.
    EXPECT_TRUE(eventually([&] { return watchesDirectory(child.pid(), fixture.temp.path()); }));
    std::filesystem::create_directory(fixture.inbox());
    writeFile(fixture.inbox() / "one.dat", "1");
    EXPECT_TRUE(child.waitForOutput("did  'Archive'")) << "the file waited for the periodic pass";
    child.signal(SIGTERM);
    EXPECT_EQ(child.finish().status, 0);
    EXPECT_TRUE(std::filesystem::exists(archive() / "one.dat"));
}

TEST_F(EngineCommands, ImportAddsRulesToTheFolderAsTyped)
{
    HazelExport h;
    HazelExport::Ref recurse = h.object("HazelRecurseAction", {});
    std::string bytes = h.withHeader(h.ruleSet(
        {h.rule({.name = "Old", .criteria = {h.compare("displayBasename", HazelExport::contains, "old")}}),
         h.rule({.name = "Into subfolders", .actions = {recurse}})}));
    writeFile(fixture.temp / "rules.hazelrules", bytes);
    SignalListener listener;
    ASSERT_TRUE(listener.connected());

    // A relative folder is stored as the absolute path it named.
    Finished finished = runOlva({"import", "rules.hazelrules", "Inbox/"}, fixture.inHome());
    ASSERT_EQ(finished.status, 0) << finished.err;
    EXPECT_EQ(finished.out,
              "imported 1 rule(s), 1 enabled, all in dry-run\n"
              "  - 'Into subfolders' ran rules inside subfolders, so the folder now includes its subfolders\n");
    Config config = fixture.config();
    ASSERT_EQ(config.folders.size(), 1u);
    EXPECT_EQ(config.folders[0].path, fixture.inbox().string());
    EXPECT_EQ(config.folders[0].depth, 99);
    ASSERT_EQ(config.folders[0].rules.size(), 1u);
    EXPECT_TRUE(config.folders[0].rules[0].dryRun);
    EXPECT_EQ(listener.received(), std::vector<std::string>{"rulesChanged"});

    // The same folder again: its rules are appended.
    ASSERT_EQ(runOlva({"import", "rules.hazelrules", fixture.inbox().string()}, fixture.inHome()).status, 0);
    config = fixture.config();
    ASSERT_EQ(config.folders.size(), 1u);
    EXPECT_EQ(config.folders[0].rules.size(), 2u);

    std::string before = readFile(fixture.home() / "rules.json");
    finished = runOlva({"import", "missing.hazelrules", "Inbox"}, fixture.inHome());
    EXPECT_EQ(finished.status, 1);
    EXPECT_TRUE(finished.err.starts_with("import failed: ")) << finished.err;
    EXPECT_NE(finished.err.find("missing.hazelrules"), std::string::npos);
    writeFile(fixture.temp / "junk.hazelrules", "not an export");
    EXPECT_EQ(runOlva({"import", "junk.hazelrules", "Inbox"}, fixture.inHome()).status, 1);
    EXPECT_EQ(readFile(fixture.home() / "rules.json"), before);
    EXPECT_EQ(listener.received().size(), 2u);
}

TEST_F(EngineCommands, ExplainAndUndoReportThroughTheirOwnWords)
{
    Rule dry = extRule("Dry", "txt", Action::trash());
    dry.dryRun = true;
    fixture.watch(fixture.inbox(), {extRule("Never", "pdf", Action::trash()), dry});
    writeFile(fixture.inbox() / "a.txt", "a");
    ASSERT_EQ(runOlva({"once"}, fixture.inHome()).status, 0);

    EXPECT_EQ(captured.run({"explain", (fixture.inbox() / "a.txt").string()}), 0);
    EXPECT_EQ(captured.out, "'Never': no match\n"
                            "    \u2717 ext is \"pdf\"   actual: txt\n"
                            "'Dry': dry run, already logged what it would do\n"
                            "    \u2713 ext is \"txt\"   actual: txt\n");
    EXPECT_EQ(captured.run({"explain", fixture.temp.path().string()}), 1);
    EXPECT_EQ(captured.err, fixture.temp.path().string() + " is not in a watched folder\n");

    SignalListener listener;
    ASSERT_TRUE(listener.connected());
    EXPECT_EQ(captured.run({"undo", fixture.store()->entries().at(0).id.substr(0, 4)}), 1);
    EXPECT_EQ(captured.err, "undo failed: dry-run entries changed nothing\n");
    EXPECT_TRUE(listener.received().empty());
}

// Rules written into the rules file by hand are not validated: a test their
// attribute does not have says so where the rule is explained. A date still
// to come is within the last stretch of time, however short.
TEST_F(EngineCommands, ExplainSaysWhatATestCannotDoAndFutureDatesAreInTheLast)
{
    auto rule = [](const std::string& name, Condition condition) {
        Rule made = extRule(name, "pdf", Action::move("/nowhere"));
        made.match.items = {condition};
        return made;
    };
    fixture.watch(fixture.inbox(), {rule("Old", {Attr::modified, Op::gt, "2020"}),
                                    rule("Recent", {Attr::modified, Op::inLast, "1 d"}),
                                    rule("Sized", {Attr::size, Op::contains, "1"}),
                                    rule("Named", {Attr::name, Op::contains, "invoice"})});
    const std::filesystem::path file = fixture.inbox() / "invoice\u202Efdp.exe.pdf";
    writeFile(file, "%PDF");
    // 1 January 2446.
    const timespec times[2] = {{UTIME_OMIT, UTIME_OMIT}, {15'023'721'600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

    Finished explain = runOlva({"explain", file.string()}, fixture.inHome());
    EXPECT_EQ(explain.status, 0) << explain.err;
    std::istringstream lines(explain.out);
    std::vector<std::string> shown;
    for (std::string line; std::getline(lines, line);) shown.push_back(line);
    ASSERT_EQ(shown.size(), 8u) << explain.out;
    struct Expected {
        std::string verdict, check, note;
    };
    const std::vector<Expected> expected = {
        {"'Old': no match", "    \u2717 modified gt \"2020\"   actual: ",
         "   (modified can't use gt, only inLast, notInLast, inCurrent, notInCurrent)"},
        {"'Recent': MATCH", "    \u2713 modified inLast \"1 d\"   actual: ", ""},
        {"'Sized': no match", "    \u2717 size contains \"1\"   actual: ", "   (size can't use contains, only gt, lt)"},
        {"'Named': MATCH", "    \u2713 name contains \"invoice\"   actual: invoice\\u202efdp.exe", ""},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].verdict);
        EXPECT_EQ(shown[2 * i], expected[i].verdict);
        EXPECT_TRUE(shown[2 * i + 1].starts_with(expected[i].check)) << shown[2 * i + 1];
        EXPECT_TRUE(shown[2 * i + 1].ends_with(expected[i].note)) << shown[2 * i + 1];
        EXPECT_EQ(shown[2 * i + 1].find("\u202E"), std::string::npos) << shown[2 * i + 1];
    }
    EXPECT_NE(shown[3].find("2446"), std::string::npos) << shown[3];
}

TEST_F(EngineCommands, PreviewsDescribeScriptsAndShowNamesThatAreNotUtf8)
{
    fixture.watch(fixture.inbox());
    writeFile(fixture.inbox() / "a.txt", "a");
    RuleTools tools(fixture.store());
    auto rows = tools.preview(extRule("Script", "txt", Action::shell("rm \"$1\"")), fixture.inbox().string());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].matches);
    ASSERT_EQ(rows[0].wouldDo.size(), 1u);
    EXPECT_EQ(rows[0].wouldDo[0].kind, Step::Kind::shell);
    EXPECT_EQ(rows[0].wouldDo[0].note, "not run in dry-run");
    ASSERT_TRUE(rows[0].decidedBy.has_value());
    EXPECT_EQ(rows[0].decidedBy->actual, "txt");
    EXPECT_TRUE(std::filesystem::exists(fixture.inbox() / "a.txt"));

    writeFile(fixture.inbox() / "b\xff.txt", "b");
    McpServer server(fixture.store());
    json request = {{"jsonrpc", "2.0"}, {"id", 9}, {"method", "tools/call"},
                    {"params", {{"name", "preview_rule"},
                                {"arguments", {{"folder", fixture.inbox().string()},
                                               {"rule", toJson(extRule("T", "txt", Action::trash()))}}}}}};
    json reply = json::parse(*server.handleLine(request.dump()));
    EXPECT_EQ(reply["id"], 9);
    ASSERT_FALSE(reply["result"]["isError"].get<bool>()) << reply;
    json results = json::parse(reply["result"]["content"][0]["text"].get<std::string>());
    ASSERT_EQ(results.size(), 2u) << results;
    // Shown with U+FFFD for the byte, and exactly in Base64 beside it.
    const std::string bad = (fixture.inbox() / "b\xff.txt").string();
    EXPECT_EQ(results[1]["file"], decodeUTF8Repairing(bad));
    EXPECT_EQ(results[1]["fileBytes"], base64Encode(std::vector<std::uint8_t>(bad.begin(), bad.end())));
    EXPECT_TRUE(results[1]["matches"].get<bool>());

    // The error text of a failed call may hold such a name too.
    writeFile(fixture.temp / "outside\xfe.txt", "c");
    std::filesystem::create_symlink(fixture.temp / "outside\xfe.txt", fixture.temp / "link");
    request["params"] = {{"name", "explain_file"}, {"arguments", {{"path", (fixture.temp / "link").string()}}}};
    reply = json::parse(*server.handleLine(request.dump()));
    ASSERT_TRUE(reply["result"]["isError"].get<bool>()) << reply;
    EXPECT_EQ(reply["result"]["content"][0]["text"],
              decodeUTF8Repairing((fixture.temp / "outside\xfe.txt").string()) + " is not in a watched folder");
}

// The data folder taken away while `run` runs: it says so and leaves files
// alone; once the folder is back it takes the engine lock there, so that no
// second engine can start beside it, and goes on with the rules the folder
// holds, or those it had. Another engine that locked the new folder first
// makes it stop.
TEST_F(EngineCommands, RunWaitsWhileTheDataFolderIsAwayAndGoesOnUnderItsLockWhenBack)
{
    const std::string kLockHeld = "the Olva app or another olva run already processes the watched folders, quit it first\n";
    struct Case {
        std::string name;
        // Puts a data folder in place of the one removed, from the copy kept.
        std::function<void(const fs::path& kept, const fs::path& home)> putBack;
        std::string rule;  // the rule that then acts, or none when `run` stops
    };
    std::shared_ptr<Store> other;  // holds the lock of the new folder
    const std::vector<Case> cases{
        // In one rename, so that no event names the rules file.
        {"put back whole", [](const fs::path& kept, const fs::path& home) { fs::rename(kept, home); }, "Archive"},
        {"made again without rules", [](const fs::path&, const fs::path& home) { fs::create_directory(home); },
         "Archive"},
        {"put back with other rules",
         [&](const fs::path& kept, const fs::path& home) {
             Config config = Store(kept).loadConfig();
             config.folders[0].rules = {extRule("Other", "dat", Action::move(archive().string()))};
             Store(kept).saveConfig(config);
             fs::rename(kept, home);
         },
         "Other"},
        {"locked by another engine first",
         [&](const fs::path& kept, const fs::path& home) {
             other = std::make_shared<Store>(kept);
             other->lockEngine();
             fs::rename(kept, home);
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(fixture.home());
        fs::create_directories(fixture.home());
        fs::remove_all(fixture.inbox());
        fs::create_directories(fixture.inbox());
        fixture.watch(fixture.inbox(), {extRule("Archive", "dat", Action::move(archive().string()))});
        const fs::path kept = fixture.temp / "kept";
        fs::remove_all(kept);
        fs::copy(fixture.home(), kept, fs::copy_options::recursive);
        const std::string folder = fixture.home().string();

        Child child({"run"}, fixture.inHome());
        ASSERT_TRUE(child.waitForOutput("ctrl-c to stop\n"));
        fs::remove_all(fixture.home());
        ASSERT_TRUE(child.waitForError("the data folder " + folder + " is gone; nothing is processed until it is back\n"));
        writeFile(fixture.inbox() / "one.dat", "1");
        std::this_thread::sleep_for(3s);
        EXPECT_TRUE(fs::exists(fixture.inbox() / "one.dat")) << "acted on while the data folder was away";
        EXPECT_FALSE(fs::exists(fixture.home())) << "the data folder was made again";

        c.putBack(kept, fixture.home());
        if (c.rule.empty()) {
            Finished finished = child.finish();
            EXPECT_EQ(finished.status, 1);
            EXPECT_TRUE(finished.err.ends_with(kLockHeld)) << finished.err;
            EXPECT_TRUE(fs::exists(fixture.inbox() / "one.dat"));
            other.reset();
            continue;
        }
        EXPECT_TRUE(child.waitForError("the data folder " + folder + " is back; processing the watched folders again\n"));
        EXPECT_TRUE(child.waitForOutput("did  '" + c.rule + "' " + (fixture.inbox() / "one.dat").string()));
        // The lock is where the folder is now: no second engine starts.
        Finished once = runOlva({"once"}, fixture.inHome());
        EXPECT_EQ(once.status, 1);
        EXPECT_EQ(once.err, kLockHeld);
        child.signal(SIGTERM);
        EXPECT_EQ(child.finish().status, 0);
    }
}
