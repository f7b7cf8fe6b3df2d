// Turning file-system activity into folder scans: one watcher over every
// existing folder, one pending scan per folder.
#include "Core/engine/EngineImpl.h"
#include "Core/base/Paths.h"
#include "Core/platform/FileStatus.h"

#include <algorithm>
#include <unordered_set>

namespace olva {

namespace {

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string directoryPath(const Folder& folder) { return withoutTrailingSlash(folderURL(folder).string()); }

// An event batch goes out within a latency of the change it reports; a note
// of the engine's own change older than this is past its event.
constexpr auto kOwnChangeLife = std::chrono::seconds(10);

bool sameTime(const platform::Timestamp& a, const platform::Timestamp& b)
{
    return a.seconds == b.seconds && a.nanoseconds == b.nanoseconds;
}

// Subdirectory levels from `folder` down to `path` inside it.
std::int64_t levelsBelow(const std::string& path, const std::string& folder)
{
    std::string_view rest = std::string_view(path).substr(folder == "/" ? 1 : folder.size() + 1);
    return std::int64_t(std::count(rest.begin(), rest.end(), '/')) + 1;
}

bool touches(const std::string& eventPath, const std::string& folderPath)
{
    return eventPath == folderPath || isInside(eventPath, folderPath);
}

}  // namespace

void Engine::Impl::restartWatcher()
{
    // What the old watcher saw but had not sent yet still counts.
    if (watcher) watcher->finish();
    watcher.reset();
    watchedAs.clear();
    std::vector<platform::Watcher::Root> roots;
    // A folder that does not exist is watched for: the watcher reports it
    // when it is made (again), and its scan then finds it back. One reached
    // through links is watched for them changing too.
    for (const auto& folder : config.folders) {
        std::string path = directoryPath(folder);
        std::string given = withoutTrailingSlash(expand(folder.path));
        watchedAs[folder.path] = path;
        std::int64_t depth = std::max<std::int64_t>(folder.depth, 0);
        auto same = std::find_if(roots.begin(), roots.end(),
                                 [&](const auto& root) { return root.path == path && root.given == given; });
        if (same != roots.end()) same->depth = std::max(same->depth, depth);
        else roots.push_back({path, depth, given});
    }
    if (roots.empty()) return;
    platform::Executor* target = &executor;
    std::weak_ptr<Engine> weak = self;
    watcher = platform::Watcher::create(
        std::move(roots),
        [target, weak](platform::Watcher::Batch batch) {
            // The watcher goes before the executor, so `target` outlives this.
            target->post([weak, batch = std::move(batch)]() mutable {
                if (auto engine = weak.lock()) engine->impl().handleEvents(std::move(batch));
            });
        },
        [](const std::string& line) { debugLog(line); });
}

bool Engine::Impl::watchedElsewhere(const Folder& folder) const
{
    auto it = watchedAs.find(folder.path);
    return it != watchedAs.end() && it->second != directoryPath(folder);
}

void Engine::Impl::noteOwnChanges(const std::vector<Step>& steps)
{
    // Only a watcher would report them back.
    if (!watcher) return;
    for (const auto& step : steps) {
        if (step.kind != Step::Kind::tags || !step.key) continue;
        // Under folders within one another, another folder's rules may
        // still be waiting for the change.
        const auto folders = std::count_if(watchedAs.begin(), watchedAs.end(),
                                           [&](const auto& watched) { return isInside(step.from, watched.second); });
        if (folders > 1) continue;
        // Read right after the change: a change by anyone else from now on
        // gives the file another status-change time.
        if (auto status = platform::fileStatus(step.from)) {
            const FileIdentity file{status->device, status->inode};
            const auto noted = std::chrono::steady_clock::now();
            ownChanges[file] = OwnChange{status->change, noted};
            ownChangesNoted.emplace_back(noted, file);
        }
    }
}

void Engine::Impl::handleEvents(platform::Watcher::Batch batch)
{
    if (!ownChanges.empty()) {
        // A path whose file is as the engine's own change left it was
        // changed by nobody else since: its folder has nothing new.
        std::unordered_set<std::string_view> own;
        for (const auto& change : batch.attributeChanges) {
            auto it = ownChanges.find({change.device, change.inode});
            if (it == ownChanges.end()) continue;
            if (sameTime(it->second.change, change.change)) own.insert(change.path);
            ownChanges.erase(it);
        }
        while (!ownChangesNoted.empty() && ownChangesNoted.front().first < batch.sent - kOwnChangeLife) {
            // Noted again since, the file's later change stays.
            auto it = ownChanges.find(ownChangesNoted.front().second);
            if (it != ownChanges.end() && it->second.noted == ownChangesNoted.front().first) ownChanges.erase(it);
            ownChangesNoted.pop_front();
        }
        if (ownChanges.empty()) ownChangesNoted.clear();
        if (!own.empty()) {
            if (debugEnabled()) debugLog("own changes: " + printedList(std::vector<std::string>(own.begin(), own.end())));
            std::erase_if(batch.paths, [&](const std::string& path) { return own.contains(path); });
        }
        if (batch.paths.empty()) return;
    }
    handleEvents(batch.paths);
}

void Engine::Impl::handleEvents(const std::vector<std::string>& paths)
{
    if (debugEnabled()) debugLog("events: " + printedList(paths));
    Date at = now() + std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(settle));
    for (const auto& folder : config.folders) {
        // Events come under the paths the watcher was given.
        auto watched = watchedAs.find(folder.path);
        std::string folderPath = watched != watchedAs.end() ? watched->second : directoryPath(folder);
        bool hit = std::any_of(paths.begin(), paths.end(), [&](const auto& path) { return touches(path, folderPath); });
        if (hit) schedule(folder.path, at);
    }
}

void Engine::Impl::mountsChanged(const std::vector<std::string>& mountPoints)
{
    std::vector<std::string> affected;
    for (const auto& folder : config.folders) {
        // Where it was watched, where it is now (gone with an unmounted
        // volume, it may resolve no further) and how it was given.
        std::vector<std::string> places{directoryPath(folder), withoutTrailingSlash(expand(folder.path))};
        if (auto watched = watchedAs.find(folder.path); watched != watchedAs.end()) places.push_back(watched->second);
        std::int64_t depth = std::max<std::int64_t>(folder.depth, 0);
        bool hit = std::any_of(places.begin(), places.end(), [&](const std::string& place) {
            return std::any_of(mountPoints.begin(), mountPoints.end(), [&](const std::string& point) {
                // On the volume, or a volume within the levels it lists.
                return touches(place, point) || (isInside(point, place) && levelsBelow(point, place) <= depth);
            });
        });
        if (hit) affected.push_back(folder.path);
    }
    if (affected.empty()) return;
    // The watches of a folder whose volume changed see the old one.
    restartWatcher();
    Date at = now();
    for (const auto& path : affected) schedule(path, at);
}

void Engine::Impl::schedule(const std::string& folderPath, Date at)
{
    auto it = scheduled.find(folderPath);
    if (it != scheduled.end()) {
        if (it->second.at <= at) return;
        executor.cancel(it->second.task);
    }
    // A date condition may change its answer centuries ahead, further than
    // the executor's clock counts; a scan so far off is made once a day
    // instead, and each one schedules the next.
    auto delay = std::clamp(at - now(), Date::duration::zero(), Date::duration(std::chrono::hours(24)));
    std::uint64_t ticket = ++generation;
    auto task = executor.postAfter(delay, [weak = self, folderPath, ticket] {
        if (auto engine = weak.lock()) engine->impl().runScheduled(folderPath, ticket);
    });
    scheduled[folderPath] = Scheduled{at, task, ticket};
    updateActivity();
}

void Engine::Impl::runScheduled(const std::string& folderPath, std::uint64_t ticket)
{
    // A scan replaced by an earlier one never runs as well.
    auto it = scheduled.find(folderPath);
    if (it == scheduled.end() || it->second.generation != ticket) return;
    scheduled.erase(it);
    scanFolder(folderPath);
    updateActivity();
}

void Engine::Impl::updateActivity()
{
    Date soon = now() + std::chrono::seconds(60);
    activity = std::any_of(scheduled.begin(), scheduled.end(), [&](const auto& item) { return item.second.at < soon; });
}

}  // namespace olva
