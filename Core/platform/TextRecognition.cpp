#include "Core/platform/TextRecognition.h"

#include <dlfcn.h>
#include <leptonica/allheaders.h>
#include <tesseract/capi.h>

#include <cmath>
#include <memory>
#include <mutex>

namespace olva::platform {

namespace {

// Tesseract and leptonica, with all the libraries they bring, take longer to
// load than the rest of the program, and most runs recognise nothing: they
// are opened on first use, by the names the Debian packages give them.
struct Libraries {
    decltype(&::setMsgSeverity) silence = nullptr;
    decltype(&::pixReadHeader) readHeader = nullptr;
    decltype(&::pixRead) readPix = nullptr;
    decltype(&::pixScale) scalePix = nullptr;
    decltype(&::pixDestroy) destroyPix = nullptr;
    decltype(&TessBaseAPICreate) create = nullptr;
    decltype(&TessBaseAPIDelete) destroy = nullptr;
    decltype(&TessBaseAPISetVariable) setVariable = nullptr;
    decltype(&TessBaseAPIInit2) init = nullptr;
    decltype(&TessBaseAPISetPageSegMode) setPageSegMode = nullptr;
    decltype(&TessBaseAPISetImage) setImage = nullptr;
    decltype(&TessBaseAPISetImage2) setPix = nullptr;
    decltype(&TessBaseAPISetSourceResolution) setSourceResolution = nullptr;
    decltype(&TessBaseAPIRecognize) recognize = nullptr;
    decltype(&TessBaseAPIGetIterator) iterator = nullptr;
    decltype(&TessResultIteratorGetUTF8Text) lineText = nullptr;
    decltype(&TessResultIteratorNext) next = nullptr;
    decltype(&TessResultIteratorDelete) deleteIterator = nullptr;
    decltype(&TessDeleteText) deleteText = nullptr;
    decltype(&TessBaseAPIClear) clear = nullptr;
    decltype(&TessBaseAPIEnd) end = nullptr;
    bool loaded = false;

    Libraries()
    {
        void* lept = dlopen("liblept.so.5", RTLD_NOW | RTLD_LOCAL);
        void* tess = lept ? dlopen("libtesseract.so.5", RTLD_NOW | RTLD_LOCAL) : nullptr;
        if (!tess) return;
        loaded = find(lept, "setMsgSeverity", silence) && find(lept, "pixReadHeader", readHeader)
            && find(lept, "pixRead", readPix) && find(lept, "pixScale", scalePix)
            && find(lept, "pixDestroy", destroyPix) && find(tess, "TessBaseAPICreate", create)
            && find(tess, "TessBaseAPIDelete", destroy) && find(tess, "TessBaseAPISetVariable", setVariable)
            && find(tess, "TessBaseAPIInit2", init) && find(tess, "TessBaseAPISetPageSegMode", setPageSegMode)
            && find(tess, "TessBaseAPISetImage", setImage) && find(tess, "TessBaseAPISetImage2", setPix)
            && find(tess, "TessBaseAPISetSourceResolution", setSourceResolution)
            && find(tess, "TessBaseAPIRecognize", recognize) && find(tess, "TessBaseAPIGetIterator", iterator)
            && find(tess, "TessResultIteratorGetUTF8Text", lineText) && find(tess, "TessResultIteratorNext", next)
            && find(tess, "TessResultIteratorDelete", deleteIterator) && find(tess, "TessDeleteText", deleteText)
            && find(tess, "TessBaseAPIClear", clear) && find(tess, "TessBaseAPIEnd", end);
    }

    template <typename Function>
    static bool find(void* library, const char* name, Function& function)
    {
        function = reinterpret_cast<Function>(dlsym(library, name));
        return function != nullptr;
    }
};

struct PixDeleter {
    decltype(&::pixDestroy) destroy;
    void operator()(Pix* pix) const { destroy(&pix); }
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

    const Libraries& libraries() const { return lib_; }

    template <typename SetImage>
    std::optional<std::string> run(SetImage setImage)
    {
        std::lock_guard lock(mutex_);
        if (!ready_) return std::nullopt;
        setImage(lib_, api_);
        std::optional<std::string> result;
        if (lib_.recognize(api_, nullptr) == 0) result = lines();
        lib_.clear(api_);
        return result;
    }

private:
    Recognizer()
    {
        if (!lib_.loaded) return;
        lib_.silence(L_SEVERITY_NONE);
        api_ = lib_.create();
        if (!api_) return;
        // Progress and warnings go nowhere: a recognition either gives text
        // or it does not.
        lib_.setVariable(api_, "debug_file", "/dev/null");
        ready_ = lib_.init(api_, nullptr, "eng", tesseract::OEM_LSTM_ONLY) == 0;
        if (ready_) lib_.setPageSegMode(api_, tesseract::PSM_AUTO);
    }

    ~Recognizer()
    {
        if (!api_) return;
        lib_.end(api_);
        lib_.destroy(api_);
    }

    std::string lines()
    {
        std::string text;
        auto deleteIterator = [this](TessResultIterator* it) { lib_.deleteIterator(it); };
        std::unique_ptr<TessResultIterator, decltype(deleteIterator)> it(lib_.iterator(api_), deleteIterator);
        if (!it) return text;
        bool first = true;
        do {
            // Nothing at an empty line.
            char* line = lib_.lineText(it.get(), tesseract::RIL_TEXTLINE);
            if (!line) continue;
            std::string value(line);
            lib_.deleteText(line);
            while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) value.pop_back();
            if (value.empty()) continue;
            if (!first) text += '\n';
            text += value;
            first = false;
        } while (lib_.next(it.get(), tesseract::RIL_TEXTLINE));
        return text;
    }

    std::mutex mutex_;
    Libraries lib_;
    TessBaseAPI* api_ = nullptr;
    bool ready_ = false;
};

}  // namespace

std::optional<std::string> recognizeText(const GrayImage& image)
{
    if (image.width <= 0 || image.height <= 0) return std::nullopt;
    if (static_cast<std::int64_t>(image.width) * image.height > maximumDecodedPixels) return std::nullopt;
    return Recognizer::shared().run([&](const Libraries& lib, TessBaseAPI* api) {
        lib.setImage(api, image.pixels.data(), image.width, image.height, 1, image.bytesPerLine);
        if (image.resolution > 0) lib.setSourceResolution(api, image.resolution);
    });
}

std::optional<std::string> recognizeText(const std::filesystem::path& imageFile)
{
    Recognizer& recognizer = Recognizer::shared();  // also silences leptonica
    const Libraries& lib = recognizer.libraries();
    if (!lib.loaded) return std::nullopt;
    l_int32 format = 0, width = 0, height = 0, bps = 0, spp = 0, colormap = 0;
    // The header tells the size before anything is decoded, so a huge or
    // hostile image costs nothing.
    if (lib.readHeader(imageFile.c_str(), &format, &width, &height, &bps, &spp, &colormap) != 0)
        return std::nullopt;
    std::int64_t pixels = static_cast<std::int64_t>(width) * height;
    if (width <= 0 || height <= 0 || pixels > maximumDecodedPixels) return std::nullopt;
    PixPtr pix(lib.readPix(imageFile.c_str()), PixDeleter{lib.destroyPix});
    if (!pix) return std::nullopt;
    if (pixels > maximumRecognisedPixels) {
        float factor = static_cast<float>(std::sqrt(static_cast<double>(maximumRecognisedPixels) / pixels));
        PixPtr smaller(lib.scalePix(pix.get(), factor, factor), PixDeleter{lib.destroyPix});
        if (!smaller) return std::nullopt;
        pix = std::move(smaller);
    }
    return recognizer.run([&](const Libraries& l, TessBaseAPI* api) { l.setPix(api, pix.get()); });
}

}  // namespace olva::platform
