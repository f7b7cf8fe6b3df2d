#include "Core/Store.h"

#include "Core/ActionError.h"
#include "Core/DecodingError.h"
#include "Core/JsonWriter.h"
#include "Core/Paths.h"
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
        if (isMissing(error)) return Config{};
        throw;
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
        knownRules_ = bytes;
    }
    platform::writeFileAtomically(rules, bytes);
}

bool Store::rulesChangedOnDisk() const
{
    auto bytes = platform::readFileIfPossible(path("rules.json"));
    std::lock_guard lock(knownRulesMutex_);
    return bytes != knownRules_;
}

Seen Store::loadSeen() const { return loadSeen(nullptr); }

Seen Store::loadSeen(LogPosition* journalEnd) const
{
    // The journal before the seen file: a fold in between replaces the seen
    // file first, so the marks read here are then in the new seen file.
    JournalRead journal;
    try {
        journal = readJournal({});
    } catch (const std::system_error&) {
        throw unreadableSeen(path("seen.journal"));
    }
    auto file = path("seen.json");
    Seen seen;
    try {
        auto json = parseDocument(platform::readFileBytes(file), file);
        if (!json.is_object()) throw DecodingError(DecodingError::Kind::typeMismatch, "", "not an object");
        for (const auto& [key, versions] : json.items()) {
            if (!versions.is_array()) throw DecodingError(DecodingError::Kind::typeMismatch, key, "not an array");
            auto& set = seen[key];
            for (const auto& version : versions) {
                if (!version.is_string()) throw DecodingError(DecodingError::Kind::typeMismatch, key, "not a string");
                set.insert(version.get<std::string>());
            }
        }
    } catch (const std::system_error& error) {
        if (!isMissing(error)) throw unreadableSeen(file);
    } catch (const DecodingError&) {
        throw unreadableSeen(file);
    }
    for (auto& [key, versions] : journal.marks) seen[key].merge(versions);
    if (journalEnd) *journalEnd = journal.position;
    return seen;
}

void Store::saveSeen(const Seen& seen) const
{
    nlohmann::json json = nlohmann::json::object();
    for (const auto& [key, versions] : seen) json[key] = versions;
    platform::writeFileAtomically(path("seen.json"), writeJson(json, {.escapeSlashes = true}));
}

void Store::lockEngine()
{
    if (engineLock_.load() >= 0) return;
    int fd = platform::lockFile(path("engine.lock"), false);
    if (fd < 0) throw ActionError("another Olva is already processing these folders");
    engineLock_.store(fd);
}

void Store::announce(std::string_view name) { platform::emitSessionSignal(name); }

}  // namespace olva
