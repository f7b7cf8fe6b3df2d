// Tab order as a person reads a form: top to bottom, and left to right
// within a row, following the layouts rather than the order in which the
// widgets happened to be made (rows made later, a footer built first).
#pragma once

#include <QList>

class QWidget;

namespace olva::app {

// The widgets under `root` that Tab stops at, in reading order.
QList<QWidget*> focusStopsAsRead(QWidget* root);

// Chains those widgets in that order.
void orderFocusAsRead(QWidget* root);

}  // namespace olva::app
