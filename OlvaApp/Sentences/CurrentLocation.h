// Where a logged file is now, as far as its entry knows.
#pragma once

#include "Core/model/Entry.h"

#include <QUrl>

#include <optional>

namespace olva::app {

// The file URL of the first of these that exists: the target of the last
// move or trash step (none for a dry run), then the logged file.
std::optional<QUrl> currentURL(const olva::Entry& entry);

}  // namespace olva::app
