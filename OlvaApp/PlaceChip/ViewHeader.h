// The header above a view of the main window, the same for a folder and for
// the activity list: the title, larger and semibold, and a dimmed status
// line under it, both plain text.
#pragma once

class QLabel;
class QVBoxLayout;

namespace olva::app {

// Styles `title` and `status` and lays them out as the header.
QVBoxLayout* viewHeader(QLabel& title, QLabel& status);

}  // namespace olva::app
