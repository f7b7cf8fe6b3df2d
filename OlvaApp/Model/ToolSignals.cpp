#include "OlvaApp/Model/ToolSignals.h"

#include "OlvaApp/Model/AppBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace olva::app {

namespace {

// The tool's signals come from the same path as the app's own object, on
// the interface named like the app.
const QString interfaceName = QStringLiteral("tools.olva.app");

}  // namespace

ToolSignalRelay::~ToolSignalRelay()
{
    // Qt's connection hears of a receiver's end through a blocking queued
    // call, which deadlocks on the connection's own thread; the connection
    // is gone by now and needs no word.
    disconnect(this, &QObject::destroyed, nullptr, nullptr);
}

ToolSignals::ToolSignals(QObject* parent) : QObject(parent)
{
    QDBusConnection connection = bus::connectToSessionBus(QStringLiteral("tool-signals"));
    connectionName_ = connection.name();
    if (!connection.isConnected()) return;
    relay_ = new ToolSignalRelay;
    relay_->moveToThread(connection.interface()->thread());
    // Across threads, so queued: the signals reach the app on this object's thread.
    connect(relay_, &ToolSignalRelay::rulesChanged, this, &ToolSignals::rulesChanged);
    connect(relay_, &ToolSignalRelay::activityChanged, this, &ToolSignals::activityChanged);
    // Any sender: the tool has no well-known name.
    listening_ = connection.connect(QString(), bus::objectPath, interfaceName, QStringLiteral("rulesChanged"), relay_,
                                    SLOT(onRulesChanged()))
                 && connection.connect(QString(), bus::objectPath, interfaceName, QStringLiteral("activityChanged"),
                                       relay_, SLOT(onActivityChanged()));
}

ToolSignals::~ToolSignals()
{
    QDBusConnection::disconnectFromBus(connectionName_);
    if (relay_) relay_->deleteLater();
}

}  // namespace olva::app
