// The content type of a file whose status is already known: from its name,
// else from its first bytes (only regular files are read).
#pragma once

#include "Core/base/ContentType.h"
#include "Core/platform/FileStatus.h"

#include <filesystem>
#include <optional>

namespace olva::platform {

std::optional<ContentType> contentTypeOf(const std::filesystem::path& path, const FileStatus& status);

}  // namespace olva::platform
