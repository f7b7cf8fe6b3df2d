#include "Core/platform/AtomicFile.h"
#include "Core/platform/RenameNoReplace.h"
#include "Core/platform/UUID.h"
#include "tests/store/StoreFixture.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <system_error>

using namespace olva;
using namespace olva::platform;
using namespace olva::test;
namespace fs = std::filesystem;

TEST(AtomicFile, ReplacesTheWholeFileWithANewOneAndLeavesNothingBehind)
{
    TempDir tmp;
    auto file = tmp / "rules.json";
    writeFile(file, std::string(100000, 'x'));
    ::chmod(file.c_str(), 0600);
    auto before = inodeOf(file);

    writeFileAtomically(file, "short");
    EXPECT_EQ(readFile(file), "short");
    // A new file took the old one's place: a reader holding the old one
    // never sees a mixture.
    EXPECT_NE(inodeOf(file), before);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(namesIn(tmp.path()), std::set<std::string>{"rules.json"});

    writeFileAtomically(tmp / "new.json", "");
    EXPECT_EQ(readFile(tmp / "new.json"), "");
    EXPECT_EQ(readFileBytes(tmp / "new.json"), "");
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFile)
{
    TempDir tmp;
    auto file = tmp / "seen.json";
    // A directory in the way makes the final rename fail.
    fs::create_directories(file / "inside");
    std::string message = thrownText<std::system_error>([&] { writeFileAtomically(file, "new"); });
    EXPECT_NE(message.find(file.string()), std::string::npos) << message;
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    EXPECT_EQ(namesIn(tmp.path()), std::set<std::string>{"seen.json"});

    EXPECT_THROW(writeFileAtomically(tmp / "missing" / "x.json", "new"), std::system_error);
}

TEST(AtomicFile, ReadingTellsAMissingFileFromOtherFailures)
{
    TempDir tmp;
    EXPECT_EQ(thrownCode([&] { readFileBytes(tmp / "absent"); }), std::errc::no_such_file_or_directory);
    EXPECT_EQ(thrownCode([&] { readFileBytes(tmp.path()); }), std::errc::is_a_directory);
    std::string binary("a\0b\nc", 5);
    writeFile(tmp / "bytes", binary);
    EXPECT_EQ(readFileBytes(tmp / "bytes"), binary);
}

TEST(RenameNoReplace, MovesOnlyToAFreeName)
{
    TempDir tmp;
    writeFile(tmp / "a", "A");
    writeFile(tmp / "b", "B");
    EXPECT_EQ(thrownCode([&] { renameNoReplace(tmp / "a", tmp / "b"); }), std::errc::file_exists);
    EXPECT_EQ(readFile(tmp / "a"), "A");
    EXPECT_EQ(readFile(tmp / "b"), "B");

    renameNoReplace(tmp / "a", tmp / "c");
    EXPECT_FALSE(fs::exists(tmp / "a"));
    EXPECT_EQ(readFile(tmp / "c"), "A");
    EXPECT_THROW(renameNoReplace(tmp / "a", tmp / "d"), std::system_error);
}

// Where the file system cannot refuse a taken name (FAT through FUSE), the
// name is reserved first: the same outcomes, by other means.
TEST(RenameNoReplace, ARenameOntoAReservationReplacesNothingButIt)
{
    TempDir tmp;
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> make;  // the item to move
        std::function<void(const fs::path&)> taken;  // what is at the new name, if anything
        std::optional<std::errc> error;
    };
    auto file = [](const fs::path& path) { writeFile(path, "A"); };
    auto folder = [](const fs::path& path) {
        fs::create_directories(path);
        writeFile(path / "in", "A");
    };
    auto link = [](const fs::path& path) { fs::create_symlink("elsewhere", path); };
    auto emptyFolder = [](const fs::path& path) { fs::create_directories(path); };
    const std::vector<Case> cases = {
        {"a file to a free name", file, {}, {}},
        {"a folder to a free name", folder, {}, {}},
        {"a link to a free name", link, {}, {}},
        {"a file to a taken name", file, [](const fs::path& path) { writeFile(path, "B"); }, std::errc::file_exists},
        {"a file to an empty file's name", file, [](const fs::path& path) { writeFile(path, ""); },
         std::errc::file_exists},
        {"a folder to an empty folder's name", folder, emptyFolder, std::errc::file_exists},
        {"a file to a dangling link's name", file, link, std::errc::file_exists},
        {"a file into a missing folder", file, {}, std::errc::no_such_file_or_directory},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path from = tmp / ("from" + std::to_string(n));
        fs::path to = tmp / ("to" + std::to_string(n++));
        if (c.error == std::errc::no_such_file_or_directory) to = tmp / "missing" / "to";
        c.make(from);
        if (c.taken) c.taken(to);
        const auto before = fs::symlink_status(to).type();
        std::error_code code = thrownCode([&] { renameOntoReservation(from, to); });
        if (!c.error) {
            EXPECT_FALSE(code) << code.message();
            EXPECT_FALSE(fs::exists(fs::symlink_status(from)));
            EXPECT_TRUE(fs::exists(fs::symlink_status(to)));
            if (fs::is_regular_file(fs::symlink_status(to))) {
                EXPECT_EQ(readFile(to), "A");
            }
            if (fs::is_directory(to)) {
                EXPECT_EQ(readFile(to / "in"), "A");
            }
            continue;
        }
        EXPECT_EQ(code, *c.error);
        EXPECT_TRUE(fs::exists(fs::symlink_status(from)));
        EXPECT_EQ(fs::symlink_status(to).type(), before);
        if (fs::is_regular_file(fs::symlink_status(to))) {
            EXPECT_NE(readFile(to), "A");
        }
    }
}

TEST(UUIDText, FreshIdentifiersAreUpperCaseAndDistinct)
{
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        auto id = newUUID();
        ASSERT_EQ(id.size(), 36u);
        EXPECT_EQ(canonicalUUID(id), id);
        for (char c : id) EXPECT_FALSE(c >= 'a' && c <= 'z') << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
    EXPECT_EQ(canonicalUUID("0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0"), "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
    for (const char* bad : {"0f1e2d3c4b5a69788796a5b4c3d2e1f0", "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1fg", ""})
        EXPECT_FALSE(canonicalUUID(bad)) << bad;
}
