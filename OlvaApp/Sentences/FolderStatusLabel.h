// What a watched folder's status says where the folder is named: the tray's
// problem items, the sidebar and the folder's problem bar.
#pragma once

#include "Core/engine/Engine.h"

#include <QString>

#include <optional>

namespace olva::app {

// "Folder not found", "No access"; none while the folder is watched.
std::optional<QString> folderStatusLabel(FolderStatus status);

}  // namespace olva::app
