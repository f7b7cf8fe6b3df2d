#include "tests/app-shell/FakeTrayHost.h"

#include "OlvaApp/Model/AppBus.h"

#include <QDBusConnectionInterface>

namespace olva::test {

bool FakeTrayHost::publish()
{
    connection_ = app::bus::connectToSessionBus(QStringLiteral("tray-host"));
    return connection_.isConnected()
        && connection_.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                      QDBusConnection::ExportScriptableContents | QDBusConnection::ExportAllProperties)
        && connection_.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

FakeTrayHost::~FakeTrayHost()
{
    if (connection_.isConnected()) QDBusConnection::disconnectFromBus(connection_.name());
}

void FakeTrayHost::RegisterStatusNotifierItem(const QString& service)
{
    // Items name either their service, or their object path on the caller's.
    items_ << service;
    emit StatusNotifierItemRegistered(service);
}

}  // namespace olva::test
