#include "Core/hazel/Predicate.h"

#include "Core/hazel/KeyedArchive.h"
#include "Core/base/UTF8.h"

#include <charconv>
#include <chrono>

namespace olva {

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

std::string formatReal(double value)
{
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatValue(const Archived* value);

std::string formatExpression(const Expression& expression)
{
    switch (expression.type) {
    case Expression::Type::constantValue: return formatValue(expression.constant.get());
    case Expression::Type::evaluatedObject: return "SELF";
    case Expression::Type::variable: return "$" + expression.variable;
    case Expression::Type::keyPath: return expression.keyPath;
    case Expression::Type::function: return "FUNCTION(SELF, " + quoted(expression.function) + ")";
    }
    return "<expression of type " + std::to_string(static_cast<int>(expression.type)) + ">";
}

std::string formatValue(const Archived* value)
{
    if (!value) return "nil";
    struct Visitor {
        std::string operator()(const Archived::Null&) const { return "nil"; }
        std::string operator()(bool flag) const { return flag ? "1" : "0"; }
        std::string operator()(std::int64_t number) const { return std::to_string(number); }
        std::string operator()(double number) const { return formatReal(number); }
        std::string operator()(const std::string& text) const { return quoted(text); }
        std::string operator()(const Bytes&) const { return "<data>"; }
        std::string operator()(const Date& date) const
        {
            auto seconds = std::chrono::duration<double>(date.time_since_epoch()).count() - kArchiveReferenceEpoch;
            return "CAST(" + formatReal(seconds) + ", \"NSDate\")";
        }
        std::string operator()(const Archived::Array& array) const
        {
            std::string out = "{";
            for (std::size_t i = 0; i < array.size(); ++i) out += (i ? ", " : "") + formatValue(array[i].get());
            return out + "}";
        }
        std::string operator()(const Archived::Dictionary&) const { return "<dictionary>"; }
        std::string operator()(const Archived::Object& object) const { return "<" + object.className + ">"; }
        std::string operator()(const Archived::Opaque& opaque) const { return "<" + opaque.className + ">"; }
        std::string operator()(const Predicate& predicate) const { return predicateFormat(predicate); }
        std::string operator()(const Expression& expression) const { return formatExpression(expression); }
    };
    return std::visit(Visitor{}, value->value);
}

std::string operatorSymbol(const Predicate& predicate)
{
    using Op = Predicate::Operator;
    std::string symbol;
    switch (predicate.op) {
    case Op::lessThan: symbol = "<"; break;
    case Op::lessThanOrEqualTo: symbol = "<="; break;
    case Op::greaterThan: symbol = ">"; break;
    case Op::greaterThanOrEqualTo: symbol = ">="; break;
    case Op::equalTo: symbol = "=="; break;
    case Op::notEqualTo: symbol = "!="; break;
    case Op::matches: symbol = "MATCHES"; break;
    case Op::like: symbol = "LIKE"; break;
    case Op::beginsWith: symbol = "BEGINSWITH"; break;
    case Op::endsWith: symbol = "ENDSWITH"; break;
    case Op::in: symbol = "IN"; break;
    case Op::customSelector: return predicate.selector.empty() ? "<no selector>" : predicate.selector;
    case Op::contains: symbol = "CONTAINS"; break;
    case Op::between: symbol = "BETWEEN"; break;
    default: return "<operator " + std::to_string(static_cast<int>(predicate.op)) + ">";
    }
    std::string flags;
    if (predicate.options & Predicate::caseInsensitive) flags += 'c';
    if (predicate.options & Predicate::diacriticInsensitive) flags += 'd';
    if (predicate.options & Predicate::normalized) flags += 'n';
    return flags.empty() ? symbol : symbol + "[" + flags + "]";
}

// A subpredicate inside a compound's text: compounds in parentheses.
std::string formatSubpredicate(const ArchivedRef& item)
{
    const Predicate* predicate = item ? item->predicate() : nullptr;
    if (!predicate) return formatValue(item.get());
    if (predicate->kind == Predicate::Kind::compound) return "(" + predicateFormat(*predicate) + ")";
    return predicateFormat(*predicate);
}

std::string joined(const std::vector<ArchivedRef>& items, const std::string& separator)
{
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + formatSubpredicate(items[i]);
    return out;
}

ArchivedRef wrap(const Predicate& predicate) { return makeArchived(predicate); }

bool allPredicates(const std::vector<ArchivedRef>& items)
{
    for (const auto& item : items)
        if (!item || !item->predicate()) return false;
    return true;
}

}  // namespace

Expression Expression::forKeyPath(std::string keyPath)
{
    Expression expression;
    expression.type = Type::keyPath;
    expression.keyPath = std::move(keyPath);
    return expression;
}

Expression Expression::forConstant(ArchivedRef constant)
{
    Expression expression;
    expression.type = Type::constantValue;
    expression.constant = std::move(constant);
    return expression;
}

Expression Expression::forText(std::string text) { return forConstant(makeArchived(std::move(text))); }

Predicate Predicate::comparison(Expression left, Operator op, Expression right, std::string selector)
{
    Predicate predicate;
    predicate.kind = Kind::comparison;
    predicate.op = op;
    predicate.selector = std::move(selector);
    predicate.left = std::move(left);
    predicate.right = std::move(right);
    return predicate;
}

Predicate Predicate::compound(CompoundType type, const std::vector<Predicate>& subpredicates)
{
    Predicate predicate;
    predicate.kind = Kind::compound;
    predicate.compoundType = type;
    for (const auto& sub : subpredicates) predicate.subpredicates.push_back(wrap(sub));
    return predicate;
}

std::string predicateFormat(const Predicate& predicate)
{
    switch (predicate.kind) {
    case Predicate::Kind::truePredicate: return "TRUEPREDICATE";
    case Predicate::Kind::falsePredicate: return "FALSEPREDICATE";
    case Predicate::Kind::comparison: {
        std::string modifier;
        if (predicate.modifier == Predicate::Modifier::any) modifier = "ANY ";
        if (predicate.modifier == Predicate::Modifier::all) modifier = "ALL ";
        return modifier + formatExpression(predicate.left) + " " + operatorSymbol(predicate) + " " +
               formatExpression(predicate.right);
    }
    case Predicate::Kind::compound:
        switch (predicate.compoundType) {
        case Predicate::CompoundType::notType:
            if (predicate.subpredicates.size() == 1) return "NOT " + formatSubpredicate(predicate.subpredicates[0]);
            return "NOT (" + joined(predicate.subpredicates, " AND ") + ")";
        case Predicate::CompoundType::andType:
            return predicate.subpredicates.empty() ? "TRUEPREDICATE" : joined(predicate.subpredicates, " AND ");
        case Predicate::CompoundType::orType:
            return predicate.subpredicates.empty() ? "FALSEPREDICATE" : joined(predicate.subpredicates, " OR ");
        }
    }
    return {};
}

Predicate conditionPredicate(const Condition& condition)
{
    return Predicate::comparison(Expression::forKeyPath(std::string(rawValue(condition.attr))),
                                 Predicate::Operator::customSelector, Expression::forText(condition.value),
                                 std::string(rawValue(condition.op)) + ":");
}

Predicate groupPredicate(const Group& group)
{
    std::vector<Predicate> items;
    items.reserve(group.items.size());
    for (const auto& item : group.items)
        items.push_back(item.isGroup() ? groupPredicate(item.group()) : conditionPredicate(item.condition()));
    switch (group.mode) {
    case Group::Mode::all: return Predicate::compound(Predicate::CompoundType::andType, items);
    case Group::Mode::any: return Predicate::compound(Predicate::CompoundType::orType, items);
    case Group::Mode::none:
        return Predicate::compound(Predicate::CompoundType::notType,
                                   {Predicate::compound(Predicate::CompoundType::orType, items)});
    }
    return Predicate::compound(Predicate::CompoundType::andType, items);
}

std::optional<Condition> conditionFromPredicate(const Predicate& predicate)
{
    if (predicate.kind != Predicate::Kind::comparison || predicate.op != Predicate::Operator::customSelector ||
        predicate.selector.empty())
        return std::nullopt;
    // Only the last character is dropped, whatever it is (a UTF-8 sequence
    // counts as one character).
    std::size_t last = characterStart(predicate.selector, predicate.selector.size() - 1);
    auto op = opFromRaw(std::string_view(predicate.selector).substr(0, last));
    if (!op) return std::nullopt;
    if (predicate.left.type != Expression::Type::keyPath) return std::nullopt;
    auto attr = attrFromRaw(predicate.left.keyPath);
    if (!attr) return std::nullopt;
    if (predicate.right.type != Expression::Type::constantValue || !predicate.right.constant) return std::nullopt;
    const std::string* value = predicate.right.constant->string();
    if (!value) return std::nullopt;
    return Condition{*attr, *op, *value};
}

std::optional<Group> groupFromPredicate(const Predicate& predicate)
{
    if (predicate.kind != Predicate::Kind::compound) return std::nullopt;
    if (!allPredicates(predicate.subpredicates)) return std::nullopt;

    const std::vector<ArchivedRef>* list = &predicate.subpredicates;
    static const std::vector<ArchivedRef> kEmpty;
    if (predicate.compoundType == Predicate::CompoundType::notType && list->size() == 1) {
        const Predicate& only = *(*list)[0]->predicate();
        if (only.kind == Predicate::Kind::compound && only.compoundType == Predicate::CompoundType::orType)
            list = allPredicates(only.subpredicates) ? &only.subpredicates : &kEmpty;
    }

    Group group;
    switch (predicate.compoundType) {
    case Predicate::CompoundType::notType: group.mode = Group::Mode::none; break;
    case Predicate::CompoundType::andType: group.mode = Group::Mode::all; break;
    case Predicate::CompoundType::orType: group.mode = Group::Mode::any; break;
    }
    for (const auto& item : *list) {
        const Predicate& sub = *item->predicate();
        if (auto condition = conditionFromPredicate(sub)) {
            group.items.emplace_back(std::move(*condition));
        } else if (auto nested = groupFromPredicate(sub)) {
            group.items.emplace_back(std::move(*nested));
        } else {
            return std::nullopt;
        }
    }
    return group;
}

}  // namespace olva
