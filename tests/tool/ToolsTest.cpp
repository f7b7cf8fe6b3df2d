#include "Core/base/ActionError.h"
#include "Core/base/DecodingError.h"
#include "Core/tools/RuleTools.h"
#include "olva/McpTools.h"
#include "tests/tool/SignalListener.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace olva;
using namespace olva::test;
using nlohmann::json;

namespace {

std::string failure(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return describeToolError(error);
    }
    return "(no error)";
}

json ruleJson(const std::string& name, json action = {{"trash", json::object()}})
{
    return json{{"name", name},
                {"match", {{"mode", "all"}, {"items", json::array({{{"attr", "ext"}, {"op", "is"}, {"value", "tmp"}}})}}},
                {"actions", json::array({action})}};
}

class Tools : public ::testing::Test {
protected:
    // The text of a call and whether it failed.
    std::pair<std::string, bool> call(const std::string& name, const json& arguments)
    {
        json result = callTool(name, arguments, fixture.store());
        return {result["content"][0]["text"].get<std::string>(), result["isError"].get<bool>()};
    }
    std::string callError(const std::string& name, const json& arguments)
    {
        auto [text, isError] = call(name, arguments);
        EXPECT_TRUE(isError) << text;
        return text;
    }
    json callValue(const std::string& name, const json& arguments)
    {
        auto [text, isError] = call(name, arguments);
        EXPECT_FALSE(isError) << text;
        return isError ? json() : json::parse(text);
    }
    std::string rulesBytes() { return readFile(fixture.home() / "rules.json"); }

    ToolFixture fixture;
    RuleTools tools{fixture.store()};
};

}  // namespace

TEST(ToolArguments, ReadersNameTheBadArgument)
{
    for (const json& arguments : {json::object(), json{{"folder", ""}}, json{{"folder", 3}}}) {
        SCOPED_TRACE(arguments.dump());
        EXPECT_EQ(failure([&] { stringArgument(arguments, "folder"); }), "folder is required");
    }
    EXPECT_EQ(stringArgument({{"folder", "/x"}}, "folder"), "/x");

    EXPECT_EQ(intArgument({{"index", 2}}, "index"), 2);
    EXPECT_EQ(intArgument({{"index", 2.0}}, "index"), 2);
    EXPECT_EQ(intArgument({{"index", -4}}, "index"), -4);
    // Whole numbers up to the edges of a 64-bit integer, and none past them.
    EXPECT_EQ(intArgument({{"index", 9223372036854774784.0}}, "index"), 9223372036854774784);
    EXPECT_EQ(intArgument({{"index", -9223372036854775808.0}}, "index"), INT64_MIN);
    for (const json& arguments : {json{{"index", "2"}}, json{{"index", 2.5}}, json{{"index", 1e300}},
                                  json{{"index", 9223372036854775808.0}}, json{{"index", 9223372036854775808ull}},
                                  json::object()}) {
        SCOPED_TRACE(arguments.dump());
        EXPECT_EQ(failure([&] { intArgument(arguments, "index"); }), "index must be a number");
    }

    EXPECT_EQ(failure([] { ruleArgument(json::object()); }), "rule is required");
}

TEST(ToolArguments, DecodingFailuresSayWhereInTheRule)
{
    EXPECT_EQ(failure([] { ruleArgument({{"rule", {{"match", {{"mode", "all"}, {"items", json::array()}}}}}}); }),
              "rule: missing name");
    json rule = ruleJson("x");
    rule["match"]["items"][0].erase("op");
    EXPECT_EQ(failure([&] { ruleArgument({{"rule", rule}}); }), "rule.match.items[0]: missing op");
    rule = ruleJson("x", {{"trash", json::object()}, {"move", {{"to", "/x"}}}});
    EXPECT_EQ(failure([&] { ruleArgument({{"rule", rule}}); }),
              "rule.actions[0]: Invalid number of keys found, expected one.");
    rule = ruleJson("x");
    rule["enabled"] = "yes";
    EXPECT_EQ(failure([&] { ruleArgument({{"rule", rule}}); }), "rule.enabled: expected a Boolean but found a string");
    // A rule that is no document at all still ends as a plain complaint.
    for (json value : {json("rule"), json(3), json(true), json(nullptr)})
        EXPECT_TRUE(failure([&] { ruleArgument({{"rule", value}}); }).starts_with("rule: ")) << value;

    EXPECT_EQ(codingPathText(""), "");
    EXPECT_EQ(codingPathText("actions[1].move.to"), ".actions[1].move.to");
    EXPECT_EQ(describeToolError(ActionError("the rule needs a name")), "the rule needs a name");
}

TEST_F(Tools, FoldersAreFoundThroughLinksAndTrailingSlashes)
{
    fixture.watch(fixture.inbox(), {extRule("A", "tmp", Action::trash())}, 2);
    std::filesystem::create_directory_symlink(fixture.inbox(), fixture.temp / "link");

    auto folders = tools.listFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].path, fixture.inbox().string());
    EXPECT_EQ(folders[0].depth, 2);
    EXPECT_EQ(folders[0].rules, 1);

    EXPECT_EQ(tools.listRules((fixture.temp / "link").string()).size(), 1u);
    EXPECT_EQ(tools.listRules(fixture.inbox().string() + "/").size(), 1u);
    std::string sibling = fixture.inbox().string() + "2";
    EXPECT_EQ(failure([&] { tools.listRules(sibling); }), sibling + " isn't a watched folder, add it in Olva first");

    // And the other way round: a folder stored through the link.
    fixture.watch(fixture.temp / "link");
    EXPECT_EQ(RuleTools::folderIndex(fixture.inbox().string(), fixture.config().folders), 0u);

    json listed = callValue("list_rules", {{"folder", fixture.inbox().string()}});
    EXPECT_EQ(listed, json::array());
}

TEST_F(Tools, CreatedRulesAreDryRunsAtTheEnd)
{
    fixture.watch(fixture.inbox());
    SignalListener listener;
    ASSERT_TRUE(listener.connected());
    Rule live = extRule("Live", "tmp", Action::trash());
    live.enabled = false;
    EXPECT_EQ(tools.create(live, fixture.inbox().string()), 0);

    json rule = ruleJson("Second");
    rule["dryRun"] = false;
    auto [text, isError] = call("create_rule", {{"folder", fixture.inbox().string()}, {"rule", rule}});
    EXPECT_FALSE(isError);
    EXPECT_EQ(text, R"({"index":1,"note":"Saved as a dry run. The user turns it live in Olva."})");

    Config config = fixture.config();
    ASSERT_EQ(config.folders[0].rules.size(), 2u);
    EXPECT_TRUE(config.folders[0].rules[0].dryRun);
    EXPECT_FALSE(config.folders[0].rules[0].enabled);
    EXPECT_TRUE(config.folders[0].rules[1].dryRun);
    EXPECT_TRUE(config.folders[0].rules[1].enabled);
    EXPECT_EQ(listener.received(), std::vector<std::string>{"rulesChanged"});
}

TEST_F(Tools, RefusedRulesSaveNothingAndPostNothing)
{
    fixture.watch(fixture.inbox(), {extRule("A", "tmp", Action::trash())});
    std::string before = rulesBytes();
    SignalListener listener;
    ASSERT_TRUE(listener.connected());
    std::string folder = fixture.inbox().string();

    EXPECT_EQ(callError("create_rule", {{"folder", folder}, {"rule", ruleJson("S", {{"shell", {{"script", "true"}}}})}}),
              "shell scripts can only be added in Olva itself");
    EXPECT_EQ(callError("create_rule", {{"folder", folder}, {"rule", ruleJson("")}}), "the rule needs a name");
    json badPattern = ruleJson("P");
    badPattern["match"]["items"][0] = {{"attr", "name"}, {"op", "matches"}, {"value", "(["}};
    EXPECT_EQ(callError("create_rule", {{"folder", folder}, {"rule", badPattern}}),
              "the regular expression “([” doesn't compile: a [ is not closed");
    EXPECT_EQ(callError("create_rule", {{"folder", "/nowhere"}, {"rule", ruleJson("B")}}),
              "/nowhere isn't a watched folder, add it in Olva first");
    // The rule is read before the folder.
    EXPECT_EQ(callError("update_rule", {{"folder", "/nowhere"}}), "rule is required");
    struct Update {
        json index;
        std::string expectedName;
        std::string error;
    };
    for (const Update& update : std::vector<Update>{
             {"0", "A", "index must be a number"},
             {1, "A", "no rule at index 1"},
             {-1, "A", "no rule at index -1"},
             {0, "Z", "the rule at index 0 is now \"A\", list the rules again"}}) {
        SCOPED_TRACE(update.error);
        EXPECT_EQ(callError("update_rule", {{"folder", folder},
                                            {"rule", ruleJson("B")},
                                            {"index", update.index},
                                            {"expectedName", update.expectedName}}),
                  update.error);
    }

    EXPECT_EQ(rulesBytes(), before);
    EXPECT_TRUE(listener.received().empty());
}

TEST_F(Tools, UpdateReplacesTheRuleButNeverOneThatRunsAScript)
{
    fixture.watch(fixture.inbox(), {extRule("A", "tmp", Action::trash()), extRule("S", "sh", Action::shell("echo"))});
    std::string folder = fixture.inbox().string();
    SignalListener listener;
    ASSERT_TRUE(listener.connected());

    auto [text, isError] = call("update_rule", {{"folder", folder}, {"rule", ruleJson("B")}, {"index", 0}, {"expectedName", "A"}});
    EXPECT_FALSE(isError) << text;
    EXPECT_EQ(text, R"({"note":"Saved as a dry run. The user turns it live in Olva."})");
    Config config = fixture.config();
    EXPECT_EQ(config.folders[0].rules[0].name, "B");
    EXPECT_TRUE(config.folders[0].rules[0].dryRun);
    EXPECT_EQ(listener.received(), std::vector<std::string>{"rulesChanged"});

    std::string before = rulesBytes();
    EXPECT_EQ(callError("update_rule", {{"folder", folder}, {"rule", ruleJson("B")}, {"index", 1}, {"expectedName", "S"}}),
              "this rule runs a shell script, so it can only be changed in Olva itself");
    EXPECT_EQ(rulesBytes(), before);
}

TEST_F(Tools, ConcurrentWritersLoseNoRule)
{
    fixture.watch(fixture.inbox());
    const int writers = 4, each = 10;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
            // Each writer has its own Store, as separate processes would.
            RuleTools own(std::make_shared<Store>(fixture.home()));
            for (int i = 0; i < each; ++i)
                own.create(extRule("r" + std::to_string(w) + "-" + std::to_string(i), "tmp", Action::trash()),
                           fixture.inbox().string());
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(fixture.config().folders[0].rules.size(), static_cast<std::size_t>(writers * each));
}

TEST_F(Tools, ActivityIsTheLastEntriesOfTheFolder)
{
    fixture.watch(fixture.inbox());
    std::string inbox = fixture.inbox().string();
    fixture.store()->append(logEntry("A0000000-0000-0000-0000-000000000001", inbox + "/a.txt"));
    fixture.store()->append(logEntry("A0000000-0000-0000-0000-000000000002", inbox + "/sub/b.txt"));
    fixture.store()->append(logEntry("A0000000-0000-0000-0000-000000000003", inbox + "2/c.txt"));

    auto all = tools.activity(20, std::nullopt);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].file, inbox + "/a.txt");
    EXPECT_EQ(tools.activity(2, std::nullopt)[0].file, inbox + "/sub/b.txt");
    EXPECT_TRUE(tools.activity(0, std::nullopt).empty());
    EXPECT_TRUE(tools.activity(-3, std::nullopt).empty());

    auto inFolder = tools.activity(20, inbox);
    ASSERT_EQ(inFolder.size(), 2u);
    EXPECT_EQ(inFolder[1].file, inbox + "/sub/b.txt");
    fixture.watch("/");
    EXPECT_EQ(tools.activity(20, "/").size(), 3u);
    fixture.watch(fixture.inbox());

    json listed = callValue("recent_activity", {{"folder", inbox}, {"limit", 1}});
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["id"], "A0000000-0000-0000-0000-000000000002");
    EXPECT_EQ(listed[0]["file"], inbox + "/sub/b.txt");
    std::string at = listed[0]["at"];
    EXPECT_EQ(at.size(), 20u);
    EXPECT_EQ(at.back(), 'Z');
}

TEST_F(Tools, RecentActivityBoundsItsLimit)
{
    fixture.appendEntries(205);
    struct Case {
        json arguments;
        std::size_t size;
    };
    for (const Case& c : std::vector<Case>{
             {{{"limit", 500}}, 200},
             {{{"limit", "10"}}, 20},
             {json::object(), 20},
             {{{"limit", 3}}, 3},
             {{{"limit", 0}}, 0},
             {{{"limit", -1}}, 0},
             {{{"limit", 18446744073709551615ull}}, 200},
             // Whole numbers in any form, as the other tools take them.
             {{{"limit", 1.0}}, 1},
             {{{"limit", 2.5}}, 20},
             {{{"limit", 1e300}}, 200},
             // A folder that is not text is no folder.
             {{{"limit", 5}, {"folder", 7}}, 5}}) {
        SCOPED_TRACE(c.arguments.dump());
        EXPECT_EQ(callValue("recent_activity", c.arguments).size(), c.size);
    }
}

TEST_F(Tools, RevertNeedsExactlyOneEntryThatChangedSomething)
{
    fixture.appendEntriesToUndo();
    SignalListener listener;
    ASSERT_TRUE(listener.connected());

    for (const auto& [id, error] : std::vector<std::pair<std::string, std::string>>{
             {"c1", "2 activity entries match c1"},
             {"D", "0 activity entries match D"},
             // Undo entries are passed over.
             {"c3", "0 activity entries match c3"},
             {"c2", "the rule changed nothing, so there's nothing to revert"},
             {"", "id is required"}}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(callError("revert_activity", {{"id", id}}), error);
    }
    EXPECT_EQ(failure([&] { tools.revert(""); }), "3 activity entries match ");
    EXPECT_TRUE(listener.received().empty());
}
