#include "Core/Listing.h"

#include "Core/Paths.h"
#include "Core/platform/Package.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace olva {

namespace {

// Walks the directory open at `fd`; `level` is the level of its entries
// (1 for the folder's own).
void walk(int fd, const std::filesystem::path& path, std::int64_t level, std::int64_t depth,
          std::vector<std::filesystem::path>& files)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.empty() || name.front() == '.') continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        std::filesystem::path child = path / name;
        if (S_ISREG(info.st_mode)) {
            files.push_back(std::move(child));
        } else if (S_ISDIR(info.st_mode)) {
            if (platform::isPackage(name)) {
                files.push_back(std::move(child));
            } else if (level <= depth) {
                int sub = ::openat(::dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (sub >= 0) walk(sub, child, level + 1, depth, files);
            }
        }
    }
    ::closedir(dir);
}

}  // namespace

std::vector<std::filesystem::path> listFiles(const Folder& folder)
{
    std::vector<std::filesystem::path> files;
    std::filesystem::path root = folderURL(folder);
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return files;
    walk(fd, root, 1, folder.depth, files);
    return files;
}

}  // namespace olva
