// The app's own icons in their own colours: its icon and the tray's state
// icons, from the desktop's icon theme once installed, else the copies the
// app ships (":/symbols/<name>.svg", with the SVG of every symbol the views
// use).
#pragma once

#include <QIcon>
#include <QString>

namespace olva::app {

// The icon named `name` ("tools.olva.app", "tools.olva.app-paused").
QIcon themedIcon(const QString& name);

// Where the app ships its own copy of the icon named `name`.
QString bundledIconPath(const QString& name);

}  // namespace olva::app
