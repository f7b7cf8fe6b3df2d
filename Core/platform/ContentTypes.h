// The content type of a file whose status is already known.
#pragma once

#include "Core/ContentType.h"
#include "Core/platform/FileStatus.h"

namespace olva::platform {

std::optional<ContentType> contentTypeOf(const std::filesystem::path& path, const FileStatus& status);

}  // namespace olva::platform
