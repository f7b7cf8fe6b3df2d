#include "OlvaApp/ActivityView/FileIcon.h"

#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/Sentences/PathText.h"

#include <QHash>
#include <QMimeDatabase>

namespace olva::app {

namespace {

QMimeType typeOf(const QString& path)
{
    static const QMimeDatabase database;
    const QString name = lastComponent(path);
    // Matching by name only: the file is never opened.
    const QList<QMimeType> types = database.mimeTypesForFileName(name);
    if (!types.isEmpty()) return types.front();
    return database.mimeTypeForName(QStringLiteral("application/octet-stream"));
}

}  // namespace

QString fileIconType(const QString& path) { return typeOf(path).name(); }

QIcon iconForFileName(const QString& path)
{
    static QHash<QString, QIcon> cache;
    const QMimeType type = typeOf(path);
    auto cached = cache.constFind(type.name());
    if (cached != cache.constEnd()) return *cached;
    QIcon icon = namedIcon(type.iconName());
    if (icon.isNull()) icon = namedIcon(type.genericIconName());
    if (icon.isNull()) icon = namedIcon(QStringLiteral("application-octet-stream"));
    if (icon.isNull()) icon = namedIcon(QStringLiteral("text-x-generic"));
    cache.insert(type.name(), icon);
    return icon;
}

}  // namespace olva::app
