// The files of a watched folder, as the engine and the rule preview see them.
#pragma once

#include "Core/model/Model.h"
#include "Core/platform/FileStatus.h"

#include <filesystem>
#include <string>
#include <vector>

namespace olva {

// A listed file and the status of the item itself, read as it was listed.
struct ListedFile {
    std::string path;
    platform::FileStatus status;
};

// Regular files and packages of the folder, down to its depth, each
// folder's in the order of their inodes. Hidden items, package contents,
// symbolic links and special files (pipes, sockets, devices) are left out,
// and no symbolic link is followed. So is the folder `leftOut` with all it
// holds, wherever it is met (the data directory, which may lie in a watched
// folder): nothing when it is the folder itself. Empty when the folder
// cannot be read. With `leftovers`, the paths of the hidden temporaries of
// copies met on the way are added to it.
std::vector<ListedFile> listFileStatuses(const Folder& folder, const std::filesystem::path& leftOut = {},
                                         std::vector<std::string>* leftovers = nullptr);
std::vector<std::filesystem::path> listFiles(const Folder& folder, const std::filesystem::path& leftOut = {});

}  // namespace olva
