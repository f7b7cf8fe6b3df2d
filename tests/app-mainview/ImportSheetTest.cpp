#include "OlvaApp/MainView/ImportSheet.h"
#include "tests/app-mainview/MainWindowFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QUndoStack>

using namespace olva;
using namespace olva::app;
using olva::test::MainWindowFixture;

namespace {

class ImportSheetTest : public MainWindowFixture {
protected:
    PendingImport pending(const std::filesystem::path& folder, int rules, QStringList notes = {})
    {
        Folder imported = test::watched(folder);
        for (int i = 0; i < rules; ++i)
            imported.rules.push_back(test::extRule("Imported " + std::to_string(i), "pdf", {Action::trash()}, true));
        if (notes.isEmpty()) notes << QStringLiteral("%1 of the %1 rules are enabled. All start as dry runs.").arg(rules);
        return PendingImport{imported, notes};
    }

    // Offers `import` as the model's import step does, and waits for its sheet.
    ImportSheet* offer(const PendingImport& import)
    {
        model().setPendingImport(import);
        settle();
        return mainWindow().importSheet();
    }
};

}  // namespace

TEST_F(ImportSheetTest, NamesTheFolderListsTheNotesAndCountsTheRules)
{
    open(Config{});
    std::filesystem::create_directories(home() / "Real Inbox");
    std::filesystem::create_directory_symlink(home() / "Real Inbox", home() / "Inbox link");
    struct Case {
        std::filesystem::path folder;
        int rules;
        QString title, button;
        bool enabled;
    };
    const Case cases[] = {
        {home() / "Inbox link", 3, "Import Hazel Rules into “Real Inbox”", "Import 3 Rules", true},
        {home() / "Gone", 1, "Import Hazel Rules into “Gone”", "Import 1 Rule", true},
        {home() / "<b>Empty", 0, "Import Hazel Rules into “<b>Empty”", "Import 0 Rules", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        const QStringList notes{"0 of the 0 rules are enabled.", "“<i>Sort</i>”: the color label was left out."};
        ImportSheet* sheet = offer(pending(c.folder, c.rules, notes));
        ASSERT_TRUE(sheet);
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
        EXPECT_EQ(sheet->title(), c.title);
        EXPECT_EQ(sheet->importButton()->text(), c.button);
        EXPECT_EQ(sheet->importButton()->isEnabled(), c.enabled);
        EXPECT_EQ(sheet->width(), 520);
        QStringList shown;
        for (QLabel* label : sheet->findChildren<QLabel*>()) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
            shown << label->text();
        }
        EXPECT_TRUE(shown.contains(c.title));
        for (const QString& note : notes) EXPECT_TRUE(shown.contains(note)) << note.toStdString();
    }
}

TEST_F(ImportSheetTest, ReturnImportsAndEscapeCancels)
{
    Config config;
    config.folders = {test::watched(folder("Inbox"), {test::extRule("Mine", "txt", {Action::trash()})})};
    open(config);

    ImportSheet* sheet = offer(pending(home() / "Inbox", 2));
    ASSERT_TRUE(sheet);
    QTest::keyClick(sheet, Qt::Key_Escape);
    settle();
    EXPECT_EQ(model().pendingImport(), std::nullopt);
    EXPECT_FALSE(mainWindow().importSheet());
    EXPECT_EQ(ruleNames(0), QStringList{"Mine"}) << "cancelled: nothing imported";

    sheet = offer(pending(home() / "Inbox", 2));
    ASSERT_TRUE(sheet);
    QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(model().pendingImport(), std::nullopt);

    sheet = offer(pending(home() / "Inbox", 2));
    QTest::keyClick(sheet, Qt::Key_Return);
    settle();
    EXPECT_EQ(model().pendingImport(), std::nullopt);
    EXPECT_FALSE(mainWindow().importSheet());
    EXPECT_EQ(ruleNames(0), (QStringList{"Mine", "Imported 0", "Imported 1"})) << "added to the folder it was for";
    EXPECT_EQ(ruleNamesOnDisk(0), (std::vector<std::string>{"Mine", "Imported 0", "Imported 1"}));
    EXPECT_EQ(undoText(), QStringLiteral("Import Hazel Rules"));
    EXPECT_EQ(model().selection(), Selection::folder(0));

    // Nothing to import: Return does nothing, Escape still closes.
    sheet = offer(pending(home() / "Inbox", 0));
    QTest::keyClick(sheet, Qt::Key_Return);
    settle();
    EXPECT_TRUE(model().pendingImport().has_value());
    QTest::keyClick(sheet, Qt::Key_Escape);
    settle();
    EXPECT_EQ(model().pendingImport(), std::nullopt);
    EXPECT_EQ(ruleNames(0).size(), 3);
}

TEST_F(ImportSheetTest, LongNotesScrollWhileTheTitleAndButtonsStay)
{
    open(Config{});
    QStringList notes;
    for (int i = 0; i < 60; ++i) notes << QStringLiteral("Note %1: something on the way was changed.").arg(i);
    ImportSheet* sheet = offer(pending(home() / "Inbox", 4, notes));
    ASSERT_TRUE(sheet);
    EXPECT_LE(sheet->notesArea()->height(), 360);
    EXPECT_GT(sheet->notesArea()->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(sheet->importButton()->isVisible());
    EXPECT_LE(sheet->importButton()->mapTo(sheet, QPoint(0, sheet->importButton()->height())).y(), sheet->height());

    ImportSheet* small = offer(pending(home() / "Inbox", 1));
    EXPECT_LT(small->notesArea()->height(), 100) << "a few notes take little room";
}

TEST_F(ImportSheetTest, ANewImportTakesTheSheetsPlace)
{
    open(Config{});
    QPointer<ImportSheet> first = offer(pending(home() / "First", 1));
    ASSERT_TRUE(first);
    ImportSheet* second = offer(pending(home() / "Second", 2));
    settle();
    EXPECT_FALSE(first) << "the first sheet is gone";
    ASSERT_TRUE(second);
    EXPECT_EQ(second->title(), QStringLiteral("Import Hazel Rules into “Second”"));
    ASSERT_TRUE(model().pendingImport());
    EXPECT_EQ(model().pendingImport()->folder.rules.size(), 2u) << "closing the old sheet left the new import";

    model().setPendingImport(std::nullopt);
    settle();
    EXPECT_FALSE(mainWindow().importSheet()) << "the model dropped it: the sheet goes";
}
