#include "Core/platform/Trash.h"

#include "Core/base/FileName.h"
#include "Core/base/Paths.h"
#include "Core/platform/Descriptor.h"
#include "Core/platform/FileTransfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <system_error>

namespace olva::platform {
namespace fs = std::filesystem;

namespace {

// Percent-encodes everything but unreserved characters and "/", as the
// ".trashinfo" Path key wants.
std::string escapePath(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string result;
    for (unsigned char c : path) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            result += static_cast<char>(c);
        } else {
            result += '%';
            result += hex[c >> 4];
            result += hex[c & 15];
        }
    }
    return result;
}

std::string localTimestamp()
{
    std::time_t now = std::time(nullptr);
    std::tm parts {};
    ::localtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    return text;
}

// The device of `path`, or of its nearest existing folder above.
dev_t deviceOf(fs::path path)
{
    for (;;) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) return info.st_dev;
        if (path == path.parent_path()) return 0;
        path = path.parent_path();
    }
}

void makeFolder(const fs::path& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        throwErrno(errno, "couldn't create the Trash folder " + quoted(path));
}

// A Trash folder of ours: created when missing, a real folder (no link)
// owned by `uid`, with its "files" and "info" folders.
bool usableOwnTrash(const fs::path& path, uid_t uid, int& error)
{
    auto ownFolder = [&](const fs::path& folder) {
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            error = errno;
            return false;
        }
        struct stat info {};
        if (::lstat(folder.c_str(), &info) != 0) {
            error = errno;
            return false;
        }
        if (!S_ISDIR(info.st_mode) || info.st_uid != uid) {
            error = EPERM;
            return false;
        }
        return true;
    };
    return ownFolder(path) && ownFolder(path / "files") && ownFolder(path / "info");
}

}  // namespace

fs::path homeTrash() { return dataHome() / "Trash"; }

fs::path mountPointOf(const fs::path& path)
{
    std::error_code error;
    fs::path current = fs::canonical(path, error);
    if (error) throw std::system_error(error, "couldn't find the file system of " + quoted(path));
    struct stat info {};
    if (::stat(current.c_str(), &info) != 0) throwErrno(errno, "couldn't find the file system of " + quoted(path));
    while (current != current.parent_path()) {
        struct stat above {};
        if (::stat(current.parent_path().c_str(), &above) != 0 || above.st_dev != info.st_dev) break;
        current = current.parent_path();
    }
    return current;
}

fs::path topdirTrash(const fs::path& topdir, uid_t uid)
{
    int error = EACCES;
    fs::path shared = topdir / ".Trash";
    struct stat info {};
    if (::lstat(shared.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX)) {
        fs::path mine = shared / std::to_string(uid);
        if (usableOwnTrash(mine, uid, error)) return mine;
    }
    fs::path own = topdir / (".Trash-" + std::to_string(uid));
    if (usableOwnTrash(own, uid, error)) return own;
    throwErrno(error, "couldn't make a Trash folder on the file system at " + quoted(topdir));
}

fs::path moveToTrash(const fs::path& item, const std::function<void(const fs::path&)>& before)
{
    fs::path source = fs::absolute(item);
    struct stat info {};
    if (::lstat(source.c_str(), &info) != 0) throwErrno(errno, "couldn't move " + quoted(source) + " to the Trash");

    fs::path trash = homeTrash();
    std::string originalPath;
    if (deviceOf(trash) == info.st_dev) {
        std::error_code error;
        fs::create_directories(trash.parent_path(), error);
        if (error) throw std::system_error(error, "couldn't create the Trash folder " + quoted(trash));
        makeFolder(trash);
        makeFolder(trash / "files");
        makeFolder(trash / "info");
        originalPath = source.string();
    } else {
        std::error_code error;
        fs::path parent = fs::canonical(source.parent_path(), error);
        if (error) throw std::system_error(error, "couldn't move " + quoted(source) + " to the Trash");
        fs::path topdir = mountPointOf(parent);
        trash = topdirTrash(topdir, ::getuid());
        originalPath = (parent / source.filename()).lexically_relative(topdir).string();
    }

    std::string contents = "[Trash Info]\nPath=" + escapePath(originalPath) + "\nDeletionDate=" + localTimestamp() + "\n";
    std::string name = source.filename().string();
    for (unsigned long number = 1;; ++number) {
        std::string candidate = number == 1 ? name : numberedName(name, number);
        fs::path infoPath = trash / "info" / (candidate + ".trashinfo");
        int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throwErrno(errno, "couldn't move " + quoted(source) + " to the Trash");
        }
        bool written = writeAll(fd, contents);
        int error = errno;
        ::close(fd);
        if (!written) {
            ::unlink(infoPath.c_str());
            throwErrno(error, "couldn't move " + quoted(source) + " to the Trash");
        }

        fs::path destination = trash / "files" / candidate;
        try {
            if (before) before(destination);
        } catch (...) {
            ::unlink(infoPath.c_str());
            throw;
        }
        try {
            moveItem(source, destination);
            return destination;
        } catch (const std::exception& error) {
            ::unlink(infoPath.c_str());
            if (!isFileExistsError(error)) throw;
        }
    }
}

void restoreFromTrash(const fs::path& trashed, const fs::path& original)
{
    moveItem(trashed, original);
    fs::path files = trashed.parent_path();
    if (files.filename() == "files") {
        fs::path infoPath = files.parent_path() / "info" / (trashed.filename().string() + ".trashinfo");
        ::unlink(infoPath.c_str());
    }
}

}  // namespace olva::platform
