// Turning file-system activity into folder scans: one watcher over every
// existing folder, one pending scan per folder.
#include "Core/EngineImpl.h"
#include "Core/Paths.h"

#include <algorithm>

namespace olva {

namespace {

std::string directoryPath(const Folder& folder)
{
    std::string path = folderURL(folder).string();
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool touches(const std::string& eventPath, const std::string& folderPath)
{
    return eventPath == folderPath || isInside(eventPath, folderPath);
}

}  // namespace

void Engine::Impl::restartWatcher()
{
    watcher.reset();
    std::vector<platform::Watcher::Root> roots;
    // A folder that does not exist is watched for: the watcher reports it
    // when it is made (again), and its scan then finds it back.
    for (const auto& folder : config.folders) {
        std::string path = directoryPath(folder);
        std::int64_t depth = std::max<std::int64_t>(folder.depth, 0);
        auto same = std::find_if(roots.begin(), roots.end(), [&](const auto& root) { return root.path == path; });
        if (same != roots.end()) same->depth = std::max(same->depth, depth);
        else roots.push_back({path, depth});
    }
    if (roots.empty()) return;
    platform::Executor* target = &executor;
    std::weak_ptr<Engine> weak = self;
    watcher = platform::Watcher::create(
        std::move(roots),
        [target, weak](std::vector<std::string> paths) {
            // The watcher goes before the executor, so `target` outlives this.
            target->post([weak, paths = std::move(paths)] {
                if (auto engine = weak.lock()) engine->impl().handleEvents(paths);
            });
        },
        [](const std::string& line) { debugLog(line); });
}

void Engine::Impl::handleEvents(const std::vector<std::string>& paths)
{
    if (debugEnabled()) debugLog("events: " + printedList(paths));
    Date at = now() + std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(settle));
    for (const auto& folder : config.folders) {
        std::string folderPath = directoryPath(folder);
        bool hit = std::any_of(paths.begin(), paths.end(), [&](const auto& path) { return touches(path, folderPath); });
        if (hit) schedule(folder.path, at);
    }
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
