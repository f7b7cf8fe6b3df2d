#include "OlvaApp/MainView/FolderMenuItems.h"
#include "OlvaApp/MainView/FolderProblemBar.h"
#include "OlvaApp/MainView/FolderView.h"
#include "tests/app-mainview/MainWindowFixture.h"

#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include <unistd.h>

using namespace olva;
using namespace olva::app;
using olva::test::MainWindowFixture;

namespace {

// Runs a scope as an account without the right to read other people's
// folders, so that a folder without read permission is one Olva may not
// read even when the tests run as root. The engine's thread takes the
// same identity.
class Unprivileged {
public:
    Unprivileged()
    {
        if (::geteuid() == 0) switched_ = ::seteuid(65534) == 0;
    }
    ~Unprivileged()
    {
        if (switched_) (void)::seteuid(0);
    }

private:
    bool switched_ = false;
};

class FolderViewTest : public MainWindowFixture {
protected:
    FolderView* view() { return mainWindow().folderView(); }
    FolderProblemBar* bar() { return view()->problemBar(); }
    FolderStatus status(int folder)
    {
        const auto& statuses = model().folderStatus();
        auto found = statuses.find(model().config().folders[static_cast<std::size_t>(folder)].path);
        return found == statuses.end() ? FolderStatus::watching : found->second;
    }
    // Has the engine look at every folder again and waits for `folder` to
    // reach `expected`.
    bool rescanUntil(int folder, FolderStatus expected)
    {
        model().runRulesNow();
        return until([&] { return status(folder) == expected; });
    }

    // The items of a folder menu built now, with their check and enabled
    // states: "Pause Folder [x] (on)".
    QStringList menuItems(int folder)
    {
        QMenu menu;
        addFolderMenuItems(menu, model(), folder);
        QStringList items;
        auto describe = [](QAction* action) {
            QString text = action->isSeparator() ? QStringLiteral("-") : action->text();
            if (action->isCheckable()) text += action->isChecked() ? " [x]" : " [ ]";
            if (!action->isEnabled()) text += " (off)";
            return text;
        };
        for (QAction* action : menu.actions()) {
            items << describe(action);
            if (action->menu())
                for (QAction* choice : action->menu()->actions()) items << "  " + describe(choice);
        }
        return items;
    }
    // Builds the menu for `folder` and triggers the item titled `title`.
    void choose(int folder, const QString& title)
    {
        QMenu menu;
        addFolderMenuItems(menu, model(), folder);
        QList<QAction*> actions = menu.actions();
        for (QAction* action : menu.actions())
            if (action->menu()) actions += action->menu()->actions();
        for (QAction* action : actions)
            if (action->text() == title) {
                action->trigger();
                return;
            }
        ADD_FAILURE() << "no item " << title.toStdString();
    }
};

}  // namespace

TEST(FolderProblemBarOnItsOwn, OffersTheFixThatFits)
{
    struct Case {
        FolderStatus status;
        bool sandboxed;
        QString text, button;
        int locates, reveals;
    };
    const Case cases[] = {
        {FolderStatus::watching, false, "", "", 0, 0},
        {FolderStatus::missing, false,
         "~/<b>Inbox</b> can’t be found. Olva picks it up again when it’s back, or you can locate it.", "Locate…", 1, 0},
        {FolderStatus::noAccess, true, "Olva isn’t allowed to read ~/<b>Inbox</b>.", "Grant Access…", 1, 0},
        {FolderStatus::noAccess, false, "Olva isn’t allowed to read ~/<b>Inbox</b>.", "Show in File Manager", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button.toStdString());
        FolderProblemBar bar;
        int locates = 0, reveals = 0;
        bar.setActions([&] { ++locates; }, [&] { ++reveals; });
        bar.setProblem(Folder{.path = "~/<b>Inbox</b>", .depth = 0, .paused = false, .rules = {}}, c.status,
                       c.sandboxed);
        bar.show();
        EXPECT_EQ(bar.text(), c.text);
        EXPECT_EQ(bar.buttonText(), c.button);
        EXPECT_EQ(bar.button()->isVisible(), !c.button.isEmpty());
        if (bar.button()->isVisible()) QTest::mouseClick(bar.button(), Qt::LeftButton);
        EXPECT_EQ(locates, c.locates);
        EXPECT_EQ(reveals, c.reveals);
    }
}

TEST_F(FolderViewTest, LocateReattachesAMovedFolder)
{
    Config config;
    config.folders = {test::watched(folder("Projects"), {test::extRule("Zips", "zip", {Action::trash()}, true)})};
    open(config);
    model().setSelection(Selection::folder(0));
    EXPECT_FALSE(bar()->isVisible()) << "a watched folder has no bar";

    std::filesystem::rename(home() / "Projects", home() / "Projects moved");
    ASSERT_TRUE(rescanUntil(0, FolderStatus::missing));
    const QString path = QString::fromStdString((home() / "Projects").string());
    EXPECT_TRUE(bar()->isVisible());
    EXPECT_EQ(bar()->text(),
              path + QStringLiteral(" can’t be found. Olva picks it up again when it’s back, or you can locate it."));
    EXPECT_EQ(view()->subtitle(), QStringLiteral("1 rule · Folder not found"));

    panels.answer(home() / "Projects moved");
    QTest::mouseClick(bar()->button(), Qt::LeftButton);
    EXPECT_EQ(model().config().folders[0].path, (home() / "Projects moved").string());
    EXPECT_EQ(model().config().folders[0].rules.size(), 1u) << "the rules stay with the folder";
    EXPECT_EQ(undoText(), QStringLiteral("Locate Folder"));
    ASSERT_TRUE(until([&] { return status(0) == FolderStatus::watching && !bar()->isVisible(); }));
    EXPECT_EQ(view()->title(), QStringLiteral("Projects moved"));
}

TEST_F(FolderViewTest, AnUnreadableFolderOffersTheFileManager)
{
    Config config;
    config.folders = {test::watched(folder("Locked"))};
    open(config);
    model().setSelection(Selection::folder(0));
    std::filesystem::permissions(home() / "Locked", std::filesystem::perms::none);
    // The scratch folder is the test's alone; the other account must pass
    // through it to find the folder it may not read.
    using std::filesystem::perms;
    std::filesystem::permissions(temp.path(), perms::others_exec | perms::group_exec, std::filesystem::perm_options::add);
    {
        Unprivileged nobody;
        ASSERT_TRUE(rescanUntil(0, FolderStatus::noAccess));
    }
    std::filesystem::permissions(home() / "Locked", std::filesystem::perms::owner_all);
    const QString path = QString::fromStdString((home() / "Locked").string());
    EXPECT_TRUE(bar()->isVisible());
    EXPECT_EQ(bar()->text(), QStringLiteral("Olva isn’t allowed to read ") + path + QStringLiteral("."));
    EXPECT_EQ(bar()->buttonText(), QStringLiteral("Show in File Manager"));
    EXPECT_EQ(view()->subtitle(), QStringLiteral("No rules · No access"));
    QTest::mouseClick(bar()->button(), Qt::LeftButton);
    ASSERT_EQ(workspace.revealed.size(), 1u);
    EXPECT_EQ(workspace.revealed[0], home() / "Locked");
}

TEST_F(FolderViewTest, FolderMenuShowsTheFolderAsItIs)
{
    Config config;
    for (auto [name, depth] : {std::pair{"None", 0}, {"One", 1}, {"Two", 2}, {"All", 99}, {"Five", 5}})
        config.folders.push_back(test::watched(folder(name), {}, depth));
    config.folders[1].paused = true;
    open(config);

    auto expected = [](int checked, bool paused) {
        QStringList items{"Include Subfolders"};
        const char* choices[] = {"None", "1 Level Deep", "2 Levels Deep", "All Levels"};
        for (int i = 0; i < 4; ++i) items << QStringLiteral("  ") + choices[i] + (i == checked ? " [x]" : " [ ]");
        items << (paused ? "Pause Folder [x]" : "Pause Folder [ ]") << "-" << "Show in File Manager";
        return items;
    };
    struct Case {
        int folder, checked;
        bool paused;
    };
    const Case cases[] = {{0, 0, false}, {1, 1, true}, {2, 2, false}, {3, 3, false}, {4, -1, false}};
    for (const Case& c : cases) EXPECT_EQ(menuItems(c.folder), expected(c.checked, c.paused)) << c.folder;

    QStringList none = menuItems(-1);
    EXPECT_EQ(none.size(), 8);
    for (const QString& item : none)
        if (item != "-") {
            EXPECT_TRUE(item.endsWith("(off)")) << item.toStdString();
        }
    EXPECT_TRUE(none[1].startsWith("  None [x]")) << "no folder reads as depth 0";

    model().setSelection(Selection::activity());
    QMenu shellMenu;
    addFolderMenuItems(shellMenu, model());
    for (QAction* action : shellMenu.actions())
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->isEnabled()) << "Activity selected";
        }
}

TEST_F(FolderViewTest, FolderMenuChangesSaveWithUndo)
{
    Config config;
    config.folders = {test::watched(folder("A")), test::watched(folder("B"))};
    open(config);
    struct Step {
        QString item;
        std::int64_t depth;
        bool paused;
        QString undo;
    };
    const Step steps[] = {
        {"All Levels", 99, false, "Change Subfolders"},
        {"All Levels", 99, false, "Change Subfolders"},
        {"1 Level Deep", 1, false, "Change Subfolders"},
        {"Pause Folder", 1, true, "Pause Folder"},
        {"Pause Folder", 1, false, "Resume Folder"},
    };
    int count = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.item.toStdString());
        choose(1, step.item);
        const Folder& b = model().config().folders[1];
        EXPECT_EQ(b.depth, step.depth);
        EXPECT_EQ(b.paused, step.paused);
        EXPECT_EQ(rulesOnDisk().folders[1].depth, step.depth);
        EXPECT_EQ(undoText(), step.undo);
        EXPECT_EQ(mainWindow().undoStack()->count(), ++count) << "the same value chosen again still counts";
    }
    mainWindow().undoStack()->undo();
    EXPECT_TRUE(model().config().folders[1].paused);

    choose(1, QStringLiteral("Show in File Manager"));
    ASSERT_EQ(workspace.revealed.size(), 1u);
    EXPECT_EQ(workspace.revealed[0], home() / "B");

    // A menu built for a folder that is no longer at its place changes
    // nothing.
    QMenu stale;
    addFolderMenuItems(stale, model(), 0);
    model().removeFolder(0);
    const std::string before = toJson(model().config()).dump();
    for (QAction* action : stale.actions()) {
        if (action->menu())
            for (QAction* choice : action->menu()->actions()) choice->trigger();
        else
            action->trigger();
    }
    EXPECT_EQ(toJson(model().config()).dump(), before);
    EXPECT_EQ(workspace.revealed.size(), 1u);
}

TEST_F(FolderViewTest, TheToolbarMenuFollowsTheSelectedFolder)
{
    Config config;
    config.folders = {test::watched(folder("A"), {}, 2), test::watched(folder("B"))};
    open(config);
    model().setSelection(Selection::folder(0));
    QMenu* menu = view()->folderOptionsAction()->menu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(view()->folderOptionsAction()->toolTip(), QStringLiteral("Folder options"));
    EXPECT_EQ(view()->newRuleAction()->toolTip(), QStringLiteral("New rule"));
    auto checkedDepth = [&] {
        emit menu->aboutToShow();
        for (QAction* choice : menu->actions().front()->menu()->actions())
            if (choice->isChecked()) return choice->text();
        return QString();
    };
    EXPECT_EQ(checkedDepth(), QStringLiteral("2 Levels Deep"));
    model().setSelection(Selection::folder(1));
    EXPECT_EQ(checkedDepth(), QStringLiteral("None"));
}

// Over the activity list and any folder alike: nothing anywhere is processed
// while the data folder is gone.
TEST_F(FolderViewTest, TheDataFolderGoneShowsABarOverEitherViewUntilItIsBack)
{
    Config config;
    config.folders = {test::watched(folder("Projects"))};
    open(config);
    FolderProblemBar* dataBar = mainWindow().dataFolderBar();
    EXPECT_FALSE(dataBar->isVisible());

    const std::filesystem::path kept = temp.path() / "kept";
    std::filesystem::rename(dataDir(), kept);
    ASSERT_TRUE(until([&] { return dataBar->isVisible(); }));
    const QString sentence = QStringLiteral("Olva’s data folder ") + QString::fromStdString(dataDir().string())
                           + QStringLiteral(" can’t be found. Nothing is processed until it’s back.");
    for (auto selection : {Selection::activity(), Selection::folder(0)}) {
        model().setSelection(selection);
        EXPECT_TRUE(dataBar->isVisible());
        EXPECT_EQ(dataBar->text(), sentence);
        EXPECT_EQ(dataBar->buttonText(), QString());
    }
    std::filesystem::rename(kept, dataDir());
    EXPECT_TRUE(until([&] { return !dataBar->isVisible(); }));
}
