// A stand-in for the desktop's tray host on the session bus: it owns
// org.kde.StatusNotifierWatcher, says a host is there, and keeps the items
// that register with it.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

namespace olva::test {

class FakeTrayHost : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    // Whether it took the name on the bus of the environment.
    bool publish();
    ~FakeTrayHost() override;

    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return items_; }
    QDBusConnection connection() const { return connection_; }

public slots:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& service);
    Q_SCRIPTABLE void RegisterStatusNotifierHost(const QString&) {}

signals:
    Q_SCRIPTABLE void StatusNotifierItemRegistered(const QString& service);

private:
    QDBusConnection connection_{QString()};
    QStringList items_;
};

}  // namespace olva::test
