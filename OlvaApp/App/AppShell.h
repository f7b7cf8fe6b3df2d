// The running app: its model and the desktop services it is given, its
// object and name on the session bus, the main window, menu bar and tray,
// and the settings, privacy and "Terminal and AI Apps" windows. A launch
// claims the bus name first; when another process holds it, that process is
// the app and this one only hands its request over.
#pragma once

#include "OlvaApp/App/LaunchRequest.h"
#include "OlvaApp/Model/AppService.h"
#include "OlvaApp/Model/Model.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>
#include <string>

class QSettings;
class QWidget;

namespace olva::app {

class AppCommands;
class ConnectWindow;
class MainWindowHost;
class PrivacyWindow;
class SettingsWindow;
class StopSignals;
class Tray;

struct ShellOptions {
    // Desktop services to use instead of the real ones (tests inject
    // fakes); the settings, when given, stand for the app's own.
    ModelServices services;
    // Where the command-line tool is looked for: beside this program.
    std::string appExecutable;
    // Quit on SIGTERM, SIGINT and SIGHUP.
    bool handleStopSignals = false;
};

class AppShell : public QObject {
    Q_OBJECT

public:
    explicit AppShell(ShellOptions options = {}, QObject* parent = nullptr);
    ~AppShell() override;

    // Publishes the app on the session bus and claims its name.
    AppService::Claim claim();

    // Runs the launch: the tray, the model's start, and then, for an
    // ordinary launch or a login launch after which the main window was
    // open last time, the main window.
    void launch(LaunchRequest::Kind kind);

    // Whether the launch of `kind` opens the main window once started.
    bool opensWindow(LaunchRequest::Kind kind) const;

    Model& model() { return *model_; }
    MainWindowHost& mainWindow() { return *host_; }
    AppCommands& commands() { return *commands_; }
    Tray& tray() { return *tray_; }
    QSettings& settings() { return *settings_; }

    void openSettings();
    void openConnect();
    void openPrivacy();
    void showAbout();
    // Ends the app as its Quit command does.
    void quit();
    void setShowInTray(bool shown);

    // The open windows; null while closed.
    SettingsWindow* settingsWindow() const;
    ConnectWindow* connectWindow() const;
    PrivacyWindow* privacyWindow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The real desktop services, where the options gave none.
    struct OwnServices;

    void bringForward(QWidget* window);

    ShellOptions options_;
    std::unique_ptr<OwnServices> own_;
    QSettings* settings_ = nullptr;
    std::unique_ptr<Model> model_;
    std::unique_ptr<AppService> service_;
    std::unique_ptr<MainWindowHost> host_;
    std::unique_ptr<AppCommands> commands_;
    std::unique_ptr<Tray> tray_;
    StopSignals* stopSignals_ = nullptr;
    QPointer<SettingsWindow> settingsWindow_;
    QPointer<ConnectWindow> connectWindow_;
    QPointer<PrivacyWindow> privacyWindow_;
};

}  // namespace olva::app
