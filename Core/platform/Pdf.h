// PDF documents through poppler: their text and pictures of their pages.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace olva::platform {

// Eight-bit grey pixels, row after row.
struct GrayImage {
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;
    int resolution = 0;  // pixels per inch the page was drawn at
    std::vector<unsigned char> pixels;
};

class PdfDocument {
public:
    // Nothing when the file is no PDF, is damaged or needs a password.
    static std::unique_ptr<PdfDocument> open(const std::filesystem::path& path);
    ~PdfDocument();

    int pageCount() const;
    // The text of every page, pages separated by a line feed.
    std::string text() const;
    // The page drawn so that its media box's longer side takes longSide
    // pixels (sides below minimumSide count as minimumSide); nothing when
    // the page cannot be fetched or drawn.
    std::optional<GrayImage> renderPage(int index, double longSide, double minimumSide) const;

private:
    struct Impl;
    explicit PdfDocument(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace olva::platform
