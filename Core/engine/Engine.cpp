#include "Core/engine/Engine.h"

#include "Core/base/ActionError.h"
#include "Core/engine/EngineImpl.h"
#include "Core/base/Paths.h"
#include "Core/platform/ChildProcess.h"
#include "Core/platform/MountMonitor.h"
#include "Core/platform/WakeMonitor.h"

#include <dirent.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <future>
#include <system_error>

namespace olva {

std::string_view rawValue(FolderStatus status)
{
    switch (status) {
    case FolderStatus::watching: return "watching";
    case FolderStatus::missing: return "missing";
    case FolderStatus::noAccess: return "noAccess";
    }
    return "missing";
}

// ---- Diagnostics and error text

bool debugEnabled()
{
    static const bool enabled = std::getenv("OLVA_DEBUG") != nullptr;
    return enabled;
}

void debugLog(const std::string& message)
{
    if (!debugEnabled()) return;
    std::string line = iso8601(currentDate()) + " " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string printedList(const std::vector<std::string>& items)
{
    std::string text = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) text += ", ";
        text += '"';
        for (char c : items[i]) {
            if (c == '"' || c == '\\') text += '\\';
            text += c;
        }
        text += '"';
    }
    return text + "]";
}

std::string printedDate(Date date) { return printedUTC(date); }

std::string errorText(const std::exception& error)
{
    if (const auto* action = dynamic_cast<const ActionError*>(&error)) return action->description();
    if (const auto* missing = dynamic_cast<const FileNotFound*>(&error)) return missing->what();
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) return system->code().message();
    return error.what();
}

std::string errorText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& caught) {
        return errorText(caught);
    } catch (...) {
        return "unknown error";
    }
}

// ---- The engine's state

Engine::Impl::Impl(std::shared_ptr<Store> store, double settle) : store(std::move(store)), settle(settle)
{
    // What the executor copies ends at once when the engine stops for good.
    executor.post([this] { platform::stopThreadCopiesWith(stopping); });
}

Engine::Impl::~Impl()
{
    // The watcher's thread posts here: it goes first, then the executor.
    watcher.reset();
    executor.stop();
}

const Folder* Engine::Impl::folder(const std::string& path) const
{
    for (const auto& candidate : config.folders)
        if (candidate.path == path) return &candidate;
    return nullptr;
}

void Engine::Impl::start()
{
    recoverInterrupted();
    restartWatcher();
    armPeriodic();
    scheduleAll();
}

void Engine::Impl::armPeriodic()
{
    if (periodic) executor.cancel(*periodic);
    periodic = executor.postAfter(periodicInterval, [weak = self] {
        auto engine = weak.lock();
        if (!engine) return;
        Impl& impl = engine->impl();
        impl.periodic.reset();
        impl.armPeriodic();
        impl.scheduleAll();
    });
}

void Engine::Impl::scheduleAll()
{
    Date at = now();
    for (const auto& folder : config.folders) schedule(folder.path, at);
}

namespace {

bool rulesFilePresent(const Store& store)
{
    struct stat info {};
    return ::stat((store.dir() / "rules.json").c_str(), &info) == 0;
}

}  // namespace

void Engine::Impl::reload()
{
    // Rules go only when a file says so: a rules file that is gone (with
    // its data folder, say) would read as no rules at all.
    const bool present = rulesFilePresent(*store);
    Config loaded = store->loadConfig();
    if (!present || !rulesFilePresent(*store)) return;
    config = std::move(loaded);
    std::map<std::string, FolderStatus> kept;
    for (const auto& [path, status] : statuses)
        if (folder(path)) kept.emplace(path, status);
    if (kept.size() != statuses.size()) {
        statuses = std::move(kept);
        if (statusCallback) statusCallback(statuses);
    }
    restartWatcher();
    scheduleAll();
}

void Engine::Impl::resume()
{
    suspended = false;
    try {
        reload();
    } catch (...) {
        scheduleAll();
        throw;
    }
    scheduleAll();
}

void Engine::Impl::scanNow(bool keepLists)
{
    recoverInterrupted();
    // Copied: a scan may run a callback that reloads the configuration.
    std::vector<std::string> paths;
    for (const auto& folder : config.folders) paths.push_back(folder.path);
    for (const auto& path : paths) scanFolder(path, keepLists);
}

namespace {

FolderStatus folderStatus(const std::filesystem::path& url)
{
    struct stat info {};
    if (::stat(url.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return FolderStatus::missing;
    DIR* dir = ::opendir(url.c_str());
    if (!dir) return FolderStatus::noAccess;
    ::closedir(dir);
    return FolderStatus::watching;
}

}  // namespace

void Engine::Impl::updateStatus(const Folder& folder)
{
    FolderStatus status = folderStatus(folderURL(folder));
    auto it = statuses.find(folder.path);
    bool changed = it == statuses.end() || it->second != status;
    bool hadStatus = it != statuses.end();
    if (changed) statuses[folder.path] = status;
    // A folder that came or went is added to or dropped from the watch, and
    // so is one whose path now leads elsewhere (a link on it was replaced).
    if ((changed && hadStatus) || watchedElsewhere(folder)) restartWatcher();
    if (changed && statusCallback) statusCallback(statuses);
}

void Engine::Impl::setStoreProblem(std::optional<std::string> description)
{
    std::optional<std::string> message;
    if (description) message = "Olva can’t write to " + store->dir().string() + ": " + *description;
    if (message == storeProblem) return;
    storeProblem = std::move(message);
    // A started engine tries again every few seconds, so that it resumes
    // soon after writing works again rather than at the next event.
    if (storeProblem && periodic && !retry) armRetry();
    if (storeProblemCallback) storeProblemCallback(storeProblem);
}

void Engine::Impl::armRetry()
{
    retry = executor.postAfter(retryInterval, [weak = self] {
        auto engine = weak.lock();
        if (!engine) return;
        Impl& impl = engine->impl();
        impl.retry.reset();
        if (!impl.storeProblem) return;
        if (impl.flushUnwritten()) impl.scheduleAll();
        else impl.armRetry();
    });
}

void Engine::Impl::setStoreProblem(const std::exception& error) { setStoreProblem(errorText(error)); }

void Engine::Impl::finish()
{
    watcher.reset();
    if (periodic) executor.cancel(*periodic);
    periodic.reset();
    if (retry) executor.cancel(*retry);
    retry.reset();
    for (const auto& [path, pending] : scheduled) executor.cancel(pending.task);
    scheduled.clear();
    flushUnwritten();
    saveSeenOrReport();
}

// ---- The public face: every call runs on the executor

Engine::Engine(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Engine::~Engine() = default;

std::shared_ptr<Engine> Engine::create(std::shared_ptr<Store> store, double settle)
{
    Impl::holdCopiesForTest(store->dir());
    auto impl = std::make_unique<Impl>(std::move(store), settle);
    impl->config = impl->store->loadConfig();
    impl->seenOnDisk = impl->seenSignature();
    Impl& made = *impl;
    made.store->readSeen([&](const std::string& key, std::string_view version) { made.seen.add(key, version); },
                         &made.journalAt);
    made.journalWritten = made.journalAt;
    std::shared_ptr<Engine> engine(new Engine(std::move(impl)));
    engine->impl_->self = engine;
    return engine;
}

const std::shared_ptr<Store>& Engine::store() const { return impl_->store; }

double Engine::settle() const { return impl_->settle; }

Config Engine::config() const
{
    return impl_->executor.call([this] { return impl_->config; });
}

std::map<std::string, FolderStatus> Engine::statuses() const
{
    return impl_->executor.call([this] { return impl_->statuses; });
}

std::optional<std::string> Engine::storeProblem() const
{
    return impl_->executor.call([this] { return impl_->storeProblem; });
}

void Engine::onEntry(EntryCallback callback)
{
    impl_->executor.call([&] { impl_->entryCallback = std::move(callback); });
}

void Engine::onStatus(StatusCallback callback)
{
    impl_->executor.call([&] { impl_->statusCallback = std::move(callback); });
}

void Engine::onStoreProblem(StoreProblemCallback callback)
{
    impl_->executor.call([&] { impl_->storeProblemCallback = std::move(callback); });
}

void Engine::onPassEnd(std::function<void()> callback)
{
    impl_->executor.call([&] { impl_->passEndCallback = std::move(callback); });
}

void Engine::start()
{
    impl_->executor.call([this] { impl_->start(); });
}

void Engine::reload()
{
    impl_->executor.call([this] { impl_->reload(); });
}

void Engine::suspend() { impl_->suspended = true; }

void Engine::resume()
{
    impl_->executor.call([this] { impl_->resume(); });
}

void Engine::scanAll()
{
    impl_->executor.call([this] { impl_->scheduleAll(); });
}

void Engine::scanNow()
{
    impl_->executor.call([this] { impl_->scanNow(); });
}

void Engine::scanLast()
{
    impl_->executor.call([this] { impl_->scanNow(false); });
}

std::vector<Explanation> Engine::explain(const std::filesystem::path& file)
{
    return impl_->executor.call([&] { return impl_->explain(file); });
}

void Engine::undo(const std::string& id)
{
    impl_->executor.call([&] { impl_->undo(id); });
}

std::map<std::string, std::string> Engine::undo(const std::vector<std::string>& ids)
{
    return impl_->executor.call([&] { return impl_->undo(ids, impl_->store->entries()); });
}

std::map<std::string, std::string> Engine::undo(const std::vector<std::string>& ids,
                                                const std::vector<Entry>& entries)
{
    return impl_->executor.call([&] { return impl_->undo(ids, entries); });
}

void Engine::carryOver(const std::string& from, const std::string& to)
{
    impl_->executor.call([&] { impl_->carryOver(from, to); });
}

void Engine::mergeSeenFromDisk()
{
    impl_->executor.call([this] { impl_->mergeSeenFromDisk(); });
}

void Engine::stop()
{
    impl_->stopping = true;
    auto finished = std::async(std::launch::async, [this] { impl_->executor.call([this] { impl_->finish(); }); });
    // A script would hold the file in hand for up to its time-out: ask it to
    // end, and after a few seconds make it.
    for (int waited = 0; finished.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready; ++waited) {
        platform::ChildProcess::signalAll(waited < 6 ? SIGTERM : SIGKILL);
        finished.wait_for(std::chrono::milliseconds(500));
    }
    finished.get();
}

// ---- Wake and mount rescans

std::vector<ObserverToken> rescanOnWake(const std::shared_ptr<Engine>& engine)
{
    auto rescan = [weak = std::weak_ptr<Engine>(engine)] {
        if (auto strong = weak.lock()) strong->scanAll();
    };
    // A volume coming or going concerns only the folders on it or within
    // reach of its mount point.
    auto mounted = [weak = std::weak_ptr<Engine>(engine)](const std::vector<std::string>& mountPoints) {
        if (auto strong = weak.lock()) {
            Engine::Impl& impl = strong->impl();
            impl.executor.call([&] { impl.mountsChanged(mountPoints); });
        }
    };
    std::vector<ObserverToken> tokens;
    if (auto wake = platform::WakeMonitor::create(rescan)) tokens.emplace_back(std::move(wake));
    if (auto mounts = platform::MountMonitor::create(mounted)) tokens.emplace_back(std::move(mounts));
    return tokens;
}

}  // namespace olva
