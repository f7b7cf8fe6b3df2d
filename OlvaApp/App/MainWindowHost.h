// Makes the main window on first use, brings it forward when the model asks,
// and tells the model when the user closes it. Its size and place are kept
// in the settings. Closing it only hides it: the app goes on in the tray.
#pragma once

#include "OlvaApp/Model/MainWindowPresenter.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QSettings;

namespace olva::app {

class MainWindow;
class Model;

class MainWindowHost : public QObject, public MainWindowPresenter {
    Q_OBJECT

public:
    // `decorate` runs once on the new window, before it first shows (the
    // shell installs its menu bar there).
    MainWindowHost(Model& model, QSettings& settings, std::function<void(MainWindow&)> decorate = {},
                   QObject* parent = nullptr);
    ~MainWindowHost() override;

    void present() override;
    QUndoStack* undoStack() override;

    // The window, once made.
    MainWindow* window() const { return window_; }

    // From now on the window's closing is the app's quitting, not the user's
    // choice: it is no longer reported as closed.
    void setQuitting();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void saveGeometry();

    Model& model_;
    QSettings& settings_;
    std::function<void(MainWindow&)> decorate_;
    QPointer<MainWindow> window_;
    bool quitting_ = false;
};

}  // namespace olva::app
