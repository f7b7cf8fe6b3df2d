#include "OlvaApp/MainView/DroppedFiles.h"

#include <QFile>
#include <QFileInfo>

namespace olva::app {

namespace {

// The part after the last dot of the name; a name's leading dot starts no
// extension (".hazelrules" has none).
QString extension(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.mid(dot + 1) : QString();
}

}  // namespace

std::optional<std::filesystem::path> localPath(const QUrl& url)
{
    if (!url.isLocalFile()) return std::nullopt;
    const QString local = url.toLocalFile();
    if (local.isEmpty()) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(local).toStdString());
}

std::vector<SidebarDrop> sidebarDrops(const QList<QUrl>& urls)
{
    std::vector<SidebarDrop> drops;
    for (const QUrl& url : urls) {
        auto path = localPath(url);
        if (!path) continue;
        const QString local = url.toLocalFile();
        if (extension(local) == QLatin1String("hazelrules")) drops.push_back({SidebarDrop::Kind::hazelExport, *path});
        else if (QFileInfo(local).isDir()) drops.push_back({SidebarDrop::Kind::folder, *path});
    }
    return drops;
}

std::optional<std::filesystem::path> explainedDrop(const QList<QUrl>& urls)
{
    if (urls.isEmpty()) return std::nullopt;
    auto path = localPath(urls.front());
    if (!path) return std::nullopt;
    const QFileInfo info(urls.front().toLocalFile());
    if (!info.exists() || info.isDir()) return std::nullopt;
    return path;
}

}  // namespace olva::app
