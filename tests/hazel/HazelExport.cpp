#include "tests/hazel/HazelExport.h"

namespace olva::test {

HazelExport::Ref HazelExport::rule(const RuleParts& parts)
{
    Fields fields = {{"criteria", list(parts.criteria)}, {"actions", list(parts.actions)}};
    if (parts.name) fields.emplace_back("description", text(*parts.name));
    if (parts.active) fields.emplace_back("isActive", Inline{*parts.active});
    if (parts.predicateType) fields.emplace_back("predicateType", Inline{*parts.predicateType});
    return object("HazelRule", fields);
}

HazelExport::Ref HazelExport::ruleSet(const std::vector<Ref>& rules)
{
    return object("HazelRuleSet", {{"rules", list(rules, "NSMutableArray")}});
}

HazelExport::Ref HazelExport::compare(const std::string& keyPath, int op, const std::string& value,
                                      const std::string& selector)
{
    return comparison(this->keyPath(keyPath), op, constant(text(value)), selector);
}

HazelExport::Ref HazelExport::comparePeriod(const std::string& keyPath, int op, const std::string& period)
{
    return comparison(this->keyPath(keyPath), op, this->keyPath(period));
}

HazelExport::Ref HazelExport::measurement(std::int64_t amount, const std::string& unit)
{
    Ref unitObject = object("NoodleUnit", {{"name", text(unit)}});
    return object("NoodleMeasurement", {{"amount", integer(amount)}, {"unit", unitObject}});
}

HazelExport::Ref HazelExport::folder(const std::string& path)
{
    return object("HazelFolderDestination", {{"path", text(path)}});
}

HazelExport::Ref HazelExport::trashFolder() { return object("HazelTrashFolder", {}); }

HazelExport::Ref HazelExport::move(Ref destination, bool replaceExisting)
{
    Fields fields = {{"parameter", destination}};
    if (replaceExisting) fields.emplace_back("options", dictionary({{text("replaceExisting"), boolean(true)}}));
    return object("HazelMoveAction", fields);
}

HazelExport::Ref HazelExport::copy(Ref destination) { return object("HazelCopyAction", {{"parameter", destination}}); }

HazelExport::Ref HazelExport::rename(const std::vector<Ref>& parts)
{
    return object("HazelRenameAction", {{"parameter", list(parts)}});
}

HazelExport::Ref HazelExport::token(const std::string& name, const std::vector<Ref>& subTokens)
{
    Fields fields = {{"name", text(name)}};
    if (!subTokens.empty()) fields.emplace_back("subTokens", list(subTokens));
    return object("HazelToken", fields);
}

HazelExport::Ref HazelExport::year(std::int64_t digits)
{
    return object("HazelToken", {{"name", text("year")}, {"digitCount", integer(digits)}});
}

}  // namespace olva::test
