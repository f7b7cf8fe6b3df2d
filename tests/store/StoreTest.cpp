#include "Core/base/ActionError.h"
#include "Core/base/DecodingError.h"
#include "Core/base/JsonWriter.h"
#include "Core/base/Paths.h"
#include "tests/store/Child.h"
#include "tests/store/StoreFixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <system_error>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

const char* kBusy = "another Olva is already processing these folders";

Config oneFolder(const std::string& path)
{
    Config config;
    Folder folder;
    folder.path = path;
    config.folders.push_back(folder);
    return config;
}

long long nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

using RulesFile = InStore;
using SeenFile = InStore;
using EngineLock = InStore;

TEST(DataDirectory, ComesFromOlvaHomeThenXdgDataHome)
{
    TempDir tmp;
    using Env = std::optional<std::string>;
    const std::string share = (tmp / "share").string();
    const fs::path fallback = fs::path(userHome()) / ".local/share/Olva";
    struct Case {
        Env olvaHome, dataHome;
        fs::path expected;
    } cases[] = {
        {"~", share, userHome()},
        {"~/Olva Data", share, userHome() + "/Olva Data"},
        {(tmp / "~x").string(), share, tmp / "~x"},
        {"relative/data", share, fs::current_path() / "relative/data"},
        {std::nullopt, share, tmp / "share" / "Olva"},
        {"", share, tmp / "share" / "Olva"},
        {std::nullopt, std::nullopt, fallback},
        {std::nullopt, "relative", fallback},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("OLVA_HOME=" + c.olvaHome.value_or("(unset)") + " XDG_DATA_HOME=" + c.dataHome.value_or("(unset)"));
        ScopedEnv olvaHome("OLVA_HOME", c.olvaHome), dataHome("XDG_DATA_HOME", c.dataHome);
        EXPECT_EQ(Store::defaultDir(), c.expected);
    }
}

TEST(DataDirectory, IsCreatedWithItsParentsOrFailsToOpen)
{
    TempDir tmp;
    Store store(tmp / "a" / "b" / "Olva");
    EXPECT_TRUE(fs::is_directory(tmp / "a" / "b" / "Olva"));
    Store again(tmp / "a" / "b" / "Olva");

    writeFile(tmp / "file", "x");
    EXPECT_THROW(Store(tmp / "file"), std::system_error);
    EXPECT_THROW(Store(tmp / "file" / "Olva"), std::system_error);
}

TEST_F(RulesFile, MissingFileIsAnEmptyConfigurationAndNoChange)
{
    Config config = store.loadConfig();
    EXPECT_FALSE(config.paused);
    EXPECT_TRUE(config.folders.empty());
    EXPECT_TRUE(config.bookmarks.empty());
    EXPECT_FALSE(store.knownRules());
    EXPECT_FALSE(store.rulesChangedOnDisk());
    EXPECT_FALSE(fs::exists(tmp / "rules.json"));
}

TEST_F(RulesFile, IsWrittenPrettySortedWithPlainSlashesAndReadBack)
{
    Config config = oneFolder("~/Downloads/in");
    config.bookmarks["~/Downloads/in"] = {0xff, 0x00, 0x10};
    store.saveConfig(config);

    std::string text = readFile(tmp / "rules.json");
    EXPECT_EQ(store.knownRules(), text);
    EXPECT_NE(text.find("\"~/Downloads/in\""), std::string::npos) << text;
    EXPECT_EQ(text.find("\\/"), std::string::npos);
    EXPECT_NE(text.find("\n  \"bookmarks\""), std::string::npos) << text;
    EXPECT_LT(text.find("\"bookmarks\""), text.find("\"folders\""));
    EXPECT_LT(text.find("\"folders\""), text.find("\"paused\""));
    EXPECT_NE(text.find("\"/wAQ\""), std::string::npos) << text;

    Store other(tmp.path());
    Config loaded = other.loadConfig();
    ASSERT_EQ(loaded.folders.size(), 1u);
    EXPECT_EQ(loaded.folders[0].path, "~/Downloads/in");
    EXPECT_EQ(loaded.bookmarks.at("~/Downloads/in"), (Bytes{0xff, 0x00, 0x10}));
    EXPECT_EQ(other.knownRules(), text);
}

TEST_F(RulesFile, ChangesOnDiskAreThoseThisStoreDidNotMake)
{
    store.saveConfig(oneFolder("~/A"));
    EXPECT_FALSE(store.rulesChangedOnDisk());

    // Another process writes other bytes.
    Store other(tmp.path());
    other.saveConfig(oneFolder("~/B"));
    EXPECT_TRUE(store.rulesChangedOnDisk());
    EXPECT_FALSE(other.rulesChangedOnDisk());
    store.loadConfig();
    EXPECT_FALSE(store.rulesChangedOnDisk());

    fs::remove(tmp / "rules.json");
    EXPECT_TRUE(store.rulesChangedOnDisk());

    // A file appearing where none was read.
    Store fresh(tmp.path());
    EXPECT_FALSE(fresh.rulesChangedOnDisk());
    writeFile(tmp / "rules.json", "{}");
    EXPECT_TRUE(fresh.rulesChangedOnDisk());
}

TEST_F(RulesFile, WhatIsKnownOfTheFileFollowsOnlyWhatReachedTheDisk)
{
    // Each case leaves the store in some state, then says what is known and
    // whether a save would write over bytes it has not read.
    struct Case {
        std::string name;
        std::function<void(Store&, const fs::path& dir)> run;
        // "$DISK": the bytes now on disk; "known": those of the first save.
        std::optional<std::string> known;
        bool changed, unread;
    };
    const std::vector<Case> cases{
        {"a write that fails leaves the file and what is known of it",
         [](Store& s, const fs::path&) {
             s.saveConfig(oneFolder("~/A"));
             FileSizeLimit full(16);
             EXPECT_THROW(s.saveConfig(oneFolder("~/B")), std::system_error);
         },
         "$DISK", false, false},
        {"a write after the failure is known",
         [](Store& s, const fs::path&) {
             s.saveConfig(oneFolder("~/A"));
             {
                 FileSizeLimit full(16);
                 EXPECT_THROW(s.saveConfig(oneFolder("~/B")), std::system_error);
             }
             s.saveConfig(oneFolder("~/C"));
         },
         "$DISK", false, false},
        {"a file removed and then read is known as missing",
         [](Store& s, const fs::path& dir) {
             s.saveConfig(oneFolder("~/A"));
             fs::remove(dir / "rules.json");
             EXPECT_TRUE(s.loadConfig().folders.empty());
         },
         std::nullopt, false, false},
        {"a file removed but not read yet is a change with nothing to write over",
         [](Store& s, const fs::path& dir) {
             s.saveConfig(oneFolder("~/A"));
             fs::remove(dir / "rules.json");
         },
         "known", true, false},
        {"a file that appears where one was known as missing is unread",
         [](Store& s, const fs::path& dir) {
             s.saveConfig(oneFolder("~/A"));
             fs::remove(dir / "rules.json");
             s.loadConfig();
             writeFile(dir / "rules.json", "{}");
         },
         std::nullopt, true, true},
        {"a file that comes back with other bytes than were known is unread",
         [](Store& s, const fs::path& dir) {
             s.saveConfig(oneFolder("~/A"));
             fs::remove(dir / "rules.json");
             writeFile(dir / "rules.json", "{}");
         },
         "known", true, true},
        {"a file that cannot be read may hold anything",
         [](Store& s, const fs::path& dir) {
             s.saveConfig(oneFolder("~/A"));
             fs::remove(dir / "rules.json");
             fs::create_directory(dir / "rules.json");
         },
         "known", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Store s(dir.path());
        c.run(s, dir.path());
        if (c.known == "$DISK") {
            EXPECT_EQ(s.knownRules(), readFile(dir / "rules.json"));
        } else if (c.known == "known") {
            EXPECT_EQ(s.knownRules(), writeJson(toJson(oneFolder("~/A")), {.pretty = true, .sortKeys = true}));
        } else {
            EXPECT_EQ(s.knownRules(), c.known);
        }
        EXPECT_EQ(s.rulesChangedOnDisk(), c.changed);
        EXPECT_EQ(s.unreadRulesOnDisk(), c.unread);
    }
}

TEST_F(RulesFile, AnUndecodableFileIsRememberedButNotAccepted)
{
    writeFile(tmp / "rules.json", "{\"folders\": 3}");
    EXPECT_THROW(store.loadConfig(), DecodingError);
    EXPECT_EQ(store.knownRules(), "{\"folders\": 3}");
    EXPECT_FALSE(store.rulesChangedOnDisk());

    // Text that is no JSON is named, with where it stops making sense.
    for (auto [text, place] : std::vector<std::pair<std::string, std::string>>{
             {"{\"folders\": [", "(line 1, column 14)"},
             {"{\n  \"paused\": true,\n  \"folders\": [] ]\n}", "(line 3, column 17)"},
             {"{\"p\u00e4th\": tru }", "(line 1, column 13)"},
             {"", "(line 1, column 1)"}}) {
        writeFile(tmp / "rules.json", text);
        EXPECT_TRUE(store.rulesChangedOnDisk());
        std::string error = thrownText<DecodingError>([&] { store.loadConfig(); });
        EXPECT_TRUE(error.ends_with((tmp / "rules.json").string() + " is not valid JSON " + place)) << error;
    }

    fs::remove(tmp / "rules.json");
    fs::create_directory(tmp / "rules.json");
    EXPECT_THROW(store.loadConfig(), std::system_error);
}

TEST_F(RulesFile, SavingOverAnUndecodableFileSetsItAsideUnchanged)
{
    const std::string broken = "{ my hand-edited rules";
    writeFile(tmp / "rules.json", broken);
    auto before = nowSeconds();
    store.saveConfig(oneFolder("~/A"));
    auto after = nowSeconds();

    auto names = namesIn(tmp.path());
    names.erase("rules.json");
    ASSERT_EQ(names.size(), 1u);
    const std::string name = *names.begin();
    auto seconds = std::stoll(name.substr(17, name.size() - 17 - 5));
    EXPECT_EQ(name, "rules.unreadable-" + std::to_string(seconds) + ".json");
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
    EXPECT_EQ(readFile(tmp / name), broken);
    EXPECT_EQ(store.loadConfig().folders.at(0).path, "~/A");

    // A decodable file is simply replaced.
    store.saveConfig(oneFolder("~/B"));
    EXPECT_EQ(namesIn(tmp.path()), (std::set<std::string>{"rules.json", name}));
}

TEST_F(RulesFile, SettingAsideNeverReplacesAnEarlierSetAsideFile)
{
    // Occupy every first name the save could pick in the next seconds, and
    // a second one too: the save takes the next free number.
    auto now = nowSeconds();
    for (auto s = now - 1; s <= now + 5; ++s) {
        writeFile(tmp / ("rules.unreadable-" + std::to_string(s) + ".json"), "first broken file");
        writeFile(tmp / ("rules.unreadable-" + std::to_string(s) + "-2.json"), "second broken file");
    }
    writeFile(tmp / "rules.json", "third broken file");
    store.saveConfig(oneFolder("~/A"));
    EXPECT_EQ(store.loadConfig().folders.at(0).path, "~/A");
    std::set<std::string> thirds;
    for (const std::string& name : namesIn(tmp.path())) {
        if (name.ends_with("-3.json")) thirds.insert(name);
        else if (name.ends_with("-2.json")) {
            EXPECT_EQ(readFile(tmp / name), "second broken file");
        }
        else if (name != "rules.json") {
            EXPECT_EQ(readFile(tmp / name), "first broken file") << name;
        }
    }
    ASSERT_EQ(thirds.size(), 1u);
    EXPECT_EQ(readFile(tmp / *thirds.begin()), "third broken file");
}

TEST_F(RulesFile, AConfigurationThatCannotBeEncodedChangesNothing)
{
    store.saveConfig(oneFolder("~/A"));
    auto before = readFile(tmp / "rules.json");
    EXPECT_THROW(store.saveConfig(oneFolder("~/\xff")), EncodingError);
    EXPECT_EQ(readFile(tmp / "rules.json"), before);
    EXPECT_EQ(store.knownRules(), before);
}

TEST_F(SeenFile, RoundTripsAndIsEmptyWhenMissing)
{
    EXPECT_TRUE(store.loadSeen().empty());

    Seen seen{{"vol/12/1700000000", {"aaaa", "bbbb"}}, {"other", {}}};
    store.saveSeen(seen);
    EXPECT_EQ(store.loadSeen(), seen);
    std::string text = readFile(tmp / "seen.json");
    EXPECT_NE(text.find("\"vol\\/12\\/1700000000\""), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos);

    writeFile(tmp / "seen.json", R"({"k":["v","v","w"]})");
    EXPECT_EQ(store.loadSeen(), (Seen{{"k", {"v", "w"}}}));
}

TEST_F(SeenFile, AnythingButAnObjectOfTextListsIsAnErrorNamingTheFile)
{
    Store spaced(tmp / "data dir");
    auto file = tmp / "data dir" / "seen.json";
    const std::string expected =
        file.string()
        + " can’t be read. It records which files each rule already handled, and without it live rules would act "
          "again on every file. Restore it from a backup, or remove it to accept that.";
    for (const char* text : {"", "[]", "null", "{\"k\": \"v\"}", "{\"k\": [1]}", "{\"k\": [\"v\"]", "{\"k\": null}"}) {
        writeFile(file, text);
        EXPECT_EQ(thrownText<ActionError>([&] { spaced.loadSeen(); }), expected) << text;
    }
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_THROW(spaced.loadSeen(), ActionError);
}

TEST_F(EngineLock, IsTakenOncePerStoreAndRefusedToASecondOne)
{
    EXPECT_EQ(store.engineLock(), -1);
    store.lockEngine();
    int fd = store.engineLock();
    ASSERT_GE(fd, 0);
    store.lockEngine();
    EXPECT_EQ(store.engineLock(), fd);
    EXPECT_TRUE(fs::exists(tmp / "engine.lock"));

    Store second(tmp.path());
    EXPECT_EQ(thrownText<ActionError>([&] { second.lockEngine(); }), kBusy);
    EXPECT_EQ(second.engineLock(), -1);
}

TEST_F(EngineLock, HoldsBetweenProcessesUntilTheHolderEnds)
{
    // 1 when another holder has the lock.
    auto tryLock = [&] { return thrownText<ActionError>([&] { Store(tmp.path()).lockEngine(); }) == kBusy ? 1 : 0; };

    // A child holds the lock until told to end.
    int go[2];
    int ready[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(ready), 0);
    pid_t holder = startChild([&] {
        Store holding(tmp.path());
        holding.lockEngine();
        char byte = 'x';
        if (::write(ready[1], &byte, 1) != 1) return 3;
        return ::read(go[0], &byte, 1) == 1 ? 0 : 4;
    });
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);

    EXPECT_EQ(tryLock(), 1);
    EXPECT_EQ(runChild(tryLock), 1);

    ASSERT_EQ(::write(go[1], "x", 1), 1);
    EXPECT_EQ(waitChild(holder), 0);
    for (int fd : {go[0], go[1], ready[0], ready[1]}) ::close(fd);

    store.lockEngine();
    EXPECT_EQ(runChild(tryLock), 1);
}

TEST_F(EngineLock, IsNotInheritedByProgramsTheHolderStarts)
{
    store.lockEngine();
    EXPECT_TRUE(::fcntl(store.engineLock(), F_GETFD) & FD_CLOEXEC);
}

TEST_F(EngineLock, ReleasedWhenTheHolderExecsAnotherProgram)
{
    // The child takes the lock, then becomes a long-running program, as a
    // shell action that leaves something running would.
    int ready[2];
    ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        try {
            Store holding(tmp.path());
            holding.lockEngine();
        } catch (...) {
            ::_exit(3);
        }
        if (::write(ready[1], "L", 1) != 1) ::_exit(4);
        ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
        ::_exit(5);
    }
    ::close(ready[1]);
    // "L" once the lock is taken, then end of file once exec closed the pipe.
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(::read(ready[0], &byte, 1), 0);
    ::close(ready[0]);

    // exec closes the child's descriptors one by one, so the pipe can report
    // the end before the lock file is closed: allow a moment.
    EXPECT_TRUE(eventually([&] { return thrownText<ActionError>([&] { store.lockEngine(); }) == "(nothing thrown)"; }));
    ::kill(child, SIGKILL);
    waitChild(child);
}

TEST_F(EngineLock, OtherFailuresReportTheirOwnError)
{
    fs::create_directory(tmp / "engine.lock");
    // Not reported as busy: an ActionError would escape and fail the test.
    EXPECT_EQ(thrownCode([&] { store.lockEngine(); }), std::errc::is_a_directory);
    EXPECT_EQ(store.engineLock(), -1);
}

namespace {

// How many of this process's descriptors are open on removed files of `dir`.
int openRemovedFiles(const fs::path& dir)
{
    int count = 0;
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        std::string target = fs::read_symlink(fd.path(), error).string();
        if (!error && target.starts_with(dir.string() + "/") && target.ends_with(" (deleted)")) ++count;
    }
    return count;
}

}  // namespace

// The lock held on a file that is gone keeps nobody out of the data folder
// that is there now: it is known as not held, let go, and taken again there,
// unless another process was first.
TEST_F(EngineLock, IsTakenAgainWhereTheDataFolderIsNow)
{
    struct Case {
        std::string name;
        std::function<void(const fs::path& dir)> change;
        bool held;             // still held where the folder is now
        bool takenByAnother;   // another process locks the folder first
    };
    const std::vector<Case> cases{
        {"left alone", [](const fs::path&) {}, true, false},
        {"removed and made again",
         [](const fs::path& dir) {
             fs::remove_all(dir);
             fs::create_directory(dir);
         },
         false, false},
        {"its lock file replaced",
         [](const fs::path& dir) {
             fs::remove(dir / "engine.lock");
             writeFile(dir / "engine.lock", "");
         },
         false, false},
        {"moved away and another moved in",
         [](const fs::path& dir) {
             fs::rename(dir, dir.string() + ".old");
             fs::create_directory(dir);
         },
         false, false},
        {"removed, and another process locks the new one first",
         [](const fs::path& dir) {
             fs::remove_all(dir);
             fs::create_directory(dir);
         },
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir scratch;
        const fs::path dir = scratch / "data";
        Store holder(dir);
        holder.lockEngine();
        const int fd = holder.engineLock();
        holder.appendJournal({JournalRecord::mark("1:2:3", {"v1"})});

        c.change(dir);
        EXPECT_EQ(holder.holdsEngineLock(), c.held);
        // A second store opens a descriptor of its own, as another process does.
        Store other(dir);
        if (c.takenByAnother) {
            other.lockEngine();
            EXPECT_EQ(thrownText<ActionError>([&] { holder.relockEngine(); }), kBusy);
            EXPECT_EQ(holder.engineLock(), -1);
            EXPECT_FALSE(holder.holdsEngineLock());
        } else {
            holder.relockEngine();
            EXPECT_TRUE(holder.holdsEngineLock());
            EXPECT_EQ(thrownText<ActionError>([&] { other.lockEngine(); }), kBusy);
            if (c.held) {
                EXPECT_EQ(holder.engineLock(), fd);
            }
        }
        // A folder moved away is no longer this store's: its lock is free.
        if (fs::exists(dir.string() + ".old")) Store(dir.string() + ".old").lockEngine();
    }
}

// While the files are open the system does not report the folder gone to a
// watch on the folder itself; nothing holds them once it is.
TEST_F(EngineLock, NothingOfARemovedDataFolderStaysOpen)
{
    const fs::path dir = tmp / "data";
    Store holder(dir);
    holder.lockEngine();
    holder.appendJournal({JournalRecord::mark("1:2:3", {"v1"})});
    holder.releaseGoneFiles();
    EXPECT_GE(holder.engineLock(), 0);

    fs::remove_all(dir);
    EXPECT_EQ(openRemovedFiles(dir), 2);
    holder.releaseGoneFiles();
    EXPECT_EQ(openRemovedFiles(dir), 0);
    EXPECT_EQ(holder.engineLock(), -1);
    // Nothing is made in its place: the lock waits for the folder.
    EXPECT_EQ(thrownCode([&] { holder.relockEngine(); }), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(fs::exists(dir));
}
