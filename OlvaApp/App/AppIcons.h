// Icons by freedesktop name: the desktop's icon theme first, then the SVG
// the app ships under the same name. Where the desktop sets no theme, the
// Adwaita theme stands in.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <optional>
#include <string_view>

namespace olva::app {

// The icon named `name` ("tools.olva.app-paused"), in its own colours.
QIcon themedIcon(const QString& name);
// The icon for a symbol of the app's icon table ("pause.circle"). The
// bundled one is drawn in the palette's text colour, or in `tint`.
QIcon symbolIcon(std::string_view symbol, std::optional<QColor> tint = std::nullopt);

// Where the app ships its own copy of the icon named `name`.
QString bundledIconPath(const QString& name);

// Makes the bundled icons available and picks the fallback theme; done by
// the functions above on first use, and safe to call again.
void initIcons();

}  // namespace olva::app
