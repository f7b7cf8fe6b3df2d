// Explaining a file, and the entries of the desktop's intents, which may
// arrive before the start has finished.
#include "Core/base/Paths.h"
#include "OlvaApp/Model/ModelError.h"
#include "OlvaApp/Model/ModelPrivate.h"
#include "OlvaApp/Model/OpenPanels.h"
#include "OlvaApp/Sentences/ExplanationSentence.h"
#include "OlvaApp/Sentences/PathText.h"

namespace olva::app {

namespace {

// The title of a file's explanation that failed.
QString couldNotExplain(const std::filesystem::path& file)
{
    return Model::tr("Couldn’t Explain “%1”").arg(lastComponent(text(file.string())));
}

}  // namespace

QString Model::Private::noEngineText() const
{
    return model.loadError_ ? *model.loadError_ : Model::tr("Olva couldn’t start.");
}

void Model::Private::explain(const std::filesystem::path& file, std::function<void(Attempt<Explained>)> done)
{
    onEngine<std::vector<Explanation>>(
        [file](Engine& engine) { return engine.explain(file); },
        [this, file, done = std::move(done)](Attempt<std::vector<Explanation>> rules) {
            if (!rules.value) return done({std::nullopt, rules.error});
            Explained explained;
            explained.file = file;
            explained.rules = std::move(*rules.value);
            const std::string real = realPath(file.string());
            for (const Folder& folder : model.config_.folders) {
                if (isInside(real, folderURL(folder).string())) {
                    explained.unwatched = unwatchedReason(model.config_, folder, real);
                    break;
                }
            }
            done({std::move(explained), {}});
        });
}

QFuture<void> Model::explainChosenFile(std::optional<std::filesystem::path> file)
{
    if (!d_->started) {
        // Asked while the start still runs: there is no engine yet, but
        // there may well be one in a moment.
        auto promise = std::make_shared<QPromise<void>>();
        promise->start();
        ensureStarted().then(this, [this, file, promise] {
            explainChosenFile(file).then(this, [promise] { promise->finish(); });
        });
        return promise->future();
    }
    if (!engine_) {
        setProblem(Problem{file ? couldNotExplain(*file) : tr("Couldn’t Explain a File"),
                           d_->noEngineText()});
        return QtFuture::makeReadyFuture();
    }
    if (!file) {
        // The panel starts where the file most likely is: the selected
        // watched folder, else the only one, else the home folder.
        std::vector<std::filesystem::path> places;
        if (auto folder = selectedFolder()) places.push_back(folderURL(config_.folders[*folder]));
        if (config_.folders.size() == 1) places.push_back(folderURL(config_.folders.front()));
        places.emplace_back(userHome());
        std::optional<std::filesystem::path> start;
        for (const auto& place : places) {
            std::error_code error;
            if (std::filesystem::is_directory(place, error)) {
                start = place;
                break;
            }
        }
        if (services_.panels)
            file = services_.panels->choose(OpenPanelRequest{.choose = OpenPanelRequest::Choose::files,
                                                             .canCreateFolders = false,
                                                             .message = tr("Choose a file in a watched folder"),
                                                             .startFolder = start,
                                                             .extensions = {}});
        if (!file) return QtFuture::makeReadyFuture();
    }
    openMainWindow();
    return explainFile(*file);
}

QFuture<void> Model::explainFile(const std::filesystem::path& file)
{
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    if (!engine_) {
        setProblem(Problem{couldNotExplain(file), d_->noEngineText()});
        promise->finish();
        return promise->future();
    }
    d_->explain(file, [this, file, promise](Attempt<Explained> explained) {
        if (explained.value) setExplained(std::move(*explained.value));
        else setProblem(Problem{couldNotExplain(file), explained.error});
        promise->finish();
    });
    return promise->future();
}

QFuture<Explained> Model::explainForIntent(const std::filesystem::path& file)
{
    auto promise = std::make_shared<QPromise<Explained>>();
    promise->start();
    ensureStarted().then(this, [this, file, promise] {
        if (!engine_) {
            promise->setException(ModelError(d_->noEngineText()));
            promise->finish();
            return;
        }
        d_->explain(file, [promise](Attempt<Explained> explained) {
            if (explained.value) promise->addResult(std::move(*explained.value));
            else promise->setException(ModelError(explained.error));
            promise->finish();
        });
    });
    return promise->future();
}

QFuture<void> Model::runRulesNow()
{
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    ensureStarted().then(this, [this, promise] {
        if (!engine_) {
            // Launchers drop the call's error: the app shows it too.
            setProblem(Problem{tr("Couldn’t Run Rules"), d_->noEngineText()});
            promise->setException(ModelError(d_->noEngineText()));
            promise->finish();
            return;
        }
        d_->onEngine<bool>(
            [](Engine& engine) {
                engine.scanAll();
                return true;
            },
            [promise](Attempt<bool> scanned) {
                if (!scanned.value) promise->setException(ModelError(scanned.error));
                promise->finish();
            });
    });
    return promise->future();
}

QFuture<void> Model::setPausedForIntent(bool paused)
{
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    ensureStarted().then(this, [this, paused, promise] {
        // Only a switch that reached the rules file pauses the engine; a
        // refused, failed or discarded save must not answer success.
        if (d_->setPaused(paused) != Private::Saved::written)
            promise->setException(ModelError(tr("Olva can’t save its rules right now. Open Olva to see why.")));
        promise->finish();
    });
    return promise->future();
}

QString Model::explanationSentence(const Explained& explained) { return app::explanationSentence(explained); }

}  // namespace olva::app
