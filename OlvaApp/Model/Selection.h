// What the main window's sidebar shows: one watched folder, by its position
// in the configuration, or the activity list.
#pragma once

#include <QMetaType>

namespace olva::app {

struct Selection {
    enum class Kind { folder, activity };

    Kind kind = Kind::activity;
    int index = 0;  // the folder's position; 0 for the activity list

    static Selection folder(int index) { return {Kind::folder, index}; }
    static Selection activity() { return {Kind::activity, 0}; }

    bool isFolder() const { return kind == Kind::folder; }
    bool isActivity() const { return kind == Kind::activity; }

    friend bool operator==(const Selection&, const Selection&) = default;
};

}  // namespace olva::app

Q_DECLARE_METATYPE(olva::app::Selection)
