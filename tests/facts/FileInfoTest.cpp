#include "Core/facts/FileInfo.h"
#include "Core/platform/FileMetadata.h"
#include "Core/platform/FileStatus.h"
#include "Core/platform/Volumes.h"
#include "Core/platform/Xattr.h"
#include "tests/facts/Fixtures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

using Xattr = InFolder;
using FileFacts = InFolder;
using Volumes = InFolder;
using Tags = InFolder;
using Source = InFolder;

TEST_F(Xattr, WritesReadsListsAndRemoves)
{
    fs::path file = make("a.txt", "x");
    EXPECT_FALSE(xattr::read(file, "user.test").has_value());

    xattr::write(file, "user.test", "one");
    xattr::write(file, "user.empty", "");
    EXPECT_EQ(xattr::read(file, "user.test"), "one");
    EXPECT_EQ(xattr::read(file, "user.empty"), "");
    auto names = xattr::list(file);
    EXPECT_NE(std::find(names.begin(), names.end(), "user.test"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "user.empty"), names.end());

    EXPECT_TRUE(xattr::remove(file, "user.test"));
    EXPECT_FALSE(xattr::remove(file, "user.test"));
    EXPECT_FALSE(xattr::read(file, "user.test").has_value());

    EXPECT_THROW(xattr::write(dir / "missing", "user.test", "x"), fs::filesystem_error);
    EXPECT_THROW(xattr::list(dir / "missing"), fs::filesystem_error);
}

TEST_F(Xattr, LargeValuesAndDescriptors)
{
    fs::path file = make("a");
    std::string big(4000, 'z');
    xattr::write(file, "user.big", big);
    FILE* f = std::fopen(file.c_str(), "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(xattr::read(fileno(f), "user.big"), big);
    xattr::write(fileno(f), "user.other", "v");
    EXPECT_EQ(xattr::list(fileno(f)).size(), 2u);
    EXPECT_TRUE(xattr::remove(fileno(f), "user.other"));
    std::fclose(f);
}

TEST_F(FileFacts, BasicFacts)
{
    fs::path file = make("report.tar.gz", std::string(1234, 'a'));
    FileInfo info(file);
    EXPECT_EQ(info.url(), file);
    EXPECT_EQ(info.size(), 1234);
    EXPECT_EQ(info.name(), "report.tar");
    EXPECT_EQ(info.ext(), "gz");
    EXPECT_TRUE(info.isDownloaded());
    EXPECT_TRUE(info.added().has_value());
    EXPECT_TRUE(info.modified().has_value());
    ASSERT_TRUE(info.type().has_value());
    EXPECT_EQ(info.type()->identifier(), "application/x-compressed-tar");
    EXPECT_TRUE(info.tags().empty());
    EXPECT_FALSE(info.isBeingCopiedByFinder());

    struct stat st{};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    // Dates keep microseconds: the nanoseconds below are cut off.
    EXPECT_EQ(info.modified()->time_since_epoch().count(), st.st_mtim.tv_sec * 1'000'000LL + st.st_mtim.tv_nsec / 1000);
    EXPECT_EQ(info.added()->time_since_epoch().count(), st.st_ctim.tv_sec * 1'000'000LL + st.st_ctim.tv_nsec / 1000);
}

TEST_F(FileFacts, FarDatesAreExactOrAbsent)
{
    using namespace std::chrono;
    auto at = [](int year, unsigned month, unsigned day) { return Date(sys_days(std::chrono::year(year) / month / day)); };
    // What the disk keeps: ext4 stores 1901 to 2446.
    fs::path file = make("far.txt");
    for (Date date : {at(2446, 1, 1) + 123456us, at(2300, 6, 1), at(1902, 1, 1), at(1969, 12, 31) + 999999us}) {
        auto since = date.time_since_epoch();
        timespec times[2];
        for (timespec& t : times) {
            t.tv_sec = floor<seconds>(since).count();
            t.tv_nsec = static_cast<long>((since - floor<seconds>(since)).count() * 1000);
        }
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        if (st.st_mtim.tv_sec != times[1].tv_sec) GTEST_SKIP() << "this file system does not keep such dates";
        EXPECT_EQ(FileInfo(file).modified(), date) << iso8601(date);
    }

    // What other file systems may report, up to the limits of the kernel's
    // 64-bit seconds.
    platform::FileStatus status;
    status.size = 1;
    struct Case {
        std::int64_t seconds;
        std::optional<Date> date;
    };
    for (const Case& c : std::vector<Case>{
             {floor<seconds>(at(1, 1, 1)).time_since_epoch().count(), at(1, 1, 1)},
             {floor<seconds>(at(9999, 12, 31)).time_since_epoch().count(), at(9999, 12, 31)},
             {std::numeric_limits<std::int64_t>::max(), std::nullopt},
             {std::numeric_limits<std::int64_t>::min(), std::nullopt},
         }) {
        status.modification = {c.seconds, 500};
        status.change = {c.seconds, 0};
        status.birth = platform::Timestamp{c.seconds, 999'999'999};
        FileInfo info("/far/a.txt", status);
        EXPECT_EQ(info.modified(), c.date) << c.seconds;
        EXPECT_EQ(info.added(), c.date) << c.seconds;
        EXPECT_EQ(info.created(), c.date ? std::optional(*c.date + 999999us) : std::nullopt) << c.seconds;
    }
}

TEST_F(FileFacts, NamesAndExtensions)
{
    struct Case {
        const char* file;
        const char* name;
        const char* ext;
    } cases[] = {
        {"report.final.pdf", "report.final", "pdf"},
        {"README", "README", ""},
        {".bashrc", ".bashrc", ""},
        {"trailing.", "trailing.", ""},
        {"a.PDF", "a", "PDF"},
        {"Réport.pdf", "Réport", "pdf"},
    };
    for (const auto& c : cases) {
        FileInfo info(make(c.file));
        EXPECT_EQ(info.name(), c.name) << c.file;
        EXPECT_EQ(info.ext(), c.ext) << c.file;
    }
}

TEST_F(FileFacts, MissingFileThrowsNoSuchFile)
{
    auto gone = [&] { FileInfo info(dir / "gone.txt"); };
    EXPECT_EQ(thrownCode(gone), std::make_error_code(std::errc::no_such_file_or_directory));
    EXPECT_NE(thrownText<FileNotFound>(gone).find("gone.txt"), std::string::npos);
    EXPECT_THROW(FileInfo::keyFor(dir / "gone.txt"), FileNotFound);
    // A dangling link is as missing as its target.
    fs::create_symlink(dir / "nowhere", dir / "link");
    EXPECT_THROW(FileInfo info(dir / "link"), FileNotFound);
    // Reading a file through a folder that cannot be searched fails the same way.
    if (geteuid() != 0) {
        fs::create_directory(dir / "closed");
        make("closed/f");
        fs::permissions(dir / "closed", fs::perms::none);
        EXPECT_THROW(FileInfo info(dir / "closed" / "f"), FileNotFound);
        fs::permissions(dir / "closed", fs::perms::owner_all);
    }
}

TEST_F(FileFacts, KeyIfPresentGivesTheKeyOrNothingWhereKeyForThrows)
{
    const fs::path file = make("a.txt", "x");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    struct Case {
        const char* what;
        fs::path path;
        std::optional<std::string> key;
    };
    const Case cases[] = {
        {"a file", file, FileInfo::keyFor(file)},
        {"a folder", dir.path(), FileInfo::keyFor(dir.path())},
        {"a file that is not there", dir / "gone.txt", std::nullopt},
        {"a dangling link", dir / "dangling", std::nullopt},
        {"below a file", file / "inside", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FileInfo::keyIfPresent(c.path), c.key) << c.what;
}

TEST_F(FileFacts, KeySurvivesRenameAndMoveButNotCopy)
{
    fs::path file = make("a.txt", "hello");
    std::string key = FileInfo(file).key();
    EXPECT_EQ(FileInfo::keyFor(file), key);
    EXPECT_EQ(key.find("a.txt"), std::string::npos);

    fs::rename(file, dir / "b.txt");
    EXPECT_EQ(FileInfo::keyFor(dir / "b.txt"), key);
    fs::create_directory(dir / "sub");
    fs::rename(dir / "b.txt", dir / "sub" / "c.txt");
    EXPECT_EQ(FileInfo::keyFor(dir / "sub" / "c.txt"), key);

    fs::copy_file(dir / "sub" / "c.txt", dir / "copy.txt");
    EXPECT_NE(FileInfo::keyFor(dir / "copy.txt"), key);
}

TEST_F(FileFacts, KeyFormAndLegacyKey)
{
    fs::path file = make("a");
    FileInfo info(file);
    auto status = platform::fileStatus(file);
    ASSERT_TRUE(status);
    std::string volume = platform::volumeName(*status);
    std::string prefix = volume + ":" + std::to_string(status->inode) + ":";
    ASSERT_EQ(info.key().substr(0, prefix.size()), prefix);
    std::string birth = info.key().substr(prefix.size());
    std::int64_t seconds = status->birth ? status->birth->seconds : 0;
    EXPECT_EQ(info.legacyKey(),
              std::to_string(status->device) + "-" + std::to_string(status->inode) + "-" + std::to_string(seconds));
    std::string expected = "0";
    if (status->birth) {
        char text[48];
        std::snprintf(text, sizeof text, "%lld.%09u", static_cast<long long>(status->birth->seconds),
                      status->birth->nanoseconds);
        expected = text;
    }
    auto handle = platform::fileHandle(file);
    if (handle) expected += "+" + *handle;
    if (handle || status->birth) EXPECT_EQ(birth, expected);
    else EXPECT_TRUE(birth == "0" || birth.starts_with("g")) << birth;

    // Both forms give back the inode, whatever the volume's name holds.
    EXPECT_EQ(FileInfo::inodeInKey(info.key()), status->inode);
    EXPECT_EQ(FileInfo::inodeInKey(info.legacyKey()), status->inode);
    EXPECT_EQ(FileInfo::inodeInKey("/media/a:b:42:17.000000001+ff"), 42u);
    EXPECT_EQ(FileInfo::inodeInKey("-5-42--7"), 42u);
    EXPECT_EQ(FileInfo::inodeInKey("k"), std::nullopt);
}

// Between the listing and a rule's run the file may be removed, replaced by
// another (whatever its key formed first), renamed away or stay: only a
// file that stayed counts as the one listed. The handle's inode, where it
// tells one, is the file's own.
TEST_F(FileFacts, StillListedOnlyWhileThePathLeadsToTheListedFile)
{
    struct Case {
        const char* name;
        bool keyFirst;  // the key formed before the change, as for a file with records
        void (*change)(const fs::path&);
        bool still;
    };
    const Case cases[] = {
        {"stays", false, [](const fs::path&) {}, true},
        {"stays, key first", true, [](const fs::path&) {}, true},
        {"removed", false, [](const fs::path& f) { fs::remove(f); }, false},
        {"removed, key first", true, [](const fs::path& f) { fs::remove(f); }, false},
        {"replaced", false, [](const fs::path& f) {
             fs::rename(f, f.string() + ".old");
             writeFile(f, "new");
         }, false},
        {"replaced, key first", true, [](const fs::path& f) {
             fs::rename(f, f.string() + ".old");
             writeFile(f, "new");
         }, false},
        {"link to another file", false, [](const fs::path& f) {
             fs::rename(f, f.string() + ".old");
             writeFile(f.string() + ".other", "other");
             fs::create_symlink(f.string() + ".other", f);
         }, false},
        {"link to itself, moved", false, [](const fs::path& f) {
             fs::rename(f, f.string() + ".old");
             fs::create_symlink(f.string() + ".old", f);
         }, true},
    };
    int index = 0;
    for (const auto& c : cases) {
        fs::path file = dir / ("still-" + std::to_string(index++));
        writeFile(file, "listed");
        auto status = platform::fileStatus(file);
        ASSERT_TRUE(status);
        if (auto handle = platform::fileHandleOf(file); handle && handle->inode) {
            EXPECT_EQ(*handle->inode, status->inode) << c.name;
        }
        FileInfo info(file.string(), *status);
        if (c.keyFirst) (void)info.key();
        c.change(file);
        EXPECT_EQ(info.stillListed(), c.still) << c.name;
    }
}

// A freed inode number goes to the next new file at once, and within one
// clock tick the new file is even born at the same nanosecond: the rules must
// still not take the new file for the old one.
TEST_F(FileFacts, ReusedInodeGetsANewKey)
{
    int reused = 0, sameBirth = 0;
    for (int attempt = 0; attempt < 50; ++attempt) {
        fs::path file = dir / ("f" + std::to_string(attempt));
        writeFile(file, "old");
        std::string oldKey = FileInfo::keyFor(file);
        auto old = platform::fileStatus(file, true);
        fs::remove(file);
        writeFile(file, "new");
        auto fresh = platform::fileStatus(file, true);
        if (fresh->inode == old->inode) {
            ++reused;
            if (old->birth && fresh->birth && old->birth->seconds == fresh->birth->seconds
                && old->birth->nanoseconds == fresh->birth->nanoseconds)
                ++sameBirth;
            EXPECT_NE(FileInfo::keyFor(file), oldKey);
        }
        fs::remove(file);
    }
    if (reused == 0) GTEST_SKIP() << "the file system never reused an inode number here";
    RecordProperty("sameBirth", sameBirth);
}

TEST_F(Volumes, UuidThenMountPointThenDevice)
{
    fs::create_directory(dir / "by-uuid");
    fs::create_symlink(make("disk"), dir / "by-uuid" / "1234-ABCD");
    std::string table =
        "22 1 0:21 / /proc rw - proc proc rw\n"
        "garbage line\n"
        "27 1 254:7 / /mnt/my\\040disk rw,relatime shared:1 - ext4 " + (dir / "disk").string() + " rw\n"
        "28 1 254:8 / /mnt/other rw - ext4 /dev/nothing-here rw\n";
    auto mounts = platform::parseMountInfo(table);
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[1].mountPoint, "/mnt/my disk");
    EXPECT_EQ(mounts[1].mountId, 27u);
    EXPECT_EQ(mounts[1].type, "ext4");
    EXPECT_EQ(mounts[0].type, "proc");

    platform::FileStatus status;
    status.device = makedev(254, 7);
    EXPECT_EQ(platform::volumeNameIn(mounts, dir / "by-uuid", status), "1234-ABCD");
    status.mountId = 27;
    status.device = makedev(0, 99);  // a file system with a device number of its own
    EXPECT_EQ(platform::volumeNameIn(mounts, dir / "by-uuid", status), "1234-ABCD");
    status.mountId = 28;
    EXPECT_EQ(platform::volumeNameIn(mounts, dir / "by-uuid", status), "/mnt/other");
    status.mountId.reset();
    status.device = makedev(9, 9);
    EXPECT_EQ(platform::volumeNameIn(mounts, dir / "by-uuid", status), std::to_string(makedev(9, 9)));
}

TEST_F(Tags, ReadFromTheDesktopAttribute)
{
    fs::path file = make("a");
    EXPECT_TRUE(platform::readTags(file).empty());
    using Names = std::vector<std::string>;
    for (const auto& [stored, tags] : std::vector<std::pair<std::string, Names>>{
             {"Work,Privé,Red", {"Work", "Privé", "Red"}}, {"one", {"one"}}, {"a,,b", {"a", "", "b"}}, {"", {}},
             {"bad\xff", {}}}) {
        xattr::write(file, "user.xdg.tags", stored);
        EXPECT_EQ(platform::readTags(file), tags) << stored;
        EXPECT_EQ(FileInfo(file).tags(), tags) << stored;
    }
    EXPECT_TRUE(platform::readTags(dir / "missing").empty());
}

TEST_F(Source, OriginThenReferrer)
{
    fs::path file = make("a");
    EXPECT_TRUE(FileInfo(file).source().empty());
    xattr::write(file, "user.xdg.referrer.url", "https://example.com/page");
    xattr::write(file, "user.xdg.origin.url", "https://example.com/a.pdf");
    FileInfo info(file);
    EXPECT_EQ(info.source(), (std::vector<std::string>{"https://example.com/a.pdf", "https://example.com/page"}));
    info.setSource({"x"});
    EXPECT_EQ(info.source(), std::vector<std::string>{"x"});
    xattr::write(file, "user.xdg.origin.url", "\xc3");
    EXPECT_EQ(platform::readSource(file), std::vector<std::string>{"https://example.com/page"});
}

TEST_F(FileFacts, SpecialFilesAreNeverOpened)
{
    fs::path fifo = dir / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    FileInfo info(fifo);  // must not block
    ASSERT_TRUE(info.type().has_value());
    EXPECT_EQ(info.type()->identifier(), "inode/fifo");
    EXPECT_EQ(info.contents(), "");

    fs::create_directory(dir / "folder");
    EXPECT_EQ(FileInfo(dir / "folder").type()->identifier(), "inode/directory");
}
