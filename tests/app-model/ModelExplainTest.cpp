#include "Core/base/Paths.h"
#include "Core/facts/FileInfo.h"
#include "Core/model/RuleVersion.h"
#include "OlvaApp/Model/ModelError.h"
#include "tests/support/app/ModelFixture.h"

using namespace olva;
using namespace olva::test;
using app::Explained;
using app::Unwatched;

namespace {

Explanation explanation(const std::string& name, bool pass, bool alreadyApplied, bool dryRun = false)
{
    return Explanation{extRule(name, "pdf", {Action::trash()}, dryRun), Outcome{pass, {}, std::nullopt},
                       alreadyApplied};
}

class ModelExplain : public ModelFixture {
public:
    ModelExplain() { services.settle = 3600; }  // the engine only looks
};

}  // namespace

TEST(ExplanationSentence, NamesTheWinnerOrWhyTheFileStays)
{
    struct Case {
        std::vector<Explanation> rules;
        std::optional<Unwatched> unwatched;
        std::optional<std::size_t> winner;
        QString sentence;
    };
    const std::vector<Case> cases{
        {{}, std::nullopt, std::nullopt, "No rule matches, so Olva leaves it where it is."},
        {{explanation("A", false, false)}, std::nullopt, std::nullopt, "No rule matches, so Olva leaves it where it is."},
        {{explanation("A", false, false), explanation("B", true, false)}, std::nullopt, 1,
         "“B” matches and handles this file."},
        {{explanation("A", true, false, true)}, std::nullopt, 0,
         "“A” matches. It’s a dry run, so Olva only logs what it would do."},
        // An earlier rule that already handled the file wins over a later match.
        {{explanation("A", false, true), explanation("B", true, false)}, std::nullopt, 0,
         "“A” already handled this file."},
        {{explanation("A", true, false)}, Unwatched::allPaused, 0,
         "All rules are paused, so Olva leaves it where it is for now."},
        {{explanation("A", true, false, true)}, Unwatched::folderPaused, 0,
         "This folder is paused, so Olva leaves it where it is for now."},
        {{explanation("A", true, false)}, Unwatched::tooDeep, 0,
         "It’s in a subfolder deeper than this folder includes, so Olva leaves it where it is."},
        {{explanation("A", true, false)}, Unwatched::hidden, 0, "It’s hidden, so Olva leaves it where it is."},
        {{explanation("A", true, false)}, Unwatched::inPackage, 0,
         "It’s inside a package, so Olva leaves it where it is."},
        {{explanation("A", false, true)}, Unwatched::hidden, 0, "“A” already handled this file."},
        // A dry run changed nothing: it logged what it would do.
        {{explanation("Other PDFs", true, true, true), explanation("B", true, false)}, std::nullopt, 0,
         "“Other PDFs” is a dry run and already logged what it would do with this file."},
        {{explanation("A", false, false)}, Unwatched::hidden, std::nullopt,
         "No rule matches, so Olva leaves it where it is."},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Explained explained;
        explained.rules = cases[i].rules;
        explained.unwatched = cases[i].unwatched;
        EXPECT_EQ(explained.winner(), cases[i].winner) << i;
        EXPECT_EQ(app::Model::explanationSentence(explained), cases[i].sentence) << i;
    }
}

TEST(Unwatched, TheEngineLooksOnlyAtVisibleFilesWithinTheFolderDepth)
{
    TempDir temp;
    auto root = std::filesystem::canonical(temp.path());
    struct Case {
        std::string file;
        std::int64_t depth;
        bool folderPaused, allPaused;
        std::optional<Unwatched> reason;
    };
    const std::vector<Case> cases{
        {"a.pdf", 0, false, false, std::nullopt},
        {"sub/a.pdf", 0, false, false, Unwatched::tooDeep},
        {"sub/a.pdf", 1, false, false, std::nullopt},
        {"sub/deeper/a.pdf", 1, false, false, Unwatched::tooDeep},
        {".a.pdf", 0, false, false, Unwatched::hidden},
        {".sub/a.pdf", 5, false, false, Unwatched::hidden},
        {"Tool.app/Contents/a.pdf", 5, false, false, Unwatched::inPackage},
        {"a.pdf", 0, true, false, Unwatched::folderPaused},
        {"a.pdf", 0, true, true, Unwatched::allPaused},
    };
    for (const Case& c : cases) {
        Folder folder = watched(root, {}, c.depth);
        folder.paused = c.folderPaused;
        Config config{.paused = c.allPaused, .folders = {folder}, .bookmarks = {}};
        EXPECT_EQ(app::unwatchedReason(config, folder, root / c.file), c.reason) << c.file;
    }
}

TEST_F(ModelExplain, ThePanelStartsWhereTheFileMostLikelyIs)
{
    const auto inbox = folder("Inbox"), other = folder("Other");
    struct Case {
        const char* what;
        std::vector<std::filesystem::path> watchedFolders;
        std::optional<int> selected;
        std::filesystem::path start;
    };
    const Case cases[] = {
        {"the selected folder", {inbox, other}, 1, other},
        {"the only folder, with none selected", {inbox}, std::nullopt, inbox},
        {"the home folder, when the only one is gone", {home() / "Gone"}, 0, std::filesystem::path(userHome())},
        {"the home folder, with several and none selected", {inbox, other}, std::nullopt,
         std::filesystem::path(userHome())},
        {"the home folder, with none watched", {}, std::nullopt, std::filesystem::path(userHome())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Folder> folders;
        for (const auto& path : c.watchedFolders) folders.push_back(watched(path));
        writeRules(Config{.paused = false, .folders = folders, .bookmarks = {}});
        restart();
        ASSERT_TRUE(start());
        model().setSelection(c.selected ? app::Selection::folder(*c.selected) : app::Selection::activity());
        panels.requests.clear();
        model().explainChosenFile();  // the panel is cancelled
        ASSERT_EQ(panels.requests.size(), 1u);
        ASSERT_TRUE(panels.requests[0].startFolder);
        EXPECT_EQ(std::filesystem::weakly_canonical(*panels.requests[0].startFolder),
                  std::filesystem::weakly_canonical(c.start));
    }
}

TEST_F(ModelExplain, AChosenFileIsExplainedInTheMainWindow)
{
    auto inbox = folder("Inbox");
    std::filesystem::create_directories(inbox / "sub");
    Rule handled = extRule("Handled", "pdf", {Action::trash()});
    Rule matches = extRule("Matches", "pdf", {Action::trash()});
    Rule off = extRule("Off", "pdf", {Action::trash()});
    off.enabled = false;
    writeRules(Config{.paused = false, .folders = {watched(inbox, {off, handled, matches})}, .bookmarks = {}});
    writeFile(inbox / "a.pdf", "a");
    writeFile(inbox / "sub" / "b.pdf", "b");
    store->saveSeen(Seen{{FileInfo(inbox / "a.pdf").key(), {ruleVersion(handled)}}});
    ASSERT_TRUE(start());
    model().setSelection(app::Selection::folder(0));

    panels.answer(inbox / "a.pdf");
    QFuture<void> done = model().explainChosenFile();
    ASSERT_TRUE(until([&] { return done.isFinished(); }));
    ASSERT_EQ(panels.requests.size(), 1u);
    EXPECT_EQ(panels.requests[0].message, "Choose a file in a watched folder");
    EXPECT_EQ(panels.requests[0].startFolder, std::filesystem::canonical(inbox));
    EXPECT_EQ(window.presented, 1);
    ASSERT_TRUE(model().explained());
    const Explained first = *model().explained();
    ASSERT_EQ(first.rules.size(), 2u);  // the enabled ones
    EXPECT_EQ(app::Model::explanationSentence(first), "“Handled” already handled this file.");

    // Explaining again opens the sheet anew; a file the engine never looks
    // at says so.
    done = model().explainChosenFile(inbox / "sub" / "b.pdf");
    ASSERT_TRUE(until([&] { return done.isFinished(); }));
    EXPECT_NE(model().explained()->id, first.id);
    EXPECT_EQ(model().explained()->unwatched, Unwatched::tooDeep);
    EXPECT_EQ(app::Model::explanationSentence(*model().explained()),
              "It’s in a subfolder deeper than this folder includes, so Olva leaves it where it is.");

    // A file in no watched folder: the engine's sentence.
    writeFile(temp.path() / "elsewhere.pdf", "x");
    done = model().explainChosenFile(temp.path() / "elsewhere.pdf");
    ASSERT_TRUE(until([&] { return done.isFinished(); }));
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Couldn’t Explain “elsewhere.pdf”");
    EXPECT_TRUE(model().problem()->message.endsWith(" is not in a watched folder"));
}

TEST_F(ModelExplain, WithoutAnEngineExplainingAndIntentsSayWhy)
{
    std::filesystem::create_directory(dataDir() / "engine.lock");
    QFuture<app::Explained> intent = model().explainForIntent(temp.path() / "a.pdf");
    QFuture<void> run = model().runRulesNow();
    QFuture<void> pause = model().setPausedForIntent(true);
    ASSERT_TRUE(until([&] { return intent.isFinished() && run.isFinished() && pause.isFinished(); }));
    const QString error = *model().loadError();
    auto failure = [](auto future) {
        try {
            future.waitForFinished();
            if constexpr (!std::is_same_v<decltype(future), QFuture<void>>) future.result();
        } catch (const app::ModelError& error) {
            return error.errorDescription();
        }
        return QString("(no error)");
    };
    EXPECT_EQ(failure(intent), error);
    EXPECT_EQ(failure(run), error);
    EXPECT_EQ(failure(pause), "Olva can’t save its rules right now. Open Olva to see why.");

    // Launchers drop an intent's error, so the app shows it as well.
    for (const auto& [name, title] : std::vector<std::pair<const char*, QString>>{
             {"run", "Couldn’t Run Rules"}, {"pause", "Rules Can’t Be Changed"}}) {
        SCOPED_TRACE(name);
        model().setProblem(std::nullopt);
        QFuture<void> asked = std::string(name) == "run" ? model().runRulesNow() : model().setPausedForIntent(true);
        ASSERT_TRUE(until([&] { return asked.isFinished(); }));
        ASSERT_TRUE(model().problem());
        EXPECT_EQ(model().problem()->title, title);
        if (std::string(name) == "run") {
            EXPECT_EQ(model().problem()->message, error);
        }
    }

    model().setProblem(std::nullopt);
    QFuture<void> done = model().explainChosenFile();
    EXPECT_TRUE(done.isFinished());
    EXPECT_TRUE(panels.requests.empty());
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Couldn’t Explain a File");
    EXPECT_EQ(model().problem()->message, error);
}

TEST_F(ModelExplain, AnExplanationAskedDuringTheStartWaitsForIt)
{
    auto inbox = folder("Inbox");
    writeRules(Config{.paused = false, .folders = {watched(inbox, {extRule("R", "pdf", {Action::trash()})})},
                      .bookmarks = {}});
    writeFile(inbox / "a.pdf", "a");
    // The start fails first (the engine lock cannot be taken), then, after
    // a restart, succeeds.
    for (bool fails : {true, false}) {
        SCOPED_TRACE(fails ? "the start fails" : "the start succeeds");
        if (fails) std::filesystem::create_directory(dataDir() / "engine.lock");
        else std::filesystem::remove(dataDir() / "engine.lock");
        app::Model& m = restart();
        m.ensureStarted();
        // Asked at once, as a file dropped on the window right after launch.
        QFuture<void> done = m.explainChosenFile(inbox / "a.pdf");
        ASSERT_TRUE(until([&] { return done.isFinished(); }));
        if (fails) {
            ASSERT_TRUE(m.problem());
            EXPECT_EQ(m.problem()->title, "Couldn’t Explain “a.pdf”");
            ASSERT_TRUE(m.loadError());
            EXPECT_EQ(m.problem()->message, *m.loadError());
            EXPECT_NE(m.problem()->message, "Olva couldn’t start.");
        } else {
            EXPECT_FALSE(m.problem()) << m.problem()->message.toStdString();
            ASSERT_TRUE(m.explained());
            EXPECT_EQ(app::Model::explanationSentence(*m.explained()), "“R” matches and handles this file.");
        }
    }
}

TEST_F(ModelExplain, IntentsWaitForTheStart)
{
    auto inbox = folder("Inbox");
    writeRules(Config{.paused = false, .folders = {watched(inbox, {extRule("R", "pdf", {Action::trash()}, true)})}, .bookmarks = {}});
    writeFile(inbox / "a.pdf", "a");
    QFuture<app::Explained> intent = model().explainForIntent(inbox / "a.pdf");
    QFuture<void> run = model().runRulesNow();
    ASSERT_TRUE(until([&] { return intent.isFinished() && run.isFinished(); }));
    EXPECT_EQ(app::Model::explanationSentence(intent.result()),
              "“R” matches. It’s a dry run, so Olva only logs what it would do.");
    EXPECT_FALSE(model().explained());

    QFuture<void> pause = model().setPausedForIntent(true);
    ASSERT_TRUE(until([&] { return pause.isFinished(); }));
    EXPECT_TRUE(rulesOnDisk().paused);
}
