// Reads the freedesktop recent-files list with QtCore's XML reader. No Qt
// type leaves this file.
#include "Core/platform/RecentFiles.h"

#include "Core/base/Paths.h"

#include <QDateTime>
#include <QFile>
#include <QUrl>
#include <QXmlStreamReader>


namespace olva::platform {

namespace {

std::optional<Date> parseStamp(QStringView text)
{
    QDateTime moment = QDateTime::fromString(text.toString(), Qt::ISODateWithMs);
    if (!moment.isValid()) return std::nullopt;
    return dateFromMilliseconds(static_cast<double>(moment.toMSecsSinceEpoch()));
}

}  // namespace

std::filesystem::path recentFilesList() { return dataHome() / "recently-used.xbel"; }

std::optional<Date> lastOpened(const std::filesystem::path& file)
{
    QFile list(QString::fromStdString(recentFilesList().string()));
    if (!list.open(QIODevice::ReadOnly)) return std::nullopt;

    // The list may name the file by the path it was opened under or by its
    // resolved path.
    std::filesystem::path plain = file.lexically_normal();
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(file, error);
    const QString wanted[] = {QString::fromStdString(plain.string()),
                              QString::fromStdString(error ? plain.string() : resolved.string())};

    std::optional<Date> latest;
    QXmlStreamReader xml(&list);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("bookmark")) continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        QUrl url(attributes.value(QLatin1String("href")).toString(), QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (path != wanted[0] && path != wanted[1]) continue;
        for (const char* name : {"visited", "modified"}) {
            auto stamp = parseStamp(attributes.value(QLatin1String(name)));
            if (stamp && (!latest || *stamp > *latest)) latest = stamp;
        }
    }
    return latest;
}

}  // namespace olva::platform
