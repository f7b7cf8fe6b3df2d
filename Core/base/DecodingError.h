// Why a JSON document could not be turned into a value.
#pragma once

#include <stdexcept>
#include <string>

namespace olva {

class DecodingError : public std::runtime_error {
public:
    enum class Kind { keyNotFound, typeMismatch, dataCorrupted };

    // path: where in the document, e.g. "folders[0].rules[1].match".
    DecodingError(Kind kind, std::string path, std::string detail);

    Kind kind() const { return kind_; }
    const std::string& path() const { return path_; }
    // The decoder's own complaint, without the location.
    const std::string& detail() const { return detail_; }

private:
    Kind kind_;
    std::string path_;
    std::string detail_;
};

// A value that has no JSON text, such as a file name that is not UTF-8.
class EncodingError : public std::runtime_error {
public:
    explicit EncodingError(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace olva
