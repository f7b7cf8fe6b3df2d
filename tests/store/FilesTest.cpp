#include "Core/platform/AtomicFile.h"
#include "Core/platform/RenameNoReplace.h"
#include "Core/platform/UUID.h"
#include "tests/support/TestSupport.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <set>
#include <system_error>

using namespace olva;
using namespace olva::platform;
namespace fs = std::filesystem;

namespace {

ino_t inodeOf(const fs::path& path)
{
    struct stat status{};
    ::stat(path.c_str(), &status);
    return status.st_ino;
}

std::set<std::string> namesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) names.insert(item.path().filename().string());
    return names;
}

}  // namespace

TEST(AtomicFile, ReplacesTheWholeFileWithANewOneAndLeavesNothingBehind)
{
    test::TempDir tmp;
    auto file = tmp / "rules.json";
    test::writeFile(file, std::string(100000, 'x'));
    ::chmod(file.c_str(), 0600);
    auto before = inodeOf(file);

    writeFileAtomically(file, "short");
    EXPECT_EQ(test::readFile(file), "short");
    // A new file took the old one's place: a reader holding the old one
    // never sees a mixture.
    EXPECT_NE(inodeOf(file), before);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(namesIn(tmp.path()), std::set<std::string>{"rules.json"});

    writeFileAtomically(tmp / "new.json", "");
    EXPECT_EQ(test::readFile(tmp / "new.json"), "");
    EXPECT_EQ(readFileBytes(tmp / "new.json"), "");
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFile)
{
    test::TempDir tmp;
    auto file = tmp / "seen.json";
    // A directory in the way makes the final rename fail.
    fs::create_directories(file / "inside");
    try {
        writeFileAtomically(file, "new");
        FAIL() << "wrote";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos) << error.what();
    }
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    EXPECT_EQ(namesIn(tmp.path()), std::set<std::string>{"seen.json"});

    EXPECT_THROW(writeFileAtomically(tmp / "missing" / "x.json", "new"), std::system_error);
}

TEST(AtomicFile, ReadingTellsAMissingFileFromOtherFailures)
{
    test::TempDir tmp;
    try {
        readFileBytes(tmp / "absent");
        FAIL();
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
    }
    try {
        readFileBytes(tmp.path());
        FAIL();
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::is_a_directory);
    }
    std::string binary("a\0b\nc", 5);
    test::writeFile(tmp / "bytes", binary);
    EXPECT_EQ(readFileBytes(tmp / "bytes"), binary);
}

TEST(RenameNoReplace, MovesOnlyToAFreeName)
{
    test::TempDir tmp;
    test::writeFile(tmp / "a", "A");
    test::writeFile(tmp / "b", "B");
    try {
        renameNoReplace(tmp / "a", tmp / "b");
        FAIL() << "replaced";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::file_exists);
    }
    EXPECT_EQ(test::readFile(tmp / "a"), "A");
    EXPECT_EQ(test::readFile(tmp / "b"), "B");

    renameNoReplace(tmp / "a", tmp / "c");
    EXPECT_FALSE(fs::exists(tmp / "a"));
    EXPECT_EQ(test::readFile(tmp / "c"), "A");
    EXPECT_THROW(renameNoReplace(tmp / "a", tmp / "d"), std::system_error);
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
    EXPECT_FALSE(canonicalUUID("0f1e2d3c4b5a69788796a5b4c3d2e1f0"));
    EXPECT_FALSE(canonicalUUID("0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1fg"));
    EXPECT_FALSE(canonicalUUID(""));
}
