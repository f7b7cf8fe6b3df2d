// Whether two items hold the same: how the next start tells whether a copy
// that a killed process had already named is whole.
#pragma once

#include <filesystem>

namespace olva::platform {

// The same bytes for files, the same target for links, the same names
// holding the same for folders.
bool sameContents(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace olva::platform
