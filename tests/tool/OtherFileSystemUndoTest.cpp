// `olva undo` of a run whose last step moved the file to another file
// system: the move back copies it, so it returns as a new file, and still
// the whole run is undone, down to its first name and its first tags.
#include "Core/store/Log.h"
#include "Core/platform/FileMetadata.h"
#include "tests/tool/FullDisk.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <cerrno>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

class OtherFileSystemUndo : public ::testing::Test {
protected:
    // The watched folder stays on the disk, where tags can always be kept;
    // the rules' destination is a file system of its own.
    fs::path archive() const { return fixture.temp / "Archive"; }

    bool tmpfsKeepsTags() const
    {
        fs::path probe = archive() / ".probe";
        writeFile(probe, "");
        bool kept = ::setxattr(probe.c_str(), "user.olva.probe", "1", 1, 0) == 0 || errno != ENOTSUP;
        fs::remove(probe);
        return kept;
    }

    std::string onlyEntryId()
    {
        auto entries = parseLogLines(readFile(fixture.home() / "log.json"));
        EXPECT_EQ(entries.size(), 1u);
        return entries.empty() ? std::string() : entries.front().id;
    }

    std::vector<std::string> archived() const
    {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(archive())) {
            if (item.path().filename() != "filler") names.push_back(item.path().filename());
        }
        return names;
    }

    ToolFixture fixture;
    std::unique_ptr<FullDisk> disk;
};

}  // namespace

TEST_F(OtherFileSystemUndo, TheWholeRunComesBackWithItsFirstNameAndTags)
{
    struct Case {
        const char* what;
        std::vector<Action> actions;
        bool full;  // the destination has no room left once the file is there
    };
    const std::vector<Case> cases = {
        {"tag, then move", {Action::addTags({"Work"}), Action::move(archive().string())}, false},
        {"tag, then move to what is then full", {Action::addTags({"Work"}), Action::move(archive().string())}, true},
        {"rename, then move", {Action::rename("renamed"), Action::move(archive().string())}, false},
        {"rename and tag, then move to what is then full",
         {Action::rename("renamed"), Action::addTags({"Work"}), Action::move(archive().string())},
         true},
    };
    for (const auto& [what, actions, full] : cases) {
        SCOPED_TRACE(what);
        fs::remove_all(fixture.home() / "log.json");
        fs::remove_all(fixture.home() / "seen.json");
        fs::create_directories(archive());
        disk = std::make_unique<FullDisk>(archive());
        if (!disk->mounted()) GTEST_SKIP() << "no mount here: another file system needs one";
        bool tags = std::any_of(actions.begin(), actions.end(),
                                [](const Action& action) { return action.kind == Action::Kind::addTags; });
        if (tags && !tmpfsKeepsTags()) {
            std::cerr << "[          ] tmpfs keeps no user tags on this kernel: " << what << " left out\n";
            disk.reset();
            continue;
        }
        Rule rule = extRule("File", "dat", Action::trash());
        rule.actions = actions;
        fixture.watch(fixture.inbox(), {rule});
        const fs::path file = fixture.inbox() / "x1.dat";
        writeFile(file, "payload");
        platform::writeTags(file, {"Keep"});

        Finished once = runOlva({"once"}, fixture.inHome());
        ASSERT_EQ(once.status, 0) << once.err;
        ASSERT_FALSE(fs::exists(file));
        ASSERT_EQ(archived().size(), 1u);
        if (full) disk->leaveRoom(0);

        Finished undo = runOlva({"undo", onlyEntryId().substr(0, 8)}, fixture.inHome());
        EXPECT_EQ(undo.status, 0) << undo.err;
        EXPECT_EQ(undo.err, "");
        EXPECT_TRUE(undo.out.starts_with("undone: ")) << undo.out;
        EXPECT_TRUE(archived().empty());
        ASSERT_TRUE(fs::exists(file));
        EXPECT_EQ(readFile(file), "payload");
        EXPECT_EQ(platform::readTags(file), std::vector<std::string>{"Keep"});
        EXPECT_FALSE(fs::exists(fixture.inbox() / "renamed.dat"));

        // The file is not handled again by the rule that was undone.
        Finished again = runOlva({"once"}, fixture.inHome());
        EXPECT_EQ(again.status, 0) << again.err;
        EXPECT_TRUE(fs::exists(file));
        fs::remove(file);
        disk.reset();
    }
}
