#include "Core/model/Entry.h"

#include "Core/base/JsonReader.h"
#include "Core/model/PathJson.h"
#include "Core/platform/UUID.h"

namespace olva {
namespace {

DecodingError within(const JsonReader& item, const DecodingError& error)
{
    std::string path = item.path();
    if (!error.path().empty()) path += "." + error.path();
    return DecodingError(error.kind(), path, error.detail());
}

// Each item of the list decoded by `fromJson`, its errors placed in the list.
template <typename T>
void readEach(const JsonReader& list, T (*fromJson)(const nlohmann::json&), std::vector<T>& out)
{
    for (const auto& item : list.array()) {
        try {
            out.push_back(fromJson(item.value()));
        } catch (const DecodingError& error) {
            throw within(item, error);
        }
    }
}

std::string readUUID(const JsonReader& reader) { return reader.parsed(platform::canonicalUUID, "a UUID"); }

}  // namespace

nlohmann::ordered_json toJson(const Entry& entry)
{
    nlohmann::ordered_json json;
    json["id"] = entry.id;
    json["at"] = iso8601(entry.at);
    putPath(json, "file", entry.file);
    json["rule"] = jsonText(entry.rule);
    json["version"] = jsonText(entry.version);
    json["dryRun"] = entry.dryRun;
    json["checks"] = nlohmann::ordered_json::array();
    for (const auto& check : entry.checks) json["checks"].push_back(toJson(check));
    json["steps"] = nlohmann::ordered_json::array();
    for (const auto& step : entry.steps) json["steps"].push_back(toJson(step));
    if (entry.error) json["error"] = jsonText(*entry.error);
    if (entry.undoOf) json["undoOf"] = *entry.undoOf;
    return json;
}

Entry entryFromJson(const nlohmann::json& value)
{
    JsonReader reader(value);
    reader.object();
    // Every field is read in place: a default-built entry would draw a fresh
    // UUID for every line of the log only to throw it away.
    Entry entry{.id = readUUID(reader["id"]),
                .at = reader["at"].parsed(parseIso8601, "an ISO 8601 date"),
                .file = readPath(reader, "file"),
                .rule = reader["rule"].string(),
                .version = reader["version"].string(),
                .dryRun = reader["dryRun"].boolean(),
                .checks = {},
                .steps = {},
                .error = std::nullopt,
                .undoOf = std::nullopt};
    readEach(reader["checks"], checkFromJson, entry.checks);
    readEach(reader["steps"], stepFromJson, entry.steps);
    if (auto error = reader.find("error")) entry.error = error->string();
    if (auto undoOf = reader.find("undoOf")) entry.undoOf = readUUID(*undoOf);
    return entry;
}

}  // namespace olva
