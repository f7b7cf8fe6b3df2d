// The app's intents on the session bus (tools.olva.app.Intents): pause or
// resume every rule, run the rules now, and explain a file. Each waits for
// the model's start, so a call that launched the app is answered once it
// runs; a failure is the error tools.olva.app.Error with its sentence.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QString>

namespace olva::app {

class BusEndpoint;

class IntentsAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "tools.olva.app.Intents")

public:
    // `parent` is the exported object; `call` its view of the call being
    // handled (Qt hands an adaptor's calls to its parent). The slots run on
    // the bus connection's thread and reach the model through `call`.
    IntentsAdaptor(QObject* parent, BusEndpoint& call);

    // What an explanation says when its argument names no file on disk.
    static QString notAFileText();

public slots:
    void SetPaused(bool paused);
    void RunRulesNow();
    // `uri`: a file URI. Answers the sentence that sums up the explanation.
    QString ExplainFile(const QString& uri);

private:
    BusEndpoint& call_;
};

}  // namespace olva::app
