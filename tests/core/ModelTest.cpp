#include "Core/base/ActionError.h"
#include "Core/model/Check.h"
#include "Core/base/DecodingError.h"
#include "Core/base/JsonWriter.h"
#include "Core/model/Model.h"
#include "Core/model/RuleVersion.h"
#include "Core/model/Step.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace olva;
using nlohmann::json;
using olva::test::thrownText;

namespace {

Rule trashRule()
{
    Rule rule;
    rule.name = "Old";
    rule.match = Group{Group::Mode::all, {}};
    rule.actions = {Action::trash()};
    return rule;
}

std::string decodeError(const std::function<void()>& decode)
{
    try {
        decode();
    } catch (const DecodingError& error) {
        return error.detail();
    }
    return "(decoded)";
}

}  // namespace

TEST(RuleJson, MissingFieldsTakeTheirDefaults)
{
    Config config = configFromJson(json::object());
    EXPECT_FALSE(config.paused);
    EXPECT_TRUE(config.folders.empty());
    EXPECT_TRUE(config.bookmarks.empty());

    Folder folder = folderFromJson(json{{"path", "~/Inbox"}});
    EXPECT_EQ(folder.depth, 0);
    EXPECT_FALSE(folder.paused);
    EXPECT_TRUE(folder.rules.empty());

    Rule rule = ruleFromJson(json::parse(R"({"name":"a","match":{"mode":"any","items":[]},"actions":[]})"));
    EXPECT_TRUE(rule.enabled);
    EXPECT_FALSE(rule.dryRun);
    EXPECT_EQ(rule.match.mode, Group::Mode::any);

    EXPECT_THROW(ruleFromJson(json::parse(R"({"name":"a","match":{"mode":"any","items":[]}})")), DecodingError);
    EXPECT_THROW(folderFromJson(json{{"depth", 1}}), DecodingError);
}

TEST(RuleJson, EnumerationsAreStrict)
{
    auto document = json::parse(R"({"folders":[{"path":"/x","rules":[{"name":"a","actions":[],
        "match":{"mode":"all","items":[{"attr":"name","op":"IS","value":"x"}]}}]}]})");
    EXPECT_THROW(configFromJson(document), DecodingError);
    EXPECT_THROW(groupFromJson(json::parse(R"({"mode":"All","items":[]})")), DecodingError);
    EXPECT_EQ(attrFromRaw("contents"), Attr::contents);
    EXPECT_EQ(attrFromRaw("Contents"), std::nullopt);
    EXPECT_EQ(opFromRaw("notInCurrent"), Op::notInCurrent);
}

TEST(RuleJson, ActionsAreOneKeyObjects)
{
    EXPECT_EQ(actionFromJson(json::parse(R"({"trash":{}})")).kind, Action::Kind::trash);
    EXPECT_EQ(actionFromJson(json::parse(R"({"trash":{"x":1}})")).kind, Action::Kind::trash);
    EXPECT_THROW(actionFromJson(json::parse(R"({"trash":true})")), DecodingError);

    const std::string invalid = "Invalid number of keys found, expected one.";
    EXPECT_EQ(decodeError([] { actionFromJson(json::parse(R"({"trash":{},"move":{"to":"/x"}})")); }), invalid);
    EXPECT_EQ(decodeError([] { actionFromJson(json::parse(R"({"other":{}})")); }), invalid);

    Action move = actionFromJson(json::parse(R"({"move":{"to":"~/A","extra":1},"note":"ignored"})"));
    EXPECT_EQ(move.kind, Action::Kind::move);
    EXPECT_EQ(move.text, "~/A");
    EXPECT_EQ(actionFromJson(json::parse(R"({"sortInto":{"path":"{year}"}})")).text, "{year}");
    EXPECT_EQ(actionFromJson(json::parse(R"({"addTags":{"tags":["a","b"]}})")).tags,
              (std::vector<std::string>{"a", "b"}));
    EXPECT_THROW(actionFromJson(json::parse(R"({"sortInto":{"to":"x"}})")), DecodingError);

    EXPECT_EQ(toJson(Action::trash()), json::parse(R"({"trash":{}})"));
    EXPECT_EQ(toJson(Action::shell("echo")), json::parse(R"({"shell":{"script":"echo"}})"));
}

TEST(RuleJson, NodesAreGroupsFirst)
{
    Node both = nodeFromJson(json::parse(R"({"mode":"all","items":[],"attr":"name","op":"is","value":"x"})"));
    EXPECT_TRUE(both.isGroup());
    Node condition = nodeFromJson(json::parse(R"({"attr":"size","op":"gt","value":"10"})"));
    ASSERT_FALSE(condition.isGroup());
    EXPECT_EQ(condition.condition().attr, Attr::size);
    // Neither: the condition's complaint is the one reported.
    EXPECT_NE(decodeError([] { nodeFromJson(json::parse(R"({"op":"is","value":"x"})")); }).find("attr"),
              std::string::npos);
}

TEST(RuleJson, GroupNestingIsBounded)
{
    auto nested = [](int depth) {
        json group = {{"mode", "all"}, {"items", json::array()}};
        for (int i = 1; i < depth; ++i) {
            json outer = {{"mode", "any"}, {"items", json::array()}};
            outer["items"].push_back(std::move(group));
            group = std::move(outer);
        }
        return group;
    };
    EXPECT_NO_THROW(groupFromJson(nested(64)));
    std::string detail = decodeError([&] { groupFromJson(nested(65)); });
    EXPECT_NE(detail.find("nested more than 64"), std::string::npos) << detail;
    // A condition in the deepest group is no level of its own.
    auto withCondition = [&](int depth) {
        json group = nested(depth);
        json* deepest = &group;
        while (!(*deepest)["items"].empty()) deepest = &(*deepest)["items"][0];
        (*deepest)["items"].push_back({{"attr", "name"}, {"op", "is"}, {"value", "x"}});
        return group;
    };
    EXPECT_NO_THROW(groupFromJson(withCondition(64)));
    EXPECT_NE(decodeError([&] { groupFromJson(withCondition(65)); }).find("nested more than 64"), std::string::npos);
    // The bound holds inside a whole rules file too, with no stack to spare.
    // (Built by moving: copying a tree this deep would itself recurse.)
    json rule = {{"name", "deep"}, {"actions", json::array()}};
    rule["match"] = nested(100000);
    json folder = {{"path", "/x"}, {"rules", json::array()}};
    folder["rules"].push_back(std::move(rule));
    json config = {{"folders", json::array()}};
    config["folders"].push_back(std::move(folder));
    EXPECT_THROW(configFromJson(config), DecodingError);
}

TEST(RuleJson, BookmarksAreBase64AndRoundTrip)
{
    Config config;
    config.paused = true;
    config.bookmarks["~/Inbox"] = {0x00, 0xff, 0x10, 0x41};
    Folder folder{"~/Inbox", 2, true, {trashRule()}};
    folder.rules[0].match.items.push_back(Condition{Attr::ext, Op::is, "pdf"});
    folder.rules[0].match.items.push_back(Group{Group::Mode::none, {Condition{Attr::tags, Op::contains, "Work"}}});
    config.folders.push_back(folder);

    json encoded = toJson(config);
    EXPECT_EQ(encoded["bookmarks"]["~/Inbox"], "AP8QQQ==");
    EXPECT_EQ(encoded["folders"][0]["rules"][0]["enabled"], true);
    EXPECT_EQ(toJson(configFromJson(encoded)), encoded);

    json bad = {{"bookmarks", {{"~/Inbox", "not base64!"}}}};
    EXPECT_THROW(configFromJson(bad), DecodingError);
}

TEST(JsonText, StylesAndEscapes)
{
    json value = {{"b", "a/b"}, {"a", "\x01\"\\\n"}};
    EXPECT_EQ(writeJson(value, {.sortKeys = true, .escapeSlashes = true}), R"({"a":"\u0001\"\\\n","b":"a\/b"})");
    EXPECT_EQ(writeJson(value, {.pretty = true, .sortKeys = true}),
              "{\n  \"a\" : \"\\u0001\\\"\\\\\\n\",\n  \"b\" : \"a/b\"\n}");
    EXPECT_EQ(writeJson(json{{"é", "ü"}}), "{\"é\":\"ü\"}");
    EXPECT_THROW(writeJson(json(std::string("bad\xff"))), EncodingError);
}

TEST(RuleVersion, IdentifiesBehaviourOnly)
{
    Rule rule = trashRule();
    // The canonical text of this rule is fixed; its digest is its version.
    EXPECT_EQ(ruleVersion(rule), "0b54997ee6ae3a8a");

    Rule renamed = rule;
    renamed.name = "Other";
    renamed.enabled = false;
    EXPECT_EQ(ruleVersion(renamed), ruleVersion(rule));

    Rule dry = rule;
    dry.dryRun = true;
    EXPECT_NE(ruleVersion(dry), ruleVersion(rule));

    Rule a = rule, b = rule;
    a.actions = {Action::move("/x"), Action::trash()};
    b.actions = {Action::trash(), Action::move("/x")};
    EXPECT_NE(ruleVersion(a), ruleVersion(b));

    Rule c = rule, d = rule;
    c.match.items = {Condition{Attr::name, Op::is, "a"}};
    d.match.items = {Condition{Attr::name, Op::is, "b"}};
    EXPECT_NE(ruleVersion(c), ruleVersion(d));
    EXPECT_EQ(ruleVersion(c).size(), 16u);
}

TEST(RuleValidation, ReportsTheFirstProblem)
{
    auto message = [](const Rule& rule) { return thrownText<ActionError>([&] { validate(rule); }); };
    Rule rule = trashRule();
    EXPECT_EQ(message(rule), "(nothing thrown)");

    Rule blank = rule;
    blank.name = " \t\u3000";
    EXPECT_EQ(message(blank), "the rule needs a name");
    blank.name = "\n";
    EXPECT_EQ(message(blank), "(nothing thrown)");

    Rule noActions = rule;
    noActions.actions.clear();
    noActions.match.items = {Condition{Attr::size, Op::contains, "x"}};
    EXPECT_EQ(message(noActions), "the rule needs at least one action");

    Rule nested = rule;
    nested.actions = {Action::move("")};
    nested.match.items = {Condition{Attr::name, Op::is, "x"},
                          Group{Group::Mode::any, {Condition{Attr::size, Op::contains, "x"}}},
                          Condition{Attr::kind, Op::gt, "x"}};
    EXPECT_EQ(message(nested), "size can't use contains, only gt, lt");
    nested.match.items.erase(nested.match.items.begin() + 1);
    EXPECT_EQ(message(nested), "kind can't use gt, only is, isNot");
    nested.match.items.clear();
    EXPECT_EQ(message(nested), "move and copy need a destination folder");

    Rule actions = rule;
    actions.actions = {Action::move(" "), Action::addTags({""}), Action::rename("")};
    EXPECT_EQ(message(actions), "rename and sortInto need a pattern");
    actions.actions = {Action::removeTags({})};
    EXPECT_EQ(message(actions), "addTags and removeTags need at least one tag");
    actions.actions = {Action::shell("")};
    EXPECT_EQ(message(actions), "shell needs a script");

    // A pattern that does not compile would never match: refused, after the
    // operators and before the actions.
    Rule patterns = rule;
    patterns.actions = {Action::move("")};
    patterns.match.items = {Condition{Attr::name, Op::matches, "^ok$"},
                            Group{Group::Mode::none, {Condition{Attr::contents, Op::matches, "([a-z]"}}},
                            Condition{Attr::ext, Op::matches, "(pdf"}};
    EXPECT_EQ(message(patterns), "the regular expression “([a-z]” doesn't compile: its parentheses do not pair up");
    patterns.match.items.erase(patterns.match.items.begin() + 1);
    EXPECT_EQ(message(patterns), "the regular expression “(pdf” doesn't compile: its parentheses do not pair up");
    // The same text is no pattern for other operators; an empty one finds nothing.
    patterns.match.items = {Condition{Attr::name, Op::contains, "(pdf"}, Condition{Attr::name, Op::matches, ""}};
    EXPECT_EQ(message(patterns), "move and copy need a destination folder");
}

// Texts are bounded in characters, at the limit they pass; a NUL anywhere
// is refused, since a path or a name would end there.
TEST(RuleValidation, BoundsTheLengthOfTextsAndRefusesNul)
{
    auto repeated = [](const std::string& piece, std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) text += piece;
        return text;
    };
    auto withName = [](std::string name) {
        Rule rule = trashRule();
        rule.name = std::move(name);
        return rule;
    };
    auto withValue = [](std::string value) {
        Rule rule = trashRule();
        rule.match.items = {Group{Group::Mode::any, {Condition{Attr::contents, Op::contains, std::move(value)}}}};
        return rule;
    };
    auto withAction = [](Action action) {
        Rule rule = trashRule();
        rule.actions = {Action::trash(), std::move(action)};
        return rule;
    };
    std::vector<std::string> tags(100, "t");
    const std::string nul = "a rule's texts can't hold the character U+0000";
    struct Case {
        const char* what;
        Rule rule;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"a name of 500 characters, two bytes each", withName(repeated("\u00e9", 500)), "(nothing thrown)"},
        {"a name of 501", withName(repeated("a", 501)), "the rule's name is longer than 500 characters"},
        {"a value of 10,000", withValue(repeated("v", 10'000)), "(nothing thrown)"},
        {"a nested value of 10,001", withValue(repeated("v", 10'001)),
         "a condition's value is longer than 10,000 characters"},
        {"a destination of 4,096", withAction(Action::move(repeated("d", 4'096))), "(nothing thrown)"},
        {"a sortInto path of 4,097", withAction(Action::sortInto(repeated("d", 4'097))),
         "a destination or pattern is longer than 4,096 characters"},
        {"100 tags", withAction(Action::addTags(tags)), "(nothing thrown)"},
        {"101 tags", withAction(Action::removeTags(std::vector<std::string>(101, "t"))),
         "addTags and removeTags take at most 100 tags"},
        {"a tag of 501", withAction(Action::addTags({"ok", repeated("t", 501)})), "a tag is longer than 500 characters"},
        {"a script of 30,000", withAction(Action::shell(repeated("s", 30'000))), "(nothing thrown)"},
        {"a script of 30,001", withAction(Action::shell(repeated("s", 30'001))),
         "the script is longer than 30,000 characters"},
        {"a NUL in the name", withName(std::string("a\0b", 3)), nul},
        {"a NUL in a value", withValue(std::string("x\0", 2)), nul},
        {"a NUL in a destination", withAction(Action::copy(std::string("/tmp\0/etc", 9))), nul},
        {"a NUL in a tag", withAction(Action::addTags({std::string("\0", 1)})), nul},
        {"a sortInto of slashes alone", withAction(Action::sortInto("///")),
         "sortInto needs a subfolder name, not only slashes"},
        {"a sortInto with a name between slashes", withAction(Action::sortInto("/{year}/")), "(nothing thrown)"},
    };
    for (const auto& [what, rule, error] : cases) {
        SCOPED_TRACE(what);
        EXPECT_EQ(thrownText<ActionError>([&] { validate(rule); }), error);
    }
}

TEST(StepJson, OptionalFieldsLeaveNoKey)
{
    Step step{Step::Kind::trash, "/a/b", std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    EXPECT_EQ(toJson(step).dump(), R"({"kind":"trash","from":"/a/b"})");

    Step decoded = stepFromJson(json::parse(R"({"kind":"move","from":"/a","to":null,"tagsBefore":["x, y"]})"));
    EXPECT_FALSE(decoded.to.has_value());
    EXPECT_EQ(decoded.tagsBefore, std::vector<std::string>{"x, y"});
    EXPECT_THROW(stepFromJson(json::parse(R"({"kind":"delete","from":"/a"})")), DecodingError);
}

TEST(CheckJson, KeepsMemberOrder)
{
    Check check{Attr::size, Op::gt, "10 KB", "12 KB", true};
    EXPECT_EQ(toJson(check).dump(), R"({"attr":"size","op":"gt","value":"10 KB","actual":"12 KB","pass":true})");
    EXPECT_THROW(checkFromJson(json::parse(R"({"attr":"size","op":"gt","value":"1","actual":"2"})")), DecodingError);
    check.note = "why";
    EXPECT_EQ(toJson(check).dump(),
              R"({"attr":"size","op":"gt","value":"10 KB","actual":"12 KB","pass":true,"note":"why"})");
    EXPECT_EQ(checkFromJson(json::parse(toJson(check).dump())).note, "why");
}
