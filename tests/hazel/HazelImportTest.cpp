#include "Core/base/ActionError.h"
#include "Core/hazel/HazelImport.h"
#include "Core/hazel/KeyedArchive.h"
#include "tests/hazel/HazelExport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::test;
using Ref = ArchiveBuilder::Ref;
using H = HazelExport;

namespace {

// A condition tree as text: all(name contains "x", any(...)).
std::string text(const Group& group)
{
    std::string out = std::string(rawValue(group.mode)) + "(";
    for (std::size_t i = 0; i < group.items.size(); ++i) {
        const Node& item = group.items[i];
        out += i ? ", " : "";
        if (item.isGroup()) {
            out += text(item.group());
        } else {
            const Condition& c = item.condition();
            out += std::string(rawValue(c.attr)) + " " + std::string(rawValue(c.op)) + " \"" + c.value + "\"";
        }
    }
    return out + ")";
}

std::string text(const Action& action) { return toJson(action).dump(); }

// The note of a rule named R that the import disabled.
std::string unsupported(const std::string& what) { return "'R' is disabled, unsupported: " + what; }

struct OneRule {
    Rule rule;
    std::vector<std::string> notes;
};

// Imports an export holding one rule; without actions of its own the rule
// moves files to the Trash.
OneRule importRule(H& h, H::RuleParts parts)
{
    if (!parts.name) parts.name = "R";
    if (parts.actions.empty()) parts.actions = {h.move(h.trashFolder())};
    Imported imported = importHazel(h.withHeader(h.ruleSet({h.rule(parts)})), "~/Inbox");
    if (imported.folder.rules.size() != 1) throw std::runtime_error("expected one rule");
    return {imported.folder.rules[0], imported.notes};
}

std::string lastNote(const OneRule& one) { return one.notes.empty() ? "(disabled, no note)" : one.notes.back(); }

// The match of a rule with one criterion, or its note when it was disabled.
std::string convert(H& h, Ref criterion)
{
    OneRule one = importRule(h, {.criteria = {criterion}});
    return one.rule.enabled ? text(one.rule.match) : lastNote(one);
}

// The action of a rule with one action, or its note when it was disabled.
std::string convertAction(H& h, Ref action)
{
    OneRule one = importRule(h, {.actions = {action}});
    if (!one.rule.enabled) return lastNote(one);
    return one.rule.actions.size() == 1 ? text(one.rule.actions[0]) : "(no action)";
}

std::string importError(const std::string& bytes)
{
    return thrownText([&] { importHazel(bytes, "~/Inbox"); });
}

// A binary property list written byte by byte from its objects (the first is
// the top), one-byte references and two-byte offsets: the writers of
// libplist cannot put U+0000 inside a text.
std::string binaryPlist(const std::vector<std::string>& objects)
{
    std::string out = "bplist00";
    std::vector<std::size_t> offsets;
    for (const std::string& object : objects) {
        offsets.push_back(out.size());
        out += object;
    }
    std::size_t table = out.size();
    for (std::size_t offset : offsets) {
        out += static_cast<char>(offset >> 8);
        out += static_cast<char>(offset & 0xFF);
    }
    out += std::string(6, '\0') + '\x02' + '\x01';
    auto be64 = [&](std::uint64_t v) {
        for (int s = 56; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
    };
    be64(objects.size());
    be64(0);
    be64(table);
    return out;
}

// A keyed archive whose "$objects" are "$null" and the UTF-16 text "é", U+0000, "b".
std::string archiveWithNulInText()
{
    using namespace std::string_literals;
    return binaryPlist({
        "\xD3\x01\x02\x03\x04\x07\x0A"s,                         // {$objects, $top, $archiver}
        "\x58$objects"s, "\x54$top"s, "\x59$archiver"s,
        "\xA2\x05\x06"s,                                          // ["$null", text]
        "\x55$null"s, "\x63\x00\xE9\x00\x00\x00\x62"s,
        "\xD1\x08\x09"s, "\x54root"s, "\x80\x01"s,                  // {root: UID 1}
        "\x5F\x10\x0FNSKeyedArchiver"s,
    });
}

}  // namespace

TEST(HazelImport, ReadsBinaryAndXmlExportsWithOrWithoutTheHeader)
{
    H h;
    Ref set = h.ruleSet({h.rule({.name = "PDFs", .criteria = {h.compare("displayExtension", H::equalTo, "pdf")},
                                 .actions = {h.move(h.folder("~/Documents/PDF"))}})});
    Imported imported = importHazel(h.withHeader(set), "~/Downloads");
    EXPECT_EQ(imported.folder.path, "~/Downloads");
    EXPECT_EQ(imported.folder.depth, 0);
    EXPECT_FALSE(imported.folder.paused);
    ASSERT_EQ(imported.folder.rules.size(), 1u);
    const Rule& rule = imported.folder.rules[0];
    EXPECT_EQ(rule.name, "PDFs");
    EXPECT_TRUE(rule.enabled);
    EXPECT_TRUE(rule.dryRun);
    EXPECT_EQ(text(rule.match), "all(ext is \"pdf\")");
    EXPECT_TRUE(imported.notes.empty());

    std::string expected = toJson(imported.folder).dump();
    EXPECT_EQ(toJson(importHazel(h.binary(set), "~/Downloads").folder).dump(), expected);
    EXPECT_EQ(toJson(importHazel(h.xml(set), "~/Downloads").folder).dump(), expected);
}

TEST(HazelConditions, KeyPathsMapToAttributes)
{
    std::vector<std::pair<std::string, std::string>> table = {
        {"displayBasename", "name"}, {"displayExtension", "ext"},    {"displayExtensions", "ext"},
        {"typeObject", "kind"},      {"dateAdded", "added"},         {"dateCreated", "created"},
        {"dateModified", "modified"}, {"textContent", "contents"}};
    for (const auto& [keyPath, attr] : table) {
        H h;
        EXPECT_EQ(convert(h, h.compare(keyPath, H::contains, "x")), "all(" + attr + " contains \"x\")") << keyPath;
    }
    H h;
    EXPECT_EQ(convert(h, h.compare("fileSize", H::greaterThan, "5")), unsupported("attribute fileSize"));
    Ref notAKeyPath = h.comparison(h.constant(h.text("a")), H::equalTo, h.constant(h.text("b")));
    EXPECT_EQ(convert(h, notAKeyPath), unsupported("attribute ?"));
}

TEST(HazelConditions, OperatorsAndCustomSelectors)
{
    struct Case {
        int op;
        std::string selector;
        std::string expected;
    };
    std::vector<Case> cases = {
        {H::lessThan, "", "lt"},          {H::greaterThan, "", "gt"},
        {H::equalTo, "", "is"},           {H::notEqualTo, "", "isNot"},
        {H::matches, "", "matches"},      {H::beginsWith, "", "startsWith"},
        {H::endsWith, "", "endsWith"},    {H::contains, "", "contains"},
        {H::customSelector, "containsText:", "contains"},
        {H::customSelector, "hazelContainsObject:", "contains"},
        {H::customSelector, "isType:", "is"},
        {H::customSelector, "hazelIsInTheLast:", "inLast"},
    };
    for (const auto& c : cases) {
        H h;
        EXPECT_EQ(convert(h, h.compare("displayBasename", c.op, "x", c.selector)),
                  "all(name " + c.expected + " \"x\")")
            << c.op << c.selector;
    }
    H h;
    EXPECT_EQ(convert(h, h.compare("displayBasename", H::like, "x*")),
              unsupported("displayBasename condition displayBasename LIKE \"x*\""));
    EXPECT_EQ(convert(h, h.compare("displayBasename", H::customSelector, "x", "hazelIsSimilarTo:")),
              unsupported("displayBasename condition displayBasename hazelIsSimilarTo: \"x\""));
}

TEST(HazelConditions, CalendarPeriods)
{
    H h;
    EXPECT_EQ(convert(h, h.comparePeriod("dateAdded", H::equalTo, "today")), "all(added inCurrent \"day\")");
    EXPECT_EQ(convert(h, h.comparePeriod("dateModified", H::lessThan, "thisMonth")),
              "all(modified notInCurrent \"month\")");
    EXPECT_EQ(convert(h, h.comparePeriod("dateCreated", H::notEqualTo, "thisYear")),
              "all(created notInCurrent \"year\")");
    EXPECT_EQ(convert(h, h.comparison(h.keyPath("dateAdded"), H::customSelector, h.keyPath("thisWeek"),
                                      "hazelIsInTheLast:")),
              "all(added inLast \"week\")");
    EXPECT_EQ(convert(h, h.comparePeriod("dateAdded", H::customSelector, "thisWeek")),
              unsupported("dateAdded condition dateAdded <no selector> thisWeek"));
    // No test says "after the current period", and gt never holds on dates.
    EXPECT_EQ(convert(h, h.comparePeriod("dateAdded", H::greaterThan, "today")),
              unsupported("dateAdded after the current day"));
    // A key path on the right that names no period gives no value.
    EXPECT_EQ(convert(h, h.comparePeriod("dateAdded", H::equalTo, "yesterday")),
              unsupported("dateAdded condition dateAdded == yesterday"));
}

TEST(HazelConditions, ConstantsAndMeasurements)
{
    H h;
    Ref inLast = h.comparison(h.keyPath("dateAdded"), H::customSelector, h.constant(h.measurement(3, "Days")),
                              "hazelIsInTheLast:");
    EXPECT_EQ(convert(h, inLast), "all(added inLast \"3 days\")");
    EXPECT_EQ(convert(h, h.comparison(h.keyPath("textContent"), H::contains, h.constant(h.integer(42)))),
              "all(contents contains \"42\")");
    EXPECT_EQ(convert(h, h.comparison(h.keyPath("textContent"), H::contains, h.constant(h.real(2.5)))),
              "all(contents contains \"2.5\")");
    Ref noUnit = h.object("NoodleMeasurement", {{"amount", h.integer(3)}});
    EXPECT_EQ(convert(h, h.comparison(h.keyPath("dateAdded"), H::customSelector, h.constant(noUnit),
                                      "hazelIsInTheLast:")),
              unsupported("dateAdded condition dateAdded hazelIsInTheLast: <NoodleMeasurement>"));
    EXPECT_EQ(convert(h, h.comparison(h.keyPath("dateAdded"), H::lessThan, h.constant(h.date(0)))),
              unsupported("dateAdded condition dateAdded < CAST(0, \"NSDate\")"));
    EXPECT_EQ(convert(h, h.compare("typeObject", H::equalTo, "public.folder")), unsupported("matching folders"));
    EXPECT_EQ(convert(h, h.compare("typeObject", H::customSelector, "public.image", "isType:")),
              "all(kind is \"public.image\")");
}

TEST(HazelConditions, CompoundsTruePredicateAndGroupMode)
{
    H h;
    Ref a = h.compare("displayBasename", H::beginsWith, "a");
    Ref b = h.compare("displayExtension", H::equalTo, "b");
    Ref inner = h.compound(H::orType, {a, b}, "HazelCompoundPredicate");
    EXPECT_EQ(convert(h, h.compound(H::andType, {inner, h.compound(H::notType, {a})})),
              "all(all(any(name startsWith \"a\", ext is \"b\"), none(name startsWith \"a\")))");
    EXPECT_EQ(convert(h, h.truePredicate()), "all(all())");
    EXPECT_EQ(convert(h, h.falsePredicate()), unsupported("condition FALSEPREDICATE"));

    // The rule's predicate type sets the mode of its criteria; an unknown one reads as all.
    for (auto [type, mode] : std::vector<std::pair<std::int64_t, std::string>>{{0, "none"}, {2, "any"}, {1, "all"}, {7, "all"}})
        EXPECT_EQ(text(importRule(h, {.criteria = {a}, .predicateType = type}).rule.match),
                  mode + "(name startsWith \"a\")") << type;
}

TEST(HazelConditions, WhatCannotBeConvertedDisablesTheRuleAndIsNamed)
{
    H h;
    Ref good = h.compare("displayBasename", H::contains, "invoice");
    Ref bad = h.compare("fileSize", H::greaterThan, "5");
    OneRule one = importRule(h, {.criteria = {good, h.compound(H::andType, {good, bad})}});
    EXPECT_FALSE(one.rule.enabled);
    EXPECT_EQ(text(one.rule.match), "all(name contains \"invoice\")");
    EXPECT_EQ(one.notes, std::vector<std::string>{unsupported("attribute fileSize")});

    // Objects that are no predicates are never dropped silently.
    one = importRule(h, {.criteria = {good, h.object("HazelSpotlightCriterion", {}), h.text("abc")}});
    EXPECT_FALSE(one.rule.enabled);
    EXPECT_EQ(text(one.rule.match), "all(name contains \"invoice\")");
    EXPECT_EQ(one.notes.back(), unsupported("condition HazelSpotlightCriterion, condition text \"abc\""));
    EXPECT_EQ(convert(h, h.compound(H::orType, {good, h.integer(3)})), unsupported("condition number"));
}

TEST(HazelActions, MoveCopyTrashAndOthers)
{
    H h;
    EXPECT_EQ(convertAction(h, h.move(h.folder("~/Archive"))), R"({"move":{"to":"~/Archive"}})");
    EXPECT_EQ(convertAction(h, h.copy(h.folder("/Volumes/Backup"))), R"({"copy":{"to":"/Volumes/Backup"}})");
    EXPECT_EQ(convertAction(h, h.move(h.trashFolder())), R"({"trash":{}})");
    Ref trashWithPath = h.object("HazelTrashFolder", {{"path", h.text("~/.Trash")}});
    EXPECT_EQ(convertAction(h, h.copy(trashWithPath)), R"({"copy":{"to":"~/.Trash"}})");
    EXPECT_EQ(convertAction(h, h.copy(h.trashFolder())), unsupported("destination HazelTrashFolder"));
    EXPECT_EQ(convertAction(h, h.object("HazelMoveAction", {})), unsupported("action without destination"));
    EXPECT_EQ(convertAction(h, h.object("HazelRunShellScriptAction", {})), unsupported("action RunShellScriptAction"));
    // Swift module prefixes do not count in class names.
    EXPECT_EQ(convertAction(h, h.object("ComNoodlesoft_HazelCopyAction", {{"parameter", h.folder("/x")}})),
              R"({"copy":{"to":"/x"}})");

    OneRule one = importRule(h, {.actions = {h.move(h.folder("~/Archive"), true)}});
    EXPECT_TRUE(one.rule.enabled);
    EXPECT_EQ(text(one.rule.actions.at(0)), R"({"move":{"to":"~/Archive"}})");
    EXPECT_EQ(one.notes, std::vector<std::string>{"existing files at ~/Archive are kept, the new file gets a number"});
}

TEST(HazelRename, TokensBecomeNamePatterns)
{
    struct Case {
        std::string expected;
        std::vector<Ref> parts;
    };
    H h;
    Ref name = h.token("name"), ext = h.token("extension");
    std::vector<Case> cases = {
        {"{name}", {name, h.text("."), ext}},
        {"{added:yyyy-MM-dd} {name}",
         {h.token("dateAdded", {h.year(4), h.text("-"), h.token("month"), h.text("-"), h.token("dayOfMonth")}),
          h.text(" "), name}},
        {"{created}-{modified}", {h.token("dateCreated"), h.text("-"), h.token("dateModified")}},
        {"{name}.{ext}.bak", {name, h.text("."), ext, h.text(".bak")}},
        {"{modified:yy HH-mm-ss}",
         {h.token("dateModified", {h.year(2), h.text(" "), h.token("hour"), h.text("-"), h.token("minute"),
                                   h.text("-"), h.token("second")})}},
        {"{added:hh' at 'a}",
         {h.token("dateAdded", {h.token("hour"), h.text(" at "), h.token("am/pm")})}},
        // A quote in the text stays a literal quote in the date pattern.
        {"{added:'o''clock'''}", {h.token("dateAdded", {h.text("o'clock"), h.text("'")})}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(convertAction(h, h.rename(c.parts)), R"({"rename":{"to":")" + c.expected + R"("}})");
}

TEST(HazelRename, WhatCannotBeConvertedIsNamed)
{
    H h;
    Ref name = h.token("name");
    std::vector<std::pair<std::string, std::vector<Ref>>> cases = {
        {"rename token counter", {name, h.token("counter")}},
        {"date format in rename", {h.token("dateAdded", {h.token("weekday")})}},
        {"date format in rename", {h.token("dateAdded", {h.token("month"), h.text("}")})}},
        {"rename part number", {name, h.integer(3)}},
        {"rename token without a name", {h.object("HazelToken", {})}},
        // Literal text that would read as a token of the pattern.
        {"rename text {draft}", {h.text("{draft} "), name}},
        {"rename text {x:{name}", {h.text("{x:"), name}},
    };
    for (const auto& [label, parts] : cases)
        EXPECT_EQ(convertAction(h, h.rename(parts)), unsupported(label));
    EXPECT_EQ(convertAction(h, h.rename({h.text("{"), name, h.text("}")})), R"({"rename":{"to":"{{name}}"}})");
}

TEST(HazelRules, NamesSwitchesSubfoldersAndNotes)
{
    H h;
    Ref good = h.compare("displayBasename", H::contains, "x");
    Ref bad = h.compare("fileSize", H::greaterThan, "5");
    Ref trash = h.move(h.trashFolder());
    Ref set = h.ruleSet({
        h.rule({.criteria = {good}, .actions = {trash}}),
        h.rule({.name = "Off", .criteria = {good}, .actions = {trash}, .active = false}),
        h.rule({.name = "Off and odd", .criteria = {bad}, .actions = {trash}, .active = false}),
        h.rule({.name = "Deep", .actions = {trash, h.object("HazelRecurseAction", {})}}),
        h.text("not a rule"),
        h.rule({.name = "Shell", .criteria = {good}, .actions = {h.object("HazelRunShellScriptAction", {})}}),
    });
    Imported imported = importHazel(h.binary(set), "/srv/in");
    ASSERT_EQ(imported.folder.rules.size(), 4u);
    EXPECT_EQ(imported.folder.depth, 99);
    const auto& rules = imported.folder.rules;
    EXPECT_EQ(rules[0].name, "Untitled");
    EXPECT_TRUE(rules[0].enabled);
    EXPECT_FALSE(rules[1].enabled);
    EXPECT_FALSE(rules[2].enabled);
    EXPECT_FALSE(rules[3].enabled);
    for (const auto& rule : rules) EXPECT_TRUE(rule.dryRun);
    EXPECT_EQ(imported.notes, (std::vector<std::string>{
                                  "'Off and odd' is disabled, unsupported: attribute fileSize",
                                  "'Deep' ran rules inside subfolders, so the folder now includes its subfolders",
                                  "'Shell' is disabled, unsupported: action RunShellScriptAction",
                              }));

    EXPECT_TRUE(importHazel(h.binary(h.object("HazelRuleSet", {})), "x").folder.rules.empty());
}

TEST(HazelImport, BadInputGivesOneSentence)
{
    EXPECT_EQ(importError(""), "not a keyed archive: the data is empty");
    std::string noPlist =
        "not a keyed archive: the data is no readable property list (it may be damaged or cut short)";
    EXPECT_EQ(importError("hello, world"), noPlist);
    EXPECT_EQ(importError("HZLR and then too little"),
              "not a Hazel rules export: the file ends within its 40-byte header");

    H h;
    Ref set = h.ruleSet({h.rule({.actions = {h.move(h.trashFolder())}})});
    std::string whole = h.withHeader(set);
    EXPECT_EQ(importError(whole.substr(0, whole.size() - 20)), noPlist);
    std::string xml = h.xml(set);
    EXPECT_EQ(importError(xml.substr(0, xml.size() / 2)), noPlist);

    EXPECT_EQ(importError(h.binary(h.dictionary({{h.text("rules"), h.list({})}}))), "not a Hazel rules export");
    EXPECT_EQ(importError(h.binary(h.object("HazelRule", {}))), "not a Hazel rules export");
    EXPECT_EQ(importError(h.binary(0)), "not a Hazel rules export");
    // Found by fuzzing: libplist's own reader of such a text ends the process.
    EXPECT_EQ(importError(archiveWithNulInText()),
              "not a Hazel rules export: the archive is damaged: a text in it holds the character U+0000");
    EXPECT_TRUE(importError(h.binary(9999))
                    .starts_with("not a Hazel rules export: the archive is damaged: a reference points to object 9999, "))
        << importError(h.binary(9999));
}
