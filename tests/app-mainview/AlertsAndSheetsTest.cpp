#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/MainView/FolderView.h"
#include "OlvaApp/RuleSheet/RuleSheet.h"
#include "tests/app-mainview/MainWindowFixture.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

using namespace olva;
using namespace olva::app;
using olva::test::MainWindowFixture;

namespace {

class AlertsAndSheets : public MainWindowFixture {
protected:
    QStringList alertLabels()
    {
        QStringList texts;
        if (QMessageBox* alert = mainWindow().problemAlert())
            for (QLabel* label : alert->findChildren<QLabel*>())
                if (!label->text().isEmpty() && label->pixmap().isNull()) {
                    EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
                    texts << label->text();
                }
        return texts;
    }

    // The main window on an Inbox with the one rule "One", the Inbox selected.
    void openInboxWithRuleOne()
    {
        Config config;
        config.folders = {test::watched(folder("Inbox"), {test::extRule("One", "pdf", {Action::trash()})})};
        open(config);
        model().setSelection(Selection::folder(0));
    }
};

}  // namespace

TEST_F(AlertsAndSheets, TheAlertShowsTheProblemAsTypedAndOkClearsIt)
{
    open(Config{});
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        model().setProblem(Problem{"Couldn’t Save “<b>x</b>”", "<img src=\"/etc/passwd\"> won’t do."});
        settle();
        QMessageBox* alert = mainWindow().problemAlert();
        ASSERT_TRUE(alert);
        EXPECT_TRUE(alert->isVisible());
        EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
        EXPECT_TRUE(alertLabels().contains("Couldn’t Save “<b>x</b>”"));
        EXPECT_TRUE(alertLabels().contains("<img src=\"/etc/passwd\"> won’t do."));
        QTest::mouseClick(alert->button(QMessageBox::Ok), Qt::LeftButton);
        settle();
        EXPECT_EQ(model().problem(), std::nullopt);
        EXPECT_FALSE(mainWindow().problemAlert());
    }

    // Several problems in a row show once, as the last; clearing one in the
    // model closes its alert.
    model().setProblem(Problem{"First", "one"});
    model().setProblem(Problem{"Second", "two"});
    settle();
    EXPECT_TRUE(alertLabels().contains("Second"));
    EXPECT_FALSE(alertLabels().contains("First"));
    model().setProblem(std::nullopt);
    settle();
    EXPECT_FALSE(mainWindow().problemAlert());
}

TEST_F(AlertsAndSheets, AnAlertDuringASheetStandsOverTheSheet)
{
    openInboxWithRuleOne();
    model().editRule(0);
    settle();
    ASSERT_TRUE(mainWindow().ruleSheet());
    model().setProblem(Problem{"Rules Can’t Be Changed", "Because."});
    settle();
    ASSERT_TRUE(mainWindow().problemAlert());
    EXPECT_EQ(mainWindow().problemAlert()->parentWidget(), mainWindow().ruleSheet());
}

TEST_F(AlertsAndSheets, ARefusedSaveKeepsItsSheetAndANewOpeningReplacesIt)
{
    openInboxWithRuleOne();
    model().editRule(0);
    settle();
    QPointer<RuleSheet> sheet = mainWindow().ruleSheet();
    ASSERT_TRUE(sheet);

    // The model keeps the draft under the same opening: the same sheet.
    EditingRule draft = *model().editingRule();
    draft.rule.name = "Draft";
    model().setEditingRule(draft);
    settle();
    EXPECT_EQ(mainWindow().ruleSheet(), sheet.data());

    model().newRule();
    settle();
    EXPECT_FALSE(sheet) << "a new opening replaces the old sheet";
    ASSERT_TRUE(mainWindow().ruleSheet());
    EXPECT_EQ(mainWindow().ruleSheet()->editingId(), model().editingRule()->id);
    EXPECT_TRUE(model().editingRule().has_value()) << "replacing the old sheet did not cancel the new rule";
}

TEST_F(AlertsAndSheets, ASaveTheToolGotAheadOfKeepsTheSheetOverTheReloadedRules)
{
    openInboxWithRuleOne();
    model().newRule(test::extRule("Draft", "txt", {Action::trash()}));
    settle();
    QPointer<RuleSheet> sheet = mainWindow().ruleSheet();
    ASSERT_TRUE(sheet);

    // The tool saves a rule just before the sheet does.
    Config tools = rulesOnDisk();
    tools.folders[0].rules.push_back(test::extRule("From the tool", "zip", {Action::trash()}));
    writeRules(tools);
    QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
    ASSERT_TRUE(until([&] { return ruleNames(0) == QStringList({"One", "From the tool"}); }));
    settle();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    ASSERT_TRUE(mainWindow().problemAlert());
    EXPECT_EQ(mainWindow().problemAlert()->parentWidget(), sheet.data());
    EXPECT_TRUE(alertLabels().contains("Couldn’t Save “Draft”"));

    // Saved again, it goes after the tool's rule.
    QTest::mouseClick(mainWindow().problemAlert()->button(QMessageBox::Ok), Qt::LeftButton);
    settle();
    QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(sheet && sheet->isVisible());
    EXPECT_EQ(ruleNamesOnDisk(0), (std::vector<std::string>{"One", "From the tool", "Draft"}));
}

TEST_F(AlertsAndSheets, TheExplanationSheetFollowsTheModel)
{
    open(Config{});
    Explained first;
    first.file = home() / "a.txt";
    model().setExplained(first);
    settle();
    QPointer<ExplainSheet> sheet = mainWindow().explainSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());

    Explained second;
    second.file = home() / "b.txt";
    model().setExplained(second);
    settle();
    EXPECT_FALSE(sheet);
    ASSERT_TRUE(mainWindow().explainSheet());
    EXPECT_TRUE(model().explained().has_value());

    model().setExplained(std::nullopt);
    settle();
    EXPECT_FALSE(mainWindow().explainSheet());
}

TEST_F(AlertsAndSheets, WhatTheModelAskedBeforeTheWindowShowsOnceItIsShown)
{
    Config config;
    config.folders = {test::watched(folder("Inbox"))};
    open(config);
    model().setPendingImport(PendingImport{test::watched(home() / "Inbox"), {"A note."}});
    model().setProblem(Problem{"Earlier", "Before the window."});
    MainWindow late(model());
    settle();
    EXPECT_FALSE(late.importSheet()) << "not before it is shown";
    late.show();
    settle();
    EXPECT_TRUE(late.importSheet());
    EXPECT_TRUE(late.problemAlert());
}

TEST_F(AlertsAndSheets, EachViewBringsItsToolbar)
{
    Config config;
    config.folders = {test::watched(folder("Inbox"))};
    open(config);
    EXPECT_EQ(mainWindow().toolbar()->actions(), mainWindow().activityView()->toolbarActions())
        << "from the start";
    model().setSelection(Selection::folder(0));
    EXPECT_EQ(mainWindow().toolbar()->actions(), mainWindow().folderView()->toolbarActions());
    QStringList texts;
    for (QAction* action : mainWindow().toolbar()->actions()) texts << action->text();
    EXPECT_EQ(texts, (QStringList{"Folder Options", "New Rule"}));
    model().setSelection(Selection::activity());
    EXPECT_EQ(mainWindow().toolbar()->actions(), mainWindow().activityView()->toolbarActions());
    EXPECT_EQ(mainWindow().menuWidget(), nullptr) << "the shell installs the menu bar";
}
