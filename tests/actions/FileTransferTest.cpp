#include "Core/platform/FileTransfer.h"
#include "Core/platform/Xattr.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

struct stat statOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

void setTimes(const fs::path& path, time_t seconds)
{
    const struct timespec times[2] = {{seconds - 100, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

void expectFileExistsError(const std::function<void()>& call)
{
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
        EXPECT_TRUE(platform::isFileExistsError(error)) << error.what();
    }
}

// Moving or copying a.txt onto a taken b.txt is refused and leaves both.
void expectTakenFileKept(const fs::path& dir, void (*transfer)(const fs::path&, const fs::path&))
{
    writeFile(dir / "a.txt", "mine");
    writeFile(dir / "b.txt", "theirs");
    expectFileExistsError([&] { transfer(dir / "a.txt", dir / "b.txt"); });
    EXPECT_EQ(readFile(dir / "a.txt"), "mine");
    EXPECT_EQ(readFile(dir / "b.txt"), "theirs");
}

}  // namespace

TEST(FileTransfer, MoveNeverReplacesATakenName)
{
    TempDir dir;
    expectTakenFileKept(dir.path(), platform::moveItem);

    // A dangling link is taken too.
    fs::create_symlink(dir / "nowhere", dir / "link");
    EXPECT_TRUE(platform::itemExists(dir / "link"));
    expectFileExistsError([&] { platform::moveItem(dir / "a.txt", dir / "link"); });

    platform::moveItem(dir / "a.txt", dir / "c.txt");
    EXPECT_FALSE(fs::exists(dir / "a.txt"));
    EXPECT_EQ(readFile(dir / "c.txt"), "mine");
}

TEST(FileTransfer, CrossFileSystemMoveKeepsContentModeTimesAndAttributes)
{
    TempDir dir;
    fs::path from = dir / "report.pdf";
    writeFile(from, std::string(300000, 'x'));
    ASSERT_EQ(::chmod(from.c_str(), 0640), 0);
    xattr::write(from, "user.xdg.tags", "Red,Work");
    setTimes(from, 1700000000);

    platform::moveByCopying(from, dir / "moved.pdf");
    EXPECT_FALSE(fs::exists(from));
    fs::path to = dir / "moved.pdf";
    EXPECT_EQ(statOf(to).st_mode & 07777, 0640u);
    EXPECT_EQ(statOf(to).st_mtim.tv_sec, 1700000000);
    EXPECT_EQ(statOf(to).st_atim.tv_sec, 1700000000 - 100);
    EXPECT_EQ(readFile(to), std::string(300000, 'x'));
    EXPECT_EQ(xattr::read(to, "user.xdg.tags"), "Red,Work");
}

TEST(FileTransfer, CrossFileSystemMoveOfAFolderIsRecursive)
{
    TempDir dir;
    fs::path from = dir / "Album";
    fs::create_directories(from / "inner");
    writeFile(from / "inner" / "photo.jpg", "jpeg");
    ASSERT_EQ(::chmod((from / "inner" / "photo.jpg").c_str(), 0400), 0);
    fs::create_symlink("inner/photo.jpg", from / "cover");
    xattr::write(from / "inner", "user.note", "kept");
    ASSERT_EQ(::chmod((from / "inner").c_str(), 0750), 0);
    setTimes(from / "inner", 1600000000);
    setTimes(from, 1650000000);

    platform::moveByCopying(from, dir / "Copy");
    EXPECT_FALSE(fs::exists(from));
    fs::path to = dir / "Copy";
    EXPECT_EQ(readFile(to / "inner" / "photo.jpg"), "jpeg");
    EXPECT_EQ(statOf(to / "inner" / "photo.jpg").st_mode & 07777, 0400u);
    EXPECT_EQ(fs::read_symlink(to / "cover"), "inner/photo.jpg");
    EXPECT_EQ(xattr::read(to / "inner", "user.note"), "kept");
    EXPECT_EQ(statOf(to / "inner").st_mode & 07777, 0750u);
    EXPECT_EQ(statOf(to / "inner").st_mtim.tv_sec, 1600000000);
    EXPECT_EQ(statOf(to).st_mtim.tv_sec, 1650000000);
}

TEST(FileTransfer, CopyLeavesATakenDestinationAndNothingOfAFailedCopy)
{
    TempDir dir;
    expectTakenFileKept(dir.path(), platform::copyItem);

    fs::create_directories(dir / "Folder");
    fs::create_directories(dir / "Taken");
    writeFile(dir / "Taken" / "keep.txt", "keep");
    expectFileExistsError([&] { platform::copyItem(dir / "Folder", dir / "Taken"); });
    EXPECT_EQ(readFile(dir / "Taken" / "keep.txt"), "keep");

    // A folder holding something that cannot be copied: the half-made copy goes.
    writeFile(dir / "Folder" / "a.txt", "a");
    ASSERT_EQ(::mkfifo((dir / "Folder" / "pipe").c_str(), 0600), 0);
    EXPECT_THROW(platform::copyItem(dir / "Folder", dir / "Copy"), std::system_error);
    EXPECT_FALSE(fs::exists(dir / "Copy"));
    EXPECT_THROW(platform::moveByCopying(dir / "Folder", dir / "Copy"), std::system_error);
    EXPECT_FALSE(fs::exists(dir / "Copy"));
    EXPECT_EQ(readFile(dir / "Folder" / "a.txt"), "a");
}

TEST(FileTransfer, CrossFileSystemMoveTakesTheCopyBackWhenTheSourceStays)
{
    TempDir dir;
    fs::path from = dir / "locked.txt";
    writeFile(from, "data");
    int fd = ::open(from.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    bool immutable = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                     (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (!immutable) {
        ::close(fd);
        GTEST_SKIP() << "cannot make a file immutable here";
    }
    EXPECT_THROW(platform::moveByCopying(from, dir / "moved.txt"), std::system_error);
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    EXPECT_EQ(readFile(from), "data");
    EXPECT_FALSE(fs::exists(dir / "moved.txt"));
}

TEST(FileTransfer, LeftoverCopiesGoWhileCopiesBeingMadeAndUsersFilesStay)
{
    TempDir dir;
    const std::string leftFile = ".olva-1B4E28BA-2FA1-11D2-883F-0016D3CCA427.partial";
    const std::string leftFolder = ".olva-2B4E28BA-2FA1-11D2-883F-0016D3CCA427.partial";
    const std::string beingMade = ".olva-3B4E28BA-2FA1-11D2-883F-0016D3CCA427.partial";
    const std::vector<std::string> users = {".olva-notes.partial", "1B4E28BA-2FA1-11D2-883F-0016D3CCA427.partial",
                                            ".olva-1b4e28ba-2fa1-11d2-883f-0016d3cca427.partial", "report.partial"};
    writeFile(dir / leftFile, "half");
    fs::create_directories(dir / leftFolder / "inner");
    writeFile(dir / leftFolder / "inner" / "a", "a");
    writeFile(dir / beingMade, "growing");
    for (const auto& name : users) writeFile(dir / name, "mine");
    int held = ::open((dir / beingMade).c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    EXPECT_EQ(platform::removeLeftoverCopies(dir.path()), 2);
    EXPECT_FALSE(fs::exists(dir / leftFile));
    EXPECT_FALSE(fs::exists(dir / leftFolder));
    EXPECT_TRUE(fs::exists(dir / beingMade));
    for (const auto& name : users) EXPECT_EQ(readFile(dir / name), "mine") << name;
    ::close(held);
    EXPECT_EQ(platform::removeLeftoverCopies(dir.path()), 1);
    EXPECT_EQ(platform::removeLeftoverCopies(dir / "absent"), 0);
}

TEST(FileTransfer, SameContentsComparesBytesLinksAndFolders)
{
    TempDir dir;
    auto tree = [&](const std::string& name, const std::string& photo, const std::string& link) {
        fs::create_directories(dir / name / "inner");
        writeFile(dir / name / "inner" / "photo.jpg", photo);
        fs::create_symlink(link, dir / name / "cover");
        return dir / name;
    };
    const fs::path a = tree("a", "jpeg", "inner/photo.jpg");
    struct Case {
        const char* what;
        fs::path other;
        bool same;
    };
    const std::vector<Case> cases = {
        {"a copy", tree("b", "jpeg", "inner/photo.jpg"), true},
        {"one byte differs", tree("c", "jpeG", "inner/photo.jpg"), false},
        {"one file is longer", tree("d", "jpeg!", "inner/photo.jpg"), false},
        {"a link leads elsewhere", tree("e", "jpeg", "photo.jpg"), false},
        {"an extra file", tree("f", "jpeg", "inner/photo.jpg"), false},
        {"a file for a folder", dir / "file", false},
        {"nothing", dir / "absent", false},
    };
    writeFile(dir / "f" / "extra", "");
    writeFile(dir / "file", "jpeg");
    for (const auto& c : cases) EXPECT_EQ(platform::sameContents(a, c.other), c.same) << c.what;
    EXPECT_TRUE(platform::sameContents(a / "inner" / "photo.jpg", dir / "file"));
}
