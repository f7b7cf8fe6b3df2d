#include "Core/facts/Stamp.h"

#include <sys/stat.h>

namespace olva {

std::optional<Stamp> stampOf(const std::filesystem::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    return Stamp{static_cast<std::int32_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                 static_cast<std::int64_t>(info.st_size), static_cast<std::int64_t>(info.st_ctim.tv_sec),
                 static_cast<std::int64_t>(info.st_ctim.tv_nsec)};
}

Stamp stampOf(const platform::FileStatus& status)
{
    return Stamp{static_cast<std::int32_t>(status.device), status.inode,
                 static_cast<std::int64_t>(status.size.value_or(0)), status.change.seconds, status.change.nanoseconds};
}

}  // namespace olva
