// Reading a Hazel export from disk for `olva import` and the app's import:
// only a regular file, and only up to a size no real export comes near, so
// that a pipe cannot hang the reader and a huge file cannot exhaust memory.
#pragma once

#include "Core/hazel/HazelImport.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace olva {

// Exports hold a few rules; anything larger is not one.
inline constexpr std::int64_t maxHazelExportSize = 16'000'000;

// The export's bytes. Throws ActionError when the path is no regular file or
// is larger than maxHazelExportSize, std::system_error when it cannot be read.
std::string readHazelExport(const std::filesystem::path& file);

// readHazelExport, then importHazel for the folder in the user's form.
Imported importHazelFile(const std::filesystem::path& file, const std::string& folder);

}  // namespace olva
