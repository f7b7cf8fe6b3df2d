// The app in one process: which launches open the main window, what closing
// it and quitting record, and the windows its commands open.
#include "OlvaApp/App/AppShell.h"
#include "OlvaApp/App/MainWindowHost.h"
#include "OlvaApp/App/SettingsWindow.h"
#include "OlvaApp/App/TextStyles.h"
#include "OlvaApp/ConnectView/ConnectWindow.h"
#include "OlvaApp/MainView/MainWindow.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/PrivacyView/PrivacyWindow.h"
#include "tests/app-shell/ShellFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QScreen>
#include <QTest>
#include <QMenuBar>
#include <QPushButton>

using namespace olva;
using namespace olva::test;
using app::AppShell;
using Kind = app::LaunchRequest::Kind;

namespace {

class Shell : public ModelFixture {
public:
    AppShell& shell()
    {
        if (!shell_) {
            app::ModelServices given = services;
            shell_ = std::make_unique<AppShell>(app::ShellOptions{.services = given, .appExecutable = appExecutable});
        }
        return *shell_;
    }

    void TearDown() override { shell_.reset(); }

    bool started() { return until([&] { return shell().model().hasEngine() || shell().model().loadError(); }); }
    bool windowShown()
    {
        app::MainWindow* window = shell().mainWindow().window();
        return window && window->isVisible();
    }

    std::string appExecutable = (temp.path() / "bin" / "OlvaApp").string();

private:
    std::unique_ptr<AppShell> shell_;
};

struct Opening {
    Kind kind;
    std::optional<bool> wasOpen;  // "mainWindowOpen" when the app last ran
    bool opens;
};

void PrintTo(const Opening& opening, std::ostream* out)
{
    *out << static_cast<int>(opening.kind) << (opening.wasOpen ? (*opening.wasOpen ? " was open" : " was closed") : "");
}

class Launches : public Shell, public ::testing::WithParamInterface<Opening> {};

TEST_P(Launches, OpenTheWindowOnceWhatItShowsIsRead)
{
    if (GetParam().wasOpen) settings->setValue(QStringLiteral("mainWindowOpen"), *GetParam().wasOpen);
    shell().launch(GetParam().kind);
    EXPECT_FALSE(windowShown());
    // Continuations run in order: by this one's turn the launch's has run.
    bool after = false;
    QObject context;
    shell().model().ensureShowable().then(&context, [&] { after = true; });
    ASSERT_TRUE(until([&] { return after; }));
    EXPECT_EQ(windowShown(), GetParam().opens);
    EXPECT_EQ(shell().model().visibleWindows().contains(QStringLiteral("main")), GetParam().opens);
}

INSTANTIATE_TEST_SUITE_P(Shell, Launches,
                         ::testing::Values(Opening{Kind::open, std::nullopt, true}, Opening{Kind::open, false, true},
                                           Opening{Kind::atLogin, std::nullopt, false},
                                           Opening{Kind::atLogin, false, false}, Opening{Kind::atLogin, true, true},
                                           Opening{Kind::service, true, false}));

TEST_F(Shell, ClosingTheWindowKeepsTheEngineAndIsRemembered)
{
    const auto inbox = folder("Inbox");
    writeRules(Config{.paused = false,
                      .folders = {watched(inbox, {extRule("Trash PDFs", "pdf", {Action::trash()})})},
                      .bookmarks = {}});
    shell().launch(Kind::open);
    ASSERT_TRUE(until([&] { return windowShown(); }));
    EXPECT_TRUE(settings->value(QStringLiteral("mainWindowOpen")).toBool());
    // The window carries the app's menu bar.
    EXPECT_EQ(shell().mainWindow().window()->menuBar()->actions().size(), 6);

    // Ctrl+W closes it as its close button does; Escape does not.
    app::MainWindow* window = shell().mainWindow().window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keySequence(window, QKeySequence(Qt::Key_Escape));
    EXPECT_TRUE(window->isVisible());
    QTest::keySequence(window, QKeySequence(Qt::CTRL | Qt::Key_W));
    ASSERT_TRUE(until([&] { return !shell().model().visibleWindows().contains(QStringLiteral("main")); }));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(settings->value(QStringLiteral("mainWindowOpen")).toBool());
    // The engine goes on with its work.
    writeFile(inbox / "a.pdf", "%PDF");
    EXPECT_TRUE(until([&] { return !std::filesystem::exists(inbox / "a.pdf"); }));

    // Opening it again brings back the same window.
    app::MainWindow* first = shell().mainWindow().window();
    shell().model().openMainWindow();
    EXPECT_EQ(shell().mainWindow().window(), first);
    EXPECT_TRUE(windowShown());
    EXPECT_TRUE(settings->value(QStringLiteral("mainWindowOpen")).toBool());
}

TEST_F(Shell, QuittingClosesTheWindowWithoutRecordingIt)
{
    shell().launch(Kind::open);
    ASSERT_TRUE(until([&] { return windowShown(); }));
    shell().mainWindow().window()->resize(777, 555);
    shell().mainWindow().setQuitting();
    shell().mainWindow().window()->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(settings->value(QStringLiteral("mainWindowOpen")).toBool());
    // The size is kept for the next start.
    EXPECT_FALSE(settings->value(QStringLiteral("mainWindowGeometry")).toByteArray().isEmpty());
}

TEST_F(Shell, TheWindowComesBackWhereItWas)
{
    shell().launch(Kind::open);
    ASSERT_TRUE(until([&] { return windowShown(); }));
    shell().mainWindow().window()->resize(1123, 705);
    shell().mainWindow().window()->close();
    ASSERT_TRUE(until([&] { return !shell().model().visibleWindows().contains(QStringLiteral("main")); }));

    app::MainWindowHost again(shell().model(), *settings);
    again.present();
    EXPECT_EQ(again.window()->size(), QSize(1123, 705));
}

TEST_F(Shell, TheTrayFollowsItsSettingWhichNothingElseWrites)
{
    shell().launch(Kind::service);
    EXPECT_TRUE(shell().tray().isShown());
    EXPECT_FALSE(settings->contains(QStringLiteral("showInMenuBar")));

    shell().openSettings();
    app::SettingsWindow* window = shell().settingsWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(shell().model().visibleWindows().contains(QStringLiteral("settings")));
    EXPECT_TRUE(window->showInTray()->isChecked());
    window->showInTray()->click();
    EXPECT_FALSE(shell().tray().isShown());
    EXPECT_FALSE(settings->value(QStringLiteral("showInMenuBar")).toBool());
    window->showInTray()->click();
    EXPECT_TRUE(shell().tray().isShown());
    EXPECT_TRUE(settings->value(QStringLiteral("showInMenuBar")).toBool());

    window->close();
    EXPECT_FALSE(shell().model().visibleWindows().contains(QStringLiteral("settings")));
    EXPECT_TRUE(until([&] { return !shell().settingsWindow(); }));
}

TEST_F(Shell, AHiddenTrayStaysHiddenAtTheNextStart)
{
    settings->setValue(QStringLiteral("showInMenuBar"), false);
    shell().launch(Kind::atLogin);
    EXPECT_FALSE(shell().tray().isShown());
}

TEST_F(Shell, OpenAtLoginShowsTheDesktopsStateAndItsFailure)
{
    shell().openSettings();
    app::SettingsWindow* window = shell().settingsWindow();
    EXPECT_FALSE(window->openAtLogin()->isChecked());
    window->openAtLogin()->click();
    EXPECT_TRUE(autostart.enabled);
    EXPECT_TRUE(window->openAtLogin()->isChecked());
    EXPECT_TRUE(window->loginError()->isHidden());

    autostart.failure = QStringLiteral("The autostart folder is read-only.");
    window->openAtLogin()->click();
    // The switch follows what the desktop holds, and the failure shows in red.
    EXPECT_TRUE(window->openAtLogin()->isChecked());
    EXPECT_FALSE(window->loginError()->isHidden());
    EXPECT_EQ(window->loginError()->text(), QStringLiteral("The autostart folder is read-only."));
    EXPECT_EQ(window->loginError()->palette().color(QPalette::WindowText), app::errorRed(window->palette()));

    autostart.failure.reset();
    window->openAtLogin()->click();
    EXPECT_FALSE(autostart.enabled);
    EXPECT_TRUE(window->loginError()->isHidden());
    EXPECT_EQ(window->width(), 420);

    window->privacyPolicy()->click();
    ASSERT_TRUE(shell().privacyWindow());
    EXPECT_TRUE(shell().privacyWindow()->isVisible());
    EXPECT_TRUE(shell().model().visibleWindows().contains(QStringLiteral("privacy")));
}

TEST_F(Shell, EachWindowOpensOnceAndNoneAtLaunch)
{
    shell().launch(Kind::open);
    EXPECT_FALSE(shell().privacyWindow());
    EXPECT_FALSE(shell().connectWindow());
    shell().commands().showPrivacy()->trigger();
    shell().commands().showPrivacy()->trigger();
    shell().commands().showConnect()->trigger();
    app::ConnectWindow* connect = shell().connectWindow();
    ASSERT_TRUE(connect);
    shell().commands().showConnect()->trigger();
    EXPECT_EQ(shell().connectWindow(), connect);
    // No tool beside this app: the window says so.
    EXPECT_FALSE(connect->installButton());
    EXPECT_EQ(connect->size(), QSize(520, 240));
    EXPECT_EQ(connect->windowTitle(), QStringLiteral("Terminal and AI Apps"));
    EXPECT_EQ(shell().privacyWindow()->windowTitle(), QStringLiteral("Olva Privacy Policy"));
}

TEST_F(Shell, AToolBesideTheAppIsOffered)
{
    std::filesystem::create_directories(temp.path() / "bin");
    writeFile(temp.path() / "bin" / "olva", "#!/bin/sh\n");
    std::filesystem::permissions(temp.path() / "bin" / "olva", std::filesystem::perms::owner_all);
    shell().openConnect();
    ASSERT_TRUE(shell().connectWindow()->installButton());
    EXPECT_TRUE(shell().connectWindow()->commandLineSnippet());
}

TEST_F(Shell, SmallWindowsOpenCentredAndCloseWithEscapeOrCtrlW)
{
    shell().launch(Kind::open);
    ASSERT_TRUE(started());
    ASSERT_TRUE(until([&] { return windowShown(); }));
    app::MainWindow* main = shell().mainWindow().window();
    // (inside the test screen, which is small)
    main->setGeometry(QRect(40, 60, 720, 700));
    QCoreApplication::processEvents();

    struct Window {
        const char* name;
        std::function<void()> open;
        std::function<QWidget*()> get;
        bool placedByShell = true;  // else by the dialog, over the window it belongs to
    };
    const Window windows[] = {
        {"settings", [&] { shell().openSettings(); }, [&]() -> QWidget* { return shell().settingsWindow(); }},
        {"connect", [&] { shell().openConnect(); }, [&]() -> QWidget* { return shell().connectWindow(); }},
        {"privacy", [&] { shell().openPrivacy(); }, [&]() -> QWidget* { return shell().privacyWindow(); }},
        {"about", [&] { shell().showAbout(); },
         []() -> QWidget* {
             for (QWidget* window : QApplication::topLevelWidgets())
                 if (window->objectName() == QStringLiteral("aboutBox")) return window;
             return nullptr;
         },
         false},
    };
    for (const Window& window : windows) {
        for (QKeySequence key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            SCOPED_TRACE(window.name + (" " + key.toString().toStdString()));
            window.open();
            QWidget* shown = window.get();
            ASSERT_TRUE(shown);
            EXPECT_TRUE(shown->isVisible());
            // (give or take the frame, which a window gets only once shown)
            if (window.placedByShell) {
                EXPECT_LE((shown->frameGeometry().center() - main->frameGeometry().center()).manhattanLength(), 8)
                    << "over the main window";
            }
            shown->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(shown, hangGuardMs));
            QTest::keySequence(shown, key);
            EXPECT_TRUE(until([&] { return !window.get(); })) << "closed, and gone";
        }
    }

    // With the main window hidden, over the screen instead, inside it.
    main->hide();
    shell().openSettings();
    const QRect screen = shell().settingsWindow()->screen()->availableGeometry();
    EXPECT_LE((shell().settingsWindow()->frameGeometry().center() - screen.center()).manhattanLength(), 8);
    EXPECT_TRUE(screen.contains(shell().settingsWindow()->frameGeometry()));
}

}  // namespace
