// The property lists keyed archives are stored in, binary or XML. The bytes
// are bounded before libplist parses them, since they come from files a user
// was handed; the accessors read nodes in the forms archives use.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace olva {

// A parsed property list; owns its nodes.
class PropertyList {
public:
    // Throws ArchiveError when the bytes are empty, larger than 32 MB, no
    // readable property list, or too deeply nested or too large to parse
    // safely.
    static PropertyList parse(std::span<const std::uint8_t> bytes);

    plist_t root() const { return root_; }

    PropertyList(PropertyList&& other) noexcept : root_(other.root_) { other.root_ = nullptr; }
    PropertyList& operator=(PropertyList&& other) noexcept;
    PropertyList(const PropertyList&) = delete;
    PropertyList& operator=(const PropertyList&) = delete;
    ~PropertyList();

private:
    explicit PropertyList(plist_t root) : root_(root) {}
    plist_t root_ = nullptr;
};

// A reference to an archived object, in the binary form or as XML's
// one-key dictionary.
std::optional<std::uint64_t> uidOf(plist_t node);
// Throws ArchiveError for a text holding U+0000.
std::optional<std::string> stringOf(plist_t node);
std::optional<std::int64_t> integerOf(plist_t node);
std::optional<double> realOf(plist_t node);

}  // namespace olva
