#include "OlvaApp/Sentences/FolderStatusLabel.h"

#include <QCoreApplication>

namespace olva::app {

std::optional<QString> folderStatusLabel(FolderStatus status)
{
    switch (status) {
    case FolderStatus::watching: return std::nullopt;
    case FolderStatus::missing: return QCoreApplication::translate("FolderStatus", "Folder not found");
    case FolderStatus::noAccess: return QCoreApplication::translate("FolderStatus", "No access");
    }
    return std::nullopt;
}

}  // namespace olva::app
