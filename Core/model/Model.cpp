#include "Core/model/Model.h"

#include "Core/base/Base64.h"
#include "Core/base/JsonReader.h"

#include <algorithm>
#include <array>

namespace olva {

std::filesystem::path folderURL(const Folder& folder) { return realPath(expand(folder.path)); }

using nlohmann::json;

namespace {

constexpr std::array<Attr, 11> kAttrs = {Attr::name, Attr::ext, Attr::kind, Attr::size, Attr::added,
                                         Attr::created, Attr::modified, Attr::opened, Attr::tags,
                                         Attr::source, Attr::contents};
constexpr std::array<std::string_view, 11> kAttrNames = {"name", "ext", "kind", "size", "added", "created",
                                                         "modified", "opened", "tags", "source", "contents"};

constexpr std::array<Op, 13> kOps = {Op::is, Op::isNot, Op::contains, Op::notContains, Op::startsWith,
                                     Op::endsWith, Op::matches, Op::gt, Op::lt, Op::inLast,
                                     Op::notInLast, Op::inCurrent, Op::notInCurrent};
constexpr std::array<std::string_view, 13> kOpNames = {"is", "isNot", "contains", "notContains", "startsWith",
                                                       "endsWith", "matches", "gt", "lt", "inLast",
                                                       "notInLast", "inCurrent", "notInCurrent"};

constexpr std::array<std::string_view, 3> kModeNames = {"all", "any", "none"};

constexpr std::array<std::string_view, 8> kActionNames = {"move", "copy", "rename", "sortInto",
                                                          "addTags", "removeTags", "trash", "shell"};

constexpr std::array<Op, 7> kTextOps = {Op::is, Op::isNot, Op::contains, Op::notContains,
                                        Op::startsWith, Op::endsWith, Op::matches};
constexpr std::array<Op, 2> kKindOps = {Op::is, Op::isNot};
constexpr std::array<Op, 2> kSizeOps = {Op::gt, Op::lt};
constexpr std::array<Op, 4> kDateOps = {Op::inLast, Op::notInLast, Op::inCurrent, Op::notInCurrent};
constexpr std::array<Op, 2> kTagOps = {Op::contains, Op::notContains};

// A hostile rules file or request must not be able to exhaust the stack.
constexpr int kMaxGroupDepth = 64;

template <typename Enum, std::size_t N>
std::optional<Enum> fromRaw(const std::array<std::string_view, N>& names, std::string_view text)
{
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == text) return static_cast<Enum>(i);
    return std::nullopt;
}

constexpr const char* kKnownValue = "one of the known values";

void readStrings(const JsonReader& reader, std::vector<std::string>& out)
{
    for (const auto& item : reader.array()) out.push_back(item.string());
}

// Kept apart from other decoding errors so that the node reader does not
// mistake it for "this object is not a group".
class NestingTooDeep : public DecodingError {
public:
    using DecodingError::DecodingError;
};

Group readGroup(const JsonReader& reader, int depth);

Condition readCondition(const JsonReader& reader)
{
    reader.object();
    Condition condition;
    condition.attr = reader["attr"].parsed(attrFromRaw, kKnownValue);
    condition.op = reader["op"].parsed(opFromRaw, kKnownValue);
    condition.value = reader["value"].string();
    return condition;
}

Node readNode(const JsonReader& reader, int depth)
{
    // A node carries no tag: an object that reads as a group is one, whatever
    // else it holds; otherwise it must be a condition, and that complaint wins.
    try {
        return Node(readGroup(reader, depth + 1));
    } catch (const NestingTooDeep&) {
        throw;
    } catch (const DecodingError&) {
    }
    return Node(readCondition(reader));
}

Group readGroup(const JsonReader& reader, int depth)
{
    reader.object();
    Group group;
    group.mode = reader["mode"].parsed(modeFromRaw, kKnownValue);
    std::vector<JsonReader> items = reader["items"].array();
    // Only a value that reads as a group counts as one more level: a
    // condition at the deepest level is no group, and is allowed.
    if (depth > kMaxGroupDepth)
        throw NestingTooDeep(DecodingError::Kind::dataCorrupted, reader.path(),
                             "groups are nested more than " + std::to_string(kMaxGroupDepth) + " levels deep");
    for (const auto& item : items) group.items.push_back(readNode(item, depth));
    return group;
}

Action readAction(const JsonReader& reader)
{
    const json& object = reader.object();
    std::optional<Action::Kind> kind;
    int count = 0;
    for (std::size_t i = 0; i < kActionNames.size(); ++i) {
        if (object.contains(std::string(kActionNames[i]))) {
            ++count;
            kind = static_cast<Action::Kind>(i);
        }
    }
    if (count != 1) reader.fail(DecodingError::Kind::typeMismatch, "Invalid number of keys found, expected one.");

    JsonReader inner = reader[std::string(rawValue(*kind))];
    inner.object();
    Action action;
    action.kind = *kind;
    switch (*kind) {
    case Action::Kind::move:
    case Action::Kind::copy:
    case Action::Kind::rename: action.text = inner["to"].string(); break;
    case Action::Kind::sortInto: action.text = inner["path"].string(); break;
    case Action::Kind::addTags:
    case Action::Kind::removeTags: readStrings(inner["tags"], action.tags); break;
    case Action::Kind::shell: action.text = inner["script"].string(); break;
    case Action::Kind::trash: break;
    }
    return action;
}

Rule readRule(const JsonReader& reader)
{
    reader.object();
    Rule rule;
    rule.name = reader["name"].string();
    if (auto enabled = reader.find("enabled")) rule.enabled = enabled->boolean();
    if (auto dryRun = reader.find("dryRun")) rule.dryRun = dryRun->boolean();
    rule.match = readGroup(reader["match"], 1);
    for (const auto& action : reader["actions"].array()) rule.actions.push_back(readAction(action));
    return rule;
}

Folder readFolder(const JsonReader& reader)
{
    reader.object();
    Folder folder;
    folder.path = reader["path"].string();
    if (auto depth = reader.find("depth")) folder.depth = depth->integer();
    if (auto paused = reader.find("paused")) folder.paused = paused->boolean();
    if (auto rules = reader.find("rules"))
        for (const auto& rule : rules->array()) folder.rules.push_back(readRule(rule));
    return folder;
}

Config readConfig(const JsonReader& reader)
{
    reader.object();
    Config config;
    if (auto paused = reader.find("paused")) config.paused = paused->boolean();
    if (auto folders = reader.find("folders"))
        for (const auto& folder : folders->array()) config.folders.push_back(readFolder(folder));
    if (auto bookmarks = reader.find("bookmarks")) {
        for (const auto& [path, value] : bookmarks->object().items()) {
            JsonReader data(value, bookmarks->path() + "." + path);
            auto bytes = base64Decode(data.string());
            if (!bytes) data.fail(DecodingError::Kind::dataCorrupted, "the data is not valid Base64");
            config.bookmarks.emplace(path, std::move(*bytes));
        }
    }
    return config;
}

}  // namespace

std::string_view rawValue(Attr attr) { return kAttrNames[static_cast<std::size_t>(attr)]; }
std::string_view rawValue(Op op) { return kOpNames[static_cast<std::size_t>(op)]; }
std::string_view rawValue(Group::Mode mode) { return kModeNames[static_cast<std::size_t>(mode)]; }
std::string_view rawValue(Action::Kind kind) { return kActionNames[static_cast<std::size_t>(kind)]; }

std::optional<Attr> attrFromRaw(std::string_view text) { return fromRaw<Attr>(kAttrNames, text); }
std::optional<Op> opFromRaw(std::string_view text) { return fromRaw<Op>(kOpNames, text); }
std::optional<Group::Mode> modeFromRaw(std::string_view text) { return fromRaw<Group::Mode>(kModeNames, text); }
std::optional<Action::Kind> actionKindFromRaw(std::string_view text)
{
    return fromRaw<Action::Kind>(kActionNames, text);
}

std::span<const Attr> allAttrs() { return kAttrs; }
std::span<const Op> allOps() { return kOps; }

std::span<const Op> allowedOps(Attr attr)
{
    switch (attr) {
    case Attr::name:
    case Attr::ext:
    case Attr::source:
    case Attr::contents: return kTextOps;
    case Attr::kind: return kKindOps;
    case Attr::size: return kSizeOps;
    case Attr::added:
    case Attr::created:
    case Attr::modified:
    case Attr::opened: return kDateOps;
    case Attr::tags: return kTagOps;
    }
    return {};
}

bool allows(Attr attr, Op op)
{
    auto ops = allowedOps(attr);
    return std::find(ops.begin(), ops.end(), op) != ops.end();
}

std::string notAllowedText(Attr attr, Op op)
{
    std::string message = std::string(rawValue(attr)) + " can't use " + std::string(rawValue(op)) + ", only ";
    bool first = true;
    for (Op allowed : allowedOps(attr)) {
        if (!first) message += ", ";
        first = false;
        message += rawValue(allowed);
    }
    return message;
}

bool namesNoSubfolder(std::string_view path) { return path.find_first_not_of('/') == std::string_view::npos; }

Node::Node(Condition condition) : payload_(std::move(condition)) {}
Node::Node(Group group) : payload_(Box<Group>(std::move(group))) {}

json toJson(const Condition& condition)
{
    return {{"attr", rawValue(condition.attr)}, {"op", rawValue(condition.op)}, {"value", condition.value}};
}

json toJson(const Group& group)
{
    json items = json::array();
    for (const auto& item : group.items) items.push_back(toJson(item));
    return {{"mode", rawValue(group.mode)}, {"items", std::move(items)}};
}

json toJson(const Node& node) { return node.isGroup() ? toJson(node.group()) : toJson(node.condition()); }

json toJson(const Action& action)
{
    json inner = json::object();
    switch (action.kind) {
    case Action::Kind::move:
    case Action::Kind::copy:
    case Action::Kind::rename: inner["to"] = action.text; break;
    case Action::Kind::sortInto: inner["path"] = action.text; break;
    case Action::Kind::addTags:
    case Action::Kind::removeTags: inner["tags"] = action.tags; break;
    case Action::Kind::shell: inner["script"] = action.text; break;
    case Action::Kind::trash: break;
    }
    json object = json::object();
    object[std::string(rawValue(action.kind))] = std::move(inner);
    return object;
}

json toJson(const Rule& rule)
{
    json actions = json::array();
    for (const auto& action : rule.actions) actions.push_back(toJson(action));
    return {{"name", rule.name},
            {"enabled", rule.enabled},
            {"dryRun", rule.dryRun},
            {"match", toJson(rule.match)},
            {"actions", std::move(actions)}};
}

json toJson(const Folder& folder)
{
    json rules = json::array();
    for (const auto& rule : folder.rules) rules.push_back(toJson(rule));
    return {{"path", folder.path}, {"depth", folder.depth}, {"paused", folder.paused}, {"rules", std::move(rules)}};
}

json toJson(const Config& config)
{
    json folders = json::array();
    for (const auto& folder : config.folders) folders.push_back(toJson(folder));
    json bookmarks = json::object();
    for (const auto& [path, data] : config.bookmarks) bookmarks[path] = base64Encode(data);
    return {{"paused", config.paused}, {"folders", std::move(folders)}, {"bookmarks", std::move(bookmarks)}};
}

Condition conditionFromJson(const json& value) { return readCondition(JsonReader(value)); }
Group groupFromJson(const json& value) { return readGroup(JsonReader(value), 1); }
Node nodeFromJson(const json& value) { return readNode(JsonReader(value), 0); }
Action actionFromJson(const json& value) { return readAction(JsonReader(value)); }
Rule ruleFromJson(const json& value) { return readRule(JsonReader(value)); }
Folder folderFromJson(const json& value) { return readFolder(JsonReader(value)); }
Config configFromJson(const json& value) { return readConfig(JsonReader(value)); }

}  // namespace olva
