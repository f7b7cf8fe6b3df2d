// Moving a file to a new name without ever replacing what is there.
#pragma once

#include <filesystem>

namespace olva::platform {

// Renames `from` to `to` within one file system. When `to` already exists
// nothing changes and std::system_error with EEXIST is thrown; other failures
// throw their own code (EXDEV across file systems). Where the file system
// cannot refuse a taken name by itself (FAT and exFAT through FUSE), the
// name is reserved first, as renameOntoReservation does.
void renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// The same by other means: an empty item of the same sort is created at
// `to` exclusively (EEXIST when the name is taken), and `from` is then
// renamed onto that reservation, which is all it replaces. A reservation
// that someone else took over in between is left to them (EEXIST). Should
// the rename fail, the reservation is removed again.
void renameOntoReservation(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace olva::platform
