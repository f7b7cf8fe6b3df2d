#include "Core/TextExtraction.h"

namespace olva {

std::string extractText(const std::filesystem::path&, const std::optional<ContentType>&)
{
    return {};
}

}  // namespace olva
