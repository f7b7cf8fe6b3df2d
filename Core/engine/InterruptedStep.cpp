#include "Core/engine/InterruptedStep.h"

#include "Core/facts/FileInfo.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/FileTransfer.h"

#include <filesystem>
#include <system_error>

namespace olva {

namespace {

namespace fs = std::filesystem;

std::optional<std::string> keyAt(const std::optional<std::string>& path)
{
    return path ? FileInfo::keyIfPresent(*path) : std::nullopt;
}

// A move or copy stopped while it copied leaves its temporary in the
// destination folder.
void removeLeftoverCopy(const Step& intended)
{
    if (intended.to) platform::removeLeftoverCopies(fs::path(*intended.to).parent_path());
}

// A move to another file system stopped after its copy took the name and
// before the source was removed: the copy is whole when it holds what the
// source holds, and the move is then finished.
bool finishedMoveByCopying(const Step& intended)
{
    const fs::path from = intended.from, to = *intended.to;
    if (intended.kind != Step::Kind::move || !intended.key || platform::foldersOnOneFileSystem(from, to)) return false;
    if (FileInfo::keyIfPresent(from) != intended.key || !platform::sameContents(from, to)) return false;
    std::error_code error;
    fs::remove_all(from, error);
    return !error;
}

// The file moved to `to`: found there by its key, or, when a move to another
// file system gave it a new identity, found there while its source is gone.
std::optional<std::string> movedKey(const Step& intended)
{
    auto there = keyAt(intended.to);
    if (!there) return std::nullopt;
    if (intended.key && *there == *intended.key) return there;
    if (platform::itemExists(intended.from) && !finishedMoveByCopying(intended)) return std::nullopt;
    return there;
}

}  // namespace

std::optional<Step> stepIfDone(const Step& intended)
{
    Step done = intended;
    switch (intended.kind) {
    case Step::Kind::move:
    case Step::Kind::trash:
        removeLeftoverCopy(intended);
        done.key = movedKey(intended);
        if (!done.key) return std::nullopt;
        return done;
    case Step::Kind::copy:
        removeLeftoverCopy(intended);
        done.key = keyAt(intended.to);
        // The name may have been taken by another file meanwhile.
        if (!done.key || !platform::sameContents(intended.from, *intended.to)) return std::nullopt;
        return done;
    case Step::Kind::tags: {
        auto key = keyAt(intended.from);
        if (!key || (intended.key && *key != *intended.key)) return std::nullopt;
        if (platform::readTags(intended.from) == intended.tagsBefore.value_or(std::vector<std::string>()))
            return std::nullopt;
        done.key = key;
        return done;
    }
    case Step::Kind::shell:
        done.note = std::string(kScriptMayHaveRun);
        return done;
    }
    return std::nullopt;
}

}  // namespace olva
