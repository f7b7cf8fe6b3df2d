// Text recognition with tesseract (English, LSTM engine). The recognised
// lines are joined with line feeds; nothing when recognition fails.
#pragma once

#include "Core/platform/Pdf.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace olva::platform {

// Images larger than this are not even decoded: they give no text.
inline constexpr std::int64_t maximumDecodedPixels = 50'000'000;
// Larger images are scaled down to this many pixels before recognition.
inline constexpr std::int64_t maximumRecognisedPixels = 16'000'000;

std::optional<std::string> recognizeText(const GrayImage& image);
// An image file in any format leptonica reads (PNG, JPEG, TIFF, GIF, WebP,
// BMP, PNM...).
std::optional<std::string> recognizeText(const std::filesystem::path& imageFile);

}  // namespace olva::platform
