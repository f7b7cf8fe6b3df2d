// Exclusive locks that processes take on a lock file or a directory.
#pragma once

#include <chrono>
#include <filesystem>

namespace olva::platform {

// Opens `path` (creating it when missing, close-on-exec) and takes its
// exclusive lock, which lasts until the returned descriptor is closed. With
// `wait`, waits while another holder has it; without, gives -1 then. Throws
// std::system_error for any other failure.
int lockFile(const std::filesystem::path& path, bool wait);

// The same for the directory `dir` itself, waiting while another holder has
// its lock.
int lockDirectory(const std::filesystem::path& dir);
// The same, waiting at most `patience`: -1 when the lock is still held then.
int lockDirectoryWithin(const std::filesystem::path& dir, std::chrono::milliseconds patience);

// Whether the open descriptor `fd` is the file now at `path`: false once
// that file was removed or replaced, when another file's lock is what keeps
// others out.
bool isFileAt(int fd, const std::filesystem::path& path);

}  // namespace olva::platform
