#include "OlvaApp/PlaceChip/RevealPlace.h"

#include "OlvaApp/Model/Workspace.h"
#include "OlvaApp/PlaceChip/PlaceCache.h"

namespace olva::app {

void revealPlace(Workspace* workspace, const QString& path)
{
    if (!workspace || path.isEmpty()) return;
    workspace->reveal(expandedPlace(path).toStdString());
}

}  // namespace olva::app
