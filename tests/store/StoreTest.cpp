#include "Core/ActionError.h"
#include "Core/DecodingError.h"
#include "Core/Paths.h"
#include "Core/Store.h"
#include "tests/store/Child.h"
#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <system_error>
#include <thread>

using namespace olva;
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

TEST(DataDirectory, ComesFromOlvaHomeThenXdgDataHome)
{
    test::TempDir tmp;
    {
        test::ScopedEnv home("OLVA_HOME", "~");
        EXPECT_EQ(Store::defaultDir(), fs::path(userHome()));
    }
    {
        test::ScopedEnv home("OLVA_HOME", "~/Olva Data");
        EXPECT_EQ(Store::defaultDir(), fs::path(userHome() + "/Olva Data"));
    }
    {
        test::ScopedEnv home("OLVA_HOME", (tmp / "~x").string());
        EXPECT_EQ(Store::defaultDir(), tmp / "~x");
    }
    {
        test::ScopedEnv home("OLVA_HOME", "relative/data");
        EXPECT_EQ(Store::defaultDir(), fs::current_path() / "relative/data");
    }
    test::ScopedEnv home("OLVA_HOME", std::nullopt);
    {
        test::ScopedEnv data("XDG_DATA_HOME", (tmp / "share").string());
        EXPECT_EQ(Store::defaultDir(), tmp / "share" / "Olva");
    }
    for (std::optional<std::string> value : {std::optional<std::string>(), std::optional<std::string>("relative")}) {
        test::ScopedEnv data("XDG_DATA_HOME", value);
        EXPECT_EQ(Store::defaultDir(), fs::path(userHome()) / ".local/share/Olva");
    }
    {
        test::ScopedEnv empty("OLVA_HOME", "");
        test::ScopedEnv data("XDG_DATA_HOME", (tmp / "share").string());
        EXPECT_EQ(Store::defaultDir(), tmp / "share" / "Olva");
    }
}

TEST(DataDirectory, IsCreatedWithItsParentsOrFailsToOpen)
{
    test::TempDir tmp;
    Store store(tmp / "a" / "b" / "Olva");
    EXPECT_TRUE(fs::is_directory(tmp / "a" / "b" / "Olva"));
    Store again(tmp / "a" / "b" / "Olva");

    test::writeFile(tmp / "file", "x");
    EXPECT_THROW(Store(tmp / "file"), std::system_error);
    EXPECT_THROW(Store(tmp / "file" / "Olva"), std::system_error);
}

TEST(RulesFile, MissingFileIsAnEmptyConfigurationAndNoChange)
{
    test::TempDir tmp;
    Store store(tmp.path());
    Config config = store.loadConfig();
    EXPECT_FALSE(config.paused);
    EXPECT_TRUE(config.folders.empty());
    EXPECT_TRUE(config.bookmarks.empty());
    EXPECT_FALSE(store.knownRules());
    EXPECT_FALSE(store.rulesChangedOnDisk());
    EXPECT_FALSE(fs::exists(tmp / "rules.json"));
}

TEST(RulesFile, IsWrittenPrettySortedWithPlainSlashesAndReadBack)
{
    test::TempDir tmp;
    Store store(tmp.path());
    Config config = oneFolder("~/Downloads/in");
    config.bookmarks["~/Downloads/in"] = {0xff, 0x00, 0x10};
    store.saveConfig(config);

    std::string text = test::readFile(tmp / "rules.json");
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

TEST(RulesFile, ChangesOnDiskAreThoseThisStoreDidNotMake)
{
    test::TempDir tmp;
    Store store(tmp.path());
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
    test::writeFile(tmp / "rules.json", "{}");
    EXPECT_TRUE(fresh.rulesChangedOnDisk());
}

TEST(RulesFile, AnUndecodableFileIsRememberedButNotAccepted)
{
    test::TempDir tmp;
    Store store(tmp.path());
    test::writeFile(tmp / "rules.json", "{\"folders\": 3}");
    EXPECT_THROW(store.loadConfig(), DecodingError);
    EXPECT_EQ(store.knownRules(), "{\"folders\": 3}");
    EXPECT_FALSE(store.rulesChangedOnDisk());

    test::writeFile(tmp / "rules.json", "{\"folders\": [");
    EXPECT_TRUE(store.rulesChangedOnDisk());
    EXPECT_THROW(store.loadConfig(), DecodingError);

    fs::remove(tmp / "rules.json");
    fs::create_directory(tmp / "rules.json");
    EXPECT_THROW(store.loadConfig(), std::system_error);
}

TEST(RulesFile, SavingOverAnUndecodableFileSetsItAsideUnchanged)
{
    test::TempDir tmp;
    Store store(tmp.path());
    const std::string broken = "{ my hand-edited rules";
    test::writeFile(tmp / "rules.json", broken);
    auto before = nowSeconds();
    store.saveConfig(oneFolder("~/A"));
    auto after = nowSeconds();

    std::vector<fs::path> setAside;
    for (const auto& item : fs::directory_iterator(tmp.path()))
        if (item.path().filename().string().starts_with("rules.unreadable-")) setAside.push_back(item.path());
    ASSERT_EQ(setAside.size(), 1u);
    auto name = setAside[0].filename().string();
    auto seconds = std::stoll(name.substr(17, name.size() - 17 - 5));
    EXPECT_EQ(name, "rules.unreadable-" + std::to_string(seconds) + ".json");
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
    EXPECT_EQ(test::readFile(setAside[0]), broken);
    EXPECT_EQ(store.loadConfig().folders.at(0).path, "~/A");

    // A decodable file is simply replaced.
    store.saveConfig(oneFolder("~/B"));
    int count = 0;
    for (const auto& item : fs::directory_iterator(tmp.path()))
        count += item.path().filename().string().starts_with("rules.unreadable-");
    EXPECT_EQ(count, 1);
}

TEST(RulesFile, SettingAsideNeverReplacesAnEarlierSetAsideFile)
{
    test::TempDir tmp;
    Store store(tmp.path());
    test::writeFile(tmp / "rules.json", "second broken file");
    // Occupy every name the save could pick in the next seconds.
    auto now = nowSeconds();
    for (auto s = now - 1; s <= now + 5; ++s)
        test::writeFile(tmp / ("rules.unreadable-" + std::to_string(s) + ".json"), "first broken file");

    try {
        store.saveConfig(oneFolder("~/A"));
        FAIL() << "saved";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::file_exists);
    }
    EXPECT_EQ(test::readFile(tmp / "rules.json"), "second broken file");
    for (auto s = now - 1; s <= now + 5; ++s)
        EXPECT_EQ(test::readFile(tmp / ("rules.unreadable-" + std::to_string(s) + ".json")), "first broken file");
    EXPECT_FALSE(store.knownRules());
}

TEST(RulesFile, AConfigurationThatCannotBeEncodedChangesNothing)
{
    test::TempDir tmp;
    Store store(tmp.path());
    store.saveConfig(oneFolder("~/A"));
    auto before = test::readFile(tmp / "rules.json");
    EXPECT_THROW(store.saveConfig(oneFolder("~/\xff")), EncodingError);
    EXPECT_EQ(test::readFile(tmp / "rules.json"), before);
    EXPECT_EQ(store.knownRules(), before);
}

TEST(SeenFile, RoundTripsAndIsEmptyWhenMissing)
{
    test::TempDir tmp;
    Store store(tmp.path());
    EXPECT_TRUE(store.loadSeen().empty());

    Seen seen{{"vol/12/1700000000", {"aaaa", "bbbb"}}, {"other", {}}};
    store.saveSeen(seen);
    EXPECT_EQ(store.loadSeen(), seen);
    std::string text = test::readFile(tmp / "seen.json");
    EXPECT_NE(text.find("\"vol\\/12\\/1700000000\""), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos);

    test::writeFile(tmp / "seen.json", R"({"k":["v","v","w"]})");
    EXPECT_EQ(store.loadSeen(), (Seen{{"k", {"v", "w"}}}));
}

TEST(SeenFile, AnythingButAnObjectOfTextListsIsAnErrorNamingTheFile)
{
    test::TempDir tmp;
    Store store(tmp / "data dir");
    auto file = tmp / "data dir" / "seen.json";
    const std::string expected =
        file.string()
        + " can’t be read. It records which files each rule already handled, and without it live rules would act "
          "again on every file. Restore it from a backup, or remove it to accept that.";
    for (const char* text : {"", "[]", "null", "{\"k\": \"v\"}", "{\"k\": [1]}", "{\"k\": [\"v\"]", "{\"k\": null}"}) {
        test::writeFile(file, text);
        try {
            store.loadSeen();
            ADD_FAILURE() << "read " << text;
        } catch (const ActionError& error) {
            EXPECT_EQ(error.description(), expected) << text;
        }
    }
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_THROW(store.loadSeen(), ActionError);
}

TEST(EngineLock, IsTakenOncePerStoreAndRefusedToASecondOne)
{
    test::TempDir tmp;
    Store store(tmp.path());
    EXPECT_EQ(store.engineLock(), -1);
    store.lockEngine();
    int fd = store.engineLock();
    ASSERT_GE(fd, 0);
    store.lockEngine();
    EXPECT_EQ(store.engineLock(), fd);
    EXPECT_TRUE(fs::exists(tmp / "engine.lock"));

    Store second(tmp.path());
    try {
        second.lockEngine();
        FAIL() << "locked twice";
    } catch (const ActionError& error) {
        EXPECT_EQ(error.description(), kBusy);
    }
    EXPECT_EQ(second.engineLock(), -1);
}

TEST(EngineLock, HoldsBetweenProcessesUntilTheHolderEnds)
{
    test::TempDir tmp;
    auto tryLock = [&] {
        Store store(tmp.path());
        try {
            store.lockEngine();
            return 0;
        } catch (const ActionError& error) {
            return error.description() == kBusy ? 1 : 2;
        }
    };

    // A child holds the lock until told to end.
    int go[2];
    int ready[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(ready), 0);
    pid_t holder = test::startChild([&] {
        Store store(tmp.path());
        store.lockEngine();
        char byte = 'x';
        if (::write(ready[1], &byte, 1) != 1) return 3;
        return ::read(go[0], &byte, 1) == 1 ? 0 : 4;
    });
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);

    EXPECT_EQ(tryLock(), 1);
    EXPECT_EQ(test::runChild(tryLock), 1);

    ASSERT_EQ(::write(go[1], "x", 1), 1);
    EXPECT_EQ(test::waitChild(holder), 0);
    for (int fd : {go[0], go[1], ready[0], ready[1]}) ::close(fd);

    Store mine(tmp.path());
    mine.lockEngine();
    EXPECT_EQ(test::runChild(tryLock), 1);
}

TEST(EngineLock, IsNotInheritedByProgramsTheHolderStarts)
{
    test::TempDir tmp;
    Store store(tmp.path());
    store.lockEngine();
    EXPECT_TRUE(::fcntl(store.engineLock(), F_GETFD) & FD_CLOEXEC);
}

TEST(EngineLock, ReleasedWhenTheHolderExecsAnotherProgram)
{
    test::TempDir tmp;
    // The child takes the lock, then becomes a long-running program, as a
    // shell action that leaves something running would.
    int ready[2];
    ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        try {
            Store store(tmp.path());
            store.lockEngine();
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
    Store mine(tmp.path());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool locked = false;
    while (!locked && std::chrono::steady_clock::now() < deadline) {
        try {
            mine.lockEngine();
            locked = true;
        } catch (const ActionError&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    EXPECT_TRUE(locked);
    ::kill(child, SIGKILL);
    test::waitChild(child);
}

TEST(EngineLock, OtherFailuresReportTheirOwnError)
{
    test::TempDir tmp;
    fs::create_directory(tmp / "engine.lock");
    Store store(tmp.path());
    try {
        store.lockEngine();
        FAIL() << "locked";
    } catch (const ActionError&) {
        FAIL() << "reported as busy";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::is_a_directory);
    }
    EXPECT_EQ(store.engineLock(), -1);
}
