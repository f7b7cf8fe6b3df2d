#include "tests/app-sentences/SentenceText.h"

#include "OlvaApp/Sentences/RuleSentence.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"

#include <gtest/gtest.h>

using namespace olva::app;
using olva::test::described;
using olva::Action;
using olva::Attr;
using olva::Condition;
using olva::Group;
using olva::Node;
using olva::Op;
using Mode = olva::Group::Mode;

namespace {

Condition cond(Attr attr, Op op, std::string value) { return {attr, op, std::move(value)}; }

Group group(Mode mode, std::vector<Node> items) { return {mode, std::move(items)}; }

olva::Rule rule(Group match, std::vector<Action> actions)
{
    olva::Rule rule;
    rule.name = "Rule";
    rule.match = std::move(match);
    rule.actions = std::move(actions);
    return rule;
}

const std::string kMarker = sentenceMarker(0).toStdString();

}  // namespace

TEST(ConditionPhrases, TellGroupsAndConditionsInWords)
{
    struct Case {
        const char* name;
        Group match;
        std::string expected;
    };
    const Case cases[] = {
        {"no items", group(Mode::all, {}), ""},
        {"one condition", group(Mode::all, {cond(Attr::name, Op::contains, "invoice")}), "name contains invoice"},
        {"one condition of any", group(Mode::any, {cond(Attr::kind, Op::is, "PDF")}), "kind is PDF"},
        {"all joins with and",
         group(Mode::all, {cond(Attr::name, Op::contains, "a"), cond(Attr::ext, Op::is, "b"),
                           cond(Attr::tags, Op::contains, "c")}),
         "name contains a and extension is b and tags contains c"},
        {"any joins with or", group(Mode::any, {cond(Attr::ext, Op::is, "pdf"), cond(Attr::kind, Op::is, "image")}),
         "extension is pdf or kind is image"},
        {"none of one", group(Mode::none, {cond(Attr::name, Op::contains, "x")}), "none of name contains x"},
        {"none of two", group(Mode::none, {cond(Attr::tags, Op::contains, "Work"), cond(Attr::name, Op::contains, "draft")}),
         "none of tags contains Work and name contains draft"},
        {"none of three",
         group(Mode::none, {cond(Attr::name, Op::is, "a"), cond(Attr::name, Op::is, "b"), cond(Attr::name, Op::is, "c")}),
         "none of name is a, name is b, and name is c"},
        {"a nested group",
         group(Mode::all, {cond(Attr::name, Op::contains, "a"),
                           group(Mode::any, {cond(Attr::ext, Op::is, "pdf"), cond(Attr::ext, Op::is, "png")})}),
         "name contains a and (extension is pdf or extension is png)"},
        {"groups nested twice",
         group(Mode::any, {group(Mode::none, {cond(Attr::size, Op::gt, "10 MB"),
                                              group(Mode::all, {cond(Attr::added, Op::inLast, "2 weeks")})}),
                           cond(Attr::opened, Op::notInCurrent, "year")}),
         "(none of size is greater than 10 MB and (date added is in the last 2 weeks)) or date last opened is not in this year"},
        {"an empty nested group", group(Mode::all, {group(Mode::any, {})}), "()"},
        {"values as stored", group(Mode::all, {cond(Attr::name, Op::is, " a "), cond(Attr::source, Op::contains, "")}),
         "name is  a  and downloaded from contains "},
        {"values that look like templates",
         group(Mode::any, {cond(Attr::name, Op::is, kMarker + "%1"), cond(Attr::contents, Op::matches, "{2,3}%")}),
         "name is " + kMarker + "%1 or contents matches {2,3}%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(conditionPhrase(c.match.mode, c.match.items).toStdString(), c.expected) << c.name;
}

TEST(ActionSentences, TellEveryKindWithPlacesAndPatternsApart)
{
    struct Case {
        Action action;
        std::string expected;
    };
    const Case cases[] = {
        {Action::move("~/Documents"), "move to |[place:~/Documents]"},
        {Action::copy("/srv/Backup"), "copy to |[place:/srv/Backup]"},
        {Action::rename("{name} {added:yyyy-MM-dd}"), "rename to |[pattern:{name} {added:yyyy-MM-dd}]"},
        {Action::sortInto("{added:yyyy}/{kind}"), "sort into |[pattern:{added:yyyy}/{kind}]"},
        {Action::addTags({"Work", "Red"}), "tag Work and Red"},
        {Action::addTags({"a, b", "%1", kMarker}), "tag a, b, %1, and " + kMarker},
        {Action::addTags({}), "tag "},
        {Action::removeTags({"Old"}), "remove tag Old"},
        {Action::trash(), "move to Trash"},
        {Action::shell("rm -rf ~ # %1"), "run a shell script"},
        {Action::move(kMarker + "/x"), "move to |[place:" + kMarker + "/x]"},
    };
    for (const Case& c : cases) EXPECT_EQ(described(actionSentence(c.action)), c.expected) << c.expected;
}

TEST(RuleSentences, JoinConditionsAndActions)
{
    struct Case {
        const char* name;
        olva::Rule rule;
        std::string expected;
    };
    const Case cases[] = {
        {"screenshots",
         rule(group(Mode::all, {cond(Attr::name, Op::startsWith, "Screenshot")}), {Action::move("~/Pictures/Screenshots")}),
         "If name starts with Screenshot, |move to |[place:~/Pictures/Screenshots]"},
        {"two actions",
         rule(group(Mode::any, {cond(Attr::ext, Op::is, "pdf"), cond(Attr::kind, Op::is, "image")}),
              {Action::addTags({"Work", "Red"}), Action::trash()}),
         "If extension is pdf or kind is image, |tag Work and Red| and |move to Trash"},
        {"a pattern",
         rule(group(Mode::none, {cond(Attr::tags, Op::contains, "Work"), cond(Attr::name, Op::contains, "draft")}),
              {Action::rename("{name} {added:yyyy-MM-dd}")}),
         "If none of tags contains Work and name contains draft, |rename to |[pattern:{name} {added:yyyy-MM-dd}]"},
        {"three actions keep their chips",
         rule(group(Mode::all, {cond(Attr::size, Op::gt, "10 MB")}),
              {Action::copy("~/A"), Action::move("~/B"), Action::shell("x")}),
         "If size is greater than 10 MB, |copy to |[place:~/A]|, |move to |[place:~/B]|, and |run a shell script"},
        {"no conditions capitalizes", rule(group(Mode::all, {}), {Action::shell("echo")}), "Run a shell script"},
        {"an empty group and a trash", rule(group(Mode::all, {}), {Action::trash()}), "Move to Trash"},
        {"no conditions and a chip", rule(group(Mode::any, {}), {Action::copy("~"), Action::trash()}),
         "Copy to |[place:~]| and |move to Trash"},
        {"conditions and no actions", rule(group(Mode::all, {cond(Attr::name, Op::is, "a")}), {}), "If name is a, "},
        {"nothing at all", rule(group(Mode::all, {}), {}), ""},
        {"a value that holds markers and placeholders",
         rule(group(Mode::all, {cond(Attr::name, Op::contains, kMarker + " %1 {x}")}), {Action::move("~/D")}),
         "If name contains " + kMarker + " %1 {x}, |move to |[place:~/D]"},
    };
    for (const Case& c : cases) EXPECT_EQ(described(ruleSentence(c.rule)), c.expected) << c.name;
}

TEST(RuleSentences, IgnoreNameSwitchesAndScripts)
{
    olva::Rule plain = rule(group(Mode::all, {cond(Attr::name, Op::is, "a")}), {Action::shell("one")});
    olva::Rule other = plain;
    other.name = "Other %1";
    other.enabled = false;
    other.dryRun = true;
    other.actions = {Action::shell("two")};
    EXPECT_EQ(ruleSentence(plain), ruleSentence(other));
}
