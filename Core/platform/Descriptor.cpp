#include "Core/platform/Descriptor.h"

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
    struct stat before {};
    if (::fstat(fd, &before) != 0) return false;
    if (writeAll(fd, bytes)) return true;
    int error = errno;
    // A shorter size is always allowed, even past a file size limit.
    while (::ftruncate(fd, before.st_size) != 0 && errno == EINTR) {}
    errno = error;
    return false;
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
