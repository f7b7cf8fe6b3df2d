// How the rules of a watched folder treat one file, as the explanation sheet
// shows it.
#pragma once

#include "Core/engine/Engine.h"

#include <QMetaType>
#include <QUuid>

#include <filesystem>
#include <optional>
#include <vector>

namespace olva::app {

// Why the engine leaves a file alone whatever its rules say.
enum class Unwatched {
    allPaused,     // every rule is paused
    folderPaused,  // the file's watched folder is paused
    tooDeep,       // the file lies in more subfolder levels than the folder includes
    hidden,        // the file, or a folder it lies in, is hidden
    inPackage,     // the file lies inside a package (an app or document bundle)
};

struct Explained {
    QUuid id = QUuid::createUuid();  // fresh for every explanation, so the sheet opens anew
    std::filesystem::path file;
    std::vector<Explanation> rules;  // one per enabled rule of the folder, in rule order
    // Set when the engine never looks at the file, so no rule acts on it.
    std::optional<Unwatched> unwatched;

    // The first explanation whose rule already handled the file or matches
    // it; none when no rule does.
    std::optional<std::size_t> winner() const;
};

// Why the engine never looks at `file` in `folder` under `config`, if it
// doesn't. `folder` must hold the file.
std::optional<Unwatched> unwatchedReason(const Config& config, const Folder& folder,
                                         const std::filesystem::path& file);

}  // namespace olva::app

Q_DECLARE_METATYPE(olva::app::Explained)
