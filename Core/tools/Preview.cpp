#include "Core/tools/Preview.h"

#include "Core/facts/FileInfo.h"
#include "Core/facts/Listing.h"
#include "Core/actions/Perform.h"
#include "Core/store/Store.h"

#include <algorithm>

namespace olva {

FolderPreview preview(const Rule& rule, const Folder& folder, std::int64_t limit, const PreviewControl& control)
{
    const Date now = currentDate();
    // As the engine lists it: without the data directory.
    const auto files = listFiles(folder, Store::defaultDir());
    FolderPreview result;
    result.total = std::int64_t(files.size());
    const auto count = std::size_t(std::clamp<std::int64_t>(limit, 0, result.total));
    for (std::size_t i = 0; i < count && !control.stop.stop_requested(); ++i) {
        const std::string path = files[i].string();
        if (control.examining) control.examining(path);
        ++result.examined;
        std::optional<FileInfo> file;
        try {
            file.emplace(files[i]);
        } catch (const std::exception&) {
            continue;
        }
        if (!file->isDownloaded() || file->isPartialDownload()) continue;
        file->setStopToken(control.stop);

        PreviewRow row;
        row.path = path;
        row.outcome = evaluate(rule.match, *file, now);
        if (row.outcome.pass) {
            Applied applied = perform(rule.actions, *file, true, now);
            row.steps = std::move(applied.steps);
            row.error = std::move(applied.error);
        }
        result.rows.push_back(std::move(row));
    }
    std::sort(result.rows.begin(), result.rows.end(),
              [](const PreviewRow& a, const PreviewRow& b) { return a.path < b.path; });
    return result;
}

}  // namespace olva
