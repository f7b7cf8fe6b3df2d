// Base64 text of bytes, as the rules file stores bookmark data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olva {

std::string base64Encode(const std::vector<std::uint8_t>& bytes);
// Strict: padded, no whitespace. Nothing when the text is not Base64.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

}  // namespace olva
