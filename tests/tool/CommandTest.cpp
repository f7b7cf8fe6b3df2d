#include "Core/base/Formatting.h"
#include "olva/EntryText.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::test;
using nlohmann::json;

namespace {

class Commands : public ::testing::Test {
protected:
    std::size_t lines() const { return static_cast<std::size_t>(std::count(captured.out.begin(), captured.out.end(), '\n')); }

    ToolFixture fixture;
    Captured captured;
};

}  // namespace

TEST(EntryText, ShowsTheRunThenEachStepAndTheError)
{
    Entry e = logEntry("0A1B2C3D-0000-0000-0000-000000000000", "/in/a b.pdf");
    e.steps = {Step{Step::Kind::move, "/in/a b.pdf", "/out/a b.pdf", std::nullopt, "renamed", std::nullopt},
               Step{Step::Kind::tags, "/out/a b.pdf", std::nullopt, std::vector<std::string>{}, std::nullopt, std::nullopt}};
    std::string date = numericDateTimeText(e.at);
    EXPECT_EQ(formatEntry(e), "0A1B2C3D  " + date + "  did  'Tidy' /in/a b.pdf\n"
                              "    move /in/a b.pdf -> /out/a b.pdf  (renamed)\n"
                              "    tags /out/a b.pdf");
    e.dryRun = true;
    EXPECT_NE(formatEntry(e).find("  would  'Tidy'"), std::string::npos);
    e.error = "the disk is full";
    EXPECT_TRUE(formatEntry(e).ends_with("\n    the disk is full"));
    EXPECT_NE(formatEntry(e).find("  ERROR  'Tidy'"), std::string::npos);
    e.undoOf = "X";
    EXPECT_NE(formatEntry(e).find("  undo  'Tidy'"), std::string::npos);
    EXPECT_FALSE(numericDateTimeText(e.at).empty());
}

TEST(EntryText, ExplanationsMarkEachCheck)
{
    std::vector<Check> checks = {{Attr::ext, Op::is, "pdf", "pdf", true}, {Attr::size, Op::gt, "1 MB", "20 KB", false}};
    EXPECT_EQ(explanationText({"Bills", false, false, checks}),
              "'Bills': no match\n"
              "    \u2713 ext is \"pdf\"   actual: pdf\n"
              "    \u2717 size gt \"1 MB\"   actual: 20 KB\n");
    EXPECT_EQ(explanationText({"Bills", true, false, {}}), "'Bills': MATCH\n");
    EXPECT_TRUE(explanationText({"Bills", true, true, checks}).starts_with("'Bills': already applied\n    \u2713"));
    EXPECT_TRUE(explanationText({"Bills", true, true, checks, true})
                    .starts_with("'Bills': dry run, already logged what it would do\n"));
    EXPECT_EQ(explanationText({"Bills", true, false, {}, true}), "'Bills': MATCH\n");
    Check unanswered{Attr::name, Op::matches, "([", "bill", false, "the regular expression “([” doesn't compile"};
    EXPECT_EQ(explanationText({"Bills", false, false, {unanswered}}),
              "'Bills': no match\n"
              "    \u2717 name matches \"([\"   actual: bill   (the regular expression “([” doesn't compile)\n");
}

TEST_F(Commands, WrongCommandLinesGetTheUsage)
{
    std::string usage = usageText() + "\n";
    EXPECT_EQ(std::count(usage.begin(), usage.end(), '\n'), 7);
    EXPECT_TRUE(usage.starts_with("usage: olva run                      watch folders until stopped\n"
                                  "       olva once                     process every"));
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {}, {"RUN"}, {"help"}, {"explain"}, {"explain", "a", "b"}, {"undo"}, {"undo", "a", "b"}, {"import", "a"},
             {"import", "a", "b", "c"}, {"import", "a", ""}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(captured.run(args), 1);
        EXPECT_EQ(captured.err, usage);
        EXPECT_EQ(captured.out, "");
    }
    // An empty prefix would match whatever single entry the log holds.
    fixture.appendEntries(1);
    EXPECT_EQ(captured.run({"undo", ""}), 1);
    EXPECT_EQ(captured.err, usage);
}

// Help and the version answer on standard output without a data directory
// (the build reads them to make the manual page); near misses stay misuse.
TEST_F(Commands, HelpAndVersionAnswerBeforeTheDataDirectory)
{
    writeFile(fixture.temp / "file", "x");
    ScopedEnv env("OLVA_HOME", (fixture.temp / "file" / "data").string());
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
    };
    for (const Case& c : std::vector<Case>{{{"--help"}, 0, usageText() + "\n"},
                                           {{"--help", "run"}, 0, usageText() + "\n"},
                                           {{"--version"}, 0, "olva " OLVA_PROJECT_VERSION "\n"},
                                           {{"--version", "x"}, 0, "olva " OLVA_PROJECT_VERSION "\n"},
                                           {{"-h"}, 1, ""},
                                           {{"--HELP"}, 1, ""},
                                           {{"version"}, 1, ""},
                                           {{"run", "--help"}, 1, ""}}) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(captured.run(c.args), c.status);
        EXPECT_EQ(captured.out, c.out);
        // Misuse still meets the broken directory first.
        if (c.status == 0) {
            EXPECT_EQ(captured.err, "");
        } else {
            EXPECT_NE(captured.err.find("Not a directory"), std::string::npos) << captured.err;
        }
    }
    const Finished help = runOlva({"--help"}, fixture.inHome());
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, usageText() + "\n");
    EXPECT_EQ(help.err, "");
}

TEST_F(Commands, AnUnusableDataDirectoryComesFirst)
{
    writeFile(fixture.temp / "file", "x");
    ScopedEnv env("OLVA_HOME", (fixture.temp / "file" / "data").string());
    EXPECT_EQ(captured.run({}), 1);
    EXPECT_NE(captured.err, usageText() + "\n");
    EXPECT_NE(captured.err.find("Not a directory"), std::string::npos) << captured.err;
    EXPECT_EQ(std::count(captured.err.begin(), captured.err.end(), '\n'), 1);
}

TEST_F(Commands, LogShowsTheLastEntries)
{
    fixture.appendEntries(25);
    EXPECT_EQ(captured.run({"log"}), 0);
    EXPECT_EQ(lines(), 20u);
    EXPECT_TRUE(captured.out.starts_with("E0000000  ")) << captured.out;
    EXPECT_NE(captured.out.find("'Tidy' /in/f5\n"), std::string::npos);
    EXPECT_EQ(captured.out.find("'Tidy' /in/f4\n"), std::string::npos);
    EXPECT_TRUE(captured.out.ends_with("'Tidy' /in/f24\n"));

    // A count that is no whole number shows 20; one below 1 shows nothing.
    struct Case {
        std::vector<std::string> args;
        std::size_t lines;
    };
    for (const Case& c : std::vector<Case>{{{"log", "abc"}, 20},
                                           {{"log", "+3"}, 3},
                                           {{"log", "5", "extra"}, 5},
                                           {{"log", "100"}, 25},
                                           {{"log", "0"}, 0},
                                           {{"log", "-2"}, 0},
                                           {{"log", "99999999999999999999"}, 20},
                                           {{"log", "3x"}, 20}}) {
        SCOPED_TRACE(c.args[1]);
        EXPECT_EQ(captured.run(c.args), 0);
        EXPECT_EQ(lines(), c.lines);
        if (c.lines == 0) {
            EXPECT_EQ(captured.out, "");
        }
    }

    EXPECT_EQ(logCount({"olva", "log", "-"}), 20);
    EXPECT_EQ(logCount({"olva", "log", "+"}), 20);
    EXPECT_EQ(logCount({"olva", "log", "+-3"}), 20);
    EXPECT_EQ(logCount({"olva", "log", "-9223372036854775808"}), INT64_MIN);
}

TEST_F(Commands, UndoNeedsExactlyOneEntry)
{
    fixture.appendEntriesToUndo();

    EXPECT_EQ(captured.run({"undo", "c1"}), 1);
    EXPECT_EQ(captured.err, "2 entries match C1\n");
    EXPECT_EQ(captured.run({"undo", "c3"}), 1);
    EXPECT_EQ(captured.err, "0 entries match C3\n");
}

TEST_F(Commands, RunAndOnceNeedTheEngineLock)
{
    fixture.watch(fixture.inbox());
    Store other(fixture.home());
    other.lockEngine();
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{{"once"}, {"once", "extra"}, {"run", "x"}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(captured.run(args), 1);
        EXPECT_EQ(captured.err,
                  "the Olva app or another olva run already processes the watched folders, quit it first\n");
        EXPECT_EQ(captured.out, "");
    }
}

TEST_F(Commands, TheProgramWritesUsageAndStatus)
{
    Finished finished = runOlva({}, fixture.inHome());
    EXPECT_EQ(finished.status, 1);
    EXPECT_EQ(finished.err, usageText() + "\n");
    EXPECT_EQ(finished.out, "");

    fixture.appendEntries(4);
    finished = runOlva({"log", "2"}, fixture.inHome());
    EXPECT_EQ(finished.status, 0);
    EXPECT_EQ(finished.err, "");
    EXPECT_EQ(std::count(finished.out.begin(), finished.out.end(), '\n'), 2);
    EXPECT_TRUE(finished.out.ends_with("'Tidy' /in/f3\n"));
}

TEST_F(Commands, TheMcpServerAnswersEachLineInOrderUntilInputEnds)
{
    fixture.watch(fixture.inbox());
    std::string input =
        R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18"}})" "\n"
        R"({"jsonrpc":"2.0","method":"notifications/initialized"})" "\n"
        "\n"
        R"({"jsonrpc":"2.0","id":"two","method":"tools/list"})" "\r\n"
        "[]\n"
        R"({"jsonrpc":"2.0","id":3,"method":"tools/call","params":{"name":"list_folders"}})";  // no final line feed
    Finished finished = runOlva({"mcp", "ignored"}, fixture.inHome(input));
    EXPECT_EQ(finished.status, 0);
    EXPECT_EQ(finished.err, "");

    std::vector<json> replies;
    std::istringstream lines(finished.out);
    for (std::string line; std::getline(lines, line);) replies.push_back(json::parse(line));
    ASSERT_EQ(replies.size(), 4u) << finished.out;
    EXPECT_EQ(replies[0]["result"]["protocolVersion"], "2025-06-18");
    EXPECT_EQ(replies[1]["id"], "two");
    EXPECT_EQ(replies[1]["result"]["tools"].size(), 8u);
    EXPECT_EQ(replies[2]["error"]["code"], -32700);
    EXPECT_EQ(replies[3]["id"], 3);
    json folders = json::parse(replies[3]["result"]["content"][0]["text"].get<std::string>());
    EXPECT_EQ(folders[0]["path"], fixture.inbox().string());
    EXPECT_TRUE(finished.out.ends_with("}\n"));
}

TEST_F(Commands, TheMcpServerRefusesAnOverlongLinePassesOverItsRestAndGoesOn)
{
    const std::string refusal =
        R"({"error":{"code":-32600,"message":"Invalid Request: a message may be at most 16777216 bytes long; )"
        R"(the rest of this line was passed over"},"id":null,"jsonrpc":"2.0"})";
    auto ping = [](int id) { return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":"ping"})"; };
    auto pong = [](int id) { return R"({"id":)" + std::to_string(id) + R"(,"jsonrpc":"2.0","result":{"_meta")"; };
    // A request padded with blanks to `length` bytes.
    auto padded = [&](int id, std::size_t length) {
        std::string line = ping(id);
        line.append(length - line.size(), ' ');
        return line;
    };
    const std::size_t limit = 16 * 1024 * 1024;

    {
        SCOPED_TRACE("refused as soon as it grows too long, before its end arrives");
        Child child({"mcp"}, fixture.inHome());
        child.write(std::string(limit + 1, 'x'));
        ASSERT_TRUE(child.waitForOutput(refusal));
        // The rest of that line, however long, is no request of its own.
        child.write(std::string(3 * limit, 'y') + R"({"id":7,"method":"ping"})" "\n" + ping(1) + "\n");
        EXPECT_TRUE(child.waitForOutput(pong(1)));
        child.closeInput();
        Finished finished = child.finish();
        EXPECT_EQ(finished.status, 0);
        EXPECT_EQ(finished.err, "");
        EXPECT_EQ(finished.out.find("\"id\":7"), std::string::npos) << "the rest of a refused line was answered";
        EXPECT_EQ(finished.out.find(refusal), finished.out.rfind(refusal)) << "one refusal a line";
    }

    struct Case {
        const char* what;
        std::string input;
        std::vector<std::string> replies;  // how each reply line begins, in order
    };
    const std::vector<Case> cases = {
        {"a line at the limit is read", padded(2, limit) + "\n" + ping(3) + "\n", {pong(2), pong(3)}},
        {"one byte more is refused, with the line feed in the same read", padded(2, limit + 1) + "\n" + ping(3) + "\n",
         {refusal, pong(3)}},
        {"a last line without a line feed", ping(3) + "\n" + padded(2, limit + 1), {pong(3), refusal}},
    };
    for (const auto& [what, input, replies] : cases) {
        SCOPED_TRACE(what);
        Finished finished = runOlva({"mcp"}, fixture.inHome(input));
        EXPECT_EQ(finished.status, 0);
        EXPECT_EQ(finished.err, "");
        std::istringstream lines(finished.out);
        std::vector<std::string> got;
        for (std::string line; std::getline(lines, line);) got.push_back(line);
        ASSERT_EQ(got.size(), replies.size()) << finished.out.substr(0, 300);
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(got[i].starts_with(replies[i])) << got[i];
    }
}

// A line of a million small objects, or of arrays nested as deep as allowed
// over and over, is read in time linear in its length: the server answers
// it, and the line after it, long before a client would give up (it once
// took minutes). One nested too deep gets the parse error.
TEST_F(Commands, TheMcpServerAnswersALineOfManySmallValuesAtOnce)
{
    auto ping = [](int id, const std::string& value) {
        return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":"ping","params":{"x":)" + value + "}}";
    };
    auto repeated = [](const std::string& item, std::size_t count) {
        std::string list = "[";
        for (std::size_t i = 0; i < count; ++i) list += (i ? "," : "") + item;
        return list + "]";
    };
    const std::string nested = std::string(500, '[') + std::string(500, ']');
    Child child({"mcp"}, fixture.inHome());
    child.write(ping(1, repeated("{}", 1'000'000)) + "\n" + ping(2, repeated(nested, 3000)) + "\n" +
                ping(3, std::string(600, '[') + std::string(600, ']')) + "\n" + ping(4, "{}") + "\n");
    EXPECT_TRUE(child.waitForOutput(R"({"id":4,"jsonrpc":"2.0","result")", std::chrono::seconds(60)));
    Finished finished = child.finish();
    EXPECT_EQ(finished.status, 0);
    for (const char* reply : {R"({"id":1,"jsonrpc":"2.0","result")", R"({"id":2,"jsonrpc":"2.0","result")",
                              R"({"error":{"code":-32700,"message":"Parse error"},"id":null)"})
        EXPECT_NE(finished.out.find(reply), std::string::npos) << reply;
}

// Through the server as a client reaches it: rules that would swell the
// rules file, texts a NUL would cut short, and tests or paths that could
// never work are refused with their sentence, and nothing is saved.
TEST_F(Commands, TheMcpServerRefusesRulesTooLargeCutShortOrUnworkable)
{
    fixture.watch(fixture.inbox());
    const std::string before = readFile(fixture.home() / "rules.json");
    const std::string folder = fixture.inbox().string();
    auto rule = [](json name, json condition, json action) {
        return json{{"name", name},
                    {"match", {{"mode", "all"}, {"items", json::array({condition})}}},
                    {"actions", json::array({action})}};
    };
    const json ext = {{"attr", "ext"}, {"op", "is"}, {"value", "pdf"}};
    const json trash = {{"trash", json::object()}};
    struct Case {
        const char* what;
        json arguments;
        std::string sentence;
    };
    const std::vector<Case> cases = {
        {"a name of a megabyte", {{"folder", folder}, {"rule", rule(std::string(1 << 20, 'n'), ext, trash)}},
         "the rule's name is longer than 500 characters"},
        {"a folder cut short by a NUL", {{"folder", folder + std::string("\0/etc", 5)}, {"rule", rule("A", ext, trash)}},
         "folder can't hold the character U+0000"},
        {"a name cut short by a NUL", {{"folder", folder}, {"rule", rule(std::string("A\0B", 3), ext, trash)}},
         "a rule's texts can't hold the character U+0000"},
        {"a test dates do not have",
         {{"folder", folder}, {"rule", rule("A", {{"attr", "modified"}, {"op", "gt"}, {"value", "2020"}}, trash)}},
         "modified can't use gt, only inLast, notInLast, inCurrent, notInCurrent"},
        {"a subfolder of slashes", {{"folder", folder}, {"rule", rule("A", ext, {{"sortInto", {{"path", "/"}}}})}},
         "sortInto needs a subfolder name, not only slashes"},
    };
    std::string input;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        for (const char* tool : {"preview_rule", "create_rule"}) {
            input += json{{"jsonrpc", "2.0"},
                          {"id", i},
                          {"method", "tools/call"},
                          {"params", {{"name", tool}, {"arguments", cases[i].arguments}}}}
                         .dump()
                + "\n";
        }
    }
    Finished finished = runOlva({"mcp"}, fixture.inHome(input));
    EXPECT_EQ(finished.status, 0);
    EXPECT_EQ(finished.err, "");
    std::istringstream lines(finished.out);
    std::vector<json> replies;
    for (std::string line; std::getline(lines, line);) replies.push_back(json::parse(line));
    ASSERT_EQ(replies.size(), 2 * cases.size());
    for (std::size_t i = 0; i < replies.size(); ++i) {
        SCOPED_TRACE(cases[i / 2].what);
        EXPECT_EQ(replies[i]["result"]["isError"], true);
        EXPECT_EQ(replies[i]["result"]["content"][0]["text"], cases[i / 2].sentence);
    }
    EXPECT_EQ(readFile(fixture.home() / "rules.json"), before);
}

TEST_F(Commands, TheMcpServerEndsQuietlyWhenTheClientHangsUp)
{
    Child child({"mcp"}, fixture.inHome());
    child.write(R"({"jsonrpc":"2.0","id":1,"method":"ping"})" "\n");
    ASSERT_TRUE(child.waitForOutput("\"id\":1"));
    Finished finished = child.finish();
    EXPECT_EQ(finished.status, 0);
    EXPECT_EQ(finished.err, "");
}
