#include "OlvaApp/MainView/DroppedFiles.h"
#include "OlvaApp/MainView/FolderStatusText.h"
#include "tests/support/TestSupport.h"

#include <QByteArray>

#include <gtest/gtest.h>

using namespace olva;
using namespace olva::app;

namespace {

Folder folder(std::size_t rules, std::int64_t depth, bool paused)
{
    Folder f{.path = "~/Inbox", .depth = depth, .paused = paused, .rules = {}};
    f.rules.resize(rules);
    return f;
}

}  // namespace

TEST(FolderWords, StatusLabelsAndHelpKeepThePathAsStored)
{
    struct Case {
        FolderStatus status;
        std::optional<QString> label, help;
    };
    const QString path = QStringLiteral("~/In <b>box</b> \uE000 %1");
    const Case cases[] = {
        {FolderStatus::watching, std::nullopt, std::nullopt},
        {FolderStatus::missing, "Folder not found",
         path + " can’t be found. Olva picks it up again when it’s back, or you can locate it."},
        {FolderStatus::noAccess, "No access", "Olva isn’t allowed to read " + path + "."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(folderStatusLabel(c.status), c.label);
        EXPECT_EQ(folderStatusHelp(path, c.status), c.help);
    }
}

TEST(FolderWords, SubtitleSaysRulesDepthPauseAndStatus)
{
    struct Case {
        Folder folder;
        FolderStatus status;
        const char* subtitle;
    };
    const Case cases[] = {
        {folder(0, 0, false), FolderStatus::watching, "No rules"},
        {folder(1, 0, false), FolderStatus::watching, "1 rule"},
        {folder(2, 99, false), FolderStatus::watching, "2 rules, first match wins · all subfolders"},
        {folder(3, 2, true), FolderStatus::watching, "3 rules, first match wins · 2 subfolder levels · paused"},
        {folder(1, 1, false), FolderStatus::missing, "1 rule · 1 subfolder level · Folder not found"},
        {folder(0, 3, false), FolderStatus::noAccess, "No rules · all subfolders · No access"},
        {folder(0, -1, false), FolderStatus::watching, "No rules · all subfolders"},
    };
    for (const Case& c : cases) EXPECT_EQ(folderSubtitle(c.folder, c.status), QString::fromUtf8(c.subtitle));
}

TEST(FolderWords, DroppedFilesAreSortedIntoFoldersAndExports)
{
    test::TempDir dir;
    for (const char* name : {"a.hazelrules", "b.HAZELRULES", ".hazelrules", "c.txt", "a.hazelrules.txt"})
        test::writeFile(dir / name, "x");
    std::filesystem::create_directories(dir / "Folder");
    std::filesystem::create_directories(dir / "rules.hazelrules");
    auto url = [&](const std::string& name) { return QUrl::fromLocalFile(QString::fromStdString((dir / name).string())); };

    using K = SidebarDrop::Kind;
    struct Case {
        const char* name;
        std::optional<K> kind;
    };
    const Case cases[] = {
        {"a.hazelrules", K::hazelExport}, {"b.HAZELRULES", std::nullopt}, {".hazelrules", std::nullopt},
        {"c.txt", std::nullopt},          {"a.hazelrules.txt", std::nullopt}, {"Folder", K::folder},
        {"rules.hazelrules", K::hazelExport}, {"not there", std::nullopt},
    };
    for (const Case& c : cases) {
        auto drops = sidebarDrops({url(c.name)});
        ASSERT_EQ(drops.size(), c.kind ? 1u : 0u) << c.name;
        if (c.kind) {
            EXPECT_EQ(drops[0].kind, *c.kind) << c.name;
        }
    }
    EXPECT_TRUE(sidebarDrops({QUrl(QStringLiteral("https://example.com/a.hazelrules"))}).empty());
    auto both = sidebarDrops({url("Folder"), url("c.txt"), url("a.hazelrules")});
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0], (SidebarDrop{K::folder, dir / "Folder"})) << "in the order given";
    EXPECT_EQ(both[1], (SidebarDrop{K::hazelExport, dir / "a.hazelrules"}));

    EXPECT_EQ(explainedDrop({url("c.txt"), url("a.hazelrules")}), dir / "c.txt");
    EXPECT_EQ(explainedDrop({url("Folder"), url("c.txt")}), std::nullopt) << "only the first counts";
    EXPECT_EQ(explainedDrop({url("not there")}), std::nullopt);
    EXPECT_EQ(explainedDrop({}), std::nullopt);
}

TEST(FolderWords, ADroppedNameKeepsItsBytes)
{
    test::TempDir dir;
    for (const std::string name : {"caf\xc3\xa9 \xe2\x80\x94 <b>x #1?", "latin \xe9t\xe9"}) {
        test::writeFile(dir / name, "x");
        // As a file manager puts it on the drag: every byte escaped.
        const QByteArray escaped = QByteArray::fromStdString((dir / name).string()).toPercentEncoding("/");
        const QUrl url(QStringLiteral("file://") + QString::fromLatin1(escaped));
        auto path = explainedDrop({url});
        ASSERT_TRUE(path) << url.toString().toStdString();
        EXPECT_EQ(*path, dir / name);
    }
}
