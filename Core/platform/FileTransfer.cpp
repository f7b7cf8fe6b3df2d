#include "Core/platform/FileTransfer.h"

#include "Core/base/ActionError.h"
#include "Core/platform/Descriptor.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/RenameNoReplace.h"
#include "Core/platform/UUID.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

namespace olva::platform {
namespace fs = std::filesystem;

bool isFileExistsError(const std::exception& error)
{
    const auto* system = dynamic_cast<const std::system_error*>(&error);
    return system && system->code() == std::errc::file_exists;
}

bool foldersOnOneFileSystem(const fs::path& a, const fs::path& b)
{
    struct stat first {}, second {};
    return ::stat(a.parent_path().c_str(), &first) == 0 && ::stat(b.parent_path().c_str(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

bool itemExists(const fs::path& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

namespace {

constexpr std::string_view kTemporaryPrefix = ".olva-";
constexpr std::string_view kTemporarySuffix = ".partial";
// copy_file_range is asked for this much at a time, so that a test can step
// in between; a plain read takes a smaller buffer.
constexpr std::size_t kChunk = std::size_t(8) << 20;
constexpr std::size_t kBuffer = std::size_t(1) << 20;

CopyChunkHook& chunkHook()
{
    static CopyChunkHook hook;
    return hook;
}

// What a file system says when it cannot keep a file's mode or times (FAT),
// or cannot flush: the copy goes on without.
bool cannotKeep(int error)
{
    return error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP || error == EPERM || error == EINVAL;
}

std::vector<std::string> listNames(int fd, const fs::path& path)
{
    std::vector<std::string> names;
    DIR* dir = ::fdopendir(::dup(fd));
    if (!dir) throwErrno(errno, "couldn't list " + quoted(path));
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    int error = errno;
    ::closedir(dir);
    if (error != 0) throwErrno(error, "couldn't list " + quoted(path));
    return names;
}

// Copies every "user." attribute. A destination file system without
// extended attributes keeps the copy without them, as other file managers
// do; `dropped` tells.
void copyUserAttributes(int from, int to, const fs::path& source, bool& dropped)
{
    std::vector<char> names;
    for (;;) {
        ssize_t size = ::flistxattr(from, nullptr, 0);
        if (size < 0) {
            if (errno == ENOTSUP) return;
            throwErrno(errno, "couldn't read the attributes of " + quoted(source));
        }
        if (size == 0) return;
        names.resize(static_cast<std::size_t>(size));
        size = ::flistxattr(from, names.data(), names.size());
        if (size >= 0) {
            names.resize(static_cast<std::size_t>(size));
            break;
        }
        if (errno != ERANGE) throwErrno(errno, "couldn't read the attributes of " + quoted(source));
    }
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        std::string name(names.data() + at);
        at += name.size() + 1;
        if (!std::string_view(name).starts_with("user.")) continue;
        ssize_t size;
        for (;;) {
            size = ::fgetxattr(from, name.c_str(), nullptr, 0);
            if (size < 0) break;
            value.resize(static_cast<std::size_t>(size));
            size = ::fgetxattr(from, name.c_str(), value.data(), value.size());
            if (size >= 0 || errno != ERANGE) break;
        }
        if (size < 0) {
            if (errno == ENODATA) continue;  // removed meanwhile
            throwErrno(errno, "couldn't read the attributes of " + quoted(source));
        }
        if (::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) != 0) {
            if (errno == ENOTSUP || errno == EOPNOTSUPP) {
                dropped = true;
                return;
            }
            throwErrno(errno, "couldn't copy the attributes of " + quoted(source));
        }
    }
}

void copyData(int from, int to, const fs::path& source, const fs::path& copy, std::uint64_t size)
{
    bool useCopyRange = true;
    std::vector<char> buffer;
    for (;;) {
        ssize_t copied = -1;
        if (useCopyRange) {
            copied = ::copy_file_range(from, nullptr, to, nullptr, kChunk, 0);
            if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                               errno == EPERM)) {
                useCopyRange = false;
                continue;
            }
        } else {
            if (buffer.empty())
                buffer.resize(static_cast<std::size_t>(std::clamp<std::uint64_t>(size + 1, 4096, kBuffer)));
            ssize_t got = ::read(from, buffer.data(), buffer.size());
            if (got < 0) {
                if (errno == EINTR) continue;
                throwErrno(errno, "couldn't read " + quoted(source));
            }
            if (!writeAll(to, std::string_view(buffer.data(), static_cast<std::size_t>(got))))
                throwErrno(errno, "couldn't write the copy of " + quoted(source));
            copied = got;
        }
        if (copied < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno, "couldn't copy " + quoted(source));
        }
        if (copied == 0) return;
        if (const CopyChunkHook& hook = chunkHook()) hook(source, copy);
    }
}

// Attributes and permissions, then the dates, which the rest would change.
void copyMetadata(int source, int target, const fs::path& from, const fs::path& to, const struct stat& info,
                  bool& dropped)
{
    copyUserAttributes(source, target, from, dropped);
    if (::fchmod(target, info.st_mode & 07777) != 0 && !cannotKeep(errno))
        throwErrno(errno, "couldn't set the permissions of " + quoted(to));
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::futimens(target, times) != 0 && !cannotKeep(errno))
        throwErrno(errno, "couldn't set the dates of " + quoted(to));
}

void flush(int fd, const fs::path& source)
{
    if (::fsync(fd) != 0 && !cannotKeep(errno)) throwErrno(errno, "couldn't write the copy of " + quoted(source));
}

void flushFolder(const fs::path& folder)
{
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) ::fsync(fd.get());  // best effort: some file systems cannot
}

bool sameStatus(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT) &&
           a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Whether `folder`, or a folder above it, is `item` (a folder copied into
// itself would never end).
bool isWithin(fs::path folder, const struct stat& item)
{
    for (;;) {
        struct stat info {};
        if (::stat(folder.c_str(), &info) == 0 && info.st_dev == item.st_dev && info.st_ino == item.st_ino) return true;
        if (folder == folder.parent_path() || folder.empty()) return false;
        folder = folder.parent_path();
    }
}

}  // namespace

// A copy of an item under a temporary name in its destination folder, made
// whole and flushed, locked (flock) while this process works on it so that
// removeLeftoverCopies knows it is not left over. It remembers the status of
// every source item as it read it, to tell whether any changed since.
class StagedCopy {
public:
    StagedCopy(fs::path from, fs::path folder, ItemTransfer::Kind kind)
        : from_(std::move(from)),
          folder_(std::move(folder)),
          temporary_(folder_ / (std::string(kTemporaryPrefix) + newUUID() + std::string(kTemporarySuffix))),
          kind_(kind)
    {
        try {
            copyTree(from_, temporary_, true);
        } catch (...) {
            removeTemporary();
            throw;
        }
    }

    ~StagedCopy() { removeTemporary(); }

    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;

    const fs::path& folder() const { return folder_; }
    bool attributesDropped() const { return dropped_; }

    // Throws ActionError when a source item is no longer what was copied.
    void verifySource() const
    {
        for (const auto& item : copied_) {
            struct stat now {};
            if (::lstat(item.source.c_str(), &now) != 0 || !sameStatus(now, item.status)) throwChanged();
        }
    }

    // Gives the copy its name; std::errc::file_exists when it is taken, and
    // the copy stays for another name.
    void place(const fs::path& to)
    {
        try {
            renameNoReplace(temporary_, to);
        } catch (const std::system_error& error) {
            if (error.code() == std::errc::file_exists) throw;
            throw std::system_error(error.code(), "couldn't " + std::string(verb()) + " " + quoted(from_) + " to " +
                                                      quoted(to));
        }
        placed_ = true;
        lock_ = Descriptor();
        flushFolder(folder_);
    }

    // Removes the copy just placed at `to`, where it is still the copy.
    void takeBack(const fs::path& to)
    {
        struct stat there {};
        if (::lstat(to.c_str(), &there) != 0 || there.st_ino != copyInode_ || there.st_dev != copyDevice_) return;
        std::error_code ignored;
        fs::remove_all(to, ignored);
    }

    // The source items, each still as it was copied, deepest first. A
    // single file that cannot be removed is kept and its copy taken back;
    // of a folder, what could not be removed stays beside its whole copy.
    void removeSource(const fs::path& to)
    {
        if (copied_.size() == 1 && !S_ISDIR(copied_.front().status.st_mode)) {
            if (::unlink(from_.c_str()) == 0) return;
            int error = errno;
            takeBack(to);
            throwErrno(error, "couldn't move " + quoted(from_) + " to " + quoted(to));
        }
        for (auto item = copied_.rbegin(); item != copied_.rend(); ++item) {
            bool folder = S_ISDIR(item->status.st_mode);
            if ((folder ? ::rmdir(item->source.c_str()) : ::unlink(item->source.c_str())) != 0)
                throwErrno(errno,
                           "copied " + quoted(from_) + " to " + quoted(to) + " but couldn't remove the original");
        }
    }

private:
    struct Copied {
        fs::path source;
        struct stat status;
    };

    const char* verb() const { return kind_ == ItemTransfer::Kind::move ? "move" : "copy"; }

    [[noreturn]] void throwChanged() const
    {
        if (kind_ == ItemTransfer::Kind::move)
            throw ActionError(quoted(from_) + " changed while it was being moved, so it was left where it is");
        throw ActionError(quoted(from_) + " changed while it was being copied, so no copy was kept");
    }

    // How a failure names the copy: the temporary's own name means nothing
    // to the user.
    std::string copyName(const fs::path& from, const fs::path& to, bool top) const
    {
        return top ? "a copy of " + quoted(from) + " in " + quoted(folder_) : quoted(to);
    }

    void removeTemporary()
    {
        if (placed_) return;
        std::error_code ignored;
        fs::remove_all(temporary_, ignored);
    }

    // The status of the open item, which must be the one met at `path`.
    struct stat opened(int fd, const struct stat& met) const
    {
        struct stat info {};
        if (::fstat(fd, &info) != 0 || info.st_dev != met.st_dev || info.st_ino != met.st_ino) throwChanged();
        return info;
    }

    void holdLock(int fd, bool top)
    {
        if (!top) return;
        Descriptor lock(::dup(fd));
        if (lock) ::flock(lock.get(), LOCK_EX);
        lock_ = std::move(lock);
        struct stat info {};
        if (::fstat(fd, &info) == 0) {
            copyDevice_ = info.st_dev;
            copyInode_ = info.st_ino;
        }
    }

    void copyTree(const fs::path& from, const fs::path& to, bool top)
    {
        struct stat info {};
        if (::lstat(from.c_str(), &info) != 0)
            throwErrno(errno, "couldn't " + std::string(verb()) + " " + quoted(from));
        if (S_ISREG(info.st_mode)) copyFile(from, to, info, top);
        else if (S_ISDIR(info.st_mode)) copyFolder(from, to, info, top);
        else if (S_ISLNK(info.st_mode)) copyLink(from, to, info, top);
        else throwErrno(ENOTSUP, "couldn't copy " + quoted(from) + ", which is not a file, folder or link");
    }

    void copyFile(const fs::path& from, const fs::path& to, const struct stat& met, bool top)
    {
        Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY));
        if (!source) throwErrno(errno, "couldn't open " + quoted(from));
        const struct stat info = opened(source.get(), met);
        copied_.push_back({from, info});
        Descriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!target) throwErrno(errno, "couldn't create " + copyName(from, to, top));
        holdLock(target.get(), top);
        copyData(source.get(), target.get(), from, to, static_cast<std::uint64_t>(info.st_size));
        bool dropped = false;
        copyMetadata(source.get(), target.get(), from, to, info, dropped);
        if (top) dropped_ = dropped;
        flush(target.get(), from);
    }

    void copyFolder(const fs::path& from, const fs::path& to, const struct stat& met, bool top)
    {
        Descriptor source(::open(from.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
        if (!source) throwErrno(errno, "couldn't open " + quoted(from));
        const struct stat info = opened(source.get(), met);
        if (top && isWithin(folder_, info))
            throwErrno(EINVAL, "couldn't " + std::string(verb()) + " " + quoted(from) + " into itself");
        copied_.push_back({from, info});
        if (::mkdir(to.c_str(), 0700) != 0) throwErrno(errno, "couldn't create " + copyName(from, to, top));
        Descriptor target(::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
        if (!target) throwErrno(errno, "couldn't open " + quoted(to));
        holdLock(target.get(), top);
        for (const std::string& name : listNames(source.get(), from)) copyTree(from / name, to / name, false);
        // Last, since filling the folder changed its dates.
        bool dropped = false;
        copyMetadata(source.get(), target.get(), from, to, info, dropped);
        if (top) dropped_ = dropped;
        ::fsync(target.get());  // best effort: not every file system flushes a folder
    }

    void copyLink(const fs::path& from, const fs::path& to, const struct stat& info, bool top)
    {
        copied_.push_back({from, info});
        std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        for (;;) {
            ssize_t size = ::readlink(from.c_str(), target.data(), target.size());
            if (size < 0) throwErrno(errno, "couldn't read the link " + quoted(from));
            if (static_cast<std::size_t>(size) < target.size()) {
                target.resize(static_cast<std::size_t>(size));
                break;
            }
            target.resize(target.size() * 2);
        }
        std::string text(target.begin(), target.end());
        if (::symlink(text.c_str(), to.c_str()) != 0) throwErrno(errno, "couldn't create " + copyName(from, to, top));
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW);  // not every file system allows it
        if (top) {
            struct stat made {};
            if (::lstat(to.c_str(), &made) == 0) {
                copyDevice_ = made.st_dev;
                copyInode_ = made.st_ino;
            }
        }
    }

    fs::path from_;
    fs::path folder_;
    fs::path temporary_;
    ItemTransfer::Kind kind_;
    Descriptor lock_;
    std::vector<Copied> copied_;
    dev_t copyDevice_ = 0;
    ino_t copyInode_ = 0;
    bool dropped_ = false;
    bool placed_ = false;
};

ItemTransfer::ItemTransfer(fs::path from, Kind kind, bool copying)
    : from_(std::move(from)), kind_(kind), copying_(copying)
{
}

ItemTransfer::~ItemTransfer() = default;

void ItemTransfer::to(const fs::path& destination)
{
    if (kind_ == Kind::move && !copying_ && !staged_) {
        try {
            renameNoReplace(from_, destination);
            return;
        } catch (const std::system_error& error) {
            if (error.code() != std::errc::cross_device_link) throw;
        }
    }
    const fs::path folder = destination.parent_path();
    if (staged_ && staged_->folder() != folder) staged_.reset();
    if (!staged_) {
        staged_ = std::make_unique<StagedCopy>(from_, folder, kind_);
        copied_ = true;
        if (staged_->attributesDropped()) tagsLeftBehind_ = readTags(from_);
    }
    staged_->verifySource();
    staged_->place(destination);
    if (kind_ == Kind::move) {
        // Looked at once more, as late as can be: the source goes only
        // while it is still what was copied.
        try {
            staged_->verifySource();
        } catch (...) {
            staged_->takeBack(destination);
            staged_.reset();
            throw;
        }
        staged_->removeSource(destination);
    }
    staged_.reset();
}

void moveItem(const fs::path& from, const fs::path& to)
{
    ItemTransfer(from, ItemTransfer::Kind::move).to(to);
}

void copyItem(const fs::path& from, const fs::path& to)
{
    ItemTransfer(from, ItemTransfer::Kind::copy).to(to);
}

void moveByCopying(const fs::path& from, const fs::path& to)
{
    ItemTransfer(from, ItemTransfer::Kind::move, true).to(to);
}

bool isTemporaryCopyName(const std::string& name)
{
    std::string_view text = name;
    if (!text.starts_with(kTemporaryPrefix) || !text.ends_with(kTemporarySuffix)) return false;
    text.remove_prefix(kTemporaryPrefix.size());
    text.remove_suffix(kTemporarySuffix.size());
    return canonicalUUID(text) == std::string(text);
}

int removeLeftoverCopies(const fs::path& folder)
{
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return 0;
    int removed = 0;
    std::vector<std::string> names;
    try {
        names = listNames(dir.get(), folder);
    } catch (const std::system_error&) {
        return 0;
    }
    for (const std::string& name : names) {
        if (!isTemporaryCopyName(name)) continue;
        // A link lives for a moment only, and cannot be locked.
        struct stat info {};
        if (::fstatat(dir.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(info.st_mode)) continue;
        Descriptor item(::openat(dir.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!item || ::flock(item.get(), LOCK_EX | LOCK_NB) != 0) continue;  // still being made
        std::error_code error;
        fs::remove_all(folder / name, error);
        if (!error) ++removed;
    }
    return removed;
}

namespace {

bool sameBytes(const fs::path& a, const fs::path& b)
{
    Descriptor first(::open(a.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    Descriptor second(::open(b.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!first || !second) return false;
    std::vector<char> one(kBuffer), two(kBuffer);
    for (;;) {
        ssize_t got = ::read(first.get(), one.data(), one.size());
        if (got < 0) return false;
        std::size_t have = 0;
        while (have < static_cast<std::size_t>(got)) {
            ssize_t more = ::read(second.get(), two.data() + have, static_cast<std::size_t>(got) - have);
            if (more <= 0) return false;
            have += static_cast<std::size_t>(more);
        }
        if (std::memcmp(one.data(), two.data(), have) != 0) return false;
        if (got == 0) {
            char extra;
            return ::read(second.get(), &extra, 1) == 0;
        }
    }
}

}  // namespace

bool sameContents(const fs::path& a, const fs::path& b)
{
    struct stat first {}, second {};
    if (::lstat(a.c_str(), &first) != 0 || ::lstat(b.c_str(), &second) != 0) return false;
    if ((first.st_mode & S_IFMT) != (second.st_mode & S_IFMT)) return false;
    if (S_ISREG(first.st_mode)) return first.st_size == second.st_size && sameBytes(a, b);
    if (S_ISLNK(first.st_mode)) {
        std::error_code one, two;
        return fs::read_symlink(a, one) == fs::read_symlink(b, two) && !one && !two;
    }
    if (!S_ISDIR(first.st_mode)) return false;
    Descriptor left(::open(a.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    Descriptor right(::open(b.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (!left || !right) return false;
    try {
        std::vector<std::string> names = listNames(left.get(), a), others = listNames(right.get(), b);
        std::sort(names.begin(), names.end());
        std::sort(others.begin(), others.end());
        if (names != others) return false;
        return std::all_of(names.begin(), names.end(),
                           [&](const std::string& name) { return sameContents(a / name, b / name); });
    } catch (const std::system_error&) {
        return false;
    }
}

void setCopyChunkHook(CopyChunkHook hook) { chunkHook() = std::move(hook); }

}  // namespace olva::platform
