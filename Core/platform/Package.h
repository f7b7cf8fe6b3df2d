// Directories that stand for one document or application ("Tool.app",
// "Notes.rtfd"): listed as files and never entered.
#pragma once

#include <string_view>

namespace olva::platform {

// Decided by the directory's extension alone, compared without letter case.
bool isPackage(std::string_view directoryName);

}  // namespace olva::platform
