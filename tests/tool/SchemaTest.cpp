#include "Core/model/Model.h"
#include "olva/McpTools.h"
#include "olva/RuleSchema.h"

#include <gtest/gtest.h>

using namespace olva;
using nlohmann::json;

namespace {

// Every "$ref" below `node`, as JSON pointers into the document.
void collectRefs(const json& node, std::vector<std::string>& refs)
{
    if (node.is_object()) {
        for (const auto& [key, value] : node.items()) {
            if (key == "$ref" && value.is_string()) refs.push_back(value.get<std::string>());
            else collectRefs(value, refs);
        }
    } else if (node.is_array()) {
        for (const auto& item : node) collectRefs(item, refs);
    }
}

json tool(const std::string& name)
{
    for (const auto& definition : toolDefinitions())
        if (definition["name"] == name) return definition;
    return nullptr;
}

}  // namespace

TEST(RuleSchema, DescribesTheRuleAndOffersSevenActionsButNoScript)
{
    json schema = ruleSchema();
    EXPECT_EQ(schema["type"], "object");
    EXPECT_EQ(schema["required"], json::array({"name", "match", "actions"}));
    EXPECT_FALSE(schema.contains("additionalProperties"));
    EXPECT_FALSE(schema["properties"].contains("dryRun"));
    EXPECT_EQ(schema["properties"]["enabled"], (json{{"type", "boolean"}, {"default", true}}));
    EXPECT_EQ(schema["properties"]["match"], (json{{"$ref", "#/$defs/group"}}));

    const json& actions = schema["properties"]["actions"];
    EXPECT_EQ(actions["minItems"], 1);
    const json& variants = actions["items"]["oneOf"];
    std::vector<std::string> kinds;
    for (const auto& variant : variants) {
        ASSERT_EQ(variant["required"].size(), 1u);
        std::string kind = variant["required"][0];
        kinds.push_back(kind);
        // One key, and nothing else inside it either.
        EXPECT_EQ(variant["additionalProperties"], false) << kind;
        EXPECT_EQ(variant["properties"].size(), 1u) << kind;
        EXPECT_EQ(variant["properties"][kind]["additionalProperties"], false) << kind;
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"move", "copy", "rename", "sortInto", "addTags", "removeTags", "trash"}));
    EXPECT_EQ(variants[6]["properties"]["trash"], (json{{"type", "object"}, {"additionalProperties", false}}));
    EXPECT_EQ(variants[4]["properties"]["addTags"]["properties"]["tags"],
              (json{{"type", "array"}, {"items", {{"type", "string"}}}, {"minItems", 1}}));
    EXPECT_EQ(variants[0]["properties"]["move"]["required"], json::array({"to"}));
    EXPECT_EQ(variants[3]["properties"]["sortInto"]["required"], json::array({"path"}));

    std::string sortText = variants[3]["properties"]["sortInto"]["properties"]["path"]["description"];
    EXPECT_TRUE(sortText.starts_with("Subfolder path inside the file's folder, segments separated by /. Tokens: {name}"));
    EXPECT_NE(sortText.find("{created:\u2026}"), std::string::npos);
    std::string renameText = variants[2]["properties"]["rename"]["properties"]["to"]["description"];
    EXPECT_EQ(renameText.substr(renameText.find("Tokens:")), sortText.substr(sortText.find("Tokens:")));
}

TEST(RuleSchema, ConditionsListTheModelsAttributesAndOperators)
{
    json schema = ruleSchema();
    const json& condition = schema["$defs"]["condition"];
    json attrs = json::array(), ops = json::array();
    for (Attr attr : allAttrs()) attrs.push_back(std::string(rawValue(attr)));
    for (Op op : allOps()) ops.push_back(std::string(rawValue(op)));
    EXPECT_EQ(condition["properties"]["attr"]["enum"], attrs);
    EXPECT_EQ(condition["properties"]["op"]["enum"], ops);
    EXPECT_EQ(condition["required"], json::array({"attr", "op", "value"}));
    std::string text = condition["description"];
    EXPECT_NE(text.find("contents (text or OCR): is, isNot, contains, notContains, startsWith, endsWith, matches, matches "
                        "is a regular expression."),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("inCurrent, notInCurrent with day, week, month or year."));

    const json& group = schema["$defs"]["group"];
    EXPECT_EQ(group["properties"]["mode"]["enum"], json::array({"all", "any", "none"}));
    EXPECT_EQ(group["properties"]["items"]["items"]["oneOf"],
              json::array({{{"$ref", "#/$defs/group"}}, {{"$ref", "#/$defs/condition"}}}));
}

TEST(ToolDefinitions, EightToolsWithTheirHintsAndRequiredArguments)
{
    json tools = toolDefinitions();
    std::vector<std::string> names;
    for (const auto& definition : tools) {
        names.push_back(definition["name"]);
        EXPECT_FALSE(definition.contains("title"));
        EXPECT_EQ(definition["inputSchema"]["type"], "object");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"list_folders", "list_rules", "preview_rule", "create_rule", "update_rule",
                                               "explain_file", "recent_activity", "revert_activity"}));

    EXPECT_EQ(tool("list_folders")["inputSchema"]["properties"], json::object());
    EXPECT_EQ(tool("list_folders")["inputSchema"]["required"], json::array());
    EXPECT_EQ(tool("list_folders")["annotations"], (json{{"readOnlyHint", true}, {"destructiveHint", false}}));

    json activity = tool("recent_activity");
    EXPECT_FALSE(activity["inputSchema"].contains("required"));
    EXPECT_EQ(activity["annotations"], (json{{"readOnlyHint", true}}));
    EXPECT_EQ(activity["inputSchema"]["properties"]["limit"],
              (json{{"type", "integer"}, {"minimum", 1}, {"maximum", 200}, {"default", 20}}));

    EXPECT_EQ(tool("revert_activity")["annotations"], (json{{"readOnlyHint", false}, {"destructiveHint", true}}));
    EXPECT_EQ(tool("create_rule")["annotations"], (json{{"readOnlyHint", false}, {"destructiveHint", false}}));

    json update = tool("update_rule");
    std::vector<std::string> required = update["inputSchema"]["required"];
    std::sort(required.begin(), required.end());
    EXPECT_EQ(required, (std::vector<std::string>{"expectedName", "folder", "index", "rule"}));
    EXPECT_EQ(update["description"],
              "Replace the rule at index, which must still be named expectedName. Saved as a dry run: Olva logs what it "
              "would do and the user turns it live. Shell scripts are refused.");
    EXPECT_EQ(update["inputSchema"]["properties"]["index"], (json{{"type", "integer"}, {"minimum", 0}}));
    EXPECT_EQ(tool("list_rules")["inputSchema"]["properties"]["folder"]["description"],
              "A watched folder path, as list_folders returns it.");
}

TEST(ToolDefinitions, EveryReferenceResolvesFromTheRootOfItsInputSchema)
{
    for (const auto& definition : toolDefinitions()) {
        const json& schema = definition["inputSchema"];
        std::vector<std::string> refs;
        collectRefs(schema, refs);
        for (const std::string& ref : refs) {
            ASSERT_TRUE(ref.starts_with("#/")) << ref;
            EXPECT_TRUE(schema.contains(json::json_pointer(ref.substr(1)))) << definition["name"] << " " << ref;
        }
        if (definition["name"] == "preview_rule" || definition["name"] == "create_rule"
            || definition["name"] == "update_rule") {
            EXPECT_FALSE(refs.empty());
            // The rule itself is otherwise the schema clients are given for a rule.
            json rule = ruleSchema();
            rule.erase("$defs");
            EXPECT_EQ(schema["properties"]["rule"], rule);
            EXPECT_EQ(schema["$defs"], ruleSchema()["$defs"]);
        }
    }
}
