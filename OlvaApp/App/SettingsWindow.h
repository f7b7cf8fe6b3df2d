// The settings window: opening at login, the tray icon, and the way to the
// privacy policy. While it shows, it counts as one of the app's windows.
#pragma once

#include <QWidget>

class QCheckBox;
class QPushButton;

namespace olva::app {

class ErrorLabel;
class Model;

class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    SettingsWindow(Model& model, bool showInTray, QWidget* parent = nullptr);

    QCheckBox* openAtLogin() const { return openAtLogin_; }
    ErrorLabel* loginError() const { return loginError_; }
    QCheckBox* showInTray() const { return showInTray_; }
    QPushButton* privacyPolicy() const { return privacyPolicy_; }

signals:
    void showInTrayToggled(bool shown);
    void privacyPolicyRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void update();

    Model& model_;
    QCheckBox* openAtLogin_;
    ErrorLabel* loginError_;
    QCheckBox* showInTray_;
    QPushButton* privacyPolicy_;
};

}  // namespace olva::app
