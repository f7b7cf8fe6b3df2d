#include "Core/base/Paths.h"
#include "OlvaApp/Model/Bookmarks.h"
#include "OlvaApp/Model/ModelTesting.h"
#include "tests/support/app/ModelFixture.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QUndoStack>

using namespace olva;
using namespace olva::test;
using app::OpenPanelRequest;
using app::Selection;

namespace {

class ModelFolders : public ModelFixture {
public:
    void startWatching(std::vector<Folder> folders)
    {
        writeRules(Config{.paused = false, .folders = std::move(folders), .bookmarks = {}});
        ASSERT_TRUE(start());
        model().openMainWindow();
    }
};

}  // namespace

TEST_F(ModelFolders, AddingAFolderAlreadyWatchedSelectsIt)
{
    auto inbox = folder("Inbox");
    std::filesystem::create_directory_symlink(inbox, home() / "Link");
    startWatching({watched(folder("Other")), watched(inbox)});

    // Through a link, or picked in the panel: the same place.
    EXPECT_EQ(model().addFolder(home() / "Link"), 1);
    EXPECT_EQ(model().selection(), Selection::folder(1));
    model().setSelection(Selection::activity());
    panels.answer(inbox);
    EXPECT_EQ(model().addFolder(), 1);
    ASSERT_EQ(panels.requests.size(), 1u);
    EXPECT_EQ(panels.requests[0], (OpenPanelRequest{.choose = OpenPanelRequest::Choose::folders,
                                                    .canCreateFolders = true,
                                                    .message = "Choose a folder to watch",
                                                    .startFolder = std::filesystem::path(olva::userHome()),
                                                    .extensions = {}}));
    // A cancelled panel changes nothing.
    EXPECT_EQ(model().addFolder(), std::nullopt);
    EXPECT_EQ(rulesOnDisk().folders.size(), 2u);
    EXPECT_EQ(window.stack->count(), 0);
}

TEST_F(ModelFolders, KeepingAccessStoresABookmarkOrSaysWhyNot)
{
    startWatching({});
    auto inbox = folder("Inbox");
    EXPECT_EQ(model().keepAccess(inbox), inbox.string());
    EXPECT_EQ(model().config().bookmarks.at(inbox.string()), std::get<Bytes>(app::makeBookmark(inbox)));
    EXPECT_EQ(model().accessed().at(inbox.string()), inbox);

    // A folder that is gone is still added; its problem is shown.
    EXPECT_EQ(model().addFolder(home() / "Gone"), 0);
    ASSERT_TRUE(model().problem());
    EXPECT_EQ(model().problem()->title, "Couldn’t Keep Access to “Gone”");
    EXPECT_EQ(model().problem()->message, "There is no folder at that place anymore.");
    EXPECT_FALSE(model().config().bookmarks.contains((home() / "Gone").string()));
    EXPECT_EQ(rulesOnDisk().folders.size(), 1u);
    // Removing the folder keeps its bookmark, for an undo.
    model().removeFolder(0);
    EXPECT_TRUE(rulesOnDisk().bookmarks.contains(inbox.string()));
}

TEST_F(ModelFolders, OnlyASandboxAsksForDownloadsAndForMissingAccess)
{
    auto downloads = folder("Downloads");
    startWatching({});
    EXPECT_FALSE(model().needsAccess("/anywhere"));
    model().watchDownloads();
    EXPECT_TRUE(panels.requests.empty());
    ASSERT_EQ(model().config().folders.size(), 1u);
    EXPECT_EQ(model().config().folders[0].path, downloads.string());

    app::ModelTesting::setSandboxed(model(), true);
    EXPECT_TRUE(model().needsAccess("/anywhere"));
    EXPECT_FALSE(model().needsAccess(downloads.string()));
    model().removeFolder(0);
    auto elsewhere = folder("Elsewhere");
    panels.answer(elsewhere);
    model().watchDownloads();
    ASSERT_EQ(panels.requests.size(), 1u);
    EXPECT_EQ(panels.requests[0].message, "Choose your Downloads folder so Olva can watch it");
    EXPECT_EQ(panels.requests[0].startFolder, downloads);
    EXPECT_EQ(model().config().folders.at(0).path, elsewhere.string());
    EXPECT_EQ(model().config().folders[0].rules.size(), 3u);
}

TEST_F(ModelFolders, DownloadsThatAreTheHomeFolderAreChosenInstead)
{
    // As some desktops write it when the user has no Downloads folder.
    writeFile(temp.path() / "config" / "user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/\"\n");
    ASSERT_EQ(std::filesystem::path(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation).toStdString()),
              home());
    startWatching({});
    const auto elsewhere = folder("Incoming");
    struct Case {
        const char* name;
        std::optional<std::filesystem::path> answer;
        std::size_t folders;
        std::optional<QString> problem;
    };
    for (const Case& c : {Case{"cancelled", std::nullopt, 0, std::nullopt},
                          Case{"home again", home(), 0,
                               "Olva won’t sort your whole home folder with the Downloads rules. Choose the folder "
                               "your downloads go to."},
                          Case{"another folder", elsewhere, 1, std::nullopt}}) {
        SCOPED_TRACE(c.name);
        panels.requests.clear();
        model().setProblem(std::nullopt);
        if (c.answer) panels.answer(*c.answer);
        model().watchDownloads();
        ASSERT_EQ(panels.requests.size(), 1u);
        EXPECT_EQ(panels.requests[0].message, "Your desktop names your home folder as the Downloads folder. Choose "
                                              "the folder your downloads go to, so Olva can watch it.");
        EXPECT_EQ(model().config().folders.size(), c.folders);
        EXPECT_EQ(rulesOnDisk().folders.size(), c.folders);
        if (c.problem) {
            ASSERT_TRUE(model().problem());
            EXPECT_EQ(model().problem()->title, "Couldn’t Watch Downloads");
            EXPECT_EQ(model().problem()->message, *c.problem);
        } else {
            EXPECT_FALSE(model().problem());
        }
    }
    EXPECT_EQ(model().config().folders.at(0).path, elsewhere.string());
}

TEST_F(ModelFolders, LocatingAFolderChecksItAgainAfterThePanel)
{
    auto inbox = folder("Inbox");
    auto other = folder("Other");
    startWatching({watched(home() / "Missing"), watched(other)});

    // The panel names the folder it asks for.
    panels.answer(std::nullopt);
    model().locateFolder(0);
    EXPECT_EQ(panels.requests.back().message, "Choose “Missing” so Olva can watch it");

    // Choosing another watched folder selects it.
    panels.answer(other);
    model().locateFolder(0);
    EXPECT_EQ(model().selection(), Selection::folder(1));
    EXPECT_EQ(rulesOnDisk().folders[0].path, (home() / "Missing").string());

    // The rules changed while the panel was open: the folder at that place
    // is another one now, and nothing is changed or kept.
    panels.answer(inbox);
    panels.whileOpen = [&] {
        writeRules(Config{.paused = false, .folders = {watched(other), watched(home() / "Missing")}, .bookmarks = {}});
        until([&] { return model().config().folders[0].path == other.string(); });
    };
    model().locateFolder(0);
    panels.whileOpen = nullptr;
    EXPECT_EQ(rulesOnDisk().folders[0].path, other.string());
    EXPECT_FALSE(model().config().bookmarks.contains(inbox.string()));

    panels.answer(inbox);
    model().locateFolder(1);
    EXPECT_EQ(rulesOnDisk().folders[1].path, inbox.string());
    EXPECT_EQ(window.stack->undoText(), "Locate Folder");
}
