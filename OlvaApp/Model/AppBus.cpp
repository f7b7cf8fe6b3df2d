#include "OlvaApp/Model/AppBus.h"

#include <atomic>

namespace olva::app::bus {

QDBusConnection connectToSessionBus(const QString& purpose)
{
    static std::atomic<int> made{0};
    const QString name = QStringLiteral("olva-%1-%2").arg(purpose).arg(made++);
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty()) return QDBusConnection(name);
    return QDBusConnection::connectToBus(address, name);
}

}  // namespace olva::app::bus
