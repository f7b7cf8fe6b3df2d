// `olva` on each file system a user plugs in or meets in a container:
// tmpfs, overlayfs (files of its lower layer), and FAT and exFAT through
// FUSE. Each is mounted for the test in a mount namespace of its own, and
// the test is skipped, with the reason, where that cannot be done.
#include "Core/platform/FileMetadata.h"
#include "Core/platform/FileTransfer.h"
#include "Core/store/Log.h"
#include "tests/support/PrivateMounts.h"
#include "tests/tool/ToolTestSupport.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <set>

using namespace olva;
using namespace olva::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

enum class Kind { tmpfs, overlay, fat, exfat };

struct Volume {
    const char* name;
    Kind kind;
};

const std::vector<Volume> kVolumes = {
    {"tmpfs", Kind::tmpfs},
    {"overlayfs", Kind::overlay},
    {"FAT through FUSE", Kind::fat},
    {"exFAT through FUSE", Kind::exfat},
};

bool keepsTags(const fs::path& folder)
{
    fs::path probe = folder / "tag-probe";
    writeFile(probe, "");
    bool kept = ::setxattr(probe.c_str(), "user.olva.probe", "1", 1, 0) == 0;
    fs::remove(probe);
    return kept;
}

Rule rule(const std::string& name, std::vector<Action> actions)
{
    Rule made = extRule(name, "dat", Action::trash());
    made.actions = std::move(actions);
    return made;
}

class FileSystems : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!mounts.unavailable().empty()) GTEST_SKIP() << mounts.unavailable();
    }

    // Mounts a fresh one and gives the folder on it where the test works.
    // `seed` fills that folder first: on overlayfs its files are in the
    // lower layer. Empty when it cannot be mounted here (`skipped` says why).
    fs::path mount(const Volume& volume, const std::function<void(const fs::path&)>& seed = {})
    {
        if (!mounts.unavailable().empty()) {
            skipped = mounts.unavailable();
            return {};
        }
        const fs::path base = fixture.temp / ("volume" + std::to_string(++count_));
        const fs::path point = base / "mounted";
        fs::create_directories(point);
        bool mounted = false;
        switch (volume.kind) {
        case Kind::tmpfs: mounted = mounts.mountTmpfs(point, "128m"); break;
        case Kind::overlay:
            for (const char* layer : {"lower", "upper", "work"}) fs::create_directories(base / layer);
            fs::create_directories(base / "lower" / "Folder");
            if (seed) seed(base / "lower" / "Folder");
            mounted = mounts.mountOverlay(base / "lower", base / "upper", base / "work", point);
            break;
        case Kind::fat: mounted = mounts.mountFat(base / "image", point, 128); break;
        case Kind::exfat: mounted = mounts.mountExfat(base / "image", point, 128); break;
        }
        if (!mounted) {
            skipped = mounts.failure();
            return {};
        }
        const fs::path folder = point / "Folder";
        fs::create_directories(folder);
        if (seed && volume.kind != Kind::overlay) seed(folder);
        return folder;
    }

    // A data directory with nothing in it yet.
    void freshHome()
    {
        fs::remove_all(fixture.home());
        fs::create_directories(fixture.home());
    }

    void save(std::vector<Folder> folders)
    {
        Config config;
        config.folders = std::move(folders);
        fixture.store()->saveConfig(config);
    }

    std::vector<Entry> runs()
    {
        auto entries = fixture.store()->entries();
        std::erase_if(entries, [](const Entry& entry) { return entry.undoOf.has_value(); });
        return entries;
    }

    void undo(const Entry& entry)
    {
        Finished undone = runOlva({"undo", entry.id.substr(0, 13)}, fixture.inHome());
        EXPECT_EQ(undone.status, 0) << undone.err;
    }

    ToolFixture fixture;
    PrivateMounts mounts;  // before the fixture's folder goes
    std::string skipped;

private:
    int count_ = 0;
};

}  // namespace

TEST_F(FileSystems, ARuleActsOnceOnEachFileAndEveryRunIsUndone)
{
    const fs::path ran = fixture.temp / "ran";
    for (const Volume& volume : kVolumes) {
        SCOPED_TRACE(volume.name);
        freshHome();
        fs::remove(ran);
        const fs::path folder = mount(volume, [](const fs::path& into) {
            writeFile(into / "f1.dat", "one");
            writeFile(into / "f2.dat", "two");
        });
        if (folder.empty()) {
            std::cerr << "[          ] " << volume.name << " left out: " << skipped << "\n";
            continue;
        }
        const bool tags = keepsTags(folder);
        std::vector<Action> actions = {Action::rename("{name}-r"), Action::sortInto("Sorted/{modified:yyyy}"),
                                       Action::shell("echo \"$1\" >> '" + ran.string() + "'")};
        if (tags) actions.insert(actions.begin() + 1, Action::addTags({"Done"}));
        // Subfolders are watched too: a file the rule sorted into one is
        // met again there, and must be known.
        save({Folder{folder.string(), 3, false, {rule("Tidy", actions)}}});

        for (int pass = 0; pass < 3; ++pass) {
            Finished once = runOlva({"once"}, fixture.inHome());
            ASSERT_EQ(once.status, 0) << once.err;
        }
        // Once each: the key a file had before its rename is the key it has after.
        const auto entries = runs();
        ASSERT_EQ(entries.size(), 2u);
        const std::string scripts = readFile(ran);
        EXPECT_EQ(std::count(scripts.begin(), scripts.end(), '\n'), 2);
        const fs::path sorted = fs::directory_iterator(folder / "Sorted")->path();
        EXPECT_EQ(namesIn(sorted), (std::set<std::string>{"f1-r.dat", "f2-r.dat"}));
        EXPECT_EQ(namesIn(folder), (std::set<std::string>{"Sorted"}));
        for (const auto& entry : entries) {
            EXPECT_EQ(entry.error, std::nullopt);
            EXPECT_EQ(entry.steps.size(), tags ? 4u : 3u);
        }
        if (tags) {
            EXPECT_EQ(platform::readTags(sorted / "f1-r.dat"), std::vector<std::string>{"Done"});
        }

        for (const auto& entry : entries) undo(entry);
        EXPECT_EQ(namesIn(folder), (std::set<std::string>{"Sorted", "f1.dat", "f2.dat"}));
        EXPECT_TRUE(namesIn(sorted).empty());
        EXPECT_EQ(readFile(folder / "f1.dat"), "one");
        EXPECT_TRUE(platform::readTags(folder / "f1.dat").empty());
        // Put back, they are not handled again.
        Finished again = runOlva({"once"}, fixture.inHome());
        EXPECT_EQ(again.out, "");
        EXPECT_EQ(runs().size(), 2u);
    }
}

TEST_F(FileSystems, AMoveInKeepsWhatTheFileSystemCanHoldAndItsUndoGivesTheRestBack)
{
    const std::vector<std::string> tags = {"Tax 2026", "Important"};
    for (const Volume& volume : kVolumes) {
        SCOPED_TRACE(volume.name);
        freshHome();
        const fs::path destination = mount(volume);
        if (destination.empty()) {
            std::cerr << "[          ] " << volume.name << " left out: " << skipped << "\n";
            continue;
        }
        const bool kept = keepsTags(destination);
        const fs::path file = fixture.inbox() / "doc.dat";
        writeFile(file, "the doc");
        platform::writeTags(file, tags);
        save({Folder{fixture.inbox().string(), 0, false, {rule("Archive", {Action::move(destination.string())})}}});

        Finished once = runOlva({"once"}, fixture.inHome());
        ASSERT_EQ(once.status, 0) << once.err;
        ASSERT_EQ(runs().size(), 1u);
        const Step step = runs()[0].steps.at(0);
        EXPECT_EQ(step.to, (destination / "doc.dat").string());
        EXPECT_EQ(readFile(destination / "doc.dat"), "the doc");
        EXPECT_EQ(namesIn(destination), std::set<std::string>{"doc.dat"});
        if (kept) {
            EXPECT_EQ(platform::readTags(destination / "doc.dat"), tags);
            EXPECT_EQ(step.note, std::nullopt);
        } else {
            EXPECT_EQ(step.note, "the tags Tax 2026, Important couldn’t go along: the destination can’t keep tags");
            EXPECT_NE(once.out.find("couldn’t go along"), std::string::npos) << once.out;
        }

        undo(runs()[0]);
        EXPECT_EQ(readFile(file), "the doc");
        EXPECT_EQ(platform::readTags(file), tags);
        EXPECT_TRUE(namesIn(destination).empty());
        fs::remove(file);
    }
}

TEST_F(FileSystems, ACopyKilledMidwayLeavesNoPartOfTheFileAndIsMadeOnTheNextStart)
{
    const std::string contents = largePayload('k');
    for (const Volume& volume : kVolumes) {
        for (const bool move : {true, false}) {
            SCOPED_TRACE(std::string(volume.name) + (move ? ", move" : ", copy"));
            freshHome();
            const fs::path destination = mount(volume);
            if (destination.empty()) {
                std::cerr << "[          ] " << volume.name << " left out: " << skipped << "\n";
                break;
            }
            const fs::path file = fixture.inbox() / "big.dat";
            writeFile(file, contents);
            const Action action = move ? Action::move(destination.string()) : Action::copy(destination.string());
            save({Folder{fixture.inbox().string(), 0, false, {rule("Archive", {action})}}});

            ASSERT_TRUE(fixture.killWhenHeld("once", "copying")) << "never held";
            // Killed while it copied: a temporary, and nothing under the name.
            const auto midway = namesIn(destination);
            ASSERT_EQ(midway.size(), 1u);
            EXPECT_TRUE(platform::isTemporaryCopyName(*midway.begin())) << *midway.begin();
            EXPECT_EQ(readFile(file), contents);

            // The next start tidies up, logs the run cut short, and runs the
            // rule again, since it had changed nothing.
            Finished next = runOlva({"once"}, fixture.inHome());
            EXPECT_EQ(next.status, 0) << next.err;
            const auto entries = runs();
            ASSERT_EQ(entries.size(), 2u) << next.out;
            EXPECT_EQ(entries[0].error, "interrupted: Olva stopped before the rule’s actions finished");
            EXPECT_TRUE(entries[0].steps.empty());
            EXPECT_EQ(entries[1].error, std::nullopt);
            EXPECT_EQ(namesIn(destination), std::set<std::string>{"big.dat"});
            EXPECT_EQ(readFile(destination / "big.dat"), contents);
            EXPECT_EQ(fs::exists(file), !move);

            undo(entries[1]);
            EXPECT_EQ(readFile(file), contents);
            EXPECT_TRUE(namesIn(destination).empty());
            fs::remove(file);
        }
    }
}
