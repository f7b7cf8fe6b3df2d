#include "OlvaApp/Model/Bookmarks.h"

#include <QCoreApplication>

#include <system_error>

namespace olva::app {

std::variant<Bytes, QString> makeBookmark(const std::filesystem::path& folder)
{
    if (!folder.is_absolute())
        return QCoreApplication::translate("Bookmarks", "The folder’s location isn’t complete.");
    std::error_code error;
    const auto status = std::filesystem::status(folder, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return QCoreApplication::translate("Bookmarks", "There is no folder at that place anymore.");
    if (error) return QString::fromStdString(error.message());
    if (status.type() != std::filesystem::file_type::directory)
        return QCoreApplication::translate("Bookmarks", "That place isn’t a folder.");
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
