// The listing shared by scans and previews, and the rule preview.
#include "tests/engine/EngineFixture.h"

#include "Core/facts/Listing.h"
#include "Core/tools/Preview.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <set>

using namespace olva;
using namespace olva::test;

namespace {

std::vector<std::string> names(const std::vector<fs::path>& paths, const fs::path& root)
{
    std::vector<std::string> result;
    for (const auto& path : paths) result.push_back(fs::relative(path, root).string());
    std::sort(result.begin(), result.end());
    return result;
}

}  // namespace

TEST_F(EngineTest, ListingKeepsToRegularFilesAndPackagesWithinTheDepth)
{
    writeFile(inbox / "a.txt", "x");
    writeFile(inbox / ".hidden", "x");
    fs::create_directories(inbox / ".secret");
    writeFile(inbox / ".secret" / "s.txt", "x");
    fs::create_directories(inbox / "Tool.app" / "Contents");
    writeFile(inbox / "Tool.app" / "Contents" / "binary", "x");
    fs::create_directories(inbox / "one" / "two");
    writeFile(inbox / "one" / "b.txt", "x");
    writeFile(inbox / "one" / "two" / "c.txt", "x");
    // Never listed, never followed: links, a pipe and a socket.
    writeFile(done / "target.txt", "x");
    fs::create_directories(done / "linked");
    writeFile(done / "linked" / "inside.txt", "x");
    fs::create_symlink(done / "target.txt", inbox / "link.txt");
    fs::create_directory_symlink(done / "linked", inbox / "linked");
    ASSERT_EQ(::mkfifo((inbox / "pipe").c_str(), 0644), 0);
    int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string socketPath = (inbox / "sock").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    EXPECT_EQ(names(listFiles(folder({}, inbox, 0)), inbox), (std::vector<std::string>{"Tool.app", "a.txt"}));
    EXPECT_EQ(names(listFiles(folder({}, inbox, 1)), inbox),
              (std::vector<std::string>{"Tool.app", "a.txt", "one/b.txt"}));
    EXPECT_EQ(names(listFiles(folder({}, inbox, 99)), inbox),
              (std::vector<std::string>{"Tool.app", "a.txt", "one/b.txt", "one/two/c.txt"}));
    EXPECT_TRUE(listFiles(folder({}, inbox / "missing", 0)).empty());

    // A scan with a rule for everything reads none of the special files
    // (opening the pipe would block it for ever).
    saveRules({folder({makeRule("Every", {}, {Action::addTags({"Seen"})})}, inbox, 99)});
    engine = makeEngine(0);
    engine->scanNow();
    std::vector<std::string> files;
    for (const auto& entry : logged()) files.push_back(fs::relative(entry.file, inbox).string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Tool.app", "a.txt", "one/b.txt", "one/two/c.txt"}));
    ::close(sock);
}

TEST_F(EngineTest, ALargeFolderIsListedWholeInTheOrderOfItsInodes)
{
    // Enough entries for the statuses to be read by several threads, with
    // what is never listed spread among the files.
    constexpr int kFiles = 3 * 1024 + 7;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i);
        writeFile(inbox / (name + ".txt"), std::string(std::size_t(i % 97), 'x'));
        if (i % 300 == 0) fs::create_symlink(inbox / (name + ".txt"), inbox / (name + ".link"));
        if (i % 700 == 0) fs::create_directories(inbox / (name + ".dir"));
    }
    fs::create_directories(inbox / "Tool.app");
    const auto listing = listFileStatuses(folder({}, inbox, 0));
    ASSERT_EQ(listing.size(), std::size_t(kFiles) + 1);
    std::set<std::string> distinct;
    for (const auto& file : listing) {
        distinct.insert(file.path);
        if (file.path.ends_with("Tool.app")) continue;
        const int number = std::stoi(fs::path(file.path).stem().string().substr(1));
        ASSERT_EQ(file.status.size, std::uint64_t(number % 97)) << file.path;
    }
    EXPECT_EQ(distinct.size(), listing.size());
    EXPECT_TRUE(std::is_sorted(listing.begin(), listing.end(),
                               [](const auto& a, const auto& b) { return a.status.inode < b.status.inode; }));
}

TEST_F(EngineTest, PreviewEvaluatesAtMostItsLimitAndCountsEverything)
{
    for (int i = 0; i < 12; ++i) writeFile(inbox / ("f" + std::to_string(100 + i) + (i % 2 ? ".txt" : ".pdf")), "x");
    writeFile(done / "f101.txt", "already here");
    Rule rule = makeRule("Text", {extIs("txt")}, {Action::move(done.string())});
    rule.enabled = false;  // previews ignore the switch

    FolderPreview result = preview(rule, folder({}), 5);
    EXPECT_EQ(result.total, 12);
    ASSERT_EQ(result.rows.size(), 5u);
    EXPECT_TRUE(std::is_sorted(result.rows.begin(), result.rows.end(),
                               [](const auto& a, const auto& b) { return a.path < b.path; }));
    // The rows are the first five of the listing, whatever their names.
    auto listing = listFiles(folder({}));
    std::vector<std::string> firstFive;
    for (int i = 0; i < 5; ++i) firstFive.push_back(listing[i].string());
    std::sort(firstFive.begin(), firstFive.end());
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(result.rows[i].path, firstFive[i]);

    // Matching rows describe the move, with the number a real run would use.
    FolderPreview all = preview(rule, folder({}), 300);
    ASSERT_EQ(all.rows.size(), 12u);
    for (const auto& row : all.rows) {
        bool text = row.path.ends_with(".txt");
        EXPECT_EQ(row.outcome.pass, text) << row.path;
        EXPECT_EQ(row.steps.size(), text ? 1u : 0u) << row.path;
        EXPECT_FALSE(row.error);
        if (row.path == (inbox / "f101.txt").string()) {
            EXPECT_EQ(row.steps[0].to, (done / "f101 2.txt").string());
        }
    }
    // Nothing moved, nothing logged.
    EXPECT_EQ(listFiles(folder({})).size(), 12u);
    EXPECT_EQ(readFile(done / "f101.txt"), "already here");
    EXPECT_TRUE(logged().empty());

    EXPECT_TRUE(preview(rule, folder({}), -1).rows.empty());
    FolderPreview empty = preview(rule, folder({}, done / "nothing-here"), 300);
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_EQ(empty.total, 0);
}

TEST_F(EngineTest, PreviewLeavesOutPartialDownloads)
{
    for (const char* name : {"movie.mp4.part", "page.CRDOWNLOAD", "a.download", "b.partial", "c.tmp", "done.txt"})
        writeFile(inbox / name, "x");
    FolderPreview result = preview(makeRule("Every", {}, {Action::trash()}), folder({}), 300);
    EXPECT_EQ(result.total, 6);
    EXPECT_EQ(result.examined, 6);  // passed over, yet looked at
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0].path, (inbox / "done.txt").string());
    ASSERT_EQ(result.rows[0].steps.size(), 1u);
    EXPECT_EQ(result.rows[0].steps[0].kind, Step::Kind::trash);
    EXPECT_TRUE(fs::exists(inbox / "done.txt"));
}

TEST_F(EngineTest, PreviewStopsBetweenFilesWhenAsked)
{
    for (int i = 0; i < 10; ++i) writeFile(inbox / ("f" + std::to_string(i) + ".txt"), "x");
    const Rule rule = makeRule("Text", {extIs("txt")}, {Action::trash()});

    // The stop asked for while the given file is looked at: that file is
    // still finished, no further one is started.
    struct Case {
        int stopAt;  // 0: before the preview starts
        std::int64_t examined;
    };
    for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{4, 4}, Case{10, 10}}) {
        std::stop_source stop;
        if (c.stopAt == 0) stop.request_stop();
        int seen = 0;
        PreviewControl control{stop.get_token(), [&](const std::string&) {
                                   if (++seen == c.stopAt) stop.request_stop();
                               }};
        FolderPreview result = preview(rule, folder({}), 300, control);
        EXPECT_EQ(result.examined, c.examined) << c.stopAt;
        EXPECT_EQ(seen, c.examined) << c.stopAt;
        EXPECT_EQ(std::int64_t(result.rows.size()), c.examined) << c.stopAt;
        EXPECT_EQ(result.total, 10) << c.stopAt;
    }

    FolderPreview unstopped = preview(rule, folder({}), 6);
    EXPECT_EQ(unstopped.examined, 6);
}

TEST_F(EngineTest, StoppedPreviewExtractsNoMoreText)
{
    writeFile(inbox / "a.txt", "invoice 4711");
    const Rule rule = makeRule("Invoices", {Condition{Attr::contents, Op::contains, "invoice"}}, {Action::trash()});

    FolderPreview whole = preview(rule, folder({}), 300);
    ASSERT_EQ(whole.rows.size(), 1u);
    EXPECT_TRUE(whole.rows[0].outcome.pass);

    // Stopped while the file is looked at: its text is not read any more,
    // so the (dropped) answer is a miss.
    std::stop_source stop;
    FolderPreview stopped =
        preview(rule, folder({}), 300, {stop.get_token(), [&](const std::string&) { stop.request_stop(); }});
    ASSERT_EQ(stopped.rows.size(), 1u);
    EXPECT_FALSE(stopped.rows[0].outcome.pass);
    ASSERT_EQ(stopped.rows[0].outcome.checks.size(), 1u);
    EXPECT_EQ(stopped.rows[0].outcome.checks[0].actual, "no match in 0 characters");
}
