// The main window as a keyboard and screen-reader user meets it: where Tab
// and Ctrl+F take the focus, what Return presses in a sheet, the rule
// sheet's order of stops, the names of the buttons that repeat in every
// group, and a rule's switch.
#include "OlvaApp/ActivityView/ActivityInspector.h"
#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/ConditionsEditor/ConditionRow.h"
#include "OlvaApp/ConditionsEditor/ConditionsEditor.h"
#include "OlvaApp/ConditionsEditor/GroupRow.h"
#include "OlvaApp/ExplainSheet/ExplainSheet.h"
#include "OlvaApp/MainView/DeleteKey.h"
#include "OlvaApp/MainView/FolderMenuItems.h"
#include "OlvaApp/MainView/FolderView.h"
#include "OlvaApp/MainView/ImportSheet.h"
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
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QUuid>

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

TEST_F(Keyboard, ControlsThatRepeatInEveryRowSayWhichRowTheyActOn)
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
            auto* condition = static_cast<ConditionRow*>(row.widget);
            names << condition->attributeBox()->accessibleName() << condition->operatorBox()->accessibleName()
                  << condition->valueField()->accessibleName() << condition->removeButton()->accessibleName();
        }
    }
    // The actions' rows repeat their buttons too.
    for (QToolButton* button : sheet->actionsEditor()->findChildren<QToolButton*>())
        if (button->isVisibleTo(sheet) && (button->focusPolicy() & Qt::TabFocus)) names << button->accessibleName();
    const QSet<QString> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), names.size()) << names.join(u'|').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("Add Condition to “All of the following”")));
    EXPECT_TRUE(names.contains(QStringLiteral("Add Condition to “Any of the following” in row 3")));
    EXPECT_TRUE(names.contains(QStringLiteral("Attribute, condition in row 2")));
    EXPECT_TRUE(names.contains(QStringLiteral("Value, condition in row 4")));

    // A value field says what it asks for; its placeholder would read as a
    // value.
    ConditionRow* first = editor->conditionRow({0});
    QAccessibleInterface* value = QAccessible::queryAccessibleInterface(first->valueField());
    ASSERT_TRUE(value);
    EXPECT_EQ(value->text(QAccessible::Name), QStringLiteral("Value, condition in row 2"));
    EXPECT_EQ(value->text(QAccessible::Description), QStringLiteral("The text to compare with"));
    // From extension to size, by keyboard.
    QTest::keyClick(first->attributeBox(), Qt::Key_Down);
    QTest::keyClick(first->attributeBox(), Qt::Key_Down);
    ASSERT_EQ(first->attributeBox()->currentText(), QStringLiteral("Size"));
    EXPECT_EQ(value->text(QAccessible::Description), QStringLiteral("A size with its unit, such as 10 MB"));
    EXPECT_NE(value->text(QAccessible::Description), first->valueField()->placeholderText());

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

TEST_F(Keyboard, ReturnPressesTheFocusedButtonOfEachSheet)
{
    Rule keep = test::extRule("Keep", "pdf", {Action::move(folder("Out").string()), Action::rename("{name}")});
    keep.match.items.push_back(Group{Group::Mode::any, {Condition{Attr::name, Op::contains, "a"}}});
    Config config;
    config.folders = {test::watched(folder("Inbox"), {keep})};
    open(config);
    mainWindow().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow()));
    model().setSelection(Selection::folder(0));
    settle();

    // The rule sheet on "Keep", renamed "Keep 2": only Save may write that.
    auto ruleSheet = [&]() -> QDialog* {
        model().editRule(0);
        settle();
        RuleSheet* sheet = mainWindow().ruleSheet();
        if (!sheet) return nullptr;
        sheet->nameField()->end(false);
        QTest::keyClicks(sheet->nameField(), " 2");
        return sheet;
    };
    auto rules = [](QDialog* sheet) { return static_cast<RuleSheet*>(sheet); };
    auto conditionRows = [&] { return mainWindow().ruleSheet()->conditionsEditor()->rows().size(); };
    auto actionRows = [&] { return mainWindow().ruleSheet()->actionsEditor()->rows().size(); };
    int menusShown = 0;

    struct Case {
        const char* what;
        std::function<QDialog*()> open;
        std::function<QWidget*(QDialog*)> button;
        bool closes;
        std::function<bool()> happened;  // what the button does, and nothing else did
    };
    const Case cases[] = {
        {"rule sheet, Cancel", ruleSheet, [&](QDialog* s) { return rules(s)->cancelButton(); }, true,
         [&] { return !model().editingRule() && ruleNamesOnDisk(0) == std::vector<std::string>{"Keep"}; }},
        {"rule sheet, Choose…", ruleSheet,
         [&](QDialog* s) {
             panels.requests.clear();
             return rules(s)->actionsEditor()->rows().at(0).editor->chooseButton();
         },
         false, [&] { return panels.requests.size() == 1; }},
        {"rule sheet, Insert", ruleSheet,
         [&](QDialog* s) {
             QPushButton* insert = rules(s)->actionsEditor()->rows().at(1).editor->insertButton();
             menusShown = 0;
             QObject::connect(insert->menu(), &QMenu::aboutToShow, insert->menu(), [&menusShown] { ++menusShown; });
             QObject::connect(insert->menu(), &QMenu::aboutToShow, insert->menu(), &QMenu::close, Qt::QueuedConnection);
             return insert;
         },
         false, [&] { return menusShown == 1; }},
        {"rule sheet, Remove Action", ruleSheet,
         [&](QDialog* s) { return rules(s)->actionsEditor()->rows().at(0).remove; }, false,
         [&] { return actionRows() == 1; }},
        {"rule sheet, Add Action after a row", ruleSheet,
         [&](QDialog* s) { return rules(s)->actionsEditor()->rows().at(1).add; }, false,
         [&] { return actionRows() == 3; }},
        {"rule sheet, Add Action to none",
         [&]() -> QDialog* {
             model().newRule(Rule{.name = "Bare", .enabled = true, .dryRun = true, .match = {}, .actions = {}});
             settle();
             return mainWindow().ruleSheet();
         },
         [&](QDialog* s) { return rules(s)->actionsEditor()->addActionButton(); }, false,
         [&] { return actionRows() == 1; }},
        {"rule sheet, Add Condition", ruleSheet,
         [&](QDialog* s) { return rules(s)->conditionsEditor()->groupRow({})->addConditionButton(); }, false,
         [&] { return conditionRows() == 5; }},
        {"rule sheet, Add Group", ruleSheet,
         [&](QDialog* s) { return rules(s)->conditionsEditor()->groupRow({1})->addGroupButton(); }, false,
         [&] { return conditionRows() == 6; }},
        {"rule sheet, Remove Condition", ruleSheet,
         [&](QDialog* s) { return rules(s)->conditionsEditor()->conditionRow({0})->removeButton(); }, false,
         [&] { return conditionRows() == 3; }},
        {"rule sheet, Remove Group", ruleSheet,
         [&](QDialog* s) { return rules(s)->conditionsEditor()->groupRow({1})->removeButton(); }, false,
         [&] { return conditionRows() == 2; }},
        {"rule sheet, Save", ruleSheet, [&](QDialog* s) { return rules(s)->saveButton(); }, true,
         [&] { return ruleNamesOnDisk(0) == std::vector<std::string>{"Keep 2"}; }},
        {"import sheet, Cancel",
         [&]() -> QDialog* {
             Folder imported = test::watched(folder("Inbox"), {test::extRule("Imported", "txt", {Action::trash()}, true)});
             model().setPendingImport(PendingImport{imported, {QStringLiteral("1 of the 1 rules are enabled.")}});
             settle();
             return mainWindow().importSheet();
         },
         [](QDialog* s) { return static_cast<ImportSheet*>(s)->cancelButton(); }, true,
         [&] { return !model().pendingImport() && ruleNames(0) == QStringList{"Keep 2"}; }},
        {"import sheet, Import",
         [&]() -> QDialog* {
             Folder imported = test::watched(folder("Inbox"), {test::extRule("Imported", "txt", {Action::trash()}, true)});
             model().setPendingImport(PendingImport{imported, {QStringLiteral("1 of the 1 rules are enabled.")}});
             settle();
             return mainWindow().importSheet();
         },
         [](QDialog* s) { return static_cast<ImportSheet*>(s)->importButton(); }, true,
         [&] { return ruleNamesOnDisk(0) == std::vector<std::string>{"Keep 2", "Imported"}; }},
        {"explanation sheet, Done",
         [&]() -> QDialog* {
             Explained explained;
             explained.file = home() / "Inbox" / "a.pdf";
             model().setExplained(explained);
             settle();
             return mainWindow().explainSheet();
         },
         [](QDialog* s) { return static_cast<ExplainSheet*>(s)->doneButton(); }, true,
         [&] { return !model().explained(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QPointer<QDialog> sheet = c.open();
        ASSERT_TRUE(sheet);
        QWidget* button = c.button(sheet);
        ASSERT_TRUE(button);
        ASSERT_TRUE(button->isVisible() && button->isEnabled());
        button->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(focused(), button);
        QTest::keyClick(button, Qt::Key_Return);
        settle();
        EXPECT_EQ(!sheet || !sheet->isVisible(), c.closes);
        EXPECT_TRUE(c.happened());
        if (!c.closes) {
            EXPECT_EQ(ruleNamesOnDisk(0), std::vector<std::string>{"Keep"}) << "nothing saved but by Save";
        }
        // Whatever is still open goes before the next case.
        model().setEditingRule(std::nullopt);
        model().setPendingImport(std::nullopt);
        model().setExplained(std::nullopt);
        settle();
    }
}

namespace {

// What a screen reader finds under `root`: every element shown, as its role,
// name and description, and the focusable ones that have no name.
struct Reading {
    QStringList elements;
    QStringList nameless;

    bool has(const QString& name, const QString& description = {}) const
    {
        for (const QString& element : elements)
            if (element.section(u'|', 1, 1) == name
                && (description.isEmpty() || element.section(u'|', 2, 2) == description))
                return true;
        return false;
    }
};

Reading screenReaderReads(QWidget* root)
{
    Reading reading;
    std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* element, int depth) {
        if (!element || !element->isValid() || element->state().invisible || depth > 40) return;
        const QString name = element->text(QAccessible::Name);
        reading.elements << QString::number(element->role()) + u'|' + name + u'|'
                                + element->text(QAccessible::Description);
        if (element->state().focusable && name.trimmed().isEmpty()) {
            QObject* object = element->object();
            reading.nameless << (object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("?"));
        }
        for (int i = 0; i < element->childCount(); ++i) walk(element->child(i), depth + 1);
    };
    walk(QAccessible::queryAccessibleInterface(root), 0);
    return reading;
}

}  // namespace

TEST_F(Keyboard, AScreenReaderReadsTheFirstStartTheExplanationAndTheInspector)
{
    open(Config{});
    model().setSelection(Selection::activity());
    settle();

    // The first start: the words, and the three ways to begin.
    Reading first = screenReaderReads(mainWindow().activityView());
    EXPECT_TRUE(first.has(QStringLiteral("Choose a Folder to Watch")));
    for (const char* button : {"Watch Downloads", "Choose Another Folder…", "Import Hazel Rules…"})
        EXPECT_TRUE(first.has(QString::fromUtf8(button))) << button;
    EXPECT_EQ(first.nameless, QStringList{});

    // The explanation of a file.
    Explained explained;
    explained.file = home() / "Inbox" / "a.pdf";
    Explanation only;
    only.rule.name = "Invoices";
    only.outcome.pass = true;
    only.outcome.checks = {Check{Attr::ext, Op::is, "pdf", "pdf", true}};
    explained.rules = {only};
    model().setExplained(explained);
    settle();
    ASSERT_TRUE(mainWindow().explainSheet());
    Reading explanation = screenReaderReads(mainWindow().explainSheet());
    EXPECT_TRUE(explanation.has(QStringLiteral("Rules")));
    EXPECT_TRUE(explanation.has(QStringLiteral("Done")));
    EXPECT_EQ(explanation.nameless, QStringList{});
    model().setExplained(std::nullopt);
    settle();

    // The inspector of an entry: each value read as itself, then what it is.
    Entry entry;
    entry.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    entry.at = olva::Date(std::chrono::milliseconds(QDateTime::currentMSecsSinceEpoch()));
    entry.file = (home() / "Inbox" / "a.pdf").string();
    entry.rule = "Invoices";
    entry.steps = {Step{Step::Kind::move, entry.file, (home() / "Out" / "a.pdf").string(), {}, {}, {}}};
    entry.checks = {Check{Attr::ext, Op::is, "pdf", "pdf", true}};
    store->append(entry);
    model().refresh();
    ASSERT_TRUE(until([&] { return mainWindow().activityView()->rows().size() == 1; }));
    model().setSelectedEntries({model().entries().front().id});
    settle();
    ASSERT_TRUE(mainWindow().activityView()->inspector()->isVisible());

    Reading inspector = screenReaderReads(mainWindow().activityView()->inspector());
    EXPECT_TRUE(inspector.has(QStringLiteral("Details of “a.pdf”")));
    EXPECT_TRUE(inspector.has(QStringLiteral("Invoices"), QStringLiteral("Rule")));
    EXPECT_FALSE(inspector.has(QStringLiteral("Rule"), QStringLiteral("Rule"))) << "a value read as its label";
    EXPECT_EQ(inspector.nameless, QStringList{});
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
