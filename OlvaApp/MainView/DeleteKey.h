// The key that deletes what a list has selected: Delete, or Backspace,
// which is the Delete key of many laptops. With a modifier it is another
// command (Shift+Delete is Cut on many desktops), which the list leaves to
// the window.
#pragma once

class QKeyEvent;

namespace olva::app {

bool isDeleteKey(const QKeyEvent& key);

}  // namespace olva::app
