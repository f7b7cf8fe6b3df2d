#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/MainView/EmptyRulesState.h"
#include "OlvaApp/MainView/FolderView.h"
#include "OlvaApp/MainView/RuleRowDelegate.h"
#include "OlvaApp/MainView/RulesListView.h"
#include "OlvaApp/MainView/RulesModel.h"
#include "OlvaApp/MainView/SuggestionRow.h"
#include "OlvaApp/PlaceChip/DryRunBadge.h"
#include "OlvaApp/PlaceChip/PlaceMenu.h"
#include "tests/app-mainview/MainWindowFixture.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QUndoStack>

using namespace olva;
using namespace olva::app;
using olva::test::MainWindowFixture;

namespace {

class RulesList : public MainWindowFixture {
protected:
    // Inbox with One (live), Two (dry run, moving to Out) and Three (off),
    // selected in the sidebar.
    void openInbox()
    {
        const auto out = folder("Out");
        Rule two = test::extRule("Two", "txt", {Action::move(out.string())}, true);
        Rule three = test::extRule("Three", "zip", {Action::trash()});
        three.enabled = false;
        Config config;
        config.folders = {test::watched(folder("Inbox"), {test::extRule("One", "pdf", {Action::trash()}), two, three}),
                          test::watched(folder("Other"), {test::extRule("Elsewhere", "png", {Action::trash()})})};
        open(config);
        model().setSelection(Selection::folder(0));
    }

    RulesListView* list() { return mainWindow().folderView()->rulesList(); }
    QModelIndex row(int r) { return list()->model()->index(r, 0); }
    QRect toggle(int r) { return list()->rowDelegate()->geometry(list()->rowOption(row(r)), row(r)).toggle; }
    // The centre of the first chip in a row's sentence.
    QPoint chip(int r)
    {
        const QRect sentence = list()->rowDelegate()->geometry(list()->rowOption(row(r)), row(r)).sentence;
        for (int x = sentence.left(); x < sentence.right(); x += 2) {
            const QPoint at(x, sentence.center().y());
            if (!list()->rowDelegate()->placeAt(list()->rowOption(row(r)), row(r), at).isEmpty()) return at;
        }
        return {};
    }
    QStringList names() { return ruleNames(0); }
};

}  // namespace

TEST_F(RulesList, ShowsEachRuleWithItsSwitchBadgeAndSentence)
{
    openInbox();
    ASSERT_EQ(list()->model()->rowCount(), 3);
    struct Case {
        int row;
        const char* name;
        bool on;
        QString spoken;
    };
    const QString out = QStringLiteral("Out folder");
    const Case cases[] = {
        {0, "One", true, "One, If extension is pdf, move to Trash"},
        {1, "Two", true, "Two, Dry Run, If extension is txt, move to " + out},
        {2, "Three", false, "Three, If extension is zip, move to Trash"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(row(c.row).data().toString(), QString::fromUtf8(c.name));
        EXPECT_EQ(row(c.row).data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked, c.on);
        EXPECT_EQ(row(c.row).data(Qt::AccessibleTextRole).toString(), c.spoken);
        EXPECT_EQ(row(c.row).data(RulesModel::switchNameRole).toString(),
                  QStringLiteral("Enable “") + QString::fromUtf8(c.name) + QStringLiteral("”"));
        EXPECT_TRUE(row(c.row).data(Qt::AccessibleDescriptionRole).toString().isEmpty())
            << "the switch is an element of its own, not words in the row's description";
        EXPECT_EQ(!list()->rowDelegate()->geometry(list()->rowOption(row(c.row)), row(c.row)).badge.isEmpty(),
                  c.row == 1)
            << "only the dry run has the badge";
    }
    EXPECT_EQ(mainWindow().folderView()->subtitle(), QStringLiteral("3 rules, first match wins"));
    EXPECT_FALSE(mainWindow().folderView()->emptyState()->isVisible());
    EXPECT_FALSE(list()->grab().isNull());
}

TEST_F(RulesList, ChipsTellTheirPathAndOfferTheFileManager)
{
    openInbox();
    const QPoint onChip = chip(1);
    ASSERT_FALSE(onChip.isNull()) << "the dry run's destination is a chip";
    QHelpEvent help(QEvent::ToolTip, onChip, list()->viewport()->mapToGlobal(onChip));
    QApplication::sendEvent(list()->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), placeToolTip(QString::fromStdString((home() / "Out").string())));
    QToolTip::hideText();

    EXPECT_EQ(contextMenu(list()->viewport(), onChip, QStringLiteral("Show in File Manager")),
              QStringList{QStringLiteral("Show in File Manager")});
    ASSERT_EQ(workspace.revealed.size(), 1u);
    EXPECT_EQ(workspace.revealed[0], home() / "Out");
}

TEST_F(RulesList, SelectsByMouseAndKeyboardInStepWithTheModel)
{
    openInbox();
    click(list(), row(1));
    EXPECT_EQ(model().selectedRule(), 1);
    press(list(), Qt::Key_Down);
    EXPECT_EQ(model().selectedRule(), 2);
    model().setSelectedRule(0);
    EXPECT_EQ(list()->currentIndex(), row(0));
    model().setSelection(Selection::folder(1));
    EXPECT_EQ(model().selectedRule(), std::nullopt) << "another folder clears the selected rule";
    EXPECT_EQ(list()->model()->rowCount(), 1);
    EXPECT_TRUE(list()->selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(RulesList, TheSwitchTurnsARuleOnAndOffWithUndo)
{
    openInbox();
    struct Step {
        const char* how;
        std::function<void()> act;
        bool oneOn, threeOn;
        QString undo;
    };
    const Step steps[] = {
        {"a click on the first switch", [&] { click(list(), row(0), toggle(0).center()); }, false, false, "Disable Rule"},
        {"Space on the third rule",
         [&] {
             click(list(), row(2));
             press(list(), Qt::Key_Space);
         },
         false, true, "Enable Rule"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.how);
        step.act();
        const auto& rules = model().config().folders[0].rules;
        EXPECT_EQ(rules[0].enabled, step.oneOn);
        EXPECT_EQ(rules[2].enabled, step.threeOn);
        EXPECT_EQ(rulesOnDisk().folders[0].rules[0].enabled, step.oneOn);
        EXPECT_EQ(undoText(), step.undo);
    }
    EXPECT_EQ(model().editingRule(), std::nullopt) << "a click on the switch opens nothing";
    mainWindow().undoStack()->undo();
    mainWindow().undoStack()->undo();
    EXPECT_TRUE(model().config().folders[0].rules[0].enabled);
    EXPECT_FALSE(model().config().folders[0].rules[2].enabled);
    EXPECT_EQ(row(0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
}

TEST_F(RulesList, DoubleClickOrReturnOpensTheRuleInItsSheet)
{
    openInbox();
    doubleClick(list(), row(1));
    ASSERT_TRUE(model().editingRule());
    EXPECT_EQ(model().editingRule()->index, 1);
    EXPECT_EQ(model().editingRule()->rule.name, "Two");
    ASSERT_TRUE(mainWindow().ruleSheet());
    EXPECT_EQ(mainWindow().ruleSheet()->editingId(), model().editingRule()->id);
    EXPECT_TRUE(mainWindow().ruleSheet()->isVisible());
    EXPECT_EQ(mainWindow().ruleSheet()->windowModality(), Qt::WindowModal);

    model().setEditingRule(std::nullopt);
    settle();
    EXPECT_FALSE(mainWindow().ruleSheet());
    list()->setCurrentIndex(row(2));
    press(list(), Qt::Key_Return);
    ASSERT_TRUE(model().editingRule());
    EXPECT_EQ(model().editingRule()->index, 2);
    EXPECT_EQ(mainWindow().ruleSheet()->editingId(), model().editingRule()->id);
}

TEST_F(RulesList, DeleteAndTheRowMenuDeleteAtOnceWithUndo)
{
    openInbox();
    press(list(), Qt::Key_Delete);
    EXPECT_EQ(names(), (QStringList{"One", "Two", "Three"})) << "nothing selected, nothing deleted";

    click(list(), row(1));
    press(list(), Qt::Key_Delete);
    EXPECT_EQ(names(), (QStringList{"One", "Three"}));
    EXPECT_EQ(undoText(), QStringLiteral("Delete Rule"));
    mainWindow().undoStack()->undo();
    EXPECT_EQ(names(), (QStringList{"One", "Two", "Three"}));

    const QPoint empty(10, list()->viewport()->height() - 4);
    EXPECT_TRUE(contextMenu(list()->viewport(), empty).isEmpty()) << "empty space has no menu";
    const QPoint onName = list()->visualRect(row(0)).topLeft() + QPoint(12, 8);
    EXPECT_EQ(contextMenu(list()->viewport(), onName), (QStringList{"Edit Rule…", "", "Delete Rule"}));
    contextMenu(list()->viewport(), onName, QStringLiteral("Edit Rule…"));
    ASSERT_TRUE(model().editingRule());
    EXPECT_EQ(model().editingRule()->index, 0);
    model().setEditingRule(std::nullopt);
    contextMenu(list()->viewport(), onName, QStringLiteral("Delete Rule"));
    EXPECT_EQ(names(), (QStringList{"Two", "Three"}));
    EXPECT_EQ(ruleNamesOnDisk(0), (std::vector<std::string>{"Two", "Three"}));
}

TEST_F(RulesList, DraggingOrTheKeyboardReordersWithUndo)
{
    openInbox();
    auto dragRow = [&](int from, int onto) {
        QMimeData* data = list()->model()->mimeData({row(from)});
        const QRect target = list()->visualRect(row(onto));
        return drop(list()->viewport(), data, QPoint(target.center().x(), target.top() + 2), Qt::MoveAction);
    };
    EXPECT_TRUE(dragRow(2, 0));
    EXPECT_EQ(names(), (QStringList{"Three", "One", "Two"}));
    EXPECT_EQ(ruleNamesOnDisk(0), (std::vector<std::string>{"Three", "One", "Two"}));
    EXPECT_EQ(undoText(), QStringLiteral("Move Rule"));
    mainWindow().undoStack()->undo();
    EXPECT_EQ(names(), (QStringList{"One", "Two", "Three"}));
    mainWindow().undoStack()->redo();
    EXPECT_EQ(names(), (QStringList{"Three", "One", "Two"}));

    model().setSelectedRule(2);
    press(list(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(names(), (QStringList{"Three", "Two", "One"}));
    EXPECT_EQ(model().selectedRule(), 1) << "the moved rule stays selected";
    EXPECT_EQ(undoText(), QStringLiteral("Move Rule Up"));
    press(list(), Qt::Key_Down, Qt::AltModifier);
    press(list(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(names(), (QStringList{"Three", "One", "Two"})) << "the last rule goes no further down";
    EXPECT_EQ(undoText(), QStringLiteral("Move Rule Down"));

    // Rows dragged from another folder's list are not this list's to move.
    model().setSelection(Selection::folder(1));
    QMimeData* foreign = list()->model()->mimeData({list()->model()->index(0, 0)});
    model().setSelection(Selection::folder(0));
    EXPECT_FALSE(drop(list()->viewport(), foreign, list()->visualRect(row(0)).center(), Qt::MoveAction));
    EXPECT_EQ(names(), (QStringList{"Three", "One", "Two"}));
}

TEST_F(RulesList, ADragWhileTheRulesMayNotBeChangedSaysWhy)
{
    // A seen file that cannot be read stops the start with the rules loaded
    // and shown.
    Config config;
    config.folders = {test::watched(folder("Inbox"), {test::extRule("One", "pdf", {Action::trash()}),
                                                      test::extRule("Two", "txt", {Action::trash()})})};
    writeRules(config);
    test::writeFile(dataDir() / "seen.json", "not a seen file");
    model().setMainWindowPresenter(&presenter);
    ASSERT_TRUE(start());
    ASSERT_TRUE(model().loadError());
    app::MainWindow window(model());
    presenter.window = &window;
    window.show();
    model().setSelection(Selection::folder(0));
    RulesListView* rules = window.folderView()->rulesList();
    ASSERT_EQ(rules->model()->rowCount(), 2);
    model().setSelectedRule(1);

    QMimeData* data = rules->model()->mimeData({rules->model()->index(1, 0)});
    const QRect target = rules->visualRect(rules->model()->index(0, 0));
    drop(rules->viewport(), data, QPoint(target.center().x(), target.top() + 2), Qt::MoveAction);
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Rules Can’t Be Changed");
    EXPECT_EQ(model().problem()->message, "Olva couldn’t start, and saving now could overwrite its rules. Fix what "
                                          "Activity shows, then open Olva again.");
    EXPECT_EQ(ruleNames(0), (QStringList{"One", "Two"}));
    EXPECT_EQ(ruleNamesOnDisk(0), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(model().selectedRule(), 1) << "the dragged rule stays where it is, and selected there";
    presenter.window = nullptr;
}

TEST_F(RulesList, NewRuleAndSuggestionsOpenTheSheetOnADraft)
{
    Config config;
    config.folders = {test::watched(folder("Empty"))};
    open(config);
    model().setSelection(Selection::folder(0));
    FolderView* view = mainWindow().folderView();
    EmptyRulesState* empty = view->emptyState();
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(view->subtitle(), QStringLiteral("No rules"));
    ASSERT_EQ(empty->suggestions().size(), 3);

    struct Case {
        const char* what;
        std::function<void()> act;
        std::string name;
    };
    const Case cases[] = {
        {"the toolbar's New Rule", [&] { view->newRuleAction()->trigger(); }, "New Rule"},
        {"the empty state's New Rule", [&] { QTest::mouseClick(empty->newRuleButton(), Qt::LeftButton); }, "New Rule"},
        {"Add… on Installers", [&] { QTest::mouseClick(empty->suggestions()[1]->addButton(), Qt::LeftButton); },
         "Installers"},
    };
    QUuid previous;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        settle();
        ASSERT_TRUE(model().editingRule());
        EXPECT_EQ(model().editingRule()->rule.name, c.name);
        EXPECT_EQ(model().editingRule()->index, std::nullopt);
        EXPECT_NE(model().editingRule()->id, previous) << "each opening is a fresh sheet";
        previous = model().editingRule()->id;
        ASSERT_TRUE(mainWindow().ruleSheet());
        EXPECT_EQ(mainWindow().ruleSheet()->editingId(), previous);
    }
    EXPECT_EQ(empty->suggestions()[2]->addButton()->accessibleName(), QStringLiteral("Add PDFs…"));
    EXPECT_TRUE(rulesOnDisk().folders[0].rules.empty()) << "opening writes nothing";

    // The sheet's save.
    model().commitRule(*model().editingRule(), model().editingRule()->rule, false);
    settle();
    EXPECT_EQ(ruleNames(0), QStringList{"Installers"});
    EXPECT_FALSE(empty->isVisible());
    EXPECT_EQ(list()->model()->rowCount(), 1);
    EXPECT_EQ(undoText(), QStringLiteral("Add Rule"));
    mainWindow().undoStack()->undo();
    EXPECT_TRUE(empty->isVisible());
}

TEST_F(RulesList, AReloadFromTheToolKeepsTheWindowInStep)
{
    openInbox();
    click(list(), row(2));
    doubleClick(list(), row(2));
    ASSERT_TRUE(mainWindow().ruleSheet());
    QPointer<QDialog> sheet = mainWindow().ruleSheet();

    Config changed = model().config();
    changed.folders[0].rules.resize(1);
    changed.folders[0].rules[0].name = "<b>Only</b>";
    writeRules(changed);
    ASSERT_TRUE(until([&] { return model().config().folders[0].rules.size() == 1; }));
    settle();
    EXPECT_EQ(list()->model()->rowCount(), 1);
    EXPECT_EQ(row(0).data().toString(), QStringLiteral("<b>Only</b>"));
    EXPECT_EQ(mainWindow().folderView()->subtitle(), QStringLiteral("1 rule"));
    EXPECT_EQ(model().currentRule(), std::nullopt);
    for (const QModelIndex& selected : list()->selectionModel()->selectedIndexes())
        EXPECT_LT(selected.row(), list()->model()->rowCount());
    EXPECT_TRUE(sheet && sheet->isVisible()) << "the open sheet stays";
    EXPECT_EQ(mainWindow().undoStack()->count(), 0) << "another program's change empties the history";

    // Every folder gone from under the window.
    changed.folders.clear();
    writeRules(changed);
    ASSERT_TRUE(until([&] { return model().config().folders.empty(); }));
    settle();
    EXPECT_EQ(mainWindow().currentView(), mainWindow().activityView());
}

TEST_F(RulesList, AFileDroppedOnTheRulesIsExplained)
{
    openInbox();
    test::writeFile(home() / "Inbox/a.doc", "x");
    test::writeFile(home() / "Inbox/b.md", "x");
    const QPoint at = list()->visualRect(row(0)).center();
    struct Case {
        const char* what;
        std::vector<std::filesystem::path> dropped;
        bool taken;
    };
    const Case cases[] = {
        {"a folder", {home() / "Out"}, false},
        {"nothing", {}, false},
        {"a file that is not there", {home() / "Inbox/none.doc"}, false},
        {"two files", {home() / "Inbox/a.doc", home() / "Inbox/b.md"}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(drop(list()->viewport(), urls(c.dropped), at), c.taken) << c.what;
    ASSERT_TRUE(until([&] { return model().explained().has_value() || model().problem().has_value(); }));
    ASSERT_FALSE(model().problem()) << model().problem()->message.toStdString();
    EXPECT_EQ(model().explained()->file, home() / "Inbox/a.doc") << "only the first file is explained";
    EXPECT_TRUE(until([&] { return mainWindow().explainSheet() != nullptr; }));

    // Over the suggestions of a folder without rules too.
    model().setExplained(std::nullopt);
    model().setSelection(Selection::folder(1));
    model().deleteRule(0);
    ASSERT_TRUE(mainWindow().folderView()->emptyState()->isVisible());
    EXPECT_TRUE(drop(list()->viewport(), urls({home() / "Inbox/b.md"}), list()->viewport()->rect().center()));
    ASSERT_TRUE(until([&] { return model().explained().has_value(); }));
    EXPECT_EQ(model().explained()->file, home() / "Inbox/b.md");
}
