// File URIs as the intents pass files: every byte of the path travels, so
// names that are not UTF-8 arrive as they are on disk.
#pragma once

#include <QString>

#include <filesystem>
#include <optional>

namespace olva::app {

// "file://" and the absolute path, percent-encoded byte by byte.
QString fileUri(const std::filesystem::path& absolutePath);

// The local path a "file:" URI names (host empty or "localhost"); none for
// another scheme, another host, a relative or empty path, or text that is
// not a URI.
std::optional<std::filesystem::path> pathFromFileUri(const QString& uri);

}  // namespace olva::app
