#include "Core/Evaluator.h"
#include "Core/Formatting.h"
#include "Core/platform/Xattr.h"
#include "tests/facts/Fixtures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class Evaluation : public ::testing::Test {
protected:
    void SetUp() override { pinLocaleAndZone("en_US", "America/New_York"); }

    fs::path make(const std::string& name, const std::string& bytes = "")
    {
        fs::path path = dir / name;
        writeFile(path, bytes);
        return path;
    }

    static Node cond(Attr attr, Op op, std::string value) { return Condition{attr, op, std::move(value)}; }

    static Outcome run(FileInfo& file, Group::Mode mode, std::vector<Node> items, Date now = std::chrono::system_clock::now())
    {
        return evaluate(Group{mode, std::move(items)}, file, now);
    }

    // One condition on one file: whether it holds and what the check shows.
    static Check check(FileInfo& file, Attr attr, Op op, std::string value)
    {
        Outcome outcome = run(file, Group::Mode::all, {cond(attr, op, std::move(value))});
        EXPECT_EQ(outcome.checks.size(), 1u);
        return outcome.checks.empty() ? Check{} : outcome.checks.front();
    }

    TempDir dir;
};

// 12:00 on 1 May 2024 in New York.
Date noonMay1()
{
    return Date(std::chrono::sys_days(std::chrono::year(2024) / 5 / 1) + 16h);
}

}  // namespace

TEST_F(Evaluation, GroupsStopAsSoonAsTheAnswerIsKnown)
{
    FileInfo file(make("report.pdf", "x"));
    EXPECT_TRUE(run(file, Group::Mode::all, {}).pass);
    EXPECT_TRUE(run(file, Group::Mode::none, {}).pass);
    EXPECT_FALSE(run(file, Group::Mode::any, {}).pass);
    EXPECT_TRUE(run(file, Group::Mode::any, {}).checks.empty());

    auto yes = cond(Attr::ext, Op::is, "pdf");
    auto no = cond(Attr::ext, Op::is, "txt");
    Outcome all = run(file, Group::Mode::all, {no, yes, yes});
    EXPECT_FALSE(all.pass);
    EXPECT_EQ(all.checks.size(), 1u);
    Outcome any = run(file, Group::Mode::any, {no, yes, no});
    EXPECT_TRUE(any.pass);
    EXPECT_EQ(any.checks.size(), 2u);

    Outcome none = run(file, Group::Mode::none, {yes});
    EXPECT_FALSE(none.pass);
    ASSERT_EQ(none.checks.size(), 1u);
    EXPECT_TRUE(none.checks[0].pass);  // the condition's own result
    Outcome noneFails = run(file, Group::Mode::none, {no});
    EXPECT_TRUE(noneFails.pass);
    EXPECT_FALSE(noneFails.checks[0].pass);

    // A nested group that decides stops its parent: the date condition after
    // it leaves no check and no flip candidate.
    Outcome nested = run(file, Group::Mode::any,
                         {Group{Group::Mode::all, {yes, yes}}, cond(Attr::modified, Op::inLast, "1 day")});
    EXPECT_TRUE(nested.pass);
    EXPECT_EQ(nested.checks.size(), 2u);
    EXPECT_FALSE(nested.flipsAt.has_value());

    Outcome deep = run(file, Group::Mode::all, {Group{Group::Mode::none, {Group{Group::Mode::any, {no}}}}, yes});
    EXPECT_TRUE(deep.pass);
    EXPECT_EQ(deep.checks.size(), 2u);
}

TEST_F(Evaluation, ChecksRecordTheConditionAndTheFilesValue)
{
    FileInfo file(make("Quarterly Report.pdf", std::string(2048, 'x')));
    Outcome outcome = run(file, Group::Mode::all,
                          {cond(Attr::name, Op::contains, " report "), cond(Attr::size, Op::contains, "2")});
    ASSERT_EQ(outcome.checks.size(), 1u);
    EXPECT_EQ(outcome.checks[0].value, " report ");  // not trimmed
    EXPECT_EQ(outcome.checks[0].actual, "Quarterly Report");

    // A pair the attribute does not support fails and still shows the value.
    Check unsupported = check(file, Attr::size, Op::contains, "2");
    EXPECT_FALSE(unsupported.pass);
    EXPECT_EQ(unsupported.actual, "2 KB");
    EXPECT_EQ(unsupported.attr, Attr::size);
    EXPECT_EQ(unsupported.op, Op::contains);
    EXPECT_FALSE(check(file, Attr::name, Op::gt, "a").pass);
    EXPECT_FALSE(check(file, Attr::modified, Op::is, "x").pass);
}
