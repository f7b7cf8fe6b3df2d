// The menu bar: every command's place and shortcut, what each shortcut
// reaches, and when each command is enabled.
#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/App/MainWindowHost.h"
#include "OlvaApp/MainView/MainWindow.h"
#include "tests/app-shell/ShellFixture.h"

#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QUndoStack>

using namespace olva;
using namespace olva::test;
using app::Selection;

namespace {

class Commands : public ShellFixture {
public:
    // Inbox with the rules A, B and C, a log of two moves and a dry run, and
    // the main window with the menu bar.
    void startWithInbox()
    {
        inbox = folder("Inbox");
        folder("Filed");
        writeFile(home() / "Filed" / "a.pdf", "a");
        writeFile(home() / "Filed" / "b.pdf", "b");
        writeRules(Config{.paused = false,
                          .folders = {watched(inbox, {extRule("A", "pdf", {Action::trash()}),
                                                      extRule("B", "txt", {Action::trash()}),
                                                      extRule("C", "md", {Action::trash()})})},
                          .bookmarks = {}});
        for (const char* name : {"a.pdf", "b.pdf"}) log.push_back(movedInto(home() / "Filed", name));
        Entry dry = movedInto(home() / "Filed", "c.pdf");
        dry.dryRun = true;
        log.push_back(dry);
        for (const Entry& entry : log) store->append(entry);
        ASSERT_TRUE(start());
        ASSERT_TRUE(until([&] { return model().entries().size() == log.size(); }));
        // The app's own window, with the menu bar, holds the undo history.
        host = std::make_unique<app::MainWindowHost>(model(), *settings, [this](app::MainWindow& window) {
            window.setMenuBar(commands().createMenuBar(window));
        });
        model().setMainWindowPresenter(host.get());
        model().openMainWindow();
        mainWindow = host->window();
    }

    void TearDown() override
    {
        model().setMainWindowPresenter(nullptr);
        host.reset();
    }

    Entry movedInto(const std::filesystem::path& filed, const std::string& name)
    {
        Entry entry = moved(inbox / name, 10);
        entry.steps.front().to = (filed / name).string();
        return entry;
    }

    QMenu* menu(const QString& title)
    {
        for (QAction* action : mainWindow->menuBar()->actions())
            if (action->menu() && action->text().remove(u'&') == title) return action->menu();
        return nullptr;
    }

    void selectRule(int index)
    {
        model().setSelection(Selection::folder(0));
        model().setSelectedRule(index);
    }

    std::vector<std::string> ruleNames() const
    {
        std::vector<std::string> names;
        const Config config = Store(dataDir()).loadConfig();
        for (const Rule& rule : config.folders.at(0).rules) names.push_back(rule.name);
        return names;
    }

    std::filesystem::path inbox;
    std::vector<Entry> log;
    std::unique_ptr<app::MainWindowHost> host;
    app::MainWindow* mainWindow = nullptr;
};

TEST_F(Commands, EveryMenuHoldsItsCommandsInOrder)
{
    startWithInbox();
    model().setSelection(Selection::folder(0));
    menu(QStringLiteral("Folder"))->aboutToShow();
    struct Expected {
        QString menu;
        QStringList lines;
    };
    for (const Expected& expected : {
             Expected{"File",
                      {"New Rule", "Add Folder…", "Import Hazel Rules…", "---", "Explain File…", "---",
                       "(off) Open", "(off) Show in File Manager", "(off) Revert", "---", "Pause All Rules", "---",
                       "Quit Olva"}},
             Expected{"Edit", {"(off) Undo", "(off) Redo", "---", "Settings…"}},
             // The main window's toolbar switch stands for the standard toolbar items.
             Expected{"View",
                      {"[x] Toolbar", "---", "(off) [x] Show Inspector", "---", "--- Show", "(off) [x] All",
                       "(off) Problems", "(off) Dry Runs"}},
             Expected{"Folder",
                      {"Include Subfolders", "Pause Folder", "---", "Show in File Manager", "---", "Remove Folder"}},
             Expected{"Rule",
                      {"(off) Edit Rule…", "(off) Enabled", "(off) Duplicate Rule", "---", "(off) Move Rule Up",
                       "(off) Move Rule Down", "---", "(off) Delete Rule"}},
             Expected{"Help",
                      {"Use Olva from Terminal and AI Apps…", "---", "Olva Privacy Policy", "---", "About Olva"}},
         }) {
        ASSERT_TRUE(menu(expected.menu)) << expected.menu.toStdString();
        EXPECT_EQ(lines(*menu(expected.menu)), expected.lines) << expected.menu.toStdString();
    }
}

TEST_F(Commands, ShortcutsAreSetByHand)
{
    startWithInbox();
    const auto& c = commands();
    QAction* inspector = mainWindow->activityView()->inspectorAction();
    QAction* undo = menu(QStringLiteral("Edit"))->actions().at(0);
    QAction* redo = menu(QStringLiteral("Edit"))->actions().at(1);
    struct Shortcut {
        QAction* action;
        QString keys;
    };
    for (const Shortcut& shortcut : {
             Shortcut{c.newRule(), "Ctrl+N"},        Shortcut{c.addFolder(), "Ctrl+Shift+N"},
             Shortcut{c.importHazel(), ""},          Shortcut{c.explainFile(), "Ctrl+Shift+E"},
             Shortcut{c.openEntry(), "Ctrl+O"},      Shortcut{c.revealEntry(), ""},
             Shortcut{c.revert(), ""},               Shortcut{c.pauseAll(), ""},
             Shortcut{c.quit(), "Ctrl+Q"},           Shortcut{c.settings(), "Ctrl+,"},
             Shortcut{undo, "Ctrl+Z"},               Shortcut{redo, "Ctrl+Shift+Z"},
             Shortcut{inspector, "Ctrl+Alt+I"},      Shortcut{c.removeFolder(), ""},
             Shortcut{c.editRule(), ""},             Shortcut{c.ruleEnabled(), ""},
             Shortcut{c.duplicateRule(), "Ctrl+D"},  Shortcut{c.moveRuleUp(), "Alt+Up"},
             Shortcut{c.moveRuleDown(), "Alt+Down"}, Shortcut{c.deleteRule(), "Del"},
             Shortcut{c.showConnect(), ""},          Shortcut{c.showPrivacy(), ""},
             Shortcut{c.showAbout(), ""},
         })
        EXPECT_EQ(shortcut.action->shortcut().toString(QKeySequence::PortableText), shortcut.keys)
            << shortcut.action->text().toStdString();
}

struct Keys {
    std::string name;
    QKeySequence keys;
    std::function<void(Commands&)> before;
    std::function<void(Commands&)> check;
};

void PrintTo(const Keys& keys, std::ostream* out) { *out << keys.name; }

class ShortcutKeys : public Commands, public ::testing::WithParamInterface<Keys> {};

TEST_P(ShortcutKeys, ReachTheirOperation)
{
    startWithInbox();
    if (GetParam().before) GetParam().before(*this);
    mainWindow->show();
    mainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(mainWindow, hangGuardMs));
    QTest::keySequence(mainWindow, GetParam().keys);
    GetParam().check(*this);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ShortcutKeys,
    ::testing::Values(
        Keys{"NewRule", QKeySequence(QStringLiteral("Ctrl+N")), [](Commands& t) { t.selectRule(0); },
             [](Commands& t) {
                 ASSERT_TRUE(t.model().editingRule());
                 EXPECT_EQ(t.model().editingRule()->rule.name, "New Rule");
             }},
        Keys{"AddFolder", QKeySequence(QStringLiteral("Ctrl+Shift+N")),
             [](Commands& t) { t.panels.answer(t.folder("Scans")); },
             [](Commands& t) {
                 EXPECT_EQ(t.rulesOnDisk().folders.size(), 2u);
                 EXPECT_EQ(t.panels.requests.at(0).message, QStringLiteral("Choose a folder to watch"));
             }},
        Keys{"ExplainFile", QKeySequence(QStringLiteral("Ctrl+Shift+E")), {},
             [](Commands& t) {
                 ASSERT_EQ(t.panels.requests.size(), 1u);
                 EXPECT_EQ(t.panels.requests[0].message, QStringLiteral("Choose a file in a watched folder"));
             }},
        Keys{"Open", QKeySequence(QStringLiteral("Ctrl+O")),
             [](Commands& t) {
                 t.model().setSelection(Selection::activity());
                 t.model().setSelectedEntries({t.log[0].id});
             },
             [](Commands& t) {
                 EXPECT_EQ(t.workspace.opened, std::vector<std::filesystem::path>{t.home() / "Filed" / "a.pdf"});
             }},
        Keys{"Duplicate", QKeySequence(QStringLiteral("Ctrl+D")), [](Commands& t) { t.selectRule(1); },
             [](Commands& t) { EXPECT_EQ(t.ruleNames(), (std::vector<std::string>{"A", "B", "B copy", "C"})); }},
        Keys{"MoveUp", QKeySequence(QStringLiteral("Alt+Up")), [](Commands& t) { t.selectRule(1); },
             [](Commands& t) { EXPECT_EQ(t.ruleNames(), (std::vector<std::string>{"B", "A", "C"})); }},
        Keys{"MoveDown", QKeySequence(QStringLiteral("Alt+Down")), [](Commands& t) { t.selectRule(1); },
             [](Commands& t) { EXPECT_EQ(t.ruleNames(), (std::vector<std::string>{"A", "C", "B"})); }},
        Keys{"Delete", QKeySequence(QStringLiteral("Del")), [](Commands& t) { t.selectRule(2); },
             [](Commands& t) { EXPECT_EQ(t.ruleNames(), (std::vector<std::string>{"A", "B"})); }},
        Keys{"Undo", QKeySequence(QStringLiteral("Ctrl+Z")),
             [](Commands& t) {
                 t.selectRule(0);
                 t.model().deleteRule(0);
             },
             [](Commands& t) { EXPECT_EQ(t.ruleNames(), (std::vector<std::string>{"A", "B", "C"})); }},
        Keys{"Settings", QKeySequence(QStringLiteral("Ctrl+,")), {},
             [](Commands& t) { EXPECT_EQ(t.asked["settings"], 1); }},
        Keys{"Quit", QKeySequence(QStringLiteral("Ctrl+Q")), {}, [](Commands& t) { EXPECT_EQ(t.asked["quit"], 1); }},
        Keys{"Inspector", QKeySequence(QStringLiteral("Ctrl+Alt+I")),
             [](Commands& t) {
                 t.model().setSelection(Selection::activity());
                 ASSERT_TRUE(t.mainWindow->activityView()->inspectorAction()->isChecked());
             },
             [](Commands& t) {
                 // The activity view's own switch flips.
                 EXPECT_FALSE(t.mainWindow->activityView()->inspectorAction()->isChecked());
             }}),
    [](const auto& info) { return info.param.name; });

TEST_F(Commands, WithNothingSelectedOnlyAddingImportingAndExplainingAreOn)
{
    startWithInbox();
    model().setSelection(std::nullopt);
    const auto& c = commands();
    for (QAction* off : {c.newRule(), c.removeFolder(), c.editRule(), c.ruleEnabled(), c.duplicateRule(),
                         c.moveRuleUp(), c.moveRuleDown(), c.deleteRule(), c.openEntry(), c.revealEntry(),
                         c.revert(), mainWindow->activityView()->inspectorAction()})
        EXPECT_FALSE(off->isEnabled()) << off->text().toStdString();
    for (QAction* scope : c.scopes()) EXPECT_FALSE(scope->isEnabled());
    for (QAction* on : {c.addFolder(), c.importHazel(), c.explainFile()}) EXPECT_TRUE(on->isEnabled());
    // Triggered all the same, they do nothing.
    c.newRule()->trigger();
    c.deleteRule()->trigger();
    c.removeFolder()->trigger();
    EXPECT_FALSE(model().editingRule());
    EXPECT_EQ(ruleNames().size(), 3u);
}

TEST_F(Commands, TheFolderMenuDisablesItsItemsWithoutASelectedFolder)
{
    startWithInbox();
    const QStringList off{"(off) Include Subfolders", "(off) Pause Folder", "---", "(off) Show in File Manager", "---",
                          "(off) Remove Folder"};
    struct Case {
        const char* what;
        std::optional<Selection> selection;
        QStringList lines;
    };
    const Case cases[] = {
        {"Activity", Selection::activity(), off},
        {"nothing", std::nullopt, off},
        {"a folder no longer there", Selection::folder(3), off},
        {"a folder",
         Selection::folder(0),
         {"Include Subfolders", "Pause Folder", "---", "Show in File Manager", "---", "Remove Folder"}},
    };
    QMenu* folderMenu = menu(QStringLiteral("Folder"));
    ASSERT_TRUE(folderMenu);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model().setSelection(c.selection);
        emit folderMenu->aboutToShow();
        EXPECT_EQ(lines(*folderMenu), c.lines);
        for (QMenu* submenu : folderMenu->findChildren<QMenu*>())
            for (QAction* choice : submenu->actions())
                EXPECT_EQ(choice->isEnabled(), c.lines == cases[3].lines) << choice->text().toStdString();
    }
}

TEST_F(Commands, SelectedEntriesDecideOpenAndRevert)
{
    startWithInbox();
    const auto& c = commands();
    model().setSelection(Selection::activity());
    struct Case {
        std::set<std::string> selected;
        bool open;
        QString revert;
        bool revertOn;
    };
    for (const Case& expected : {
             Case{{log[0].id}, true, "Revert", true},
             // Two entries: no single file to open; both can be reverted.
             Case{{log[0].id, log[1].id}, false, "Revert 2 Files", true},
             // A dry run has nothing to revert, but its file is still there.
             Case{{log[2].id}, false, "Revert", false},
             Case{{log[0].id, log[2].id}, false, "Revert", true},
         }) {
        model().setSelectedEntries(expected.selected);
        EXPECT_EQ(c.openEntry()->isEnabled(), expected.open);
        EXPECT_EQ(c.revealEntry()->isEnabled(), expected.open);
        EXPECT_EQ(c.revert()->text(), expected.revert);
        EXPECT_EQ(c.revert()->isEnabled(), expected.revertOn);
    }

    // A file that is nowhere its steps put it can be neither opened nor shown.
    model().setSelectedEntries({log[1].id});
    std::filesystem::remove(home() / "Filed" / "b.pdf");
    menu(QStringLiteral("File"))->aboutToShow();
    EXPECT_FALSE(c.openEntry()->isEnabled());
    c.revealEntry()->trigger();
    EXPECT_TRUE(workspace.revealed.empty());

    // A selection on a folder selects no entries.
    model().setSelection(Selection::folder(0));
    EXPECT_FALSE(c.revert()->isEnabled());
}

// Linux names are bytes: a file whose name is not UTF-8 opens and shows by
// its exact name, from the menu bar and from the activity list alike.
TEST_F(Commands, AFileNamedInBytesThatAreNotUtf8OpensByItsExactName)
{
    startWithInbox();
    const std::string name = "bad\xff"
                             "name.pdf";
    const std::filesystem::path exact = home() / "Filed" / name;
    writeFile(exact, "x");
    const Entry odd = movedInto(home() / "Filed", name);
    store->append(odd);
    model().refresh();
    ASSERT_TRUE(until([&] { return model().entries().size() == log.size() + 1; }));
    model().setSelection(Selection::activity());
    model().setSelectedEntries({odd.id});

    commands().openEntry()->trigger();
    commands().revealEntry()->trigger();
    app::ActivityView& view = *mainWindow->activityView();
    QTest::keyClick(view.table(), Qt::Key_Return);
    view.revealAction()->trigger();
    EXPECT_EQ(workspace.opened, (std::vector<std::filesystem::path>{exact, exact}));
    EXPECT_EQ(workspace.revealed, (std::vector<std::filesystem::path>{exact, exact}));
}

TEST_F(Commands, TheSelectedRuleDecidesTheRuleMenu)
{
    startWithInbox();
    const auto& c = commands();
    struct Case {
        int rule;
        bool up, down;
    };
    for (const Case& expected : {Case{0, false, true}, Case{1, true, true}, Case{2, true, false}}) {
        selectRule(expected.rule);
        EXPECT_TRUE(c.editRule()->isEnabled());
        EXPECT_TRUE(c.ruleEnabled()->isChecked());
        EXPECT_EQ(c.moveRuleUp()->isEnabled(), expected.up) << expected.rule;
        EXPECT_EQ(c.moveRuleDown()->isEnabled(), expected.down) << expected.rule;
    }
    c.ruleEnabled()->trigger();
    EXPECT_FALSE(rulesOnDisk().folders[0].rules[2].enabled);
    EXPECT_FALSE(c.ruleEnabled()->isChecked());
    c.editRule()->trigger();
    ASSERT_TRUE(model().editingRule());
    EXPECT_EQ(model().editingRule()->index, 2);

    // A single rule can move nowhere.
    model().deleteRule(0);
    model().deleteRule(0);
    selectRule(0);
    EXPECT_FALSE(c.moveRuleUp()->isEnabled());
    EXPECT_FALSE(c.moveRuleDown()->isEnabled());
}

TEST_F(Commands, ScopesAndWindowsAndRemoval)
{
    startWithInbox();
    const auto& c = commands();
    model().setSelection(Selection::activity());
    c.scopes()[2]->trigger();
    EXPECT_EQ(model().activityScope(), app::ActivityScope::dryRuns);
    EXPECT_TRUE(c.scopes()[2]->isChecked());
    EXPECT_FALSE(c.scopes()[0]->isChecked());

    c.showConnect()->trigger();
    c.showPrivacy()->trigger();
    c.showAbout()->trigger();
    EXPECT_EQ(asked["connect"], 1);
    EXPECT_EQ(asked["privacy"], 1);
    EXPECT_EQ(asked["about"], 1);

    model().setSelection(Selection::folder(0));
    c.removeFolder()->trigger();
    EXPECT_TRUE(rulesOnDisk().folders.empty());
    EXPECT_EQ(model().selection(), Selection::activity());
}

}  // namespace
