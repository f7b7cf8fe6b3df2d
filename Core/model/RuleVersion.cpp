#include "Core/model/RuleVersion.h"

#include "Core/base/ActionError.h"
#include "Core/base/DecodingError.h"
#include "Core/base/JsonWriter.h"
#include "Core/base/TextSearch.h"

#include <openssl/evp.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace olva {
namespace {

std::string sha256(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    return std::string(reinterpret_cast<const char*>(digest), length);
}

bool isBlank(UChar32 c) { return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR; }

// Space and tab and the other space separators count; line breaks do not.
bool isBlankName(const std::string& name)
{
    const auto* text = reinterpret_cast<const uint8_t*>(name.data());
    int32_t length = static_cast<int32_t>(name.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(text, i, length, c);
        if (c < 0 || !isBlank(c)) return false;
    }
    return true;
}

// Depth first, in item order: a nested group is visited before the next item.
template <typename IsBad>
const Condition* firstCondition(const Group& group, IsBad isBad)
{
    for (const auto& item : group.items) {
        if (item.isGroup()) {
            if (const Condition* bad = firstCondition(item.group(), isBad)) return bad;
            continue;
        }
        if (isBad(item.condition())) return &item.condition();
    }
    return nullptr;
}

const Condition* firstBadCondition(const Group& group)
{
    return firstCondition(group, [](const Condition& condition) { return !allows(condition.attr, condition.op); });
}

// How long a rule's texts may be, in characters. Far beyond what anyone
// types, and small enough that the rules file, which every request and
// every change reads whole, stays small.
constexpr std::size_t kLongestName = 500;
constexpr std::size_t kLongestValue = 10'000;
// A path or a pattern that makes one: the longest path the system allows.
constexpr std::size_t kLongestPath = 4'096;
constexpr std::size_t kLongestTag = 500;
constexpr std::size_t kMostTags = 100;
// A script is one argument of the shell's command line, which the system
// takes up to 128 KiB long; at four bytes a character this always fits.
constexpr std::size_t kLongestScript = 30'000;

// Characters, not bytes: continuation bytes are not counted.
std::size_t characterCount(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool holdsNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

std::string longerThan(const std::string& what, std::size_t limit)
{
    std::string digits = std::to_string(limit);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return what + " is longer than " + digits + " characters";
}

// Texts that would be cut short where they are used (a path ends at its
// first NUL) or make the rules file huge.
void validateTexts(const Rule& rule)
{
    const std::string nul = "a rule's texts can't hold the character U+0000";
    if (holdsNul(rule.name)) throw ActionError(nul);
    if (characterCount(rule.name) > kLongestName) throw ActionError(longerThan("the rule's name", kLongestName));
    if (firstCondition(rule.match, [](const Condition& condition) { return holdsNul(condition.value); }))
        throw ActionError(nul);
    if (firstCondition(rule.match,
                       [](const Condition& condition) { return characterCount(condition.value) > kLongestValue; }))
        throw ActionError(longerThan("a condition's value", kLongestValue));
    for (const auto& action : rule.actions) {
        if (holdsNul(action.text)) throw ActionError(nul);
        for (const auto& tag : action.tags)
            if (holdsNul(tag)) throw ActionError(nul);
        switch (action.kind) {
        case Action::Kind::move:
        case Action::Kind::copy:
        case Action::Kind::rename:
        case Action::Kind::sortInto:
            if (characterCount(action.text) > kLongestPath)
                throw ActionError(longerThan("a destination or pattern", kLongestPath));
            break;
        case Action::Kind::addTags:
        case Action::Kind::removeTags:
            if (action.tags.size() > kMostTags)
                throw ActionError("addTags and removeTags take at most " + std::to_string(kMostTags) + " tags");
            for (const auto& tag : action.tags)
                if (characterCount(tag) > kLongestTag) throw ActionError(longerThan("a tag", kLongestTag));
            break;
        case Action::Kind::shell:
            if (characterCount(action.text) > kLongestScript)
                throw ActionError(longerThan("the script", kLongestScript));
            break;
        case Action::Kind::trash: break;
        }
    }
}

}  // namespace

std::string ruleVersion(const Rule& rule)
{
    nlohmann::json actions = nlohmann::json::array();
    for (const auto& action : rule.actions) actions.push_back(toJson(action));
    nlohmann::json behavior = {{"dryRun", rule.dryRun}, {"match", toJson(rule.match)}, {"actions", actions}};
    std::string encoded;
    try {
        encoded = writeJson(behavior, {.pretty = false, .sortKeys = true, .escapeSlashes = true});
    } catch (const EncodingError&) {
        encoded.clear();
    }
    std::string digest = sha256(encoded);
    std::string version;
    for (int i = 0; i < 8; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(digest[static_cast<std::size_t>(i)]));
        version += hex;
    }
    return version;
}

void validate(const Rule& rule)
{
    if (isBlankName(rule.name)) throw ActionError("the rule needs a name");
    if (rule.actions.empty()) throw ActionError("the rule needs at least one action");

    if (const Condition* bad = firstBadCondition(rule.match)) throw ActionError(notAllowedText(bad->attr, bad->op));
    // A pattern that cannot compile would never match, silently.
    if (const Condition* bad = firstCondition(rule.match, [](const Condition& condition) {
            return condition.op == Op::matches && patternError(condition.value);
        }))
        throw ActionError(*patternError(bad->value));

    for (const auto& action : rule.actions) {
        switch (action.kind) {
        case Action::Kind::move:
        case Action::Kind::copy:
            if (action.text.empty()) throw ActionError("move and copy need a destination folder");
            break;
        case Action::Kind::rename:
        case Action::Kind::sortInto:
            if (action.text.empty()) throw ActionError("rename and sortInto need a pattern");
            if (action.kind == Action::Kind::sortInto && namesNoSubfolder(action.text))
                throw ActionError(std::string(kNoSubfolderText));
            break;
        case Action::Kind::addTags:
        case Action::Kind::removeTags:
            if (action.tags.empty()) throw ActionError("addTags and removeTags need at least one tag");
            break;
        case Action::Kind::shell:
            if (action.text.empty()) throw ActionError("shell needs a script");
            break;
        case Action::Kind::trash: break;
        }
    }
    validateTexts(rule);
}

}  // namespace olva
