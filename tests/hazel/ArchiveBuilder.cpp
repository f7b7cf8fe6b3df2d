#include "tests/hazel/ArchiveBuilder.h"

#include <plist/plist.h>

#include <cstdlib>

namespace olva::test {

ArchiveBuilder::ArchiveBuilder() : objects_(plist_new_array())
{
    plist_array_append_item(objects_, plist_new_string("$null"));
}

ArchiveBuilder::~ArchiveBuilder() { plist_free(objects_); }

ArchiveBuilder::Ref ArchiveBuilder::add(void* node)
{
    plist_array_append_item(objects_, node);
    return plist_array_get_size(objects_) - 1;
}

ArchiveBuilder::Ref ArchiveBuilder::classRef(const std::string& className)
{
    for (const auto& [name, ref] : classes_)
        if (name == className) return ref;
    plist_t entry = plist_new_dict();
    plist_dict_set_item(entry, "$classname", plist_new_string(className.c_str()));
    plist_t chain = plist_new_array();
    plist_array_append_item(chain, plist_new_string(className.c_str()));
    plist_array_append_item(chain, plist_new_string("NSObject"));
    plist_dict_set_item(entry, "$classes", chain);
    Ref ref = add(entry);
    classes_.emplace_back(className, ref);
    return ref;
}

void* ArchiveBuilder::objectNode(const std::string& className, const Fields& fields)
{
    plist_t node = plist_new_dict();
    plist_dict_set_item(node, "$class", plist_new_uid(classRef(className)));
    for (const auto& [key, value] : fields) {
        plist_t item = nullptr;
        if (const Ref* ref = std::get_if<Ref>(&value)) {
            item = plist_new_uid(*ref);
        } else {
            const auto& inlined = std::get<Inline>(value).value;
            if (auto* i = std::get_if<std::int64_t>(&inlined)) item = plist_new_uint(static_cast<std::uint64_t>(*i));
            if (auto* b = std::get_if<bool>(&inlined)) item = plist_new_bool(*b);
            if (auto* d = std::get_if<double>(&inlined)) item = plist_new_real(*d);
            if (auto* s = std::get_if<std::string>(&inlined)) item = plist_new_string(s->c_str());
        }
        plist_dict_set_item(node, key.c_str(), item);
    }
    return node;
}

ArchiveBuilder::Ref ArchiveBuilder::text(const std::string& value) { return add(plist_new_string(value.c_str())); }
ArchiveBuilder::Ref ArchiveBuilder::integer(std::int64_t value)
{
    return add(plist_new_uint(static_cast<std::uint64_t>(value)));
}
ArchiveBuilder::Ref ArchiveBuilder::real(double value) { return add(plist_new_real(value)); }
ArchiveBuilder::Ref ArchiveBuilder::boolean(bool value) { return add(plist_new_bool(value)); }

ArchiveBuilder::Ref ArchiveBuilder::date(double secondsSince2001)
{
    return object("NSDate", {{"NS.time", Inline{secondsSince2001}}});
}

ArchiveBuilder::Ref ArchiveBuilder::list(const std::vector<Ref>& items, const std::string& className)
{
    plist_t node = objectNode(className, {});
    plist_t array = plist_new_array();
    for (Ref item : items) plist_array_append_item(array, plist_new_uid(item));
    plist_dict_set_item(node, "NS.objects", array);
    return add(node);
}

ArchiveBuilder::Ref ArchiveBuilder::dictionary(const std::vector<std::pair<Ref, Ref>>& entries)
{
    plist_t node = objectNode("NSDictionary", {});
    plist_t keys = plist_new_array();
    plist_t values = plist_new_array();
    for (const auto& [key, value] : entries) {
        plist_array_append_item(keys, plist_new_uid(key));
        plist_array_append_item(values, plist_new_uid(value));
    }
    plist_dict_set_item(node, "NS.keys", keys);
    plist_dict_set_item(node, "NS.objects", values);
    return add(node);
}

ArchiveBuilder::Ref ArchiveBuilder::object(const std::string& className, const Fields& fields)
{
    return add(objectNode(className, fields));
}

ArchiveBuilder::Ref ArchiveBuilder::reserve() { return add(plist_new_string("placeholder")); }

void ArchiveBuilder::fill(Ref slot, const std::string& className, const Fields& fields)
{
    plist_array_set_item(objects_, objectNode(className, fields), static_cast<std::uint32_t>(slot));
}

ArchiveBuilder::Ref ArchiveBuilder::keyPath(const std::string& path)
{
    // A key path expression applies valueForKey: with the key as a constant
    // argument to the evaluated object.
    Ref self = object("NSSelfExpression", {{"NSExpressionType", Inline{std::int64_t{1}}}});
    Ref key = constant(text(path));
    return object("NSKeyPathExpression", {{"NSExpressionType", Inline{std::int64_t{3}}},
                                          {"NSOperand", self},
                                          {"NSSelectorName", text("valueForKey:")},
                                          {"NSArguments", list({key})}});
}

ArchiveBuilder::Ref ArchiveBuilder::constant(Ref value)
{
    return object("NSConstantValueExpression", {{"NSExpressionType", Inline{std::int64_t{0}}}, {"NSConstantValue", value}});
}

ArchiveBuilder::Ref ArchiveBuilder::comparison(Ref left, int op, Ref right, const std::string& selector)
{
    Fields operatorFields = {{"NSOperatorType", Inline{std::int64_t{op}}}, {"NSModifier", Inline{std::int64_t{0}}}};
    if (!selector.empty()) operatorFields.emplace_back("NSSelectorName", text(selector));
    Ref predicateOperator =
        object(selector.empty() ? "NSPredicateOperator" : "NSCustomPredicateOperator", operatorFields);
    return object("NSComparisonPredicate",
                  {{"NSLeftExpression", left}, {"NSRightExpression", right}, {"NSPredicateOperator", predicateOperator}});
}

ArchiveBuilder::Ref ArchiveBuilder::compound(int type, const std::vector<Ref>& subpredicates,
                                             const std::string& className)
{
    return object(className,
                  {{"NSCompoundPredicateType", Inline{std::int64_t{type}}}, {"NSSubpredicates", list(subpredicates)}});
}

ArchiveBuilder::Ref ArchiveBuilder::truePredicate() { return object("NSTruePredicate", {}); }
ArchiveBuilder::Ref ArchiveBuilder::falsePredicate() { return object("NSFalsePredicate", {}); }

void* ArchiveBuilder::archive(Ref root) const
{
    plist_t plist = plist_new_dict();
    plist_dict_set_item(plist, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(plist, "$version", plist_new_uint(100000));
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(root));
    plist_dict_set_item(plist, "$top", top);
    plist_dict_set_item(plist, "$objects", plist_copy(objects_));
    return plist;
}

namespace {

// The property list in one of libplist's formats; frees the list.
std::string serialised(plist_t plist, void (*write)(plist_t, char**, std::uint32_t*))
{
    char* bytes = nullptr;
    std::uint32_t length = 0;
    write(plist, &bytes, &length);
    std::string out(bytes, length);
    free(bytes);
    plist_free(plist);
    return out;
}

}  // namespace

std::string ArchiveBuilder::binary(Ref root) const { return serialised(archive(root), plist_to_bin); }
std::string ArchiveBuilder::xml(Ref root) const { return serialised(archive(root), plist_to_xml); }

std::string ArchiveBuilder::withHeader(Ref root) const
{
    std::string header = "HZLR";
    header.resize(40, '\x01');
    return header + binary(root);
}

}  // namespace olva::test
