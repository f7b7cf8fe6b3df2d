#include "Core/platform/RenameNoReplace.h"

#include "Core/platform/Descriptor.h"
#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace olva::platform {

namespace {

[[noreturn]] void fail(int error, const std::filesystem::path& from, const std::filesystem::path& to)
{
    throwErrno(error, "couldn’t move " + quoted(from) + " to " + quoted(to));
}

// Whether `to` is still the empty item this process reserved.
bool stillReserved(const std::filesystem::path& to, const struct stat& reserved)
{
    struct stat now {};
    return ::lstat(to.c_str(), &now) == 0 && now.st_dev == reserved.st_dev && now.st_ino == reserved.st_ino &&
           (now.st_mode & S_IFMT) == (reserved.st_mode & S_IFMT) && (S_ISDIR(now.st_mode) || now.st_size == 0);
}

void removeReservation(const std::filesystem::path& to, const struct stat& reserved)
{
    if (!stillReserved(to, reserved)) return;
    if (S_ISDIR(reserved.st_mode)) ::rmdir(to.c_str());
    else ::unlink(to.c_str());
}

}  // namespace

void renameOntoReservation(const std::filesystem::path& from, const std::filesystem::path& to)
{
    struct stat source {};
    if (::lstat(from.c_str(), &source) != 0) fail(errno, from, to);
    const bool folder = S_ISDIR(source.st_mode);
    if (folder) {
        if (::mkdir(to.c_str(), 0700) != 0) fail(errno, from, to);
    } else {
        Descriptor made(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!made) fail(errno, from, to);
    }
    struct stat reserved {};
    if (::lstat(to.c_str(), &reserved) != 0) fail(errno, from, to);
    // Replaced or filled since it was made: it is someone else's now.
    if (!stillReserved(to, reserved)) fail(EEXIST, from, to);
    if (::rename(from.c_str(), to.c_str()) == 0) return;
    int error = errno;
    // Some file systems (FAT through FUSE) rename a folder onto no other
    // folder, however empty. The name was free a moment ago: freed again,
    // the rename can replace at most an empty folder made in between.
    if (folder && (error == EPERM || error == EEXIST || error == ENOTEMPTY) && stillReserved(to, reserved)) {
        if (::rmdir(to.c_str()) == 0) {
            if (::rename(from.c_str(), to.c_str()) == 0) return;
            error = errno;
            if (error == ENOTEMPTY || error == EEXIST || error == ENOTDIR) error = EEXIST;
            fail(error, from, to);
        }
    }
    removeReservation(to, reserved);
    fail(error, from, to);
}

void renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP) {
        // EINVAL also stands for moving a folder into itself: that fails
        // again below, with the same code.
        return renameOntoReservation(from, to);
    }
    fail(error, from, to);
}

}  // namespace olva::platform
