#include "OlvaApp/App/AppShell.h"

#include "OlvaApp/App/AppCommands.h"
#include "OlvaApp/App/FileDialogPanels.h"
#include "OlvaApp/App/FileManagerWorkspace.h"
#include "OlvaApp/App/MainWindowHost.h"
#include "OlvaApp/App/PkexecRunner.h"
#include "OlvaApp/App/SettingsWindow.h"
#include "OlvaApp/App/StopSignals.h"
#include "OlvaApp/App/SystemClipboard.h"
#include "OlvaApp/App/Tray.h"
#include "OlvaApp/AppVersion.h"
#include "OlvaApp/ConnectView/ConnectWindow.h"
#include "OlvaApp/MainView/MainWindow.h"
#include "OlvaApp/Model/XdgAutostart.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PrivacyView/PrivacyWindow.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>

namespace olva::app {

namespace {

const QString showInTrayKey = QStringLiteral("showInMenuBar");
const QString mainWindowOpenKey = QStringLiteral("mainWindowOpen");

// Escape and Ctrl+W close the app's small windows, as they close every
// dialog on the desktop.
void closeWithKeys(QWidget* window)
{
    auto* close = new QAction(window);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    close->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(close, &QAction::triggered, window, &QWidget::close);
    window->addAction(close);
}

// A new window opens centred over the main window, or over the screen when
// that is hidden, and inside the screen either way.
void placeOver(QWidget* window, const QWidget* anchor)
{
    // At the size it will show at: styled, and laid out.
    window->ensurePolished();
    if (QLayout* layout = window->layout()) layout->activate();
    const bool overAnchor = anchor && anchor->isVisible() && !anchor->isMinimized();
    QScreen* screen = overAnchor ? anchor->screen() : QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect over = overAnchor ? anchor->frameGeometry() : area;
    QRect placed(QPoint(), window->size());
    placed.moveCenter(over.center());
    placed.moveLeft(std::clamp(placed.left(), area.left(), std::max(area.left(), area.right() + 1 - placed.width())));
    placed.moveTop(std::clamp(placed.top(), area.top(), std::max(area.top(), area.bottom() + 1 - placed.height())));
    window->move(placed.topLeft());
}

}  // namespace

struct AppShell::OwnServices {
    FileDialogPanels panels;
    FileManagerWorkspace workspace;
    SystemClipboard clipboard;
    PkexecRunner privileged;
    std::unique_ptr<XdgAutostart> autostart;
    std::unique_ptr<QSettings> settings;
};

AppShell::AppShell(ShellOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), own_(std::make_unique<OwnServices>())
{
    ModelServices& services = options_.services;
    if (!services.panels) services.panels = &own_->panels;
    if (!services.workspace) services.workspace = &own_->workspace;
    if (!services.clipboard) services.clipboard = &own_->clipboard;
    if (!services.privileged) services.privileged = &own_->privileged;
    if (!services.autostart) {
        own_->autostart = std::make_unique<XdgAutostart>(QString::fromStdString(options_.appExecutable));
        services.autostart = own_->autostart.get();
    }
    if (!services.settings) {
        own_->settings = std::make_unique<QSettings>(QStringLiteral("Olva"), QStringLiteral("Olva"));
        services.settings = own_->settings.get();
    }
    settings_ = services.settings;

    model_ = std::make_unique<Model>(Model::openDefaultStore(), services);
    service_ = std::make_unique<AppService>(*model_);
    commands_ = std::make_unique<AppCommands>(*model_, ShellActions{
                                                           .openSettings = [this] { openSettings(); },
                                                           .openConnect = [this] { openConnect(); },
                                                           .openPrivacy = [this] { openPrivacy(); },
                                                           .showAbout = [this] { showAbout(); },
                                                           .quit = [this] { quit(); },
                                                       });
    host_ = std::make_unique<MainWindowHost>(*model_, *settings_, [this](MainWindow& window) {
        window.setMenuBar(commands_->createMenuBar(window));
    });
    model_->setMainWindowPresenter(host_.get());
    tray_ = std::make_unique<Tray>(*model_, *commands_);

    // Quitting closes the windows; the main window must not count that as
    // the user's closing it.
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { host_->setQuitting(); });
    if (options_.handleStopSignals) {
        stopSignals_ = new StopSignals(this);
        connect(stopSignals_, &StopSignals::stopRequested, this, &AppShell::quit);
    }
}

AppShell::~AppShell()
{
    qApp->removeEventFilter(this);
    delete settingsWindow_.data();
    delete connectWindow_.data();
    delete privacyWindow_.data();
    // The views go before the model they show.
    tray_.reset();
    host_.reset();
    model_->setMainWindowPresenter(nullptr);
    commands_.reset();
    service_.reset();
    model_.reset();
}

SettingsWindow* AppShell::settingsWindow() const { return settingsWindow_; }
ConnectWindow* AppShell::connectWindow() const { return connectWindow_; }
PrivacyWindow* AppShell::privacyWindow() const { return privacyWindow_; }

AppService::Claim AppShell::claim() { return service_->claim(); }

bool AppShell::opensWindow(LaunchRequest::Kind kind) const
{
    switch (kind) {
    case LaunchRequest::Kind::open: return true;
    // After a login the window comes back only if it was open when the app
    // last ran.
    case LaunchRequest::Kind::atLogin: return settings_->value(mainWindowOpenKey, false).toBool();
    default: return false;
    }
}

void AppShell::launch(LaunchRequest::Kind kind)
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    tray_->setShown(settings_->value(showInTrayKey, true).toBool());
    const bool show = opensWindow(kind);
    // The window waits for what it shows first (the rules and the newest
    // activity), not for the engine and the older activity, which arrive
    // while it is up; it shows even when the start failed: it then says why.
    model_->ensureShowable().then(this, [this, show] {
        if (show) model_->openMainWindow();
    });
}

void AppShell::setShowInTray(bool shown)
{
    settings_->setValue(showInTrayKey, shown);
    tray_->setShown(shown);
}

void AppShell::bringForward(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void AppShell::openSettings()
{
    if (!settingsWindow_) {
        settingsWindow_ = new SettingsWindow(*model_, settings_->value(showInTrayKey, true).toBool());
        settingsWindow_->setAttribute(Qt::WA_DeleteOnClose);
        connect(settingsWindow_, &SettingsWindow::showInTrayToggled, this, &AppShell::setShowInTray);
        connect(settingsWindow_, &SettingsWindow::privacyPolicyRequested, this, &AppShell::openPrivacy);
        closeWithKeys(settingsWindow_);
        placeOver(settingsWindow_, host_->window());
    }
    bringForward(settingsWindow_);
}

void AppShell::openConnect()
{
    if (!connectWindow_) {
        std::optional<ToolLink> link;
        if (auto tool = toolBeside(options_.appExecutable))
            link.emplace(*tool, ToolLink::defaultLink, qgetenv("PATH").toStdString());
        connectWindow_ = new ConnectWindow(std::move(link), model_->services().privileged,
                                           model_->services().clipboard);
        connectWindow_->setAttribute(Qt::WA_DeleteOnClose);
        closeWithKeys(connectWindow_);
        // Its height follows what it finds; found now, it is placed at it.
        connectWindow_->checkInstalled();
        placeOver(connectWindow_, host_->window());
    }
    bringForward(connectWindow_);
}

void AppShell::openPrivacy()
{
    if (!privacyWindow_) {
        privacyWindow_ = new PrivacyWindow(*model_);
        privacyWindow_->setAttribute(Qt::WA_DeleteOnClose);
        privacyWindow_->resize(privacyWindow_->sizeHint());
        closeWithKeys(privacyWindow_);
        placeOver(privacyWindow_, host_->window());
    }
    bringForward(privacyWindow_);
}

void AppShell::showAbout()
{
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();
    auto* box = new QMessageBox(QMessageBox::NoIcon, tr("About Olva"),
                                tr("Olva %1\n\nOrganizes the files in the folders you watch, by your rules.")
                                    .arg(QString::fromLatin1(appVersion)),
                                QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("aboutBox"));
    box->setTextFormat(Qt::PlainText);
    box->setIconPixmap(namedIcon(QStringLiteral("tools.olva.app")).pixmap(64, 64));
    box->setAttribute(Qt::WA_DeleteOnClose);
    closeWithKeys(box);
    box->open();
}

void AppShell::quit()
{
    host_->setQuitting();
    QCoreApplication::quit();
}

bool AppShell::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Quit && watched == qApp) host_->setQuitting();
    return QObject::eventFilter(watched, event);
}

}  // namespace olva::app
