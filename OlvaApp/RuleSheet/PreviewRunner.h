// Runs the rule sheet's preview: a dry run of the draft over the first 300
// files of its folder, 0.4 seconds after the last change of the draft's
// behaviour. Runs take turns on one worker thread of their own, so previews
// never crowd out the log reads; a run that a newer change replaced is
// stopped, so typing over a folder of large PDFs or images never piles up
// text extraction or recognition. Results arrive on the GUI thread, with
// the matching files first, then by path.
#pragma once

#include "Core/tools/Preview.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>

template <typename T>
class QFutureWatcher;

namespace olva::app {

class Clock;

class PreviewRunner : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds delay{400};
    static constexpr std::int64_t fileLimit = 300;

    // Without a clock, the system's.
    explicit PreviewRunner(Clock* clock = nullptr, QObject* parent = nullptr);
    // Stops the running preview; its result is dropped.
    ~PreviewRunner() override;

    // Previews `rule` in `folder` once no newer request came for the delay.
    // Stops the run under way at once. No folder: there are no files.
    void request(const Rule& rule, std::optional<Folder> folder);

    bool isLoading() const { return loading_; }
    const FolderPreview& result() const { return result_; }

    // For tests: called on the worker with each file a run looks at, and
    // the counts of runs started and of files looked at by every run.
    void setExamining(std::function<void(const std::string& path)> hook) { examining_ = std::move(hook); }
    int runsStarted() const { return runs_; }
    std::int64_t filesExamined() const { return examined_->load(); }
    // Waits until no preview of any sheet runs any more; whether that
    // happened within `timeout`.
    static bool waitForIdle(std::chrono::milliseconds timeout);

signals:
    void loadingChanged();
    void resultChanged();

private:
    void start(const Rule& rule, const std::optional<Folder>& folder, std::uint64_t generation);
    void setLoading(bool loading);

    Clock* clock_;
    std::unique_ptr<Clock> ownClock_;
    std::uint64_t generation_ = 0;
    std::stop_source running_;
    bool loading_ = true;
    FolderPreview result_;
    std::function<void(const std::string&)> examining_;
    int runs_ = 0;
    std::shared_ptr<std::atomic<std::int64_t>> examined_ = std::make_shared<std::atomic<std::int64_t>>(0);
};

}  // namespace olva::app
