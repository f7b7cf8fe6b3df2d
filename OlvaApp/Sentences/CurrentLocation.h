// Where a logged file is now, as far as its entry knows.
#pragma once

#include "Core/model/Entry.h"

#include <QUrl>

#include <filesystem>
#include <optional>

namespace olva::app {

// The first of these that exists: the target of the last move or trash step
// (none for a dry run), then the logged file. The path holds the logged
// bytes as they are, so that a name that is not UTF-8 still opens.
std::optional<std::filesystem::path> currentFile(const olva::Entry& entry);
// currentFile as a file URL, for drags and for enabling the commands.
std::optional<QUrl> currentURL(const olva::Entry& entry);

}  // namespace olva::app
