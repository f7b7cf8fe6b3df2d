// The files of a watched folder, as the engine and the rule preview see them.
#pragma once

#include "Core/Model.h"

#include <filesystem>
#include <vector>

namespace olva {

// Regular files and packages of the folder, down to its depth, in
// enumeration order. Hidden items, package contents, symbolic links and
// special files (pipes, sockets, devices) are left out, and no symbolic link
// is followed. Empty when the folder cannot be read.
std::vector<std::filesystem::path> listFiles(const Folder& folder);

}  // namespace olva
