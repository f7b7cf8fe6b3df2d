#include "Core/platform/StagedCopy.h"

#include "Core/base/ActionError.h"
#include "Core/platform/FolderNames.h"
#include "Core/platform/LeftoverCopies.h"
#include "Core/platform/RenameNoReplace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <system_error>

namespace olva::platform {
namespace fs = std::filesystem;

namespace {

// copy_file_range is asked for this much at a time, so that a stop is heard
// (and a test can step in) between chunks; a plain read takes a smaller
// buffer.
constexpr std::size_t kChunk = std::size_t(8) << 20;
constexpr std::size_t kBuffer = std::size_t(1) << 20;
// A temporary swept away by another process before it was locked is made
// again under a new name this many times.
constexpr int kAttempts = 3;

// Thrown between chunks once the copy is asked to stop; the copy as a whole
// then says what was cut short.
struct Stopped {};
// Thrown when the temporary just made was swept away before it was locked.
struct Swept {};

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
        if (copyStopRequested()) throw Stopped{};
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

StagedCopy::StagedCopy(fs::path from, fs::path folder, ItemTransfer::Kind kind)
    : from_(std::move(from)), folder_(std::move(folder)), kind_(kind)
{
    if (copyStopRequested()) throwCutShort();
    for (int attempt = 1;; ++attempt) {
        temporary_ = folder_ / newTemporaryCopyName();
        try {
            copyTree(from_, temporary_, true);
            return;
        } catch (const Swept&) {
            removeTemporary();
            copied_.clear();
            lock_ = Descriptor();
            if (attempt == kAttempts)
                throwErrno(ENOENT, "couldn't create " + copyName(from_, temporary_, true));
        } catch (const Stopped&) {
            removeTemporary();
            throwCutShort();
        } catch (...) {
            removeTemporary();
            throw;
        }
    }
}

StagedCopy::~StagedCopy() { removeTemporary(); }

void StagedCopy::verifySource() const
{
    for (const auto& item : copied_) {
        struct stat now {};
        if (::lstat(item.source.c_str(), &now) != 0 || !sameStatus(now, item.status)) throwChanged();
    }
}

void StagedCopy::place(const fs::path& to)
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

void StagedCopy::takeBack(const fs::path& to)
{
    struct stat there {};
    if (::lstat(to.c_str(), &there) != 0 || there.st_ino != copyInode_ || there.st_dev != copyDevice_) return;
    std::error_code ignored;
    fs::remove_all(to, ignored);
}

void StagedCopy::removeSource(const fs::path& to)
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
            throwErrno(errno, "copied " + quoted(from_) + " to " + quoted(to) + " but couldn't remove the original");
    }
}

const char* StagedCopy::verb() const { return kind_ == ItemTransfer::Kind::move ? "move" : "copy"; }

void StagedCopy::throwChanged() const
{
    if (kind_ == ItemTransfer::Kind::move)
        throw ActionError(quoted(from_) + " changed while it was being moved, so it was left where it is");
    throw ActionError(quoted(from_) + " changed while it was being copied, so no copy was kept");
}

void StagedCopy::throwCutShort() const
{
    const std::string what = "the " + std::string(verb()) + " of " + quoted(from_) + " to " + quoted(folder_) +
                             " was cut short";
    const std::string still = "the file is still at " + quoted(from_);
    if (kind_ == ItemTransfer::Kind::move) throwCopyCutShort(what + "; " + still);
    throwCopyCutShort(what + ", so no copy was kept; " + still);
}

// How a failure names the copy: the temporary's own name means nothing to
// the user.
std::string StagedCopy::copyName(const fs::path& from, const fs::path& to, bool top) const
{
    return top ? "a copy of " + quoted(from) + " in " + quoted(folder_) : quoted(to);
}

void StagedCopy::removeTemporary()
{
    if (placed_ || temporary_.empty()) return;
    std::error_code ignored;
    fs::remove_all(temporary_, ignored);
}

// The status of the open item, which must be the one met at `path`.
struct stat StagedCopy::opened(int fd, const struct stat& met) const
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_dev != met.st_dev || info.st_ino != met.st_ino) throwChanged();
    return info;
}

void StagedCopy::holdLock(int fd, const fs::path& path, bool top)
{
    if (!top) return;
    Descriptor lock(::dup(fd));
    if (lock) ::flock(lock.get(), LOCK_EX);
    lock_ = std::move(lock);
    struct stat info {}, there {};
    if (::fstat(fd, &info) != 0) return;
    copyDevice_ = info.st_dev;
    copyInode_ = info.st_ino;
    // Between its making and its lock, another process's sweep may have
    // taken it for a leftover.
    if (::lstat(path.c_str(), &there) != 0 || there.st_dev != info.st_dev || there.st_ino != info.st_ino)
        throw Swept{};
}

void StagedCopy::copyTree(const fs::path& from, const fs::path& to, bool top)
{
    struct stat info {};
    if (::lstat(from.c_str(), &info) != 0) throwErrno(errno, "couldn't " + std::string(verb()) + " " + quoted(from));
    if (S_ISREG(info.st_mode)) copyFile(from, to, info, top);
    else if (S_ISDIR(info.st_mode)) copyFolder(from, to, info, top);
    else if (S_ISLNK(info.st_mode)) copyLink(from, to, info, top);
    else throwErrno(ENOTSUP, "couldn't copy " + quoted(from) + ", which is not a file, folder or link");
}

void StagedCopy::copyFile(const fs::path& from, const fs::path& to, const struct stat& met, bool top)
{
    Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY));
    if (!source) throwErrno(errno, "couldn't open " + quoted(from));
    const struct stat info = opened(source.get(), met);
    copied_.push_back({from, info});
    Descriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!target) throwErrno(errno, "couldn't create " + copyName(from, to, top));
    holdLock(target.get(), to, top);
    copyData(source.get(), target.get(), from, to, static_cast<std::uint64_t>(info.st_size));
    bool dropped = false;
    copyMetadata(source.get(), target.get(), from, to, info, dropped);
    if (top) dropped_ = dropped;
    flush(target.get(), from);
}

void StagedCopy::copyFolder(const fs::path& from, const fs::path& to, const struct stat& met, bool top)
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
    holdLock(target.get(), to, top);
    for (const std::string& name : listNames(source.get(), from)) {
        if (copyStopRequested()) throw Stopped{};
        copyTree(from / name, to / name, false);
    }
    // Last, since filling the folder changed its dates.
    bool dropped = false;
    copyMetadata(source.get(), target.get(), from, to, info, dropped);
    if (top) dropped_ = dropped;
    ::fsync(target.get());  // best effort: not every file system flushes a folder
}

void StagedCopy::copyLink(const fs::path& from, const fs::path& to, const struct stat& info, bool top)
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

void setCopyChunkHook(CopyChunkHook hook) { chunkHook() = std::move(hook); }

}  // namespace olva::platform
