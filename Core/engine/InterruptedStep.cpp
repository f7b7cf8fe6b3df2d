#include "Core/engine/InterruptedStep.h"

#include "Core/facts/FileInfo.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/FileTransfer.h"

namespace olva {

namespace {

std::optional<std::string> keyAt(const std::optional<std::string>& path)
{
    return path ? FileInfo::keyIfPresent(*path) : std::nullopt;
}

// The file moved to `to`: found there by its key, or, when a move to another
// file system gave it a new identity, found there while its source is gone.
std::optional<std::string> movedKey(const Step& intended)
{
    auto there = keyAt(intended.to);
    if (!there) return std::nullopt;
    if (intended.key && *there == *intended.key) return there;
    if (platform::itemExists(intended.from)) return std::nullopt;
    return there;
}

}  // namespace

std::optional<Step> stepIfDone(const Step& intended)
{
    Step done = intended;
    switch (intended.kind) {
    case Step::Kind::move:
    case Step::Kind::trash:
        done.key = movedKey(intended);
        if (!done.key) return std::nullopt;
        return done;
    case Step::Kind::copy:
        done.key = keyAt(intended.to);
        if (!done.key) return std::nullopt;
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
