// UTF-8 checks and repairs.
#pragma once

#include <string>
#include <string_view>

namespace olva {

bool isValidUTF8(std::string_view bytes);

// Each invalid sequence becomes U+FFFD.
std::string decodeUTF8Repairing(std::string_view bytes);

}  // namespace olva
