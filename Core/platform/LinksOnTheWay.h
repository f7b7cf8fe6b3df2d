// The symbolic links a path passes through, which a watch of the path's
// target would not see replaced.
#pragma once

#include <string>
#include <vector>

namespace olva::platform {

// The symbolic links met on the way from `path` to what it names, each as
// its directory's real path and its name. The walk stops where the path
// leads nowhere (from there on nothing is known to be a link).
std::vector<std::string> linksOnTheWay(const std::string& path);

}  // namespace olva::platform
