#include "Core/actions/Revert.h"

#include "Core/base/ActionError.h"
#include "Core/facts/FileInfo.h"
#include "Core/platform/FileTransfer.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/Trash.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <tuple>

namespace olva {

namespace {

constexpr std::string_view kSeparator = kTagsNoteSeparator;

bool contains(const std::vector<std::string>& list, const std::string& text)
{
    return std::find(list.begin(), list.end(), text) != list.end();
}

std::vector<std::string> splitAtSeparator(std::string_view text)
{
    std::vector<std::string> pieces;
    for (std::size_t start = 0;;) {
        std::size_t at = text.find(kSeparator, start);
        std::string_view piece = text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        if (!piece.empty()) pieces.emplace_back(piece);
        if (at == std::string_view::npos) return pieces;
        start = at + kSeparator.size();
    }
}

// The entries of `before`, in order, whose joined text is `note`: what a
// step that removed tags left.
class SubsequenceMatch {
public:
    SubsequenceMatch(const std::vector<std::string>& before, std::string_view note) : before_(before), note_(note) {}

    std::optional<std::vector<std::string>> find()
    {
        if (!matches(0, 0, false)) return std::nullopt;
        std::vector<std::string> taken;
        std::size_t i = 0, at = 0;
        bool started = false;
        while (i < before_.size()) {
            std::optional<std::size_t> next = takeAt(i, at, started);
            if (next && matches(i + 1, *next, true)) {
                taken.push_back(before_[i]);
                at = *next;
                started = true;
            }
            ++i;
        }
        return taken;
    }

private:
    // Where the text continues when before_[i] is taken at `at`.
    std::optional<std::size_t> takeAt(std::size_t i, std::size_t at, bool started) const
    {
        if (started) {
            if (note_.substr(at, kSeparator.size()) != kSeparator) return std::nullopt;
            at += kSeparator.size();
        }
        const std::string& tag = before_[i];
        if (note_.substr(at, tag.size()) != tag) return std::nullopt;
        return at + tag.size();
    }

    bool matches(std::size_t i, std::size_t at, bool started)
    {
        if (i == before_.size()) return at == note_.size();
        auto key = std::make_tuple(i, at, started);
        if (auto known = memo_.find(key); known != memo_.end()) return known->second;
        std::optional<std::size_t> next = takeAt(i, at, started);
        bool result = (next && matches(i + 1, *next, true)) || matches(i + 1, at, started);
        memo_[key] = result;
        return result;
    }

    const std::vector<std::string>& before_;
    std::string_view note_;
    std::map<std::tuple<std::size_t, std::size_t, bool>, bool> memo_;
};

void verifyKey(const std::optional<std::string>& expected, const std::string& path)
{
    if (!expected) return;
    std::optional<std::string> key = FileInfo::keyIfPresent(path);
    if (!key) throw ActionError(path + " no longer exists");
    if (*key != *expected) throw ActionError(path + " is no longer the file Olva put there, so it was left alone");
}

// Where the file a step is about was when the step was done.
std::optional<std::string> placeOf(const Step& step)
{
    switch (step.kind) {
    case Step::Kind::move:
    case Step::Kind::trash: return step.to;
    case Step::Kind::tags: return step.from;
    case Step::Kind::copy:  // the copy is another file
    case Step::Kind::shell: return std::nullopt;
    }
    return std::nullopt;
}

// The walk through one entry's steps, newest first. A move back across file
// systems copies the file, so it comes back as a new file: the older steps
// recorded the identity it had before, and would take it for a stranger.
// What was moved back is known to be the file Olva left there, so its new
// identity stands in for the old one in the checks of the older steps.
class Reverting {
public:
    explicit Reverting(const std::vector<Step>& steps) : steps_(steps) {}

    void revertAt(std::size_t index)
    {
        const Step& step = steps_[index];
        switch (step.kind) {
        case Step::Kind::move:
        case Step::Kind::trash: moveBack(index); return;
        case Step::Kind::copy:
            if (!step.to) return;
            verifyKey(expected(step), *step.to);
            platform::moveToTrash(*step.to);
            return;
        case Step::Kind::tags:
            verifyKey(expected(step), step.from);
            platform::writeTags(step.from, tagsAfterRevert(step));
            return;
        case Step::Kind::shell: return;  // a script's effects cannot be taken back
        }
    }

private:
    std::optional<std::string> expected(const Step& step) const
    {
        if (!step.key) return std::nullopt;
        auto carried = carried_.find(*step.key);
        return carried == carried_.end() ? step.key : carried->second;
    }

    void moveBack(std::size_t index)
    {
        const Step& step = steps_[index];
        if (!step.to) throw ActionError("no location recorded for " + step.from);
        verifyKey(expected(step), *step.to);
        if (platform::itemExists(step.from)) throw ActionError(step.from + " already exists");
        // A move back across file systems copies: one that a kill cut short
        // left its temporary where the file returns, which goes first.
        if (!platform::foldersOnOneFileSystem(*step.to, step.from))
            platform::removeLeftoverCopies(std::filesystem::path(step.from).parent_path());
        const std::optional<std::string> before = FileInfo::keyIfPresent(*step.to);
        if (step.kind == Step::Kind::trash) platform::restoreFromTrash(*step.to, step.from);
        else platform::moveItem(*step.to, step.from);
        if (step.kind == Step::Kind::move && step.tagsBefore) giveTagsBack(step);
        const std::optional<std::string> after = FileInfo::keyIfPresent(step.from);
        if (!before || !after || *before == *after) return;
        for (std::size_t older = 0; older < index; ++older) {
            const Step& earlier = steps_[older];
            if (earlier.key && placeOf(earlier) == step.from) carried_[*earlier.key] = *after;
        }
    }

    // A move to a file system without extended attributes recorded the tags
    // the file lost on the way; back where they can be kept, it has them
    // again, beside any it was given since. The file is back either way, so
    // a failure to write them does not undo the undo.
    static void giveTagsBack(const Step& step)
    {
        std::vector<std::string> tags = platform::readTags(step.from);
        const std::size_t had = tags.size();
        for (const std::string& tag : *step.tagsBefore)
            if (!contains(tags, tag)) tags.push_back(tag);
        if (tags.size() == had) return;
        try {
            platform::writeTags(step.from, tags);
        } catch (const std::exception&) {
        }
    }

    const std::vector<Step>& steps_;
    // A key an older step recorded, and the key the same file has now.
    std::map<std::string, std::string> carried_;
};

}  // namespace

void verifyRecordedKey(const Step& step, const std::string& path) { verifyKey(step.key, path); }

std::vector<std::string> tagsRecordedAfter(const Step& step)
{
    const std::vector<std::string> before = step.tagsBefore.value_or(std::vector<std::string>{});
    const std::string note = step.note.value_or("");
    // Splitting the note at ", " alone would break up a tag that contains
    // ", ". A step either removed tags (what is left is some of `before`, in
    // order) or added them (`before`, then the new ones), so `before`
    // anchors the split.
    if (auto removal = SubsequenceMatch(before, note).find()) return *removal;
    const std::string kept = tagsNote(before);
    if (before.empty() || note.starts_with(kept + std::string(kSeparator))) {
        std::vector<std::string> after = before;
        for (std::string& tag : splitAtSeparator(std::string_view(note).substr(before.empty() ? 0 : kept.size())))
            after.push_back(std::move(tag));
        return after;
    }
    return splitAtSeparator(note);
}

std::vector<std::string> tagsAfterRevert(const Step& step)
{
    const std::vector<std::string> before = step.tagsBefore.value_or(std::vector<std::string>{});
    const std::vector<std::string> after = tagsRecordedAfter(step);
    std::vector<std::string> added, removed;
    for (const std::string& tag : after)
        if (!contains(before, tag)) added.push_back(tag);
    for (const std::string& tag : before)
        if (!contains(after, tag)) removed.push_back(tag);

    const std::vector<std::string> current = platform::readTags(step.from);
    std::vector<std::string> result;
    for (const std::string& tag : current)
        if (!contains(added, tag)) result.push_back(tag);
    for (const std::string& tag : removed)
        if (!contains(current, tag)) result.push_back(tag);
    return result;
}

RevertResult revert(const std::vector<Step>& steps)
{
    std::size_t handled = 0;
    std::optional<std::string> error;
    Reverting walk(steps);
    for (std::size_t index = steps.size(); index-- > 0;) {
        try {
            walk.revertAt(index);
        } catch (const std::exception& failure) {
            error = failure.what();
            break;
        }
        ++handled;
    }
    return RevertResult{std::vector<Step>(steps.end() - static_cast<std::ptrdiff_t>(handled), steps.end()), error};
}

}  // namespace olva
