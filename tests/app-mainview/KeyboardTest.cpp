// The main window as a keyboard and screen-reader user meets it: where Tab
// and Ctrl+F take the focus, the rule sheet's order of stops, the names of
// the buttons that repeat in every group, and a rule's switch.
#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/ConditionsEditor/ConditionRow.h"
#include "OlvaApp/ConditionsEditor/ConditionsEditor.h"
#include "OlvaApp/ConditionsEditor/GroupRow.h"
#include "OlvaApp/MainView/DeleteKey.h"
#include "OlvaApp/MainView/FolderMenuItems.h"
#include "OlvaApp/MainView/FolderView.h"
#include "OlvaApp/MainView/RulesListView.h"
#include "OlvaApp/RuleSheet/ActionRow.h"
#include "OlvaApp/RuleSheet/ActionsEditor.h"
#include "OlvaApp/RuleSheet/FocusOrder.h"
#include "OlvaApp/RuleSheet/PreviewList.h"
#include "OlvaApp/RuleSheet/RuleSheet.h"
#include "tests/app-mainview/MainWindowFixture.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace olva;
using namespace olva::app;
using olva::test::MainWindowFixture;

namespace {

class Keyboard : public MainWindowFixture {
protected:
    void openWithRules()
    {
        Rule nested = test::extRule("Invoices", "pdf", {Action::trash()});
        nested.match.items.push_back(Group{Group::Mode::any, {Condition{Attr::name, Op::contains, "a"}}});
        Config config;
        config.folders = {test::watched(folder("Inbox"), {nested, test::extRule("Old", "zip", {Action::trash()})})};
        open(config);
        mainWindow().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow(), olva::test::hangGuardMs));
    }

    QWidget* focused() { return QApplication::focusWidget(); }

    RuleSheet* openSheet(int rule)
    {
        model().setSelection(Selection::folder(0));
        model().editRule(rule);
        settle();
        return mainWindow().ruleSheet();
    }
};

}  // namespace

TEST_F(Keyboard, TabLeavesTheActivityTableBothWays)
{
    openWithRules();
    model().setSelection(Selection::activity());
    QTableView* table = mainWindow().activityView()->table();
    for (Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        table->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(focused(), table);
        press(table, modifiers ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
        EXPECT_NE(focused(), table) << "Tab moves on to the next control, not to the next cell";
        EXPECT_NE(focused(), nullptr);
    }
}

TEST_F(Keyboard, CtrlFFindsInTheActivityAndEscapeClearsTheSearch)
{
    openWithRules();
    model().setSelection(Selection::folder(0));
    settle();
    ASSERT_EQ(mainWindow().currentView(), mainWindow().folderView());
    mainWindow().folderView()->rulesList()->setFocus();
    press(mainWindow().folderView()->rulesList(), Qt::Key_F, Qt::ControlModifier);
    QLineEdit* search = mainWindow().activityView()->searchField();
    EXPECT_EQ(mainWindow().currentView(), mainWindow().activityView()) << "a folder was shown: the activity comes";
    EXPECT_EQ(focused(), search);

    QTest::keyClicks(search, "invoice");
    press(search, Qt::Key_Escape);
    EXPECT_TRUE(search->text().isEmpty());
    EXPECT_EQ(focused(), search);
}

TEST_F(Keyboard, TheRuleSheetIsReadTopToBottom)
{
    openWithRules();
    RuleSheet* sheet = openSheet(0);
    ASSERT_TRUE(sheet);
    // A condition added after the sheet opened takes its place in the order.
    sheet->conditionsEditor()->groupRow({})->addConditionButton()->click();
    settle();

    // Every stop Tab makes from the name on, until it comes round again.
    QList<QWidget*> stops;
    QWidget* at = sheet->nameField();
    for (int i = 0; i < 200; ++i) {
        stops << at;
        at = at->nextInFocusChain();
        while (at != sheet->nameField() && (!(at->focusPolicy() & Qt::TabFocus) || !at->isVisibleTo(sheet)))
            at = at->nextInFocusChain();
        if (at == sheet->nameField()) break;
    }
    ASSERT_FALSE(stops.isEmpty());

    auto place = [&](QWidget* widget) { return stops.indexOf(widget); };
    const auto& rows = sheet->conditionsEditor()->rows();
    std::vector<qsizetype> order{place(sheet->nameField())};
    for (const auto& row : rows) {
        if (row.place.isGroup) order.push_back(place(static_cast<GroupRow*>(row.widget)->modeBox()));
        else order.push_back(place(static_cast<ConditionRow*>(row.widget)->attributeBox()));
    }
    order.push_back(place(sheet->actionsEditor()->findChild<QComboBox*>()));
    order.push_back(place(sheet->previewList()));
    order.push_back(place(sheet->dryRunSwitch()));
    order.push_back(place(sheet->cancelButton()));
    order.push_back(place(sheet->saveButton()));
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_GE(order[i], 0) << "stop " << i << " is reached";
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()))
        << "name, conditions row by row, actions, preview, dry run, Cancel, Save";
    EXPECT_EQ(stops.back(), sheet->saveButton());
    for (QWidget* stop : stops) {
        const QString name = stop->accessibleName().isEmpty() ? stop->property("text").toString() : stop->accessibleName();
        EXPECT_FALSE(name.isEmpty()) << "a nameless stop: " << stop->metaObject()->className();
    }
}

TEST_F(Keyboard, EachGroupsButtonsSayWhichGroupTheyActOn)
{
    openWithRules();
    RuleSheet* sheet = openSheet(0);
    ASSERT_TRUE(sheet);
    ConditionsEditor* editor = sheet->conditionsEditor();
    // A second nested group of the same kind as the first.
    editor->groupRow({})->addGroupButton()->click();
    settle();

    QStringList names;
    for (const auto& row : editor->rows()) {
        if (row.place.isGroup) {
            auto* group = static_cast<GroupRow*>(row.widget);
            names << group->addConditionButton()->accessibleName() << group->addGroupButton()->accessibleName();
            if (group->removeButton()) names << group->removeButton()->accessibleName();
        } else {
            names << static_cast<ConditionRow*>(row.widget)->removeButton()->accessibleName();
        }
    }
    // The actions' rows repeat their buttons too.
    for (QToolButton* button : sheet->actionsEditor()->findChildren<QToolButton*>())
        if (button->isVisibleTo(sheet) && (button->focusPolicy() & Qt::TabFocus)) names << button->accessibleName();
    const QSet<QString> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), names.size()) << names.join(u'|').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("Add Condition to “All of the following”")));
    EXPECT_TRUE(names.contains(QStringLiteral("Add Condition to “Any of the following” in row 3")));

    // A new mode renames the group's buttons at once.
    GroupRow* nested = editor->groupRow({1});
    ASSERT_TRUE(nested);
    QTest::keyClick(nested->modeBox(), Qt::Key_Down);
    EXPECT_EQ(nested->addGroupButton()->accessibleName(), QStringLiteral("Add Group to “None of the following” in row 3"));
    // Boxes are read as fields ("Attribute"), their choice as their value.
    for (QComboBox* box : sheet->findChildren<QComboBox*>()) {
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(box);
        ASSERT_TRUE(field);
        EXPECT_FALSE(box->accessibleName().isEmpty());
        EXPECT_EQ(field->text(QAccessible::Name), box->accessibleName());
        EXPECT_EQ(field->text(QAccessible::Value), box->currentText());
        EXPECT_EQ(field->role(), QAccessible::ComboBox);
    }
}

TEST_F(Keyboard, ARulesSwitchIsACheckBoxOfItsOwn)
{
    openWithRules();
    model().setSelection(Selection::folder(0));
    settle();
    RulesListView* list = mainWindow().folderView()->rulesList();
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->role(), QAccessible::List);
    ASSERT_EQ(view->childCount(), 2);
    QAccessibleInterface* row = view->child(0);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->role(), QAccessible::ListItem);
    EXPECT_EQ(row->text(QAccessible::Name), QStringLiteral("Invoices, If extension is pdf and (name contains a), move to Trash"));
    EXPECT_TRUE(row->text(QAccessible::Description).isEmpty());
    EXPECT_EQ(view->indexOfChild(row), 0);
    ASSERT_EQ(row->childCount(), 1);
    QAccessibleInterface* toggle = row->child(0);
    EXPECT_EQ(toggle->role(), QAccessible::CheckBox);
    EXPECT_EQ(toggle->text(QAccessible::Name), QStringLiteral("Enable “Invoices”"));
    EXPECT_TRUE(toggle->state().checked);
    EXPECT_EQ(toggle->parent(), row);
    EXPECT_TRUE(toggle->rect().intersects(row->rect()));

    // Turned there, the rule turns off, as a click on the switch does.
    QAccessibleActionInterface* action = toggle->actionInterface();
    ASSERT_TRUE(action);
    action->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(model().config().folders[0].rules[0].enabled);
    EXPECT_FALSE(toggle->state().checked);

    // A rule deleted under it: the row that is gone says so.
    model().deleteRule(1);
    settle();
    EXPECT_EQ(view->childCount(), 1);
    EXPECT_FALSE(view->child(1));
}

TEST_F(Keyboard, FolderMenusBuildTheirSubmenuOnce)
{
    openWithRules();
    model().setSelection(Selection::folder(0));
    settle();
    QMenu* options = mainWindow().folderView()->folderOptionsAction()->menu();
    QMenu shellMenu;
    auto rebuildShellMenu = [&] {
        shellMenu.clear();
        addFolderMenuItems(shellMenu, model());
    };
    QObject::connect(&shellMenu, &QMenu::aboutToShow, rebuildShellMenu);
    for (QMenu* menu : {options, &shellMenu}) {
        for (int opening = 0; opening < 10; ++opening) emit menu->aboutToShow();
        EXPECT_EQ(menu->findChildren<QMenu*>().size(), 1);
        EXPECT_EQ(menu->findChildren<QActionGroup*>().size(), 1);
        const QList<QMenu*> submenus = menu->findChildren<QMenu*>();
        ASSERT_EQ(submenus.size(), 1);
        EXPECT_EQ(submenus.front()->actions().size(), 4);
        EXPECT_TRUE(menu->actions().contains(submenus.front()->menuAction())) << "the one left is the one shown";
    }
}

TEST(DeleteKey, IsDeleteOrBackspaceWithNoModifierButTheKeypad)
{
    struct Case {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        bool deletes;
    };
    const Case cases[] = {
        {"Delete", Qt::Key_Delete, Qt::NoModifier, true},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier, true},
        {"the keypad's Delete", Qt::Key_Delete, Qt::KeypadModifier, true},
        {"Shift+Delete", Qt::Key_Delete, Qt::ShiftModifier, false},
        {"Ctrl+Backspace", Qt::Key_Backspace, Qt::ControlModifier, false},
        {"Alt+Delete from the keypad", Qt::Key_Delete, Qt::AltModifier | Qt::KeypadModifier, false},
        {"another key", Qt::Key_D, Qt::NoModifier, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(isDeleteKey(QKeyEvent(QEvent::KeyPress, c.key, c.modifiers)), c.deletes);
    }
}
