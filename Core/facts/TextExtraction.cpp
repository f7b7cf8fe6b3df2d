#include "Core/facts/TextExtraction.h"

#include "Core/base/UTF8.h"
#include "Core/platform/Pdf.h"
#include "Core/platform/RegularFile.h"
#include "Core/platform/TextRecognition.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>

namespace olva {

namespace {

// A PDF whose own text has fewer characters than this, blanks aside, is a scan.
constexpr std::size_t scannedThreshold = 20;
constexpr int recognisedPages = 3;
constexpr double renderSize = 2000;
constexpr double minimumPageSide = 1.0;

// Characters that are not white space, stopping once the threshold is
// reached: only whether a document has that much text matters.
std::size_t visibleCharacters(const std::string& text, std::size_t enough)
{
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) return 0;
    it->setText(unicode);
    std::size_t count = 0;
    for (int32_t start = it->first(), end = it->next(); end != icu::BreakIterator::DONE && count < enough;
         start = end, end = it->next()) {
        bool blank = true;
        for (int32_t i = start; i < end && blank; i = unicode.moveIndex32(i, 1))
            blank = u_isUWhiteSpace(unicode.char32At(i));
        if (!blank) ++count;
    }
    return count;
}

std::string pdfText(const platform::RegularFile& file, const std::stop_token& stop)
{
    auto document = platform::PdfDocument::open(file.descriptorPath());
    if (!document) return {};
    std::string own = document->text();
    if (visibleCharacters(own, scannedThreshold) >= scannedThreshold) return own;

    std::string text;
    bool any = false;
    int pages = std::min(document->pageCount(), recognisedPages);
    for (int i = 0; i < pages && !stop.stop_requested(); ++i) {
        auto image = document->renderPage(i, renderSize, minimumPageSide);
        if (!image || stop.stop_requested()) continue;
        auto recognised = platform::recognizeText(*image);
        if (!recognised) continue;
        if (any) text += '\n';
        text += *recognised;
        any = true;
    }
    return text;
}

}  // namespace

std::string extractText(const std::filesystem::path& url, const std::optional<ContentType>& type,
                        std::stop_token stop)
{
    if (!type || stop.stop_requested()) return {};
    bool pdf = type->conformsTo(ContentType::pdf());
    bool image = !pdf && type->conformsTo(ContentType::image());
    bool text = !pdf && !image && type->conformsTo(ContentType::text());
    if (!pdf && !image && !text) return {};

    // Only regular files are read: a FIFO or a device would block or have
    // no end.
    auto file = platform::RegularFile::open(url);
    if (!file) return {};
    if (pdf) return pdfText(*file, stop);
    if (image) return platform::recognizeText(file->descriptorPath()).value_or(std::string());

    if (file->size() > plainTextLimit) return {};
    auto bytes = file->read(plainTextLimit + 1);
    if (!bytes || static_cast<std::int64_t>(bytes->size()) > plainTextLimit) return {};
    return decodeUTF8Repairing(*bytes);
}

}  // namespace olva
