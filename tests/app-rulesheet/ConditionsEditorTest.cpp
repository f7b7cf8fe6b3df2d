#include "OlvaApp/ConditionsEditor/AttributeFamily.h"
#include "OlvaApp/ConditionsEditor/ConditionRow.h"
#include "OlvaApp/ConditionsEditor/ConditionsEditor.h"
#include "OlvaApp/ConditionsEditor/GroupRow.h"
#include "OlvaApp/Sentences/Titles.h"
#include "tests/app-rulesheet/RuleBuilders.h"

#include "Core/hazel/Predicate.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::app;
using namespace olva::test;

namespace {

QStringList items(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
    return texts;
}

QStringList titles(std::span<const Op> ops)
{
    QStringList texts;
    for (Op op : ops) texts << title(op);
    return texts;
}

// A shown editor, so that focus and key presses behave as on a desktop.
struct Shown {
    explicit Shown(Group group) : editor(std::move(group))
    {
        editor.resize(640, editor.height());
        editor.show();
        QApplication::setActiveWindow(&editor);
    }
    ConditionsEditor editor;
};

// The rows the predicate bridge's form of a group stands for: a compound
// row per compound predicate, a condition row per comparison, in order.
void predicateRows(const Predicate& predicate, NodePath& path, std::vector<TreeRow>& rows)
{
    rows.push_back({path, true});
    auto group = groupFromPredicate(predicate);
    ASSERT_TRUE(group);
    for (std::size_t i = 0; i < group->items.size(); ++i) {
        path.push_back(static_cast<int>(i));
        if (group->items[i].isGroup()) predicateRows(groupPredicate(group->items[i].group()), path, rows);
        else rows.push_back({path, false});
        path.pop_back();
    }
}

}  // namespace

TEST(ConditionsEditor, CountsOneRowPerGroupAndConditionAndGrowsToItsMost)
{
    struct Case {
        const char* what;
        Group group;
        int rows;
        int height;
    };
    const Condition c = cond(Attr::name, Op::contains, "x");
    const Case cases[] = {
        {"empty", all({}), 1, 30},
        {"one condition", all({c}), 2, 60},
        {"two and a nested three", all({c, c, any({c, c, c})}), 7, 210},
        {"eight rows", all({c, c, c, c, c, c, c}), 8, 240},
        {"nine rows", all({c, none({c, c, c, c, c, c})}), 9, 240},
        {"empty groups nested", none({any({all({})})}), 3, 90},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(rowCount(k.group), k.rows) << k.what;
        EXPECT_EQ(static_cast<int>(treeRows(k.group).size()), k.rows) << k.what;
        EXPECT_EQ(ConditionsEditor::heightFor(k.group), k.height) << k.what;
        ConditionsEditor editor(k.group);
        EXPECT_EQ(static_cast<int>(editor.rows().size()), k.rows) << k.what;
        EXPECT_EQ(editor.height(), k.height) << k.what;
    }
}

TEST(ConditionsEditor, EachFamilyOffersItsAttributesTestsAndPlaceholder)
{
    struct Case {
        Attr attr;
        const char* placeholder;
    };
    const Case cases[] = {
        {Attr::name, "text"},
        {Attr::ext, "text"},
        {Attr::kind, "pdf, image, movie, archive or a UTI"},
        {Attr::size, "10 MB"},
        {Attr::added, "2 weeks, or day, week, month, year"},
        {Attr::created, "2 weeks, or day, week, month, year"},
        {Attr::modified, "2 weeks, or day, week, month, year"},
        {Attr::opened, "2 weeks, or day, week, month, year"},
        {Attr::tags, "text"},
        {Attr::source, "text"},
        {Attr::contents, "text"},
    };
    ASSERT_EQ(std::size(cases), allAttrs().size());
    for (const Case& c : cases) {
        const AttributeFamily& family = familyOf(c.attr);
        EXPECT_NE(std::find(family.attributes().begin(), family.attributes().end(), c.attr),
                  family.attributes().end());
        const auto allowed = allowedOps(c.attr);
        EXPECT_TRUE(std::equal(family.operators().begin(), family.operators().end(), allowed.begin(), allowed.end()));

        ConditionsEditor editor(all({cond(c.attr, allowed.front(), "v")}));
        ConditionRow* row = editor.conditionRow({0});
        ASSERT_TRUE(row);
        EXPECT_EQ(row->attributeBox()->currentText(), title(c.attr));
        EXPECT_EQ(items(row->operatorBox()), titles(allowed)) << title(c.attr).toStdString();
        EXPECT_EQ(row->valueField()->placeholderText(), c.placeholder);
        EXPECT_FALSE(row->showsRefusedOperator());
    }
    // The attribute menu lists every attribute, in order.
    ConditionsEditor editor(all({cond(Attr::size, Op::gt, "1")}));
    QStringList expected;
    for (Attr attr : allAttrs()) expected << title(attr);
    EXPECT_EQ(items(editor.conditionRow({0})->attributeBox()), expected);
}

TEST(ConditionsEditor, BuildsNestedGroupsByMouseAndKeyboardThatTheBridgeReadsBack)
{
    Shown shown(all({}));
    ConditionsEditor& editor = shown.editor;
    QSignalSpy changes(&editor, &ConditionsEditor::groupChanged);

    // Root: all of [name contains "invoice ", any of [size gt 10 MB, tags is Paid], ext is pdf]
    QTest::mouseClick(editor.groupRow({})->addConditionButton(), Qt::LeftButton);
    ConditionRow* first = editor.conditionRow({0});
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->attributeBox()->hasFocus());  // a new row takes the focus
    QTest::keyClick(first->operatorBox(), Qt::Key_Down);  // is → is not
    QTest::keyClick(first->operatorBox(), Qt::Key_Down);  // → contains
    first->valueField()->setFocus();
    QTest::keyClicks(first->valueField(), "invoice ");

    QTest::mouseClick(editor.groupRow({})->addGroupButton(), Qt::LeftButton);
    GroupRow* nested = editor.groupRow({1});
    ASSERT_TRUE(nested);
    EXPECT_TRUE(nested->modeBox()->hasFocus());
    QTest::keyClick(nested->modeBox(), Qt::Key_Down);  // all → any
    ConditionRow* size = editor.conditionRow({1, 0});
    ASSERT_TRUE(size);
    size->attributeBox()->setCurrentIndex(3);
    emit size->attributeBox()->activated(3);  // Size
    EXPECT_EQ(size->valueField()->placeholderText(), "10 MB");
    size->valueField()->setFocus();
    QTest::keyClicks(size->valueField(), "10 MB");
    QTest::mouseClick(editor.groupRow({1})->addConditionButton(), Qt::LeftButton);
    ConditionRow* tags = editor.conditionRow({1, 1});
    ASSERT_TRUE(tags);
    for (int i = 0; i < 8; ++i) QTest::keyClick(tags->attributeBox(), Qt::Key_Down);  // Tags
    EXPECT_EQ(tags->attributeBox()->currentText(), "Tags");
    tags->valueField()->setFocus();
    QTest::keyClicks(tags->valueField(), "Paid");
    QTest::mouseClick(editor.groupRow({})->addConditionButton(), Qt::LeftButton);
    ConditionRow* ext = editor.conditionRow({2});
    QTest::keyClick(ext->attributeBox(), Qt::Key_Down);  // Extension
    ext->valueField()->setFocus();
    QTest::keyClicks(ext->valueField(), "pdf");

    const Group expected = all({cond(Attr::name, Op::contains, "invoice "),
                                any({cond(Attr::size, Op::gt, "10 MB"), cond(Attr::tags, Op::contains, "Paid")}),
                                cond(Attr::ext, Op::is, "pdf")});
    EXPECT_EQ(json(editor.group()), json(expected));
    EXPECT_GT(changes.count(), 10);  // every key press was reported

    // The bridge reads the editor's tree back unchanged, and the rows the
    // editor shows are the rows of the bridge's form.
    const Predicate predicate = groupPredicate(editor.group());
    auto back = groupFromPredicate(predicate);
    ASSERT_TRUE(back);
    EXPECT_EQ(json(*back), json(editor.group()));
    std::vector<TreeRow> fromPredicate;
    NodePath path;
    predicateRows(predicate, path, fromPredicate);
    std::vector<TreeRow> shownRows;
    for (const auto& row : editor.rows()) shownRows.push_back(row.place);
    EXPECT_EQ(shownRows, fromPredicate);
    EXPECT_EQ(static_cast<int>(shownRows.size()), rowCount(editor.group()));
}

TEST(ConditionsEditor, TypingKeepsTheRowAndItsFocusAndEveryCharacter)
{
    Shown shown(all({cond(Attr::name, Op::contains, "")}));
    ConditionsEditor& editor = shown.editor;
    ConditionRow* row = editor.conditionRow({0});
    QLineEdit* field = row->valueField();
    field->setFocus();
    QSignalSpy changes(&editor, &ConditionsEditor::groupChanged);

    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(conditionAt(editor.group(), {0}).value, " ");
    QTest::keyClicks(field, "a b ");
    EXPECT_EQ(conditionAt(editor.group(), {0}).value, " a b ");  // stored as typed, blanks kept
    EXPECT_EQ(editor.conditionRow({0}), row);
    EXPECT_TRUE(field->hasFocus());

    // The same shape given again keeps the rows; the field's own text and
    // cursor stay.
    field->setCursorPosition(2);
    editor.setGroup(editor.group());
    EXPECT_EQ(editor.conditionRow({0}), row);
    EXPECT_EQ(field->cursorPosition(), 2);
    Group other = editor.group();
    other.items.emplace_back(cond(Attr::ext, Op::is, "pdf"));
    editor.setGroup(other);
    ASSERT_TRUE(editor.conditionRow({1}));
    EXPECT_EQ(editor.conditionRow({1})->valueField()->text(), "pdf");
}

TEST(ConditionsEditor, AnotherAttributeStartsItsRowAfresh)
{
    struct Case {
        Attr from;
        Op op;
        Attr to;
        Op first;
    };
    const Case cases[] = {
        {Attr::name, Op::contains, Attr::size, Op::gt},
        {Attr::name, Op::contains, Attr::ext, Op::is},  // same family: still afresh
        {Attr::size, Op::lt, Attr::added, Op::inLast},
        {Attr::tags, Op::contains, Attr::kind, Op::is},
    };
    for (const Case& c : cases) {
        ConditionsEditor editor(all({cond(c.from, c.op, "typed")}));
        ConditionRow* row = editor.conditionRow({0});
        const int index = row->attributeBox()->findData(static_cast<int>(c.to));
        row->attributeBox()->setCurrentIndex(index);
        emit row->attributeBox()->activated(index);
        const Condition& now = conditionAt(editor.group(), {0});
        EXPECT_EQ(now.attr, c.to);
        EXPECT_EQ(now.op, c.first);
        EXPECT_EQ(now.value, "");
        EXPECT_EQ(row->valueField()->text(), "");
        EXPECT_EQ(row->valueField()->placeholderText(), familyOf(c.to).placeholder());
        EXPECT_EQ(items(row->operatorBox()), titles(allowedOps(c.to)));
        EXPECT_EQ(editor.conditionRow({0}), row);
    }
}

TEST(ConditionsEditor, ARefusedTestIsShownMarkedAndKeptUntilTheUserPicksAnother)
{
    Shown shown(all({cond(Attr::size, Op::contains, "10"), cond(Attr::name, Op::is, "a")}));
    ConditionsEditor& editor = shown.editor;
    ConditionRow* row = editor.conditionRow({0});
    EXPECT_TRUE(row->showsRefusedOperator());
    EXPECT_EQ(row->operatorBox()->currentText(), "contains");
    EXPECT_EQ(row->operatorBox()->count(), 3);  // contains, then the allowed gt and lt
    EXPECT_FALSE(row->operatorBox()->itemIcon(0).isNull() && row->operatorBox()->toolTip().isEmpty());

    // Edits elsewhere, and of its own value, keep it as it is.
    QLineEdit* other = editor.conditionRow({1})->valueField();
    other->setFocus();
    QTest::keyClicks(other, "b");
    row->valueField()->setFocus();
    QTest::keyClicks(row->valueField(), "0");
    EXPECT_EQ(json(editor.group()), json(all({cond(Attr::size, Op::contains, "100"), cond(Attr::name, Op::is, "ab")})));
    EXPECT_TRUE(row->showsRefusedOperator());

    // Picking an allowed test replaces it and the mark goes.
    QTest::keyClick(row->operatorBox(), Qt::Key_Down);
    EXPECT_EQ(conditionAt(editor.group(), {0}).op, Op::gt);
    EXPECT_FALSE(row->showsRefusedOperator());
    EXPECT_EQ(items(row->operatorBox()), titles(allowedOps(Attr::size)));
}

TEST(ConditionsEditor, RemovesConditionsAndGroupsButNeverTheRoot)
{
    const Group start = none({cond(Attr::name, Op::is, "a"), any({cond(Attr::ext, Op::is, "b")}),
                              cond(Attr::kind, Op::is, "image")});
    Shown shown(start);
    ConditionsEditor& editor = shown.editor;
    EXPECT_EQ(editor.groupRow({})->removeButton(), nullptr);
    EXPECT_EQ(editor.groupRow({})->modeBox()->currentText(), "None");

    QTest::mouseClick(editor.groupRow({1})->removeButton(), Qt::LeftButton);
    EXPECT_EQ(json(editor.group()), json(none({cond(Attr::name, Op::is, "a"), cond(Attr::kind, Op::is, "image")})));
    EXPECT_TRUE(editor.groupRow({})->addConditionButton()->hasFocus());
    QTest::mouseClick(editor.conditionRow({0})->removeButton(), Qt::LeftButton);
    QTest::mouseClick(editor.conditionRow({0})->removeButton(), Qt::LeftButton);
    EXPECT_EQ(json(editor.group()), json(none({})));
    EXPECT_EQ(editor.rows().size(), 1u);
    EXPECT_EQ(editor.height(), 30);

    // A none group reads back from the bridge as none.
    auto back = groupFromPredicate(groupPredicate(start));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->mode, Group::Mode::none);
    EXPECT_EQ(json(*back), json(start));
}
