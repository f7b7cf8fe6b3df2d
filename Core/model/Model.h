// The rule model: the rules file, watched folders, rules, condition trees and
// actions. Plain values; copying a Config copies the whole tree.
#pragma once

#include "Core/base/Box.h"
#include "Core/base/Paths.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace olva {

// The file fact a condition tests.
enum class Attr { name, ext, kind, size, added, created, modified, opened, tags, source, contents };

// The test a condition applies.
enum class Op {
    is, isNot, contains, notContains, startsWith, endsWith, matches,
    gt, lt, inLast, notInLast, inCurrent, notInCurrent
};

std::string_view rawValue(Attr attr);
std::string_view rawValue(Op op);
std::optional<Attr> attrFromRaw(std::string_view text);
std::optional<Op> opFromRaw(std::string_view text);

// Every case in declaration order.
std::span<const Attr> allAttrs();
std::span<const Op> allOps();

// The tests an attribute allows, in the order menus and messages list them.
std::span<const Op> allowedOps(Attr attr);
bool allows(Attr attr, Op op);
// Why a rule may not test `attr` with `op`: "size can't use contains, only
// gt, lt".
std::string notAllowedText(Attr attr, Op op);

struct Condition {
    Attr attr = Attr::name;
    Op op = Op::is;
    std::string value;
};

struct Group;

// One item of a group: a condition or a nested group. Owns its payload.
class Node {
public:
    Node(Condition condition);  // NOLINT: a condition is a node
    Node(Group group);          // NOLINT: so is a group

    bool isGroup() const { return std::holds_alternative<Box<Group>>(payload_); }
    const Condition& condition() const { return std::get<Condition>(payload_); }
    Condition& condition() { return std::get<Condition>(payload_); }
    const Group& group() const { return *std::get<Box<Group>>(payload_); }
    Group& group() { return *std::get<Box<Group>>(payload_); }

private:
    std::variant<Condition, Box<Group>> payload_;
};

struct Group {
    enum class Mode { all, any, none };

    Mode mode = Mode::all;
    std::vector<Node> items;
};

std::string_view rawValue(Group::Mode mode);
std::optional<Group::Mode> modeFromRaw(std::string_view text);

struct Action {
    enum class Kind { move, copy, rename, sortInto, addTags, removeTags, trash, shell };

    Kind kind = Kind::trash;
    // The destination folder (move, copy), the pattern (rename, sortInto) or
    // the script (shell); empty for the other kinds.
    std::string text;
    // The tag names of addTags and removeTags.
    std::vector<std::string> tags;

    static Action move(std::string to) { return {Kind::move, std::move(to), {}}; }
    static Action copy(std::string to) { return {Kind::copy, std::move(to), {}}; }
    static Action rename(std::string pattern) { return {Kind::rename, std::move(pattern), {}}; }
    static Action sortInto(std::string path) { return {Kind::sortInto, std::move(path), {}}; }
    static Action addTags(std::vector<std::string> tags) { return {Kind::addTags, {}, std::move(tags)}; }
    static Action removeTags(std::vector<std::string> tags) { return {Kind::removeTags, {}, std::move(tags)}; }
    static Action trash() { return {Kind::trash, {}, {}}; }
    static Action shell(std::string script) { return {Kind::shell, std::move(script), {}}; }
};

std::string_view rawValue(Action::Kind kind);

// A sortInto path of slashes alone ("/", "//") names no subfolder: it would
// sort the file into its own folder, under a new name.
bool namesNoSubfolder(std::string_view path);
inline constexpr std::string_view kNoSubfolderText = "sortInto needs a subfolder name, not only slashes";
std::optional<Action::Kind> actionKindFromRaw(std::string_view text);

struct Rule {
    std::string name;
    bool enabled = true;
    bool dryRun = false;
    Group match;
    std::vector<Action> actions;
};

struct Folder {
    std::string path;  // the user's form; may begin with "~"
    std::int64_t depth = 0;
    bool paused = false;
    std::vector<Rule> rules;
};

// Where a watched folder really is: expanded and resolved.
std::filesystem::path folderURL(const Folder& folder);

using Bytes = std::vector<std::uint8_t>;

struct Config {
    bool paused = false;
    std::vector<Folder> folders;
    std::map<std::string, Bytes> bookmarks;  // folder path to bookmark data
};

// JSON form. Encoding writes every field; decoding applies the defaults and
// throws DecodingError on a missing key, a wrong type or an unknown case.
nlohmann::json toJson(const Condition& condition);
nlohmann::json toJson(const Group& group);
nlohmann::json toJson(const Node& node);
nlohmann::json toJson(const Action& action);
nlohmann::json toJson(const Rule& rule);
nlohmann::json toJson(const Folder& folder);
nlohmann::json toJson(const Config& config);

Condition conditionFromJson(const nlohmann::json& json);
Group groupFromJson(const nlohmann::json& json);
Node nodeFromJson(const nlohmann::json& json);
Action actionFromJson(const nlohmann::json& json);
Rule ruleFromJson(const nlohmann::json& json);
Folder folderFromJson(const nlohmann::json& json);
Config configFromJson(const nlohmann::json& json);

}  // namespace olva
