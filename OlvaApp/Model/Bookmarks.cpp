#include "OlvaApp/Model/Bookmarks.h"

#include <QCoreApplication>

#include <system_error>

namespace olva::app {

std::variant<Bytes, QString> makeBookmark(const std::filesystem::path& folder)
{
    std::error_code error;
    if (!folder.is_absolute())
        return QCoreApplication::translate("Bookmarks", "The folder’s location isn’t complete.");
    if (!std::filesystem::is_directory(folder, error)) {
        if (error) return QString::fromStdString(error.message());
        return QCoreApplication::translate("Bookmarks", "There is no folder at that place anymore.");
    }
    const std::string& text = folder.native();
    return Bytes(text.begin(), text.end());
}

std::optional<std::filesystem::path> resolveBookmark(const Bytes& bookmark)
{
    if (bookmark.empty() || bookmark.front() != '/') return std::nullopt;
    std::filesystem::path folder(std::string(bookmark.begin(), bookmark.end()));
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return std::nullopt;
    return folder;
}

}  // namespace olva::app
