#include "Core/Log.h"

#include "Core/JsonWriter.h"
#include "Core/Store.h"
#include "Core/platform/AtomicFile.h"
#include "Core/platform/Descriptor.h"
#include "Core/platform/FileLock.h"
#include "Core/platform/SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace olva {
namespace {

// Serialises rotation and appends between processes: without it, two
// writers that both find the log full would each move it aside, and the
// second move would replace the generation the first one just kept.
class LogLock {
public:
    explicit LogLock(const std::filesystem::path& path) : fd_(platform::lockFile(path, true)) {}

private:
    platform::Descriptor fd_;  // the lock goes with it
};

}  // namespace

std::string logLine(const Entry& entry)
{
    return writeJson(toJson(entry), {.escapeSlashes = true}) + "\n";
}

std::vector<Entry> parseLogLines(std::string_view bytes)
{
    std::vector<Entry> entries;
    while (!bytes.empty()) {
        auto end = bytes.find('\n');
        auto line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.empty()) continue;
        auto json = nlohmann::json::parse(line, nullptr, false);
        if (json.is_discarded()) continue;
        try {
            entries.push_back(entryFromJson(json));
        } catch (const std::exception&) {
            // A line that does not decode is left out; the rest still count.
        }
    }
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
    for (const auto& undo : log) {
        if (undo.undoOf != entry.id) continue;
        if (!undo.steps.empty()) reverted += undo.steps.size();
        else if (!undo.error) reverted += entry.steps.size();
    }
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
        auto& count = counts[*undo.undoOf];
        if (!undo.steps.empty()) count += undo.steps.size();
        else if (!undo.error) count += original->second->steps.size();
    }
    return counts;
}

void Store::append(const Entry& entry) const
{
    std::string line = logLine(entry);
    auto current = path("log.json");
    auto previous = path("log.1.json");
    LogLock lock(path("log.lock"));

    struct stat status{};
    if (::stat(current.c_str(), &status) == 0 && static_cast<std::uint64_t>(status.st_size) > maxLog) {
        ::unlink(previous.c_str());
        if (::rename(current.c_str(), previous.c_str()) != 0)
            platform::throwErrno(errno, "couldn’t move " + platform::quoted(current) + " aside");
    }

    // O_APPEND and one write per line: a writer that does not take the lock
    // still never overwrites a line.
    platform::Descriptor fd(::open(current.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd) platform::throwErrno(errno, "couldn’t open " + platform::quoted(current));
    // A line cut short (a crash, a full disk) must not swallow this one.
    if (::fstat(fd.get(), &status) == 0 && status.st_size > 0) {
        char last = '\n';
        if (::pread(fd.get(), &last, 1, status.st_size - 1) == 1 && last != '\n') line.insert(0, "\n");
    }
    if (!platform::appendWhole(fd.get(), line))
        platform::throwErrno(errno, "couldn’t write to " + platform::quoted(current));
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

}  // namespace olva
