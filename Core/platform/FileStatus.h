// What the kernel reports of a file in one statx call.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace olva::platform {

struct Timestamp {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;
};

struct FileStatus {
    std::uint64_t device = 0;  // the file system's device number
    std::uint64_t inode = 0;
    std::optional<std::uint64_t> mountId;  // when the kernel reports it
    std::optional<std::uint64_t> size;
    std::uint32_t mode = 0;
    std::optional<Timestamp> birth;  // absent where the file system keeps none
    Timestamp change;
    Timestamp modification;

    bool isRegular() const;
    bool isDirectory() const;
};

// Follows symbolic links. Nothing when the file cannot be reached. With
// identityOnly, the size and the change and modification times are not
// asked for (and not reported).
std::optional<FileStatus> fileStatus(const std::filesystem::path& path, bool identityOnly = false);

// The item `name` of the directory open at `directory`, itself: a symbolic
// link is not followed. Nothing when it cannot be reached.
std::optional<FileStatus> entryStatus(int directory, const char* name);

// What the descriptor of an open file tells of the file without its times:
// which file it is, its size, and how many names it has (none once it was
// removed). Asking for a file's times makes the kernel keep finer ones for
// it from then on, so that each later write to it also writes its inode;
// a file appended to line by line is asked only this. Nothing when the
// descriptor cannot be asked.
struct OpenFileExtent {
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::uint64_t links = 0;
};
std::optional<OpenFileExtent> openFileExtent(int fd);

// The file system's handle for the file (hexadecimal), which names the
// inode and its generation: stable across renames, different for a new file
// that reuses a freed inode number. Nothing where the file system has none.
std::optional<std::string> fileHandle(const std::filesystem::path& path);

// The same handle, with the inode number it names where the handle is of a
// form known to hold one first (ext4's and xfs's, say); nothing there for
// other forms. The number is only a hint of the file system's own making:
// that it equals a number known tells the file is that one, a difference
// tells nothing.
struct FileHandle {
    std::string hex;
    std::optional<std::uint64_t> inode;
};
std::optional<FileHandle> fileHandleOf(const std::filesystem::path& path);

// The inode's generation number, which tells a reused inode number from the
// file that had it before. Asked only of regular files and directories (the
// file is opened for it); nothing where the file system keeps none.
std::optional<std::uint32_t> inodeGeneration(const std::filesystem::path& path, const FileStatus& status);

}  // namespace olva::platform
