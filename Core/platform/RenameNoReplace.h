// Moving a file to a new name without ever replacing what is there.
#pragma once

#include <filesystem>

namespace olva::platform {

// Renames `from` to `to` within one file system. When `to` already exists
// nothing changes and std::system_error with EEXIST is thrown; other failures
// throw their own code (EXDEV across file systems).
void renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace olva::platform
