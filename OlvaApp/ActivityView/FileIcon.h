// The icon of a file's type, found from its name alone: a file that has been
// moved, deleted or cannot be read still shows the icon of its type.
#pragma once

#include <QIcon>
#include <QString>

namespace olva::app {

// The icon of the MIME type that the name stands for; the generic data
// icon for a name the MIME database does not know.
QIcon iconForFileName(const QString& path);
// That MIME type's name ("application/pdf").
QString fileIconType(const QString& path);

}  // namespace olva::app
