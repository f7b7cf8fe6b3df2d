#include "OlvaApp/App/MainWindowHost.h"

#include "OlvaApp/MainView/MainWindow.h"
#include "OlvaApp/Model/Model.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWindow>

namespace olva::app {

namespace {

const QString geometryKey = QStringLiteral("mainWindowGeometry");

}  // namespace

MainWindowHost::MainWindowHost(Model& model, QSettings& settings, std::function<void(MainWindow&)> decorate,
                               QObject* parent)
    : QObject(parent), model_(model), settings_(settings), decorate_(std::move(decorate))
{
}

MainWindowHost::~MainWindowHost()
{
    if (!window_) return;
    window_->removeEventFilter(this);
    if (window_->isVisible()) saveGeometry();
    delete window_.data();
}

void MainWindowHost::present()
{
    if (!window_) {
        window_ = new MainWindow(model_);
        window_->setObjectName(QStringLiteral("mainWindow"));
        if (decorate_) decorate_(*window_);
        if (!window_->restoreGeometry(settings_.value(geometryKey).toByteArray())) {
            window_->resize(1000, 640);
            if (QScreen* screen = QGuiApplication::primaryScreen())
                window_->move(screen->availableGeometry().center() - window_->rect().center());
        }
        window_->installEventFilter(this);
    }
    if (window_->isMinimized()) window_->showNormal();
    else window_->show();
    window_->raise();
    window_->activateWindow();
}

QUndoStack* MainWindowHost::undoStack() { return window_ ? window_->undoStack() : nullptr; }

void MainWindowHost::setQuitting()
{
    if (quitting_) return;
    quitting_ = true;
    if (window_ && window_->isVisible()) saveGeometry();
}

void MainWindowHost::saveGeometry() { settings_.setValue(geometryKey, window_->saveGeometry()); }

bool MainWindowHost::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Close && !quitting_) {
        // Runs before the window handles the event: a sheet that refuses to
        // close keeps the window open, so wait for the answer.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!window_ || window_->isVisible() || quitting_) return;
                model_.setWindowVisible(QStringLiteral("main"), false);
            },
            Qt::QueuedConnection);
        saveGeometry();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace olva::app
