#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/MainView/FolderView.h"
#include "OlvaApp/MainView/FooterButton.h"
#include "OlvaApp/MainView/ImportSheet.h"
#include "OlvaApp/MainView/SidebarModel.h"
#include "OlvaApp/MainView/SidebarView.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "tests/app-mainview/MainWindowFixture.h"
#include "tests/hazel/HazelExport.h"

#include <QAction>
#include <QIcon>
#include <QTest>
#include <QUndoStack>

using namespace olva;
using namespace olva::app;
using olva::test::MainWindowFixture;

namespace {

class Sidebar : public MainWindowFixture {
protected:
    SidebarView* view() { return mainWindow().sidebar(); }
    QModelIndex row(int r) { return view()->model()->index(r, 0); }
    QModelIndex folderRow(int folder) { return row(SidebarModel::kFirstFolderRow + folder); }
    QString data(int r, int role) { return row(r).data(role).toString(); }

    // Three plain folders A, B and C.
    void openThree()
    {
        Config config;
        for (const char* name : {"A", "B", "C"}) config.folders.push_back(test::watched(folder(name)));
        open(config);
    }

    std::filesystem::path hazelExport(const std::string& name)
    {
        test::HazelExport h;
        using H = test::HazelExport;
        auto set = h.ruleSet({h.rule({.name = "PDFs",
                                      .criteria = {h.compare("displayExtension", H::equalTo, "pdf")},
                                      .actions = {h.move(h.trashFolder())}})});
        const auto path = home() / name;
        test::writeFile(path, h.withHeader(set));
        return path;
    }
};

}  // namespace

TEST_F(Sidebar, ShowsEachFolderByNameWithItsStatus)
{
    std::filesystem::create_directories(home() / "Target");
    std::filesystem::create_directory_symlink(home() / "Target", home() / "Link");
    Config config;
    config.folders = {test::watched(folder("Plain")), test::watched(folder("Resting")), test::watched(home() / "Gone"),
                      test::watched(home() / "Gone too"), test::watched(home() / "Link")};
    config.folders[1].paused = true;
    config.folders[3].paused = true;
    open(config);

    struct Case {
        int folder;
        QString name, icon, status, help;
    };
    const QString h = QString::fromStdString(home().string());
    const Case cases[] = {
        {0, "Plain", "folder-symbolic", "", h + "/Plain"},
        {1, "Resting", "media-playback-pause-symbolic", "Paused", h + "/Resting (paused)"},
        {2, "Gone", "dialog-warning", "Folder not found",
         h + "/Gone can’t be found. Olva picks it up again when it’s back, or you can locate it."},
        {3, "Gone too", "dialog-warning", "Folder not found",
         h + "/Gone too can’t be found. Olva picks it up again when it’s back, or you can locate it."},
        {4, "Target", "folder-symbolic", "", h + "/Link"},
    };
    ASSERT_EQ(view()->model()->rowCount(), SidebarModel::kFirstFolderRow + 5);
    EXPECT_EQ(data(0, Qt::DisplayRole), QStringLiteral("Activity"));
    EXPECT_EQ(data(1, Qt::DisplayRole), QStringLiteral("Folders"));
    EXPECT_FALSE(row(1).flags() & Qt::ItemIsSelectable) << "the heading is not a row to select";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QModelIndex index = folderRow(c.folder);
        EXPECT_EQ(index.data(Qt::DisplayRole).toString(), c.name);
        EXPECT_EQ(index.data(Qt::DecorationRole).value<QIcon>().name(), c.icon);
        EXPECT_EQ(index.data(Qt::AccessibleDescriptionRole).toString(), c.status);
        EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), olva::app::plainToolTip(c.help));
    }
}

TEST_F(Sidebar, WithoutFoldersShowsActivityAndTheHeadingOnly)
{
    open(Config{});
    EXPECT_EQ(view()->model()->rowCount(), SidebarModel::kFirstFolderRow);
    EXPECT_EQ(mainWindow().currentView(), mainWindow().activityView());
    EXPECT_TRUE(mainWindow().addFolderButton()->isVisible());
    EXPECT_EQ(mainWindow().addFolderButton()->text(), QStringLiteral("Add Folder…"));
}

TEST_F(Sidebar, SelectsByMouseAndKeyboardAndTheDetailFollows)
{
    openThree();
    click(view(), folderRow(1));
    EXPECT_EQ(model().selection(), Selection::folder(1));
    EXPECT_EQ(mainWindow().currentView(), mainWindow().folderView());
    EXPECT_EQ(mainWindow().windowTitle(), QStringLiteral("B"));
    EXPECT_EQ(mainWindow().folderView()->title(), QStringLiteral("B"));

    press(view(), Qt::Key_Down);
    EXPECT_EQ(model().selection(), Selection::folder(2));
    press(view(), Qt::Key_Up);
    press(view(), Qt::Key_Up);
    press(view(), Qt::Key_Up);
    EXPECT_EQ(model().selection(), Selection::activity()) << "the heading is passed over";
    EXPECT_EQ(mainWindow().currentView(), mainWindow().activityView());

    // The model's selection shows in the list too.
    model().setSelection(Selection::folder(2));
    EXPECT_EQ(view()->currentIndex(), folderRow(2));
    EXPECT_TRUE(view()->selectionModel()->isSelected(folderRow(2)));
}

TEST_F(Sidebar, ContextMenusFitWhatIsUnderThePointer)
{
    openThree();
    const QPoint empty(10, view()->viewport()->height() - 4);
    struct Case {
        const char* what;
        QPoint at;
        QStringList items;
    };
    const Case cases[] = {
        {"empty space", empty, {"Add Folder…"}},
        {"Activity", view()->visualRect(row(0)).center(), {}},
        {"the heading", view()->visualRect(row(1)).center(), {}},
        {"a folder", view()->visualRect(folderRow(1)).center(), {"Show in File Manager", "", "Remove Folder"}},
    };
    for (const Case& c : cases) EXPECT_EQ(contextMenu(view()->viewport(), c.at), c.items) << c.what;

    contextMenu(view()->viewport(), view()->visualRect(folderRow(1)).center(), QStringLiteral("Show in File Manager"));
    ASSERT_EQ(workspace.revealed.size(), 1u);
    EXPECT_EQ(workspace.revealed[0], home() / "B");

    contextMenu(view()->viewport(), view()->visualRect(folderRow(1)).center(), QStringLiteral("Remove Folder"));
    EXPECT_EQ(folderNames(), (QStringList{"A", "C"}));

    panels.answer(folder("D"));
    contextMenu(view()->viewport(), empty, QStringLiteral("Add Folder…"));
    EXPECT_EQ(folderNames(), (QStringList{"A", "C", "D"}));
    EXPECT_EQ(model().selection(), Selection::folder(2));
}

TEST_F(Sidebar, DeleteRemovesTheSelectedFolderAndUndoBringsItBack)
{
    openThree();
    model().setSelection(Selection::activity());
    press(view(), Qt::Key_Delete);
    EXPECT_EQ(folderNames(), (QStringList{"A", "B", "C"})) << "Delete on Activity does nothing";
    EXPECT_EQ(mainWindow().undoStack()->count(), 0);

    // The window's Delete, as the app's menus set it, deletes a rule; in the
    // sidebar the key removes the folder.
    QAction deleteRule(QStringLiteral("Delete Rule"), &mainWindow());
    deleteRule.setShortcut(QKeySequence::Delete);
    mainWindow().addAction(&deleteRule);
    int rulesDeleted = 0;
    QObject::connect(&deleteRule, &QAction::triggered, [&] { ++rulesDeleted; });
    click(view(), folderRow(1));
    press(view(), Qt::Key_Delete);
    EXPECT_EQ(rulesDeleted, 0);
    EXPECT_EQ(folderNames(), (QStringList{"A", "C"}));
    EXPECT_EQ(rulesOnDisk().folders.size(), 2u);
    EXPECT_EQ(model().selection(), Selection::activity());
    EXPECT_EQ(mainWindow().currentView(), mainWindow().activityView());
    EXPECT_EQ(undoText(), QStringLiteral("Remove Folder"));

    mainWindow().undoStack()->undo();
    EXPECT_EQ(folderNames(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(rulesOnDisk().folders.size(), 3u);
    mainWindow().undoStack()->redo();
    EXPECT_EQ(folderNames(), (QStringList{"A", "C"}));
}

TEST_F(Sidebar, ADeleteWithAModifierKeepsTheFolder)
{
    openThree();
    click(view(), folderRow(1));
    for (Qt::KeyboardModifier modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
        press(view(), Qt::Key_Delete, modifier);
    press(view(), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(folderNames(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(mainWindow().undoStack()->count(), 0);
}

TEST_F(Sidebar, TheAddButtonAsksForAFolderAndSelectsIt)
{
    openThree();
    struct Case {
        const char* what;
        std::optional<std::filesystem::path> chosen;
        QStringList folders;
        std::optional<Selection> selection;
    };
    const Case cases[] = {
        {"cancelled", std::nullopt, {"A", "B", "C"}, Selection::activity()},
        {"a new folder", folder("D"), {"A", "B", "C", "D"}, Selection::folder(3)},
        {"one already watched", home() / "B", {"A", "B", "C", "D"}, Selection::folder(1)},
    };
    model().setSelection(Selection::activity());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        panels.answer(c.chosen);
        QTest::mouseClick(mainWindow().addFolderButton(), Qt::LeftButton);
        EXPECT_EQ(folderNames(), c.folders);
        EXPECT_EQ(model().selection(), c.selection);
    }
    EXPECT_EQ(panels.requests.back().message, QStringLiteral("Choose a folder to watch"));
    EXPECT_EQ(undoText(), QStringLiteral("Add Folder"));
    EXPECT_EQ(mainWindow().undoStack()->count(), 1);

    mainWindow().addFolderButton()->setFocus();
    panels.answer(folder("E"));
    press(mainWindow().addFolderButton(), Qt::Key_Space);
    EXPECT_EQ(folderNames().back(), QStringLiteral("E")) << "the button works from the keyboard";
}

TEST_F(Sidebar, DropsAddFoldersAndStartImports)
{
    openThree();
    test::writeFile(home() / "notes.txt", "x");
    test::writeFile(home() / "UPPER.HAZELRULES", "x");
    const QPoint at = view()->visualRect(row(0)).center();

    struct Case {
        const char* what;
        std::vector<std::filesystem::path> dropped;
        bool taken;
        QStringList folders;
    };
    const Case cases[] = {
        {"a text file alone", {home() / "notes.txt"}, false, {"A", "B", "C"}},
        {"an export whose extension is upper-case", {home() / "UPPER.HAZELRULES"}, false, {"A", "B", "C"}},
        {"nothing", {}, false, {"A", "B", "C"}},
        {"two folders and a text file", {folder("D"), home() / "notes.txt", folder("E")}, true,
         {"A", "B", "C", "D", "E"}},
        {"a folder already watched", {home() / "A"}, true, {"A", "B", "C", "D", "E"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(drop(view()->viewport(), urls(c.dropped), at), c.taken);
        EXPECT_EQ(folderNames(), c.folders);
    }
    EXPECT_EQ(model().selection(), Selection::folder(0)) << "the folder already watched is selected";

    auto* remote = new QMimeData;
    remote->setUrls({QUrl(QStringLiteral("https://example.com/Folder"))});
    EXPECT_FALSE(drop(view()->viewport(), remote, at)) << "only local files count";

    panels.answer(folder("Inbox"));
    EXPECT_TRUE(drop(view()->viewport(), urls({hazelExport("Inbox.hazelrules"), folder("F")}), at));
    EXPECT_EQ(folderNames().back(), QStringLiteral("F")) << "a drop that mixes both does both";
    ASSERT_TRUE(until([&] { return mainWindow().importSheet() != nullptr; }));
    EXPECT_EQ(mainWindow().importSheet()->title(), QStringLiteral("Import Hazel Rules into “Inbox”"));
    EXPECT_EQ(panels.requests.back().message, QStringLiteral("Which folder were these rules for?"));
}

TEST_F(Sidebar, RemovingTheSelectedFolderElsewhereShowsActivity)
{
    openThree();
    model().setSelection(Selection::folder(2));
    EXPECT_EQ(mainWindow().currentView(), mainWindow().folderView());
    model().removeFolder(2);
    EXPECT_EQ(mainWindow().currentView(), mainWindow().activityView());
    EXPECT_EQ(mainWindow().windowTitle(), QStringLiteral("Activity"));
}
