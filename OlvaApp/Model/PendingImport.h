// A Hazel import the user has not confirmed yet: the folder the rules are
// for (in its stored form), the converted rules, and what to tell the user.
#pragma once

#include "Core/model/Model.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

namespace olva::app {

struct PendingImport {
    Folder folder;
    QStringList notes;
};

}  // namespace olva::app

Q_DECLARE_METATYPE(olva::app::PendingImport)
