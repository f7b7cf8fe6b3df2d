#include "OlvaApp/Model/ApplicationAdaptor.h"

#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/DelayedReply.h"
#include "OlvaApp/Model/Model.h"

#include <QPointer>

namespace olva::app {

ApplicationAdaptor::ApplicationAdaptor(Model& model, QObject* parent, QDBusContext& call)
    : QDBusAbstractAdaptor(parent), model_(model), call_(call)
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
    adoptActivationToken(platformData);
    // The window never shows before the start has finished.
    QPointer<Model> model(&model_);
    model_.ensureStarted().then(this, [model] {
        if (model) model->openMainWindow();
    });
}

void ApplicationAdaptor::Open(const QStringList&, const QVariantMap& platformData) { Activate(platformData); }

void ApplicationAdaptor::ActivateAction(const QString& name, const QVariantList&, const QVariantMap&)
{
    QFuture<void> done;
    if (name == QStringLiteral("pause")) done = model_.setPausedForIntent(true);
    else if (name == QStringLiteral("resume")) done = model_.setPausedForIntent(false);
    else if (name == QStringLiteral("run-now")) done = model_.runRulesNow();
    else {
        call_.sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                       tr("Olva has no action named “%1”.").arg(name));
        return;
    }
    DelayedReply(call_).answerWhenDone(this, done);
}

}  // namespace olva::app
