#include "OlvaApp/Sentences/CurrentLocation.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace olva::app {

std::optional<std::filesystem::path> currentFile(const olva::Entry& entry)
{
    std::vector<const std::string*> candidates;
    if (!entry.dryRun) {
        // Copies, tags and scripts leave the file where it was; the last move
        // or trash says where it went.
        for (auto step = entry.steps.rbegin(); step != entry.steps.rend(); ++step) {
            if (step->kind != olva::Step::Kind::move && step->kind != olva::Step::Kind::trash) continue;
            if (step->to) candidates.push_back(&*step->to);
            break;
        }
    }
    candidates.push_back(&entry.file);
    for (const std::string* path : candidates) {
        std::error_code error;
        if (!path->empty() && std::filesystem::exists(*path, error))
            return std::filesystem::path(*path);
    }
    return std::nullopt;
}

std::optional<QUrl> currentURL(const olva::Entry& entry)
{
    const auto file = currentFile(entry);
    if (!file) return std::nullopt;
    return QUrl::fromLocalFile(QString::fromStdString(file->string()));
}

}  // namespace olva::app
