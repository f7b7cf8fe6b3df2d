#include "Core/facts/Listing.h"

#include "Core/base/Paths.h"
#include "Core/platform/LeftoverCopies.h"
#include "Core/platform/Package.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <system_error>
#include <thread>

namespace olva {

namespace {

// The folder a walk leaves out, by its device and inode; only looked for
// when it lies in the folder walked.
struct LeftOut {
    bool any = false;
    dev_t device = 0;
    ino_t inode = 0;

    LeftOut(const std::filesystem::path& path, const struct stat& root)
    {
        struct stat info {};
        if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
        device = info.st_dev;
        inode = info.st_ino;
        std::error_code error;
        std::filesystem::path real = std::filesystem::canonical(path, error);
        if (error) return;
        for (std::filesystem::path above = real;; above = above.parent_path()) {
            struct stat folder {};
            if (::stat(above.c_str(), &folder) == 0 && folder.st_dev == root.st_dev && folder.st_ino == root.st_ino) {
                any = true;
                return;
            }
            if (above == above.parent_path()) return;
        }
    }

    bool is(int dir, const char* name) const
    {
        if (!any) return false;
        struct stat info {};
        return ::fstatat(dir, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && info.st_dev == device && info.st_ino == inode;
    }
};

struct Walk {
    std::int64_t depth;
    const LeftOut& leftOut;
    std::vector<ListedFile>& files;
    std::vector<std::string>* leftovers;
};

void walk(int fd, const std::string& path, std::int64_t level, const Walk& how);

void walkInto(DIR* dir, const char* name, const std::string& path, std::int64_t level, const Walk& how)
{
    int sub = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub >= 0) walk(sub, path + name + "/", level + 1, how);
}

struct Entry {
    ino_t inode;
    unsigned char type;
    std::string name;
};

// The entry's type, where the file system gives it, spares asking for the
// status of what is never listed.
bool needsStatus(const Entry& entry)
{
    if (entry.type == DT_DIR) return platform::isPackage(entry.name.c_str());
    return entry.type == DT_REG || entry.type == DT_UNKNOWN;
}

// A large directory's statuses are read by a few threads at once, each over
// a stretch of inodes: the calls then wait on the file system's caches side
// by side instead of one after the other.
constexpr std::size_t kMostReaders = 4;
constexpr std::size_t kFewestEach = 1024;

std::vector<std::optional<platform::FileStatus>> statusesOf(int fd, const std::vector<Entry>& entries)
{
    std::vector<std::optional<platform::FileStatus>> statuses(entries.size());
    auto read = [&](std::size_t part, std::size_t parts) {
        const std::size_t each = (entries.size() + parts - 1) / parts;
        const std::size_t end = std::min(entries.size(), (part + 1) * each);
        for (std::size_t i = part * each; i < end; ++i)
            if (needsStatus(entries[i])) statuses[i] = platform::entryStatus(fd, entries[i].name.c_str());
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t parts = std::max<std::size_t>(1, std::min({kMostReaders, cores, entries.size() / kFewestEach}));
    std::vector<std::jthread> readers;
    std::size_t readHere = parts;
    for (std::size_t part = 1; part < parts; ++part) {
        try {
            readers.emplace_back(read, part, parts);
        } catch (const std::system_error&) {
            // No thread to be had: the rest is read here.
            readHere = part;
            break;
        }
    }
    read(0, parts);
    for (std::size_t part = readHere; part < parts; ++part) read(part, parts);
    readers.clear();
    return statuses;
}

// Walks the directory open at `fd`, whose path ends with a slash; `level`
// is the level of its entries (1 for the folder's own).
void walk(int fd, const std::string& path, std::int64_t level, const Walk& how)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    std::vector<Entry> entries;
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '\0' || name[0] == '.') {
            if (how.leftovers && platform::isTemporaryCopyName(name))
                how.leftovers->push_back(path + name);
            continue;
        }
        entries.push_back({entry->d_ino, entry->d_type, name});
    }
    // In the order of their inodes, the files' inodes, and the blocks that
    // hold them, are met one after the other rather than at random (the
    // directory's own order is that of a hash of the names): asking for a
    // status, and later for the handle and tags of each file a rule acts
    // on, then finds in the caches what the file before it brought in.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.inode < b.inode; });
    const auto statuses = statusesOf(::dirfd(dir), entries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const char* name = entries[i].name.c_str();
        if ((entries[i].type == DT_DIR || entries[i].type == DT_UNKNOWN) && how.leftOut.is(::dirfd(dir), name))
            continue;
        if (entries[i].type == DT_DIR && !platform::isPackage(name)) {
            if (level <= how.depth) walkInto(dir, name, path, level, how);
            continue;
        }
        const auto& status = statuses[i];
        if (!status) continue;
        if (status->isRegular() || (status->isDirectory() && platform::isPackage(name)))
            how.files.push_back(ListedFile{path + name, *status});
        else if (status->isDirectory() && level <= how.depth)
            walkInto(dir, name, path, level, how);
    }
    ::closedir(dir);
}

}  // namespace

std::vector<ListedFile> listFileStatuses(const Folder& folder, const std::filesystem::path& leftOut,
                                         std::vector<std::string>* leftovers)
{
    std::vector<ListedFile> files;
    std::string root = folderURL(folder).string();
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return files;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return files;
    }
    const LeftOut left(leftOut, info);
    if (left.any && info.st_dev == left.device && info.st_ino == left.inode) {
        ::close(fd);
        return files;
    }
    if (!root.ends_with('/')) root += '/';
    walk(fd, root, 1, Walk{folder.depth, left, files, leftovers});
    return files;
}

std::vector<std::filesystem::path> listFiles(const Folder& folder, const std::filesystem::path& leftOut)
{
    std::vector<std::filesystem::path> paths;
    for (auto& file : listFileStatuses(folder, leftOut)) paths.emplace_back(std::move(file.path));
    return paths;
}

}  // namespace olva
