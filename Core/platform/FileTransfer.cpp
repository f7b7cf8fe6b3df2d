#include "Core/platform/FileTransfer.h"

#include "Core/platform/Descriptor.h"
#include "Core/platform/RenameNoReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

bool itemExists(const fs::path& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

namespace {

// Copies every "user." attribute; a destination file system without extended
// attributes keeps the copy without them, as other file managers do.
void copyUserAttributes(int from, int to, const fs::path& source)
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
            if (errno == ENOTSUP) return;
            throwErrno(errno, "couldn't copy the attributes of " + quoted(source));
        }
    }
}

void copyData(int from, int to, const fs::path& source)
{
    bool useCopyRange = true;
    std::vector<char> buffer;
    for (;;) {
        ssize_t copied = -1;
        if (useCopyRange) {
            copied = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
            if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                               errno == EOPNOTSUPP || errno == EPERM)) {
                useCopyRange = false;
                continue;
            }
        } else {
            if (buffer.empty()) buffer.resize(1 << 17);
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
    }
}

// Attributes and permissions, then the dates, which the rest would change.
void copyMetadata(int source, int target, const fs::path& from, const fs::path& to, const struct stat& info)
{
    copyUserAttributes(source, target, from);
    if (::fchmod(target, info.st_mode & 07777) != 0) throwErrno(errno, "couldn't set the permissions of " + quoted(to));
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::futimens(target, times) != 0) throwErrno(errno, "couldn't set the dates of " + quoted(to));
}

void copyTree(const fs::path& from, const fs::path& to, bool& created);

void copyFile(const fs::path& from, const fs::path& to, const struct stat& info, bool& created)
{
    Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!source) throwErrno(errno, "couldn't open " + quoted(from));
    Descriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!target) throwErrno(errno, "couldn't create " + quoted(to));
    created = true;
    copyData(source.get(), target.get(), from);
    copyMetadata(source.get(), target.get(), from, to, info);
}

void copyFolder(const fs::path& from, const fs::path& to, const struct stat& info, bool& created)
{
    Descriptor source(::open(from.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (!source) throwErrno(errno, "couldn't open " + quoted(from));
    if (::mkdir(to.c_str(), 0700) != 0) throwErrno(errno, "couldn't create " + quoted(to));
    created = true;

    std::vector<std::string> names;
    {
        DIR* dir = ::fdopendir(::dup(source.get()));
        if (!dir) throwErrno(errno, "couldn't list " + quoted(from));
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            std::string_view name = entry->d_name;
            if (name != "." && name != "..") names.emplace_back(name);
        }
        int error = errno;
        ::closedir(dir);
        if (error != 0) throwErrno(error, "couldn't list " + quoted(from));
    }
    for (const std::string& name : names) {
        bool childCreated = false;
        copyTree(from / name, to / name, childCreated);
    }

    Descriptor target(::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (!target) throwErrno(errno, "couldn't open " + quoted(to));
    // Last, since filling the folder changed its dates.
    copyMetadata(source.get(), target.get(), from, to, info);
}

void copyLink(const fs::path& from, const fs::path& to, const struct stat& info, bool& created)
{
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
    if (::symlink(text.c_str(), to.c_str()) != 0) throwErrno(errno, "couldn't create " + quoted(to));
    created = true;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW);  // not every file system allows it
}

void copyTree(const fs::path& from, const fs::path& to, bool& created)
{
    struct stat info {};
    if (::lstat(from.c_str(), &info) != 0) throwErrno(errno, "couldn't copy " + quoted(from));
    if (S_ISREG(info.st_mode)) copyFile(from, to, info, created);
    else if (S_ISDIR(info.st_mode)) copyFolder(from, to, info, created);
    else if (S_ISLNK(info.st_mode)) copyLink(from, to, info, created);
    else throwErrno(ENOTSUP, "couldn't copy " + quoted(from) + ", which is not a file, folder or link");
}

void removeCopy(const fs::path& path)
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

}  // namespace

void copyItem(const fs::path& from, const fs::path& to)
{
    bool created = false;
    try {
        copyTree(from, to, created);
    } catch (...) {
        // Only what this copy created goes; a taken destination is not ours.
        if (created) removeCopy(to);
        throw;
    }
}

void moveByCopying(const fs::path& from, const fs::path& to)
{
    copyItem(from, to);
    struct stat info {};
    if (::lstat(from.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::error_code error;
        fs::remove_all(from, error);
        // The copy is whole, so it stays even when part of the source does too.
        if (error)
            throw std::system_error(error, "copied " + quoted(from) + " to " + quoted(to) +
                                               " but couldn't remove the original");
        return;
    }
    if (::unlink(from.c_str()) != 0) {
        int error = errno;
        removeCopy(to);
        throwErrno(error, "couldn't move " + quoted(from) + " to " + quoted(to));
    }
}

void moveItem(const fs::path& from, const fs::path& to)
{
    try {
        renameNoReplace(from, to);
    } catch (const std::system_error& error) {
        if (error.code() == std::errc::cross_device_link) return moveByCopying(from, to);
        throwErrno(error.code().value(), "couldn't move " + quoted(from) + " to " + quoted(to));
    }
}

}  // namespace olva::platform
