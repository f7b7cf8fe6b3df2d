#include "Core/model/Step.h"

#include "Core/base/JsonReader.h"
#include "Core/model/PathJson.h"

#include <array>

namespace olva {
namespace {

constexpr std::array<std::string_view, 5> kKindNames = {"move", "copy", "tags", "trash", "shell"};

}  // namespace

std::string tagsNote(const std::vector<std::string>& tags)
{
    std::string note;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (i > 0) note += kTagsNoteSeparator;
        note += tags[i];
    }
    return note;
}

std::string_view rawValue(Step::Kind kind) { return kKindNames[static_cast<std::size_t>(kind)]; }

std::optional<Step::Kind> stepKindFromRaw(std::string_view text)
{
    for (std::size_t i = 0; i < kKindNames.size(); ++i)
        if (kKindNames[i] == text) return static_cast<Step::Kind>(i);
    return std::nullopt;
}

nlohmann::ordered_json toJson(const Step& step)
{
    nlohmann::ordered_json json;
    json["kind"] = rawValue(step.kind);
    putPath(json, "from", step.from);
    if (step.to) putPath(json, "to", *step.to);
    if (step.tagsBefore) {
        json["tagsBefore"] = nlohmann::ordered_json::array();
        for (const std::string& tag : *step.tagsBefore) json["tagsBefore"].push_back(jsonText(tag));
    }
    if (step.note) json["note"] = jsonText(*step.note);
    if (step.key) json["key"] = jsonText(*step.key);
    return json;
}

void appendStepJson(std::string& out, const Step& step, bool escapeSlashes)
{
    out += "{\"kind\":\"";
    out += rawValue(step.kind);
    out += "\",";
    appendPathMember(out, "from", step.from, escapeSlashes);
    if (step.to) {
        out += ',';
        appendPathMember(out, "to", *step.to, escapeSlashes);
    }
    if (step.tagsBefore) {
        out += ",\"tagsBefore\":[";
        for (std::size_t i = 0; i < step.tagsBefore->size(); ++i) {
            if (i > 0) out += ',';
            appendTextValue(out, (*step.tagsBefore)[i], escapeSlashes);
        }
        out += ']';
    }
    appendTextMember(out, "note", step.note, escapeSlashes);
    appendTextMember(out, "key", step.key, escapeSlashes);
    out += '}';
}

Step stepFromJson(const nlohmann::json& value)
{
    JsonReader reader(value);
    reader.object();
    Step step;
    step.kind = reader["kind"].parsed(stepKindFromRaw, "a kind of step");
    step.from = readPath(reader, "from");
    step.to = findPath(reader, "to");
    if (auto tags = reader.find("tagsBefore")) {
        step.tagsBefore.emplace();
        for (const auto& tag : tags->array()) step.tagsBefore->push_back(tag.string());
    }
    if (auto note = reader.find("note")) step.note = note->string();
    if (auto key = reader.find("key")) step.key = key->string();
    return step;
}

}  // namespace olva
