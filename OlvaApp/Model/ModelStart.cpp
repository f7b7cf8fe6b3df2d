// The start: the engine lock, the rules, the engine, and the reactions to
// the engine and to changes made by the command-line tool.
#include "Core/base/ActionError.h"
#include "Core/base/DecodingError.h"
#include "OlvaApp/Model/ModelPrivate.h"

#include <utility>

namespace olva::app {

namespace {

// What a failed load of the rules file says, and what to do about it. Most
// reasons name the file themselves; it is named once.
QString unreadableRules(const Store& store, const std::exception& error)
{
    const std::string file = (store.dir() / "rules.json").string();
    std::string reason = errorSentence(error).toStdString();
    if (const auto* decoding = dynamic_cast<const DecodingError*>(&error);
        decoding && decoding->detail().find(file) != std::string::npos)
        reason = decoding->detail();
    if (reason.find(file) != std::string::npos)
        return Model::tr("%1. Fix the file or move it aside, then open Olva again.").arg(text(reason));
    return Model::tr("%1 can’t be read: %2. Fix the file or move it aside, then open Olva again.")
        .arg(text(file), text(reason));
}

}  // namespace

QFuture<void> Model::ensureStarted()
{
    if (d_->started) return QtFuture::makeReadyFuture();
    // A future of its own for every caller: Qt keeps one continuation per
    // future, so a shared one would drop all but the last caller's.
    auto waiter = std::make_shared<QPromise<void>>();
    waiter->start();
    d_->startWaiters.push_back(waiter);
    if (!d_->startRequested) {
        d_->startRequested = true;
        d_->start();
    }
    return waiter->future();
}

QFuture<void> Model::ensureShowable()
{
    if (!d_->startRequested) {
        d_->startRequested = true;
        d_->start();
    }
    if (d_->showable) return QtFuture::makeReadyFuture();
    auto waiter = std::make_shared<QPromise<void>>();
    waiter->start();
    d_->showWaiters.push_back(waiter);
    return waiter->future();
}

void Model::Private::startEnded()
{
    started = true;
    engineWorkDuringStart.clear();
    becomeShowable();
    auto waiters = std::move(startWaiters);
    startWaiters.clear();
    for (const auto& waiter : waiters) waiter->finish();
}

void Model::Private::becomeShowable()
{
    if (showable) return;
    showable = true;
    auto waiters = std::move(showWaiters);
    showWaiters.clear();
    for (const auto& waiter : waiters) waiter->finish();
}

void Model::Private::start()
{
    try {
        model.store_->lockEngine();
    } catch (const ActionError&) {
        setLoadError(engineLockHeldText());
        startEnded();
        return;
    } catch (const std::exception& error) {
        setLoadError(errorSentence(error));
        startEnded();
        return;
    }

    try {
        setConfig(model.store_->loadConfig());
    } catch (const std::exception& error) {
        failStart(unreadableRules(*model.store_, error));
        return;
    }

    const QVariant remembered = settings().value(QStringLiteral("selectedFolder"));
    if (remembered.isValid()) {
        const std::string path = remembered.toString().toStdString();
        const auto& folders = model.config_.folders;
        for (std::size_t i = 0; i < folders.size(); ++i) {
            if (folders[i].path == path) {
                model.setSelection(Selection::folder(static_cast<int>(i)));
                break;
            }
        }
    }
    model.reopenBookmarks();

    // The window needs only the newest activity: it is read now, beside the
    // engine, and the whole log follows the engine.
    readNewestEntries();
    createEngine();
}

void Model::Private::createEngine()
{
    // Creating the engine reads the seen file, which may be large. The
    // engine gets a store of its own on the same directory: each of its
    // reloads reads the rules file, and were that the model's store, a file
    // another program wrote just before would count as known, and the model
    // would neither reload it nor notice it before saving over it.
    auto store = model.store_;
    deliver(QtConcurrent::run(&enginePool, [store, settle = model.services_.settle]() -> Attempt<std::shared_ptr<Engine>> {
        try {
            return {Engine::create(std::make_shared<Store>(store->dir()), settle), {}};
        } catch (const ActionError& error) {
            // The seen file's own sentence says what to do.
            return {std::nullopt, errorSentence(error)};
        } catch (const std::exception& error) {
            return {std::nullopt, unreadableRules(*store, error)};
        }
    }), [this](Attempt<std::shared_ptr<Engine>> created) { engineCreated(std::move(created)); });
}

void Model::Private::engineCreated(Attempt<std::shared_ptr<Engine>> created)
{
    if (!created.value) {
        failStart(created.error);
        return;
    }
    const bool madeAgain = model.engine_ != nullptr;
    model.engine_ = *created.value;
    emit model.engineChanged();
    if (madeAgain) {
        startEngine();
        return;
    }
    model.refresh().then(&model, [this] { startEngine(); });
}

void Model::Private::startEngine()
{
    // The window is up while the engine is made and the log read: rules
    // saved meanwhile may have come after the engine read them, so it is
    // made again. A reload would scan the folders before the start
    // recovered the runs a crash interrupted.
    if (std::exchange(rulesChangedDuringStart, false)) {
        createEngine();
        return;
    }
    engineStarting = true;
    // What those saves asked of the engine besides the new rules (the
    // carry-over of an edited rule's handled files), before it starts.
    for (auto& work : std::exchange(engineWorkDuringStart, {})) onEngine(std::move(work));

    // Callbacks arrive on the engine's thread; the link drops them once
    // the model is gone.
    auto link = this->link;
    Model* target = &model;
    onEngine<bool>(
        [link, target](Engine& engine) {
            engine.onEntry([link, target](const Entry&) { link->post([target] { target->scheduleRefresh(); }); });
            engine.onStatus([link, target](const std::map<std::string, FolderStatus>& statuses) {
                link->post([target, statuses] { target->d_->setFolderStatus(statuses); });
            });
            engine.onStoreProblem([link, target](const std::optional<std::string>& problem) {
                std::optional<QString> message;
                if (problem) message = text(*problem);
                link->post([target, message] { target->d_->setStoreProblem(message); });
            });
            engine.start();
            return true;
        },
        [this](Attempt<bool>) {
            wakeObservers = rescanOnWake(model.engine_);
            observeTool();
            startEnded();
        });
}

void Model::Private::failStart(const QString& error)
{
    // A failed start has no engine and has read no log: what the window
    // showed of either meanwhile goes.
    newestPending = false;
    newestShown = false;
    if (model.engine_) {
        model.engine_.reset();
        emit model.engineChanged();
    }
    if (!model.entries_.empty()) replaceEntries({}, {}, {});
    model.logPosition_ = {};
    setLoadError(error);
    observeTool();
    startEnded();
}

void Model::Private::observeTool()
{
    auto link = this->link;
    Model* target = &model;
    rulesWatcher = std::make_unique<RulesWatcher>(
        model.store_, [link, target] { link->post([target] { target->reloadRules(); }); },
        [link, target](bool present) { link->post([target, present] { target->d_->dataFolderChanged(present); }); });
    toolSignals = std::make_unique<ToolSignals>();
    QObject::connect(toolSignals.get(), &ToolSignals::rulesChanged, &model, [target] { target->reloadRules(); });
    QObject::connect(toolSignals.get(), &ToolSignals::activityChanged, &model,
                     [target] { target->onActivityChanged(); });
}

}  // namespace olva::app
