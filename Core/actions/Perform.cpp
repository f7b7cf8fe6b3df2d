#include "Core/actions/Perform.h"

#include "Core/base/ActionError.h"
#include "Core/facts/FileInfo.h"
#include "Core/base/FileName.h"
#include "Core/actions/NamePattern.h"
#include "Core/base/Paths.h"
#include "Core/actions/ScriptRunner.h"
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

std::string tagsLeftBehindNote(const std::vector<std::string>& tags)
{
    return "the tags " + tagsNote(tags) + " couldn’t go along: the destination can’t keep tags";
}

// What `announce` threw, carried out of the run to tell a held run from a
// failed action.
struct Held {
    std::exception_ptr reason;
};

class Run {
public:
    Run(FileInfo& file, bool dryRun, Date now, const StepHooks* hooks, fs::path at, std::optional<std::string> key)
        : file_(file), dryRun_(dryRun), now_(now), hooks_(hooks), current_(std::move(at)), currentKey_(std::move(key))
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

    RunPoint point(std::size_t action) const { return RunPoint{action, current_, currentKey_}; }

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

    bool live() const { return !dryRun_ && hooks_; }

    // The file as it stands before a change; its key is formed once, and
    // follows it through the changes that keep its identity.
    const std::optional<std::string>& keyNow()
    {
        if (!currentKey_ && !dryRun_) currentKey_ = FileInfo::keyIfPresent(current_);
        return currentKey_;
    }

    void announce(const Step& intended)
    {
        if (!live() || !hooks_->announce) return;
        try {
            hooks_->announce(intended);
        } catch (...) {
            throw Held{std::current_exception()};
        }
    }

    void took(Step step)
    {
        steps.push_back(std::move(step));
        if (live() && hooks_->done) hooks_->done(steps.back());
    }

    void moveTo(const fs::path& folder, const std::string& name)
    {
        std::optional<std::string> key = live() ? keyNow() : std::nullopt;
        platform::ItemTransfer transfer(current_, platform::ItemTransfer::Kind::move);
        fs::path destination = placeItem(
            current_, folder, name, dryRun_, [&](const fs::path&, const fs::path& to) { transfer.to(to); },
            [&](const fs::path& to) { announce(Step{Step::Kind::move, current_.string(), to.string(), {}, {}, key}); });
        fs::path from = std::exchange(current_, destination);
        // A move to another file system gives the file a new identity.
        currentKey_ = dryRun_ ? std::nullopt : FileInfo::keyIfPresent(destination);
        Step step{Step::Kind::move, from.string(), destination.string(), {}, {}, currentKey_};
        // What the destination could not keep is noted, and an undo gives
        // the tags back.
        if (!transfer.tagsLeftBehind().empty()) {
            step.tagsBefore = transfer.tagsLeftBehind();
            step.note = tagsLeftBehindNote(transfer.tagsLeftBehind());
        }
        took(std::move(step));
    }

    void moveInto(const fs::path& folder) { moveTo(folder, current_.filename().string()); }

    void copyInto(const fs::path& folder)
    {
        platform::ItemTransfer transfer(current_, platform::ItemTransfer::Kind::copy);
        fs::path destination = placeItem(
            current_, folder, current_.filename().string(), dryRun_,
            [&](const fs::path&, const fs::path& to) { transfer.to(to); },
            [&](const fs::path& to) { announce(Step{Step::Kind::copy, current_.string(), to.string(), {}, {}, {}}); });
        Step step{Step::Kind::copy, current_.string(), destination.string(), {}, {},
                  dryRun_ ? std::nullopt : FileInfo::keyIfPresent(destination)};
        if (!transfer.tagsLeftBehind().empty()) step.note = tagsLeftBehindNote(transfer.tagsLeftBehind());
        took(std::move(step));
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
        // Tags leave the file's identity as it was: its key stands.
        Step step{Step::Kind::tags, current_.string(), {}, before, tagsNote(after), dryRun_ ? std::nullopt : keyNow()};
        announce(step);
        if (!dryRun_) platform::writeTags(current_, after);
        took(std::move(step));
    }

    void trash()
    {
        if (dryRun_) {
            took(Step{Step::Kind::trash, current_.string(), {}, {}, {}, {}});
            return;
        }
        std::optional<std::string> key = live() ? keyNow() : std::nullopt;
        fs::path trashed = platform::moveToTrash(current_, [&](const fs::path& to) {
            announce(Step{Step::Kind::trash, current_.string(), to.string(), {}, {}, key});
        });
        took(Step{Step::Kind::trash, current_.string(), trashed.string(), {}, {}, FileInfo::keyIfPresent(trashed)});
    }

    void shell(const std::string& script)
    {
        if (!dryRun_) announce(Step{Step::Kind::shell, current_.string(), {}, {}, {}, {}});
        std::string note = dryRun_ ? "not run in dry-run" : runScript(script, current_, kScriptTimeout);
        took(Step{Step::Kind::shell, current_.string(), {}, {}, note, {}});
    }

    FileInfo& file_;
    bool dryRun_;
    Date now_;
    const StepHooks* hooks_;
    fs::path current_;
    std::optional<std::string> currentKey_;
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
                   const Transfer& transfer, const std::function<void(const fs::path&)>& before)
{
    for (int attempt = 1;; ++attempt) {
        fs::path destination = uniqueDestination(folder, name, dryRun);
        if (dryRun) return destination;
        if (before) before(destination);
        try {
            transfer(from, destination);
            return destination;
        } catch (const std::exception& error) {
            if (!platform::isFileExistsError(error) || attempt == kPlacementAttempts) throw;
        }
    }
}

namespace {

Performed carryOutFrom(const std::vector<Action>& actions, Run& run, std::size_t first)
{
    for (std::size_t index = first; index < actions.size(); ++index) {
        try {
            if (!run.carryOut(actions[index])) break;
        } catch (const Held& held) {
            return Performed{Applied{std::move(run.steps), std::nullopt}, run.point(index), held.reason};
        } catch (const std::exception& error) {
            return Performed{Applied{std::move(run.steps), std::string(error.what())}, std::nullopt, nullptr};
        }
    }
    return Performed{Applied{std::move(run.steps), std::nullopt}, std::nullopt, nullptr};
}

}  // namespace

Applied perform(const std::vector<Action>& actions, FileInfo& file, bool dryRun, Date now)
{
    Run run(file, dryRun, now, nullptr, file.url(), std::nullopt);
    return carryOutFrom(actions, run, 0).applied;
}

Performed performLive(const std::vector<Action>& actions, FileInfo& file, Date now, const StepHooks& hooks,
                      std::optional<RunPoint> from)
{
    RunPoint start = from ? std::move(*from) : RunPoint{0, file.url(), file.key()};
    Run run(file, false, now, &hooks, std::move(start.at), std::move(start.key));
    return carryOutFrom(actions, run, start.action);
}

}  // namespace olva
