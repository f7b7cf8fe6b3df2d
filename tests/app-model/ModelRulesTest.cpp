#include "Core/model/RuleVersion.h"
#include "Core/store/Store.h"
#include "OlvaApp/Model/ModelError.h"
#include "OlvaApp/Model/ModelTesting.h"
#include "tests/support/app/ModelFixture.h"
#include "tests/tool/Spawn.h"

#include <QSignalSpy>
#include <QUndoStack>

#include <unistd.h>

using namespace olva;
using namespace olva::test;
using app::Model;
using app::Selection;
using namespace std::chrono_literals;

namespace {

// A configuration as one line: "paused | path d1 p: A, B-off".
std::string summary(const Config& config)
{
    std::string text = config.paused ? "paused" : "running";
    for (const Folder& folder : config.folders) {
        text += " | " + std::filesystem::path(folder.path).filename().string() + " d" + std::to_string(folder.depth)
              + (folder.paused ? " p" : "") + ":";
        for (const Rule& rule : folder.rules) text += " " + rule.name + (rule.enabled ? "" : "-off") + ",";
    }
    return text;
}

Rule named(const std::string& name) { return extRule(name, "pdf", {Action::trash()}, true); }

class ModelRules : public ModelFixture {
public:
    // Inbox with the dry-run rules A, B and C, selected.
    void startWithInbox()
    {
        inbox = folder("Inbox");
        writeRules(Config{.paused = false,
                          .folders = {watched(inbox, {named("A"), named("B"), named("C")})},
                          .bookmarks = {}});
        ASSERT_TRUE(start());
        model().setSelection(Selection::folder(0));
    }

    bool engineHas(const Config& config)
    {
        return until([&] { return toJson(app::ModelTesting::engine(model())->config()) == toJson(config); });
    }

    std::filesystem::path inbox;
};

struct Edit {
    std::string name;
    std::function<void(ModelRules&)> run;
    QString actionName;
    std::string after;

    friend void PrintTo(const Edit& edit, std::ostream* out) { *out << edit.name; }
};

class ModelEdits : public ModelRules, public ::testing::WithParamInterface<Edit> {};

}  // namespace

TEST_P(ModelEdits, WriteTheRulesReloadTheEngineAndUndoUnderTheirName)
{
    const Edit& edit = GetParam();
    startWithInbox();
    model().openMainWindow();
    QUndoStack& undo = *window.stack;
    const Config before = model().config();

    edit.run(*this);
    EXPECT_EQ(summary(model().config()), edit.after);
    EXPECT_EQ(summary(rulesOnDisk()), edit.after);
    EXPECT_TRUE(engineHas(rulesOnDisk()));
    ASSERT_EQ(undo.count(), 1);
    EXPECT_EQ(undo.undoText(), edit.actionName);

    undo.undo();
    EXPECT_EQ(summary(model().config()), summary(before));
    EXPECT_EQ(summary(rulesOnDisk()), summary(before));
    EXPECT_EQ(undo.redoText(), edit.actionName);
    EXPECT_TRUE(engineHas(rulesOnDisk()));
    undo.redo();
    EXPECT_EQ(summary(rulesOnDisk()), edit.after);
    EXPECT_FALSE(model().problem());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModelEdits,
    ::testing::Values(
        Edit{"AddRule",
             [](ModelRules& t) {
                 t.model().newRule();
                 t.model().commitRule(*t.model().editingRule(), t.model().editingRule()->rule, false);
                 EXPECT_EQ(t.model().selectedRule(), 3);
                 EXPECT_FALSE(t.model().editingRule());
             },
             "Add Rule", "running | Inbox d0: A, B, C, New Rule,"},
        Edit{"EditRule",
             [](ModelRules& t) {
                 t.model().editRule(1);
                 Rule rule = t.model().editingRule()->rule;
                 rule.name = "Bee";
                 t.model().commitRule(*t.model().editingRule(), rule, false);
                 EXPECT_FALSE(t.model().editingRule());
             },
             "Edit Rule", "running | Inbox d0: A, Bee, C,"},
        Edit{"DisableRule", [](ModelRules& t) { t.model().setRuleEnabled(0, false); }, "Disable Rule",
             "running | Inbox d0: A-off, B, C,"},
        // Setting the value a switch already has still saves, under its name.
        Edit{"EnableRule", [](ModelRules& t) { t.model().setRuleEnabled(2, true); }, "Enable Rule",
             "running | Inbox d0: A, B, C,"},
        Edit{"ResumeFolder", [](ModelRules& t) { t.model().setFolderPaused(0, false); }, "Resume Folder",
             "running | Inbox d0: A, B, C,"},
        Edit{"DuplicateRule",
             [](ModelRules& t) {
                 t.model().duplicateRule(0);
                 EXPECT_EQ(t.model().selectedRule(), 1);
             },
             "Duplicate Rule", "running | Inbox d0: A, A copy, B, C,"},
        Edit{"MoveRuleDown",
             [](ModelRules& t) {
                 t.model().moveRule(0, 1);
                 EXPECT_EQ(t.model().selectedRule(), 1);
             },
             "Move Rule Down", "running | Inbox d0: B, A, C,"},
        Edit{"MoveRuleUp", [](ModelRules& t) { t.model().moveRule(2, -1); }, "Move Rule Up",
             "running | Inbox d0: A, C, B,"},
        Edit{"MoveRules", [](ModelRules& t) { t.model().moveRules(0, {1, 2}, 0); }, "Move Rule",
             "running | Inbox d0: B, C, A,"},
        Edit{"DeleteRule", [](ModelRules& t) { t.model().deleteRule(1); }, "Delete Rule", "running | Inbox d0: A, C,"},
        Edit{"PauseAll", [](ModelRules& t) { t.model().setPaused(true); }, "Pause All Rules",
             "paused | Inbox d0: A, B, C,"},
        Edit{"ResumeAll", [](ModelRules& t) { t.model().setPaused(false); }, "Resume All Rules",
             "running | Inbox d0: A, B, C,"},
        Edit{"ChangeSubfolders", [](ModelRules& t) { t.model().setFolderDepth(0, 2); }, "Change Subfolders",
             "running | Inbox d2: A, B, C,"},
        Edit{"PauseFolder", [](ModelRules& t) { t.model().setFolderPaused(0, true); }, "Pause Folder",
             "running | Inbox d0 p: A, B, C,"},
        Edit{"AddFolder",
             [](ModelRules& t) {
                 t.panels.answer(t.folder("Other"));
                 EXPECT_EQ(t.model().addFolder(), 1);
                 EXPECT_EQ(t.model().selection(), Selection::folder(1));
             },
             "Add Folder", "running | Inbox d0: A, B, C, | Other d0:"},
        Edit{"RemoveFolder",
             [](ModelRules& t) {
                 t.model().removeFolder(0);
                 EXPECT_EQ(t.model().selection(), Selection::activity());
             },
             "Remove Folder", "running"},
        Edit{"WatchDownloads",
             [](ModelRules& t) {
                 t.folder("Downloads");
                 t.model().watchDownloads();
             },
             "Watch Downloads",
             "running | Inbox d0: A, B, C, | Downloads d0: Screenshots, Installers, PDFs,"},
        Edit{"LocateFolder",
             [](ModelRules& t) {
                 t.panels.answer(t.folder("Moved"));
                 t.model().locateFolder(0);
             },
             "Locate Folder", "running | Moved d0: A, B, C,"},
        Edit{"ImportHazelRules",
             [](ModelRules& t) {
                 Folder imported = watched(t.inbox, {named("H")}, 1);
                 t.model().setPendingImport(app::PendingImport{imported, {}});
                 t.model().finishImport();
                 EXPECT_FALSE(t.model().pendingImport());
                 EXPECT_EQ(t.model().selection(), Selection::folder(0));
             },
             "Import Hazel Rules", "running | Inbox d1: A, B, C, H,"}),
    [](const ::testing::TestParamInfo<Edit>& info) { return info.param.name; });

TEST_F(ModelRules, EditsOutOfRangeOrWithoutAFolderChangeNothing)
{
    startWithInbox();
    model().openMainWindow();
    const std::string before = summary(model().config());
    model().moveRule(0, -1);
    model().moveRule(2, 1);
    model().setRuleEnabled(3, false);
    model().duplicateRule(-1);
    model().removeFolder(1);
    model().moveRules(0, {3}, 0);
    model().setSelection(Selection::activity());
    model().deleteRule(0);
    model().editRule(0);
    EXPECT_EQ(model().currentRule(), std::nullopt);
    EXPECT_EQ(summary(rulesOnDisk()), before);
    EXPECT_EQ(window.stack->count(), 0);
    EXPECT_FALSE(model().editingRule());
}

TEST_F(ModelRules, ASaveAfterTheToolChangedTheFileReloadsInsteadOfWriting)
{
    startWithInbox();
    model().openMainWindow();
    Config tools = rulesOnDisk();
    tools.folders[0].rules.push_back(named("From the tool"));
    writeRules(tools);

    model().setRuleEnabled(0, false);
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Couldn’t Save Rules");
    EXPECT_TRUE(model().problem()->message.startsWith("Another program changed the rules a moment ago"));
    ASSERT_TRUE(until([&] { return summary(model().config()) == summary(tools); }));
    EXPECT_EQ(summary(rulesOnDisk()), summary(tools));
    EXPECT_EQ(window.stack->count(), 0);
}

TEST_F(ModelRules, AMoveSaysWhetherItWasMade)
{
    startWithInbox();
    EXPECT_TRUE(model().moveRules(0, {2}, 0));
    EXPECT_FALSE(model().moveRules(0, {5}, 0)) << "no such rule";
    // Given up for the rules another program wrote meanwhile.
    Config tools = rulesOnDisk();
    tools.folders[0].rules.push_back(named("From the tool"));
    writeRules(tools);
    EXPECT_FALSE(model().moveRules(0, {2}, 0));
}

TEST_F(ModelRules, AFailedSaveKeepsTheEditAndItsUndo)
{
    startWithInbox();
    model().openMainWindow();
    const std::string onDisk = readFile(dataDir() / "rules.json");
    {
        FileSizeLimit full(64);
        model().setRuleEnabled(0, false);
    }
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Couldn’t Save Rules");
    EXPECT_TRUE(model().problem()->message.contains("File too large")) << model().problem()->message.toStdString();
    EXPECT_EQ(readFile(dataDir() / "rules.json"), onDisk);
    EXPECT_EQ(summary(model().config()), "running | Inbox d0: A-off, B, C,");
    ASSERT_EQ(window.stack->count(), 1);
    EXPECT_EQ(window.stack->undoText(), "Disable Rule");

    // Writing works again: the undo is saved, and so is its redo.
    model().setProblem(std::nullopt);
    window.stack->undo();
    EXPECT_EQ(summary(model().config()), "running | Inbox d0: A, B, C,");
    EXPECT_EQ(summary(rulesOnDisk()), "running | Inbox d0: A, B, C,");
    window.stack->redo();
    EXPECT_EQ(summary(rulesOnDisk()), "running | Inbox d0: A-off, B, C,");
    EXPECT_FALSE(model().problem());
    EXPECT_TRUE(engineHas(rulesOnDisk()));
}

namespace {

// A save that cannot write, for as long as the value `begin` returns is held.
struct SaveFailure {
    std::string name;
    std::function<std::shared_ptr<void>(ModelRules&)> begin;
    std::string message;  // what the user reads, or a part of it

    friend void PrintTo(const SaveFailure& failure, std::ostream* out) { *out << failure.name; }
};

// rules.json as a file the user may not read: left owned by root with mode
// 600 by a command run with sudo. Under root the test runs as another
// account meanwhile, which may open the data folder (and take its lock) but
// not read the file.
class UnreadableRules {
public:
    UnreadableRules(const std::filesystem::path& scratch, const std::filesystem::path& dataDir)
        : file_(dataDir / "rules.json")
    {
        using std::filesystem::perms;
        std::filesystem::permissions(file_, perms::none);
        if (::geteuid() != 0) return;
        // (its group is still root's: the group's bits count for it)
        std::filesystem::permissions(scratch, perms::group_exec | perms::others_exec,
                                     std::filesystem::perm_options::add);
        switched_ = ::seteuid(65534) == 0;
        EXPECT_TRUE(switched_);
    }
    ~UnreadableRules()
    {
        if (switched_) (void)::seteuid(0);
        std::filesystem::permissions(file_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }

private:
    std::filesystem::path file_;
    bool switched_ = false;
};

class SaveFailures : public ModelRules, public ::testing::WithParamInterface<SaveFailure> {};

}  // namespace

TEST_P(SaveFailures, KeepTheEditAndItsUndoAndTheNextSaveWritesIt)
{
    startWithInbox();
    model().openMainWindow();
    const std::string onDisk = readFile(dataDir() / "rules.json");
    {
        auto lasting = GetParam().begin(*this);
        const auto begun = std::chrono::steady_clock::now();
        model().setRuleEnabled(0, false);
        // The save gives up, however long the rules stay held: the window
        // is not frozen for good.
        EXPECT_LT(std::chrono::steady_clock::now() - begun, Model::rulesLockPatience + hangGuard);
        ASSERT_TRUE(model().problem());
        EXPECT_EQ(model().problem()->title, "Couldn’t Save Rules");
        EXPECT_TRUE(model().problem()->message.contains(QString::fromStdString(GetParam().message)))
            << model().problem()->message.toStdString();
        EXPECT_EQ(summary(model().config()), "running | Inbox d0: A-off, B, C,");
        EXPECT_EQ(window.stack->count(), 1);

        // An intent whose switch could not be written does not answer
        // success.
        QFuture<void> paused = model().setPausedForIntent(true);
        ASSERT_TRUE(until([&] { return paused.isFinished(); }));
        EXPECT_THROW(paused.waitForFinished(), app::ModelError);

        // A new rule from the sheet is in the rules once, with its undo, and
        // the sheet closes: saving it again would add it twice.
        model().newRule();
        const app::EditingRule editing = *model().editingRule();
        model().commitRule(editing, editing.rule, false);
        EXPECT_FALSE(model().editingRule());
        EXPECT_EQ(summary(model().config()), "paused | Inbox d0: A-off, B, C, New Rule,");
        EXPECT_EQ(window.stack->count(), 3);
        EXPECT_EQ(window.stack->undoText(), "Add Rule");
    }
    EXPECT_EQ(readFile(dataDir() / "rules.json"), onDisk) << "nothing was written";
    // Once the failure is over the next edit is written, with the edits kept
    // before it; none of them is taken for another program's change.
    model().setProblem(std::nullopt);
    model().setRuleEnabled(1, false);
    EXPECT_FALSE(model().problem());
    EXPECT_EQ(summary(rulesOnDisk()), "paused | Inbox d0: A-off, B-off, C, New Rule,");
    EXPECT_EQ(window.stack->count(), 4);
    EXPECT_TRUE(engineHas(rulesOnDisk()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SaveFailures,
    ::testing::Values(
        SaveFailure{"FullDisk", [](ModelRules&) { return std::make_shared<FileSizeLimit>(64); }, "File too large"},
        SaveFailure{"RulesHeldByAnotherProgram",
                    [](ModelRules& t) {
                        auto holder = std::make_shared<DirectoryLockHolder>(t.dataDir());
                        EXPECT_TRUE(holder->holds());
                        return holder;
                    },
                    "Another program is holding the rules, so Olva couldn’t save them. Your change is kept and is "
                    "saved with the next change you make, unless that program changes the rules first."},
        SaveFailure{"UnreadableRulesFile",
                    [](ModelRules& t) { return std::make_shared<UnreadableRules>(t.temp.path(), t.dataDir()); },
                    "Permission denied"}),
    [](const ::testing::TestParamInfo<SaveFailure>& info) { return info.param.name; });

TEST_F(ModelRules, AChangeKeptWhileTheRulesWereHeldIsNotDroppedWithoutAWord)
{
    startWithInbox();
    model().openMainWindow();
    {
        DirectoryLockHolder holder(dataDir());
        ASSERT_TRUE(holder.holds());
        model().setRuleEnabled(0, false);
        ASSERT_TRUE(model().problem());
        ASSERT_TRUE(model().problem()->message.startsWith("Another program is holding the rules"));
    }
    model().setProblem(std::nullopt);

    // The holder writes its own rules before the kept change was saved.
    Config tools = rulesOnDisk();
    tools.folders[0].rules.push_back(named("From the tool"));
    writeRules(tools);
    ASSERT_TRUE(until([&] { return summary(model().config()) == summary(tools); }));
    ASSERT_TRUE(model().problem()) << "the change is gone: the user is told";
    EXPECT_EQ(model().problem()->title, "Couldn’t Save Rules");
    EXPECT_EQ(model().problem()->message, "Another program changed the rules before Olva could save your change, so "
                                          "Olva loaded them instead. Make your change again.");
    EXPECT_EQ(window.stack->count(), 0);

    // Nothing kept any more: the next change of the file is taken in
    // without a word.
    model().setProblem(std::nullopt);
    tools.folders[0].rules.pop_back();
    writeRules(tools);
    ASSERT_TRUE(until([&] { return summary(model().config()) == summary(tools); }));
    EXPECT_FALSE(model().problem());
}

TEST_F(ModelRules, ARulesFileRemovedWhileRunningIsWrittenByTheNextSave)
{
    startWithInbox();
    model().openMainWindow();

    // Removed, and changed in the app before it took notice.
    std::filesystem::remove(dataDir() / "rules.json");
    model().setRuleEnabled(0, false);
    EXPECT_FALSE(model().problem());
    EXPECT_EQ(summary(rulesOnDisk()), "running | Inbox d0: A-off, B, C,");

    // Removed, and noticed: the file is known as missing, and the intent's
    // answer says what happened to it.
    std::filesystem::remove(dataDir() / "rules.json");
    until([&] { return !store->knownRules(); });
    QFuture<void> paused = model().setPausedForIntent(true);
    ASSERT_TRUE(until([&] { return paused.isFinished(); }));
    EXPECT_NO_THROW(paused.waitForFinished());
    EXPECT_FALSE(model().problem());
    ASSERT_TRUE(std::filesystem::exists(dataDir() / "rules.json"));
    EXPECT_TRUE(rulesOnDisk().paused);
    EXPECT_TRUE(engineHas(rulesOnDisk()));

    // Removed, then written again by another program before the app read
    // it: that is its change, reloaded and never written over.
    std::filesystem::remove(dataDir() / "rules.json");
    until([&] { return !store->knownRules(); });
    Config tools{.paused = false, .folders = {watched(inbox, {named("From the tool")})}, .bookmarks = {}};
    writeRules(tools);
    model().setPaused(false);
    ASSERT_TRUE(model().problem());
    EXPECT_TRUE(model().problem()->message.startsWith("Another program changed the rules a moment ago"));
    EXPECT_EQ(summary(rulesOnDisk()), summary(tools));
    ASSERT_TRUE(until([&] { return summary(model().config()) == summary(tools); }));
}

namespace {

// Something the user has open that a save commits: a rule sheet or the
// import sheet.
struct OpenWork {
    std::string name;
    std::function<void(ModelRules&)> open;
    std::function<void(ModelRules&)> commit;
    std::function<bool(ModelRules&)> stillOpen;
    std::string saved;  // the rules once it is committed after the tool's rule

    friend void PrintTo(const OpenWork& work, std::ostream* out) { *out << work.name; }
};

class ToolSaveBeforeCommit : public ModelRules, public ::testing::WithParamInterface<OpenWork> {};

void commitSheet(ModelRules& t)
{
    t.model().commitRule(*t.model().editingRule(), t.model().editingRule()->rule, false);
}

bool sheetOpen(ModelRules& t) { return t.model().editingRule() && t.model().editingRule()->rule.name.starts_with("Dr"); }

}  // namespace

TEST_P(ToolSaveBeforeCommit, KeepsTheDraftOrTheImportOpenOverTheReloadedRules)
{
    const OpenWork& work = GetParam();
    startWithInbox();
    model().openMainWindow();
    work.open(*this);
    Config tools = rulesOnDisk();
    tools.folders[0].rules.push_back(named("From the tool"));
    // Written, and committed over before the app could take it in.
    writeRules(tools);
    work.commit(*this);
    ASSERT_TRUE(model().problem());
    EXPECT_TRUE(model().problem()->message.contains("is still open")) << model().problem()->message.toStdString();
    EXPECT_TRUE(work.stillOpen(*this));
    EXPECT_EQ(summary(rulesOnDisk()), summary(tools));

    // It stays open over the reloaded rules, and saving it again adds it to
    // them.
    ASSERT_TRUE(until([&] { return summary(model().config()) == summary(tools); }));
    EXPECT_TRUE(work.stillOpen(*this));
    model().setProblem(std::nullopt);
    work.commit(*this);
    EXPECT_FALSE(model().problem());
    EXPECT_FALSE(work.stillOpen(*this));
    EXPECT_EQ(summary(rulesOnDisk()), work.saved);
    EXPECT_EQ(window.stack->count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToolSaveBeforeCommit,
    ::testing::Values(
        OpenWork{"NewRule", [](ModelRules& t) { t.model().newRule(named("Draft")); }, commitSheet, sheetOpen,
                 "running | Inbox d0: A, B, C, From the tool, Draft,"},
        OpenWork{"EditedRule",
                 [](ModelRules& t) {
                     t.model().editRule(1);
                     app::EditingRule editing = *t.model().editingRule();
                     editing.rule.name = "Drafted B";
                     t.model().setEditingRule(editing);
                 },
                 commitSheet, sheetOpen, "running | Inbox d0: A, Drafted B, C, From the tool,"},
        OpenWork{"Import",
                 [](ModelRules& t) {
                     t.model().setPendingImport(app::PendingImport{watched(t.inbox, {named("H")}, 1), {}});
                 },
                 [](ModelRules& t) { t.model().finishImport(); },
                 [](ModelRules& t) { return t.model().pendingImport().has_value(); },
                 "running | Inbox d1: A, B, C, From the tool, H,"}),
    [](const ::testing::TestParamInfo<OpenWork>& info) { return info.param.name; });

TEST_F(ModelRules, ChangesByTheToolReloadAndEndTheUndoHistory)
{
    startWithInbox();
    model().openMainWindow();
    model().setPaused(true);
    ASSERT_EQ(window.stack->count(), 1);
    model().setSelection(Selection::folder(0));

    // A rule created by an AI client through `olva mcp`.
    Rule rule = named("From MCP");
    std::string input = R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})" "\n"
                        R"({"jsonrpc":"2.0","id":2,"method":"tools/call","params":{"name":"create_rule","arguments":)"
                        + nlohmann::json{{"folder", inbox.string()}, {"rule", toJson(rule)}}.dump() + "}}\n";
    Finished mcp = runOlva({"mcp"}, SpawnOptions{.env = {}, .input = input, .cwd = {}});
    ASSERT_EQ(mcp.status, 0) << mcp.err;
    ASSERT_TRUE(until([&] { return summary(model().config()) == "paused | Inbox d0: A, B, C, From MCP,"; }));
    EXPECT_EQ(window.stack->count(), 0);
    EXPECT_TRUE(engineHas(rulesOnDisk()));

    // A change of the file alone is noticed too; a selection past the end
    // falls back to the activity list.
    writeRules(Config{.paused = false, .folders = {}, .bookmarks = {}});
    ASSERT_TRUE(until([&] { return model().config().folders.empty(); }));
    EXPECT_EQ(model().selection(), Selection::activity());

    // A file that cannot be read keeps what the model had.
    writeFile(dataDir() / "rules.json", "{");
    ASSERT_TRUE(until([&] { return model().problem().has_value(); }));
    EXPECT_EQ(model().problem()->title, "Couldn’t Reload Rules");
    EXPECT_FALSE(model().loadError());
}

TEST_F(ModelRules, ACommitGoesWhereTheSheetWasOpenedOrNowhere)
{
    startWithInbox();
    auto other = folder("Other");
    model().openMainWindow();
    model().addFolder(other);
    model().setSelection(Selection::folder(0));

    // The selection moved on while the sheet was open: the rule still goes
    // to the folder it was made for.
    model().newRule(named("N"));
    model().setSelection(Selection::folder(1));
    model().commitRule(*model().editingRule(), model().editingRule()->rule, false);
    EXPECT_EQ(summary(rulesOnDisk()), "running | Inbox d0: A, B, C, N, | Other d0:");

    // The tool put a rule before the one being edited: nothing is
    // overwritten, and the sheet keeps the draft.
    model().setSelection(Selection::folder(0));
    model().editRule(1);
    app::EditingRule editing = *model().editingRule();
    Config tools = rulesOnDisk();
    tools.folders[0].rules.insert(tools.folders[0].rules.begin(), named("First"));
    writeRules(tools);
    ASSERT_TRUE(until([&] { return model().config().folders[0].rules.size() == 5; })) << summary(model().config());
    Rule draft = editing.rule;
    draft.name = "Draft";
    model().commitRule(editing, draft, false);
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Couldn’t Save “Draft”");
    ASSERT_TRUE(model().editingRule());
    EXPECT_EQ(model().editingRule()->rule.name, "Draft");
    EXPECT_EQ(summary(rulesOnDisk()), summary(tools));

    // The folder of a new rule is gone.
    model().setProblem(std::nullopt);
    model().setSelection(Selection::folder(1));
    model().newRule();
    editing = *model().editingRule();
    model().removeFolder(1);
    model().commitRule(editing, editing.rule, false);
    ASSERT_TRUE(model().problem());
    EXPECT_TRUE(model().editingRule());
    EXPECT_EQ(summary(rulesOnDisk()), "running | Inbox d0: First, A, B, C, N,");
}

TEST_F(ModelRules, AnEditedLiveRuleKeepsWhatItHandledUnlessRunAgain)
{
    struct Case {
        bool runAgain;
        bool wasDryRun;
        bool handled;
    };
    for (const Case& c : {Case{false, false, true}, Case{true, false, false}, Case{false, true, false}}) {
        SCOPED_TRACE(std::to_string(c.runAgain) + std::to_string(c.wasDryRun));
        TempDir world;
        auto inbox = world.path() / "Inbox";
        std::filesystem::create_directories(inbox);
        // A rule that tags nothing away: it handles the file and leaves it.
        Rule tag = extRule("Tag", "txt", {Action::addTags({"seen"})}, c.wasDryRun);
        Config config{.paused = false, .folders = {watched(inbox, {tag})}, .bookmarks = {}};
        writeRules(config);
        writeFile(inbox / "a.txt", "a");
        Model& m = restart();
        QFuture<void> started = m.ensureStarted();
        ASSERT_TRUE(until([&] { return started.isFinished(); }));
        ASSERT_TRUE(until([&] { return app::ModelTesting::engine(m)->explain(inbox / "a.txt").at(0).alreadyApplied; }));
        m.setSelection(Selection::folder(0));

        m.editRule(0);
        Rule edited = m.editingRule()->rule;
        edited.actions.push_back(Action::addTags({"more"}));
        m.commitRule(*m.editingRule(), edited, c.runAgain);
        ASSERT_TRUE(engineHas(rulesOnDisk()));
        // One more pass: the edited rule acts on the file again unless the
        // file counts as handled by it.
        app::ModelTesting::engine(m)->scanNow();
        std::size_t runs = 0;
        for (const Entry& entry : store->entries()) runs += entry.file == (inbox / "a.txt").string();
        EXPECT_EQ(runs, c.handled ? 1u : 2u);
    }
}

// A rules file that is gone reads as no rules at all: neither the model nor
// its engine takes that for the user's rules, and the undo history stays.
TEST_F(ModelRules, ARulesFileThatIsGoneLeavesTheRulesHeld)
{
    startWithInbox();
    model().openMainWindow();
    model().setRuleEnabled(0, false);
    const Config held = model().config();
    ASSERT_TRUE(engineHas(held));

    std::filesystem::remove(dataDir() / "rules.json");
    // What the rules watcher does on the removal, and what the tool's signal does.
    model().reloadRules();
    processUntil([] { return false; }, std::chrono::milliseconds(700));
    EXPECT_EQ(summary(model().config()), summary(held));
    EXPECT_EQ(window.stack->count(), 1);
    EXPECT_TRUE(engineHas(held));

    writeFile(inbox / "a.pdf", "%PDF");
    ASSERT_TRUE(until([&] { return !store->entries().empty(); }));
    EXPECT_EQ(store->entries().back().rule, "B");
}
