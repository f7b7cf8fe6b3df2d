#include "Core/base/DecodingError.h"
#include "Core/model/Entry.h"
#include "Core/store/Log.h"

#include <gtest/gtest.h>

using namespace olva;
using nlohmann::json;

namespace {

Date at(const char* text) { return *parseIso8601(text); }

Entry sampleEntry()
{
    Entry entry;
    entry.id = "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0";
    entry.at = at("2025-01-31T08:15:00Z");
    entry.file = "/home/ann/Downloads/a.pdf";
    entry.rule = "PDFs";
    entry.version = "0123456789abcdef";
    entry.checks = {Check{Attr::ext, Op::is, "pdf", "pdf", true}};
    entry.steps = {Step{Step::Kind::move, "/home/ann/Downloads/a.pdf", "/home/ann/Docs/a.pdf", {}, {}, "k1"}};
    return entry;
}

Step step(const std::string& from) { return Step{Step::Kind::move, from, {}, {}, {}, {}}; }

Entry withSteps(const std::string& id, int count)
{
    Entry entry;
    entry.id = id;
    for (int i = 0; i < count; ++i) entry.steps.push_back(step("/s" + std::to_string(i)));
    return entry;
}

Entry undoOf(const std::string& original, int steps, std::optional<std::string> error = {})
{
    Entry undo = withSteps(platform::newUUID(), steps);
    undo.undoOf = original;
    undo.error = std::move(error);
    return undo;
}

const std::string kA = "AAAAAAAA-0000-0000-0000-000000000001";
const std::string kB = "BBBBBBBB-0000-0000-0000-000000000002";

}  // namespace

TEST(EntryJson, LineHasMembersInOrderSlashesEscapedAndNoAbsentOptionals)
{
    EXPECT_EQ(logLine(sampleEntry()),
              R"({"id":"0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0","at":"2025-01-31T08:15:00Z",)"
              R"("file":"\/home\/ann\/Downloads\/a.pdf","rule":"PDFs","version":"0123456789abcdef","dryRun":false,)"
              R"("checks":[{"attr":"ext","op":"is","value":"pdf","actual":"pdf","pass":true}],)"
              R"("steps":[{"kind":"move","from":"\/home\/ann\/Downloads\/a.pdf","to":"\/home\/ann\/Docs\/a.pdf","key":"k1"}]})"
              "\n");

    Entry undo = sampleEntry();
    undo.error = "gone";
    undo.undoOf = kA;
    std::string line = logLine(undo);
    EXPECT_NE(line.find(R"("steps":[{"kind":"move","from":"\/home\/ann\/Downloads\/a.pdf","to":"\/home\/ann\/Docs\/a.pdf","key":"k1"}],"error":"gone","undoOf":"AAAAAAAA-0000-0000-0000-000000000001"})"),
              std::string::npos)
        << line;
}

TEST(EntryJson, DatesAreWrittenInWholeSeconds)
{
    Entry entry = sampleEntry();
    entry.at += std::chrono::milliseconds(999);
    EXPECT_EQ(toJson(entry)["at"], "2025-01-31T08:15:00Z");
}

TEST(EntryJson, RoundTripsAndNormalisesIdentifiersToUpperCase)
{
    json value = json::parse(logLine(sampleEntry()));
    value["id"] = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";
    value["undoOf"] = "aaaaaaaa-0000-0000-0000-000000000001";
    value["unknown"] = {1, 2};
    Entry entry = entryFromJson(value);
    EXPECT_EQ(entry.id, "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
    EXPECT_EQ(entry.undoOf, kA);
    EXPECT_EQ(entry.at, at("2025-01-31T08:15:00Z"));
    EXPECT_EQ(entry.file, "/home/ann/Downloads/a.pdf");
    ASSERT_EQ(entry.steps.size(), 1u);
    EXPECT_EQ(entry.steps[0].to, "/home/ann/Docs/a.pdf");
    ASSERT_EQ(entry.checks.size(), 1u);
    EXPECT_TRUE(entry.checks[0].pass);
    EXPECT_FALSE(entry.error);
}

TEST(EntryJson, RejectsMissingMembersBadIdentifiersAndFractionalDates)
{
    json good = json::parse(logLine(sampleEntry()));
    for (const char* key : {"id", "at", "file", "rule", "version", "dryRun", "checks", "steps"}) {
        json value = good;
        value.erase(key);
        EXPECT_THROW(entryFromJson(value), DecodingError) << key;
    }
    auto spoilt = [&](const char* pointer, json value) {
        json copy = good;
        copy[json::json_pointer(pointer)] = std::move(value);
        return copy;
    };
    EXPECT_THROW(entryFromJson(spoilt("/at", "2025-01-31T08:15:00.250Z")), DecodingError);
    EXPECT_THROW(entryFromJson(spoilt("/id", "not-a-uuid")), DecodingError);
    EXPECT_THROW(entryFromJson(spoilt("/undoOf", "also not")), DecodingError);
    try {
        entryFromJson(spoilt("/steps/0/kind", "fly"));
        FAIL() << "decoded";
    } catch (const DecodingError& error) {
        EXPECT_EQ(error.path(), "steps[0].kind");
    }
    EXPECT_FALSE(entryFromJson(spoilt("/error", nullptr)).error);
}

// Linux names are bytes: a path that is not UTF-8 is written readably and
// with its exact bytes, and read back exactly; other texts are shown.
TEST(EntryJson, NamesThatAreNotUtf8AreKeptExactly)
{
    const std::string replacement = "\xef\xbf\xbd";
    struct Case {
        std::string path;
        std::string shown;
        std::optional<std::string> bytes;  // the Base64 member, when there is one
    };
    for (const Case& c : std::vector<Case>{
             {"/in/plain é.pdf", "/in/plain é.pdf", std::nullopt},
             {"/in/bad\xffname.pdf", "/in/bad" + replacement + "name.pdf", "L2luL2JhZP9uYW1lLnBkZg=="},
             {"/in/cut\xc3", "/in/cut" + replacement, "L2luL2N1dMM="},
             // U+FFFD in a valid name is the name itself.
             {"/in/" + replacement, "/in/" + replacement, std::nullopt},
         }) {
        SCOPED_TRACE(c.shown);
        Entry entry = sampleEntry();
        entry.file = c.path;
        entry.steps = {Step{Step::Kind::move, c.path, c.path + ".moved", {}, {}, {}}};
        entry.error = "no value for {created} in " + c.path;
        std::string line = logLine(entry);
        json written = json::parse(line);
        EXPECT_EQ(written["file"], c.shown);
        EXPECT_EQ(written["steps"][0]["from"], c.shown);
        EXPECT_EQ(written["steps"][0]["to"], c.shown + ".moved");
        EXPECT_EQ(written["error"], "no value for {created} in " + c.shown);
        if (c.bytes) {
            EXPECT_EQ(written["fileBytes"], *c.bytes);
            EXPECT_EQ(written["steps"][0]["fromBytes"], *c.bytes);
        } else {
            EXPECT_FALSE(written.contains("fileBytes"));
            EXPECT_FALSE(written["steps"][0].contains("fromBytes"));
        }

        std::vector<Entry> read = parseLogLines(line);
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(read[0].file, c.path);
        EXPECT_EQ(read[0].steps[0].from, c.path);
        EXPECT_EQ(read[0].steps[0].to, c.path + ".moved");
    }

    // Lines of earlier versions carry no bytes and read as before; bytes that
    // are no Base64 leave the text.
    std::string older = logLine(sampleEntry());
    EXPECT_EQ(parseLogLines(older)[0].file, "/home/ann/Downloads/a.pdf");
    json edited = json::parse(older);
    edited["fileBytes"] = "not base64!";
    EXPECT_EQ(entryFromJson(edited).file, "/home/ann/Downloads/a.pdf");
}

TEST(LogLines, SkipsWhatDoesNotDecodeAndKeepsTheRestInOrder)
{
    Entry first = sampleEntry();
    Entry second = sampleEntry();
    second.id = kB;
    json incomplete = json::parse(logLine(sampleEntry()));
    incomplete.erase("version");
    std::string bytes = logLine(first) + "not json\n\n" + incomplete.dump() + "\n" + "[1,2]\n"
                        + std::string(5000, '[') + "\n" + logLine(second) + "{\"id\":";
    auto entries = parseLogLines(bytes);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id, first.id);
    EXPECT_EQ(entries[1].id, kB);
    EXPECT_TRUE(parseLogLines("").empty());
}

TEST(RevertedSteps, PartialUndosAddUpAndLeaveALeadingPart)
{
    Entry original = withSteps(kA, 5);
    std::vector<Entry> log{original};
    EXPECT_EQ(stepsLeftToRevert(log, original).size(), 5u);
    EXPECT_TRUE(revertedStepCounts(log).empty());

    log.push_back(undoOf(kA, 2));
    auto left = stepsLeftToRevert(log, original);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[2].from, "/s2");
    EXPECT_EQ(revertedStepCounts(log).at(kA), 2u);

    log.push_back(undoOf(kA, 3));
    EXPECT_TRUE(stepsLeftToRevert(log, original).empty());
    EXPECT_EQ(revertedStepCounts(log).at(kA), 5u);
}

TEST(RevertedSteps, UndosWithoutStepsCountAllUnlessTheyFailed)
{
    Entry original = withSteps(kA, 4);
    std::vector<Entry> failed{original, undoOf(kA, 0, "the file is gone")};
    EXPECT_EQ(stepsLeftToRevert(failed, original).size(), 4u);
    auto counts = revertedStepCounts(failed);
    ASSERT_EQ(counts.count(kA), 1u);
    EXPECT_EQ(counts.at(kA), 0u);

    std::vector<Entry> whole{original, undoOf(kA, 0)};
    EXPECT_TRUE(stepsLeftToRevert(whole, original).empty());
    EXPECT_EQ(revertedStepCounts(whole).at(kA), 4u);

    // More reverted than the entry has: nothing left, never a wrap-around.
    std::vector<Entry> over{original, undoOf(kA, 3), undoOf(kA, 3)};
    EXPECT_TRUE(stepsLeftToRevert(over, original).empty());
}

TEST(RevertedSteps, CountsOnlyEntriesInTheListAndTheFirstOfADuplicateId)
{
    Entry first = withSteps(kA, 2);
    Entry duplicate = withSteps(kA, 7);
    std::vector<Entry> log{first, duplicate, undoOf(kA, 0), undoOf(kB, 1)};
    auto counts = revertedStepCounts(log);
    EXPECT_EQ(counts.size(), 1u);
    EXPECT_EQ(counts.at(kA), 2u);
}
