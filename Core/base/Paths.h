// Paths in the user's form ("~/Downloads") and on disk. None of these fail:
// where the file system cannot answer they give back their input.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace olva {

// The user's home folder from the password database, computed once.
const std::string& userHome();

// A leading "~" or "~/" becomes the home folder; nothing else changes.
std::string expand(const std::string& path);
// Symbolic links, "." and ".." resolved; the input when that fails.
std::string realPath(const std::string& path);
// The home folder written back as "~".
std::string abbreviate(const std::string& path);

// Whether `path` lies somewhere below `folder` (not the folder itself); a
// slash at the end of `folder` makes no difference.
bool isInside(std::string_view path, std::string_view folder);

// Where desktop programs keep the user's data: $XDG_DATA_HOME when it is
// absolute, else .local/share in $HOME (in the home folder when $HOME is not
// absolute).
std::filesystem::path dataHome();

}  // namespace olva
