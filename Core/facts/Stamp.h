// What a quiet entry and a settle observation compare: the device, inode,
// size and status-change time of a file. Any change to the file's content,
// name, links or attributes gives a new stamp.
#pragma once

#include "Core/platform/FileStatus.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace olva {

struct Stamp {
    std::int32_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t changed = 0;       // seconds
    std::int64_t changedNanos = 0;  // the nanoseconds of the same time

    bool operator==(const Stamp&) const = default;
};

// The stamp of the item itself (a symbolic link is not followed); nothing
// when it cannot be read.
std::optional<Stamp> stampOf(const std::filesystem::path& path);
// The stamp of a status already taken.
Stamp stampOf(const platform::FileStatus& status);

}  // namespace olva
