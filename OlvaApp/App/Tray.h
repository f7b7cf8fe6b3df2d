// The app's face in the system tray: an icon that tells whether the rules
// are watching, paused or need attention, and a menu with the status, the
// folders that have a problem, the pause switch, the five latest entries
// and the ways into the app. The menu follows the model as it changes.
#pragma once

#include "OlvaApp/App/TrayTexts.h"

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace olva::app {

class AppCommands;
class Model;

class Tray : public QObject {
    Q_OBJECT

public:
    Tray(Model& model, AppCommands& commands, QObject* parent = nullptr);
    ~Tray() override;

    // Puts the icon in the tray or takes it out.
    void setShown(bool shown);
    bool isShown() const { return icon_ != nullptr; }
    // The icon, while shown.
    QSystemTrayIcon* icon() const { return icon_; }

    QMenu* menu() const { return menu_; }
    TrayState state() const;

private:
    void rebuild();
    void updateIcon();

    Model& model_;
    AppCommands& commands_;
    QMenu* menu_;
    QAction* openMain_;
    QAction* settings_;
    QAction* quit_;
    QSystemTrayIcon* icon_ = nullptr;
};

}  // namespace olva::app
