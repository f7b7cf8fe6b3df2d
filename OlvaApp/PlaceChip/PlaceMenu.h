// What a chip offers beyond its look: its full path as a tooltip and a
// context menu that shows it in the file manager. Shared by the chip, the
// sentence widget and every delegate that draws chips.
#pragma once

#include <QString>

class QAction;
class QMenu;
class QPoint;
class QWidget;

namespace olva::app {

class Workspace;

// The place's full path with the home folder as "~", shown as typed.
QString placeToolTip(const QString& path);

// Appends "Show in File Manager" for `path`, disabled when the place was
// not there when last looked at.
QAction* addRevealPlaceItem(QMenu& menu, const QString& path, Workspace* workspace);

// Pops up a menu of that one item at `globalPos`; it deletes itself once
// closed.
QMenu* popUpPlaceMenu(const QString& path, Workspace* workspace, const QPoint& globalPos, QWidget* parent);

}  // namespace olva::app
