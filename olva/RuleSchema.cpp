#include "olva/RuleSchema.h"

#include "Core/model/Model.h"

namespace olva {

using nlohmann::json;

namespace {

const char* const kTokenText =
    "Tokens: {name} {ext} {added:yyyy-MM-dd} {created:\u2026} {modified:\u2026} {now:\u2026}, and {date:\u2026} "
    "or {date@Keyword:\u2026} for the first date in the file's contents, optionally after a keyword.";

// Which operators suit which attribute. The list of text operators is part
// of the prose and stays fixed even if the model gains operators.
std::string conditionText()
{
    std::string text = "Each attr allows only some ops. name, ext, source (download URL), contents (text or OCR): ";
    text += "is, isNot, contains, notContains, startsWith, endsWith, matches";
    text += ", matches is a regular expression. kind: is, isNot with image, pdf, movie, audio, archive, text, "
            "application, disk image, spreadsheet, presentation, a UTI or an extension. tags: contains, "
            "notContains. size: gt, lt with values like 500 KB or 2 GB. added, created, modified, opened: inLast, "
            "notInLast with values like 3 days or 2 weeks, inCurrent, notInCurrent with day, week, month or year.";
    return text;
}

}  // namespace

json actionSchema(const std::string& kind, const std::optional<std::string>& field, const json& fieldSchema)
{
    json inner = {{"type", "object"}, {"additionalProperties", false}};
    if (field) {
        inner["properties"] = json{{*field, fieldSchema}};
        inner["required"] = json::array({*field});
    }
    return json{
        {"type", "object"},
        {"properties", json{{kind, inner}}},
        {"required", json::array({kind})},
        {"additionalProperties", false},
    };
}

json ruleSchema()
{
    json attrs = json::array();
    for (Attr attr : allAttrs()) attrs.push_back(std::string(rawValue(attr)));
    json ops = json::array();
    for (Op op : allOps()) ops.push_back(std::string(rawValue(op)));

    json destination = {{"type", "string"}, {"description", "A folder path, ~ allowed."}};
    json renamePattern = {{"type", "string"},
                          {"description", std::string("New name without extension. ") + kTokenText}};
    json sortPath = {
        {"type", "string"},
        {"description", std::string("Subfolder path inside the file's folder, segments separated by /. ") + kTokenText}};
    json tagList = {{"type", "array"}, {"items", {{"type", "string"}}}, {"minItems", 1}};

    json variants = json::array({
        actionSchema("move", "to", destination),
        actionSchema("copy", "to", destination),
        actionSchema("rename", "to", renamePattern),
        actionSchema("sortInto", "path", sortPath),
        actionSchema("addTags", "tags", tagList),
        actionSchema("removeTags", "tags", tagList),
        actionSchema("trash"),
    });

    json properties = {
        {"name", {{"type", "string"}}},
        {"enabled", {{"type", "boolean"}, {"default", true}}},
        {"match", {{"$ref", "#/$defs/group"}}},
        {"actions",
         {{"type", "array"},
          {"minItems", 1},
          {"description", "Run in order on each matching file."},
          {"items", {{"oneOf", variants}}}}},
    };
    json group = {
        {"type", "object"},
        {"required", json::array({"mode", "items"})},
        {"properties",
         {{"mode", {{"enum", json::array({"all", "any", "none"})}}},
          {"items",
           {{"type", "array"},
            {"items", {{"oneOf", json::array({{{"$ref", "#/$defs/group"}}, {{"$ref", "#/$defs/condition"}}})}}}}}}},
    };
    json condition = {
        {"type", "object"},
        {"required", json::array({"attr", "op", "value"})},
        {"description", conditionText()},
        {"properties", {{"attr", {{"enum", attrs}}}, {"op", {{"enum", ops}}}, {"value", {{"type", "string"}}}}},
    };
    return json{
        {"type", "object"},
        {"required", json::array({"name", "match", "actions"})},
        {"properties", properties},
        {"$defs", {{"group", group}, {"condition", condition}}},
    };
}

}  // namespace olva
