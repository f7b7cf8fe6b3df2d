// Return and Enter in a sheet press the button that has the focus, as Space
// does, on every desktop; anywhere else in the sheet they press its default
// button. Push buttons do the first by themselves while they are
// auto-default (a dialog's buttons are, unless told otherwise); this is for
// the others, tool buttons above all, which leave the key to the sheet.
#pragma once

class QKeyEvent;
class QWidget;

namespace olva::app {

// Presses the focused button of `sheet` when `event` is Return or Enter
// and a button inside the sheet has the focus; whether it did.
bool pressFocusedButton(QWidget& sheet, QKeyEvent& event);

}  // namespace olva::app
