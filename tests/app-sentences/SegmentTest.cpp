#include "tests/app-sentences/SentenceText.h"

#include "OlvaApp/Sentences/ListFormat.h"
#include "OlvaApp/Sentences/Segment.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"

#include "Core/base/Paths.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace olva::app;
using olva::test::described;

namespace {

Sentence words(const char* text) { return {Segment::text(QString::fromUtf8(text))}; }
Sentence place(const char* path) { return {Segment::place(QString::fromUtf8(path))}; }
Sentence pattern(const char* text) { return {Segment::pattern(QString::fromUtf8(text))}; }

QString marker(qsizetype n) { return sentenceMarker(n); }

const QString kHomeName = placeName(QString::fromStdString(olva::userHome()));

}  // namespace

TEST(SentenceMarkers, AreDistinctPrivateUseCharactersThatMapBackToTheirNumber)
{
    struct Case {
        qsizetype n;
        char32_t character;
    };
    const Case cases[] = {
        {0, 0xE000}, {1, 0xE001}, {63, 0xE03F}, {64, 0xE040}, {6399, 0xF8FF},
        {6400, 0xF0000}, {6400 + 65533, 0xFFFFD}, {6400 + 65534, 0x100000}, {6400 + 2 * 65534 - 1, 0x10FFFD},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(marker(c.n), QString::fromUcs4(&c.character, 1)) << c.n;
        EXPECT_EQ(markerIndex(c.character), c.n) << c.n;
    }
    EXPECT_TRUE(marker(6400 + 2 * 65534).isEmpty());
    EXPECT_TRUE(marker(-1).isEmpty());
    for (char32_t plain : {char32_t(U'a'), char32_t(0xDFFF), char32_t(0xF900), char32_t(0xEFFFF), char32_t(0x1F600)})
        EXPECT_EQ(markerIndex(plain), -1) << int(plain);
}

TEST(SentenceTemplates, SplicePiecesWhereTheirMarkersStand)
{
    struct Case {
        const char* name;
        QString templ;
        QList<Piece> pieces;
        std::string expected;
    };
    const Case cases[] = {
        {"words then a sentence piece", "copy to " + marker(0), {place("~/A")}, "copy to |[place:~/A]"},
        {"piece texts stay their own segments", "Would " + marker(0),
         {Sentence{Segment::text("move to "), Segment::place("/x")}}, "Would |move to |[place:/x]"},
        {"text pieces join the words", "If " + marker(0) + ", " + marker(1),
         {QString("name is a"), place("/d")}, "If name is a, |[place:/d]"},
        {"order follows the template", marker(1) + " / " + marker(0), {words("zero"), words("one")},
         "one| / |zero"},
        {"a marker without a piece stays", "a" + marker(3) + "b", {words("x"), words("y")},
         "a" + marker(3).toStdString() + "b"},
        {"a marker twice splices twice", marker(0) + "+" + marker(0), {pattern("p")},
         "[pattern:p]|+|[pattern:p]"},
        {"an empty template", "", {words("x")}, ""},
        {"a piece may bring an empty text", marker(0), {words("")}, ""},
        {"a marker past the first plane", "x" + marker(6400), QList<Piece>(6401, Piece(QString("y"))), "xy"},
    };
    for (const Case& c : cases) EXPECT_EQ(described(segments(c.templ, c.pieces)), c.expected) << c.name;

    // A piece that brings an empty text keeps it: only the splice itself
    // makes no empty segments.
    EXPECT_EQ(segments(marker(0), {words("")}).size(), 1);
}

TEST(SentenceTemplates, NeverReadAPieceAsATemplate)
{
    // User text that looks like a template: markers, Qt and ICU placeholders,
    // percent signs and braces.
    const QString hostile[] = {
        marker(0), marker(1) + marker(0), "%1", "100%", "{name}", "{count, plural, one {#} other {#}}",
        "a" + marker(0) + "%2{}", "%L1 %n",
    };
    for (const QString& text : hostile) {
        EXPECT_EQ(plainText(segments("[" + marker(0) + "]", {text, place("/x")})), "[" + text + "]") << text.toStdString();
        EXPECT_EQ(plainText(segments(marker(0) + " " + marker(1), {Sentence{Segment::text(text)}, QString("z")})),
                  text + " z")
            << text.toStdString();
        EXPECT_EQ(filled(marker(0) + "=" + marker(1), {text, "b"}), text + "=b") << text.toStdString();
    }
}

TEST(JoinedLists, ListPiecesInTheLocaleFormatWithTheirChipsIntact)
{
    struct Case {
        const char* name;
        QList<Sentence> pieces;
        std::string expected;
    };
    const Case cases[] = {
        {"none", {}, ""},
        {"one is that piece", {Sentence{Segment::text("copy to "), Segment::place("~/A")}}, "copy to |[place:~/A]"},
        {"two take the pair conjunction", {Sentence{Segment::text("copy to "), Segment::place("~/A")}, words("move to Trash")},
         "copy to |[place:~/A]| and |move to Trash"},
        {"three take separators and the conjunction",
         {words("a"), Sentence{Segment::place("/p"), Segment::text(" x")}, pattern("{name}")},
         "a|, |[place:/p]| x|, and |[pattern:{name}]"},
        {"empty pieces keep their separators", {words(""), words("b")}, "| and |b"},
    };
    for (const Case& c : cases) EXPECT_EQ(described(joinedList(c.pieces)), c.expected) << c.name;
}

TEST(JoinedLists, KeepEveryPieceOfALongList)
{
    for (int count : {64, 65, 70, 1000}) {
        QList<Sentence> pieces;
        for (int i = 0; i < count; ++i) pieces.append(Sentence{Segment::place(QString("/f%1").arg(i))});
        Sentence joined = joinedList(pieces);
        QList<QString> places;
        for (const Segment& segment : joined)
            if (segment.kind == Segment::Kind::place) places.append(segment.value);
        ASSERT_EQ(places.size(), count);
        for (int i = 0; i < count; ++i) EXPECT_EQ(places[i], QString("/f%1").arg(i));
        EXPECT_TRUE(plainText(joined).endsWith(QString(", and f%1").arg(count - 1)));
    }
}

TEST(JoinedLists, KeepTextsWholeWhateverTheyHold)
{
    struct Case {
        QStringList items;
        const char* expected;
    };
    const Case cases[] = {
        {{}, ""},
        {{"Work"}, "Work"},
        {{"Work", "Red"}, "Work and Red"},
        {{"Paid", "Work", "Urgent"}, "Paid, Work, and Urgent"},
        {{"a, b", "c"}, "a, b and c"},
        {{"%1", "{x}", marker(0)}, "%1, {x}, and \uE000"},
    };
    for (const Case& c : cases) EXPECT_EQ(joinedStrings(c.items), QString::fromUtf8(c.expected)) << c.expected;
}

TEST(PlainText, FlattensPlacesToTheirNames)
{
    struct Case {
        const char* name;
        Sentence sentence;
        QString expected;
    };
    const Case cases[] = {
        {"a text and a place", {Segment::text("Moved to "), Segment::place("/Users/ann/Invoices")}, "Moved to Invoices"},
        {"a folder with a slash at its end", {Segment::place("/srv/Invoices/")}, "Invoices"},
        {"the home folder", {Segment::place("~")}, kHomeName},
        {"inside the home folder", {Segment::place("~/Documents")}, "Documents"},
        {"the root", {Segment::place("/")}, "/"},
        {"an empty place", {Segment::text("a"), Segment::place("")}, "a"},
        {"patterns and texts unchanged", {Segment::pattern("{name} {added:yyyy}"), Segment::text(" b")},
         "{name} {added:yyyy} b"},
        {"no separator between texts", {Segment::text("a"), Segment::text("b")}, "ab"},
        {"empty", {}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(plainText(c.sentence), c.expected) << c.name;
}

TEST(PlainText, AccessibilityReadsPlacesAsFolders)
{
    EXPECT_EQ(accessibilityText(Segment::text("move to ")), "move to ");
    EXPECT_EQ(accessibilityText(Segment::pattern("{name}")), "{name}");
    EXPECT_EQ(accessibilityText(Segment::place("~/Invoices")), "Invoices folder");
    EXPECT_EQ(accessibilityText(Sentence{Segment::text("copy to "), Segment::place("/a/B"), Segment::text("!")}),
              "copy to B folder!");
    EXPECT_EQ(revealActionName("~/Invoices"), "Show Invoices in File Manager");
    EXPECT_EQ(revealActionName("/tmp/%1 " + marker(0)), "Show %1 " + marker(0) + " in File Manager");
}

TEST(Capitalizing, UpperCasesTheFirstCharacterOfALeadingText)
{
    struct Case {
        const char* name;
        Sentence sentence;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", words("moved to "), "Moved to "},
        {"only the first segment", {Segment::text("a"), Segment::text("b")}, "A|b"},
        {"sharp s becomes two letters", words("ßig"), "SSig"},
        {"a combined character stays whole", words("e\u0301te"), "E\u0301te"},
        {"outside the first plane", words("\U00010428x"), "\U00010400x"},
        {"a place first is unchanged", {Segment::place("~/a"), Segment::text("b")}, "[place:~/a]|b"},
        {"a pattern first is unchanged", pattern("x"), "[pattern:x]"},
        {"an empty first text stays", {Segment::text(""), Segment::text("b")}, "|b"},
        {"already capital", words("Done"), "Done"},
        {"empty", {}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(described(capitalizingFirstLetter(c.sentence)), c.expected) << c.name;
}

TEST(Segments, CompareAndHashByKindAndText)
{
    EXPECT_EQ(Segment::text("a"), Segment::text("a"));
    EXPECT_NE(Segment::text("a"), Segment::place("a"));
    EXPECT_NE(Segment::place("a"), Segment::pattern("a"));
    QSet<Segment> set{Segment::text("a"), Segment::place("a"), Segment::pattern("a"), Segment::text("a")};
    EXPECT_EQ(set.size(), 3);
}
