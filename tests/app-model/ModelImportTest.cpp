#include "OlvaApp/Model/ModelTesting.h"
#include "tests/hazel/HazelExport.h"
#include "tests/support/app/ModelFixture.h"

#include <QUndoStack>

#include <sys/stat.h>

using namespace olva;
using namespace olva::test;
using app::Selection;
using H = HazelExport;

namespace {

class ModelImport : public ModelFixture {
public:
    // An export of three rules: one that moves PDFs to `pdfs`, one that
    // copies to `pdfs` too, and one whose condition cannot be carried over.
    std::filesystem::path writeExport(const std::string& name, const std::string& pdfs)
    {
        H h;
        Ref good = h.compare("displayExtension", H::equalTo, "pdf");
        Ref set = h.ruleSet({
            h.rule({.name = "PDFs", .criteria = {good}, .actions = {h.move(h.folder(pdfs))}}),
            h.rule({.name = "Copies", .criteria = {good}, .actions = {h.copy(h.folder(pdfs))}}),
            h.rule({.name = "Odd", .criteria = {h.compare("fileSize", H::greaterThan, "5")},
                    .actions = {h.move(h.trashFolder())}}),
        });
        std::filesystem::path file = temp.path() / name;
        writeFile(file, h.withHeader(set));
        return file;
    }

    QFuture<void> import(std::optional<std::filesystem::path> file)
    {
        QFuture<void> done = model().importHazelRules(std::move(file));
        EXPECT_TRUE(until([&] { return done.isFinished(); }));
        return done;
    }

    using Ref = ArchiveBuilder::Ref;
};

}  // namespace

TEST_F(ModelImport, AnExportIsOfferedWithNotesThenCommittedAsOneUndoStep)
{
    auto inbox = folder("Inbox");
    writeRules(Config{.paused = false, .folders = {watched(folder("Other"))}, .bookmarks = {}});
    ASSERT_TRUE(start());
    model().openMainWindow();
    app::ModelTesting::setSandboxed(model(), true);

    auto file = writeExport("Inbox.hazelrules", "/srv/pdfs");
    panels.answer(file);
    panels.answer(inbox);
    import(std::nullopt);
    ASSERT_EQ(panels.requests.size(), 2u);
    EXPECT_EQ(panels.requests[0].message, "Choose a .hazelrules export");
    EXPECT_EQ(panels.requests[0].extensions, QStringList{"hazelrules"});
    EXPECT_EQ(panels.requests[1].message, "Which folder were these rules for?");
    EXPECT_TRUE(panels.requests[1].canCreateFolders);

    ASSERT_TRUE(model().pendingImport());
    const app::PendingImport& pending = *model().pendingImport();
    EXPECT_EQ(pending.folder.path, inbox.string());
    EXPECT_EQ(pending.folder.rules.size(), 3u);
    EXPECT_EQ(pending.notes, (QStringList{
                                 "2 of the 3 rules are enabled. All start as dry runs.",
                                 "'Odd' is disabled, unsupported: attribute fileSize",
                                 "Choose /srv/pdfs again in the rules that use it, so Olva can move or copy files there",
                             }));
    EXPECT_TRUE(model().config().bookmarks.contains(inbox.string()));
    EXPECT_EQ(rulesOnDisk().folders.size(), 1u);  // nothing saved yet

    model().finishImport();
    EXPECT_FALSE(model().pendingImport());
    Config saved = rulesOnDisk();
    ASSERT_EQ(saved.folders.size(), 2u);
    EXPECT_EQ(saved.folders[1].rules.size(), 3u);
    EXPECT_EQ(model().selection(), Selection::folder(1));
    EXPECT_EQ(window.stack->undoText(), "Import Hazel Rules");
    window.stack->undo();
    EXPECT_EQ(rulesOnDisk().folders.size(), 1u);
}

TEST_F(ModelImport, ImportedRulesJoinAFolderWatchedUnderAnotherFormOfItsPath)
{
    auto inbox = folder("Inbox");
    std::filesystem::create_directory_symlink(inbox, home() / "Link");
    Folder existing = watched(inbox, {extRule("Mine", "txt", {Action::trash()}, true)}, 2);
    existing.paused = true;
    writeRules(Config{.paused = false, .folders = {watched(folder("Other")), existing}, .bookmarks = {}});
    ASSERT_TRUE(start());

    panels.answer(home() / "Link");
    import(writeExport("x.hazelrules", "~/PDF"));
    ASSERT_TRUE(model().pendingImport());
    // Outside a sandbox no destination needs choosing again.
    EXPECT_EQ(model().pendingImport()->notes.size(), 2);
    model().finishImport();
    Config saved = rulesOnDisk();
    ASSERT_EQ(saved.folders.size(), 2u);
    const Folder& merged = saved.folders[1];
    EXPECT_EQ(merged.path, inbox.string());
    EXPECT_EQ(merged.depth, 2);
    EXPECT_TRUE(merged.paused);
    ASSERT_EQ(merged.rules.size(), 4u);
    EXPECT_EQ(merged.rules[0].name, "Mine");
    EXPECT_EQ(merged.rules[3].name, "Odd");
    EXPECT_EQ(model().selection(), Selection::folder(1));
}

TEST_F(ModelImport, AnExportThatCannotBeReadLeavesNothingBehind)
{
    struct Case {
        std::string name;
        std::function<std::filesystem::path(ModelImport&)> make;
        std::string message;  // $FILE: the export's path
    };
    std::vector<Case> cases{
        {"a pipe",
         [](ModelImport& t) {
             auto path = t.temp.path() / "pipe.hazelrules";
             ::mkfifo(path.c_str(), 0600);
             return path;
         },
         "“$FILE” isn’t a file, so it can’t be a Hazel rules export"},
        {"no export",
         [](ModelImport& t) {
             auto path = t.temp.path() / "text.hazelrules";
             writeFile(path, "hello, world");
             return path;
         },
         "not a keyed archive: the data is no readable property list (it may be damaged or cut short)"},
    };
    ASSERT_TRUE(start());
    auto inbox = folder("Inbox");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto file = c.make(*this);
        model().setPendingImport(std::nullopt);
        panels.answer(inbox);
        import(file);
        ASSERT_TRUE(model().problem());
        EXPECT_EQ(model().problem()->title, "Couldn’t Import Hazel Rules");
        QString message = QString::fromStdString(c.message).replace("$FILE", QString::fromStdString(file.string()));
        EXPECT_EQ(model().problem()->message, message);
        EXPECT_FALSE(model().pendingImport());
        EXPECT_TRUE(model().config().bookmarks.empty());
    }

    // A cancelled folder panel ends the import silently.
    model().setProblem(std::nullopt);
    import(writeExport("x.hazelrules", "~/PDF"));
    EXPECT_FALSE(model().problem());
    EXPECT_FALSE(model().pendingImport());
    EXPECT_TRUE(model().config().bookmarks.empty());
}

TEST_F(ModelImport, ACommitWhileRulesCannotChangeDropsTheImport)
{
    writeFile(dataDir() / "rules.json", "{");
    ASSERT_TRUE(start());
    model().setPendingImport(app::PendingImport{watched(folder("Inbox")), {}});
    model().finishImport();
    EXPECT_FALSE(model().pendingImport());
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Rules Can’t Be Changed");
    EXPECT_EQ(readFile(dataDir() / "rules.json"), "{");
}
