#include "OlvaApp/MainView/DroppedFiles.h"

#include <QByteArray>

#include <system_error>

namespace olva::app {

namespace {

// The part after the last dot of the name; a name's leading dot starts no
// extension (".hazelrules" has none).
std::string extension(const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    const auto dot = name.rfind('.');
    return dot != std::string::npos && dot > 0 ? name.substr(dot + 1) : std::string();
}

bool isFolder(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

std::optional<std::filesystem::path> localPath(const QUrl& url)
{
    if (!url.isLocalFile() || !url.host().isEmpty()) return std::nullopt;
    // From the URL's escaped bytes, not its text: a name that is not valid
    // UTF-8 comes through as the file system has it.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (bytes.isEmpty()) return std::nullopt;
    return std::filesystem::path(bytes.toStdString());
}

std::vector<SidebarDrop> sidebarDrops(const QList<QUrl>& urls)
{
    std::vector<SidebarDrop> drops;
    for (const QUrl& url : urls) {
        auto path = localPath(url);
        if (!path) continue;
        if (extension(*path) == "hazelrules") drops.push_back({SidebarDrop::Kind::hazelExport, *path});
        else if (isFolder(*path)) drops.push_back({SidebarDrop::Kind::folder, *path});
    }
    return drops;
}

std::optional<std::filesystem::path> explainedDrop(const QList<QUrl>& urls)
{
    if (urls.isEmpty()) return std::nullopt;
    auto path = localPath(urls.front());
    if (!path) return std::nullopt;
    std::error_code error;
    const auto status = std::filesystem::status(*path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) return std::nullopt;
    return path;
}

}  // namespace olva::app
