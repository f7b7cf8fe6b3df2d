// org.freedesktop.Application on the app's object: how the desktop, a
// second launch and the desktop file's actions reach the running app.
// Activate opens the main window once the model has started; the actions
// "pause", "resume" and "run-now" are the intents of the same names.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

namespace olva::app {

class BusEndpoint;

class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    // `parent` is the exported object; `call` its view of the call being
    // handled (Qt hands an adaptor's calls to its parent). The slots run on
    // the bus connection's thread and reach the model through `call`.
    ApplicationAdaptor(QObject* parent, BusEndpoint& call);

    // Takes the launcher's startup token from `platformData`, so that the
    // window the app raises next may come forward (Wayland's activation
    // token, X11's startup id). On the main thread.
    static void adoptActivationToken(const QVariantMap& platformData);

public slots:
    void Activate(const QVariantMap& platformData);
    // The app opens no documents: it comes forward as for Activate.
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap& platformData);

private:
    BusEndpoint& call_;
};

}  // namespace olva::app
