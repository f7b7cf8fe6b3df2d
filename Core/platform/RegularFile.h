// A regular file opened for reading. FIFOs, devices, sockets and links to
// them are never opened: the path is checked before opening, opened without
// blocking, and checked again through the descriptor.
#pragma once

#include "Core/platform/Descriptor.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace olva::platform {

class RegularFile {
public:
    // Nothing when the path is not a regular file or cannot be opened.
    static std::optional<RegularFile> open(const std::filesystem::path& path);

    std::int64_t size() const { return size_; }
    // A path that names this very file for libraries that open by name.
    std::filesystem::path descriptorPath() const;
    // At most limit bytes from the start; nothing on a read error.
    std::optional<std::string> read(std::int64_t limit) const;

private:
    RegularFile(Descriptor fd, std::int64_t size) : fd_(std::move(fd)), size_(size) {}

    Descriptor fd_;
    std::int64_t size_ = 0;
};

}  // namespace olva::platform
