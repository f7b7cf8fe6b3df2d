// Writing a file's tags where Linux file managers keep them: the extended
// attribute "user.xdg.tags", the names separated by ",".
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace olva::platform {

// Writes the whole list (an empty list removes the attribute). Throws
// ActionError for a tag that contains ",", which this form cannot hold,
// and std::system_error when the attribute cannot be written.
void writeTags(const std::filesystem::path& file, const std::vector<std::string>& tags);

}  // namespace olva::platform
