#include "OlvaApp/Model/ToolSignals.h"

#include "OlvaApp/Model/AppBus.h"

#include <QDBusConnection>

namespace olva::app {

namespace {

// The tool's signals come from the same path as the app's own object, on
// the interface named like the app.
const QString interfaceName = QStringLiteral("tools.olva.app");

}  // namespace

ToolSignals::ToolSignals(QObject* parent) : QObject(parent)
{
    QDBusConnection connection = bus::connectToSessionBus(QStringLiteral("tool-signals"));
    connectionName_ = connection.name();
    if (!connection.isConnected()) return;
    // Any sender: the tool has no well-known name.
    listening_ = connection.connect(QString(), bus::objectPath, interfaceName, QStringLiteral("rulesChanged"), this,
                             SLOT(onRulesChanged()))
                 && connection.connect(QString(), bus::objectPath, interfaceName, QStringLiteral("activityChanged"), this,
                                SLOT(onActivityChanged()));
}

ToolSignals::~ToolSignals()
{
    QDBusConnection::disconnectFromBus(connectionName_);
}

}  // namespace olva::app
