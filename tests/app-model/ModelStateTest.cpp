#include "OlvaApp/Model/ModelError.h"
#include "OlvaApp/Model/XdgAutostart.h"
#include "tests/support/app/ModelFixture.h"

#include <QSignalSpy>

using namespace olva;
using namespace olva::test;
using app::Model;
using app::Selection;

namespace {

class ModelState : public ModelFixture {};

}  // namespace

TEST_F(ModelState, EqualValuesNotifyOnlyWhereTheyShould)
{
    struct Case {
        const char* name;
        void (Model::*signal)();
        std::function<void(Model&)> assign;  // assigns the same value twice
        int notifications;
    };
    const std::vector<Case> cases{
        {"selection", &Model::selectionChanged, [](Model& m) { m.setSelection(Selection::activity()); }, 0},
        {"selectedRule", &Model::selectedRuleChanged, [](Model& m) { m.setSelectedRule(std::nullopt); }, 0},
        {"selectedEntries", &Model::selectedEntriesChanged, [](Model& m) { m.setSelectedEntries({}); }, 0},
        {"activityScope", &Model::activityScopeChanged, [](Model& m) { m.setActivityScope(app::ActivityScope::all); }, 0},
        {"problem", &Model::problemChanged, [](Model& m) { m.setProblem(app::Problem{"T", "M"}); }, 1},
        {"editingRule", &Model::editingRuleChanged, [](Model& m) { m.setEditingRule(std::nullopt); }, 1},
        {"explained", &Model::explainedChanged, [](Model& m) { m.setExplained(std::nullopt); }, 1},
        {"pendingImport", &Model::pendingImportChanged, [](Model& m) { m.setPendingImport(std::nullopt); }, 1},
    };
    for (const Case& c : cases) {
        QSignalSpy spy(&model(), c.signal);
        c.assign(model());
        c.assign(model());
        EXPECT_EQ(spy.count(), 2 * c.notifications) << c.name;
    }
}

TEST_F(ModelState, TheSelectionClearsTheRuleAndIsRemembered)
{
    auto a = folder("A");
    writeRules(Config{.paused = false, .folders = {watched(a, {extRule("R", "pdf", {Action::trash()})})}, .bookmarks = {}});
    ASSERT_TRUE(start());
    model().setSelection(Selection::folder(0));
    EXPECT_EQ(settings->value("selectedFolder").toString().toStdString(), a.string());
    model().setSelectedRule(0);
    EXPECT_EQ(model().currentRule(), 0);
    // The same folder again keeps the rule; the remembered path is written
    // all the same.
    settings->remove("selectedFolder");
    model().setSelection(Selection::folder(0));
    EXPECT_EQ(model().selectedRule(), 0);
    EXPECT_EQ(settings->value("selectedFolder").toString().toStdString(), a.string());

    model().setSelection(Selection::activity());
    EXPECT_EQ(model().selectedRule(), std::nullopt);
    EXPECT_FALSE(settings->contains("selectedFolder"));
    model().setSelection(Selection::folder(5));
    EXPECT_FALSE(settings->contains("selectedFolder"));
}

TEST_F(ModelState, WindowsAndProblemsBringTheMainWindowForward)
{
    // A problem is shown on the main window: it comes forward when hidden.
    model().setProblem(app::Problem{"T", "M"});
    EXPECT_EQ(window.presented, 1);
    EXPECT_TRUE(model().visibleWindows().contains("main"));
    EXPECT_TRUE(settings->value("mainWindowOpen").toBool());
    model().setProblem(app::Problem{"T", "M"});
    EXPECT_EQ(window.presented, 1);

    model().setWindowVisible("settings", true);
    model().setWindowVisible("main", false);
    EXPECT_FALSE(settings->value("mainWindowOpen").toBool());
    model().setWindowVisible("settings", false);
    EXPECT_FALSE(settings->value("mainWindowOpen").toBool());
    EXPECT_TRUE(model().visibleWindows().isEmpty());
    model().setProblem(std::nullopt);
    EXPECT_EQ(window.presented, 1);
}

TEST_F(ModelState, OpenAtLoginFollowsTheRealState)
{
    autostart.enabled = true;
    EXPECT_TRUE(model().startAtLogin());
    model().setStartAtLogin(false);
    EXPECT_FALSE(model().startAtLogin());
    EXPECT_FALSE(model().loginError());

    autostart.failure = "no autostart folder";
    QSignalSpy changed(&model(), &Model::startAtLoginChanged);
    model().setStartAtLogin(true);
    EXPECT_FALSE(model().startAtLogin());
    EXPECT_EQ(model().loginError(), QString("no autostart folder"));
    EXPECT_EQ(changed.count(), 0);
    autostart.failure.reset();
    model().setStartAtLogin(true);
    EXPECT_TRUE(model().startAtLogin());
    EXPECT_FALSE(model().loginError());
}

TEST(XdgAutostart, TheEntryCountsWhileItStartsThisProgramAndIsNotSwitchedOff)
{
    const QString program = "/opt/Olva/bin/OlvaApp";
    const QString entry = app::XdgAutostart::entryText(program);
    struct Case {
        QString text;
        bool starts;
    };
    const std::vector<Case> cases{
        {entry, true},
        {QString(entry).replace("OlvaApp --at-login", "Other --at-login"), false},
        {entry + "Hidden=true\n", false},
        {QString(entry).replace("X-GNOME-Autostart-enabled=true", "X-GNOME-Autostart-enabled=false"), false},
        {"[Other Group]\nExec=/opt/Olva/bin/OlvaApp\n", false},
        {"[Desktop Entry]\nExec=\"/opt/Olva/bin/OlvaApp\" --at-login\n", true},
    };
    for (const Case& c : cases) EXPECT_EQ(app::XdgAutostart::entryStarts(c.text, program), c.starts) << c.text.toStdString();

    // Paths with blanks, quotes, dollars, backslashes and percent signs come back whole.
    for (QString odd : {QString("/opt/My Apps/Olva"), QString("/opt/it's \"$HOME\"/a\\b%c/Olva")})
        EXPECT_TRUE(app::XdgAutostart::entryStarts(app::XdgAutostart::entryText(odd), odd)) << odd.toStdString();
}

TEST(XdgAutostart, WritesAndRemovesTheEntryInTheConfigFolder)
{
    TempDir temp;
    ScopedEnv config("XDG_CONFIG_HOME", (temp.path() / "config").string());
    app::XdgAutostart autostart("/opt/Olva/bin/OlvaApp");
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_EQ(autostart.setEnabled(true), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_EQ(app::XdgAutostart::entryPath(), temp.path() / "config" / "autostart" / "tools.olva.app.desktop");
    EXPECT_FALSE(app::XdgAutostart("/usr/bin/other").isEnabled());
    EXPECT_EQ(autostart.setEnabled(false), std::nullopt);
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_FALSE(std::filesystem::exists(app::XdgAutostart::entryPath()));
    EXPECT_EQ(autostart.setEnabled(false), std::nullopt);
}

TEST(ModelStore, ADataDirectoryThatCannotBeMadeIsOneSentence)
{
    TempDir temp;
    writeFile(temp / "file", "x");
    ScopedEnv home("OLVA_HOME", (temp / "file" / "Olva").string());
    std::string error = thrownText<app::ModelError>([] { Model::openDefaultStore(); });
    EXPECT_EQ(error, "cannot create " + (temp / "file" / "Olva").string() + ": Not a directory");
    ScopedEnv fine("OLVA_HOME", (temp / "data").string());
    EXPECT_EQ(Model::openDefaultStore()->dir(), temp / "data");
}
