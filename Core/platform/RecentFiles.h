// The desktop's list of recently used files (recently-used.xbel).
#pragma once

#include "Core/base/Date.h"

#include <filesystem>
#include <optional>

namespace olva::platform {

// ${XDG_DATA_HOME:-~/.local/share}/recently-used.xbel
std::filesystem::path recentFilesList();

// The latest visit or modification the list records for the file; nothing
// when the list is missing, unreadable or does not name the file.
std::optional<Date> lastOpened(const std::filesystem::path& file);

}  // namespace olva::platform
