#include "Core/RulesLock.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace olva {

// The lock is taken on the directory itself: rules.json is replaced by a
// rename on every save, so a lock on the file would not outlive the save, and
// the directory needs no extra file for it.
RulesLock::RulesLock(const std::filesystem::path& dir)
{
    fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), dir.string());
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        int error = errno;
        ::close(fd_);
        throw std::system_error(error, std::generic_category(), dir.string());
    }
}

RulesLock::~RulesLock()
{
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace olva
