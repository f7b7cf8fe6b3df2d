#include "Core/evaluate/Evaluator.h"
#include "Core/facts/FileInfo.h"
#include "Core/facts/TextExtraction.h"
#include "tests/facts/Fixtures.h"

#include <sys/stat.h>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

std::string textOf(const fs::path& path)
{
    return FileInfo(path).contents();
}

// Whether all the conditions hold on a file now, and what they show.
Outcome contentsOf(FileInfo& file, std::vector<Node> conditions)
{
    return evaluate(Group{Group::Mode::all, std::move(conditions)}, file, currentDate());
}

}  // namespace

using Extraction = InFolder;

TEST_F(Extraction, PdfWithItsOwnText)
{
    writeTextPdf(dir / "a.pdf", {{{"Invoice number 4711", "Total due"}}, {{"Second page here"}}});
    std::string text = textOf(dir / "a.pdf");
    EXPECT_NE(text.find("Invoice number 4711"), std::string::npos) << text;
    EXPECT_NE(text.find("Second page here"), std::string::npos) << text;
}

TEST_F(Extraction, ShortPdfTextCountsAsAScan)
{
    // Twenty visible characters, white on white: the PDF's own text stands.
    writeTextPdf(dir / "twenty.pdf", {{{"abcde fghij", "klmno pqrst"}, true}});
    EXPECT_EQ(simplified(textOf(dir / "twenty.pdf")), "abcdefghij\nklmnopqrst");
    // Nineteen: recognised instead, and recognition sees nothing.
    writeTextPdf(dir / "nineteen.pdf", {{{"abcde fghij", "klmno pqrs"}, true}});
    EXPECT_EQ(textOf(dir / "nineteen.pdf"), "");
}

TEST_F(Extraction, ScannedPdfFirstThreePagesRecognised)
{
    writeScannedPdf(dir / "scan.pdf", {{"First page"}, {"Second page"}, {"Third page"}, {"Fourth page"}});
    EXPECT_EQ(simplified(textOf(dir / "scan.pdf")), "firstpage\nsecondpage\nthirdpage");
}

TEST_F(Extraction, ImageTextIsRecognised)
{
    writeTextImage(dir / "shot.png", {"Quarterly report", "Invoice 2024"});
    EXPECT_EQ(simplified(textOf(dir / "shot.png")), "quarterlyreport\ninvoice2024");
    writeTextImage(dir / "shot.jpg", {"Hello world"});
    EXPECT_EQ(simplified(textOf(dir / "shot.jpg")), "helloworld");
}

TEST_F(Extraction, PlainTextUpToTheSizeLimit)
{
    std::string atLimit(static_cast<std::size_t>(plainTextLimit), 'a');
    atLimit.replace(0, 5, "hello");
    std::string read = textOf(make("limit.txt", atLimit));
    EXPECT_EQ(read.size(), static_cast<std::size_t>(plainTextLimit));
    EXPECT_EQ(read.substr(0, 5), "hello");
    EXPECT_EQ(textOf(make("over.txt", atLimit + "a")), "");
    // Source code is plain text too.
    EXPECT_EQ(textOf(make("main.c", "int main() { return 0; }\n")), "int main() { return 0; }\n");
}

TEST_F(Extraction, InvalidUtf8BecomesReplacementCharacters)
{
    EXPECT_EQ(textOf(make("latin1.txt", "caf\xe9 cr\xe8me \xc3\xa9")), "caf\uFFFD cr\uFFFDme \u00e9");
    EXPECT_EQ(textOf(make("cut.txt", "ab\xe2\x82")), "ab\uFFFD");
}

TEST_F(Extraction, OtherFilesHaveNoText)
{
    fs::path song = make("song.mp3", "ID3 not really");
    EXPECT_EQ(textOf(song), "");
    EXPECT_EQ(textOf(make("blob.bin", std::string("\x00\x01\x02\x03", 4))), "");
    EXPECT_EQ(extractText(song, std::nullopt), "");
    EXPECT_TRUE(FileInfo(song).contentDates().empty());
}

TEST_F(Extraction, DamagedDocumentsHaveNoText)
{
    EXPECT_EQ(extractText(make("broken.pdf", "%PDF-1.4\n1 0 obj << /Type /Catalog >> garbage"), ContentType::pdf()), "");
    EXPECT_EQ(extractText(make("broken.png", "\x89PNG\r\n\x1a\n not an image at all"), ContentType::named("image/png")),
              "");
    EXPECT_EQ(extractText(make("empty.pdf"), ContentType::pdf()), "");
    EXPECT_EQ(extractText(dir / "missing.pdf", ContentType::pdf()), "");
}

// A FIFO, a device or a link to one is never opened: reading one would
// block the engine or never end.
TEST_F(Extraction, OnlyRegularFilesAreRead)
{
    fs::path fifo = dir / "pipe.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, dir / "link.txt");
    fs::create_symlink("/dev/zero", dir / "zero.txt");
    fs::create_symlink("/dev/zero", dir / "zero.pdf");
    fs::create_symlink("/dev/urandom", dir / "noise.png");
    auto text = ContentType::named("text/plain");
    for (const char* name : {"pipe.txt", "link.txt", "zero.txt"}) EXPECT_EQ(extractText(dir / name, text), "") << name;
    EXPECT_EQ(extractText(dir / "zero.pdf", ContentType::pdf()), "");
    EXPECT_EQ(extractText(dir / "noise.png", ContentType::image()), "");
    EXPECT_EQ(FileInfo(dir / "link.txt").contents(), "");
    // A link to a regular file is read.
    fs::create_symlink(make("real.txt", "linked text"), dir / "alias.txt");
    EXPECT_EQ(FileInfo(dir / "alias.txt").contents(), "linked text");
}

// Recognition is bounded in pixels: an image too large to decode gives no
// text at once, and a large one is scaled down and still read.
TEST_F(Extraction, HugeImagesAreNotDecoded)
{
    // A PNG header that claims 60000 x 60000 pixels, with no data behind it.
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string("\x00\x00\x00\x0dIHDR", 8);
    png += std::string("\x00\x00\xea\x60\x00\x00\xea\x60\x08\x00\x00\x00\x00", 13);
    png += std::string("\x00\x00\x00\x00", 4);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(extractText(make("bomb.png", png), ContentType::image()), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, hangGuard) << "it was decoded";

    // 6000 x 3000 = 18 million pixels: above the recognition bound.
    writeTextImage(dir / "wide.png", {"Large picture text"}, 6000, 3000);
    EXPECT_NE(simplified(textOf(dir / "wide.png")).find("largepicturetext"), std::string::npos);
}

TEST_F(Extraction, TextIsExtractedOnceAndCanBeHandedIn)
{
    FileInfo info(make("a.txt", "first"));
    EXPECT_FALSE(info.extractedText().has_value());
    EXPECT_EQ(info.contents(), "first");
    make("a.txt", "second");
    EXPECT_EQ(info.contents(), "first");

    FileInfo handed(dir / "a.txt");
    handed.setExtractedText("from an earlier pass");
    EXPECT_EQ(handed.contents(), "from an earlier pass");
}

using ContentsCondition = InFolder;

TEST_F(ContentsCondition, SnippetAroundTheFirstMatch)
{
    pinLocaleAndZone("en_US", "America/New_York");
    std::string before = "0123\n56789";  // ten characters
    std::string after = " and thirty more characters ab\ncdefgh";  // thirty before the line feed
    FileInfo info(make("a.txt", before + "Invoice" + after + " invoice again"));
    Outcome outcome = contentsOf(info, {Condition{Attr::contents, Op::contains, "invoice"}});
    ASSERT_EQ(outcome.checks.size(), 1u);
    EXPECT_TRUE(outcome.pass);
    EXPECT_EQ(outcome.checks[0].actual, "…0123 56789Invoice and thirty more characters ab…");

    // Every operator shows the first plain occurrence; matches its match.
    Evaluator evaluator(info, currentDate());
    EXPECT_EQ(shown(evaluator.testContents(Op::startsWith, "invoice")), "fails: " + outcome.checks[0].actual);
    EXPECT_TRUE(evaluator.testContents(Op::startsWith, "0123").pass);
    EXPECT_TRUE(evaluator.testContents(Op::endsWith, "AGAIN").pass);
    EXPECT_EQ(shown(evaluator.testContents(Op::matches, "inv\\w+ again")),
              "holds: …rty more characters ab cdefgh invoice again…");
    EXPECT_EQ(shown(evaluator.testContents(Op::contains, "receipt")), "fails: no match in 68 characters");
    EXPECT_TRUE(evaluator.testContents(Op::notContains, "receipt").pass);
    EXPECT_FALSE(evaluator.testContents(Op::is, "invoice").pass);
    EXPECT_FALSE(evaluator.testContents(Op::gt, "invoice").pass);
}

TEST_F(ContentsCondition, CountsCharactersNotBytes)
{
    // Each flag is one character made of two code points and four UTF-16 units.
    auto flags = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "\U0001F1E9\U0001F1EA";
        return text;
    };
    FileInfo info(make("flags.txt", flags(40) + "é" + flags(40)));
    Evaluator evaluator(info, currentDate());
    EXPECT_EQ(shown(evaluator.testContents(Op::contains, "E")), "holds: …" + flags(30) + "é" + flags(30) + "…");
    EXPECT_EQ(evaluator.testContents(Op::contains, "x").actual, "no match in 81 characters");
}

TEST_F(ContentsCondition, FileWithoutTextFindsNothing)
{
    FileInfo info(make("a.bin", std::string("\x01\x02", 2)));
    Evaluator evaluator(info, currentDate());
    EXPECT_EQ(shown(evaluator.testContents(Op::contains, "x")), "fails: no match in 0 characters");
    EXPECT_EQ(shown(evaluator.testContents(Op::notContains, "x")), "holds: no match in 0 characters");
}

TEST_F(ContentsCondition, DocumentsOfEveryKind)
{
    pinLocaleAndZone("en_US", "America/New_York");
    writeTextPdf(dir / "invoice.pdf", {{{"ACME Corporation", "Invoice date: 2024-03-15", "Amount due"}}});
    writeScannedPdf(dir / "scan.pdf", {{"Scanned receipt"}});
    writeTextImage(dir / "board.png", {"Meeting notes"});
    struct Case {
        const char* file;
        Op op;
        const char* value;
        bool holds;
    } cases[] = {
        {"invoice.pdf", Op::contains, "invoice DATE", true},
        {"invoice.pdf", Op::matches, "\\d{4}-\\d{2}-\\d{2}", true},
        {"scan.pdf", Op::contains, "receipt", true},
        {"board.png", Op::contains, "meeting", true},
        {"board.png", Op::contains, "invoice", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.value);
        FileInfo info(dir / c.file);
        EXPECT_EQ(contentsOf(info, {Condition{Attr::contents, c.op, c.value}}).pass, c.holds);
    }

    // Several conditions on the contents extract the text once.
    FileInfo info(dir / "scan.pdf");
    EXPECT_TRUE(contentsOf(info, {Condition{Attr::contents, Op::contains, "scanned"},
                                  Condition{Attr::contents, Op::notContains, "invoice"}})
                    .pass);
    EXPECT_TRUE(info.extractedText().has_value());
}
