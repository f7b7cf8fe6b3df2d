// The tray menu in its three states, and what its items do.
#include "tests/app-shell/ShellFixture.h"

#include <QSystemTrayIcon>
#include <QUndoStack>

using namespace olva;
using namespace olva::test;
using app::TrayState;

namespace {

class TrayMenu : public ShellFixture {
public:
    void startWith(Config config, const std::vector<Entry>& entries = {})
    {
        writeRules(config);
        for (const Entry& entry : entries) store->append(entry);
        ASSERT_TRUE(start());
        ASSERT_TRUE(until([&] { return model().entries().size() == entries.size(); }));
    }

    QStringList menu() { return lines(*tray().menu()); }
};

TEST_F(TrayMenu, WatchingListsStatusSwitchAndWaysIn)
{
    startWith(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    EXPECT_EQ(tray().state(), TrayState::watching);
    EXPECT_EQ(menu(), (QStringList{"(off) Watching 1 folder", "Pause All Rules", "---", "---", "Open Olva",
                                    "Settings…", "---", "Quit Olva"}));
    tray().setShown(true);
    ASSERT_TRUE(tray().icon());
    EXPECT_EQ(tray().icon()->toolTip(), QStringLiteral("Watching"));
    EXPECT_EQ(tray().icon()->contextMenu(), tray().menu());
    tray().setShown(false);
    EXPECT_FALSE(tray().icon());
}

TEST_F(TrayMenu, PausedWinsOverProblemsAndStillListsThem)
{
    startWith(Config{.paused = true,
                     .folders = {watched(folder("Inbox")), watched(home() / "Gone"), watched(home() / "Also Gone")},
                     .bookmarks = {}},
              {moved(home() / "Inbox/a.pdf", 5, "the disk is full")});
    ASSERT_TRUE(until([&] { return model().problemFolders().size() == 2; }));
    EXPECT_EQ(tray().state(), TrayState::paused);
    EXPECT_EQ(menu(), (QStringList{"(off) Paused", "(off) Gone: Folder not found", "(off) Also Gone: Folder not found",
                                    "[x] Pause All Rules", "---",
                                    "a.pdf · Couldn’t finish: the disk is full", "---", "Open Olva", "Settings…",
                                    "---", "Quit Olva"}));
}

TEST_F(TrayMenu, NeedsAttentionListsTheFiveNewestWithCutNames)
{
    const auto inbox = folder("Inbox");
    std::vector<Entry> entries;
    for (int i = 0; i < 6; ++i) entries.push_back(moved(inbox / ("scan-" + std::to_string(i) + ".pdf"), 50 - i));
    entries.push_back(moved(inbox / (std::string(31, 'n') + ".pdf"), 32, "it failed"));
    entries.push_back(moved(inbox / "<b>R&D<b>.pdf", 31));
    Entry undo = moved(inbox / "undone.pdf", 20);
    undo.undoOf = entries.front().id;
    entries.push_back(undo);
    startWith(Config{.paused = false, .folders = {watched(inbox)}, .bookmarks = {}}, entries);

    EXPECT_TRUE(model().hasRecentError());
    EXPECT_EQ(tray().state(), TrayState::needsAttention);
    tray().setShown(true);
    EXPECT_EQ(tray().icon()->toolTip(), QStringLiteral("Needs attention"));
    // The undo record worked, so it is left out; the markup and the
    // ampersand show as typed.
    EXPECT_EQ(menu(), (QStringList{"(off) Watching 1 folder", "Pause All Rules", "---",
                                    "<b>R&&D<b>.pdf · Moved to Filed",
                                    QString(29, u'n') + QStringLiteral("… · Couldn’t finish: it failed"),
                                    "scan-5.pdf · Moved to Filed", "scan-4.pdf · Moved to Filed",
                                    "scan-3.pdf · Moved to Filed", "---", "Open Olva",
                                    "Settings…", "---", "Quit Olva"}));

    // An hour after the failure the icon watches again, without a restart.
    clock.advance(std::chrono::minutes(29));
    EXPECT_EQ(tray().state(), TrayState::watching);
    EXPECT_EQ(tray().icon()->toolTip(), QStringLiteral("Watching"));
}

TEST_F(TrayMenu, AnEntryShowsItselfInTheActivity)
{
    const auto inbox = folder("Inbox");
    const Entry entry = moved(inbox / "a.pdf", 5);
    startWith(Config{.paused = false, .folders = {watched(inbox)}, .bookmarks = {}}, {entry});
    model().setSelection(app::Selection::folder(0));
    model().setActivityScope(app::ActivityScope::problems);
    item(*tray().menu(), QStringLiteral("a.pdf · Moved to Filed"))->trigger();
    EXPECT_EQ(model().selection(), app::Selection::activity());
    EXPECT_EQ(model().activityScope(), app::ActivityScope::all);
    EXPECT_EQ(model().selectedEntries(), std::set<std::string>{entry.id});
    EXPECT_EQ(window.presented, 1);
}

TEST_F(TrayMenu, TheWaysInReachTheApp)
{
    startWith(Config{});
    item(*tray().menu(), QStringLiteral("Open Olva"))->trigger();
    EXPECT_EQ(window.presented, 1);
    item(*tray().menu(), QStringLiteral("Settings…"))->trigger();
    item(*tray().menu(), QStringLiteral("Quit Olva"))->trigger();
    EXPECT_EQ(asked["settings"], 1);
    EXPECT_EQ(asked["quit"], 1);
    // The keys of the app's commands work in its windows, not in the tray:
    // the tray menu shows none.
    for (QAction* action : tray().menu()->actions())
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    EXPECT_FALSE(commands().quit()->shortcut().isEmpty()) << "the window's command keeps its key";

    // A left click on the icon opens the window; other clicks leave that to
    // the menu.
    tray().setShown(true);
    ASSERT_TRUE(tray().icon());
    struct Click {
        QSystemTrayIcon::ActivationReason reason;
        int presented;
    };
    for (const Click& click : {Click{QSystemTrayIcon::Context, 1}, Click{QSystemTrayIcon::MiddleClick, 1},
                               Click{QSystemTrayIcon::Trigger, 2}}) {
        emit tray().icon()->activated(click.reason);
        EXPECT_EQ(window.presented, click.presented) << click.reason;
    }
}

TEST_F(TrayMenu, PausingSavesAndIsUndoneAsOneStep)
{
    startWith(Config{.paused = false, .folders = {watched(folder("Inbox"))}, .bookmarks = {}});
    model().openMainWindow();
    item(*tray().menu(), QStringLiteral("Pause All Rules"))->trigger();
    EXPECT_TRUE(rulesOnDisk().paused);
    EXPECT_TRUE(item(*tray().menu(), QStringLiteral("Pause All Rules"))->isChecked());
    EXPECT_EQ(tray().state(), TrayState::paused);
    ASSERT_EQ(window.stack->count(), 1);
    EXPECT_EQ(window.stack->undoText(), QStringLiteral("Pause All Rules"));

    item(*tray().menu(), QStringLiteral("Pause All Rules"))->trigger();
    EXPECT_FALSE(rulesOnDisk().paused);
    EXPECT_EQ(window.stack->undoText(), QStringLiteral("Resume All Rules"));
    window.stack->undo();
    EXPECT_TRUE(rulesOnDisk().paused);
    EXPECT_TRUE(item(*tray().menu(), QStringLiteral("Pause All Rules"))->isChecked());
}

TEST_F(TrayMenu, PausingWithoutAWindowSavesWithoutUndo)
{
    startWith(Config{});
    item(*tray().menu(), QStringLiteral("Pause All Rules"))->trigger();
    EXPECT_TRUE(rulesOnDisk().paused);
    EXPECT_EQ(window.presented, 0);
    EXPECT_FALSE(window.stack);
}

TEST_F(TrayMenu, PausingRulesThatCouldNotBeLoadedChangesNothingAndSaysWhy)
{
    writeFile(dataDir() / "rules.json", "{ this is not json");
    ASSERT_TRUE(start());
    ASSERT_TRUE(model().loadError());
    item(*tray().menu(), QStringLiteral("Pause All Rules"))->trigger();
    EXPECT_EQ(readFile(dataDir() / "rules.json"), "{ this is not json");
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, QStringLiteral("Rules Can’t Be Changed"));
    // The main window comes forward to show it.
    EXPECT_EQ(window.presented, 1);
    EXPECT_FALSE(item(*tray().menu(), QStringLiteral("Pause All Rules"))->isChecked());
}

}  // namespace
