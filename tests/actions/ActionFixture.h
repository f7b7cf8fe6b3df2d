// A test folder that stands in for the home folder, Trash included, with
// dates shown in UTC and English.
#pragma once

#include "Core/base/Date.h"
#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace olva::test {

// The moment the tests render patterns and act at: 2024-06-02T00:00:00Z.
inline const Date kNow{std::chrono::seconds(1717286400)};

class InTestHome : public ::testing::Test {
protected:
    // A file, and the folders it needs, under the test folder; last
    // modified 2024-05-01T14:05:09Z, a Wednesday.
    std::filesystem::path make(const std::string& relative, const std::string& contents = "x")
    {
        std::filesystem::path path = dir / relative;
        std::filesystem::create_directories(path.parent_path());
        writeFile(path, contents);
        const struct timespec times[2] = {{1714572309, 0}, {1714572309, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path;
    }

    TempDir dir;
    ScopedEnv home{"HOME", dir.path().string()};
    ScopedEnv dataHome{"XDG_DATA_HOME", (dir / "data").string()};
    ScopedEnv tz{"TZ", "UTC"};
    ScopedEnv lcAll{"LC_ALL", "en_US.UTF-8"};
    std::filesystem::path trash = dir / "data" / "Trash";
};

}  // namespace olva::test
