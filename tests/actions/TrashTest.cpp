#include "Core/platform/FileTransfer.h"
#include "Core/platform/Trash.h"
#include "tests/actions/ActionFixture.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

using Trash = InTestHome;

TEST_F(Trash, MovesIntoTheHomeTrashWithItsInfoAndRestores)
{
    fs::path file = make("w/big report%.pdf", "one");

    fs::path trashed = platform::moveToTrash(file);
    EXPECT_EQ(trashed, trash / "files" / "big report%.pdf");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(readFile(trashed), "one");
    std::string info = readFile(trash / "info" / "big report%.pdf.trashinfo");
    EXPECT_TRUE(info.starts_with("[Trash Info]\nPath=" + (dir / "w").string() + "/big%20report%25.pdf\nDeletionDate="))
        << info;

    // The same name again: numbered, with its own info.
    writeFile(file, "two");
    fs::path second = platform::moveToTrash(file);
    EXPECT_EQ(second, trash / "files" / "big report% 2.pdf");
    EXPECT_TRUE(fs::exists(trash / "info" / "big report% 2.pdf.trashinfo"));

    // A name whose info is missing but whose file is there is not taken over.
    writeFile(trash / "files" / "c.txt", "stray");
    writeFile(dir / "w" / "c.txt", "three");
    EXPECT_EQ(platform::moveToTrash(dir / "w" / "c.txt"), trash / "files" / "c 2.txt");
    EXPECT_EQ(readFile(trash / "files" / "c.txt"), "stray");
    EXPECT_FALSE(fs::exists(trash / "info" / "c.txt.trashinfo"));

    platform::restoreFromTrash(trashed, file.parent_path() / "restored.pdf");
    EXPECT_EQ(readFile(dir / "w" / "restored.pdf"), "one");
    EXPECT_FALSE(fs::exists(trashed));
    EXPECT_FALSE(fs::exists(trash / "info" / "big report%.pdf.trashinfo"));

    // Restoring onto a taken name leaves both where they are.
    EXPECT_THROW(platform::restoreFromTrash(second, dir / "w" / "restored.pdf"), std::system_error);
    EXPECT_EQ(readFile(second), "two");
    EXPECT_TRUE(fs::exists(trash / "info" / "big report% 2.pdf.trashinfo"));
}

TEST_F(Trash, HomeTrashFollowsTheEnvironment)
{
    ScopedEnv someone("HOME", "/home/someone");
    {
        ScopedEnv unset("XDG_DATA_HOME", std::nullopt);
        EXPECT_EQ(platform::homeTrash(), "/home/someone/.local/share/Trash");
    }
    ScopedEnv data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(platform::homeTrash(), "/data/Trash");
}

TEST_F(Trash, TopFolderTrashIsChosenSafely)
{
    uid_t uid = ::getuid();
    std::string mine = std::to_string(uid);

    // No shared Trash: the user's own.
    EXPECT_EQ(platform::topdirTrash(dir.path(), uid), dir / (".Trash-" + mine));
    EXPECT_TRUE(fs::is_directory(dir / (".Trash-" + mine) / "files"));
    EXPECT_TRUE(fs::is_directory(dir / (".Trash-" + mine) / "info"));

    // A shared Trash without the sticky bit is not trusted.
    TempDir other;
    fs::create_directories(other / ".Trash");
    ::chmod((other / ".Trash").c_str(), 0777);
    EXPECT_EQ(platform::topdirTrash(other.path(), uid), other / (".Trash-" + mine));

    // A sticky one is used.
    ::chmod((other / ".Trash").c_str(), 01777);
    EXPECT_EQ(platform::topdirTrash(other.path(), uid), other / ".Trash" / mine);

    // Nor is a link in place of a Trash folder.
    TempDir linked;
    fs::create_directories(linked / "elsewhere");
    fs::create_symlink(linked / "elsewhere", linked / (".Trash-" + mine));
    EXPECT_THROW(platform::topdirTrash(linked.path(), uid), std::system_error);
}

TEST_F(Trash, MountPointIsTheTopOfTheFileSystem)
{
    EXPECT_EQ(platform::mountPointOf("/"), "/");
    fs::path top = platform::mountPointOf(dir.path());
    struct stat a {}, b {};
    ASSERT_EQ(::stat(top.c_str(), &a), 0);
    ASSERT_EQ(::stat(dir.path().c_str(), &b), 0);
    EXPECT_EQ(a.st_dev, b.st_dev);
    EXPECT_TRUE(fs::canonical(dir.path()).string().starts_with(top.string()));
}
