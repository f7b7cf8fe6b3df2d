// Keyed archives: property lists whose "$objects" list holds archived
// objects that refer to each other by UID, each described by a class entry
// with "$classname", and whose "$top" dictionary names the root. The reader
// decodes the Foundation encodings of strings, numbers, dates, data, lists,
// dictionaries, predicates and expressions; an object of any other class
// becomes an `Archived::Object` holding only the keys the caller asks for.
#pragma once

#include "Core/base/Date.h"
#include "Core/model/Model.h"
#include "Core/hazel/Predicate.h"

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace olva {

// Why bytes could not be read as a keyed archive; one user-facing sentence.
class ArchiveError : public std::runtime_error {
public:
    explicit ArchiveError(const std::string& description) : std::runtime_error(description) {}
};

// One decoded value. An archived object that is referred to several times is
// decoded once and shared. The entries of lists and dictionaries are never
// empty references: the reader refuses nil there.
struct Archived {
    struct Null {};  // NSNull
    using Array = std::vector<ArchivedRef>;
    struct Entry {
        ArchivedRef key;
        ArchivedRef value;
    };
    using Dictionary = std::vector<Entry>;

    // An object of a class the reader does not decode: its class name and
    // the values of the keys the caller asked for that the archive holds.
    struct Object {
        std::string className;
        std::map<std::string, ArchivedRef, std::less<>> values;

        const Archived* value(std::string_view key) const;
    };

    // A Foundation value the reader recognises but does not decode (a URL,
    // a UUID, a decimal number...).
    struct Opaque {
        std::string className;
    };

    std::variant<Null, bool, std::int64_t, double, std::string, Bytes, Date, Array, Dictionary, Object, Opaque,
                 Predicate, Expression>
        value;

    const std::string* string() const { return std::get_if<std::string>(&value); }
    const Array* array() const { return std::get_if<Array>(&value); }
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&value); }
    const Object* object() const { return std::get_if<Object>(&value); }
    const Predicate* predicate() const { return std::get_if<Predicate>(&value); }
    const Expression* expression() const { return std::get_if<Expression>(&value); }
    bool isNumber() const;

    // The dictionary's value under a text key, or nothing.
    const Archived* find(std::string_view key) const;
};

ArchivedRef makeArchived(decltype(Archived::value) value);

struct ArchiveReading {
    enum class FieldKind { object, boolean, integer };
    struct Field {
        std::string key;
        FieldKind kind;
    };

    // The keys decoded from objects of classes the reader does not know, and
    // how; every other key of such objects is ignored.
    std::vector<Field> objectFields;
    // Archived class names read as another class (e.g. a subclass whose
    // encoding is that of its Foundation superclass).
    std::map<std::string, std::string, std::less<>> classSubstitutes;
    // Texts removed, in order and wherever they occur, from the class names
    // of objects the reader does not know.
    std::vector<std::string> removedFromClassNames;
};

class KeyedArchive {
public:
    // Parses the property list and checks that it has the layout of a keyed
    // archive. Throws ArchiveError when the bytes are no readable property
    // list, are too large or too deeply nested to read safely, or lack
    // "$objects" or "$top".
    static KeyedArchive open(std::span<const std::uint8_t> bytes);

    // Decodes the object that "$top" names under the key ("root" for an
    // archive made from one root object); nothing when there is none or it
    // is nil. Throws ArchiveError when the archive is damaged: a reference
    // out of range, an object without a class, a cycle, nesting deeper than
    // 64 objects, more than a million values in all, a Foundation encoding
    // with parts of the wrong type.
    ArchivedRef decodeTop(std::string_view key, const ArchiveReading& reading) const;

    KeyedArchive(KeyedArchive&&) noexcept;
    KeyedArchive& operator=(KeyedArchive&&) noexcept;
    ~KeyedArchive();

private:
    struct Plist;
    explicit KeyedArchive(std::unique_ptr<Plist> plist);
    std::unique_ptr<Plist> plist_;
};

// The key under which an archive made from one root object holds it.
inline constexpr std::string_view kArchiveRootKey = "root";

// Archived dates count seconds from 2001-01-01; that moment in Unix time.
inline constexpr std::int64_t kArchiveReferenceEpoch = 978307200;

}  // namespace olva
