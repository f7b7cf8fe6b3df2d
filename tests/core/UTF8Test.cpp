#include "Core/DecodingError.h"
#include "Core/JsonWriter.h"
#include "Core/UTF8.h"

#include <gtest/gtest.h>

using namespace olva;
using nlohmann::json;

// JSON text must be UTF-8 throughout: surrogates, overlong forms, code
// points past U+10FFFF, cut sequences and stray continuation bytes are all
// refused, and every well-formed sequence passes unchanged.
TEST(UTF8, JsonRefusesEveryIllFormedSequence)
{
    for (const char* bad : {"\xed\xa0\x80", "\xc0\xaf", "\xe0\x80\xaf", "\xf0\x80\x80\xaf", "\xf4\x90\x80\x80",
                            "\xf5\x80\x80\x80", "a\xc3", "\x80z"}) {
        EXPECT_FALSE(isValidUTF8(bad)) << bad;
        EXPECT_THROW(writeJson(json(std::string(bad))), EncodingError);
        EXPECT_THROW(writeJson(json{{std::string(bad), 1}}), EncodingError);
    }
    EXPECT_EQ(writeJson(json("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xef\xbf\xbd")),
              "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xef\xbf\xbd\"");
}

TEST(UTF8, RepairsCaseAndCharacterStarts)
{
    EXPECT_EQ(decodeUTF8Repairing("a\xff" "b\xc3"), "a\xef\xbf\xbd" "b\xef\xbf\xbd");
    EXPECT_EQ(lowercased("ÉCOLE Straße"), "école straße");
    EXPECT_EQ(uppercased("école c1a"), "ÉCOLE C1A");
    const std::string text = "a\xc3\xa9\xf0\x9f\x98\x80";
    EXPECT_EQ(characterStart(text, 0), 0u);
    EXPECT_EQ(characterStart(text, 2), 1u);
    EXPECT_EQ(characterStart(text, 6), 3u);
}
