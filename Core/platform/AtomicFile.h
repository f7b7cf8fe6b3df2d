// Whole-file reads and writes for the files the system owns. A write never
// leaves a half-written file behind: readers in any process see either the
// old content or the new.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace olva::platform {

// Writes the bytes to a new file beside `path`, flushes them to disk and
// renames it over `path`. An existing file keeps its permissions; a new one
// gets the process's default ones. Throws std::system_error; the old file is
// then unchanged and no temporary file is left.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The whole content of a file. Throws std::system_error (the code tells a
// missing file, ENOENT, from other failures).
std::string readFileBytes(const std::filesystem::path& path);
// The same, or nothing when the file cannot be read.
std::optional<std::string> readFileIfPossible(const std::filesystem::path& path);

}  // namespace olva::platform
