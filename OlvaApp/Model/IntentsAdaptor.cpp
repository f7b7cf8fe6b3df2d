#include "OlvaApp/Model/IntentsAdaptor.h"

#include "OlvaApp/Model/BusEndpoint.h"
#include "OlvaApp/Model/FileUri.h"
#include "OlvaApp/Model/Model.h"

#include <QFuture>

namespace olva::app {

namespace {

QFuture<QVariant> withoutValue(QFuture<void> done)
{
    return done.then([] { return QVariant(); });
}

}  // namespace

IntentsAdaptor::IntentsAdaptor(QObject* parent, BusEndpoint& call) : QDBusAbstractAdaptor(parent), call_(call)
{
    setAutoRelaySignals(false);
}

QString IntentsAdaptor::notAFileText() { return tr("Choose a file in a watched folder, not a copy of one."); }

void IntentsAdaptor::SetPaused(bool paused)
{
    if (call_.refuseOverlongCall()) return;
    call_.answerFromModel([paused](Model& model) { return withoutValue(model.setPausedForIntent(paused)); });
}

void IntentsAdaptor::RunRulesNow()
{
    if (call_.refuseOverlongCall()) return;
    call_.answerFromModel([](Model& model) { return withoutValue(model.runRulesNow()); });
}

QString IntentsAdaptor::ExplainFile(const QString& uri)
{
    if (call_.refuseOverlongCall()) return {};
    const std::optional<std::filesystem::path> file = pathFromFileUri(uri);
    if (!file) {
        // Nothing to explain: the model is not even started for it.
        call_.refuse(notAFileText());
        return {};
    }
    call_.answerFromModel([file = *file](Model& model) {
        return model.explainForIntent(file).then(
            [](const Explained& explained) { return QVariant(Model::explanationSentence(explained)); });
    });
    return {};
}

}  // namespace olva::app
