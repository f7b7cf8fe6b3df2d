#include "Core/hazel/KeyedArchive.h"
#include "tests/hazel/ArchiveBuilder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace olva;
using namespace olva::test;
using Ref = ArchiveBuilder::Ref;
using Inline = ArchiveBuilder::Inline;

namespace {

ArchiveReading reading()
{
    ArchiveReading r;
    r.objectFields = {{"child", ArchiveReading::FieldKind::object},
                      {"flag", ArchiveReading::FieldKind::boolean},
                      {"count", ArchiveReading::FieldKind::integer}};
    r.classSubstitutes = {{"MyList", "NSArray"}};
    r.removedFromClassNames = {"Prefix_"};
    return r;
}

ArchivedRef decode(const std::string& bytes)
{
    auto archive = KeyedArchive::open(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    return archive.decodeTop(kArchiveRootKey, reading());
}

std::string decodeError(const std::string& bytes)
{
    return thrownText<ArchiveError>([&] { decode(bytes); });
}

// Binary property lists written byte by byte, for shapes libplist's writer
// would not make: every object an array of `fanOut` references to the next.
std::string chainedBinaryPlist(std::uint32_t objects, int fanOut)
{
    std::string out = "bplist00";
    std::vector<std::uint32_t> offsets;
    auto be32 = [&](std::uint64_t v) {
        for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
    };
    for (std::uint32_t i = 0; i < objects; ++i) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        bool last = i + 1 == objects;
        out += static_cast<char>(0xA0 | (last ? 0 : fanOut));
        for (int r = 0; !last && r < fanOut; ++r) be32(i + 1);
    }
    std::size_t table = out.size();
    for (auto offset : offsets) be32(offset);
    out += std::string(6, '\0') + '\x04' + '\x04';
    auto be64 = [&](std::uint64_t v) {
        for (int s = 56; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
    };
    be64(objects);
    be64(0);
    be64(table);
    return out;
}

}  // namespace

TEST(KeyedArchive, DecodesFoundationValues)
{
    ArchiveBuilder b;
    Ref shared = b.object("NSMutableString", {{"NS.string", Inline{std::string("shared")}}});
    Ref dict = b.dictionary({{b.text("n"), b.integer(-5)}, {b.text("r"), b.real(2.5)}, {b.text("t"), b.boolean(true)}});
    Ref root = b.list({shared, dict, b.date(86400.5), b.list({shared}, "NSSet"), b.object("NSNull", {}),
                       b.object("NSURL", {})});
    for (const std::string& bytes : {b.binary(root), b.xml(root)}) {
        ArchivedRef value = decode(bytes);
        ASSERT_TRUE(value && value->array());
        const auto& items = *value->array();
        ASSERT_EQ(items.size(), 6u);
        EXPECT_EQ(*items[0]->string(), "shared");
        EXPECT_EQ(std::get<std::int64_t>(items[1]->find("n")->value), -5);
        EXPECT_EQ(std::get<double>(items[1]->find("r")->value), 2.5);
        EXPECT_EQ(std::get<bool>(items[1]->find("t")->value), true);
        EXPECT_EQ(items[1]->find("missing"), nullptr);
        auto seconds = std::chrono::duration<double>(std::get<Date>(items[2]->value).time_since_epoch()).count();
        EXPECT_DOUBLE_EQ(seconds, 978307200 + 86400.5);
        // An object referred to twice is decoded once.
        EXPECT_EQ(items[3]->array()->at(0).get(), items[0].get());
        EXPECT_TRUE(std::holds_alternative<Archived::Null>(items[4]->value));
        EXPECT_EQ(std::get<Archived::Opaque>(items[5]->value).className, "NSURL");
    }
}

TEST(KeyedArchive, DatesOfEveryYearAreRead)
{
    using namespace std::chrono;
    struct Case {
        double secondsSince2001;
        std::optional<Date> date;
    };
    for (const Case& c : std::vector<Case>{
             {252'423'993'599.5, Date(sys_days(year(9999) / 12 / 31) + 86'399'500ms)},
             {-63'113'904'000.0, Date(sys_days(year(1) / 1 / 1))},
             {1e15, std::nullopt},
         }) {
        ArchiveBuilder b;
        Ref root = b.list({b.date(c.secondsSince2001)});
        if (c.date) {
            ArchivedRef value = decode(b.binary(root));
            EXPECT_EQ(std::get<Date>(value->array()->at(0)->value), *c.date) << c.secondsSince2001;
        } else {
            EXPECT_EQ(decodeError(b.binary(root)), "the archive is damaged: the date in object 2 is out of range");
        }
    }
}

TEST(KeyedArchive, ObjectsOfOtherClassesHoldOnlyTheKeysAskedFor)
{
    ArchiveBuilder b;
    Ref inner = b.object("Prefix_Inner", {{"count", Inline{true}}, {"flag", Inline{std::int64_t{2}}}});
    Ref root = b.object("Prefix_OuterPrefix_", {{"child", inner},
                                                {"other", b.text("ignored")},
                                                {"flag", Inline{std::string("no")}},
                                                {"count", b.integer(3)}});
    ArchivedRef value = decode(b.binary(root));
    const Archived::Object* outer = value->object();
    ASSERT_TRUE(outer);
    EXPECT_EQ(outer->className, "Outer");
    // Only "child" survives: "other" was not asked for, and "flag" and
    // "count" hold values of the wrong form.
    EXPECT_EQ(outer->values.size(), 1u);
    const Archived::Object* child = outer->value("child")->object();
    EXPECT_EQ(child->className, "Inner");
    EXPECT_EQ(std::get<std::int64_t>(child->value("count")->value), 1);
    EXPECT_EQ(std::get<bool>(child->value("flag")->value), true);

    Ref substituted = b.list({b.text("a")}, "MyList");
    EXPECT_EQ(decode(b.binary(substituted))->array()->size(), 1u);
}

TEST(KeyedArchive, DamagedArchivesGiveAClearError)
{
    ArchiveBuilder b;
    Ref loop = b.reserve();
    b.fill(loop, "Node", {{"child", b.object("Node", {{"child", loop}})}});
    EXPECT_EQ(decodeError(b.binary(loop)), "the archive is damaged: object " + std::to_string(loop) +
                                               " contains itself");

    Ref deep = b.object("Leaf", {});
    for (int i = 0; i < 70; ++i) deep = b.object("Node", {{"child", deep}});
    EXPECT_EQ(decodeError(b.binary(deep)), "the archive is damaged: objects are nested more than 64 levels deep");

    // Each level refers to the next twice: 2^40 values once expanded.
    Ref wide = b.text("leaf");
    for (int i = 0; i < 40; ++i) wide = b.list({wide, wide});
    EXPECT_EQ(decodeError(b.binary(wide)), "the archive is too large: it holds more than 1000000 values");

    Ref notAList = b.object("NSArray", {{"NS.objects", b.integer(1)}});
    EXPECT_EQ(decodeError(b.binary(notAList)),
              "the archive is damaged: “NS.objects” of object " + std::to_string(notAList) + " is not a list");
    Ref holdsNil = b.list({0});
    EXPECT_EQ(decodeError(b.binary(holdsNil)),
              "the archive is damaged: a list in object " + std::to_string(holdsNil) + " holds nil");
    Ref badCompound = b.object("NSCompoundPredicate", {{"NSCompoundPredicateType", Inline{std::int64_t{5}}}});
    EXPECT_EQ(decodeError(b.binary(badCompound)), "the archive is damaged: the compound predicate in object " +
                                                       std::to_string(badCompound) + " is of no known type");
}

TEST(KeyedArchive, HostilePropertyListsAreRefusedBeforeParsing)
{
    EXPECT_EQ(decodeError(chainedBinaryPlist(100000, 1)),
              "not a keyed archive: the property list nests more than 32 levels deep");
    EXPECT_EQ(decodeError(chainedBinaryPlist(30, 2)),
              "not a keyed archive: the property list holds more than 1000000 values");

    std::string deepXml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < 400000; ++i) deepXml += "<array>";
    EXPECT_EQ(decodeError(deepXml), "not a keyed archive: the property list nests more than 32 levels deep");

    // An array that claims two billion entries in a file of a few bytes.
    std::string huge = chainedBinaryPlist(2, 1);
    huge.replace(8, 5, "\xAF\x12\x7F\xFF\xFF");
    EXPECT_EQ(decodeError(huge),
              "not a keyed archive: the data is no readable property list (it may be damaged or cut short)");
    // An array that holds itself.
    std::string cycle = chainedBinaryPlist(2, 1);
    cycle[12] = 0;
    EXPECT_EQ(decodeError(cycle),
              "not a keyed archive: the data is no readable property list (it may be damaged or cut short)");
    EXPECT_EQ(decodeError("<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>"),
              "not a keyed archive: the property list is not a dictionary");
    EXPECT_EQ(decodeError("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>"),
              "not a keyed archive: the property list has no “$objects” list");
}
