#include "Core/platform/LeftoverCopies.h"

#include "Core/platform/Descriptor.h"
#include "Core/platform/FolderNames.h"
#include "Core/platform/UUID.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <string_view>
#include <system_error>
#include <vector>

namespace olva::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = ".olva-";
constexpr std::string_view kSuffix = ".partial";

// The item named `name` in the folder open at `dir`, unless it is held.
bool removeUnheld(int dir, const std::string& name, const fs::path& path)
{
    // A link lives for a moment only, and cannot be locked.
    struct stat info {};
    if (::fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(info.st_mode)) return false;
    Descriptor item(::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!item || ::flock(item.get(), LOCK_EX | LOCK_NB) != 0) return false;  // still being made
    // Only what was locked goes: another item put under the name since is
    // somebody else's.
    struct stat locked {}, there {};
    if (::fstat(item.get(), &locked) != 0 || ::fstatat(dir, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 ||
        locked.st_dev != there.st_dev || locked.st_ino != there.st_ino)
        return false;
    std::error_code error;
    fs::remove_all(path, error);
    return !error;
}

}  // namespace

std::string newTemporaryCopyName() { return std::string(kPrefix) + newUUID() + std::string(kSuffix); }

bool isTemporaryCopyName(std::string_view text)
{
    if (!text.starts_with(kPrefix) || !text.ends_with(kSuffix)) return false;
    text.remove_prefix(kPrefix.size());
    text.remove_suffix(kSuffix.size());
    return canonicalUUID(text) == text;
}

bool removeLeftoverCopy(const fs::path& path)
{
    const std::string name = path.filename().string();
    if (!isTemporaryCopyName(name)) return false;
    Descriptor dir(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir && removeUnheld(dir.get(), name, path);
}

int removeLeftoverCopies(const fs::path& folder)
{
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return 0;
    std::vector<std::string> names;
    try {
        names = listNames(dir.get(), folder);
    } catch (const std::system_error&) {
        return 0;
    }
    int removed = 0;
    for (const std::string& name : names)
        if (isTemporaryCopyName(name) && removeUnheld(dir.get(), name, folder / name)) ++removed;
    return removed;
}

}  // namespace olva::platform
