#include "OlvaApp/Model/ToolSignals.h"

#include <QDBusConnection>

#include <atomic>

namespace olva::app {

namespace {

const QString objectPath = QStringLiteral("/tools/olva/app");
const QString interfaceName = QStringLiteral("tools.olva.app");

}  // namespace

ToolSignals::ToolSignals(QObject* parent) : QObject(parent)
{
    static std::atomic<int> made{0};
    connectionName_ = QStringLiteral("olva-tool-signals-%1").arg(made++);
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty()) return;
    QDBusConnection bus = QDBusConnection::connectToBus(address, connectionName_);
    if (!bus.isConnected()) return;
    // Any sender: the tool has no well-known name.
    listening_ = bus.connect(QString(), objectPath, interfaceName, QStringLiteral("rulesChanged"), this,
                             SLOT(onRulesChanged()))
                 && bus.connect(QString(), objectPath, interfaceName, QStringLiteral("activityChanged"), this,
                                SLOT(onActivityChanged()));
}

ToolSignals::~ToolSignals()
{
    QDBusConnection::disconnectFromBus(connectionName_);
}

}  // namespace olva::app
