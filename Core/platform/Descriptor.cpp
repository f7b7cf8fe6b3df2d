#include "Core/platform/Descriptor.h"

#include <fcntl.h>
#include <linux/falloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace olva::platform {

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

Descriptor::~Descriptor()
{
    // The caller may still be about to read the error of its last call.
    int error = errno;
    if (fd_ >= 0) ::close(fd_);
    errno = error;
}

std::filesystem::path descriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool appendWhole(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            int error = written < 0 ? errno : ENOSPC;
            // What went in ends where the descriptor stands: when nothing
            // came after it, the file is cut back by as much. A shorter size
            // is always allowed, even past a file size limit.
            struct stat now {};
            const off_t end = done > 0 ? ::lseek(fd, 0, SEEK_CUR) : -1;
            if (end >= off_t(done) && ::fstat(fd, &now) == 0 && now.st_size == end)
                while (::ftruncate(fd, end - off_t(done)) != 0 && errno == EINTR) {}
            errno = error;
            return false;
        }
        done += std::size_t(written);
    }
    return true;
}

bool reserveSpace(int fd, std::uint64_t offset, std::uint64_t length)
{
    int result;
    while ((result = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, off_t(offset), off_t(length))) != 0 && errno == EINTR) {}
    return result == 0 || errno != ENOSPC;
}

std::optional<std::string> readToEnd(int fd)
{
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (count == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

}  // namespace olva::platform
