// The running app's object on the session bus, and its claim on the name
// tools.olva.app, which makes the app a single instance: whoever owns the
// name is the app, every later launch hands its request over.
#pragma once

#include <QDBusConnection>
#include <QObject>

namespace olva::app {

class BusEndpoint;
class Model;

// Lives on the main thread; the object it publishes (BusEndpoint) lives on
// the connection's thread.
class AppService : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        owned,  // this process is the app
        taken,  // another process is: hand the request over to it
        noBus,  // no session bus: the app runs alone, unreachable
    };

    // Connects to the session bus of the environment.
    explicit AppService(Model& model, QObject* parent = nullptr);
    ~AppService() override;

    // Publishes the object, then asks for the name, so that no call can
    // arrive at a name whose object is missing. When the name is taken the
    // object is withdrawn again.
    Claim claim();

    QDBusConnection connection() const { return connection_; }

private:
    QDBusConnection connection_;
    BusEndpoint* endpoint_;
    bool published_ = false;
    bool owned_ = false;
};

}  // namespace olva::app
