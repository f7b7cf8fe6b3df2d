// The side of a launch that finds the app already running: it hands its
// request to that app over the session bus and reports the answer. An
// intent for an app that is not running starts one first, as D-Bus
// activation would, and then asks it.
#pragma once

#include "OlvaApp/App/LaunchRequest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

#include <chrono>

namespace olva::app {

struct HandOver {
    int status = 0;  // the launch's exit status
    QString output;  // for standard output (the explanation), with its line end
    QString error;   // for standard error, with its line end
};

class InstanceClient {
public:
    // `program`: what starts the app as D-Bus activation would (this
    // program, given --service).
    InstanceClient(QDBusConnection connection, QString program);

    HandOver handOver(const LaunchRequest& request);

    // How long an intent may take: the engine may be running a script.
    void setCallTimeout(std::chrono::milliseconds timeout) { callTimeout_ = timeout; }
    // How long a started app may take to claim its name.
    void setStartTimeout(std::chrono::milliseconds timeout) { startTimeout_ = timeout; }

private:
    QDBusMessage call(const QDBusMessage& message);
    // Starts the app and waits until it owns its name; whether it does.
    bool startApp();

    QDBusConnection connection_;
    QString program_;
    std::chrono::milliseconds callTimeout_ = std::chrono::minutes(3);
    std::chrono::milliseconds startTimeout_ = std::chrono::seconds(30);
};

}  // namespace olva::app
