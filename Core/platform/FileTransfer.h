// Moving and copying files without ever replacing anything at the
// destination, whole or not at all. Failures are std::system_error whose text
// names the item and ends with the system's reason, or ActionError when the
// item changed while it was copied or the copy was cut short; a destination
// that is taken fails with std::errc::file_exists and leaves both sides
// untouched.
//
// A copy (and a move to another file system, which copies) is made under a
// temporary name in the destination folder that no user file can have,
// flushed to the disk, and given its name only once the source is found to
// be the very file it was when the copy began; a move removes the source only
// then. A copy asked to stop (CopyStop.h) ends at once and leaves nothing;
// should the process be killed midway, all that can be left is the
// temporary, which the sweep of leftovers removes (LeftoverCopies.h).
#pragma once

#include "Core/platform/LeftoverCopies.h"
#include "Core/platform/SameContents.h"
#include "Core/platform/SystemError.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace olva::platform {

class StagedCopy;

// One move or copy of an item (a file, a symbolic link or a folder with all
// it holds) to a name in a folder. When that name is taken, `to` throws
// std::errc::file_exists and may be called again with another name in the
// same folder: a copy already made is used again. What a failed or abandoned
// transfer made is removed; the source stays as it was.
class ItemTransfer {
public:
    enum class Kind { move, copy };

    // `copying`: a move copies even within one file system, as it must
    // across two.
    ItemTransfer(std::filesystem::path from, Kind kind, bool copying = false);
    ~ItemTransfer();
    ItemTransfer(const ItemTransfer&) = delete;
    ItemTransfer& operator=(const ItemTransfer&) = delete;

    void to(const std::filesystem::path& destination);

    // Whether the item was copied (across file systems, for a move).
    bool copied() const { return copied_; }
    // The tags of the item that its copy could not keep, its destination
    // holding no extended attributes; empty otherwise.
    const std::vector<std::string>& tagsLeftBehind() const { return tagsLeftBehind_; }

private:
    std::filesystem::path from_;
    Kind kind_;
    bool copying_;
    bool copied_ = false;
    std::unique_ptr<StagedCopy> staged_;
    std::vector<std::string> tagsLeftBehind_;
};

// One-shot forms of ItemTransfer: to `to`, or std::errc::file_exists.
void moveItem(const std::filesystem::path& from, const std::filesystem::path& to);
void copyItem(const std::filesystem::path& from, const std::filesystem::path& to);
// A move that copies and then removes the source, as a move to another file
// system does.
void moveByCopying(const std::filesystem::path& from, const std::filesystem::path& to);

// Whether the folders holding the two items are on one file system, where
// a move is a rename.
bool foldersOnOneFileSystem(const std::filesystem::path& a, const std::filesystem::path& b);

// Whether anything occupies `path`. A dangling symbolic link counts: a
// no-replace move onto it would fail.
bool itemExists(const std::filesystem::path& path);

bool isFileExistsError(const std::exception& error);

// For tests: called on the copying thread after each chunk of a file's data
// is written to its temporary (the source, the temporary). Set it before a
// copy begins; an empty function removes it.
using CopyChunkHook = std::function<void(const std::filesystem::path&, const std::filesystem::path&)>;
void setCopyChunkHook(CopyChunkHook hook);

}  // namespace olva::platform
