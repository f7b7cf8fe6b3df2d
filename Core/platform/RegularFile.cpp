#include "Core/platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace olva::platform {

std::optional<RegularFile> RegularFile::open(const std::filesystem::path& path)
{
    struct stat before{};
    if (::stat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode)) return std::nullopt;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat after{};
    if (fstat(fd, &after) != 0 || !S_ISREG(after.st_mode) || after.st_ino != before.st_ino
        || after.st_dev != before.st_dev) {
        ::close(fd);
        return std::nullopt;
    }
    return RegularFile(fd, after.st_size);
}

RegularFile::RegularFile(RegularFile&& other) noexcept : fd_(other.fd_), size_(other.size_)
{
    other.fd_ = -1;
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        size_ = other.size_;
        other.fd_ = -1;
    }
    return *this;
}

RegularFile::~RegularFile()
{
    if (fd_ >= 0) ::close(fd_);
}

std::filesystem::path RegularFile::descriptorPath() const
{
    return "/proc/self/fd/" + std::to_string(fd_);
}

std::optional<std::string> RegularFile::read(std::int64_t limit) const
{
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(std::min<std::int64_t>(limit, std::max<std::int64_t>(size_, 0))));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (static_cast<std::int64_t>(bytes.size()) >= limit) break;
            // The file grew since it was opened.
            bytes.resize(static_cast<std::size_t>(std::min<std::int64_t>(limit, bytes.size() * 2 + 4096)));
        }
        ssize_t got = ::pread(fd_, bytes.data() + filled, bytes.size() - filled, static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace olva::platform
