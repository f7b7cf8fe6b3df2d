#include "Core/hazel/KeyedArchive.h"

#include "Core/hazel/PropertyList.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>

namespace olva {

namespace {

// Archives are read from files a user was handed; these limits keep a
// hostile one from exhausting memory, time or the stack once libplist has
// read it.
constexpr int kMaxObjectDepth = 64;              // archived objects inside each other
constexpr std::uint64_t kMaxValues = 1000000;    // decoded values, shared ones counted each time

[[noreturn]] void fail(const std::string& description) { throw ArchiveError(description); }

// A date from seconds since 2001; nothing when it lies beyond what a Date
// holds.
std::optional<Date> dateFromReference(double seconds)
{
    return dateFromSeconds(seconds + static_cast<double>(kArchiveReferenceEpoch));
}

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string removingAll(std::string text, const std::string& part)
{
    if (part.empty()) return text;
    std::size_t at = 0;
    while ((at = text.find(part, at)) != std::string::npos) text.erase(at, part.size());
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------

const Archived* Archived::Object::value(std::string_view key) const
{
    auto found = values.find(key);
    return found == values.end() ? nullptr : found->second.get();
}

bool Archived::isNumber() const
{
    return std::holds_alternative<std::int64_t>(value) || std::holds_alternative<double>(value) ||
           std::holds_alternative<bool>(value);
}

const Archived* Archived::find(std::string_view key) const
{
    if (const Dictionary* entries = dictionary())
        for (const auto& entry : *entries)
            if (entry.key && entry.key->string() && *entry.key->string() == key) return entry.value.get();
    return nullptr;
}

ArchivedRef makeArchived(decltype(Archived::value) value)
{
    return std::make_shared<const Archived>(Archived{std::move(value)});
}

struct KeyedArchive::Plist {
    PropertyList list;
    plist_t objects = nullptr;  // owned by list
    plist_t top = nullptr;      // owned by list
};

KeyedArchive::KeyedArchive(std::unique_ptr<Plist> plist) : plist_(std::move(plist)) {}
KeyedArchive::KeyedArchive(KeyedArchive&&) noexcept = default;
KeyedArchive& KeyedArchive::operator=(KeyedArchive&&) noexcept = default;
KeyedArchive::~KeyedArchive() = default;

KeyedArchive KeyedArchive::open(std::span<const std::uint8_t> bytes)
{
    auto plist = std::make_unique<Plist>(Plist{PropertyList::parse(bytes)});
    plist_t root = plist->list.root();
    if (plist_get_node_type(root) != PLIST_DICT)
        fail("not a keyed archive: the property list is not a dictionary");
    plist->objects = plist_dict_get_item(root, "$objects");
    if (!plist->objects || plist_get_node_type(plist->objects) != PLIST_ARRAY)
        fail("not a keyed archive: the property list has no “$objects” list");
    plist->top = plist_dict_get_item(root, "$top");
    if (!plist->top || plist_get_node_type(plist->top) != PLIST_DICT)
        fail("not a keyed archive: the property list has no “$top” dictionary");
    return KeyedArchive(std::move(plist));
}

// ---------------------------------------------------------------------------
// Decoding archived objects.

namespace {

class Decoder {
public:
    Decoder(plist_t objects, const ArchiveReading& reading)
        : objects_(objects), reading_(reading), count_(plist_array_get_size(objects)), memo_(count_),
          open_(count_, false)
    {
    }

    struct Decoded {
        ArchivedRef ref;         // empty for nil
        int height = 0;          // levels of objects from this one down
        std::uint64_t size = 0;  // values from this one down, shared ones counted each time
    };

    // The object a UID refers to, as the value at `depth` levels below the top.
    Decoded decode(std::uint64_t index, int depth)
    {
        if (index >= count_)
            damaged("a reference points to object " + std::to_string(index) + ", but there are only " +
                    std::to_string(count_));
        if (const auto& known = memo_[index]) {
            if (depth + known->height - 1 > kMaxObjectDepth) tooDeep();
            count(known->size);
            return *known;
        }
        if (open_[index]) damaged("object " + std::to_string(index) + " contains itself");
        if (depth > kMaxObjectDepth) tooDeep();
        open_[index] = true;
        Decoded decoded = decodeObject(index, depth);
        open_[index] = false;
        count(1);
        memo_[index] = decoded;
        return decoded;
    }

private:
    // Collects the children of one value while it is decoded.
    struct Children {
        int height = 0;
        std::uint64_t size = 0;
        void add(const Decoded& child)
        {
            height = std::max(height, child.height);
            size += child.size;
        }
        Decoded finish(ArchivedRef ref) const { return {std::move(ref), height + 1, size + 1}; }
    };

    [[noreturn]] static void damaged(const std::string& what) { fail("the archive is damaged: " + what); }
    [[noreturn]] static void tooDeep()
    {
        fail("the archive is damaged: objects are nested more than " + std::to_string(kMaxObjectDepth) +
             " levels deep");
    }

    [[noreturn]] static void tooLarge()
    {
        fail("the archive is too large: it holds more than " + std::to_string(kMaxValues) + " values");
    }

    void count(std::uint64_t values)
    {
        total_ += values;
        if (total_ > kMaxValues) tooLarge();
    }

    static std::string where(std::uint64_t index) { return "object " + std::to_string(index); }

    Decoded decodeObject(std::uint64_t index, int depth)
    {
        plist_t node = plist_array_get_item(objects_, static_cast<std::uint32_t>(index));
        switch (plist_get_node_type(node)) {
        case PLIST_STRING: {
            std::string text = *stringOf(node);
            if (text == "$null") return {};
            return leaf(std::move(text));
        }
        case PLIST_BOOLEAN: {
            std::uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return leaf(value != 0);
        }
        case PLIST_UINT: return leaf(*integerOf(node));
        case PLIST_REAL: return leaf(*realOf(node));
        case PLIST_DATA: {
            std::uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            return leaf(Bytes(bytes, bytes + length));
        }
        case PLIST_DATE: {
            std::int32_t seconds = 0, micros = 0;
            plist_get_date_val(node, &seconds, &micros);
            return leaf(*dateFromReference(seconds + micros / 1e6));
        }
        case PLIST_DICT: break;
        default: damaged(where(index) + " is of an unknown form");
        }

        std::string archivedName = className(node, index);
        std::string name = archivedName;
        if (auto substitute = reading_.classSubstitutes.find(archivedName);
            substitute != reading_.classSubstitutes.end())
            name = substitute->second;

        if (isOneOf(name, {"NSString", "NSMutableString"})) return decodeString(node, index);
        if (isOneOf(name, {"NSArray", "NSMutableArray", "NSSet", "NSMutableSet", "NSOrderedSet",
                           "NSMutableOrderedSet"})) {
            Children children;
            Archived::Array array = decodeList(node, "NS.objects", index, depth, children);
            return children.finish(makeArchived(std::move(array)));
        }
        if (isOneOf(name, {"NSDictionary", "NSMutableDictionary"})) return decodeDictionary(node, index, depth);
        if (name == "NSDate") {
            auto seconds = realOf(plist_dict_get_item(node, "NS.time"));
            if (!seconds) damaged("the date in " + where(index) + " has no time");
            auto date = dateFromReference(*seconds);
            if (!date) damaged("the date in " + where(index) + " is out of range");
            return leaf(*date);
        }
        if (isOneOf(name, {"NSData", "NSMutableData"})) {
            plist_t data = plist_dict_get_item(node, "NS.data");
            if (!data || plist_get_node_type(data) != PLIST_DATA) damaged("the data in " + where(index) + " is missing");
            std::uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(data, &length);
            return leaf(Bytes(bytes, bytes + length));
        }
        if (name == "NSNull") return leaf(Archived::Null{});
        if (isOneOf(name, {"NSNumber", "NSDecimalNumber", "NSValue", "NSURL", "NSUUID"}))
            return leaf(Archived::Opaque{name});
        if (name == "NSComparisonPredicate") return decodeComparison(node, index, depth);
        if (name == "NSCompoundPredicate") return decodeCompound(node, index, depth);
        if (name == "NSTruePredicate" || name == "NSFalsePredicate") {
            Predicate predicate;
            predicate.kind = name == "NSTruePredicate" ? Predicate::Kind::truePredicate
                                                       : Predicate::Kind::falsePredicate;
            return leaf(std::move(predicate));
        }
        if (isOneOf(name, {"NSExpression", "NSConstantValueExpression", "NSSelfExpression", "NSVariableExpression",
                           "NSKeyPathExpression", "NSKeyPathSpecifierExpression", "NSFunctionExpression",
                           "NSAggregateExpression", "NSSetExpression", "NSSubqueryExpression",
                           "NSTernaryExpression", "NSAnyKeyExpression"}))
            return decodeExpression(node, name, index, depth);
        return decodeOther(node, archivedName, depth);
    }

    Decoded leaf(decltype(Archived::value) value) { return {makeArchived(std::move(value)), 1, 1}; }

    std::string className(plist_t node, std::uint64_t index)
    {
        auto classIndex = uidOf(plist_dict_get_item(node, "$class"));
        if (!classIndex) damaged(where(index) + " has no class");
        if (*classIndex >= count_) damaged("the class of " + where(index) + " is missing");
        plist_t entry = plist_array_get_item(objects_, static_cast<std::uint32_t>(*classIndex));
        auto name = plist_get_node_type(entry) == PLIST_DICT ? stringOf(plist_dict_get_item(entry, "$classname"))
                                                             : std::nullopt;
        if (!name || name->empty()) damaged("the class of " + where(index) + " has no name");
        return *name;
    }

    // The object a key of an archived object refers to; nil when the key is
    // absent.
    Decoded child(plist_t node, const char* key, std::uint64_t index, int depth)
    {
        plist_t item = plist_dict_get_item(node, key);
        if (!item) return {};
        auto uid = uidOf(item);
        if (!uid) damaged(std::string("“") + key + "” of " + where(index) + " is no reference");
        return decode(*uid, depth + 1);
    }

    Archived::Array decodeList(plist_t node, const char* key, std::uint64_t index, int depth, Children& children)
    {
        plist_t list = plist_dict_get_item(node, key);
        if (!list || plist_get_node_type(list) != PLIST_ARRAY)
            damaged(std::string("“") + key + "” of " + where(index) + " is not a list");
        std::uint32_t size = plist_array_get_size(list);
        if (size > kMaxValues) tooLarge();
        Archived::Array array;
        array.reserve(size);
        for (std::uint32_t i = 0; i < size; ++i) {
            auto uid = uidOf(plist_array_get_item(list, i));
            if (!uid) damaged("a list in " + where(index) + " holds something other than a reference");
            Decoded item = decode(*uid, depth + 1);
            if (!item.ref) damaged("a list in " + where(index) + " holds nil");
            children.add(item);
            array.push_back(std::move(item.ref));
        }
        return array;
    }

    Decoded decodeString(plist_t node, std::uint64_t index)
    {
        if (auto text = stringOf(plist_dict_get_item(node, "NS.string"))) return leaf(std::move(*text));
        plist_t bytes = plist_dict_get_item(node, "NS.bytes");
        if (bytes && plist_get_node_type(bytes) == PLIST_DATA) {
            std::uint64_t length = 0;
            const char* data = plist_get_data_ptr(bytes, &length);
            return leaf(std::string(data, length));
        }
        damaged("the string in " + where(index) + " holds no text");
    }

    Decoded decodeDictionary(plist_t node, std::uint64_t index, int depth)
    {
        Children children;
        Archived::Array keys = decodeList(node, "NS.keys", index, depth, children);
        Archived::Array values = decodeList(node, "NS.objects", index, depth, children);
        if (keys.size() != values.size())
            damaged("the dictionary in " + where(index) + " has " + std::to_string(keys.size()) + " keys but " +
                    std::to_string(values.size()) + " values");
        Archived::Dictionary entries;
        entries.reserve(keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) entries.push_back({std::move(keys[i]), std::move(values[i])});
        return children.finish(makeArchived(std::move(entries)));
    }

    // A text stored either in place or as a reference to a string object.
    std::optional<std::string> text(plist_t node, const char* key, int depth, Children& children)
    {
        plist_t item = plist_dict_get_item(node, key);
        if (auto inPlace = stringOf(item)) return inPlace;
        auto uid = uidOf(item);
        if (!uid) return std::nullopt;
        Decoded decoded = decode(*uid, depth + 1);
        children.add(decoded);
        if (!decoded.ref || !decoded.ref->string()) return std::nullopt;
        return *decoded.ref->string();
    }

    Expression expressionAt(plist_t node, const char* key, std::uint64_t index, int depth, Children& children)
    {
        Decoded decoded = child(node, key, index, depth);
        if (!decoded.ref || !decoded.ref->expression())
            damaged(std::string("“") + key + "” of " + where(index) + " is not an expression");
        children.add(decoded);
        return *decoded.ref->expression();
    }

    Decoded decodeComparison(plist_t node, std::uint64_t index, int depth)
    {
        Children children;
        Predicate predicate;
        predicate.kind = Predicate::Kind::comparison;
        predicate.left = expressionAt(node, "NSLeftExpression", index, depth, children);
        predicate.right = expressionAt(node, "NSRightExpression", index, depth, children);

        // The operator is an object of its own, read here by its keys
        // whatever its class.
        auto operatorIndex = uidOf(plist_dict_get_item(node, "NSPredicateOperator"));
        if (!operatorIndex || *operatorIndex >= count_) damaged("the comparison in " + where(index) + " has no operator");
        plist_t op = plist_array_get_item(objects_, static_cast<std::uint32_t>(*operatorIndex));
        auto type = plist_get_node_type(op) == PLIST_DICT ? integerOf(plist_dict_get_item(op, "NSOperatorType"))
                                                          : std::nullopt;
        if (!type) damaged("the comparison in " + where(index) + " has no operator");
        predicate.op = static_cast<Predicate::Operator>(
            *type >= 0 && *type <= 1000 ? static_cast<int>(*type) : -1);
        auto modifier = integerOf(plist_dict_get_item(op, "NSModifier"));
        predicate.modifier = static_cast<Predicate::Modifier>(
            modifier && *modifier >= 0 && *modifier <= 2 ? static_cast<int>(*modifier) : 0);
        auto options = integerOf(plist_dict_get_item(op, "NSOptions"));
        predicate.options = options ? static_cast<unsigned>(*options & 0xFF) : 0;
        if (auto selector = text(op, "NSSelectorName", depth, children)) predicate.selector = std::move(*selector);
        return children.finish(makeArchived(std::move(predicate)));
    }

    Decoded decodeCompound(plist_t node, std::uint64_t index, int depth)
    {
        auto type = integerOf(plist_dict_get_item(node, "NSCompoundPredicateType"));
        if (!type || *type < 0 || *type > 2)
            damaged("the compound predicate in " + where(index) + " is of no known type");
        Predicate predicate;
        predicate.kind = Predicate::Kind::compound;
        predicate.compoundType = static_cast<Predicate::CompoundType>(*type);
        Children children;
        Decoded list = child(node, "NSSubpredicates", index, depth);
        if (list.ref) {
            const Archived::Array* items = list.ref->array();
            if (!items) damaged("the subpredicates of " + where(index) + " are not a list");
            predicate.subpredicates = *items;
            children.add(list);
        }
        return children.finish(makeArchived(std::move(predicate)));
    }

    Decoded decodeExpression(plist_t node, std::string_view name, std::uint64_t index, int depth)
    {
        Expression expression;
        auto type = integerOf(plist_dict_get_item(node, "NSExpressionType"));
        if (!type) {
            if (name == "NSConstantValueExpression") type = 0;
            else if (name == "NSSelfExpression") type = 1;
            else if (name == "NSVariableExpression") type = 2;
            else if (name == "NSKeyPathExpression") type = 3;
            else if (name == "NSFunctionExpression") type = 4;
            else damaged("the expression in " + where(index) + " is of no known type");
        }
        expression.type = static_cast<Expression::Type>(*type >= 0 && *type <= 1000 ? static_cast<int>(*type) : -1);
        Children children;
        if (auto keyPath = text(node, "NSKeyPath", depth, children)) expression.keyPath = std::move(*keyPath);
        switch (expression.type) {
        case Expression::Type::constantValue: {
            Decoded constant = child(node, "NSConstantValue", index, depth);
            children.add(constant);
            expression.constant = std::move(constant.ref);
            break;
        }
        case Expression::Type::variable:
            if (auto variable = text(node, "NSVariable", depth, children)) expression.variable = std::move(*variable);
            break;
        case Expression::Type::keyPath:
            // A key path expression applies the key held by its first
            // argument to the evaluated object.
            if (expression.keyPath.empty() && plist_dict_get_item(node, "NSArguments")) {
                Decoded arguments = child(node, "NSArguments", index, depth);
                children.add(arguments);
                const Archived::Array* list = arguments.ref ? arguments.ref->array() : nullptr;
                const Expression* first = list && !list->empty() ? (*list)[0]->expression() : nullptr;
                if (first && !first->keyPath.empty())
                    expression.keyPath = first->keyPath;
                else if (first && first->constant && first->constant->string())
                    expression.keyPath = *first->constant->string();
            }
            if (expression.keyPath.empty()) damaged("the key path expression in " + where(index) + " has no key");
            break;
        case Expression::Type::function:
            if (auto selector = text(node, "NSSelectorName", depth, children))
                expression.function = std::move(*selector);
            break;
        default: break;
        }
        return children.finish(makeArchived(std::move(expression)));
    }

    // An object of a class the reader does not know: only the keys asked
    // for, and tolerant of what they hold.
    Decoded decodeOther(plist_t node, const std::string& archivedName, int depth)
    {
        Archived::Object object;
        object.className = archivedName;
        for (const auto& part : reading_.removedFromClassNames) object.className = removingAll(object.className, part);
        Children children;
        for (const auto& field : reading_.objectFields) {
            plist_t item = plist_dict_get_item(node, field.key.c_str());
            if (!item) continue;
            switch (field.kind) {
            case ArchiveReading::FieldKind::object: {
                auto uid = uidOf(item);
                if (!uid) break;
                Decoded decoded = decode(*uid, depth + 1);
                if (!decoded.ref) break;
                children.add(decoded);
                object.values.emplace(field.key, std::move(decoded.ref));
                break;
            }
            case ArchiveReading::FieldKind::boolean:
                if (auto number = realOf(item)) {
                    count(1);
                    children.add({nullptr, 1, 1});
                    object.values.emplace(field.key, makeArchived(*number != 0));
                }
                break;
            case ArchiveReading::FieldKind::integer:
                if (auto number = integerOf(item)) {
                    count(1);
                    children.add({nullptr, 1, 1});
                    object.values.emplace(field.key, makeArchived(*number));
                }
                break;
            }
        }
        return children.finish(makeArchived(std::move(object)));
    }

    plist_t objects_;
    const ArchiveReading& reading_;
    std::uint64_t count_;
    std::vector<std::optional<Decoded>> memo_;
    std::vector<bool> open_;
    std::uint64_t total_ = 0;
};

}  // namespace

ArchivedRef KeyedArchive::decodeTop(std::string_view key, const ArchiveReading& reading) const
{
    plist_t item = plist_dict_get_item(plist_->top, std::string(key).c_str());
    if (!item) return nullptr;
    auto uid = uidOf(item);
    if (!uid) fail("the archive is damaged: “$top” holds no reference under “" + std::string(key) + "”");
    Decoder decoder(plist_->objects, reading);
    return decoder.decode(*uid, 1).ref;
}

}  // namespace olva
