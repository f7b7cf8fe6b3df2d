// Whether the views may animate: the desktop's effects switch, which Qt
// takes from its settings (KDE's and GNOME's "reduce animations" turn it
// off), and a style that gives animations no time.
#pragma once

class QWidget;

namespace olva::app {

bool motionAllowed(const QWidget* widget);

}  // namespace olva::app
