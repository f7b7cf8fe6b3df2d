// A move to another file system, or a copy, while another program acts on
// the file or on the name it is to take, or while the engine stops: the test
// steps in between two chunks of the copy. The file arrives whole under a
// free name, or not at all, and its source is removed only when it arrived.
#include "Core/actions/Perform.h"
#include "Core/facts/FileInfo.h"
#include "Core/platform/CopyStop.h"
#include "Core/platform/FileTransfer.h"
#include "tests/actions/ActionFixture.h"
#include "tests/support/PrivateMounts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <set>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

// Larger than a chunk of any copy, so that there is more to copy after the
// first.
std::string payload()
{
    std::string bytes(12 << 20, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

class CrossFileSystem : public InTestHome {
protected:
    void SetUp() override
    {
        fs::create_directories(away);
        if (!mounts.unavailable().empty()) GTEST_SKIP() << mounts.unavailable();
        if (!mounts.mountTmpfs(away, "64m")) GTEST_SKIP() << "no tmpfs to move to: " << mounts.failure();
    }

    void TearDown() override { platform::setCopyChunkHook({}); }

    std::set<std::string> names(const fs::path& folder) const
    {
        std::set<std::string> found;
        for (const auto& item : fs::directory_iterator(folder)) found.insert(item.path().filename());
        return found;
    }

    PrivateMounts mounts;
    fs::path away = dir / "Away";
};

// Writes `bytes` at `offset`, or at the end, in place.
void writeInPlace(const fs::path& path, const std::string& bytes, std::optional<off_t> offset)
{
    int fd = ::open(path.c_str(), O_WRONLY | (offset ? 0 : O_APPEND));
    ASSERT_GE(fd, 0);
    ssize_t written =
        offset ? ::pwrite(fd, bytes.data(), bytes.size(), *offset) : ::write(fd, bytes.data(), bytes.size());
    EXPECT_EQ(written, ssize_t(bytes.size()));
    ::close(fd);
}

}  // namespace

TEST_F(CrossFileSystem, WhatOthersDoMidCopyDecidesWhereTheFileArrivesOrThatItStays)
{
    const std::string mine = payload();
    std::string edited = mine;
    edited.replace(0, 4, "EDIT");
    const fs::path source = dir / "w" / "big.dat";
    struct Case {
        const char* what;
        bool move;
        // What another program does once the first chunk is copied.
        std::function<void()> midway;
        std::set<std::string> away;        // what the destination holds afterwards
        std::optional<std::string> arrivesAs;
        std::optional<std::string> error;  // the run's error
        std::optional<std::string> left;   // what is left at the source
    };
    const std::string name = "“" + source.string() + "”";
    const std::string movedAway = name + " changed while it was being moved, so it was left where it is";
    const std::string notCopied = name + " changed while it was being copied, so no copy was kept";
    // What a stopping engine sets for the thread that copies.
    static std::atomic<bool> stopping = false;
    platform::stopThreadCopiesWith(stopping);
    const std::string cutShort = " of " + name + " to “" + away.string() + "” was cut short";
    const std::string still = "the file is still at " + name;
    const std::vector<Case> cases = {
        {"nothing", true, [] {}, {"big.dat"}, "big.dat", {}, {}},
        {"another program writes the name", true, [&] { writeFile(away / "big.dat", "theirs"); },
         {"big.dat", "big 2.dat"}, "big 2.dat", {}, {}},
        {"another program writes the name of a copy", false, [&] { writeFile(away / "big.dat", "theirs"); },
         {"big.dat", "big 2.dat"}, "big 2.dat", {}, mine},
        {"the source is edited in place", true, [&] { writeInPlace(source, "EDIT", 0); }, {}, {}, movedAway, edited},
        {"the source of a copy is edited in place", false, [&] { writeInPlace(source, "EDIT", 0); }, {}, {}, notCopied,
         edited},
        {"the source grows", true, [&] { writeInPlace(source, "more", std::nullopt); }, {}, {}, movedAway,
         mine + "more"},
        {"the source is replaced", true,
         [&] {
             writeFile(dir / "w" / "new", "new");
             fs::rename(dir / "w" / "new", source);
         },
         {}, {}, movedAway, "new"},
        {"the source is removed", true, [&] { fs::remove(source); }, {}, {}, movedAway, std::nullopt},
        {"the move is asked to stop", true, [&] { stopping = true; }, {}, {}, "the move" + cutShort + "; " + still,
         mine},
        {"the copy is asked to stop", false, [&] { stopping = true; }, {}, {},
         "the copy" + cutShort + ", so no copy was kept; " + still, mine},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        stopping = false;
        for (const auto& name : names(away)) fs::remove_all(away / name);
        make("w/big.dat", mine);
        int chunks = 0;
        platform::setCopyChunkHook([&](const fs::path& from, const fs::path& copy) {
            EXPECT_EQ(from, source);
            EXPECT_EQ(copy.parent_path(), away);
            if (++chunks == 1) c.midway();
        });
        FileInfo file(source);
        const Action action = c.move ? Action::move(away.string()) : Action::copy(away.string());
        Applied applied = perform({action}, file, false, kNow);
        platform::setCopyChunkHook({});
        // Asked to stop, it copies no further chunk.
        EXPECT_EQ(chunks > 1, !stopping);

        EXPECT_EQ(applied.error, c.error);
        EXPECT_EQ(names(away), c.away);  // no temporary among them
        if (c.away.contains("big 2.dat")) {
            EXPECT_EQ(readFile(away / "big.dat"), "theirs");
        }
        if (c.arrivesAs) {
            const fs::path arrived = away / *c.arrivesAs;
            ASSERT_EQ(applied.steps.size(), 1u);
            EXPECT_EQ(applied.steps[0].to, arrived.string());
            EXPECT_EQ(applied.steps[0].key, FileInfo::keyIfPresent(arrived));
            EXPECT_EQ(readFile(arrived), mine);
            // Its date came along.
            struct stat status {};
            ASSERT_EQ(::stat(arrived.c_str(), &status), 0);
            EXPECT_EQ(status.st_mtim.tv_sec, 1714572309);
        } else {
            EXPECT_TRUE(applied.steps.empty());
        }
        EXPECT_EQ(fs::exists(source) ? std::optional(readFile(source)) : std::nullopt, c.left);
        fs::remove(source);
    }
    stopping = false;  // for the tests after, on this thread
}
