#include "Core/base/DecodingError.h"
#include "Core/base/JsonWriter.h"
#include "Core/base/UTF8.h"

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

// Strings are looked at eight bytes at a time: a character that needs an
// escape, one that is not ASCII, or an ill-formed sequence is found
// wherever it falls against those words, also next to another one.
TEST(UTF8, EveryPositionWithinAWordCounts)
{
    const std::vector<std::string> specials = {"\"", "\\", "/", "\n", "\t", "\x01", "\x1f", "\xc3\xa9", "\xf0\x9f\x98\x80"};
    for (std::size_t at = 0; at < 20; ++at) {
        for (const auto& special : specials) {
            for (const std::string& second : {std::string(), special}) {
                std::string text = std::string(at, 'a') + special + second + std::string(at % 11, 'z');
                std::string expected = json(text).dump();
                std::string compact;
                appendJsonString(compact, text);
                EXPECT_EQ(compact, expected) << at << " " << special;
                std::string slashed;
                appendJsonString(slashed, text, {.escapeSlashes = true});
                std::string expectedSlashed;
                for (char c : expected) expectedSlashed += c == '/' ? std::string("\\/") : std::string(1, c);
                EXPECT_EQ(slashed, expectedSlashed) << at << " " << special;
            }
        }
        for (const char* bad : {"\xc3", "\x80", "\xed\xa0\x80", "\xff"}) {
            EXPECT_FALSE(isValidUTF8(std::string(at, 'a') + bad + std::string(at % 9, 'z'))) << at << " " << bad;
            EXPECT_FALSE(isValidUTF8(std::string(at, 'a') + "\xc3\xa9" + std::string(at % 5, 'b') + bad)) << at;
        }
        EXPECT_TRUE(isValidUTF8(std::string(at, 'a') + "\xe2\x82\xac" + std::string(at, 'b')));
    }
    // A long text is escaped in pieces: characters cut across them, and
    // escapes right at their edges, come out whole.
    std::string longText;
    for (int i = 0; longText.size() < 20000; ++i) longText += i % 7 == 0 ? "\"/\n\xc3\xa9" : "ab\xe2\x82\xac";
    std::string written;
    appendJsonString(written, longText);
    EXPECT_EQ(written, json(longText).dump());
}

TEST(UTF8, PrintableTextEscapesWhatWouldActOnATerminal)
{
    for (auto [text, shown] : std::vector<std::pair<std::string, std::string>>{
             {"plain é € 😀 \xef\xbf\xbd", "plain é € 😀 \xef\xbf\xbd"},
             {"a\\b", "a\\\\b"},
             {"line\nbreak\ttab\rreturn", "line\\nbreak\\ttab\\rreturn"},
             {"\x1b[31mred\x1b[0m", "\\x1b[31mred\\x1b[0m"},
             {std::string("nul\0del\x7f", 8), "nul\\x00del\\x7f"},
             {"c1 \xc2\x85 \xc2\x9b", "c1 \\u0085 \\u009b"},
             {"bad\xffname\xc3", "bad\\xffname\\xc3"},
             {"cut \xe2\x82 x", "cut \\xe2\\x82 x"},
         })
        EXPECT_EQ(printableText(text), shown) << shown;
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
