#include "olva/McpTools.h"

#include "Core/base/DecodingError.h"
#include "Core/base/JsonReader.h"
#include "Core/base/JsonWriter.h"
#include "Core/model/PathJson.h"
#include "Core/model/Model.h"
#include "Core/tools/RuleTools.h"
#include "Core/store/Store.h"
#include "olva/RuleSchema.h"


namespace olva {

using nlohmann::json;

namespace {

constexpr const char* kSavedNote = "Saved as a dry run. The user turns it live in Olva.";
constexpr const char* kDryRunText =
    "Saved as a dry run: Olva logs what it would do and the user turns it live. Shell scripts are refused.";

json folderProperty()
{
    return json{{"type", "string"}, {"description", "A watched folder path, as list_folders returns it."}};
}

json annotations(bool readOnly, bool destructive)
{
    return json{{"readOnlyHint", readOnly}, {"destructiveHint", destructive}};
}

json requiredOf(const json& properties)
{
    json required = json::array();
    for (const auto& [key, value] : properties.items()) required.push_back(key);
    return required;
}

json tool(const char* name, const std::string& description, json properties, json hints)
{
    json schema = {{"type", "object"}, {"required", requiredOf(properties)}};
    // The rule's "$ref"s point at "#/$defs/...", which resolves against the
    // root of the input schema, so its definitions go there.
    if (auto rule = properties.find("rule"); rule != properties.end()) {
        schema["$defs"] = (*rule)["$defs"];
        rule->erase("$defs");
    }
    schema["properties"] = std::move(properties);
    return json{{"name", name}, {"description", description}, {"inputSchema", schema}, {"annotations", hints}};
}

json buildToolDefinitions()
{
    json tools = json::array();
    tools.push_back(tool("list_folders", "The folders Olva watches, with their rule counts.", json::object(),
                         annotations(true, false)));
    tools.push_back(tool("list_rules",
                         "The rules of a watched folder in the order they run. The first matching rule wins.",
                         json{{"folder", folderProperty()}}, annotations(true, false)));
    tools.push_back(tool("preview_rule",
                         "Which files in the folder a rule would match right now and what it would do. Changes nothing.",
                         json{{"folder", folderProperty()}, {"rule", ruleSchema()}}, annotations(true, false)));
    tools.push_back(tool("create_rule", std::string("Add a rule at the end of a folder's rules. ") + kDryRunText,
                         json{{"folder", folderProperty()}, {"rule", ruleSchema()}}, annotations(false, false)));
    tools.push_back(tool("update_rule",
                         std::string("Replace the rule at index, which must still be named expectedName. ") + kDryRunText,
                         json{{"folder", folderProperty()},
                              {"index", {{"type", "integer"}, {"minimum", 0}}},
                              {"expectedName", {{"type", "string"}}},
                              {"rule", ruleSchema()}},
                         annotations(false, false)));
    tools.push_back(tool("explain_file",
                         "How each rule of the file's folder evaluates the file, condition by condition.",
                         json{{"path", {{"type", "string"}}}}, annotations(true, false)));

    json activity = tool("recent_activity",
                         "What Olva did or would have done to files, oldest first. Entries with dryRun true changed "
                         "nothing.",
                         json{{"limit", {{"type", "integer"}, {"minimum", 1}, {"maximum", 200}, {"default", 20}}},
                              {"folder", folderProperty()}},
                         json{{"readOnlyHint", true}});
    activity["inputSchema"].erase("required");
    tools.push_back(std::move(activity));

    tools.push_back(tool("revert_activity",
                         "Undo what a rule did to a file: moves it back, untrashes it, removes copies, restores tags. "
                         "Shell scripts aren't undone. id is an activity id or a unique prefix of one.",
                         json{{"id", {{"type", "string"}}}}, annotations(false, true)));
    return tools;
}

}  // namespace

const json& toolDefinitions()
{
    static const json definitions = buildToolDefinitions();
    return definitions;
}

namespace {

// A path ends at its first NUL where the system reads it: "inbox\u0000/etc"
// would name "inbox".
std::string wholeText(const std::string& key, std::string text)
{
    if (text.find('\0') != std::string::npos) throw ToolInputError(key + " can't hold the character U+0000");
    return text;
}

}  // namespace

std::string stringArgument(const json& arguments, const std::string& key)
{
    auto it = arguments.find(key);
    if (it == arguments.end() || !it->is_string() || it->get_ref<const std::string&>().empty())
        throw ToolInputError(key + " is required");
    return wholeText(key, it->get<std::string>());
}

std::int64_t intArgument(const json& arguments, const std::string& key)
{
    if (auto it = arguments.find(key); it != arguments.end()) {
        try {
            return JsonReader(*it).integer();
        } catch (const DecodingError&) {
        }
    }
    throw ToolInputError(key + " must be a number");
}

Rule ruleArgument(const json& arguments)
{
    auto it = arguments.find("rule");
    if (it == arguments.end()) throw ToolInputError("rule is required");
    return ruleFromJson(*it);
}

std::string codingPathText(const std::string& path)
{
    if (path.empty() || path.front() == '[') return path;
    return "." + path;
}

std::string describeToolError(const std::exception& error)
{
    const auto* decoding = dynamic_cast<const DecodingError*>(&error);
    if (!decoding) return error.what();
    std::string where = "rule" + codingPathText(decoding->path());
    if (decoding->kind() == DecodingError::Kind::keyNotFound) {
        // The reader says which key: no value for the key “name”.
        const std::string& detail = decoding->detail();
        const std::string open = "\u201c", close = "\u201d";
        auto start = detail.find(open);
        auto end = detail.rfind(close);
        if (start != std::string::npos && end != std::string::npos && end > start)
            return where + ": missing " + detail.substr(start + open.size(), end - start - open.size());
    }
    return where + ": " + decoding->detail();
}

namespace {

using nlohmann::ordered_json;

ordered_json saved(std::optional<std::int64_t> index)
{
    ordered_json json = ordered_json::object();
    if (index) json["index"] = *index;
    json["note"] = kSavedNote;
    return json;
}

// Runs the tool's operation and gives the value to encode.
ordered_json runOperation(const std::string& name, const json& arguments, const std::shared_ptr<Store>& store)
{
    RuleTools tools(store);
    if (name == "list_folders") return toJson(tools.listFolders());
    if (name == "list_rules") return toJson(tools.listRules(stringArgument(arguments, "folder")));
    if (name == "preview_rule") {
        Rule rule = ruleArgument(arguments);
        return toJson(tools.preview(rule, stringArgument(arguments, "folder")));
    }
    if (name == "create_rule") {
        Rule rule = ruleArgument(arguments);
        std::int64_t index = tools.create(rule, stringArgument(arguments, "folder"));
        Store::announce(Store::rulesChanged);
        return saved(index);
    }
    if (name == "update_rule") {
        Rule rule = ruleArgument(arguments);
        std::string folder = stringArgument(arguments, "folder");
        std::int64_t index = intArgument(arguments, "index");
        std::string expectedName = stringArgument(arguments, "expectedName");
        tools.update(rule, folder, index, expectedName);
        Store::announce(Store::rulesChanged);
        return saved(std::nullopt);
    }
    if (name == "explain_file") return toJson(tools.explain(stringArgument(arguments, "path")));
    if (name == "recent_activity") {
        // Whole numbers count in any form (1.0 as 1), as for the other tools.
        std::int64_t limit = 20;
        if (auto it = arguments.find("limit"); it != arguments.end()) {
            if (it->is_number_unsigned() && it->get<std::uint64_t>() > 200) limit = 200;
            else if (it->is_number_float() && it->get<double>() > 200) limit = 200;
            else {
                try {
                    limit = JsonReader(*it).integer();
                } catch (const DecodingError&) {
                }
            }
        }
        limit = std::min<std::int64_t>(limit, 200);
        std::optional<std::string> folder;
        if (auto it = arguments.find("folder"); it != arguments.end() && it->is_string())
            folder = wholeText("folder", it->get<std::string>());
        return toJson(tools.activity(limit, folder));
    }
    if (name == "revert_activity") {
        RuleTools::Reverted reverted = tools.revert(stringArgument(arguments, "id"));
        Store::announce(Store::activityChanged);
        return toJson(reverted);
    }
    throw ToolInputError("unknown tool " + name);
}

json toolResult(const std::string& text, bool isError)
{
    return json{{"content", json::array({json{{"type", "text"}, {"text", text}}})}, {"isError", isError}};
}

}  // namespace

json callTool(const std::string& name, const json& arguments, const std::shared_ptr<Store>& store)
{
    ordered_json value;
    try {
        value = runOperation(name, arguments, store);
    } catch (const std::exception& error) {
        // The text may name a file whose name is not UTF-8.
        return toolResult(jsonText(describeToolError(error)), true);
    }
    // Not caught here: a value that has no JSON text gets a JSON-RPC error.
    return toolResult(writeJson(value, JsonStyle{.sortKeys = true}), false);
}

}  // namespace olva
