#include "OlvaApp/Model/Explained.h"

namespace olva::app {

std::optional<std::size_t> Explained::winner() const
{
    for (std::size_t i = 0; i < rules.size(); ++i)
        if (rules[i].alreadyApplied || rules[i].outcome.pass) return i;
    return std::nullopt;
}

std::optional<Unwatched> unwatchedReason(const Config&, const Folder&, const std::filesystem::path&)
{
    return std::nullopt;
}

}  // namespace olva::app
