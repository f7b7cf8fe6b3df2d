#include "Core/store/RulesWatcher.h"

#include "Core/base/Paths.h"
#include "Core/platform/Watcher.h"

#include <sys/stat.h>

#include <algorithm>

namespace olva {

namespace {

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

RulesWatcher::RulesWatcher(std::shared_ptr<Store> store, std::function<void()> changed, FolderCallback folder)
{
    std::string directory = realPath(store->dir().string());
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    // Events name the file inside the resolved directory.
    std::string rulesPath = (directory == "/" ? "" : directory) + "/rules.json";
    std::vector<platform::Watcher::Root> roots{{directory, 0}};
    // The folder's removal is reported at once only in its parent: the
    // folder itself is not reported gone while a file in it is open, and
    // the engine lock always is.
    if (auto slash = directory.rfind('/'); slash != std::string::npos && directory != "/")
        roots.push_back({slash == 0 ? "/" : directory.substr(0, slash), 0});
    watcher_ = platform::Watcher::create(
        std::move(roots),
        [store, directory, rulesPath, changed = std::move(changed),
         folder = std::move(folder)](std::vector<std::string> paths) {
            bool namesFolder = std::find(paths.begin(), paths.end(), directory) != paths.end();
            bool namesRules = std::find(paths.begin(), paths.end(), rulesPath) != paths.end();
            if (!namesFolder && !namesRules) return;
            bool present = isDirectory(directory);
            if (namesFolder) {
                if (folder) folder(present);
                // Once they are closed, the folder's watch hears it is gone
                // and waits for it to come back.
                if (!present) store->releaseGoneFiles();
            }
            // A folder that comes back is named alone, whatever it holds;
            // one that is gone has nothing to read.
            if (present && store->rulesChangedOnDisk() && changed) changed();
        });
}

RulesWatcher::~RulesWatcher() = default;

}  // namespace olva
