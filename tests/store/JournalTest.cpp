#include "Core/base/ActionError.h"
#include "Core/store/Journal.h"
#include "tests/store/Child.h"
#include "tests/store/StoreFixture.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

// Runs are named by a letter A to F, the first of their identifier.
std::string idOf(const std::string& letter) { return letter + "0000000-0000-4000-8000-000000000000"; }

Entry begun(const std::string& letter)
{
    Entry entry;
    entry.id = idOf(letter);
    entry.file = "/in/" + letter;
    entry.rule = "Tidy";
    entry.version = "v1";
    return entry;
}

Step moved(const std::string& name) { return Step{Step::Kind::move, "/in/" + name, "/out/" + name, {}, {}, "k"}; }

std::string lines(const std::vector<JournalRecord>& records)
{
    std::string bytes;
    for (const auto& record : records) bytes += journalLine(record);
    return bytes;
}

// What a read says, in a form a table can spell out: marks as
// "key=version,version", runs as "id:steps[:done][:error]".
std::vector<std::string> described(const JournalRead& read)
{
    std::vector<std::string> out;
    for (const auto& [key, versions] : read.marks) {
        std::string text = key + "=";
        for (const auto& version : versions) text += version + (version == *versions.rbegin() ? "" : ",");
        out.push_back(text);
    }
    for (const auto& run : read.runs) {
        std::string text = run.entry.id.substr(0, 1) + ":" + std::to_string(run.entry.steps.size());
        if (run.done) text += ":done";
        if (run.entry.error) text += ":" + *run.entry.error;
        if (run.intended) text += ":will " + run.intended->from;
        out.push_back(text);
    }
    return out;
}

using Journal = InStore;

}  // namespace

TEST(JournalLines, SayWhichFilesAreHandledAndWhichRunsAreOpen)
{
    using R = JournalRecord;
    struct Case {
        std::string name;
        std::string bytes;
        std::vector<std::string> expected;
    };
    const std::string a = idOf("A"), b = idOf("B"), c = idOf("C");
    std::vector<Case> cases{
        {"marks add up", lines({R::mark("k1", {"v1"}), R::mark("k1", {"v2"}), R::mark("k2", {"v1", "v3"})}),
         {"k1=v1,v2", "k2=v1,v3"}},
        {"a run that ended is closed",
         lines({R::begin(begun("A"), "k"), R::stepDone(a, moved("a")), R::done(a, {}), R::end(a),
                R::mark("k", {"v1"})}),
         {"k=v1"}},
        {"a run cut short keeps its steps",
         lines({R::begin(begun("A"), "k"), R::stepDone(a, moved("a")), R::stepDone(a, moved("b"))}), {"A:2"}},
        {"a run whose actions ended keeps its error",
         lines({R::begin(begun("A"), "k"), R::stepDone(a, moved("a")), R::done(a, "boom")}), {"A:1:done:boom"}},
        {"runs interleave",
         lines({R::begin(begun("A"), "k"), R::begin(begun("B"), "k"), R::stepDone(a, moved("a")), R::end(b)}),
         {"A:1"}},
        {"steps and ends of unknown runs change nothing", lines({R::stepDone(c, moved("a")), R::end(c)}), {}},
        {"a step announced and not recorded is open",
         lines({R::begin(begun("A"), "k"), R::stepDone(a, moved("a")), R::intent(a, moved("b"))}),
         {"A:1:will /in/b"}},
        {"the last announcement is the one that counts",
         lines({R::begin(begun("A"), "k"), R::intent(a, moved("a")), R::intent(a, moved("b"))}), {"A:0:will /in/b"}},
        {"a recorded step closes its announcement",
         lines({R::begin(begun("A"), "k"), R::intent(a, moved("a")), R::stepDone(a, moved("a"))}), {"A:1"}},
        {"a begin written from its encoded entry",
         lines({R::begin(begun("A"), "k", entryTextOfHead(logLineHead(begun("A")))), R::intent(a, moved("a"))}),
         {"A:0:will /in/a"}},
        {"marks in every form: escaped, without versions, with several",
         "{\"mark\":\"k\\/1\",\"versions\":[\"v\\u0031\"]}\n{\"mark\":\"k2\",\"versions\":[]}\n"
         "{\"mark\":\"k3\",\"versions\":[\"a\",\"b\"]}\n{\"mark\":\"k4\",\"versions\":[\"a\",]}\n",
         {"k/1=v1", "k3=a,b"}},
        {"lines that do not decode are passed over",
         "{\"mark\":\n[1,2]\n" + lines({R::mark("k", {"v"})}) + "{\"what\":1}\n\n{\"mark\":\"k2\",\"versions\":[3]}\n",
         {"k=v"}},
    };
    for (const auto& item : cases) {
        JournalRead read;
        applyJournalLines(item.bytes, read);
        EXPECT_EQ(described(read), item.expected) << item.name;
    }
}

TEST_F(Journal, ReadsWhatCameSinceAndStartsOverAfterAFold)
{
    EXPECT_TRUE(store.readJournal({}).isWhole);
    EXPECT_EQ(store.journalEnd(), LogPosition{});

    auto [before, after] = store.appendJournal({JournalRecord::mark("k1", {"v1"})});
    EXPECT_EQ(before.offset, 0u);
    EXPECT_EQ(after, store.journalEnd());
    // A record still being written is left for later.
    std::ofstream(tmp / "seen.journal", std::ios::app) << "{\"mark\":\"k2\",";
    JournalRead first = store.readJournal({});
    EXPECT_EQ(described(first), std::vector<std::string>{"k1=v1"});
    EXPECT_EQ(first.position, after);

    // The next append starts on a line of its own.
    store.appendJournal({JournalRecord::mark("k3", {"v1"})});
    JournalRead next = store.readJournal(first.position);
    EXPECT_FALSE(next.isWhole);
    EXPECT_EQ(described(next), std::vector<std::string>{"k3=v1"});

    // A fold writes every mark to the seen file and keeps only open runs.
    store.appendJournal({JournalRecord::begin(begun("A"), "k"), JournalRecord::stepDone(idOf("A"), moved("a"))});
    SeenRecords seen;
    seen.add("k0", "v0");
    LogPosition folded = store.foldJournal(seen);
    EXPECT_EQ(seen.toMap(), (Seen{{"k0", {"v0"}}, {"k1", {"v1"}}, {"k3", {"v1"}}}));
    EXPECT_EQ(store.loadSeen(), seen.toMap());
    JournalRead again = store.readJournal(next.position);
    EXPECT_TRUE(again.isWhole);
    EXPECT_EQ(described(again), std::vector<std::string>{"A:1"});
    EXPECT_EQ(again.position, folded);
}

TEST_F(Journal, TheSeenFileIsReadWithTheMarksOfItsJournal)
{
    store.saveSeen({{"k1", {"v1"}}});
    store.appendJournal({JournalRecord::mark("k1", {"v2"}), JournalRecord::mark("k2", {"v1"})});
    EXPECT_EQ(store.loadSeen(), (Seen{{"k1", {"v1", "v2"}}, {"k2", {"v1"}}}));
    LogPosition end;
    std::size_t marks = 0;
    store.readSeen([&](const std::string&, std::string_view) { ++marks; }, &end);
    EXPECT_EQ(marks, 3u);
    EXPECT_EQ(end, store.journalEnd());

    // A journal that cannot be read is as bad as a seen file that cannot.
    fs::remove(tmp / "seen.journal");
    fs::create_directory(tmp / "seen.journal");
    try {
        store.loadSeen();
        ADD_FAILURE() << "nothing thrown";
    } catch (const ActionError& error) {
        EXPECT_TRUE(error.description().starts_with((tmp / "seen.journal").string() + " can’t be read."));
    }
}

TEST_F(Journal, NoMarkIsLostWhileOthersAppendAndOneFolds)
{
    constexpr int kWriters = 3, kEach = 200;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w)
        children.push_back(startChild([&, w] {
            Store writer(tmp.path());
            for (int i = 0; i < kEach; ++i)
                writer.appendJournal({JournalRecord::mark("w" + std::to_string(w) + "-" + std::to_string(i), {"v"})});
            return 0;
        }));
    // The folder starts from what it read, as the engine does.
    children.push_back(startChild([&] {
        Store folder(tmp.path());
        for (int i = 0; i < 40; ++i) {
            SeenRecords seen;
            seen.add(folder.loadSeen());
            folder.foldJournal(seen);
        }
        return 0;
    }));
    // A reader never sees a mark go away.
    children.push_back(startChild([&] {
        Store reader(tmp.path());
        std::size_t most = 0;
        for (int i = 0; i < 200; ++i) {
            std::size_t now = reader.loadSeen().size();
            if (now < most) return 1;
            most = now;
        }
        return 0;
    }));
    for (pid_t child : children) EXPECT_EQ(waitChild(child), 0);
    EXPECT_EQ(store.loadSeen().size(), std::size_t(kWriters * kEach));
}
