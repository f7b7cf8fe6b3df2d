#include "Core/base/DecodingError.h"
#include "Core/base/UTF8.h"
#include "Core/platform/AtomicFile.h"
#include "tests/store/Child.h"
#include "tests/store/StoreFixture.h"

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <set>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

Entry entryFor(const std::string& file)
{
    Entry entry;
    entry.file = file;
    entry.rule = "Tidy";
    entry.version = "0123456789abcdef";
    entry.steps = {Step{Step::Kind::trash, file, "/trash/" + file, {}, {}, {}}};
    return entry;
}

std::vector<std::string> filesOf(const std::vector<Entry>& entries)
{
    std::vector<std::string> files;
    for (const auto& entry : entries) files.push_back(entry.file);
    return files;
}

// A log of exactly `size` bytes whose content is one complete entry line
// followed by zeros, made sparse so that it costs no disk space.
void makeLog(const fs::path& path, const std::string& firstFile, std::uintmax_t size)
{
    writeFile(path, logLine(entryFor(firstFile)));
    fs::resize_file(path, size);
}

void appendRaw(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << bytes;
}

}  // namespace

using LogReading = InStore;
using LogRotation = InStore;
using LogAppend = InStore;

TEST_F(LogReading, NoFilesReadAsAnEmptyWholeLog)
{
    EXPECT_TRUE(store.entries().empty());
    LogRead read = store.entries(LogPosition{7, 99});
    EXPECT_TRUE(read.entries.empty());
    EXPECT_EQ(read.position, LogPosition{});
    EXPECT_TRUE(read.isWhole);

    // Only the older generation: read whole, and position 0,0 asks again.
    writeFile(tmp / "log.1.json", logLine(entryFor("old")));
    read = store.entries(LogPosition{});
    EXPECT_EQ(filesOf(read.entries), std::vector<std::string>{"old"});
    EXPECT_EQ(read.position, LogPosition{});
    EXPECT_TRUE(read.isWhole);
}

TEST_F(LogReading, PicksUpOnlyNewCompleteLines)
{
    writeFile(tmp / "log.1.json", logLine(entryFor("old")));
    store.append(entryFor("a"));
    store.append(entryFor("b"));
    auto log = tmp / "log.json";

    LogRead first = store.entries(LogPosition{});
    EXPECT_TRUE(first.isWhole);
    EXPECT_EQ(filesOf(first.entries), (std::vector<std::string>{"old", "a", "b"}));
    EXPECT_EQ(first.position, (LogPosition{inodeOf(log), fs::file_size(log)}));

    LogRead nothing = store.entries(first.position);
    EXPECT_FALSE(nothing.isWhole);
    EXPECT_TRUE(nothing.entries.empty());
    EXPECT_EQ(nothing.position, first.position);

    // A line still being written is neither returned nor counted.
    std::string line = logLine(entryFor("c"));
    appendRaw(log, line.substr(0, 40));
    LogRead partial = store.entries(first.position);
    EXPECT_TRUE(partial.entries.empty());
    EXPECT_EQ(partial.position, first.position);
    appendRaw(log, line.substr(40));
    LogRead completed = store.entries(partial.position);
    EXPECT_FALSE(completed.isWhole);
    EXPECT_EQ(filesOf(completed.entries), std::vector<std::string>{"c"});
    EXPECT_EQ(completed.position.offset, fs::file_size(log));

    // Bad lines are skipped but consumed.
    appendRaw(log, "garbage\n{\"id\":\"x\"}\n" + logLine(entryFor("d")));
    LogRead mixed = store.entries(completed.position);
    EXPECT_EQ(filesOf(mixed.entries), std::vector<std::string>{"d"});
    EXPECT_EQ(mixed.position.offset, fs::file_size(log));

    EXPECT_EQ(filesOf(store.entries()), (std::vector<std::string>{"old", "a", "b", "c", "d"}));
}

TEST_F(LogReading, StartsOverWhenTheLogWasCutOrReplaced)
{
    auto log = tmp / "log.json";
    writeFile(tmp / "log.1.json", logLine(entryFor("old")));
    store.append(entryFor("a"));
    store.append(entryFor("b"));
    LogRead before = store.entries(LogPosition{});

    // Cut in place: same inode, fewer bytes than were consumed.
    auto inode = inodeOf(log);
    fs::resize_file(log, 0);
    appendRaw(log, logLine(entryFor("z")));
    ASSERT_EQ(inodeOf(log), inode);
    LogRead cut = store.entries(before.position);
    EXPECT_TRUE(cut.isWhole);
    EXPECT_EQ(filesOf(cut.entries), (std::vector<std::string>{"old", "z"}));
    EXPECT_EQ(cut.position, (LogPosition{inode, fs::file_size(log)}));

    // Replaced by another file: new inode, even when it is larger.
    fs::path other = tmp / "other";
    writeFile(other, logLine(entryFor("p")) + logLine(entryFor("q")) + logLine(entryFor("r")));
    fs::rename(other, log);
    LogRead replaced = store.entries(cut.position);
    EXPECT_TRUE(replaced.isWhole);
    EXPECT_EQ(filesOf(replaced.entries), (std::vector<std::string>{"old", "p", "q", "r"}));
}

TEST_F(LogRotation, HappensOnlyPastTheLimit)
{
    auto log = tmp / "log.json";
    auto older = tmp / "log.1.json";
    const std::string ancient = logLine(entryFor("ancient"));
    writeFile(older, ancient);

    makeLog(log, "full", Store::maxLog);
    store.append(entryFor("still here"));
    EXPECT_EQ(readFile(older), ancient);
    EXPECT_GT(fs::file_size(log), Store::maxLog);

    fs::remove(log);
    makeLog(log, "over", Store::maxLog + 1);
    auto inode = inodeOf(log);
    store.append(entryFor("new"));
    EXPECT_EQ(inodeOf(older), inode);
    EXPECT_EQ(fs::file_size(older), Store::maxLog + 1);
    auto current = parseLogLines(readFile(log));
    EXPECT_EQ(filesOf(current), std::vector<std::string>{"new"});
    EXPECT_EQ(readFile(log).size(), logLine(current[0]).size());
}

TEST_F(LogRotation, AReaderOfTheOldGenerationRereadsBothFiles)
{
    auto log = tmp / "log.json";
    makeLog(log, "first", Store::maxLog - 10);
    // The line that crosses the limit still goes into log.json.
    store.append(entryFor("second"));
    EXPECT_GT(fs::file_size(log), Store::maxLog);
    EXPECT_FALSE(fs::exists(tmp / "log.1.json"));
    LogRead before = store.entries(LogPosition{});
    EXPECT_EQ(filesOf(before.entries), (std::vector<std::string>{"first", "second"}));

    store.append(entryFor("third"));
    store.append(entryFor("fourth"));

    LogRead after = store.entries(before.position);
    EXPECT_TRUE(after.isWhole);
    EXPECT_EQ(filesOf(after.entries), (std::vector<std::string>{"first", "second", "third", "fourth"}));
    EXPECT_NE(after.position.inode, before.position.inode);
    EXPECT_EQ(after.position.offset, fs::file_size(log));
}

TEST_F(LogAppend, CompletesALineCutShortInsteadOfJoiningIt)
{
    auto log = tmp / "log.json";
    store.append(entryFor("a"));
    appendRaw(log, logLine(entryFor("cut")).substr(0, 30));
    store.append(entryFor("b"));
    EXPECT_EQ(filesOf(store.entries()), (std::vector<std::string>{"a", "b"}));
}

TEST_F(LogAppend, WritersInSeveralProcessesLoseNoLine)
{
    constexpr int kWriters = 4;
    constexpr int kEach = 300;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w)
        children.push_back(startChild([&, w] {
            Store writer(tmp.path());
            for (int i = 0; i < kEach; ++i) writer.append(entryFor(std::to_string(w) + "/" + std::to_string(i)));
            return 0;
        }));
    for (pid_t child : children) EXPECT_EQ(waitChild(child), 0);

    auto entries = store.entries();
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kWriters * kEach));
    auto names = filesOf(entries);
    std::set<std::string> files(names.begin(), names.end());
    EXPECT_EQ(files.size(), entries.size());
    std::string bytes = readFile(tmp / "log.json");
    EXPECT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')), entries.size());
}

TEST_F(LogAppend, WritersRacingToRotateKeepEveryGeneration)
{
    constexpr int kWriters = 8;
    for (int round = 0; round < 5; ++round) {
        fs::remove(tmp / "log.json");
        fs::remove(tmp / "log.1.json");
        makeLog(tmp / "log.json", "full", Store::maxLog + 1);

        // Every writer waits at the same gate, then appends at once.
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        std::vector<pid_t> children;
        for (int w = 0; w < kWriters; ++w)
            children.push_back(startChild([&, w] {
                ::close(gate[1]);
                char byte;
                if (::read(gate[0], &byte, 1) != 0) return 3;
                Store writer(tmp.path());
                writer.append(entryFor("w" + std::to_string(w)));
                return 0;
            }));
        ::close(gate[0]);
        ::close(gate[1]);
        for (pid_t child : children) EXPECT_EQ(waitChild(child), 0);

        // One rotation: the full file is the older generation, and every
        // writer's line is in the new one.
        EXPECT_EQ(fs::file_size(tmp / "log.1.json"), Store::maxLog + 1) << "round " << round;
        auto current = parseLogLines(readFile(tmp / "log.json"));
        EXPECT_EQ(current.size(), static_cast<std::size_t>(kWriters)) << "round " << round;
    }
}

TEST_F(LogAppend, AnEntryForANameThatIsNotUtf8IsWrittenAndReadBackExactly)
{
    store.append(entryFor("/in/bad \xff name"));
    store.append(entryFor("/in/next"));
    EXPECT_TRUE(isValidUTF8(readFile(tmp / "log.json")));
    EXPECT_EQ(filesOf(store.entries()), (std::vector<std::string>{"/in/bad \xff name", "/in/next"}));
}

TEST_F(LogAppend, AWriteThatFailsHalfwayLeavesNoPartOfTheLine)
{
    // A file size limit makes the kernel write what fits and refuse the rest,
    // as a disk that fills up in the middle of a line does.
    auto log = tmp / "log.json";
    store.append(entryFor("first"));
    auto before = fs::file_size(log);
    int status = runChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{static_cast<rlim_t>(before + 40), RLIM_INFINITY};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        try {
            Store(tmp.path()).append(entryFor("cut short"));
        } catch (const std::system_error& error) {
            return error.code() == std::errc::file_too_large ? 0 : 3;
        }
        return 4;
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(fs::file_size(log), before);
    store.append(entryFor("second"));
    EXPECT_EQ(filesOf(store.entries()), (std::vector<std::string>{"first", "second"}));
}

namespace {

// Another process appends an entry for `file` to the log in `dir`: true once
// it has, false when it failed or was still waiting after tens of seconds
// (it is then ended).
bool appendedByAnotherProcess(const fs::path& dir, const std::string& file)
{
    pid_t child = startChild([&] {
        Store(dir).append(entryFor(file));
        return 0;
    });
    int status = 0;
    if (!eventually([&] { return ::waitpid(child, &status, WNOHANG) == child; }, std::chrono::seconds(30))) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

// The process that runs the engine writes the lines of a batch without a
// look at the log between them: whatever happens to the file meanwhile, no
// line written since the last look is lost, and none is written twice.
// Another process's line goes in at once, in the middle of the batch; and
// the log is moved aside only between batches, by whoever finds it full.
TEST_F(LogAppend, ABatchLosesNoLineWhateverHappensToTheLog)
{
    struct Case {
        const char* name;
        // Done between the batch's first line and the next ones (false when
        // it did not go as it should), and then before the line after the
        // batch.
        std::function<bool(const fs::path& dir)> during;
        std::function<void(const fs::path& dir)> after;
        std::vector<std::string> current, older;
    };
    auto nothing = [](const fs::path&) {};
    auto fill = [](const fs::path& dir) { appendRaw(dir / "log.json", std::string(Store::maxLog, ' ') + "\n"); };
    const Case cases[] = {
        {"left alone", [](const fs::path&) { return true; }, nothing, {"a", "b", "c", "d"}, {}},
        {"removed", [](const fs::path& dir) { return fs::remove(dir / "log.json"); }, nothing, {"b", "c", "d"}, {}},
        {"the data folder removed, and made again after the batch",
         [](const fs::path& dir) { return fs::remove_all(dir) > 0; },
         [](const fs::path& dir) { fs::create_directories(dir); }, {"b", "c", "d"}, {}},
        // By a writer that does not take the lock: the log is moved aside at
        // the next look, after the batch.
        {"filled up to its limit",
         [&](const fs::path& dir) {
             fill(dir);
             return true;
         },
         nothing, {"d"}, {"a", "b", "c"}},
        {"another process's line", [](const fs::path& dir) { return appendedByAnotherProcess(dir, "x"); }, nothing,
         {"a", "x", "b", "c", "d"}, {}},
        // Which it adds to the full log as it is, since the batch writes there.
        {"another process's line to a full log",
         [&](const fs::path& dir) {
             fill(dir);
             return appendedByAnotherProcess(dir, "x");
         },
         nothing, {"d"}, {"a", "x", "b", "c"}},
        // Alone with the log after the batch, it moves the full log aside.
        {"another process's line after the batch", [&](const fs::path& dir) {
             fill(dir);
             return true;
         },
         [](const fs::path& dir) { EXPECT_TRUE(appendedByAnotherProcess(dir, "x")); }, {"x", "d"}, {"a", "b", "c"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir data;
        fs::path dir = data.path() / "data";
        {
            Store engine(dir);
            engine.lockEngine();
            engine.batchLog(true);
            engine.append(entryFor("a"));
            EXPECT_TRUE(c.during(dir));
            engine.append(entryFor("b"));
            engine.append(entryFor("c"));
            engine.batchLog(false);
            c.after(dir);
            engine.append(entryFor("d"));
        }
        EXPECT_EQ(filesOf(parseLogLines(readFile(dir / "log.json"))), c.current);
        auto older = platform::readFileIfPossible(dir / "log.1.json");
        EXPECT_EQ(filesOf(parseLogLines(older.value_or(""))), c.older);
    }
}

// The lines kept between two looks are bounded: a look comes once they
// fill their room, in the middle of a batch, and still loses nothing and
// writes nothing twice.
TEST_F(LogAppend, ABatchLongerThanTheLinesKeptBetweenLooksLosesNoLineEither)
{
    TempDir data;
    fs::path dir = data.path() / "data";
    std::vector<std::string> expected;
    {
        Store engine(dir);
        engine.lockEngine();
        engine.batchLog(true);
        engine.append(entryFor("first"));
        fs::remove(dir / "log.json");
        for (int i = 0; i < 3000; ++i) {
            expected.push_back("file-" + std::to_string(i));
            engine.append(entryFor(expected.back()));
        }
        engine.batchLog(false);
    }
    EXPECT_GT(fs::file_size(dir / "log.json"), 2 * 256 * 1024u);
    EXPECT_EQ(filesOf(parseLogLines(readFile(dir / "log.json"))), expected);
}

namespace {

// Both generations of a log, with what a reader must cope with: lines that
// do not decode, an identifier in lower case, a last line of log.1.json
// without its line feed and a last line of log.json still being written.
// Long lines make both files span several blocks of a backward read.
class OddLog : public InStore {
protected:
    OddLog()
    {
        std::string older, current;
        for (int i = 0; i < 300; ++i) {
            Entry entry = entryFor("f" + std::to_string(i) + "/" + std::string(400, 'x'));
            entry.id = idFor(i);
            std::string line = logLine(entry);
            if (i == 7) line = "{\"id\":\"broken\n";
            if (i == 8) line.replace(7, 36, lowercased(entry.id));
            if (i == 9) line = "\n";
            (i < 150 ? older : current) += line;
        }
        older.pop_back();
        current += logLine(entryFor("unfinished")).substr(0, 50);
        writeFile(tmp / "log.1.json", older);
        writeFile(tmp / "log.json", current);
    }

    static std::string idFor(int i)
    {
        char id[40];
        std::snprintf(id, sizeof id, "%08X-0000-4000-8000-%012X", i % 2 ? 0xB0000000u + i : 0xA0000000u + i, i);
        return id;
    }
};

}  // namespace

TEST_F(OddLog, TheLastEntriesAreTheTailOfTheWholeLog)
{
    std::vector<Entry> whole = store.entries();
    ASSERT_EQ(whole.size(), 298u);
    auto odd = [](const Entry& entry) { return entry.id.starts_with("B"); };
    std::vector<Entry> odds;
    std::copy_if(whole.begin(), whole.end(), std::back_inserter(odds), odd);

    struct Case {
        std::size_t count;
        bool filtered;
    };
    for (Case c : std::vector<Case>{{0, false}, {1, false}, {20, false}, {150, false}, {297, false}, {298, false},
                                    {1000, false}, {1, true}, {80, true}, {148, true}, {1000, true}}) {
        const auto& from = c.filtered ? odds : whole;
        std::vector<Entry> expected(from.end() - std::ptrdiff_t(std::min(c.count, from.size())), from.end());
        auto got = c.filtered ? store.lastEntries(c.count, odd) : store.lastEntries(c.count);
        std::vector<std::string> expectedIds, gotIds;
        for (const auto& entry : expected) expectedIds.push_back(entry.id);
        for (const auto& entry : got) gotIds.push_back(entry.id);
        EXPECT_EQ(gotIds, expectedIds) << "count " << c.count << (c.filtered ? ", filtered" : "");
    }

    // Without log.json only the older generation is read.
    fs::remove(tmp / "log.json");
    auto older = store.lastEntries(2);
    ASSERT_EQ(older.size(), 2u);
    EXPECT_EQ(older[1].id, idFor(149));
}

TEST_F(OddLog, TheNewestEntriesGoOnWhileTheOldestTakenIsWanted)
{
    std::vector<Entry> whole = store.entries();
    const auto indexOf = [](const Entry& entry) { return std::stoi(entry.file.substr(1)); };
    struct Case {
        std::size_t count;
        int wantedFrom;     // `more` accepts entries of this index and later
        int expectedFirst;  // the index of the oldest entry returned
    };
    // Entries 7 and 9 do not decode; log.1.json holds 0 to 149.
    const Case cases[] = {
        {20, 200, 199},   // on past the count, up to the first refused
        {200, 250, 100},  // the count alone when the oldest is refused
        {20, 0, 0},       // everything wanted: the whole log
        {20, 100, 99},    // on into the older generation
        {20, 151, 150},   // the refused one is the first of log.json
        {20, 10, 8},      // lines that do not decode are passed over
        {1000, 290, 0},   // fewer entries than the count
        {1, 1000, 299},
    };
    for (const Case& c : cases) {
        auto got = store.newestEntries(c.count, [&](const Entry& entry) { return indexOf(entry) >= c.wantedFrom; });
        auto first = std::find_if(whole.begin(), whole.end(),
                                  [&](const Entry& entry) { return indexOf(entry) == c.expectedFirst; });
        ASSERT_NE(first, whole.end());
        std::vector<std::string> expectedIds, gotIds;
        for (auto it = first; it != whole.end(); ++it) expectedIds.push_back(it->id);
        for (const auto& entry : got) gotIds.push_back(entry.id);
        EXPECT_EQ(gotIds, expectedIds) << "count " << c.count << ", wanted from " << c.wantedFrom;
    }
    EXPECT_TRUE(store.newestEntries(0, [](const Entry&) { return true; }).empty());
}

TEST_F(OddLog, LookupsByIdentifierFindWhatTheWholeLogHolds)
{
    std::vector<Entry> whole = store.entries();
    struct Case {
        std::string prefix;
        std::size_t count;
    };
    for (const Case& c : std::vector<Case>{{"A0000008", 1}, {"a0000008", 1}, {"B00000", 126}, {"A000000", 8},
                                           {"B000012B-0000-4000-8000-00000000012B", 1}, {"C", 0}, {"", 298}}) {
        auto expected = entriesWithPrefix(whole, uppercased(c.prefix));
        auto got = store.entriesWithIdPrefix(uppercased(c.prefix));
        EXPECT_EQ(got.size(), c.count) << c.prefix;
        ASSERT_EQ(got.size(), expected.size()) << c.prefix;
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].id, expected[i].id) << c.prefix;
    }

    // An entry and the undo entries that name it, whatever case they use.
    Entry undo = entryFor("undo");
    undo.undoOf = idFor(200);
    std::string line = logLine(undo);
    auto at = line.find(idFor(200));
    line.replace(at, 36, lowercased(idFor(200)));
    std::ofstream(tmp / "log.json", std::ios::app) << "\n" << line;
    store.append(entryFor("after"));
    auto mentioning = store.entriesMentioning(lowercased(idFor(200)));
    ASSERT_EQ(mentioning.size(), 2u);
    EXPECT_EQ(mentioning[0].id, idFor(200));
    EXPECT_EQ(mentioning[1].undoOf, idFor(200));
    EXPECT_TRUE(store.entriesMentioning(idFor(7)).empty());
}

TEST(LogLine, WrittenInPartsAsWhole)
{
    // The line of a run is written from its head and its steps; it must be
    // the same bytes as the entry encoded whole.
    Entry plain;
    plain.file = "/in/a.txt";
    plain.rule = "Tidy";
    plain.version = "v1";
    plain.checks = {Check{Attr::ext, Op::is, "txt", "txt", true, std::nullopt}};
    Entry odd = plain;
    odd.file = std::string("/in/caf\xe9 \"q\"\t/\\.txt");
    odd.rule = "Tidy \u2028 \x01";
    odd.dryRun = true;
    odd.checks.push_back(Check{Attr::name, Op::contains, "a/b", std::string("x\xff"), false, "a note"});
    odd.steps = {Step{Step::Kind::tags, odd.file, std::nullopt, std::vector<std::string>{"A", "B/\"C\""}, "A, D",
                      "vol:1:2"},
                 Step{Step::Kind::move, odd.file, std::string("/out/\xfe.txt"), {}, {}, std::nullopt},
                 Step{Step::Kind::shell, "/in/x", std::nullopt, {}, "out\nput", std::nullopt}};
    odd.error = "couldn\u2019t \"finish\"";
    Entry failed = plain;
    failed.error = "boom";
    for (const Entry& entry : {plain, odd, failed}) {
        EXPECT_EQ(logLineWith(logLineHead(entry), entry.steps, entry.error), logLine(entry)) << entry.file;
        auto begun = nlohmann::json::parse(entryTextOfHead(logLineHead(entry)));
        EXPECT_EQ(entryFromJson(begun).file, entry.file);
    }
}
