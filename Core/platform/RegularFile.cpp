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
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    struct stat after{};
    if (fstat(fd.get(), &after) != 0 || !S_ISREG(after.st_mode) || after.st_ino != before.st_ino
        || after.st_dev != before.st_dev)
        return std::nullopt;
    return RegularFile(std::move(fd), after.st_size);
}

std::filesystem::path RegularFile::descriptorPath() const
{
    return platform::descriptorPath(fd_.get());
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
        ssize_t got = ::pread(fd_.get(), bytes.data() + filled, bytes.size() - filled, static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace olva::platform
