#include "Core/platform/FileLock.h"

#include "Core/platform/Descriptor.h"
#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace olva::platform {

namespace {

// Takes the lock of `fd`, opened on `path`; the callers open it close-on-exec,
// since programs started meanwhile, and whatever they leave running, must
// never inherit the lock and keep it after its holder ends.
int lock(Descriptor fd, const std::filesystem::path& path, bool wait)
{
    if (!fd) throwErrno(errno, "couldn’t open " + quoted(path));
    while (::flock(fd.get(), wait ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK && !wait) return -1;
        throwErrno(errno, "couldn’t lock " + quoted(path));
    }
    return fd.release();
}

}  // namespace

int lockFile(const std::filesystem::path& path, bool wait)
{
    return lock(Descriptor(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)), path, wait);
}

int lockDirectory(const std::filesystem::path& dir)
{
    return lock(Descriptor(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), dir, true);
}

int lockDirectoryWithin(const std::filesystem::path& dir, std::chrono::milliseconds patience)
{
    Descriptor fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) throwErrno(errno, "couldn’t open " + quoted(dir));
    // flock has no time-out of its own; holders keep the lock for moments,
    // so a short poll costs next to nothing.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) throwErrno(errno, "couldn’t lock " + quoted(dir));
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return -1;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(10), deadline - now));
    }
    return fd.release();
}

bool isFileAt(int fd, const std::filesystem::path& path)
{
    struct stat held {}, named {};
    if (fd < 0 || ::fstat(fd, &held) != 0 || ::stat(path.c_str(), &named) != 0) return false;
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace olva::platform
