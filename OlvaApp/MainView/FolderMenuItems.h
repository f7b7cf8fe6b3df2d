// The items that act on one watched folder: shown in the folder's context
// menu, the folder view's menu and the app's "Folder" menu.
#pragma once

class QMenu;

namespace olva::app {

class Model;

// Appends the items for the folder at `folder` of the model's rules to
// `menu`; each item acts through the model.
void addFolderMenuItems(QMenu& menu, Model& model, int folder);

}  // namespace olva::app
