// The activity list: incremental, coalesced reads of the log, the revert of
// logged runs, and the questions the views ask of the list.
#include "OlvaApp/Model/ModelPrivate.h"
#include "OlvaApp/Sentences/ActivitySearch.h"
#include "OlvaApp/Sentences/PathText.h"

#include <QDateTime>

#include <algorithm>

namespace olva::app {

namespace {

constexpr auto refreshDelay = std::chrono::milliseconds(200);
constexpr auto recentWindow = std::chrono::hours(1);

QFuture<void> finished() { return QtFuture::makeReadyFuture(); }

// A read of the log; a whole one comes with its index and reverted steps,
// made on the reading thread rather than the GUI's.
struct ActivityRead {
    LogRead log;
    EntryIndex index;
    RevertedSteps reverted;
};

ActivityRead readActivity(const Store& store, LogPosition position)
{
    ActivityRead read{store.entries(position), {}, {}};
    if (read.log.isWhole) {
        read.index.extend(read.log.entries, 0);
        addRevertedSteps(read.reverted, read.log.entries, 0, read.index);
    }
    return read;
}

}  // namespace

QFuture<void> Model::refresh()
{
    if (d_->refreshing) {
        d_->refreshAgain = true;
        return finished();
    }
    d_->refreshing = true;
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    d_->readLog(promise);
    return promise->future();
}

void Model::Private::readLog(std::shared_ptr<QPromise<void>> promise)
{
    refreshAgain = false;
    ++model.logReads_;
    auto store = model.store_;
    auto read = QtConcurrent::run(&readPool, [store, position = model.logPosition_] {
        return readActivity(*store, position);
    });
    deliver(read, [this, promise](ActivityRead read) {
        if (read.log.isWhole) {
            // The newest entries read for the window are in it too.
            newestPending = false;
            replaceEntries(std::move(read.log.entries), std::move(read.index), std::move(read.reverted));
        } else if (!read.log.entries.empty()) {
            appendEntries(std::move(read.log.entries));
        }
        model.logPosition_ = read.log.position;
        if (refreshAgain) {
            readLog(promise);
            return;
        }
        refreshing = false;
        promise->finish();
    });
}

void Model::Private::readNewestEntries()
{
    // Enough for the table's rows, and back to the start of today and the
    // last hour for the status line and the tray.
    const Date now = clock().now();
    const QDate day =
        QDateTime::fromMSecsSinceEpoch(std::chrono::floor<std::chrono::milliseconds>(now).time_since_epoch().count())
            .date();
    const Date since = std::min(Date(std::chrono::milliseconds(day.startOfDay().toMSecsSinceEpoch())),
                                now - recentWindow);
    newestPending = true;
    auto store = model.store_;
    deliver(QtConcurrent::run(&readPool, [store, since] {
        ActivityRead read;
        read.log.entries =
            store->newestEntries(activityRowWindow, [since](const Entry& entry) { return entry.at >= since; });
        read.index.extend(read.log.entries, 0);
        addRevertedSteps(read.reverted, read.log.entries, 0, read.index);
        return read;
    }), [this](ActivityRead read) {
        // The whole log may have come first, or the start failed meanwhile.
        if (newestPending) {
            newestPending = false;
            newestShown = true;
            replaceEntries(std::move(read.log.entries), std::move(read.index), std::move(read.reverted));
        }
        becomeShowable();
    });
}

void Model::Private::replaceEntries(std::vector<Entry> entries, EntryIndex index, RevertedSteps reverted)
{
    model.entries_ = std::move(entries);
    entryIndex = std::move(index);
    emit model.entriesChanged();
    if (reverted != model.revertedSteps_) {
        model.revertedSteps_ = std::move(reverted);
        emit model.revertedStepsChanged();
    }
    updateRecentError();
}

// A busy engine appends an entry at a time to a list of tens of thousands:
// each costs what it adds, never a copy of the list.
void Model::Private::appendEntries(std::vector<Entry> fresh)
{
    const std::size_t from = model.entries_.size();
    model.entries_.insert(model.entries_.end(), std::make_move_iterator(fresh.begin()),
                          std::make_move_iterator(fresh.end()));
    entryIndex.extend(model.entries_, from);
    emit model.entriesChanged();
    if (addRevertedSteps(model.revertedSteps_, model.entries_, from, entryIndex)) emit model.revertedStepsChanged();
    updateRecentError();
}

void Model::scheduleRefresh()
{
    if (d_->refreshScheduled) return;
    d_->refreshScheduled = true;
    d_->clock().callAfter(refreshDelay, this, [this] {
        d_->refreshScheduled = false;
        refresh();
    });
}

QFuture<void> Model::onActivityChanged()
{
    return refresh().then(this, [this] {
        if (!engine_) return;
        d_->onEngine([](Engine& engine) { engine.mergeSeenFromDisk(); });
    });
}

// ---- Revert

QFuture<void> Model::revertEntries(const std::vector<Entry>& entries)
{
    // The window is up before the engine is made: a revert asked for
    // meanwhile waits for it.
    if (d_->startRequested && !d_->started) {
        auto promise = std::make_shared<QPromise<void>>();
        promise->start();
        ensureStarted().then(this, [this, entries, promise] {
            revertEntries(entries).then(this, [promise] { promise->finish(); });
        });
        return promise->future();
    }
    std::vector<Entry> chosen;
    std::shared_ptr<Private::Reverting> joined;
    for (const Entry& entry : entries) {
        if (!canRevert(entry)) continue;
        // Asked again while its revert runs (a double click, then the menu
        // or the toolbar): that revert answers for it, where a second one
        // would only find it undone already.
        if (auto running = d_->reverting.find(entry.id); running != d_->reverting.end()) {
            if (!joined) joined = running->second;
            continue;
        }
        chosen.push_back(entry);
    }
    if (!engine_ || (chosen.empty() && !joined)) return finished();
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    if (chosen.empty()) {
        joined->waiters.push_back(promise);
        return promise->future();
    }
    auto run = std::make_shared<Private::Reverting>();
    run->waiters.push_back(promise);
    for (const Entry& entry : chosen) d_->reverting[entry.id] = run;
    d_->revert(std::move(chosen), run);
    return promise->future();
}

void Model::Private::revert(std::vector<Entry> entries, std::shared_ptr<Reverting> run)
{
    model.refresh().then(&model, [this, entries, run] {
        std::vector<std::string> ids;
        for (const Entry& entry : entries) ids.push_back(entry.id);
        // The engine reads the whole log for the earlier undo records of
        // each entry, so a partly reverted entry resumes where it stopped.
        onEngine<std::map<std::string, std::string>>(
            [ids](Engine& engine) { return engine.undo(ids); },
            [this, entries, run](Attempt<std::map<std::string, std::string>> undone) {
                std::map<std::string, std::string> failures;
                if (undone.value) failures = std::move(*undone.value);
                else
                    for (const Entry& entry : entries) failures[entry.id] = undone.error.toStdString();
                model.refresh().then(&model, [this, entries, failures, run] {
                    std::vector<const Entry*> failed;
                    for (const Entry& entry : entries)
                        if (failures.contains(entry.id)) failed.push_back(&entry);
                    if (!failed.empty()) {
                        const Entry& first = *failed.front();
                        const QString name = lastComponent(text(first.file));
                        const QString message = text(failures.at(first.id));
                        if (failed.size() == 1)
                            model.setProblem(Problem{Model::tr("Couldn’t Revert %1").arg(name), message});
                        else
                            model.setProblem(Problem{Model::tr("Couldn’t Revert %1 Files").arg(failed.size()),
                                                     name + QStringLiteral(": ") + message});
                    }
                    for (const Entry& entry : entries) reverting.erase(entry.id);
                    for (const auto& waiter : run->waiters) waiter->finish();
                });
            });
    });
}

// ---- Questions of the views

std::vector<Entry> Model::selectedEntryList() const
{
    if (!selection_ || !selection_->isActivity()) return {};
    return entriesWithIds(selectedEntries_);
}

std::vector<Entry> Model::entriesWithIds(const std::set<std::string>& ids) const
{
    std::vector<Entry> list;
    const std::vector<std::size_t> positions = d_->entryIndex.positionsOf(ids);
    list.reserve(positions.size());
    for (std::size_t position : positions) list.push_back(entries_[position]);
    return list;
}

bool Model::isFullyReverted(const Entry& entry) const
{
    if (entry.steps.empty()) return false;
    auto reverted = revertedSteps_.find(entry.id);
    return reverted != revertedSteps_.end() && reverted->second >= entry.steps.size();
}

bool Model::canRevert(const Entry& entry) const
{
    return !entry.undoOf && !entry.dryRun && !entry.steps.empty() && !isFullyReverted(entry);
}

std::vector<Folder> Model::problemFolders() const
{
    std::vector<Folder> folders;
    for (const Folder& folder : config_.folders) {
        auto status = folderStatus_.find(folder.path);
        if (status != folderStatus_.end() && status->second != FolderStatus::watching) folders.push_back(folder);
    }
    return folders;
}

void Model::showActivity(const std::string& id)
{
    setSelection(Selection::activity());
    setActivityScope(ActivityScope::all);
    setSelectedEntries({id});
    openMainWindow();
}

void Model::Private::setFolderStatus(FolderStatuses statuses)
{
    if (statuses == model.folderStatus_) return;
    model.folderStatus_ = std::move(statuses);
    emit model.folderStatusChanged();
}

void Model::Private::setStoreProblem(std::optional<QString> problem)
{
    if (problem == model.storeProblem_) return;
    model.storeProblem_ = std::move(problem);
    emit model.storeProblemChanged();
}

// ---- "Needs attention"

void Model::Private::updateRecentError()
{
    const Date now = clock().now();
    const Date since = now - recentWindow;
    // The newest failure among the entries of the last hour, walking back
    // from the end of the log as long as entries are recent.
    std::optional<Date> newestFailure;
    for (auto entry = model.entries_.rbegin(); entry != model.entries_.rend() && entry->at > since; ++entry)
        if (entry->error && (!newestFailure || entry->at > *newestFailure)) newestFailure = entry->at;

    const bool recent = newestFailure.has_value();
    if (recent != model.hasRecentError_) {
        model.hasRecentError_ = recent;
        emit model.hasRecentErrorChanged();
    }
    const int generation = ++recentErrorGeneration;
    if (!newestFailure) return;
    // Told again once that failure turns one hour old.
    auto due = std::chrono::ceil<std::chrono::milliseconds>(*newestFailure + recentWindow - now);
    clock().callAfter(std::max(due, std::chrono::milliseconds(1)), &model, [this, generation] {
        if (generation == recentErrorGeneration) updateRecentError();
    });
}

}  // namespace olva::app
