#include "OlvaApp/Model/Workspace.h"

#include "OlvaApp/Sentences/CurrentLocation.h"

namespace olva::app {

void openEntryFile(Workspace* workspace, const olva::Entry& entry)
{
    if (!workspace) return;
    if (auto file = currentFile(entry)) workspace->open(*file);
}

void revealEntryFile(Workspace* workspace, const olva::Entry& entry)
{
    if (!workspace) return;
    if (auto file = currentFile(entry)) workspace->reveal(*file);
}

}  // namespace olva::app
