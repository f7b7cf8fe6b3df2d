// The names under which the running app answers on the session bus: one
// object that activates the app, as desktops expect of a D-Bus activatable
// application, and carries the intents that scripts and launchers call.
#pragma once

#include <QDBusConnection>
#include <QString>

namespace olva::app::bus {

inline const QString serviceName = QStringLiteral("tools.olva.app");
inline const QString objectPath = QStringLiteral("/tools/olva/app");
inline const QString applicationInterface = QStringLiteral("org.freedesktop.Application");
inline const QString intentsInterface = QStringLiteral("tools.olva.app.Intents");
// The error an intent fails with; its message is the sentence to show.
inline const QString errorName = QStringLiteral("tools.olva.app.Error");

// A connection of the caller's own to the session bus that
// DBUS_SESSION_BUS_ADDRESS names now (Qt's shared session connection keeps
// the first address it saw, which tests with private buses cannot use).
// Not connected when there is no bus. `purpose` makes the connection's name.
QDBusConnection connectToSessionBus(const QString& purpose);

}  // namespace olva::app::bus
