// The library's own error: one user-facing sentence, shown unchanged.
#pragma once

#include <stdexcept>
#include <string>

namespace olva {

class ActionError : public std::runtime_error {
public:
    explicit ActionError(const std::string& description) : std::runtime_error(description) {}

    std::string description() const { return what(); }
};

}  // namespace olva
