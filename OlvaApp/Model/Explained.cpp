#include "OlvaApp/Model/Explained.h"

#include "Core/base/Paths.h"
#include "Core/platform/Package.h"

namespace olva::app {

std::optional<std::size_t> Explained::winner() const
{
    for (std::size_t i = 0; i < rules.size(); ++i)
        if (rules[i].alreadyApplied || rules[i].outcome.pass) return i;
    return std::nullopt;
}

std::optional<Unwatched> unwatchedReason(const Config& config, const Folder& folder, const std::filesystem::path& file)
{
    if (config.paused) return Unwatched::allPaused;
    if (folder.paused) return Unwatched::folderPaused;
    // Judged on the path the engine lists the file by: under the folder's
    // real place, through the file's real one.
    const auto relative = std::filesystem::path(realPath(file.string()))
                              .lexically_relative(folderURL(folder));
    std::vector<std::string> parts;
    for (const auto& part : relative) parts.push_back(part.string());
    if (parts.empty() || parts.front() == "..") return std::nullopt;
    for (const std::string& part : parts)
        if (part.starts_with('.')) return Unwatched::hidden;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
        if (platform::isPackage(parts[i])) return Unwatched::inPackage;
    // A file directly in the folder is at level 0.
    if (static_cast<std::int64_t>(parts.size()) - 1 > folder.depth) return Unwatched::tooDeep;
    return std::nullopt;
}

}  // namespace olva::app
