#include "Core/RulesWatcher.h"

#include "Core/Paths.h"
#include "Core/platform/Watcher.h"

#include <algorithm>

namespace olva {

RulesWatcher::RulesWatcher(std::shared_ptr<Store> store, std::function<void()> changed)
{
    std::string directory = realPath(store->dir().string());
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    // Events name the file inside the resolved directory.
    std::string rulesPath = (directory == "/" ? "" : directory) + "/rules.json";
    watcher_ = platform::Watcher::create(
        {{directory, 0}},
        [store, rulesPath, changed = std::move(changed)](std::vector<std::string> paths) {
            if (std::find(paths.begin(), paths.end(), rulesPath) == paths.end()) return;
            if (store->rulesChangedOnDisk() && changed) changed();
        });
}

RulesWatcher::~RulesWatcher() = default;

}  // namespace olva
