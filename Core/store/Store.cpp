#include "Core/store/Store.h"

#include "Core/base/ActionError.h"
#include "Core/base/DecodingError.h"
#include "Core/base/JsonWriter.h"
#include "Core/base/Paths.h"
#include "Core/platform/AtomicFile.h"
#include "Core/platform/FileLock.h"
#include "Core/platform/RenameNoReplace.h"
#include "Core/platform/SessionBus.h"
#include "Core/platform/SystemError.h"

#include <chrono>
#include <cstdlib>
#include <system_error>

namespace olva {
namespace {

bool isMissing(const std::system_error& error)
{
    return error.code() == std::errc::no_such_file_or_directory;
}

// Where in the text the byte at `offset` stands: its line and the character
// within it, both from 1.
std::pair<std::size_t, std::size_t> lineAndColumn(const std::string& bytes, std::size_t offset)
{
    offset = std::min(offset, bytes.size());
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        if (bytes[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

nlohmann::json parseDocument(const std::string& bytes, const std::filesystem::path& file)
{
    try {
        return nlohmann::json::parse(bytes);
    } catch (const nlohmann::json::parse_error& error) {
        // The parser counts the byte it stopped at from 1.
        auto [line, column] = lineAndColumn(bytes, error.byte > 0 ? error.byte - 1 : 0);
        throw DecodingError(DecodingError::Kind::dataCorrupted, "",
                            file.string() + " is not valid JSON (line " + std::to_string(line) + ", column "
                                + std::to_string(column) + ")");
    } catch (const nlohmann::json::exception&) {
        // A number too large to hold, say: the parser names no place.
        throw DecodingError(DecodingError::Kind::dataCorrupted, "", file.string() + " is not valid JSON");
    }
}

bool decodesAsConfig(const std::string& bytes)
{
    try {
        configFromJson(parseDocument(bytes, {}));
        return true;
    } catch (const DecodingError&) {
        return false;
    }
}

ActionError unreadableSeen(const std::filesystem::path& file)
{
    return ActionError(file.string() + " can’t be read. It records which files each rule already handled, and "
                       "without it live rules would act again on every file. Restore it from a backup, or remove "
                       "it to accept that.");
}

}  // namespace

std::filesystem::path Store::defaultDir()
{
    std::filesystem::path dir;
    if (const char* home = std::getenv("OLVA_HOME"); home && *home) {
        dir = expand(home);
    } else {
        // Relative values of XDG_DATA_HOME are invalid and ignored, as every
        // desktop program does.
        const char* data = std::getenv("XDG_DATA_HOME");
        std::filesystem::path base = data && data[0] == '/' ? std::filesystem::path(data)
                                                            : std::filesystem::path(userHome()) / ".local" / "share";
        dir = base / "Olva";
    }
    std::error_code error;
    auto absolute = std::filesystem::absolute(dir, error);
    return error ? dir : absolute;
}

Store::Store(std::filesystem::path dir) : dir_(std::move(dir))
{
    std::error_code error;
    std::filesystem::create_directories(dir_, error);
    if (error) throw std::system_error(error, "couldn’t create the folder " + platform::quoted(dir_));
}

std::optional<std::string> Store::knownRules() const
{
    std::lock_guard lock(knownRulesMutex_);
    return knownRules_;
}

Config Store::loadConfig()
{
    std::string bytes;
    try {
        bytes = platform::readFileBytes(path("rules.json"));
    } catch (const std::system_error& error) {
        if (!isMissing(error)) throw;
        std::lock_guard lock(knownRulesMutex_);
        knownRules_.reset();
        return Config{};
    }
    {
        std::lock_guard lock(knownRulesMutex_);
        knownRules_ = bytes;
    }
    return configFromJson(parseDocument(bytes, path("rules.json")));
}

void Store::saveConfig(const Config& config)
{
    auto rules = path("rules.json");
    if (auto old = platform::readFileIfPossible(rules); old && !decodesAsConfig(*old)) {
        // What the user wrote is kept, never over an earlier one: a second
        // set-aside within the same second takes the next free number.
        auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::system_clock::now().time_since_epoch()).count();
        std::string stem = "rules.unreadable-" + std::to_string(seconds);
        for (int number = 1;; ++number) {
            auto aside = dir_ / (stem + (number == 1 ? "" : "-" + std::to_string(number)) + ".json");
            try {
                platform::renameNoReplace(rules, aside);
                break;
            } catch (const std::system_error& error) {
                if (error.code() != std::errc::file_exists || number >= 1000) throw;
            }
        }
    }
    std::string bytes = writeJson(toJson(config), {.pretty = true, .sortKeys = true, .escapeSlashes = false});
    {
        std::lock_guard lock(knownRulesMutex_);
        writingRules_ = bytes;
    }
    try {
        platform::writeFileAtomically(rules, bytes);
    } catch (...) {
        std::lock_guard lock(knownRulesMutex_);
        writingRules_.reset();
        throw;
    }
    std::lock_guard lock(knownRulesMutex_);
    knownRules_ = std::move(bytes);
    writingRules_.reset();
}

bool Store::rulesChangedOnDisk() const
{
    auto bytes = platform::readFileIfPossible(path("rules.json"));
    std::lock_guard lock(knownRulesMutex_);
    return bytes != knownRules_ && !(bytes && bytes == writingRules_);
}

bool Store::unreadRulesOnDisk() const
{
    std::string bytes;
    try {
        bytes = platform::readFileBytes(path("rules.json"));
    } catch (const std::system_error& error) {
        // A file that is there but cannot be read may hold anything.
        return !isMissing(error);
    }
    std::lock_guard lock(knownRulesMutex_);
    return bytes != knownRules_ && bytes != writingRules_;
}

namespace {

// Reads seen.json without building it as a document first: an object whose
// members are arrays of texts, each text handed on as it is read.
class SeenReader : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit SeenReader(const MarkSink& add) : add_(add) {}

    bool null() override { return false; }
    bool boolean(bool) override { return false; }
    bool number_integer(number_integer_t) override { return false; }
    bool number_unsigned(number_unsigned_t) override { return false; }
    bool number_float(number_float_t, const string_t&) override { return false; }
    bool binary(binary_t&) override { return false; }
    bool string(string_t& value) override
    {
        if (depth_ != 2) return false;
        add_(key_, value);
        empty_ = false;
        return true;
    }
    bool start_object(std::size_t) override { return depth_++ == 0; }
    bool key(string_t& value) override
    {
        key_ = std::move(value);
        return true;
    }
    bool end_object() override
    {
        --depth_;
        return true;
    }
    bool start_array(std::size_t) override
    {
        empty_ = true;
        return depth_++ == 1;
    }
    bool end_array() override
    {
        if (empty_) add_(key_, {});
        --depth_;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    const MarkSink& add_;
    int depth_ = 0;
    std::string key_;
    bool empty_ = false;
};

// seen.json's text, written as it goes rather than built as a document:
// compact, slashes escaped.
template <typename ForEach>
std::string seenText(ForEach&& forEach)
{
    std::string text = "{";
    const JsonStyle style{.escapeSlashes = true};
    forEach([&](std::string_view key, const auto& versions) {
        if (text.size() > 1) text += ',';
        appendJsonString(text, key, style);
        text += ":[";
        bool first = true;
        for (const auto& version : versions) {
            if (!first) text += ',';
            first = false;
            appendJsonString(text, version, style);
        }
        text += ']';
    });
    return text + "}";
}

}  // namespace

Seen Store::loadSeen() const
{
    Seen seen;
    readSeen([&](const std::string& key, std::string_view version) {
        auto& versions = seen[key];
        if (!version.empty()) versions.emplace(version);
    });
    return seen;
}

void Store::readSeen(const MarkSink& add, LogPosition* journalEnd) const
{
    // The journal before the seen file: a fold in between replaces the seen
    // file first, so the marks read here are then in the new seen file.
    try {
        JournalRead journal = readJournal({}, add);
        if (journalEnd) *journalEnd = journal.position;
    } catch (const std::system_error&) {
        throw unreadableSeen(path("seen.journal"));
    }
    auto file = path("seen.json");
    std::string bytes;
    try {
        bytes = platform::readFileBytes(file);
    } catch (const std::system_error& error) {
        if (isMissing(error)) return;
        throw unreadableSeen(file);
    }
    SeenReader reader(add);
    if (!nlohmann::json::sax_parse(bytes, &reader)) throw unreadableSeen(file);
}

void Store::saveSeen(const Seen& seen) const
{
    platform::writeFileAtomically(path("seen.json"), seenText([&](const auto& visit) {
        for (const auto& [key, versions] : seen) visit(key, versions);
    }));
}

void Store::saveSeen(const SeenRecords& seen) const
{
    platform::writeFileAtomically(path("seen.json"), seenText([&](const auto& visit) { seen.forEach(visit); }));
}

void Store::lockEngine()
{
    if (engineLock_.load() >= 0) return;
    int fd = platform::lockFile(path("engine.lock"), false);
    if (fd < 0) throw ActionError("another Olva is already processing these folders");
    engineLock_.store(fd);
}

bool Store::holdsEngineLock() const { return platform::isFileAt(engineLock_.load(), path("engine.lock")); }

void Store::releaseGoneFiles()
{
    if (engineLock() >= 0 && !holdsEngineLock()) {
        platform::Descriptor released(engineLock_.exchange(-1));
    }
    {
        std::lock_guard guard(journalMutex_);
        if (journal_ && !platform::isFileAt(journal_.get(), path("seen.journal"))) journal_ = platform::Descriptor();
    }
    // A lock on a removed log.lock would exclude nobody who opens the new one.
    std::lock_guard guard(logMutex_);
    if (logLock_ && !platform::isFileAt(logLock_.get(), path("log.lock"))) {
        releaseLogLockLocked();
        logLock_ = platform::Descriptor();
        log_ = platform::Descriptor();
    }
}

void Store::relockEngine()
{
    if (holdsEngineLock()) return;
    releaseGoneFiles();
    lockEngine();
}

void Store::announce(std::string_view name) { platform::emitSessionSignal(name); }

}  // namespace olva
