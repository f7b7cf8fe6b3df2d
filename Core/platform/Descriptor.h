// An open file descriptor that closes itself, and whole reads and writes
// through a descriptor, resumed after interruptions and short counts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace olva::platform {

class Descriptor {
public:
    // Takes over `fd`; -1 holds nothing.
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Hands the descriptor over to the caller, who closes it.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// A path that names the open file itself, for calls that take a name.
std::filesystem::path descriptorPath(int fd);

// Writes all the bytes; false, with errno set, when a write fails.
bool writeAll(int fd, std::string_view bytes);

// Adds the bytes at the end of a file opened for appending, whole or not at
// all: when a write fails part of the way (a full disk), the file is cut back
// to its size before, so no partial record stays behind, unless another
// writer has added to it since, whose bytes cutting would lose. False, with
// errno set, when the bytes could not be written.
bool appendWhole(int fd, std::string_view bytes);

// Sets aside room on the disk for the file to grow from `offset` by
// `length` bytes without changing its size, so that appends within it still
// work once the disk is full. Best effort: where it cannot, nothing changes.
// False only when the disk is full.
bool reserveSpace(int fd, std::uint64_t offset, std::uint64_t length);

// Everything from the descriptor's offset to the end; nothing, with errno
// set, when a read fails.
std::optional<std::string> readToEnd(int fd);

}  // namespace olva::platform
