// Showing a place of a sentence in the file manager.
#pragma once

#include <QString>

namespace olva::app {

class Workspace;

// Shows `path` (the user's form, "~" allowed) selected in the file manager;
// nothing without a workspace. A place that has gone is the file manager's
// business.
void revealPlace(Workspace* workspace, const QString& path);

}  // namespace olva::app
