#include "tests/app-rulesheet/SheetFixture.h"

#include "Core/base/Paths.h"
#include "Core/model/RuleVersion.h"
#include "OlvaApp/Model/ModelTesting.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/RuleSheet/PreviewList.h"
#include "OlvaApp/RuleSheet/SheetSection.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace olva;
using namespace olva::app;
using namespace olva::test;

namespace {

class RuleSheetTest : public SheetFixture {
protected:
    // Typed at the end of what the field holds.
    void type(QWidget* field, const QString& text)
    {
        field->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(field)) line->end(false);
        QTest::keyClicks(field, text);
    }
    ConditionRow* addCondition(const NodePath& group, Attr attr, const QString& value)
    {
        ConditionsEditor* editor = sheet->conditionsEditor();
        QTest::mouseClick(editor->groupRow(group)->addConditionButton(), Qt::LeftButton);
        NodePath path = group;
        path.push_back(static_cast<int>(groupAt(const_cast<Group&>(editor->group()), group).items.size()) - 1);
        ConditionRow* row = editor->conditionRow(path);
        // By keyboard: Down from the first attribute to the one wanted.
        for (int i = 0; i < static_cast<int>(attr); ++i) QTest::keyClick(row->attributeBox(), Qt::Key_Down);
        type(row->valueField(), value);
        return row;
    }
    ActionRow& actionRow(int i) { return *sheet->actionsEditor()->rows().at(i).editor; }
    void addAction(Action::Kind kind)
    {
        const auto& rows = sheet->actionsEditor()->rows();
        QTest::mouseClick(rows.back().add, Qt::LeftButton);
        pick(actionRow(static_cast<int>(rows.size()) - 1).kindBox(), static_cast<int>(kind));
    }
};

}  // namespace

TEST_F(RuleSheetTest, BuildsARuleOfEveryAttributeAndEveryActionAndAddsIt)
{
    watch({extRule("Keep", "txt", {Action::trash()})});
    model().newRule();
    RuleSheet& s = open();
    EXPECT_EQ(s.saveButton()->text(), "Add Rule");
    EXPECT_FALSE(s.runAgainSwitch()->isVisible());

    s.nameField()->clear();
    type(s.nameField(), "Everything <b>x</b>");
    // The default condition (ext is pdf) stays; then one of every attribute,
    // in the root and in groups nested two deep.
    ConditionsEditor* conditions = s.conditionsEditor();
    addCondition({}, Attr::name, "invoice");
    addCondition({}, Attr::kind, "pdf");
    addCondition({}, Attr::size, "10 MB");
    QTest::mouseClick(conditions->groupRow({})->addGroupButton(), Qt::LeftButton);
    QTest::keyClick(conditions->groupRow({4})->modeBox(), Qt::Key_Down);  // any
    QTest::mouseClick(conditions->conditionRow({4, 0})->removeButton(), Qt::LeftButton);
    addCondition({4}, Attr::added, "2 weeks");
    addCondition({4}, Attr::created, "week");
    addCondition({4}, Attr::modified, "3 days");
    addCondition({4}, Attr::opened, "1 year");
    QTest::mouseClick(conditions->groupRow({4})->addGroupButton(), Qt::LeftButton);
    pick(conditions->groupRow({4, 4})->modeBox(), static_cast<int>(Group::Mode::none));
    QTest::mouseClick(conditions->conditionRow({4, 4, 0})->removeButton(), Qt::LeftButton);
    addCondition({4, 4}, Attr::tags, "Done");
    addCondition({4, 4}, Attr::source, "example.com");
    addCondition({4, 4}, Attr::contents, "  paid ");
    EXPECT_EQ(conditions->height(), 240);  // 15 rows scroll

    // The default move, then one action of every other kind.
    const auto archive = folder("Archive"), backup = folder("Backup");
    panels.answer(archive);
    QTest::mouseClick(actionRow(0).chooseButton(), Qt::LeftButton);
    addAction(Action::Kind::copy);
    panels.answer(backup);
    QTest::mouseClick(actionRow(1).chooseButton(), Qt::LeftButton);
    addAction(Action::Kind::rename);
    QMenu* tokens = actionRow(2).insertButton()->menu();
    tokens->actions()[2]->trigger();  // Date Added
    type(actionRow(2).patternField(), " ");
    tokens->actions()[0]->trigger();  // Name
    addAction(Action::Kind::sortInto);
    type(actionRow(3).patternField(), "/{ext}");
    addAction(Action::Kind::addTags);
    type(actionRow(4).tagsField(), "Work, Paid, ");
    addAction(Action::Kind::removeTags);
    type(actionRow(5).tagsField(), "Inbox");
    addAction(Action::Kind::trash);
    addAction(Action::Kind::shell);
    type(actionRow(7).scriptField(), "echo \"$1\"");
    QTest::mouseClick(s.dryRunSwitch(), Qt::LeftButton);  // live

    ASSERT_TRUE(s.saveButton()->isEnabled()) << s.problem().toStdString();
    QSignalSpy finished(&s, &QDialog::finished);
    QTest::mouseClick(s.saveButton(), Qt::LeftButton);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(s.result(), QDialog::Accepted);
    EXPECT_FALSE(model().editingRule());

    const Rule expected{
        .name = "Everything <b>x</b>",
        .enabled = true,
        .dryRun = false,
        .match = all({cond(Attr::ext, Op::is, "pdf"), cond(Attr::name, Op::is, "invoice"),
                      cond(Attr::kind, Op::is, "pdf"), cond(Attr::size, Op::gt, "10 MB"),
                      any({cond(Attr::added, Op::inLast, "2 weeks"), cond(Attr::created, Op::inLast, "week"),
                           cond(Attr::modified, Op::inLast, "3 days"), cond(Attr::opened, Op::inLast, "1 year"),
                           none({cond(Attr::tags, Op::contains, "Done"), cond(Attr::source, Op::is, "example.com"),
                                 cond(Attr::contents, Op::is, "  paid ")})})}),
        .actions = {Action::move(abbreviate(archive.string())), Action::copy(abbreviate(backup.string())),
                    Action::rename("{name}{added:yyyy-MM-dd} {name}"), Action::sortInto("{added:yyyy}/{ext}"),
                    Action::addTags({"Work", "Paid"}), Action::removeTags({"Inbox"}), Action::trash(),
                    Action::shell("echo \"$1\"")}};
    const Config onDisk = rulesOnDisk();
    ASSERT_EQ(onDisk.folders.at(0).rules.size(), 2u);
    EXPECT_EQ(json(onDisk.folders[0].rules[1]), json(expected));
}

TEST_F(RuleSheetTest, EditingKeepsWhatTheUserDidNotTouchByteForByte)
{
    // Texts a tidier editor would change: blanks around values and tags, a
    // test its attribute does not allow, an empty group, slashes, accents.
    Rule odd{.name = "  Odd <i>rule</i> ",
             .enabled = false,
             .dryRun = true,
             .match = any({cond(Attr::name, Op::contains, " a/b "), cond(Attr::size, Op::contains, "big"), all({}),
                           none({cond(Attr::tags, Op::contains, "Café")})}),
             .actions = {Action::addTags({" Work", "", "Work"}), Action::sortInto("a//{ext}")}};
    watch({extRule("First", "pdf", {Action::move("~/Documents")}), odd});
    const std::string before = readFile(dataDir() / "rules.json");

    model().editRule(1);
    RuleSheet& s = open();
    EXPECT_EQ(s.saveButton()->text(), "Save");
    // The refused test is shown as it is and keeps Save off…
    EXPECT_TRUE(s.conditionsEditor()->conditionRow({1})->showsRefusedOperator());
    EXPECT_FALSE(s.saveButton()->isEnabled());
    EXPECT_EQ(s.problem(), "size can't use contains, only gt, lt");
    EXPECT_EQ(s.problemLabel()->text(), "Size can't use contains, only gt, lt");
    // …until the user picks another.
    pick(s.conditionsEditor()->conditionRow({1})->operatorBox(), static_cast<int>(Op::lt));
    ASSERT_TRUE(s.saveButton()->isEnabled());
    QTest::mouseClick(s.saveButton(), Qt::LeftButton);
    EXPECT_FALSE(model().editingRule());

    // The one test the user changed, and nothing else.
    std::string expected = before;
    const auto value = expected.find("\"value\" : \"big\"");
    ASSERT_NE(value, std::string::npos) << before;
    const auto op = expected.rfind("\"contains\"", value);
    ASSERT_NE(op, std::string::npos);
    expected.replace(op, 10, "\"lt\"");
    EXPECT_EQ(readFile(dataDir() / "rules.json"), expected);
}

TEST_F(RuleSheetTest, ChangingALiveRuleOffersToRunItAgain)
{
    struct Case {
        bool runAgain;
        std::size_t runs;  // of the edited rule on the file it had handled
    };
    for (const Case& c : {Case{false, 1}, Case{true, 2}}) {
        SCOPED_TRACE(c.runAgain);
        sheet.reset();
        TempDir world;
        inbox = world.path() / "Inbox";
        std::filesystem::create_directories(inbox);
        writeFile(inbox / "a.txt", "a");
        writeRules(Config{.paused = false,
                          .folders = {watched(inbox, {extRule("Tag", "txt", {Action::addTags({"seen"})})})},
                          .bookmarks = {}});
        Model& m = restart();
        ASSERT_TRUE(start());
        ASSERT_TRUE(until([&] { return ModelTesting::engine(m)->explain(inbox / "a.txt").at(0).alreadyApplied; }));
        m.setSelection(Selection::folder(0));
        m.editRule(0);
        RuleSheet& s = open();
        EXPECT_FALSE(s.runAgainSwitch()->isVisible());

        // A new name is not a new behaviour.
        type(s.nameField(), " 2");
        EXPECT_FALSE(s.runAgainSwitch()->isVisible());
        // A new tag is: the switch shows. Turned on, then the change undone:
        // hidden again, the choice kept.
        QLineEdit* tags = actionRow(0).tagsField();
        type(tags, ", more");
        ASSERT_TRUE(s.runAgainSwitch()->isVisible());
        QTest::mouseClick(s.runAgainSwitch(), Qt::LeftButton);
        EXPECT_TRUE(s.runAgain());
        for (int i = 0; i < 6; ++i) QTest::keyClick(tags, Qt::Key_Backspace);
        EXPECT_FALSE(s.runAgainSwitch()->isVisible());
        EXPECT_TRUE(s.runAgain());
        type(tags, ", more");
        if (!c.runAgain) QTest::mouseClick(s.runAgainSwitch(), Qt::LeftButton);
        EXPECT_EQ(s.runAgain(), c.runAgain);

        QTest::mouseClick(s.saveButton(), Qt::LeftButton);
        ASSERT_FALSE(m.editingRule());
        const Rule saved = rulesOnDisk().folders.at(0).rules.at(0);
        EXPECT_EQ(saved.actions[0].tags, (std::vector<std::string>{"seen", "more"}));
        ASSERT_TRUE(until([&] {
            return ruleVersion(ModelTesting::engine(m)->config().folders.at(0).rules.at(0)) == ruleVersion(saved);
        }));
        ModelTesting::engine(m)->scanNow();
        std::size_t runs = 0;
        for (const Entry& entry : store->entries()) runs += entry.file == (inbox / "a.txt").string();
        EXPECT_EQ(runs, c.runs);
    }
}

TEST_F(RuleSheetTest, ADryRunRuleNeverOffersToRunAgain)
{
    watch({extRule("Dry", "txt", {Action::trash()}, true)});
    model().editRule(0);
    RuleSheet& s = open();
    const std::function<void()> changes[] = {
        [&] { type(s.conditionsEditor()->conditionRow({0})->valueField(), "x"); },
        [&] { QTest::mouseClick(s.dryRunSwitch(), Qt::LeftButton); },
    };
    for (const auto& change : changes) {
        change();
        EXPECT_FALSE(s.runAgainSwitch()->isVisible());
    }
    // The other way round: a live rule turned into a dry run is a new
    // behaviour, and offers it.
    s.reject();
    model().edit(QStringLiteral("Edit Rule"), [](Config& config) { config.folders[0].rules[0].dryRun = false; });
    model().editRule(0);
    RuleSheet& live = open();
    QTest::mouseClick(live.dryRunSwitch(), Qt::LeftButton);
    EXPECT_TRUE(live.draft().dryRun);
    EXPECT_TRUE(live.runAgainSwitch()->isVisible());
}

TEST_F(RuleSheetTest, SaveIsOnExactlyWhenValidationTakesTheDraft)
{
    watch({});
    model().newRule();
    RuleSheet& s = open();
    struct Case {
        const char* what;
        std::function<void()> change;
        QString problem;  // empty: Save is on
    };
    const Case cases[] = {
        {"the default new rule", [] {}, ""},
        {"a name of blanks", [&] { s.nameField()->clear(); type(s.nameField(), "   "); }, "the rule needs a name"},
        {"a name again", [&] { type(s.nameField(), "x"); }, ""},
        {"a copy with no folder", [&] { pick(actionRow(0).kindBox(), static_cast<int>(Action::Kind::copy)); },
         "move and copy need a destination folder"},
        {"tags with no name",
         [&] {
             pick(actionRow(0).kindBox(), static_cast<int>(Action::Kind::addTags));
             type(actionRow(0).tagsField(), " , ");
         },
         "addTags and removeTags need at least one tag"},
        {"a tag", [&] { type(actionRow(0).tagsField(), "a"); }, ""},
        {"an empty script", [&] { pick(actionRow(0).kindBox(), static_cast<int>(Action::Kind::shell)); },
         "shell needs a script"},
        {"an empty pattern",
         [&] {
             pick(actionRow(0).kindBox(), static_cast<int>(Action::Kind::rename));
             QTest::keyClick(actionRow(0).patternField(), Qt::Key_A, Qt::ControlModifier);
             QTest::keyClick(actionRow(0).patternField(), Qt::Key_Backspace);
         },
         "rename and sortInto need a pattern"},
        {"trash", [&] { pick(actionRow(0).kindBox(), static_cast<int>(Action::Kind::trash)); }, ""},
    };
    for (const Case& c : cases) {
        c.change();
        EXPECT_EQ(s.problem(), c.problem) << c.what;
        EXPECT_EQ(s.saveButton()->isEnabled(), c.problem.isEmpty()) << c.what;
        EXPECT_EQ(s.problemLabel()->isVisible(), !c.problem.isEmpty()) << c.what;
    }

    // Return does nothing while Save is off; Escape closes without saving.
    s.nameField()->clear();
    type(s.nameField(), " ");
    QTest::keyClick(s.nameField(), Qt::Key_Return);
    EXPECT_TRUE(s.isVisible());
    QSignalSpy finished(&s, &QDialog::finished);
    QTest::keyClick(s.nameField(), Qt::Key_Escape);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(s.result(), QDialog::Rejected);
    EXPECT_FALSE(model().editingRule());
    EXPECT_TRUE(rulesOnDisk().folders.at(0).rules.empty());

    // Return saves once Save is on.
    model().newRule();
    RuleSheet& again = open();
    QTest::keyClick(again.nameField(), Qt::Key_Return);
    EXPECT_FALSE(model().editingRule());
    EXPECT_EQ(rulesOnDisk().folders.at(0).rules.size(), 1u);
}

TEST_F(RuleSheetTest, InASandboxSaveWaitsForAccessToEveryDestination)
{
    watch({});
    const auto kept = folder("Kept"), other = folder("Other");
    model().keepAccess(kept);
    Rule rule = Model::defaultNewRule();
    rule.actions = {Action::copy(abbreviate(kept.string())), Action::move(abbreviate(other.string()))};
    for (bool sandboxed : {false, true}) {
        ModelTesting::setSandboxed(model(), sandboxed);
        model().newRule(rule);
        RuleSheet& s = open();
        EXPECT_EQ(s.saveButton()->isEnabled(), !sandboxed);
        EXPECT_EQ(actionRow(1).accessWarning()->isVisible(), sandboxed);
        EXPECT_FALSE(actionRow(0).accessWarning()->isVisible());
        if (sandboxed) {
            // Choosing the folder again keeps access, and Save comes on.
            panels.answer(other);
            QTest::mouseClick(actionRow(1).chooseButton(), Qt::LeftButton);
            EXPECT_TRUE(s.saveButton()->isEnabled());
            EXPECT_FALSE(actionRow(1).accessWarning()->isVisible());
        }
        s.reject();
    }
}

TEST_F(RuleSheetTest, ARuleChangedOnDiskMeanwhileKeepsTheSheetOpenWithTheDraft)
{
    watch({extRule("First", "pdf", {Action::trash()}), extRule("Second", "txt", {Action::trash()})});
    model().editRule(1);
    RuleSheet& s = open();
    type(s.nameField(), " edited");

    // The tool changes that rule while the sheet is open.
    Config changed = rulesOnDisk();
    changed.folders[0].rules[1].actions = {Action::addTags({"tool"})};
    writeRules(changed);
    model().reloadRules();
    ASSERT_TRUE(until([&] { return model().config().folders[0].rules[1].actions[0].kind == Action::Kind::addTags; }));

    QTest::mouseClick(s.saveButton(), Qt::LeftButton);
    EXPECT_TRUE(s.isVisible());
    ASSERT_TRUE(model().problem());
    ASSERT_TRUE(model().editingRule());
    EXPECT_EQ(model().editingRule()->id, s.editingId());
    EXPECT_EQ(s.draft().name, "Second edited");
    EXPECT_EQ(rulesOnDisk().folders[0].rules[1].actions[0].kind, Action::Kind::addTags);

    // Cancelled: the draft goes, nothing is saved.
    QTest::mouseClick(s.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(s.isVisible());
    EXPECT_FALSE(model().editingRule());
}

TEST_F(RuleSheetTest, TextsTheUserTypedAreShownPlain)
{
    watch({});
    // File names hold no "/": a name that still reads as markup.
    writeFile(inbox / "<b>x<b>.pdf", "x");
    Rule rule = Model::defaultNewRule();
    rule.name = "<b>x</b>";
    model().newRule(rule);
    RuleSheet& s = open();
    ASSERT_TRUE(previewed());
    EXPECT_EQ(s.nameField()->text(), "<b>x</b>");
    PreviewList* list = s.previewList();
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), "<b>x<b>.pdf");
    EXPECT_EQ(s.problemLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(s.findChild<SheetSection*>()->detailLabel()->textFormat(), Qt::PlainText);
}
