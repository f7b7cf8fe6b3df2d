#include "OlvaApp/MainView/FolderMenuItems.h"

#include "OlvaApp/Model/Model.h"

#include <QMenu>

namespace olva::app {

void addFolderMenuItems(QMenu&, Model&, int) {}

}  // namespace olva::app
