// Hazel rule exports built for the tests: rule sets, rules, criteria,
// actions and rename tokens in the layout the import reads.
#pragma once

#include "tests/hazel/ArchiveBuilder.h"

#include <optional>
#include <string>
#include <vector>

namespace olva::test {

class HazelExport : public ArchiveBuilder {
public:
    // Operator numbers of comparison predicates.
    enum { lessThan = 0, greaterThan = 2, equalTo = 4, notEqualTo = 5, matches = 6, like = 7, beginsWith = 8,
           endsWith = 9, customSelector = 11, contains = 99 };
    enum { notType = 0, andType = 1, orType = 2 };

    struct RuleParts {
        std::optional<std::string> name = {};
        std::vector<Ref> criteria = {};
        std::vector<Ref> actions = {};
        std::optional<bool> active = {};
        std::optional<std::int64_t> predicateType = {};
    };
    Ref rule(const RuleParts& parts);
    Ref ruleSet(const std::vector<Ref>& rules);

    // keyPath <op> "value", or keyPath <selector> "value".
    Ref compare(const std::string& keyPath, int op, const std::string& value, const std::string& selector = {});
    // keyPath <op> period (today, thisWeek...).
    Ref comparePeriod(const std::string& keyPath, int op, const std::string& period);
    Ref measurement(std::int64_t amount, const std::string& unit);

    Ref folder(const std::string& path);
    Ref trashFolder();
    Ref move(Ref destination, bool replaceExisting = false);
    Ref copy(Ref destination);
    Ref rename(const std::vector<Ref>& parts);
    Ref token(const std::string& name, const std::vector<Ref>& subTokens = {});
    Ref year(std::int64_t digits);
};

}  // namespace olva::test
