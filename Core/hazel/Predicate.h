// Predicates: key paths compared with constants by an operator or a custom
// selector, combined with AND, OR and NOT. They carry a rule's conditions to
// the conditions editor and hold the criteria of archived rules; the system
// never evaluates them (conditions are evaluated from the rule model).
#pragma once

#include "Core/model/Model.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace olva {

struct Archived;  // any value a keyed archive holds (Core/KeyedArchive.h)
using ArchivedRef = std::shared_ptr<const Archived>;

struct Expression {
    // The expression types by their numbers in the archive format; other
    // numbers are kept as they are.
    enum class Type : int { constantValue = 0, evaluatedObject = 1, variable = 2, keyPath = 3, function = 4 };

    Type type = Type::constantValue;
    std::string keyPath;   // keyPath
    std::string variable;  // variable
    std::string function;  // function: the selector it applies
    ArchivedRef constant;  // constantValue; empty for a nil constant

    static Expression forKeyPath(std::string keyPath);
    static Expression forConstant(ArchivedRef constant);
    static Expression forText(std::string text);
};

struct Predicate {
    enum class Kind { truePredicate, falsePredicate, comparison, compound };

    // Comparison operators by their numbers in the archive format.
    enum class Operator : int {
        lessThan = 0, lessThanOrEqualTo = 1, greaterThan = 2, greaterThanOrEqualTo = 3,
        equalTo = 4, notEqualTo = 5, matches = 6, like = 7, beginsWith = 8, endsWith = 9,
        in = 10, customSelector = 11, contains = 99, between = 100
    };
    enum class Modifier : int { direct = 0, all = 1, any = 2 };
    enum Options : unsigned { caseInsensitive = 1, diacriticInsensitive = 2, normalized = 4 };
    enum class CompoundType : int { notType = 0, andType = 1, orType = 2 };

    Kind kind = Kind::truePredicate;

    // comparison
    Operator op = Operator::equalTo;
    Modifier modifier = Modifier::direct;
    unsigned options = 0;
    std::string selector;  // the custom selector's name, e.g. "isNot:"; empty when there is none
    Expression left;
    Expression right;

    // compound: the subpredicates as the archive held them (normally
    // predicates, but an archive may hold any value there)
    CompoundType compoundType = CompoundType::andType;
    std::vector<ArchivedRef> subpredicates;

    static Predicate comparison(Expression left, Operator op, Expression right, std::string selector = {});
    static Predicate compound(CompoundType type, const std::vector<Predicate>& subpredicates);
};

// The predicate in the platform's predicate format, as shown to users:
// displayName CONTAINS "x", dateAdded < today, NOT (a == 1 OR b == 2).
std::string predicateFormat(const Predicate& predicate);

// The conditions editor's form of the rule model. A condition is a
// custom-selector comparison of the attribute's key path with its value as a
// text constant, the selector being the operator's name and ":"; a group is
// an AND or OR compound, a `none` group a NOT over an OR compound.
Predicate conditionPredicate(const Condition& condition);
Predicate groupPredicate(const Group& group);

// Read back what the editor holds; nothing when the predicate has any part
// outside the model, so the caller keeps what it had.
std::optional<Condition> conditionFromPredicate(const Predicate& predicate);
std::optional<Group> groupFromPredicate(const Predicate& predicate);

}  // namespace olva
