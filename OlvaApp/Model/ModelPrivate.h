// The model's inside, shared by the files that implement its operations.
#pragma once

#include "Core/store/RulesWatcher.h"
#include "OlvaApp/Model/Clock.h"
#include "OlvaApp/Model/EntryIndex.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/Model/ModelLink.h"
#include "OlvaApp/Model/ToolSignals.h"

#include <QCoreApplication>
#include <QFuture>
#include <QPromise>
#include <QSettings>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace olva::app {

// The outcome of work done on another thread: its value, or the sentence of
// what it threw.
template <typename T>
struct Attempt {
    std::optional<T> value;
    QString error;
};

// The user-facing sentence of a failure.
QString errorSentence(const std::exception& error);
QString errorSentence(const std::exception_ptr& error);

inline QString text(const std::string& utf8) { return QString::fromStdString(utf8); }
// The watched folder that is the same place as the stored path `path`
// (another spelling of it, or a link to it).
std::optional<int> samePlace(const Config& config, const std::string& path);
// What the app says when another program processes the watched folders.
QString engineLockHeldText();


struct Model::Private {
    // How a save ended.
    enum class Saved { refused, written, failed, reloaded };
    // Whether the change stays in the rules: written, or kept in memory
    // after a failed write.
    static bool made(Saved saved) { return saved == Saved::written || saved == Saved::failed; }

    explicit Private(Model& model);

    Model& model;
    std::shared_ptr<ModelLink> link;
    // Engine calls wait for the engine: they get one thread of their own.
    QThreadPool enginePool;
    // Log reads and export reads, off the GUI thread.
    QThreadPool readPool;
    SystemClock systemClock;
    std::unique_ptr<QSettings> ownSettings;

    bool startRequested = false;
    bool started = false;
    std::vector<std::shared_ptr<QPromise<void>>> startWaiters;
    bool showable = false;
    std::vector<std::shared_ptr<QPromise<void>>> showWaiters;
    // Rules changed while the engine is made or not yet started (the window
    // is up by then): the engine is made again before it starts, and what
    // the changes asked of it besides the new rules (an edited rule's
    // carry-over) runs on it first.
    bool rulesChangedDuringStart = false;
    std::vector<std::function<void(Engine&)>> engineWorkDuringStart;
    // From here on engine work queues up behind the engine's start.
    bool engineStarting = false;
    // Until then the engine must not be reloaded: that would scan the
    // folders before the start recovered the runs a crash interrupted.
    bool engineBeforeStart() const { return startRequested && !started && !engineStarting; }
    std::unique_ptr<RulesWatcher> rulesWatcher;
    std::vector<ObserverToken> wakeObservers;
    std::unique_ptr<ToolSignals> toolSignals;

    bool refreshing = false;
    bool refreshAgain = false;
    bool refreshScheduled = false;
    // The ids of entries, kept with them.
    EntryIndex entryIndex;
    // The newest entries are being read for the window, ahead of the whole
    // log; and whether they were taken in.
    bool newestPending = false;
    bool newestShown = false;
    // Increases with every change of the activity, so a timer armed for an
    // older state knows it is stale.
    int recentErrorGeneration = 0;

    Clock& clock() { return model.services_.clock ? *model.services_.clock : systemClock; }
    QSettings& settings();

    // Hands the result of work on another thread to `done` on the GUI
    // thread, always through the event loop (never within the caller, even
    // when the work is already over), unless the model is gone by then.
    template <typename T, typename Done>
    void deliver(QFuture<T> future, Done done)
    {
        future.then([link = link, done = std::move(done)](QFuture<T> finished) {
            // Taken rather than copied: a read of the whole log holds tens
            // of thousands of entries.
            T result = finished.takeResult();
            link->post([done, result = std::move(result)]() mutable { done(std::move(result)); });
        });
    }

    // Runs `work` on the engine's thread and hands its result to `done` on
    // the GUI thread.
    template <typename R, typename Done>
    void onEngine(std::function<R(Engine&)> work, Done done)
    {
        auto engine = model.engine_;
        deliver(QtConcurrent::run(&enginePool, [engine, work = std::move(work)]() -> Attempt<R> {
            try {
                return {work(*engine), {}};
            } catch (const std::exception& error) {
                return {std::nullopt, errorSentence(error)};
            } catch (...) {
                return {std::nullopt, errorSentence(std::current_exception())};
            }
        }), std::move(done));
    }
    // Engine work whose end nobody waits for; its failure is dropped.
    void onEngine(std::function<void(Engine&)> work);

    // ---- Start (ModelStart.cpp)
    void start();
    void createEngine();
    void engineCreated(Attempt<std::shared_ptr<Engine>> created);
    // Installs the callbacks and starts the engine.
    void startEngine();
    void failStart(const QString& error);
    // Lets every caller of ensureStarted go on.
    void startEnded();
    // Lets every caller of ensureShowable go on.
    void becomeShowable();
    void observeTool();

    // ---- The data folder (ModelDataFolder.cpp)
    // The watcher named the data folder: it is gone, or there (again).
    void dataFolderChanged(bool present);
    void setDataFolderProblem(std::optional<QString> problem);
    // Stops and lets go of the engine, which another program's now runs in
    // its place; `why` becomes the load error.
    void loseEngine(const QString& why);

    // ---- Activity (ModelActivity.cpp)
    void readLog(std::shared_ptr<QPromise<void>> promise);
    void readNewestEntries();
    void replaceEntries(std::vector<Entry> entries, EntryIndex index, RevertedSteps reverted);
    void appendEntries(std::vector<Entry> fresh);
    void updateRecentError();
    void setFolderStatus(FolderStatuses statuses);
    void setStoreProblem(std::optional<QString> problem);
    // One revert under way, and every caller waiting for it.
    struct Reverting {
        std::vector<std::shared_ptr<QPromise<void>>> waiters;
    };
    // The entries whose revert is under way, by id.
    std::map<std::string, std::shared_ptr<Reverting>> reverting;
    void revert(std::vector<Entry> entries, std::shared_ptr<Reverting> run);

    // ---- Rules (ModelRules.cpp)
    // Writes the rules under the rules lock; then has the engine run
    // `beforeReload`, if any, and reload.
    Saved save(std::function<void(Engine&)> beforeReload = {});
    Saved edit(const QString& actionName, const std::function<void(Config&)>& change,
               std::function<void(Engine&)> beforeReload = {});
    void registerUndo(const Config& before, const QString& actionName);
    // Pauses or resumes all rules; the value already set is an undo step
    // with nothing to write, so a script that pauses again and again does
    // not rewrite the rules each time.
    Saved setPaused(bool paused);
    // The reload of reloadRules, also without an engine.
    void reloadFromDisk();
    // The rules shown hold edits that no save has written yet (a save
    // failed since the last one that wrote): a reload that replaces them
    // says so.
    bool unsavedEdits = false;
    void setConfig(Config config);
    // A selected folder the rules no longer hold gives way to the activity
    // list.
    void leaveGoneFolder();
    void setLoadError(std::optional<QString> error);

    // ---- Folders (ModelFolders.cpp)
    std::optional<int> watch(const std::filesystem::path& folder, std::vector<Rule> rules, const QString& actionName);
    void setAccessed(AccessedFolders accessed);

    // ---- Explanations (ModelExplain.cpp)
    // Has the engine explain `file` and hands `done` the explanation, with
    // the reason its folder would not act on it, or the failure.
    void explain(const std::filesystem::path& file, std::function<void(Attempt<Explained>)> done);
    QString noEngineText() const;
};

}  // namespace olva::app
