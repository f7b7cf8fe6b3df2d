#include "Core/hazel/PropertyList.h"

#include "Core/hazel/KeyedArchive.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace olva {

namespace {

// Every limit below keeps a hostile file from exhausting memory, time or
// the stack.
constexpr std::size_t kMaxBytes = 32u * 1024 * 1024;
constexpr int kMaxPlistDepth = 32;  // a keyed archive nests about six levels
constexpr std::uint64_t kMaxPlistValues = 1000000;

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

}  // namespace

PropertyList PropertyList::parse(std::span<const std::uint8_t> bytes)
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

    plist_t root = nullptr;
    plist_from_memory(data, static_cast<std::uint32_t>(bytes.size()), &root);
    if (!root) fail(kNoPlist);
    return PropertyList(root);
}

PropertyList& PropertyList::operator=(PropertyList&& other) noexcept
{
    std::swap(root_, other.root_);
    return *this;
}

PropertyList::~PropertyList()
{
    if (root_) plist_free(root_);
}

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

}  // namespace olva
