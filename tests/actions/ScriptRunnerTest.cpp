#include "Core/base/ActionError.h"
#include "Core/actions/ScriptRunner.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

using namespace olva;
using namespace olva::test;
namespace fs = std::filesystem;

namespace {

// Runs scripts with the temporary folder pointed at a test folder, which
// must be empty again after every run.
class ScriptRunner : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(fs::is_empty(tmp.path())) << "an output file was left behind"; }

    std::string failure(const std::string& script, double timeout = 10)
    {
        return thrownText<ActionError>([&] { runScript(script, file, timeout); });
    }

    TempDir dir;
    TempDir tmp;
    ScopedEnv tmpdir{"TMPDIR", tmp.path().string()};
    fs::path file = dir / "my file.txt";
};

// Whether a process is gone, or left only as a zombie that cannot run.
bool ended(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    if (text.empty()) return true;
    auto close = text.rfind(')');
    return close != std::string::npos && text.size() > close + 2 && (text[close + 2] == 'Z' || text[close + 2] == 'X');
}

}  // namespace

TEST_F(ScriptRunner, ReturnsTheTrimmedOutputOfBothStreams)
{
    EXPECT_EQ(runScript("true", file, 10), "");
    EXPECT_EQ(runScript("print -r -- \"$0|$1\"", file, 10), "olva|" + file.string());
    EXPECT_EQ(runScript("echo '  out'; echo err >&2; echo more\n\n", file, 10), "out\nerr\nmore");
    EXPECT_EQ(runScript("echo only-errors >&2", file, 10), "only-errors");
    EXPECT_EQ(runScript("printf 'a\\377b'", file, 10), "a\xEF\xBF\xBD" "b");
}

TEST_F(ScriptRunner, AFailingScriptReportsItsStatusAndOutput)
{
    EXPECT_EQ(failure("echo boom; exit 3"), "script exited 3: boom");
    EXPECT_EQ(failure("exit 1"), "script exited 1: ");
    EXPECT_EQ(failure("kill -KILL $$"), "script exited 9: ");
}

TEST_F(ScriptRunner, KeptOutputIsBounded)
{
    std::string note = runScript("for i in {1..20000}; do print -n 'abcdé'; done", file, 30);
    EXPECT_LT(note.size(), kScriptOutputLimit + 100);
    EXPECT_TRUE(note.starts_with("abcdé"));
    EXPECT_TRUE(note.ends_with("(output cut after the first 16384 bytes)")) << note.substr(note.size() - 80);
    EXPECT_EQ(note.find("\xEF\xBF\xBD"), std::string::npos) << "a character was cut in half";

    std::string message = failure("head -c 100000 /dev/zero | tr '\\0' x; exit 2", 30);
    EXPECT_LT(message.size(), kScriptOutputLimit + 100);
    EXPECT_TRUE(message.starts_with("script exited 2: xxx"));
}

TEST_F(ScriptRunner, ATimedOutScriptIsStoppedWithEverythingItStarted)
{
    fs::path pidFile = dir / "child.pid";
    auto start = std::chrono::steady_clock::now();
    // The child ignores the polite signal and would outlive the shell.
    std::string script = "(trap '' TERM; sleep 600) & print $! > '" + pidFile.string() + "'; sleep 600";
    EXPECT_EQ(failure(script, 1), "the script ran longer than 1 seconds and was stopped");
    EXPECT_LT(std::chrono::steady_clock::now() - start, hangGuard) << "it waited for the child";
    pid_t child = std::stoi(readFile(pidFile));
    // A kill takes effect when the process is next scheduled.
    EXPECT_TRUE(eventually([&] { return ended(child); }));
}

TEST_F(ScriptRunner, AScriptThatIgnoresTheTerminateSignalIsKilled)
{
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(failure("trap '' TERM; sleep 600; sleep 600", 0.5),
              "the script ran longer than 0 seconds and was stopped");
    auto took = std::chrono::steady_clock::now() - start;
    // It was given its few seconds' grace after the polite signal, then killed.
    EXPECT_GE(took, std::chrono::milliseconds(5400));
    EXPECT_LT(took, hangGuard) << "it was left running";
}
