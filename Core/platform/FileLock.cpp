#include "Core/platform/FileLock.h"

#include "Core/platform/Descriptor.h"
#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace olva::platform {

int lockFile(const std::filesystem::path& path, bool wait)
{
    // Close-on-exec: programs started meanwhile, and whatever they leave
    // running, must never inherit the lock and keep it after its holder ends.
    Descriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd) throwErrno(errno, "couldn’t open " + quoted(path));
    while (::flock(fd.get(), wait ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK && !wait) return -1;
        throwErrno(errno, "couldn’t lock " + quoted(path));
    }
    return fd.release();
}

}  // namespace olva::platform
