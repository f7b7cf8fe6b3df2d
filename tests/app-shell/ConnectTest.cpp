// "Terminal and AI Apps": the link into the search path, made by a shell
// command that is run here with plain sh against temporary folders, the
// snippets for AI apps, and the window around them.
#include "OlvaApp/App/PkexecRunner.h"
#include "OlvaApp/App/TextStyles.h"
#include "OlvaApp/ConnectView/ConnectWindow.h"
#include "OlvaApp/ConnectView/SnippetRow.h"
#include "OlvaApp/ConnectView/ToolLink.h"
#include "tests/app-shell/ShellFixture.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>

using namespace olva;
using namespace olva::test;
using namespace olva::app;
namespace fs = std::filesystem;

namespace {

// Runs the program as it is, as pkexec would once the user allowed it.
class ShellRunner : public PrivilegedRunner {
public:
    PrivilegedResult run(const QString& program, const QStringList& arguments) override
    {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished(hangGuardMs);
        return PkexecRunner::resultOf(process.exitCode(), QString::fromUtf8(process.readAllStandardError()));
    }
};

TEST(ShellQuoting, WrapsInSingleQuotesAndSplicesQuotesIn)
{
    struct Case {
        QString text, quoted;
    };
    for (const Case& c : {Case{"", "''"}, Case{"/usr/bin/olva", "'/usr/bin/olva'"},
                          Case{"/opt/O'Neil/olva", "'/opt/O'\\''Neil/olva'"}, Case{"a\"b\\c $HOME", "'a\"b\\c $HOME'"},
                          Case{"''", "''\\'''\\'''"}})
        EXPECT_EQ(shellQuoted(c.text), c.quoted) << c.text.toStdString();
}

TEST(Snippets, QuoteThePathForTheShellAndLeaveItBareInJson)
{
    EXPECT_EQ(mcpCommandLine("/opt/O'Neil/olva"), QStringLiteral("claude mcp add olva -- '/opt/O'\\''Neil/olva' mcp"));
    EXPECT_EQ(mcpConfigJSON("/opt/O'Neil/olva"), QStringLiteral("{\n"
                                                                "  \"mcpServers\" : {\n"
                                                                "    \"olva\" : {\n"
                                                                "      \"args\" : [\n"
                                                                "        \"mcp\"\n"
                                                                "      ],\n"
                                                                "      \"command\" : \"/opt/O'Neil/olva\"\n"
                                                                "    }\n"
                                                                "  }\n"
                                                                "}"));
    // A path JSON cannot carry gives no snippet rather than a wrong one.
    EXPECT_EQ(mcpConfigJSON("/opt/\xff/olva"), QString());
}

TEST(PkexecResults, TellDismissedFromFailed)
{
    EXPECT_EQ(PkexecRunner::resultOf(0, {}).status, PrivilegedResult::Status::done);
    EXPECT_EQ(PkexecRunner::resultOf(126, QStringLiteral("Error executing command as another user")).status,
              PrivilegedResult::Status::cancelled);
    const PrivilegedResult notAllowed = PkexecRunner::resultOf(127, QStringLiteral("Not authorized\n"));
    EXPECT_EQ(notAllowed.status, PrivilegedResult::Status::failed);
    EXPECT_EQ(notAllowed.message, QStringLiteral("Not authorized"));
    EXPECT_EQ(PkexecRunner::resultOf(1, QStringLiteral("  ln: failed  \n")).message, QStringLiteral("ln: failed"));
}

class LinkFolders : public ::testing::Test {
public:
    LinkFolders()
    {
        fs::create_directories(temp.path() / "app");
        tool = temp.path() / "app" / "olva";
        writeFile(tool, "#!/bin/sh\n");
        link = temp.path() / "usr local" / "bin" / "olva";
    }

    // Runs the link command with plain sh; its exit status.
    int runLinkCommand(const fs::path& target)
    {
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), linkCommand(target, link)});
        sh.waitForFinished(hangGuardMs);
        errorOutput = QString::fromUtf8(sh.readAllStandardError());
        return sh.exitCode();
    }

    fs::path linkText()
    {
        std::error_code error;
        return fs::read_symlink(link, error);
    }

    TempDir temp;
    fs::path tool, link;
    QString errorOutput;
};

struct Before {
    std::string name;
    std::function<void(LinkFolders&)> make;
    bool linked;  // the command makes the link; otherwise it refuses and leaves things be
};

void PrintTo(const Before& before, std::ostream* out) { *out << before.name; }

class LinkCommand : public LinkFolders, public ::testing::WithParamInterface<Before> {};

TEST_P(LinkCommand, LinksOrRefusesWithoutTouchingWhatIsNotALink)
{
    GetParam().make(*this);
    const int status = runLinkCommand(tool);
    if (GetParam().linked) {
        EXPECT_EQ(status, 0) << errorOutput.toStdString();
        EXPECT_EQ(linkText(), tool);
    } else {
        EXPECT_NE(status, 0);
        EXPECT_TRUE(errorOutput.contains(QStringLiteral("it is not a link"))) << errorOutput.toStdString();
        EXPECT_FALSE(fs::is_symlink(link));
    }
    // Nothing is ever written into a folder that stands where the link goes.
    EXPECT_FALSE(fs::exists(temp.path() / "elsewhere" / "olva"));
    EXPECT_FALSE(fs::exists(link / "olva"));
}

INSTANTIATE_TEST_SUITE_P(
    Link, LinkCommand,
    ::testing::Values(
        Before{"NothingThereNotEvenTheFolder", [](LinkFolders&) {}, true},
        Before{"AnotherLink",
               [](LinkFolders& t) {
                   fs::create_directories(t.link.parent_path());
                   fs::create_symlink("/opt/old/olva", t.link);
               },
               true},
        Before{"ALinkToAFolder",
               [](LinkFolders& t) {
                   fs::create_directories(t.link.parent_path());
                   fs::create_directories(t.temp.path() / "elsewhere");
                   fs::create_directory_symlink(t.temp.path() / "elsewhere", t.link);
               },
               true},
        Before{"ARegularFile",
               [](LinkFolders& t) {
                   fs::create_directories(t.link.parent_path());
                   writeFile(t.link, "someone else's olva");
               },
               false},
        Before{"AFolderNamedOlva", [](LinkFolders& t) { fs::create_directories(t.link); }, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(LinkFolders, ARefusedRegularFileKeepsItsContent)
{
    fs::create_directories(link.parent_path());
    writeFile(link, "someone else's olva");
    EXPECT_NE(runLinkCommand(tool), 0);
    EXPECT_EQ(readFile(link), "someone else's olva");
}

TEST_F(LinkFolders, AnyToolPathIsLinkedExactly)
{
    for (const char* name : {"O'Neil", "a \"b\" \\c", "$HOME `id`", "tab\there", "-n"}) {
        const fs::path odd = temp.path() / "app" / name / "olva";
        fs::create_directories(odd.parent_path());
        writeFile(odd, "#!/bin/sh\n");
        EXPECT_EQ(runLinkCommand(odd), 0) << name << ": " << errorOutput.toStdString();
        EXPECT_EQ(linkText(), odd) << name;
    }
}

TEST_F(LinkFolders, InstalledMeansTheLinksOwnTextIsTheToolOrTheToolsFolderIsSearched)
{
    const ToolLink notOnPath(tool, link, "/usr/bin:/bin");
    EXPECT_FALSE(notOnPath.installedFolder());

    fs::create_directories(link.parent_path());
    fs::create_symlink(fs::relative(tool, link.parent_path()), link);  // leads there, but says otherwise
    EXPECT_FALSE(notOnPath.installedFolder());
    fs::remove(link);
    fs::create_symlink(tool, link);
    EXPECT_EQ(notOnPath.installedFolder(), link.parent_path());

    fs::remove(link);
    for (const std::string& path : {tool.parent_path().string(), "/bin:" + tool.parent_path().string() + "/",
                                    "::" + tool.parent_path().string() + "/./"})
        EXPECT_EQ(ToolLink(tool, link, path).installedFolder(), tool.parent_path()) << path;
    EXPECT_FALSE(ToolLink(tool, link, tool.parent_path().string() + "x").installedFolder());
}

TEST_F(LinkFolders, InstallingReadsTheLinkAgain)
{
    const ToolLink toolLink(tool, link, "");
    ShellRunner shell;
    EXPECT_EQ(toolLink.install(shell).result, ToolLink::Outcome::Result::installed);

    struct Case {
        PrivilegedResult ran;
        ToolLink::Outcome::Result result;
        QString message;
    };
    fs::remove(link);
    for (const Case& c : {
             Case{{PrivilegedResult::Status::cancelled, {}}, ToolLink::Outcome::Result::cancelled, {}},
             Case{{PrivilegedResult::Status::failed, "Not authorized"}, ToolLink::Outcome::Result::failed,
                  "Not authorized"},
             Case{{PrivilegedResult::Status::failed, {}}, ToolLink::Outcome::Result::failed,
                  "Olva couldn’t create the link."},
             // Done, yet no link to the tool: never "installed".
             Case{{PrivilegedResult::Status::done, {}}, ToolLink::Outcome::Result::failed,
                  "Olva couldn’t create the link."},
         }) {
        FakePrivilegedRunner runner;
        runner.result = c.ran;
        const ToolLink::Outcome outcome = toolLink.install(runner);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.message, c.message);
        ASSERT_EQ(runner.runs.size(), 1u);
        EXPECT_EQ(runner.runs[0].program, QStringLiteral("/bin/sh"));
        EXPECT_EQ(runner.runs[0].arguments, (QStringList{QStringLiteral("-c"), linkCommand(tool, link)}));
    }
}

TEST_F(LinkFolders, TheWindowShowsEachOutcome)
{
    FakePrivilegedRunner runner;
    FakeClipboard clipboard;
    ConnectWindow window(ToolLink(tool, link, ""), &runner, &clipboard);
    window.show();
    EXPECT_TRUE(window.installButton()->isVisible());
    EXPECT_FALSE(window.installedLabel()->isVisible());
    EXPECT_FALSE(window.installError()->isVisible());
    EXPECT_EQ(window.width(), 520);

    runner.result = {PrivilegedResult::Status::failed, QStringLiteral("<b>Not</b> authorized")};
    window.installButton()->click();
    EXPECT_TRUE(window.installError()->isVisible());
    EXPECT_EQ(window.installError()->text(), QStringLiteral("<b>Not</b> authorized"));
    EXPECT_EQ(window.installError()->textFormat(), Qt::PlainText);

    // A dismissed password prompt leaves the last failure where it was.
    runner.result = {PrivilegedResult::Status::cancelled, {}};
    window.installButton()->click();
    EXPECT_TRUE(window.installError()->isVisible());
    EXPECT_TRUE(window.installButton()->isVisible());

    // Made by hand meanwhile: an install that succeeds clears the failure.
    fs::create_directories(link.parent_path());
    fs::create_symlink(tool, link);
    runner.result = {PrivilegedResult::Status::done, {}};
    window.installButton()->click();
    EXPECT_FALSE(window.installError()->isVisible());
    EXPECT_FALSE(window.installButton()->isVisible());
    EXPECT_EQ(window.installedLabel()->text(),
              QStringLiteral("Installed in ") + QString::fromStdString(link.parent_path().string()));

    // Showing the window reads the link again.
    fs::remove(link);
    window.hide();
    window.show();
    EXPECT_TRUE(window.installButton()->isVisible());
}

TEST_F(LinkFolders, SnippetsCopyAndSayTheyDid)
{
    FakeClipboard clipboard;
    ConnectWindow window(ToolLink(tool, link, ""), nullptr, &clipboard);
    SnippetRow* command = window.commandLineSnippet();
    SnippetRow* config = window.configSnippet();
    EXPECT_EQ(command->textLabel()->text(), mcpCommandLine(tool));
    EXPECT_EQ(config->textLabel()->text(), mcpConfigJSON(tool));
    EXPECT_EQ(command->textLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(command->copyButton()->text(), QStringLiteral("Copy"));
    // The two buttons read alike; a screen reader hears what each copies.
    EXPECT_EQ(command->copyButton()->accessibleName(), QStringLiteral("Copy the Claude Code command"));
    EXPECT_EQ(config->copyButton()->accessibleName(), QStringLiteral("Copy the MCP configuration"));
    command->copyButton()->click();
    command->copyButton()->click();
    EXPECT_EQ(command->copyButton()->text(), QStringLiteral("Copied"));
    EXPECT_EQ(command->copyButton()->accessibleName(), QStringLiteral("Copied the Claude Code command"));
    EXPECT_EQ(config->copyButton()->text(), QStringLiteral("Copy"));
    EXPECT_EQ(clipboard.texts, (std::vector<QString>{mcpCommandLine(tool), mcpCommandLine(tool)}));
}

}  // namespace
