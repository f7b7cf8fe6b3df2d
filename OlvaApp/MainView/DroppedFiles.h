// What the main window makes of files dropped on it: on the sidebar,
// folders to watch and Hazel exports to import; on a folder's rules, a file
// to explain. Only local files count; the rest of a drop is left out.
#pragma once

#include <QList>
#include <QUrl>

#include <filesystem>
#include <optional>
#include <vector>

namespace olva::app {

struct SidebarDrop {
    enum class Kind { folder, hazelExport };

    Kind kind = Kind::folder;
    std::filesystem::path path;

    friend bool operator==(const SidebarDrop&, const SidebarDrop&) = default;
};

// In the order given: each file whose extension is exactly "hazelrules" as
// an export, each folder as a folder to watch; anything else is skipped.
std::vector<SidebarDrop> sidebarDrops(const QList<QUrl>& urls);

// The first URL of the drop when it is a local file that is not a folder.
std::optional<std::filesystem::path> explainedDrop(const QList<QUrl>& urls);

// A local file URL's path, byte for byte as the file system names it.
std::optional<std::filesystem::path> localPath(const QUrl& url);

}  // namespace olva::app
