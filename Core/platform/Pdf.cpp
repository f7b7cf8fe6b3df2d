#include "Core/platform/Pdf.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace olva::platform {

namespace {

// Damaged documents make poppler complain on standard error; their text is
// simply empty here.
void quietPoppler()
{
    static std::once_flag once;
    std::call_once(once, [] { poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr); });
}

std::string utf8(const poppler::ustring& text)
{
    poppler::byte_array bytes = text.to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

struct PdfDocument::Impl {
    std::unique_ptr<poppler::document> document;
};

PdfDocument::PdfDocument(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PdfDocument::~PdfDocument() = default;

std::unique_ptr<PdfDocument> PdfDocument::open(const std::filesystem::path& path)
{
    quietPoppler();
    std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path.string()));
    if (!document || document->is_locked()) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->document = std::move(document);
    return std::unique_ptr<PdfDocument>(new PdfDocument(std::move(impl)));
}

int PdfDocument::pageCount() const
{
    return impl_->document->pages();
}

std::string PdfDocument::text() const
{
    std::string text;
    int count = pageCount();
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<poppler::page> page(impl_->document->create_page(i));
        if (i > 0) text += '\n';
        if (page) text += utf8(page->text());
    }
    return text;
}

std::optional<GrayImage> PdfDocument::renderPage(int index, double longSide, double minimumSide) const
{
    std::unique_ptr<poppler::page> page(impl_->document->create_page(index));
    if (!page) return std::nullopt;
    poppler::rectf box = page->page_rect(poppler::media_box);
    double scale = longSide / std::max({box.width(), box.height(), minimumSide});
    if (!std::isfinite(scale) || scale <= 0) return std::nullopt;
    poppler::page_renderer renderer;
    renderer.set_image_format(poppler::image::format_gray8);
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    // Points are 1/72 inch.
    double dpi = 72.0 * scale;
    poppler::image picture = renderer.render_page(page.get(), dpi, dpi);
    if (!picture.is_valid() || picture.width() <= 0 || picture.height() <= 0) return std::nullopt;
    GrayImage image;
    image.width = picture.width();
    image.height = picture.height();
    image.bytesPerLine = picture.bytes_per_row();
    image.resolution = static_cast<int>(std::lround(dpi));
    const char* data = picture.const_data();
    image.pixels.assign(data, data + static_cast<std::size_t>(image.bytesPerLine) * image.height);
    return image;
}

}  // namespace olva::platform
