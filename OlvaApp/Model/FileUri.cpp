#include "OlvaApp/Model/FileUri.h"

#include <QByteArray>
#include <QUrl>

namespace olva::app {

QString fileUri(const std::filesystem::path& absolutePath)
{
    const std::string& bytes = absolutePath.native();
    const QByteArray encoded =
        QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toPercentEncoding(QByteArrayLiteral("/"));
    return QStringLiteral("file://") + QString::fromLatin1(encoded);
}

std::optional<std::filesystem::path> pathFromFileUri(const QString& uri)
{
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QStringLiteral("file")) return std::nullopt;
    if (!url.host().isEmpty() && url.host() != QStringLiteral("localhost")) return std::nullopt;
    // The encoded form keeps the bytes the sender encoded; decoding them
    // ourselves keeps them out of QString, which would replace invalid UTF-8.
    const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!path.startsWith('/')) return std::nullopt;
    return std::filesystem::path(std::string(path.constData(), static_cast<std::size_t>(path.size())));
}

}  // namespace olva::app
