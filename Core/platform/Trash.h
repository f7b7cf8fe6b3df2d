// The freedesktop.org Trash: the home Trash for items on its file system,
// a Trash at the top of the item's own file system otherwise.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>

namespace olva::platform {

// Moves the item into the Trash and returns its path there. Its
// ".trashinfo" (original path, deletion date) is written first; a name taken
// in the Trash gets " 2", " 3" before its extension. Nothing is replaced.
// `before`, when given, is told the path in the Trash just before the item
// moves there; what it throws leaves the item where it was.
std::filesystem::path moveToTrash(const std::filesystem::path& item,
                                  const std::function<void(const std::filesystem::path&)>& before = {});

// Moves a trashed item back to `original` without replacing anything, then
// removes its ".trashinfo".
void restoreFromTrash(const std::filesystem::path& trashed, const std::filesystem::path& original);

// The pieces, open for tests.

// $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
std::filesystem::path homeTrash();
// The top folder of the file system that holds `path` (a folder or file).
std::filesystem::path mountPointOf(const std::filesystem::path& path);
// The Trash of user `uid` on the file system whose top folder is `topdir`:
// $topdir/.Trash/$uid when $topdir/.Trash is a sticky folder and not a link,
// else $topdir/.Trash-$uid; created when missing. Throws when neither can be
// used safely.
std::filesystem::path topdirTrash(const std::filesystem::path& topdir, uid_t uid);

}  // namespace olva::platform
