#include "Core/hazel/HazelConvert.h"

#include "Core/actions/NamePattern.h"
#include "Core/base/UTF8.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <array>
#include <charconv>
#include <utility>

namespace olva {

namespace {

constexpr std::array<std::pair<std::string_view, Attr>, 8> hazelAttributes = {{
    {"displayBasename", Attr::name},
    {"displayExtension", Attr::ext},
    {"displayExtensions", Attr::ext},
    {"typeObject", Attr::kind},
    {"dateAdded", Attr::added},
    {"dateCreated", Attr::created},
    {"dateModified", Attr::modified},
    {"textContent", Attr::contents},
}};

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> hazelPeriods = {{
    {"today", "day"},
    {"thisWeek", "week"},
    {"thisMonth", "month"},
    {"thisYear", "year"},
}};

constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kRenameDates = {{
    {"dateAdded", "added"},
    {"dateCreated", "created"},
    {"dateModified", "modified"},
}};

template <typename Value, std::size_t N>
std::optional<Value> lookup(const std::array<std::pair<std::string_view, Value>, N>& table, std::string_view key)
{
    for (const auto& [name, value] : table)
        if (name == key) return value;
    return std::nullopt;
}

std::string numberText(const Archived& value)
{
    if (const auto* flag = std::get_if<bool>(&value.value)) return *flag ? "1" : "0";
    if (const auto* integer = std::get_if<std::int64_t>(&value.value)) return std::to_string(*integer);
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::get<double>(value.value));
    return std::string(buffer, result.ptr);
}

std::optional<std::int64_t> integerValue(const Archived* value)
{
    if (!value) return std::nullopt;
    if (const auto* integer = std::get_if<std::int64_t>(&value->value)) return *integer;
    if (const auto* real = std::get_if<double>(&value->value))
        if (*real == static_cast<double>(static_cast<std::int64_t>(*real))) return static_cast<std::int64_t>(*real);
    return std::nullopt;
}

bool isTrue(const Archived* value)
{
    if (!value) return false;
    if (const auto* flag = std::get_if<bool>(&value->value)) return *flag;
    if (const auto* integer = std::get_if<std::int64_t>(&value->value)) return *integer != 0;
    if (const auto* real = std::get_if<double>(&value->value)) return *real != 0;
    return false;
}

bool hasLetter(const std::string& text)
{
    std::int32_t at = 0;
    auto length = static_cast<std::int32_t>(text.size());
    while (at < length) {
        UChar32 c;
        U8_NEXT(reinterpret_cast<const std::uint8_t*>(text.data()), at, length, c);
        if (c >= 0 && u_isalpha(c)) return true;
    }
    return false;
}

std::string removingAll(std::string text, std::string_view part)
{
    std::size_t at = 0;
    while ((at = text.find(part, at)) != std::string::npos) text.erase(at, part.size());
    return text;
}

// What a value is, for a label naming something that could not be converted.
std::string describe(const Archived& value)
{
    struct Visitor {
        std::string operator()(const Archived::Null&) const { return "null"; }
        std::string operator()(bool) const { return "number"; }
        std::string operator()(std::int64_t) const { return "number"; }
        std::string operator()(double) const { return "number"; }
        std::string operator()(const std::string& text) const { return "text \"" + text + "\""; }
        std::string operator()(const Bytes&) const { return "data"; }
        std::string operator()(const Date&) const { return "date"; }
        std::string operator()(const Archived::Array&) const { return "list"; }
        std::string operator()(const Archived::Dictionary&) const { return "dictionary"; }
        std::string operator()(const Archived::Object& object) const { return object.className; }
        std::string operator()(const Archived::Opaque& opaque) const { return opaque.className; }
        std::string operator()(const Predicate& predicate) const { return predicateFormat(predicate); }
        std::string operator()(const Expression&) const { return "expression"; }
    };
    return std::visit(Visitor{}, value.value);
}

// A rename or date token: an archived object with a text "name".
const std::string* tokenName(const Archived* element)
{
    const Archived::Object* object = element ? element->object() : nullptr;
    const Archived* name = object ? object->value("name") : nullptr;
    return name ? name->string() : nullptr;
}

std::string escapeQuotes(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::optional<Node> convertComparison(const Predicate& predicate, HazelFindings& findings)
{
    std::string keyPath = predicate.left.type == Expression::Type::keyPath ? predicate.left.keyPath : "?";
    auto attr = lookup(hazelAttributes, keyPath);
    if (!attr) {
        findings.unsupported.push_back("attribute " + keyPath);
        return std::nullopt;
    }

    std::optional<std::string> value;
    std::optional<std::string_view> period;
    if (predicate.right.type == Expression::Type::keyPath) {
        period = lookup(hazelPeriods, predicate.right.keyPath);
        if (period) value = std::string(*period);
    } else if (predicate.right.type == Expression::Type::constantValue) {
        value = convertNoodleMeasurement(predicate.right.constant.get());
    }

    using HOp = Predicate::Operator;
    std::optional<Op> op;
    switch (predicate.op) {
    case HOp::lessThan: op = period ? Op::notInCurrent : Op::lt; break;
    case HOp::greaterThan:
        // The attribute tests have nothing for a date after the current
        // period, and `gt` on a date never holds: say so rather than guess.
        if (period) {
            findings.unsupported.push_back(keyPath + " after the current " + std::string(*period));
            return std::nullopt;
        }
        op = Op::gt;
        break;
    case HOp::equalTo: op = period ? Op::inCurrent : Op::is; break;
    case HOp::notEqualTo: op = period ? Op::notInCurrent : Op::isNot; break;
    case HOp::matches: op = Op::matches; break;
    case HOp::beginsWith: op = Op::startsWith; break;
    case HOp::endsWith: op = Op::endsWith; break;
    case HOp::contains: op = Op::contains; break;
    case HOp::customSelector:
        if (predicate.selector == "containsText:" || predicate.selector == "hazelContainsObject:")
            op = Op::contains;
        else if (predicate.selector == "isType:")
            op = Op::is;
        else if (predicate.selector == "hazelIsInTheLast:")
            op = Op::inLast;
        break;
    default: break;
    }
    if (!op || !value) {
        findings.unsupported.push_back(keyPath + " condition " + predicateFormat(predicate));
        return std::nullopt;
    }
    if (*attr == Attr::kind && *value == "public.folder") {
        findings.unsupported.push_back("matching folders");
        return std::nullopt;
    }
    return Node(Condition{*attr, *op, *value});
}

}  // namespace

std::optional<Node> convertHazelPredicate(const Archived& criterion, HazelFindings& findings)
{
    const Predicate* predicate = criterion.predicate();
    if (!predicate) {
        findings.unsupported.push_back("condition " + describe(criterion));
        return std::nullopt;
    }
    switch (predicate->kind) {
    case Predicate::Kind::compound: {
        Group group;
        switch (predicate->compoundType) {
        case Predicate::CompoundType::andType: group.mode = Group::Mode::all; break;
        case Predicate::CompoundType::orType: group.mode = Group::Mode::any; break;
        case Predicate::CompoundType::notType: group.mode = Group::Mode::none; break;
        }
        // Every part is converted, so that the labels name all that is missing.
        bool complete = true;
        for (const auto& sub : predicate->subpredicates) {
            auto node = convertHazelPredicate(*sub, findings);
            if (node)
                group.items.push_back(std::move(*node));
            else
                complete = false;
        }
        if (!complete) return std::nullopt;
        return Node(std::move(group));
    }
    case Predicate::Kind::truePredicate: return Node(Group{Group::Mode::all, {}});
    case Predicate::Kind::falsePredicate:
        findings.unsupported.push_back("condition " + predicateFormat(*predicate));
        return std::nullopt;
    case Predicate::Kind::comparison: return convertComparison(*predicate, findings);
    }
    return std::nullopt;
}

std::optional<std::string> convertNoodleMeasurement(const Archived* constant)
{
    if (!constant) return std::nullopt;
    if (const std::string* text = constant->string()) return *text;
    if (constant->isNumber()) return numberText(*constant);
    const Archived::Object* measurement = constant->object();
    if (!measurement || measurement->className != "NoodleMeasurement") return std::nullopt;
    const Archived* amount = measurement->value("amount");
    const Archived* unit = measurement->value("unit");
    const Archived::Object* unitObject = unit ? unit->object() : nullptr;
    const Archived* unitName = unitObject ? unitObject->value("name") : nullptr;
    if (!amount || !amount->isNumber() || !unitName || !unitName->string()) return std::nullopt;
    return numberText(*amount) + " " + lowercased(*unitName->string());
}

std::optional<Action> convertHazelAction(const Archived::Object& action, HazelFindings& findings)
{
    bool move = action.className == "HazelMoveAction";
    if (move || action.className == "HazelCopyAction") {
        const Archived* parameter = action.value("parameter");
        const Archived::Object* destination = parameter ? parameter->object() : nullptr;
        if (!destination) {
            findings.unsupported.push_back("action without destination");
            return std::nullopt;
        }
        if (move && destination->className == "HazelTrashFolder") return Action::trash();
        const Archived* path = destination->value("path");
        if (!path || !path->string()) {
            findings.unsupported.push_back("destination " + destination->className);
            return std::nullopt;
        }
        const Archived* options = action.value("options");
        if (options && (isTrue(options->find("replaceExisting")) || isTrue(options->find("throwAwayDupes"))))
            findings.notes.push_back("existing files at " + *path->string() + " are kept, the new file gets a number");
        return move ? Action::move(*path->string()) : Action::copy(*path->string());
    }
    if (action.className == "HazelRenameAction") {
        const Archived* parameter = action.value("parameter");
        static const Archived::Array kNoTokens;
        const Archived::Array* tokens = parameter && parameter->array() ? parameter->array() : &kNoTokens;
        if (auto pattern = convertHazelRename(*tokens, findings)) return Action::rename(std::move(*pattern));
        return std::nullopt;
    }
    findings.unsupported.push_back("action " + removingAll(action.className, "Hazel"));
    return std::nullopt;
}

std::optional<std::string> convertHazelRename(const Archived::Array& tokens, HazelFindings& findings)
{
    std::vector<const Archived*> elements;
    for (const auto& token : tokens) elements.push_back(token.get());

    // The file keeps its own extension after a rename, so a trailing
    // extension token (and the dot before it) is left out.
    std::optional<std::string> lastText;
    if (!elements.empty()) {
        const std::string* name = tokenName(elements.back());
        if (name && *name == "extension") {
            elements.pop_back();
            if (!elements.empty() && elements.back()->string() && elements.back()->string()->ends_with('.')) {
                lastText = *elements.back()->string();
                lastText->pop_back();
            }
        }
    }

    std::string pattern;
    std::vector<std::pair<std::size_t, std::size_t>> tokenSpans;  // start, length
    auto appendToken = [&](const std::string& token) {
        tokenSpans.emplace_back(pattern.size(), token.size());
        pattern += token;
    };
    bool complete = true;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const Archived* element = elements[i];
        if (const std::string* text = element->string()) {
            pattern += i + 1 == elements.size() && lastText ? *lastText : *text;
            continue;
        }
        const std::string* name = tokenName(element);
        if (!name) {
            // Anything else in the list would leave the rename without a
            // part of its name; say so instead of dropping the action quietly.
            findings.unsupported.push_back(element->object() ? "rename token without a name"
                                                             : "rename part " + describe(*element));
            complete = false;
        } else if (*name == "name") {
            appendToken("{name}");
        } else if (*name == "extension") {
            appendToken("{ext}");
        } else if (auto word = lookup(kRenameDates, *name)) {
            const Archived* subTokens = element->object()->value("subTokens");
            const Archived::Array* list = subTokens ? subTokens->array() : nullptr;
            if (!list || list->empty()) {
                appendToken("{" + std::string(*word) + "}");
                continue;
            }
            auto format = convertHazelDateFormat(*list);
            // A "}" would end the token early.
            if (!format || format->find('}') != std::string::npos) {
                findings.unsupported.push_back("date format in rename");
                complete = false;
            } else {
                appendToken("{" + std::string(*word) + ":" + *format + "}");
            }
        } else {
            findings.unsupported.push_back("rename token " + *name);
            complete = false;
        }
    }
    if (!complete) return std::nullopt;

    // Literal text that reads as a token (say "{draft}") would be replaced
    // by a fact of the file, or fail, when the pattern is rendered.
    std::size_t next = 0;
    for (auto token = findToken(pattern); token; token = findToken(pattern, token->end)) {
        std::pair span{token->begin, token->end - token->begin};
        if (next < tokenSpans.size() && tokenSpans[next] == span) {
            ++next;
        } else {
            findings.unsupported.push_back("rename text " + pattern.substr(span.first, span.second));
            return std::nullopt;
        }
    }
    return pattern;
}

std::optional<std::string> convertHazelDateFormat(const Archived::Array& subTokens)
{
    bool twelveHour = false;
    for (const auto& element : subTokens) {
        const std::string* name = tokenName(element.get());
        if (name && *name == "am/pm") twelveHour = true;
    }

    std::string format;
    for (const auto& element : subTokens) {
        if (const std::string* text = element->string()) {
            // Letters are pattern fields unless quoted; a quote itself is
            // written twice, inside quotes or not.
            format += hasLetter(*text) ? "'" + escapeQuotes(*text) + "'" : escapeQuotes(*text);
            continue;
        }
        const std::string* name = tokenName(element.get());
        if (!name) return std::nullopt;
        if (*name == "year") {
            auto digits = integerValue(element->object()->value("digitCount"));
            format += digits && *digits == 2 ? "yy" : "yyyy";
        } else if (*name == "month") {
            format += "MM";
        } else if (*name == "dayOfMonth") {
            format += "dd";
        } else if (*name == "hour") {
            format += twelveHour ? "hh" : "HH";
        } else if (*name == "minute") {
            format += "mm";
        } else if (*name == "second") {
            format += "ss";
        } else if (*name == "am/pm") {
            format += "a";
        } else {
            return std::nullopt;
        }
    }
    return format;
}

}  // namespace olva
