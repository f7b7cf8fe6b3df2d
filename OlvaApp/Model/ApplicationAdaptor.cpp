#include "OlvaApp/Model/ApplicationAdaptor.h"

#include "OlvaApp/Model/BusEndpoint.h"
#include "OlvaApp/Model/Model.h"

#include <QPointer>

namespace olva::app {

ApplicationAdaptor::ApplicationAdaptor(QObject* parent, BusEndpoint& call) : QDBusAbstractAdaptor(parent), call_(call)
{
    setAutoRelaySignals(false);
}

void ApplicationAdaptor::adoptActivationToken(const QVariantMap& platformData)
{
    // Qt's Wayland and X11 backends read these when a window is activated.
    const QString token = platformData.value(QStringLiteral("activation-token")).toString();
    if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    const QString startupId = platformData.value(QStringLiteral("desktop-startup-id")).toString();
    if (!startupId.isEmpty()) qputenv("DESKTOP_STARTUP_ID", startupId.toUtf8());
}

void ApplicationAdaptor::Activate(const QVariantMap& platformData)
{
    if (call_.refuseOverlongCall()) return;
    // Answered once the token is taken, as it was when the call came.
    call_.answerFromModel([platformData](Model& model) {
        adoptActivationToken(platformData);
        // The window never shows before the start has finished.
        QPointer<Model> started(&model);
        model.ensureStarted().then(&model, [started] {
            if (started) started->openMainWindow();
        });
        return QtFuture::makeReadyFuture(QVariant());
    });
}

void ApplicationAdaptor::Open(const QStringList&, const QVariantMap& platformData) { Activate(platformData); }

void ApplicationAdaptor::ActivateAction(const QString& name, const QVariantList&, const QVariantMap&)
{
    if (call_.refuseOverlongCall()) return;
    std::function<QFuture<void>(Model&)> work;
    if (name == QStringLiteral("pause")) work = [](Model& model) { return model.setPausedForIntent(true); };
    else if (name == QStringLiteral("resume")) work = [](Model& model) { return model.setPausedForIntent(false); };
    else if (name == QStringLiteral("run-now")) work = [](Model& model) { return model.runRulesNow(); };
    else {
        call_.sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                             tr("Olva has no action named “%1”.").arg(name));
        return;
    }
    call_.answerFromModel([work](Model& model) { return work(model).then([] { return QVariant(); }); });
}

}  // namespace olva::app
