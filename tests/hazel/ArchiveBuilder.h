// Writes keyed archives the way Foundation lays them out, so that the tests
// read real files: Hazel rule exports and hostile variants of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace olva::test {

class ArchiveBuilder {
public:
    using Ref = std::uint64_t;  // a UID: the index in "$objects"; 0 is nil

    // A value stored in place in an object, rather than referred to.
    struct Inline {
        std::variant<std::int64_t, bool, double, std::string> value;
    };
    using Value = std::variant<Ref, Inline>;
    using Fields = std::vector<std::pair<std::string, Value>>;

    ArchiveBuilder();
    ~ArchiveBuilder();
    ArchiveBuilder(const ArchiveBuilder&) = delete;
    ArchiveBuilder& operator=(const ArchiveBuilder&) = delete;

    // Foundation values.
    Ref text(const std::string& value);
    Ref integer(std::int64_t value);
    Ref real(double value);
    Ref boolean(bool value);
    Ref date(double secondsSince2001);
    Ref list(const std::vector<Ref>& items, const std::string& className = "NSArray");
    Ref dictionary(const std::vector<std::pair<Ref, Ref>>& entries);
    Ref object(const std::string& className, const Fields& fields);

    // Predicates and expressions.
    Ref keyPath(const std::string& path);
    Ref constant(Ref value);
    Ref comparison(Ref left, int op, Ref right, const std::string& selector = {});
    Ref compound(int type, const std::vector<Ref>& subpredicates, const std::string& className = "NSCompoundPredicate");
    Ref truePredicate();
    Ref falsePredicate();

    // The slot a later object will take, for references that point forward
    // (cycles); fill it with `object` and the same index via `fill`.
    Ref reserve();
    void fill(Ref slot, const std::string& className, const Fields& fields);

    std::string binary(Ref root) const;
    std::string xml(Ref root) const;
    // A binary archive behind the 40-byte header Hazel writes.
    std::string withHeader(Ref root) const;

private:
    Ref add(void* node);
    void* objectNode(const std::string& className, const Fields& fields);
    Ref classRef(const std::string& className);
    void* archive(Ref root) const;

    void* objects_;
    std::vector<std::pair<std::string, Ref>> classes_;
};

}  // namespace olva::test
