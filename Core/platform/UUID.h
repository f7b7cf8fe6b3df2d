// Identifiers in their standard text form, upper-case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace olva::platform {

// A fresh random identifier, e.g. "1B4E28BA-2FA1-11D2-883F-0016D3CCA427".
std::string newUUID();

// The upper-case form of an identifier written in either case; nothing when
// the text is not one.
std::optional<std::string> canonicalUUID(std::string_view text);

}  // namespace olva::platform
