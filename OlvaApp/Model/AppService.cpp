#include "OlvaApp/Model/AppService.h"

#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/BusEndpoint.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>

namespace olva::app {

AppService::AppService(Model& model, QObject* parent)
    : QObject(parent),
      connection_(bus::connectToSessionBus(QStringLiteral("app"))),
      endpoint_(new BusEndpoint(model, connection_))
{
}

AppService::~AppService()
{
    if (published_) connection_.unregisterObject(bus::objectPath);
    if (owned_) connection_.interface()->unregisterService(bus::serviceName);
    // Calls still held are let go on the endpoint's own thread.
    endpoint_->detach();
    endpoint_->deleteLater();
    QDBusConnection::disconnectFromBus(connection_.name());
}

AppService::Claim AppService::claim()
{
    if (!connection_.isConnected()) return Claim::noBus;
    published_ = connection_.registerObject(bus::objectPath, endpoint_, QDBusConnection::ExportAdaptors);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = connection_.interface()->registerService(
        bus::serviceName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        owned_ = true;
        return Claim::owned;
    }
    if (published_) connection_.unregisterObject(bus::objectPath);
    published_ = false;
    return reply.isValid() ? Claim::taken : Claim::noBus;
}

}  // namespace olva::app
