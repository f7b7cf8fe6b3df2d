// Lasting access to a folder the user chose. Without a sandbox a bookmark
// only has to find the folder again: it holds the folder's absolute path and
// resolves while a folder exists there.
#pragma once

#include "Core/model/Model.h"

#include <QString>

#include <filesystem>
#include <optional>
#include <variant>

namespace olva::app {

// The bookmark of an existing folder, or the sentence saying why none can
// be made.
std::variant<Bytes, QString> makeBookmark(const std::filesystem::path& folder);
// Where the bookmark's folder is, while it exists.
std::optional<std::filesystem::path> resolveBookmark(const Bytes& bookmark);

}  // namespace olva::app
