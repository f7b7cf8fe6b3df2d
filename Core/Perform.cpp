#include "Core/Perform.h"

#include "Core/ActionError.h"
#include "Core/FileInfo.h"
#include "Core/FileName.h"
#include "Core/NamePattern.h"
#include "Core/Paths.h"
#include "Core/ScriptRunner.h"
#include "Core/platform/FileTransfer.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/Trash.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace olva {
namespace fs = std::filesystem;

namespace {

constexpr double kScriptTimeout = 60;
// A name taken between the test and the move is taken by someone else; the
// next free name is tried, but not forever.
constexpr int kPlacementAttempts = 100;

std::optional<std::string> keyOf(const fs::path& path)
{
    try {
        return FileInfo::keyFor(path);
    } catch (...) {
        return std::nullopt;
    }
}

bool contains(const std::vector<std::string>& list, const std::string& text)
{
    return std::find(list.begin(), list.end(), text) != list.end();
}

// A rendered name must stay a name in its folder: "." and ".." would leave
// it, and "/" or a NUL would make it a different path.
void checkRenderedName(const std::string& name, const std::string& pattern)
{
    if (name == "." || name == ".." || name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
        throw ActionError("pattern " + pattern + " rendered “" + name + "”, which can't be used as a name");
}

class Run {
public:
    Run(FileInfo& file, bool dryRun, Date now, const StepDone& stepDone)
        : file_(file), dryRun_(dryRun), now_(now), stepDone_(stepDone), current_(file.url())
    {
    }

    // False when the run ends here (after a trash action).
    bool carryOut(const Action& action)
    {
        switch (action.kind) {
        case Action::Kind::move: moveInto(destinationFolder(action.text)); return true;
        case Action::Kind::copy: copyInto(destinationFolder(action.text)); return true;
        case Action::Kind::rename: rename(action.text); return true;
        case Action::Kind::sortInto: sortInto(action.text); return true;
        case Action::Kind::addTags: changeTags(action.tags, true); return true;
        case Action::Kind::removeTags: changeTags(action.tags, false); return true;
        case Action::Kind::trash: trash(); return false;
        case Action::Kind::shell: shell(action.text); return true;
        }
        return true;
    }

    std::vector<Step> steps;

private:
    // A relative destination is taken against the working directory; the
    // steps record it absolute, so that an undo works from anywhere.
    static fs::path destinationFolder(const std::string& to)
    {
        if (to.empty()) throw ActionError("move and copy need a destination folder");
        fs::path folder(expand(to));
        if (folder.is_relative()) {
            std::error_code error;
            fs::path absolute = fs::absolute(folder, error);
            if (!error) folder = std::move(absolute);
        }
        return folder;
    }

    std::optional<std::string> keyAfterChange(const fs::path& path) const
    {
        return dryRun_ ? std::nullopt : keyOf(path);
    }

    void took(Step step)
    {
        steps.push_back(std::move(step));
        if (!dryRun_ && stepDone_) stepDone_(steps.back());
    }

    void recordMove(const fs::path& destination)
    {
        fs::path from = std::exchange(current_, destination);
        took(Step{Step::Kind::move, from.string(), destination.string(), {}, {}, keyAfterChange(destination)});
    }

    void moveTo(const fs::path& folder, const std::string& name)
    {
        recordMove(placeItem(current_, folder, name, dryRun_, platform::moveItem));
    }

    void moveInto(const fs::path& folder) { moveTo(folder, current_.filename().string()); }

    void copyInto(const fs::path& folder)
    {
        fs::path destination = placeItem(current_, folder, current_.filename().string(), dryRun_, platform::copyItem);
        took(Step{Step::Kind::copy, current_.string(), destination.string(), {}, {}, keyAfterChange(destination)});
    }

    void rename(const std::string& pattern)
    {
        std::string text = render(pattern, file_, now_);
        std::string ext = splitName(current_.filename().string()).ext;
        std::string name = ext.empty() ? text : text + "." + ext;
        checkRenderedName(name, pattern);
        if (name == current_.filename().string()) return;
        moveTo(current_.parent_path(), name);
    }

    void sortInto(const std::string& path)
    {
        fs::path relative;
        std::size_t start = 0;
        while (start <= path.size()) {
            std::size_t slash = std::min(path.find('/', start), path.size());
            if (slash > start) {
                std::string segment = path.substr(start, slash - start);
                std::string rendered = render(segment, file_, now_);
                checkRenderedName(rendered, segment);
                relative /= rendered;
            }
            start = slash + 1;
        }
        // Rules from a file are not validated: such a path would move the
        // file onto itself, which takes the next free name.
        if (relative.empty() && path.empty()) throw ActionError("rename and sortInto need a pattern");
        if (relative.empty()) throw ActionError(std::string(kNoSubfolderText));
        moveTo(current_.parent_path() / relative, current_.filename().string());
    }

    void changeTags(const std::vector<std::string>& tags, bool add)
    {
        std::vector<std::string> before = platform::readTags(current_);
        std::vector<std::string> after;
        if (add) {
            after = before;
            for (const std::string& tag : tags)
                if (!contains(before, tag)) after.push_back(tag);
        } else {
            for (const std::string& tag : before)
                if (!contains(tags, tag)) after.push_back(tag);
        }
        if (after == before) return;
        if (!dryRun_) platform::writeTags(current_, after);
        took(Step{Step::Kind::tags, current_.string(), {}, before, tagsNote(after), keyAfterChange(current_)});
    }

    void trash()
    {
        if (dryRun_) {
            took(Step{Step::Kind::trash, current_.string(), {}, {}, {}, {}});
            return;
        }
        fs::path trashed = platform::moveToTrash(current_);
        took(Step{Step::Kind::trash, current_.string(), trashed.string(), {}, {}, keyOf(trashed)});
    }

    void shell(const std::string& script)
    {
        std::string note = dryRun_ ? "not run in dry-run" : runScript(script, current_, kScriptTimeout);
        took(Step{Step::Kind::shell, current_.string(), {}, {}, note, {}});
    }

    FileInfo& file_;
    bool dryRun_;
    Date now_;
    const StepDone& stepDone_;
    fs::path current_;
};

}  // namespace

fs::path uniqueDestination(const fs::path& folder, const std::string& name, bool dryRun)
{
    if (!dryRun) {
        std::error_code error;
        fs::create_directories(folder, error);
        if (error) throw std::system_error(error, "couldn't create the folder " + platform::quoted(folder));
    }
    fs::path candidate = folder / name;
    for (unsigned long counter = 2; platform::itemExists(candidate); ++counter)
        candidate = folder / numberedName(name, counter);
    return candidate;
}

fs::path placeItem(const fs::path& from, const fs::path& folder, const std::string& name, bool dryRun,
                   const Transfer& transfer)
{
    for (int attempt = 1;; ++attempt) {
        fs::path destination = uniqueDestination(folder, name, dryRun);
        if (dryRun) return destination;
        try {
            transfer(from, destination);
            return destination;
        } catch (const std::exception& error) {
            if (!platform::isFileExistsError(error) || attempt == kPlacementAttempts) throw;
        }
    }
}

Applied perform(const std::vector<Action>& actions, FileInfo& file, bool dryRun, Date now, const StepDone& stepDone)
{
    Run run(file, dryRun, now, stepDone);
    for (const Action& action : actions) {
        try {
            if (!run.carryOut(action)) break;
        } catch (const std::exception& error) {
            return Applied{std::move(run.steps), std::string(error.what())};
        }
    }
    return Applied{std::move(run.steps), std::nullopt};
}

}  // namespace olva
