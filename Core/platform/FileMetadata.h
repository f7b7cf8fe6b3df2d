// What Linux desktops record about a file in its extended attributes: its
// tags ("user.xdg.tags", the names separated by ",") and the addresses it was
// downloaded from.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace olva::platform {

// Empty when the file has no tags or they cannot be read.
std::vector<std::string> readTags(const std::filesystem::path& file);

// Writes the whole list (an empty list removes the attribute). Throws
// ActionError for a tag that contains ",", which this form cannot hold,
// and std::system_error when the attribute cannot be written.
void writeTags(const std::filesystem::path& file, const std::vector<std::string>& tags);

// "user.xdg.origin.url", then "user.xdg.referrer.url"; empty when there are
// none.
std::vector<std::string> readSource(const std::filesystem::path& file);

}  // namespace olva::platform
