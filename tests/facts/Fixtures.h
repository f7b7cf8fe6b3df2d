// Files the facts tests read, made on the spot: PDFs written by hand, text
// drawn into images and scanned PDFs, recent-files lists.
#pragma once

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace olva::test {

// A fresh folder to make files in.
class InFolder : public ::testing::Test {
protected:
    // A file of the folder holding `bytes`.
    std::filesystem::path make(const std::string& name, const std::string& bytes = "")
    {
        writeFile(dir / name, bytes);
        return dir / name;
    }

    TempDir dir;
};

// A check, or an evaluator's result, as it reads: "holds: " or "fails: ",
// then the file's value.
template <typename Result>
std::string shown(const Result& result)
{
    return (result.pass ? "holds: " : "fails: ") + result.actual;
}

// The user's locale (LC_ALL and ICU's default) and time zone (ICU's and TZ)
// for the rest of the program.
void pinLocaleAndZone(const std::string& locale, const std::string& zone);

struct PdfPage {
    std::vector<std::string> lines;  // ASCII
    bool invisible = false;          // white on white: there, but not seen
};
// A PDF with real text, one page per entry.
void writeTextPdf(const std::filesystem::path& path, const std::vector<PdfPage>& pages);

// A white image with the lines drawn in black, saved in the format the
// extension names.
void writeTextImage(const std::filesystem::path& path, const std::vector<std::string>& lines, int width = 1400,
                    int height = 0);

// A PDF made only of pictures of text, one page per entry.
void writeScannedPdf(const std::filesystem::path& path, const std::vector<std::vector<std::string>>& pages);

// A recent-files list; each entry is an href and its visited/modified stamps.
struct RecentEntry {
    std::string href;
    std::string visited;
    std::string modified;
};
void writeRecentFiles(const std::filesystem::path& path, const std::vector<RecentEntry>& entries);

// The text recognised from images is close to, not always exactly, what
// was drawn: compare with letters and digits only, lower-cased.
std::string simplified(const std::string& text);

}  // namespace olva::test
