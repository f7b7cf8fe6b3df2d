#include "Core/KeyedArchive.h"

#include <plist/plist.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>

namespace olva {

namespace {

// Archives are read from files a user was handed; every limit below keeps a
// hostile file from exhausting memory, time or the stack.
constexpr std::size_t kMaxBytes = 32u * 1024 * 1024;
constexpr int kMaxPlistDepth = 32;               // a keyed archive nests about six levels
constexpr std::uint64_t kMaxPlistValues = 1000000;
constexpr int kMaxObjectDepth = 64;              // archived objects inside each other
constexpr std::uint64_t kMaxValues = 1000000;    // decoded values, shared ones counted each time

const char* const kNoPlist =
    "not a keyed archive: the data is no readable property list (it may be damaged or cut short)";

[[noreturn]] void fail(const std::string& description) { throw ArchiveError(description); }

[[noreturn]] void plistTooDeep()
{
    fail("not a keyed archive: the property list nests more than " + std::to_string(kMaxPlistDepth) + " levels deep");
}

[[noreturn]] void plistTooLarge()
{
    fail("not a keyed archive: the property list holds more than " + std::to_string(kMaxPlistValues) + " values");
}

// ---------------------------------------------------------------------------
// Shape checks before libplist sees the bytes. libplist copies a value each
// time the binary form refers to it and recurses once per level, both when
// parsing and when freeing, so a few kilobytes could make it build billions
// of nodes or overflow the stack.

class BinaryPlistCheck {
public:
    explicit BinaryPlistCheck(std::span<const std::uint8_t> bytes) : b_(bytes) {}

    void run()
    {
        if (b_.size() < 8 + 32) fail(kNoPlist);
        std::size_t trailer = b_.size() - 32;
        offsetSize_ = b_[trailer + 6];
        refSize_ = b_[trailer + 7];
        count_ = read(trailer + 8, 8);
        std::uint64_t top = read(trailer + 16, 8);
        table_ = read(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) fail(kNoPlist);
        if (count_ < 1 || count_ > b_.size() || top >= count_) fail(kNoPlist);
        if (table_ < 8 || table_ > trailer || count_ * offsetSize_ > trailer - table_) fail(kNoPlist);
        walk(top);
    }

private:
    struct Frame {
        std::uint64_t index;
        std::uint64_t childStart;
        std::uint64_t childCount;
        std::uint64_t next = 0;
        std::uint32_t height = 0;  // of the tallest child so far
        std::uint64_t size = 1;
    };

    std::uint64_t read(std::uint64_t pos, unsigned size) const
    {
        std::uint64_t value = 0;
        for (unsigned i = 0; i < size; ++i) value = (value << 8) | b_[pos + i];
        return value;
    }

    std::uint64_t offsetOf(std::uint64_t index) const
    {
        std::uint64_t offset = read(table_ + index * offsetSize_, offsetSize_);
        if (offset < 8 || offset >= table_) fail(kNoPlist);
        return offset;
    }

    // Checks that the object lies inside the object area and returns where
    // its references start and how many there are.
    Frame open(std::uint64_t index) const
    {
        std::uint64_t at = offsetOf(index);
        std::uint8_t marker = b_[at];
        unsigned type = marker >> 4;
        unsigned info = marker & 0x0F;
        auto need = [&](std::uint64_t from, std::uint64_t length) {
            if (length > table_ || from > table_ - length) fail(kNoPlist);
        };
        std::uint64_t start = at + 1;
        std::uint64_t count = info;
        bool sized = type == 0x4 || type == 0x5 || type == 0x6 || type == 0x7 || type == 0xA || type == 0xB ||
                     type == 0xC || type == 0xD;
        if (sized && info == 0x0F) {
            need(at + 1, 1);
            std::uint8_t intMarker = b_[at + 1];
            unsigned power = intMarker & 0x0F;
            if ((intMarker >> 4) != 0x1 || power > 3) fail(kNoPlist);
            unsigned width = 1u << power;
            need(at + 2, width);
            count = read(at + 2, width);
            start = at + 2 + width;
            if (count > b_.size()) fail(kNoPlist);
        }
        switch (type) {
        case 0x0: break;
        case 0x1:
            if (info > 4) fail(kNoPlist);
            need(start, 1u << info);
            break;
        case 0x2:
            if (info != 2 && info != 3) fail(kNoPlist);
            need(start, 1u << info);
            break;
        case 0x3: need(start, 8); break;
        case 0x4:
        case 0x5:
        case 0x7: need(start, count); break;
        case 0x6: need(start, count * 2); break;
        case 0x8: need(start, info + 1); break;
        case 0xA:
        case 0xB:
        case 0xC: need(start, count * refSize_); return {index, start, count};
        case 0xD: need(start, count * 2 * refSize_); return {index, start, count * 2};
        default: fail(kNoPlist);
        }
        return {index, start, 0};
    }

    // Depth-first over the references with an explicit stack, so the check
    // itself cannot overflow; shared values are measured once.
    void walk(std::uint64_t top)
    {
        std::vector<std::uint8_t> state(count_, 0);  // 0 new, 1 open, 2 done
        std::vector<std::uint32_t> height(count_, 0);
        std::vector<std::uint64_t> size(count_, 0);
        std::vector<Frame> stack;
        stack.push_back(open(top));
        state[top] = 1;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.childCount) {
                std::uint64_t child = read(frame.childStart + frame.next * refSize_, refSize_);
                ++frame.next;
                if (child >= count_) fail(kNoPlist);
                if (state[child] == 2) {
                    frame.height = std::max(frame.height, height[child]);
                    frame.size += size[child];
                    if (frame.size > kMaxPlistValues) plistTooLarge();
                    continue;
                }
                if (state[child] == 1) fail(kNoPlist);  // a value inside itself
                if (stack.size() >= static_cast<std::size_t>(kMaxPlistDepth)) plistTooDeep();
                state[child] = 1;
                stack.push_back(open(child));
                continue;
            }
            Frame done = frame;
            stack.pop_back();
            state[done.index] = 2;
            height[done.index] = done.height + 1;
            size[done.index] = done.size;
            if (!stack.empty()) {
                Frame& parent = stack.back();
                parent.height = std::max(parent.height, height[done.index]);
                parent.size += done.size;
                if (parent.size > kMaxPlistValues) plistTooLarge();
            }
        }
    }

    std::span<const std::uint8_t> b_;
    unsigned offsetSize_ = 0;
    unsigned refSize_ = 0;
    std::uint64_t count_ = 0;
    std::uint64_t table_ = 0;
};

// XML has no shared values, so only the nesting and the number of elements
// need bounding.
void checkXmlPlist(std::span<const std::uint8_t> bytes)
{
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    int depth = 0;
    std::uint64_t elements = 0;
    std::size_t at = 0;
    auto skipPast = [&](std::string_view end) {
        std::size_t found = text.find(end, at);
        at = found == std::string_view::npos ? text.size() : found + end.size();
    };
    while ((at = text.find('<', at)) != std::string_view::npos) {
        std::string_view rest = text.substr(at);
        if (rest.starts_with("<!--")) {
            skipPast("-->");
        } else if (rest.starts_with("<![CDATA[")) {
            skipPast("]]>");
        } else if (rest.starts_with("<?") || rest.starts_with("<!")) {
            skipPast(">");
        } else if (rest.starts_with("</")) {
            --depth;
            skipPast(">");
        } else {
            std::size_t close = text.find('>', at);
            if (close == std::string_view::npos) break;
            if (text[close - 1] != '/' && ++depth > kMaxPlistDepth) plistTooDeep();
            if (++elements > 2 * kMaxPlistValues) plistTooLarge();
            at = close + 1;
        }
    }
}

// ---------------------------------------------------------------------------
// Reading plist nodes.

std::optional<std::uint64_t> uidOf(plist_t node)
{
    if (!node) return std::nullopt;
    if (plist_get_node_type(node) == PLIST_UID) {
        std::uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return value;
    }
    // The XML form writes a UID as a dictionary with the single key CF$UID.
    if (plist_get_node_type(node) == PLIST_DICT && plist_dict_get_size(node) == 1) {
        plist_t inner = plist_dict_get_item(node, "CF$UID");
        if (inner && plist_get_node_type(inner) == PLIST_UINT) {
            std::uint64_t value = 0;
            plist_get_uint_val(inner, &value);
            return value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> stringOf(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
    // Read with its length: libplist asserts (and ends the process) when a
    // text holds U+0000, which a crafted binary list can carry.
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (!text) return std::string();
    if (std::memchr(text, '\0', length)) fail("the archive is damaged: a text in it holds the character U+0000");
    return std::string(text, length);
}

// Binary property lists store integers as signed 64-bit numbers; libplist
// hands them out unsigned.
std::optional<std::int64_t> integerOf(plist_t node)
{
    if (!node) return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return static_cast<std::int64_t>(value);
    }
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value ? 1 : 0;
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    default: return std::nullopt;
    }
}

std::optional<double> realOf(plist_t node)
{
    if (!node) return std::nullopt;
    if (plist_get_node_type(node) == PLIST_REAL) {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    if (auto integer = integerOf(node)) return static_cast<double>(*integer);
    return std::nullopt;
}

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
    plist_t root = nullptr;
    plist_t objects = nullptr;  // owned by root
    plist_t top = nullptr;      // owned by root

    ~Plist()
    {
        if (root) plist_free(root);
    }
};

KeyedArchive::KeyedArchive(std::unique_ptr<Plist> plist) : plist_(std::move(plist)) {}
KeyedArchive::KeyedArchive(KeyedArchive&&) noexcept = default;
KeyedArchive& KeyedArchive::operator=(KeyedArchive&&) noexcept = default;
KeyedArchive::~KeyedArchive() = default;

KeyedArchive KeyedArchive::open(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > kMaxBytes)
        fail("not a keyed archive: the data is larger than " + std::to_string(kMaxBytes / (1024 * 1024)) + " MB");
    if (bytes.empty()) fail("not a keyed archive: the data is empty");
    const char* data = reinterpret_cast<const char*>(bytes.data());
    if (bytes.size() >= 8 && std::memcmp(data, "bplist00", 8) == 0)
        BinaryPlistCheck(bytes).run();
    else if (bytes.size() >= 6 && std::memcmp(data, "bplist", 6) == 0)
        fail(kNoPlist);  // a binary form this reader does not know
    else
        checkXmlPlist(bytes);

    auto plist = std::make_unique<Plist>();
    plist_from_memory(data, static_cast<std::uint32_t>(bytes.size()), &plist->root);
    if (!plist->root) fail(kNoPlist);
    if (plist_get_node_type(plist->root) != PLIST_DICT)
        fail("not a keyed archive: the property list is not a dictionary");
    plist->objects = plist_dict_get_item(plist->root, "$objects");
    if (!plist->objects || plist_get_node_type(plist->objects) != PLIST_ARRAY)
        fail("not a keyed archive: the property list has no “$objects” list");
    plist->top = plist_dict_get_item(plist->root, "$top");
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
