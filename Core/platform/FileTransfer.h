// Moving and copying files without ever replacing anything at the
// destination. Failures are std::system_error whose text names the item and
// ends with the system's reason; a destination that is taken fails with
// std::errc::file_exists and leaves both sides untouched.
#pragma once

#include "Core/platform/SystemError.h"

#include <filesystem>

namespace olva::platform {

// Moves (renames) `from` to `to` on one file system, or by copying and then
// removing the source when they are on different file systems.
void moveItem(const std::filesystem::path& from, const std::filesystem::path& to);

// The cross-file-system half of moveItem: copies `from` to `to` as copyItem
// does, then removes `from`. When a single file cannot be removed the copy is
// taken back, so the item stays where it was.
void moveByCopying(const std::filesystem::path& from, const std::filesystem::path& to);

// Copies a file, symbolic link or folder (recursively) to `to`, creating
// every new item exclusively and keeping permissions, access and
// modification times and "user." extended attributes. On failure nothing
// of the copy is left behind.
void copyItem(const std::filesystem::path& from, const std::filesystem::path& to);

// Whether anything occupies `path`. A dangling symbolic link counts: a
// no-replace move onto it would fail.
bool itemExists(const std::filesystem::path& path);

bool isFileExistsError(const std::exception& error);

}  // namespace olva::platform
