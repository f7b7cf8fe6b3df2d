#include "OlvaApp/MainView/FolderStatusText.h"

#include "OlvaApp/Sentences/Inflection.h"
#include "OlvaApp/Sentences/PathText.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"

#include "Core/base/Paths.h"

#include <QCoreApplication>

namespace olva::app {

namespace {

struct Words {
    Q_DECLARE_TR_FUNCTIONS(olva::app::FolderStatus)
};

}  // namespace

std::optional<QString> folderStatusLabel(FolderStatus status)
{
    switch (status) {
    case FolderStatus::watching:
        return std::nullopt;
    case FolderStatus::missing:
        return Words::tr("Folder not found");
    case FolderStatus::noAccess:
        return Words::tr("No access");
    }
    return std::nullopt;
}

std::optional<QString> folderStatusHelp(const QString& path, FolderStatus status)
{
    switch (status) {
    case FolderStatus::watching:
        return std::nullopt;
    case FolderStatus::missing:
        return filled(Words::tr("\uE000 can’t be found. Olva picks it up again when it’s back, or you can locate it."),
                      {path});
    case FolderStatus::noAccess:
        return filled(Words::tr("Olva isn’t allowed to read \uE000."), {path});
    }
    return std::nullopt;
}

QString folderSubtitle(const Folder& folder, FolderStatus status)
{
    QStringList parts;
    parts << inflected(Words::tr("{count, plural, =0 {No rules} one {# rule} other {# rules, first match wins}}"),
                       static_cast<qint64>(folder.rules.size()));
    if (folder.depth == 1 || folder.depth == 2)
        parts << inflected(Words::tr("{count, plural, one {# subfolder level} other {# subfolder levels}}"),
                           folder.depth);
    else if (folder.depth != 0)
        parts << Words::tr("all subfolders");
    if (folder.paused) parts << Words::tr("paused");
    if (auto label = folderStatusLabel(status)) parts << *label;
    return parts.join(QStringLiteral(" · "));
}

QString folderName(const Folder& folder)
{
    return lastComponent(QString::fromStdString(folderURL(folder).string()));
}

}  // namespace olva::app
