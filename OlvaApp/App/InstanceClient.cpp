#include "OlvaApp/App/InstanceClient.h"

#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/FileUri.h"
#include "OlvaApp/Model/IntentsAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QVariantMap>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::InstanceClient)
};

QDBusMessage methodCall(const QString& interface, const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(bus::serviceName, bus::objectPath, interface, method);
    message.setArguments(arguments);
    return message;
}

// The launcher's startup token, handed on so that the running app's window
// may come forward.
QVariantMap platformData()
{
    QVariantMap data;
    const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (!token.isEmpty()) data.insert(QStringLiteral("activation-token"), token);
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    if (!startupId.isEmpty()) data.insert(QStringLiteral("desktop-startup-id"), startupId);
    return data;
}

HandOver failed(const QString& sentence) { return {1, {}, sentence + u'\n'}; }

}  // namespace

InstanceClient::InstanceClient(QDBusConnection connection, QString program)
    : connection_(std::move(connection)), program_(std::move(program))
{
}

QDBusMessage InstanceClient::call(const QDBusMessage& message)
{
    // Events go on meanwhile, so an app in this very process can answer.
    return connection_.call(message, QDBus::BlockWithGui, static_cast<int>(callTimeout_.count()));
}

bool InstanceClient::startApp()
{
    QDBusServiceWatcher watcher(bus::serviceName, connection_, QDBusServiceWatcher::WatchForRegistration);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
    QTimer ceiling;
    ceiling.setSingleShot(true);
    QObject::connect(&ceiling, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The app outlives this launch: it must not hold its terminal or pipes.
    QProcess app;
    app.setProgram(program_);
    app.setArguments({QStringLiteral("--service")});
    app.setStandardInputFile(QProcess::nullDevice());
    app.setStandardOutputFile(QProcess::nullDevice());
    app.setStandardErrorFile(QProcess::nullDevice());
    if (!app.startDetached()) return false;
    ceiling.start(startTimeout_);
    // It may have claimed the name before the watcher listened.
    if (!connection_.interface()->isServiceRegistered(bus::serviceName)) loop.exec();
    return connection_.interface()->isServiceRegistered(bus::serviceName);
}

HandOver InstanceClient::handOver(const LaunchRequest& request)
{
    using Kind = LaunchRequest::Kind;
    if (!connection_.isConnected()) return failed(Words::tr("Olva can’t reach the session bus."));

    QDBusMessage message;
    switch (request.kind) {
    case Kind::open:
        message = methodCall(bus::applicationInterface, QStringLiteral("Activate"), {platformData()});
        break;
    case Kind::atLogin:
    case Kind::service:
        // The app runs already; a login or an activation adds nothing.
        return {};
    case Kind::pause:
    case Kind::resume:
        message = methodCall(bus::intentsInterface, QStringLiteral("SetPaused"), {request.kind == Kind::pause});
        break;
    case Kind::runNow:
        message = methodCall(bus::intentsInterface, QStringLiteral("RunRulesNow"));
        break;
    case Kind::explain:
        if (request.file.empty()) return failed(IntentsAdaptor::notAFileText());
        message = methodCall(bus::intentsInterface, QStringLiteral("ExplainFile"), {fileUri(request.file)});
        break;
    case Kind::usage:
        return {request.error.isEmpty() ? 0 : 2, request.error.isEmpty() ? usageText() : QString(),
                request.error.isEmpty() ? QString() : request.error + u'\n' + usageText()};
    case Kind::version:
        return {0, versionText(), {}};
    }

    // The bus starts the app itself where its service file is installed.
    QDBusMessage reply = call(message);
    if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")) {
        if (!startApp()) return failed(Words::tr("Olva didn’t start."));
        reply = call(message);
    }
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (reply.errorName() == bus::errorName) return failed(reply.errorMessage());
        return failed(Words::tr("Olva didn’t answer: %1").arg(reply.errorMessage()));
    }
    if (request.kind == Kind::explain && !reply.arguments().isEmpty())
        return {0, reply.arguments().constFirst().toString() + u'\n', {}};
    return {};
}

}  // namespace olva::app
