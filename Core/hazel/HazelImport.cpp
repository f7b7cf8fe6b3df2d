#include "Core/hazel/HazelImport.h"

#include "Core/base/ActionError.h"
#include "Core/hazel/HazelConvert.h"
#include "Core/hazel/KeyedArchive.h"

#include <cstring>

namespace olva {

namespace {

constexpr std::size_t kHeaderSize = 40;
constexpr std::int64_t kSubfolderDepth = 99;

const ArchiveReading& hazelReading()
{
    using Kind = ArchiveReading::FieldKind;
    static const ArchiveReading reading = [] {
        ArchiveReading r;
        for (const char* key : {"rules", "criteria", "actions", "description", "parameter", "options", "path", "name",
                                "amount", "unit", "subTokens", "digitCount"})
            r.objectFields.push_back({key, Kind::object});
        r.objectFields.push_back({"isActive", Kind::boolean});
        r.objectFields.push_back({"predicateType", Kind::integer});
        // Hazel's own compound predicate is archived like the Foundation one.
        r.classSubstitutes.emplace("HazelCompoundPredicate", "NSCompoundPredicate");
        // Class names compare without these prefixes, wherever they occur.
        r.removedFromClassNames = {"OlvaHZ_", "ComNoodlesoft_"};
        return r;
    }();
    return reading;
}

const Archived::Array& listAt(const Archived::Object& object, std::string_view key)
{
    static const Archived::Array kEmpty;
    const Archived* value = object.value(key);
    return value && value->array() ? *value->array() : kEmpty;
}

std::optional<Rule> convertHazelRule(const Archived::Object& rule, Folder& folder, HazelFindings& findings)
{
    const Archived* description = rule.value("description");
    std::string name = description && description->string() ? *description->string() : "Untitled";

    std::vector<const Archived::Object*> actions;
    for (const auto& item : listAt(rule, "actions"))
        if (const Archived::Object* action = item->object()) actions.push_back(action);

    for (const Archived::Object* action : actions) {
        if (action->className == "HazelRecurseAction") {
            folder.depth = kSubfolderDepth;
            findings.notes.push_back("'" + name +
                                     "' ran rules inside subfolders, so the folder now includes its subfolders");
            return std::nullopt;
        }
    }

    Group match;
    for (const auto& criterion : listAt(rule, "criteria"))
        if (auto node = convertHazelPredicate(*criterion, findings)) match.items.push_back(std::move(*node));
    if (const Archived* type = rule.value("predicateType")) {
        if (const auto* number = std::get_if<std::int64_t>(&type->value)) {
            if (*number == 0) match.mode = Group::Mode::none;
            if (*number == 2) match.mode = Group::Mode::any;
        }
    }

    std::vector<Action> converted;
    for (const Archived::Object* action : actions)
        if (auto result = convertHazelAction(*action, findings)) converted.push_back(std::move(*result));

    const Archived* isActive = rule.value("isActive");
    const bool* active = isActive ? std::get_if<bool>(&isActive->value) : nullptr;

    if (!findings.unsupported.empty()) {
        std::string labels;
        for (const auto& label : findings.unsupported) labels += (labels.empty() ? "" : ", ") + label;
        findings.notes.push_back("'" + name + "' is disabled, unsupported: " + labels);
    }

    Rule result;
    result.name = std::move(name);
    result.enabled = (active ? *active : true) && findings.unsupported.empty();
    result.dryRun = true;
    result.match = std::move(match);
    result.actions = std::move(converted);
    return result;
}

}  // namespace

Imported importHazel(std::span<const std::uint8_t> data, const std::string& folder)
{
    if (data.size() >= 4 && std::memcmp(data.data(), "HZLR", 4) == 0) {
        if (data.size() <= kHeaderSize)
            throw ActionError("not a Hazel rules export: the file ends within its 40-byte header");
        data = data.subspan(kHeaderSize);
    }
    KeyedArchive archive = KeyedArchive::open(data);
    ArchivedRef root;
    try {
        root = archive.decodeTop(kArchiveRootKey, hazelReading());
    } catch (const ArchiveError& error) {
        throw ActionError(std::string("not a Hazel rules export: ") + error.what());
    }
    const Archived::Object* ruleSet = root ? root->object() : nullptr;
    if (!ruleSet || ruleSet->className != "HazelRuleSet") throw ActionError("not a Hazel rules export");

    Imported imported;
    imported.folder.path = folder;
    for (const auto& item : listAt(*ruleSet, "rules")) {
        const Archived::Object* rule = item->object();
        if (!rule) continue;
        HazelFindings findings;
        if (auto converted = convertHazelRule(*rule, imported.folder, findings))
            imported.folder.rules.push_back(std::move(*converted));
        for (auto& note : findings.notes) imported.notes.push_back(std::move(note));
    }
    return imported;
}

Imported importHazel(std::string_view data, const std::string& folder)
{
    return importHazel(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), folder);
}

}  // namespace olva
