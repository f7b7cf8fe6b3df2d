// An alert the main window shows: a title naming what failed and a message
// saying why, both shown as they are.
#pragma once

#include <QMetaType>
#include <QString>

namespace olva::app {

struct Problem {
    QString title;
    QString message;

    friend bool operator==(const Problem&, const Problem&) = default;
};

}  // namespace olva::app

Q_DECLARE_METATYPE(olva::app::Problem)
