// A store on a fresh data directory, and what the store tests look at on
// disk.
#pragma once

#include "Core/store/Store.h"
#include "tests/support/TestSupport.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace olva::test {

class InStore : public ::testing::Test {
protected:
    TempDir tmp;
    Store store{tmp.path()};
};

inline ino_t inodeOf(const std::filesystem::path& path)
{
    struct stat status{};
    ::stat(path.c_str(), &status);
    return status.st_ino;
}

// The names in a folder, not looking into subfolders.
inline std::set<std::string> namesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder)) names.insert(item.path().filename().string());
    return names;
}

}  // namespace olva::test
