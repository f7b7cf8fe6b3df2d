// Opening files with their default application and showing them in the
// file manager.
#pragma once

#include <filesystem>

namespace olva::app {

class Workspace {
public:
    virtual ~Workspace() = default;

    virtual void open(const std::filesystem::path& file) = 0;
    // Shows the item selected in a file manager window.
    virtual void reveal(const std::filesystem::path& item) = 0;
};

}  // namespace olva::app
