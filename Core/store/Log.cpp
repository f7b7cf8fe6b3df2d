#include "Core/store/Log.h"

#include "Core/base/JsonWriter.h"
#include "Core/model/PathJson.h"
#include "Core/store/Store.h"
#include "Core/platform/AtomicFile.h"
#include "Core/platform/Descriptor.h"
#include "Core/platform/FileLock.h"
#include "Core/platform/FileStatus.h"
#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <functional>
#include <system_error>

namespace olva {
namespace {

template <typename F>
void forEachLine(std::string_view bytes, F&& body)
{
    while (!bytes.empty()) {
        auto end = bytes.find('\n');
        body(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
}

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (asciiUpper(text[i]) != asciiUpper(prefix[i])) return false;
    return true;
}

// The lines of a file from its end to its start, read in blocks, so that
// the newest lines cost what they hold whatever the size of the file.
class BackwardLines {
public:
    BackwardLines(int fd, std::uint64_t size) : fd_(fd), start_(size) {}

    // The next line going backwards: first what follows the last line feed
    // (empty when the file ends with one), last the file's first line.
    // Nothing at the start of the file or when a read fails.
    std::optional<std::string_view> next()
    {
        for (;;) {
            if (auto feed = std::string_view(buffer_).substr(0, end_).rfind('\n'); feed != std::string_view::npos) {
                std::string_view line(buffer_.data() + feed + 1, end_ - feed - 1);
                end_ = feed;
                return line;
            }
            if (start_ == 0) {
                if (finished_) return std::nullopt;
                finished_ = true;
                return std::string_view(buffer_.data(), end_);
            }
            std::uint64_t size = std::min<std::uint64_t>(start_, kBlock);
            std::string block(size, '\0');
            for (std::size_t done = 0; done < size;) {
                ssize_t count = ::pread(fd_, block.data() + done, size - done, off_t(start_ - size + done));
                if (count < 0 && errno == EINTR) continue;
                if (count <= 0) return std::nullopt;
                done += std::size_t(count);
            }
            block.append(buffer_, 0, end_);
            buffer_ = std::move(block);
            end_ = buffer_.size();
            start_ -= size;
        }
    }

private:
    static constexpr std::uint64_t kBlock = 64 * 1024;
    int fd_;
    std::uint64_t start_;  // file offset of buffer_[0]
    std::string buffer_;
    std::size_t end_ = 0;  // bytes of buffer_ not yet handed out
    bool finished_ = false;
};

}  // namespace

std::string logLine(const Entry& entry)
{
    return writeJson(toJson(entry), {.escapeSlashes = true}) + "\n";
}

std::string logLineHead(const Entry& entry)
{
    // Written straight rather than through a JSON value: every handled file
    // costs one.
    std::string text;
    // Room for the usual entry and its step, so that the line is not
    // moved as it grows.
    text.reserve(640 + 2 * entry.file.size());
    text += "{\"id\":";
    appendJsonString(text, entry.id);
    text += ",\"at\":";
    appendJsonString(text, iso8601(entry.at));
    text += ',';
    appendPathMember(text, "file", entry.file, true);
    text += ",\"rule\":";
    appendTextValue(text, entry.rule, true);
    text += ",\"version\":";
    appendTextValue(text, entry.version, true);
    text += entry.dryRun ? ",\"dryRun\":true,\"checks\":[" : ",\"dryRun\":false,\"checks\":[";
    for (std::size_t i = 0; i < entry.checks.size(); ++i) {
        if (i > 0) text += ',';
        appendCheckJson(text, entry.checks[i], true);
    }
    text += "],\"steps\":[";
    return text;
}

std::string logLineWith(std::string_view head, const std::vector<Step>& steps, const std::optional<std::string>& error)
{
    std::string line;
    line.reserve(head.size() + 256 * steps.size() + 64);
    line += head;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (i > 0) line += ',';
        appendStepJson(line, steps[i], true);
    }
    line += ']';
    if (error) {
        line += ",\"error\":";
        appendTextValue(line, *error, true);
    }
    line += "}\n";
    return line;
}

std::string entryTextOfHead(std::string_view head) { return std::string(head) + "]}"; }

std::optional<Entry> parseLogLine(std::string_view line)
{
    if (line.empty()) return std::nullopt;
    auto json = nlohmann::json::parse(line, nullptr, false);
    if (json.is_discarded()) return std::nullopt;
    try {
        return entryFromJson(json);
    } catch (const std::exception&) {
        // A line that does not decode is left out; the rest still count.
        return std::nullopt;
    }
}

std::vector<Entry> parseLogLines(std::string_view bytes)
{
    std::vector<Entry> entries;
    forEachLine(bytes, [&](std::string_view line) {
        if (auto entry = parseLogLine(line)) entries.push_back(std::move(*entry));
    });
    return entries;
}

std::vector<Entry> entriesWithPrefix(std::vector<Entry> log, std::string_view prefix)
{
    std::erase_if(log, [&](const Entry& entry) { return entry.undoOf || !entry.id.starts_with(prefix); });
    return log;
}

std::vector<Step> stepsLeftToRevert(std::span<const Entry> log, const Entry& entry)
{
    std::size_t reverted = 0;
    for (const auto& undo : log)
        if (undo.undoOf == entry.id) reverted += stepsRevertedBy(undo, entry);
    if (reverted >= entry.steps.size()) return {};
    return {entry.steps.begin(), entry.steps.end() - static_cast<std::ptrdiff_t>(reverted)};
}

std::map<std::string, std::size_t> revertedStepCounts(std::span<const Entry> log)
{
    std::map<std::string, const Entry*> byId;
    for (const auto& entry : log) byId.emplace(entry.id, &entry);
    std::map<std::string, std::size_t> counts;
    for (const auto& undo : log) {
        if (!undo.undoOf) continue;
        auto original = byId.find(*undo.undoOf);
        if (original == byId.end()) continue;
        counts[*undo.undoOf] += stepsRevertedBy(undo, *original->second);
    }
    return counts;
}

std::size_t stepsRevertedBy(const Entry& undo, const Entry& original)
{
    if (!undo.steps.empty()) return undo.steps.size();
    return undo.error ? 0 : original.steps.size();
}

LogRead Store::entries(LogPosition after) const
{
    platform::Descriptor fd(::open(path("log.json").c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return {parseLogLines(platform::readFileIfPossible(path("log.1.json")).value_or("")), LogPosition{}, true};

    struct stat status{};
    if (::fstat(fd.get(), &status) != 0) return {{}, after, false};
    auto inode = static_cast<std::uint64_t>(status.st_ino);
    auto size = static_cast<std::uint64_t>(status.st_size);
    // A new inode means the log was rotated; a size below what was consumed
    // means it was cut or replaced in place. Either way start over.
    bool whole = inode != after.inode || size < after.offset;
    std::uint64_t start = whole ? 0 : after.offset;

    if (::lseek(fd.get(), static_cast<off_t>(start), SEEK_SET) < 0) return {{}, after, false};
    std::optional<std::string> bytes = platform::readToEnd(fd.get());
    if (!bytes) return {{}, after, false};
    // A last line without its line feed is still being written: leave it.
    auto lastFeed = bytes->rfind('\n');
    std::size_t kept = lastFeed == std::string::npos ? 0 : lastFeed + 1;

    LogRead read;
    if (whole) read.entries = parseLogLines(platform::readFileIfPossible(path("log.1.json")).value_or(""));
    auto fresh = parseLogLines(std::string_view(*bytes).substr(0, kept));
    read.entries.insert(read.entries.end(), std::make_move_iterator(fresh.begin()),
                        std::make_move_iterator(fresh.end()));
    read.position = {inode, start + kept};
    read.isWhole = whole;
    return read;
}

std::vector<Entry> Store::entries() const { return entries(LogPosition{}).entries; }

std::vector<Entry> Store::lastEntries(std::size_t count, const std::function<bool(const Entry&)>& keep) const
{
    return readBackwards(keep, [count](const std::vector<Entry>& taken) { return taken.size() >= count; });
}

std::vector<Entry> Store::newestEntries(std::size_t count, const std::function<bool(const Entry&)>& more) const
{
    return readBackwards({}, [&](const std::vector<Entry>& taken) {
        return taken.size() >= count && (taken.empty() || !more || !more(taken.back()));
    });
}

std::vector<Entry> Store::readBackwards(const std::function<bool(const Entry&)>& keep,
                                        const std::function<bool(const std::vector<Entry>&)>& enough) const
{
    std::vector<Entry> newestFirst;
    if (enough(newestFirst)) return newestFirst;
    // Newest first: log.json without a last line still being written, then
    // log.1.json whole, as a whole read puts them in the other order.
    bool done = false;
    auto take = [&](int fd, bool skipUnfinished) {
        struct stat status {};
        if (::fstat(fd, &status) != 0) return;
        BackwardLines lines(fd, std::uint64_t(status.st_size));
        if (skipUnfinished) lines.next();
        while (!done) {
            auto line = lines.next();
            if (!line) return;
            if (auto entry = parseLogLine(*line); entry && (!keep || keep(*entry))) {
                newestFirst.push_back(std::move(*entry));
                done = enough(newestFirst);
            }
        }
    };
    if (platform::Descriptor current(::open(path("log.json").c_str(), O_RDONLY | O_CLOEXEC)); current)
        take(current.get(), true);
    if (!done)
        if (platform::Descriptor previous(::open(path("log.1.json").c_str(), O_RDONLY | O_CLOEXEC)); previous)
            take(previous.get(), false);
    std::reverse(newestFirst.begin(), newestFirst.end());
    return newestFirst;
}

std::vector<Entry> Store::entriesWhereLine(const std::function<bool(std::string_view line)>& mayMatch) const
{
    // The lines of a whole read, taken in blocks; only those that may match
    // are decoded.
    std::vector<Entry> entries;
    auto take = [&](int fd, bool skipUnfinished) {
        std::string pending;
        std::vector<char> block(1 << 20);
        for (;;) {
            ssize_t count = ::read(fd, block.data(), block.size());
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) break;
            pending.append(block.data(), std::size_t(count));
            auto lastFeed = pending.rfind('\n');
            if (lastFeed == std::string::npos) continue;
            forEachLine(std::string_view(pending).substr(0, lastFeed), [&](std::string_view line) {
                if (!line.empty() && mayMatch(line))
                    if (auto entry = parseLogLine(line)) entries.push_back(std::move(*entry));
            });
            pending.erase(0, lastFeed + 1);
        }
        if (!skipUnfinished && !pending.empty() && mayMatch(pending))
            if (auto entry = parseLogLine(pending)) entries.push_back(std::move(*entry));
    };
    platform::Descriptor current(::open(path("log.json").c_str(), O_RDONLY | O_CLOEXEC));
    if (platform::Descriptor previous(::open(path("log.1.json").c_str(), O_RDONLY | O_CLOEXEC)); previous)
        take(previous.get(), false);
    if (current) take(current.get(), true);
    return entries;
}

std::vector<Entry> Store::entriesWithIdPrefix(std::string_view prefix) const
{
    // Every line this system writes begins with the identifier; a line of
    // another shape is decoded to be sure.
    constexpr std::string_view lead = "{\"id\":\"";
    auto entries = entriesWhereLine([&](std::string_view line) {
        return !line.starts_with(lead) || startsWithIgnoringCase(line.substr(lead.size()), prefix);
    });
    return entriesWithPrefix(std::move(entries), prefix);
}

std::vector<Entry> Store::entriesMentioning(std::string_view id) const
{
    // This system writes identifiers in upper case; other writers may have
    // used lower case.
    std::string upper(id), lower(id);
    for (char& c : upper) c = asciiUpper(c);
    for (char& c : lower) c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return entriesWhereLine([&](std::string_view line) {
        return line.find(upper) != std::string_view::npos || line.find(lower) != std::string_view::npos;
    });
}

}  // namespace olva
