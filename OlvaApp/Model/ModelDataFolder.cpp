// The data folder going away while the app runs, and coming back: nothing
// is processed meanwhile, and afterwards only under the engine lock of the
// folder that is there now.
#include "Core/base/ActionError.h"
#include "Core/base/Paths.h"
#include "OlvaApp/Model/ModelPrivate.h"

namespace olva::app {

QString engineLockHeldText()
{
    return Model::tr("“olva run” is already processing the watched folders. Stop it, then open Olva again.");
}

void Model::Private::dataFolderChanged(bool present)
{
    if (!present) {
        if (model.engine_) model.engine_->suspend();
        setDataFolderProblem(Model::tr("Olva’s data folder %1 can’t be found. Nothing is processed until it’s back.")
                                 .arg(text(abbreviate(model.store_->dir().string()))));
        return;
    }
    const bool wasAway = model.dataFolderProblem_.has_value();
    setDataFolderProblem(std::nullopt);
    // Without an engine nothing acts, and nothing needs the lock.
    if (!model.engine_) return;
    if (!wasAway && model.store_->holdsEngineLock()) return;
    // The lock held is on a file nobody else can open: until it is taken
    // again where the folder is now, another program may take it there.
    model.engine_->suspend();
    try {
        model.store_->relockEngine();
    } catch (const ActionError&) {
        loseEngine(engineLockHeldText());
        return;
    } catch (const std::exception& error) {
        loseEngine(errorSentence(error));
        return;
    }
    // What the folder holds is read by the engine here, and by the model
    // when the rules watcher finds them changed. Looked at again when the
    // engine gets to it, should the folder have gone again meanwhile.
    auto store = model.store_;
    onEngine([store](Engine& engine) {
        if (store->holdsEngineLock()) engine.resume();
    });
}

void Model::Private::setDataFolderProblem(std::optional<QString> problem)
{
    if (problem == model.dataFolderProblem_) return;
    model.dataFolderProblem_ = std::move(problem);
    emit model.dataFolderProblemChanged();
}

void Model::Private::loseEngine(const QString& why)
{
    setLoadError(why);
    // Stopped on its own thread, where it may wait for a script to end.
    onEngine([](Engine& engine) { engine.stop(); });
    model.engine_.reset();
    emit model.engineChanged();
}

}  // namespace olva::app
