#include "Core/FileInfo.h"
#include "Core/TextExtraction.h"
#include "tests/facts/Fixtures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

std::string textOf(const fs::path& path)
{
    return FileInfo(path).contents();
}

}  // namespace

TEST(Extraction, PdfWithItsOwnText)
{
    TempDir dir;
    writeTextPdf(dir / "a.pdf", {{{"Invoice number 4711", "Total due"}}, {{"Second page here"}}});
    std::string text = textOf(dir / "a.pdf");
    EXPECT_NE(text.find("Invoice number 4711"), std::string::npos) << text;
    EXPECT_NE(text.find("Second page here"), std::string::npos) << text;
}

TEST(Extraction, ShortPdfTextCountsAsAScan)
{
    TempDir dir;
    // Twenty visible characters, white on white: the PDF's own text stands.
    writeTextPdf(dir / "twenty.pdf", {{{"abcde fghij", "klmno pqrst"}, true}});
    EXPECT_EQ(simplified(textOf(dir / "twenty.pdf")), "abcdefghij\nklmnopqrst");
    // Nineteen: recognised instead, and recognition sees nothing.
    writeTextPdf(dir / "nineteen.pdf", {{{"abcde fghij", "klmno pqrs"}, true}});
    EXPECT_EQ(textOf(dir / "nineteen.pdf"), "");
}

TEST(Extraction, ScannedPdfFirstThreePagesRecognised)
{
    TempDir dir;
    writeScannedPdf(dir / "scan.pdf", {{"First page"}, {"Second page"}, {"Third page"}, {"Fourth page"}});
    EXPECT_EQ(simplified(textOf(dir / "scan.pdf")), "firstpage\nsecondpage\nthirdpage");
}

TEST(Extraction, ImageTextIsRecognised)
{
    TempDir dir;
    writeTextImage(dir / "shot.png", {"Quarterly report", "Invoice 2024"});
    EXPECT_EQ(simplified(textOf(dir / "shot.png")), "quarterlyreport\ninvoice2024");
    writeTextImage(dir / "shot.jpg", {"Hello world"});
    EXPECT_EQ(simplified(textOf(dir / "shot.jpg")), "helloworld");
}
