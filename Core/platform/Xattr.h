// Extended attributes of files. Path forms follow symbolic links; descriptor
// forms act on the open file. Reads never fail (nothing means no usable
// value); changes throw std::filesystem::filesystem_error.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olva::xattr {

// The attribute's bytes (empty for an empty one); nothing when it is absent
// or unreadable.
std::optional<std::string> read(const std::filesystem::path& path, const std::string& name);
std::optional<std::string> read(int fd, const std::string& name);

// Creates or replaces the attribute.
void write(const std::filesystem::path& path, const std::string& name, std::string_view value);
void write(int fd, const std::string& name, std::string_view value);

// Removes the attribute; an absent one is not an error. Returns whether
// there was one.
bool remove(const std::filesystem::path& path, const std::string& name);
bool remove(int fd, const std::string& name);

// The names of the file's attributes, in the order the file system gives.
std::vector<std::string> list(const std::filesystem::path& path);
std::vector<std::string> list(int fd);

}  // namespace olva::xattr
