#include "Core/RuleVersion.h"

#include "Core/ActionError.h"
#include "Core/DecodingError.h"
#include "Core/JsonWriter.h"
#include "Core/TextSearch.h"

#include <openssl/evp.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdio>

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

    if (const Condition* bad = firstBadCondition(rule.match)) {
        std::string message = std::string(rawValue(bad->attr)) + " can't use " + std::string(rawValue(bad->op)) + ", only ";
        bool first = true;
        for (Op op : allowedOps(bad->attr)) {
            if (!first) message += ", ";
            first = false;
            message += rawValue(op);
        }
        throw ActionError(message);
    }
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
}

}  // namespace olva
