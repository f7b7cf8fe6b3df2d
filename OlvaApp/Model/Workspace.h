// Opening files with their default application and showing them in the
// file manager.
#pragma once

#include "Core/model/Entry.h"

#include <filesystem>

namespace olva::app {

class Workspace {
public:
    virtual ~Workspace() = default;

    virtual void open(const std::filesystem::path& file) = 0;
    // Shows the item selected in a file manager window.
    virtual void reveal(const std::filesystem::path& item) = 0;
};

// Opens, or shows in the file manager, a logged file where it is now
// (currentFile); nothing when it is nowhere or there is no workspace.
void openEntryFile(Workspace* workspace, const olva::Entry& entry);
void revealEntryFile(Workspace* workspace, const olva::Entry& entry);

}  // namespace olva::app
