#include "Core/platform/TextRecognition.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <cmath>
#include <memory>
#include <mutex>

namespace olva::platform {

namespace {

struct PixDeleter {
    void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

// One engine for the process: loading the language model takes a while,
// and recognition runs one image at a time.
class Recognizer {
public:
    static Recognizer& shared()
    {
        static Recognizer recognizer;
        return recognizer;
    }

    template <typename SetImage>
    std::optional<std::string> run(SetImage setImage)
    {
        std::lock_guard lock(mutex_);
        if (!ready_) return std::nullopt;
        setImage(api_);
        std::optional<std::string> result;
        if (api_.Recognize(nullptr) == 0) result = lines();
        api_.Clear();
        return result;
    }

private:
    Recognizer()
    {
        setMsgSeverity(L_SEVERITY_NONE);
        // Progress and warnings go nowhere: a recognition either gives text
        // or it does not.
        api_.SetVariable("debug_file", "/dev/null");
        ready_ = api_.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) == 0;
        if (ready_) api_.SetPageSegMode(tesseract::PSM_AUTO);
    }
    ~Recognizer() { api_.End(); }

    std::string lines()
    {
        std::string text;
        std::unique_ptr<tesseract::ResultIterator> it(api_.GetIterator());
        if (!it) return text;
        bool first = true;
        do {
            if (it->Empty(tesseract::RIL_TEXTLINE)) continue;
            std::unique_ptr<char[]> line(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            if (!line) continue;
            std::string value(line.get());
            while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) value.pop_back();
            if (value.empty()) continue;
            if (!first) text += '\n';
            text += value;
            first = false;
        } while (it->Next(tesseract::RIL_TEXTLINE));
        return text;
    }

    std::mutex mutex_;
    tesseract::TessBaseAPI api_;
    bool ready_ = false;
};

}  // namespace

std::optional<std::string> recognizeText(const GrayImage& image)
{
    if (image.width <= 0 || image.height <= 0) return std::nullopt;
    if (static_cast<std::int64_t>(image.width) * image.height > maximumDecodedPixels) return std::nullopt;
    return Recognizer::shared().run([&](tesseract::TessBaseAPI& api) {
        api.SetImage(image.pixels.data(), image.width, image.height, 1, image.bytesPerLine);
        if (image.resolution > 0) api.SetSourceResolution(image.resolution);
    });
}

std::optional<std::string> recognizeText(const std::filesystem::path& imageFile)
{
    Recognizer& recognizer = Recognizer::shared();  // also silences leptonica
    l_int32 format = 0, width = 0, height = 0, bps = 0, spp = 0, colormap = 0;
    // The header tells the size before anything is decoded, so a huge or
    // hostile image costs nothing.
    if (pixReadHeader(imageFile.c_str(), &format, &width, &height, &bps, &spp, &colormap) != 0) return std::nullopt;
    std::int64_t pixels = static_cast<std::int64_t>(width) * height;
    if (width <= 0 || height <= 0 || pixels > maximumDecodedPixels) return std::nullopt;
    PixPtr pix(pixRead(imageFile.c_str()));
    if (!pix) return std::nullopt;
    if (pixels > maximumRecognisedPixels) {
        float factor = static_cast<float>(std::sqrt(static_cast<double>(maximumRecognisedPixels) / pixels));
        PixPtr smaller(pixScale(pix.get(), factor, factor));
        if (!smaller) return std::nullopt;
        pix = std::move(smaller);
    }
    return recognizer.run([&](tesseract::TessBaseAPI& api) { api.SetImage(pix.get()); });
}

}  // namespace olva::platform
