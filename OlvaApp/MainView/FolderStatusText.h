// The words about one watched folder: what its status is called, the
// sentence that explains it, and the line under its name in the folder
// view. The sidebar, the folder view, its problem bar and the tray menu
// share them.
#pragma once

#include "Core/engine/Engine.h"
#include "Core/model/Model.h"

#include <QString>

#include <optional>

namespace olva::app {

// "Folder not found", "No access"; none while watching.
std::optional<QString> folderStatusLabel(FolderStatus status);

// "<path> can’t be found. …" or "Olva isn’t allowed to read <path>.", with
// the path as stored ("~" kept); none while watching.
std::optional<QString> folderStatusHelp(const QString& path, FolderStatus status);

// "3 rules, first match wins · 2 subfolder levels · paused · Folder not
// found": the rules, the depth, the pause and the status, those that say
// something.
QString folderSubtitle(const Folder& folder, FolderStatus status);

// The name a watched folder goes by: the last component of where it really
// is ("~" expanded, links resolved), so a link shows its target's name.
QString folderName(const Folder& folder);

}  // namespace olva::app
