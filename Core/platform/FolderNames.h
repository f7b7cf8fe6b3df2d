// The names a folder holds, for the copies and the comparisons that walk it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace olva::platform {

// Every name in the folder open at `fd` but "." and "..", in the folder's
// own order. A failure names `path`.
std::vector<std::string> listNames(int fd, const std::filesystem::path& path);

}  // namespace olva::platform
