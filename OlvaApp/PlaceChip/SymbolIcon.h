// Icons by the symbol names the views use ("folder", "pause.circle"): the
// desktop theme's symbolic variant of the matching freedesktop name, drawn
// in the palette's colour for words (so it follows dark palettes and
// selected rows); else the theme's icon of that name; else the SVG the app
// ships under that name (resource ":/symbols/<freedesktop name>.svg"); else
// an empty icon. File icons come from the MIME database.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <string_view>

namespace olva::app {

QIcon symbolIcon(std::string_view symbol);

// An icon by its freedesktop name, in its own colours: the theme's, else
// its symbolic variant, else the SVG the app ships under that name. The
// app's own icon and the tray's are found so too.
QIcon namedIcon(const QString& name);

// Where the app ships its own copy of the icon named `name`.
QString bundledIconPath(const QString& name);

// Makes icons by name findable where the desktop names no theme (offscreen
// and bare sessions): the desktop's icon folders and Adwaita. Called by the
// functions here; others that ask the theme directly call it first.
void ensureThemeFallback();

// The symbol drawn in one colour, as symbolic icons are tinted (the orange
// pause of a paused folder).
QIcon tintedSymbol(std::string_view symbol, const QColor& color);

// The warning beside a folder that is missing or unreadable: the theme's
// coloured warning triangle.
QIcon warningSymbol();

// The icon of the file or folder at `path` (absolute) by its MIME type; a
// generic folder icon when it does not exist.
QIcon placeIcon(const QString& path);
QIcon genericFolderIcon();

}  // namespace olva::app
