// The text of a file: a PDF's own text (or, for a scan, the text recognised
// in its first pages), the text recognised in an image, or a plain-text
// file decoded as UTF-8. Every other file has none. Never fails: whatever
// cannot be read gives the empty text. Once `stop` is requested nothing more
// is read or recognised, and what was found so far is returned.
#pragma once

#include "Core/base/ContentType.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>

namespace olva {

std::string extractText(const std::filesystem::path& url, const std::optional<ContentType>& type,
                        std::stop_token stop = {});

// A plain-text file larger than this has no text.
inline constexpr std::int64_t plainTextLimit = 4'999'999;

}  // namespace olva
