// The items that change one watched folder: how many levels of subfolders
// it includes, whether it is paused, and showing it in the file manager.
// The folder view's "Folder Options" menu and the app's "Folder" menu show
// them; both rebuild them each time the menu opens (aboutToShow), so that
// they show the folder as it is then.
#pragma once

class QMenu;

namespace olva::app {

class Model;

// Appends the items for the folder at `folder` of the model's rules; every
// item is disabled when there is no such folder. An item chosen after the
// rules changed under the menu acts only if that place still holds the
// same folder.
void addFolderMenuItems(QMenu& menu, Model& model, int folder);

// The same for the folder selected in the sidebar, if any.
void addFolderMenuItems(QMenu& menu, Model& model);

}  // namespace olva::app
