#include "Core/base/DecodingError.h"

namespace olva {
namespace {

std::string sentence(DecodingError::Kind kind, const std::string& path, const std::string& detail)
{
    std::string text = "the data couldn’t be read because ";
    switch (kind) {
    case DecodingError::Kind::keyNotFound: text += "it is missing: "; break;
    case DecodingError::Kind::typeMismatch:
    case DecodingError::Kind::dataCorrupted: text += "it isn’t in the correct format: "; break;
    }
    text += detail;
    if (!path.empty()) text += " (at " + path + ")";
    return text;
}

}  // namespace

DecodingError::DecodingError(Kind kind, std::string path, std::string detail)
    : std::runtime_error(sentence(kind, path, detail)), kind_(kind), path_(std::move(path)),
      detail_(std::move(detail))
{
}

}  // namespace olva
