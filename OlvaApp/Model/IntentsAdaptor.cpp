#include "OlvaApp/Model/IntentsAdaptor.h"

#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/DelayedReply.h"
#include "OlvaApp/Model/FileUri.h"
#include "OlvaApp/Model/Model.h"

#include <QFuture>

namespace olva::app {

IntentsAdaptor::IntentsAdaptor(Model& model, QObject* parent, QDBusContext& call)
    : QDBusAbstractAdaptor(parent), model_(model), call_(call)
{
    setAutoRelaySignals(false);
}

QString IntentsAdaptor::notAFileText() { return tr("Choose a file in a watched folder, not a copy of one."); }

void IntentsAdaptor::SetPaused(bool paused)
{
    DelayedReply(call_).answerWhenDone(this, model_.setPausedForIntent(paused));
}

void IntentsAdaptor::RunRulesNow()
{
    DelayedReply(call_).answerWhenDone(this, model_.runRulesNow());
}

QString IntentsAdaptor::ExplainFile(const QString& uri)
{
    const std::optional<std::filesystem::path> file = pathFromFileUri(uri);
    if (!file) {
        // Nothing to explain: the model is not even started for it.
        call_.sendErrorReply(bus::errorName, notAFileText());
        return {};
    }
    DelayedReply(call_).answerWhenDone(this, model_.explainForIntent(*file), [](const QFuture<Explained>& done) {
        return QVariant(Model::explanationSentence(done.result()));
    });
    return {};
}

}  // namespace olva::app
