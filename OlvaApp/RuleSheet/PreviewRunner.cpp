#include "OlvaApp/RuleSheet/PreviewRunner.h"

#include "OlvaApp/Model/Clock.h"

#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace olva::app {

namespace {

// Previews of every sheet take turns on this one thread: never the global
// pool, which reads the log.
// At exit it waits for a run still under way, which its sheet has stopped.
QThreadPool& previewThread()
{
    static QThreadPool pool;
    static const bool configured = [] {
        pool.setMaxThreadCount(1);
        pool.setObjectName(QStringLiteral("Rule preview"));
        return true;
    }();
    (void)configured;
    return pool;
}

}  // namespace

PreviewRunner::PreviewRunner(Clock* clock, QObject* parent) : QObject(parent), clock_(clock)
{
    if (!clock_) {
        ownClock_ = std::make_unique<SystemClock>();
        clock_ = ownClock_.get();
    }
}

PreviewRunner::~PreviewRunner() { running_.request_stop(); }

void PreviewRunner::request(const Rule& rule, std::optional<Folder> folder)
{
    const std::uint64_t generation = ++generation_;
    // Replaced: stop it now, not only when the next one starts.
    running_.request_stop();
    clock_->callAfter(delay, this, [this, rule, folder = std::move(folder), generation] {
        if (generation == generation_) start(rule, folder, generation);
    });
}

void PreviewRunner::start(const Rule& rule, const std::optional<Folder>& folder, std::uint64_t generation)
{
    setLoading(true);
    running_ = std::stop_source();
    ++runs_;
    PreviewControl control;
    control.stop = running_.get_token();
    control.examining = [hook = examining_, examined = examined_](const std::string& path) {
        ++*examined;
        if (hook) hook(path);
    };

    auto* watcher = new QFutureWatcher<FolderPreview>(this);
    connect(watcher, &QFutureWatcher<FolderPreview>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        // A run that a newer request replaced changes nothing; the newer one
        // says when it is done.
        if (generation != generation_) return;
        result_ = watcher->result();
        emit resultChanged();
        setLoading(false);
    });
    watcher->setFuture(QtConcurrent::run(&previewThread(), [rule, folder, control] {
        if (!folder) return FolderPreview{};
        FolderPreview preview = olva::preview(rule, *folder, fileLimit, control);
        // Matching files first; among equals the path order stays.
        std::stable_partition(preview.rows.begin(), preview.rows.end(),
                              [](const PreviewRow& row) { return row.outcome.pass; });
        return preview;
    }));
}

bool PreviewRunner::waitForIdle(std::chrono::milliseconds timeout)
{
    return previewThread().waitForDone(static_cast<int>(timeout.count()));
}

void PreviewRunner::setLoading(bool loading)
{
    if (loading_ == loading) return;
    loading_ = loading;
    emit loadingChanged();
}

}  // namespace olva::app
