#include "Core/facts/Listing.h"

#include "Core/base/Paths.h"
#include "Core/platform/Package.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace olva {

namespace {

void walk(int fd, const std::string& path, std::int64_t level, std::int64_t depth, std::vector<ListedFile>& files);

void walkInto(DIR* dir, const char* name, const std::string& path, std::int64_t level, std::int64_t depth,
              std::vector<ListedFile>& files)
{
    int sub = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub >= 0) walk(sub, path + name + "/", level + 1, depth, files);
}

// Walks the directory open at `fd`, whose path ends with a slash; `level`
// is the level of its entries (1 for the folder's own).
void walk(int fd, const std::string& path, std::int64_t level, std::int64_t depth, std::vector<ListedFile>& files)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    struct Entry {
        ino_t inode;
        unsigned char type;
        std::string name;
    };
    std::vector<Entry> entries;
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '\0' || name[0] == '.') continue;
        entries.push_back({entry->d_ino, entry->d_type, name});
    }
    // In the order of their inodes, the files' inodes, and the blocks that
    // hold them, are met one after the other rather than at random (the
    // directory's own order is that of a hash of the names): asking for a
    // status, and later for the handle and tags of each file a rule acts
    // on, then finds in the caches what the file before it brought in.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.inode < b.inode; });
    for (const Entry& entry : entries) {
        const char* name = entry.name.c_str();
        // The entry's type, where the file system gives it, spares asking
        // for the status of what is never listed.
        const unsigned char type = entry.type;
        if (type == DT_DIR && !platform::isPackage(name)) {
            if (level <= depth) walkInto(dir, name, path, level, depth, files);
            continue;
        }
        if (type != DT_REG && type != DT_DIR && type != DT_UNKNOWN) continue;
        auto status = platform::entryStatus(::dirfd(dir), name);
        if (!status) continue;
        if (status->isRegular() || (status->isDirectory() && platform::isPackage(name)))
            files.push_back(ListedFile{path + name, *status});
        else if (status->isDirectory() && level <= depth)
            walkInto(dir, name, path, level, depth, files);
    }
    ::closedir(dir);
}

}  // namespace

std::vector<ListedFile> listFileStatuses(const Folder& folder)
{
    std::vector<ListedFile> files;
    std::string root = folderURL(folder).string();
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return files;
    if (!root.ends_with('/')) root += '/';
    walk(fd, root, 1, folder.depth, files);
    return files;
}

std::vector<std::filesystem::path> listFiles(const Folder& folder)
{
    std::vector<std::filesystem::path> paths;
    for (auto& file : listFileStatuses(folder)) paths.emplace_back(std::move(file.path));
    return paths;
}

}  // namespace olva
